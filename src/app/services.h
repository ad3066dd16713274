#pragma once
// The platform adapters the main window works through; tests hand in fakes.

#include "common/clock.h"
#include "common/msg.h"
#include "ui/colourdialog.h"
#include "ui/platform.h"

namespace app {

struct Services
{
    common::MessagePresenter &presenter;
    ui::ColourChooser &colours;
    ui::UrlOpener &urls;
    ui::ProcessEnder &ender;
    const common::Clock &clock;
};

} // namespace app
