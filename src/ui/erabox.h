#pragma once
// The calendar-mode list: the user can only pick one of its entries with the
// mouse; every key is swallowed (Tab still moves the focus).

#include <QComboBox>

namespace ui {

class EraBox : public QComboBox
{
    Q_OBJECT
public:
    explicit EraBox(QWidget *parent = nullptr) : QComboBox(parent) { setEditable(false); }

    // Shows the entry of that text; a text that is not an entry changes nothing.
    void setText(const QString &text)
    {
        if (const int at = findText(text); at >= 0) {
            setCurrentIndex(at);
        }
    }
    QString text() const { return currentText(); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
};

} // namespace ui
