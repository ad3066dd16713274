#pragma once
// A colour swatch: its background shows a colour; a double-click asks for another.

#include <QFrame>

namespace ui {

class ColourSwatch : public QFrame
{
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget *parent = nullptr);

    // The background colour as a platform colour number (0x00BBGGRR).
    qint32 backColour() const { return m_colour; }
    void setBackColour(qint32 colourNumber);

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    qint32 m_colour = 0;
};

} // namespace ui
