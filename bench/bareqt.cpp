// The floor of the start-up and memory figures: a bare Qt program showing a
// window of the main window's size with three tab pages and nothing else, in
// the program's screen fonts (the same font files opened for the same text). It
// closes once it has been painted, as zephra_benchapp does; --memory instead
// prints its peak memory once the window is up.

#include "peakmemory.h"

#include <QApplication>
#include <QFont>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

// Closes a window right after its first paint has been delivered.
class CloseWhenShown final : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, static_cast<QWidget *>(watched), &QWidget::close);
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Color Emoji")});
    font.setPointSize(9);
    QApplication::setFont(font);

    QWidget window;
    window.setFixedSize(625, 452);
    auto *tabs = new QTabWidget(&window);
    tabs->setGeometry(0, 0, 625, 453);
    for (const QString &caption : {QStringLiteral("日　誌"), QStringLiteral("集　計"), QStringLiteral("設定・情報")}) {
        tabs->addTab(new QWidget, caption);
    }
    CloseWhenShown closer;
    const bool memory = QApplication::arguments().contains(QStringLiteral("--memory"));
    if (!memory) {
        window.installEventFilter(&closer);
    }
    window.show();

    if (memory) {
        for (int round = 0; round < 5; ++round) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(10);
        }
        std::printf("peak_kib=%lld\n", static_cast<long long>(bench::peakResidentKib()));
        return 0;
    }
    return QApplication::exec();
}
