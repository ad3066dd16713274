#pragma once
// The platform services the program reaches through small adapters: ending
// the process, opening a web address. Everything OS-specific sits in platform.cpp.

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace ui {

// Ends the program's own process with exit status 0 once the event loop is
// left; a handle of 0 does nothing.
class ProcessEnder
{
public:
    virtual ~ProcessEnder() = default;
    virtual void endProcess() = 0;
};

class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QString &url) = 0;
};

// The font families of the screens: the Japanese proportional gothic of the
// platform (ＭＳ Ｐゴシック on Windows, IPAPGothic elsewhere), then the colour
// emoji family that the program's package brings, named without asking
// whether it is installed: asking costs start-up time.
QStringList uiFontFamilies();
// The colour emoji family of the platform when it is installed (Segoe UI Emoji
// on Windows, Noto Color Emoji elsewhere): the fallback after the Japanese
// fonts, on screen and in reports, for characters they lack (🔥).
QStringList emojiFontFamilies();
// Makes those families at 9 points the application's font, as on every screen
// of the program.
void useScreenFont();

// Ends the process that owns the window `handle`; 0 means none.
void endProcess(quintptr handle, ProcessEnder &ender);

// The real adapters.
class ApplicationProcessEnder final : public ProcessEnder
{
public:
    void endProcess() override;
};

class DesktopUrlOpener final : public UrlOpener
{
public:
    void open(const QString &url) override;
};

} // namespace ui
