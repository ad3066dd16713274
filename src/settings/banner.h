#pragma once
// The banner below the about text: a picture drawn for this program with its
// own mouse pointer; a click (or Enter) opens the maker's bulletin board.

#include <QLabel>

namespace settings {

// The maker's bulletin board.
inline const QString kBannerAddress = QStringLiteral("https://korvan.example/bbs/");

class Banner : public QLabel
{
    Q_OBJECT
public:
    explicit Banner(QWidget *parent = nullptr);

    static QPixmap picture(); // 553 × 67 pixels
    static QCursor pointer(); // a hand over a speech bubble

signals:
    void clicked();

protected:
    void showEvent(QShowEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace settings
