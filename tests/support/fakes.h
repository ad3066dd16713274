#pragma once
// Stand-ins for the platform adapters: a colour dialog with a scripted answer,
// a web-address opener that records, a process end that counts.

#include "ui/colourdialog.h"
#include "ui/platform.h"

#include <QStringList>

namespace testsupport {

class ScriptedColours final : public ui::ColourChooser
{
public:
    std::optional<QColor> next; // nothing: the dialog is cancelled
    int asked = 0;
    std::optional<QColor> choose(QWidget *, const QColor &) override
    {
        ++asked;
        return next;
    }
};

class RecordingUrls final : public ui::UrlOpener
{
public:
    QStringList opened;
    void open(const QString &url) override { opened << url; }
};

class CountingEnder final : public ui::ProcessEnder
{
public:
    int ended = 0;
    void endProcess() override { ++ended; }
};

} // namespace testsupport
