#include "support/readonlyfiles.h"

#include <QFile>

#if defined(Q_OS_LINUX)
#include <sys/fsuid.h>
#include <unistd.h>
#endif

namespace testsupport {

bool ReadOnlyFiles::apply(const QStringList &folders, const QStringList &files)
{
#if defined(Q_OS_UNIX)
    m_folders = folders;
    m_files = files;
    for (const QString &file : m_files) {
        QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    for (const QString &folder : m_folders) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::ExeOther);
    }
#if defined(Q_OS_LINUX)
    if (geteuid() == 0) {
        setfsuid(65534);
        m_fsuidChanged = true;
    }
#endif
    QFile probe(m_files.value(0));
    return !m_files.isEmpty() && !probe.open(QIODevice::ReadWrite);
#else
    Q_UNUSED(folders);
    Q_UNUSED(files);
    return false;
#endif
}

ReadOnlyFiles::~ReadOnlyFiles()
{
#if defined(Q_OS_LINUX)
    if (m_fsuidChanged) {
        setfsuid(0);
    }
#endif
    for (const QString &folder : m_folders) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    for (const QString &file : m_files) {
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    }
}

} // namespace testsupport
