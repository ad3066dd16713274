#include "common/module.h"

#include "common/filesync.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMutex>
#include <QMutexLocker>

namespace common {

QStringList moduleFolders()
{
    QStringList folders;
    if (const QString given = qEnvironmentVariable("ZEPHRA_MODULE_DIR"); !given.isEmpty()) {
        folders << given;
    }
    // The reading child of an import looks before any application object exists.
    const QString own = QCoreApplication::instance()
                            ? QCoreApplication::applicationDirPath()
                            : QFileInfo(runningProgramPath()).absolutePath();
    if (!own.isEmpty()) {
        folders << own << QDir::cleanPath(own + QStringLiteral("/../lib/zephra"));
    }
    return folders;
}

QString moduleFileName(const QString &name)
{
    return name + QStringLiteral(".so");
}

ModuleFunction moduleFunction(const QString &name, const char *symbol, const QString &purpose,
                              const QStringList &folders)
{
    // The loaded modules by path, kept for the rest of the program: the list
    // is never destroyed, since a module's code may run until the very end.
    static QMutex mutex;
    static auto &loaded = *new QHash<QString, QLibrary *>;
    const QMutexLocker lock(&mutex);

    const QString fileName = moduleFileName(name);
    QString path;
    for (const QString &folder : folders) {
        if (const QString candidate = QDir(folder).filePath(fileName); QFileInfo(candidate).isFile()) {
            path = candidate;
            break;
        }
    }
    const QString cannot =
        purpose + QStringLiteral("に必要な部品（") + fileName + QStringLiteral("）を読み込めません。");
    if (path.isEmpty()) {
        return {nullptr, cannot + QStringLiteral("\nプログラムを入れ直してください。\n探した場所: ") +
                             folders.join(QStringLiteral("、"))};
    }
    QLibrary *library = loaded.value(path);
    if (!library) {
        library = new QLibrary(path);
        if (!library->load()) {
            const QString why = library->errorString();
            delete library;
            return {nullptr, cannot + QStringLiteral("\nプログラムを入れ直してください。\n") + why};
        }
        loaded.insert(path, library);
    }
    if (const QFunctionPointer function = library->resolve(symbol)) {
        return {function, QString()};
    }
    return {nullptr, cannot + QStringLiteral("\n部品の版がプログラムと合いません。プログラムを入れ直してください。\n") +
                         library->errorString()};
}

} // namespace common
