#pragma once
// Files and folders made unwritable for this process, also as root (whose
// writes the permission bits do not stop): the file system then checks this
// thread's accesses as the user "nobody". Undone on leaving.

#include <QString>
#include <QStringList>

namespace testsupport {

class ReadOnlyFiles
{
public:
    ReadOnlyFiles() = default;
    ~ReadOnlyFiles();
    ReadOnlyFiles(const ReadOnlyFiles &) = delete;
    ReadOnlyFiles &operator=(const ReadOnlyFiles &) = delete;

    // False when the first file can still be opened for writing (no way here).
    bool apply(const QStringList &folders, const QStringList &files);

private:
    QStringList m_folders;
    QStringList m_files;
    bool m_fsuidChanged = false;
};

} // namespace testsupport
