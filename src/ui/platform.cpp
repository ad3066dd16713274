// Ending the process and opening web addresses.

#include "ui/platform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFont>
#include <QFontDatabase>
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
    return QStringList{QStringLiteral("ＭＳ Ｐゴシック")} + emojiFontFamilies();
#else
    return QStringList{QStringLiteral("IPAPGothic")} + emojiFontFamilies();
#endif
}

QStringList emojiFontFamilies()
{
#ifdef Q_OS_WIN
    const QString family = QStringLiteral("Segoe UI Emoji");
#else
    const QString family = QStringLiteral("Noto Color Emoji");
#endif
    static const bool installed = QFontDatabase::hasFamily(family);
    return installed ? QStringList{family} : QStringList{};
}

void useScreenFont()
{
    QFont font = QApplication::font();
    font.setFamilies(uiFontFamilies());
    font.setPointSize(9);
    QApplication::setFont(font);
}

} // namespace ui
