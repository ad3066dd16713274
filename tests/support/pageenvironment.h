#pragma once
// What a page needs to run in a test: a fresh data folder with its store
// open, the settings in force, scripted message answers and a fixed today;
// and finding a page's controls by name.

#include "common/msg.h"
#include "store/records.h"
#include "store/sqlitefiles.h"
#include "store/store.h"
#include "support/fixedclock.h"
#include "support/scriptedpresenter.h"
#include "support/tempdata.h"

#include <QObject>

#include <memory>

namespace testsupport {

struct PageEnvironment
{
    TempData data;
    std::unique_ptr<store::Store> store = store::makeSqliteStore();
    store::Settings settings;
    ScriptedPresenter presenter;
    common::Msg msg{presenter};
    testsupport::FixedClock clock{QDate(2007, 4, 4)};

    bool open() { return data.ok() && !store->open(store::Location::inFolder(data.folder())); }
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

// The newest object of that class among the children of `root` (one the
// root replaced may wait there to be deleted); null when there is none.
template <typename T> T *newestChild(const QObject *root)
{
    const QList<T *> all = root->findChildren<T *>(Qt::FindDirectChildrenOnly);
    return all.isEmpty() ? nullptr : all.last();
}

} // namespace testsupport
