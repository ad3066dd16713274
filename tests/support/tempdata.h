#pragma once
// A temporary data folder holding the two empty database files.

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

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};

} // namespace testsupport
