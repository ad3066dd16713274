#pragma once
// A temporary data folder holding the two empty database files.

#include "store/modvelmoraa.h"

#include <QTemporaryDir>

namespace testsupport {

class TempData
{
public:
    TempData();
    bool ok() const { return m_ok; }
    QString folder() const; // ends with '/'
    QString mainPath() const;
    QString workPath() const;

    // Fills `state` the way start-up does: paths and both databases open.
    bool openInto(store::ModVelmoraA &state) const;

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

} // namespace testsupport
