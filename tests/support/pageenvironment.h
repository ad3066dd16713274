#pragma once
// What a page needs to run in a test: a fresh data folder with both databases
// open in the shared state, scripted message answers and a fixed today; and
// finding a page's controls by name.

#include "common/clock.h"
#include "common/msg.h"
#include "store/modvelmoraa.h"
#include "support/scriptedpresenter.h"
#include "support/tempdata.h"

#include <QObject>

namespace testsupport {

struct PageEnvironment
{
    TempData data;
    store::ModVelmoraA state;
    ScriptedPresenter presenter;
    common::Msg msg{presenter};
    common::FixedClock clock{QDate(2007, 4, 4)};

    bool open() { return data.ok() && data.openInto(state); }
};

// The control of that name below `root`; a missing control ends the test program.
template <typename T> T *control(const QObject *root, const char *name)
{
    auto *found = root->findChild<T *>(QString::fromUtf8(name));
    if (!found) {
        qFatal("no control %s", name);
    }
    return found;
}

} // namespace testsupport
