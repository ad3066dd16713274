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

namespace {

QString emojiFamily()
{
#ifdef Q_OS_WIN
    return QStringLiteral("Segoe UI Emoji");
#else
    return QStringLiteral("Noto Color Emoji");
#endif
}

} // namespace

QStringList uiFontFamilies()
{
    // The emoji family is named without asking the font database: the
    // program's package brings it, and asking fills the whole database and
    // resolves every alias before the first paint, a quarter of the start.
#ifdef Q_OS_WIN
    return QStringList{QStringLiteral("ＭＳ Ｐゴシック"), emojiFamily()};
#else
    return QStringList{QStringLiteral("IPAPGothic"), emojiFamily()};
#endif
}

QStringList emojiFontFamilies()
{
    static const bool installed = QFontDatabase::hasFamily(emojiFamily());
    return installed ? QStringList{emojiFamily()} : QStringList{};
}

void useScreenFont()
{
    QFont font = QApplication::font();
    font.setFamilies(uiFontFamilies());
    font.setPointSize(9);
    QApplication::setFont(font);
}

} // namespace ui
