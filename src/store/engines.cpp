#include "store/engines.h"

#include "store/postgresengine.h"
#include "store/sqlitefiles.h"

#include <QDir>
#include <QFileInfo>

namespace store {

namespace {

QStringList folderFiles(const Location &location)
{
    const QDir folder(location.folder());
    return {folder.filePath(kMainFileName), folder.filePath(kWorkFileName)};
}

bool standsThere(const QString &path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

} // namespace

std::unique_ptr<Store> makeStore(const Location &location)
{
    switch (location.kind()) {
    case Location::Kind::Folder:
        return makeSqliteStore();
    case Location::Kind::Server:
        return makePostgresStore();
    }
    return nullptr;
}

DataParts dataParts(const Location &location)
{
    if (location.kind() == Location::Kind::Server) {
        return postgresDataParts(location);
    }
    DataParts parts;
    parts.all = folderFiles(location);
    for (const QString &path : std::as_const(parts.all)) {
        if (standsThere(path)) {
            parts.present << path;
        }
    }
    return parts;
}

Creation createEmptyData(const Location &location)
{
    if (location.kind() == Location::Kind::Server) {
        return createPostgresData(location);
    }
    Creation creation;
    creation.error = createSqliteFiles(location.folder(), &creation.failedPart);
    if (!creation.error) {
        creation.made = folderFiles(location);
    }
    return creation;
}

Creation createMissingData(const Location &location)
{
    if (location.kind() == Location::Kind::Server) {
        return createMissingPostgresData(location);
    }
    Creation creation;
    const QStringList files = folderFiles(location);
    for (const auto &[path, file] : {std::pair(files.at(0), DataFile::Main), std::pair(files.at(1), DataFile::Work)}) {
        if (standsThere(path)) {
            continue;
        }
        if (DbError error = createSqliteFile(location.folder(), file)) {
            creation.error = error;
            creation.failedPart = path;
            return creation;
        }
        creation.made << path;
    }
    return creation;
}

} // namespace store
