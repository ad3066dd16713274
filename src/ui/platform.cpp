// Ending the process and opening web addresses.

#include "ui/platform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFont>
#include <QUrl>

namespace ui {

void endProcess(quintptr handle, ProcessEnder &ender)
{
    if (handle == 0) {
        return;
    }
    ender.endProcess();
}

void ApplicationProcessEnder::endProcess()
{
    // The window handed to ui::endProcess is always the program's own: leave
    // the event loop with status 0 and let main() return it.
    QCoreApplication::exit(0);
}

void DesktopUrlOpener::open(const QString &url)
{
    QDesktopServices::openUrl(QUrl(url));
}

QStringList uiFontFamilies()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("ＭＳ Ｐゴシック")};
#else
    return {QStringLiteral("IPAPGothic")};
#endif
}

void useScreenFont()
{
    QFont font = QApplication::font();
    font.setFamilies(uiFontFamilies());
    font.setPointSize(9);
    QApplication::setFont(font);
}

} // namespace ui
