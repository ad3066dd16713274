#include "settings/banner.h"

#include "ui/platform.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace settings {

Banner::Banner(QWidget *parent) : QLabel(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(QStringLiteral("コルヴァンフリー掲示板を開きます"));
    setAccessibleName(QStringLiteral("コルヴァンフリー掲示板"));
}

QPixmap Banner::picture()
{
    QPixmap pixmap(553, 67);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 553, 0);
    sky.setColorAt(0, QColor(0x1d, 0x3b, 0x6e));
    sky.setColorAt(1, QColor(0x3f, 0x8f, 0xb5));
    p.fillRect(pixmap.rect(), sky);

    // A wind swirl: the mark of ZEPHRA.
    QPainterPath swirl;
    swirl.moveTo(14, 46);
    swirl.cubicTo(30, 8, 70, 12, 58, 36);
    swirl.cubicTo(50, 50, 32, 40, 42, 30);
    p.setPen(QPen(QColor(0xf2, 0xd0, 0x6b), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(swirl);

    QFont title(QStringLiteral("IPAPGothic"));
    title.setFamilies(ui::uiFontFamilies());
    title.setPixelSize(24);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(80, 6, 300, 32), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ZEPHRA 業務日誌"));

    QFont small = title;
    small.setPixelSize(13);
    small.setBold(false);
    p.setFont(small);
    p.drawText(QRect(82, 38, 460, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("ご質問・ご要望はコルヴァンフリー掲示板へ　▶ ここをクリック"));
    p.setPen(QColor(255, 255, 255, 120));
    p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return pixmap;
}

QCursor Banner::pointer()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // A speech bubble with a pointing tip at the hot spot (top left).
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(6, 4, 24, 17), 5, 5);
    bubble.moveTo(10, 20);
    bubble.lineTo(1, 1);
    bubble.lineTo(16, 20);
    p.setPen(QPen(Qt::black, 1.5));
    p.setBrush(QColor(0xf2, 0xd0, 0x6b));
    p.drawPath(bubble.simplified());
    p.setPen(Qt::black);
    QFont f;
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(6, 4, 24, 17), Qt::AlignCenter, QStringLiteral("?"));
    return QCursor(pixmap, 1, 1);
}

void Banner::showEvent(QShowEvent *event)
{
    // Drawn when the settings page is first shown, not at every start.
    if (pixmap().isNull()) {
        setPixmap(picture());
        setCursor(pointer());
    }
    QLabel::showEvent(event);
}

void Banner::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

void Banner::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

} // namespace settings
