#include "store/postgreslibrary.h"

#include "common/filesync.h"

#include <QLibrary>

#include <mutex>

namespace store::pg {

namespace {

struct Loaded
{
    LibPq functions{};
    bool ok = false;
    QString why;
};

template <typename Function> bool resolve(QLibrary &library, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    return function != nullptr;
}

Loaded load()
{
    Loaded loaded;
    const common::SharedLibraryName name = common::postgresClientLibrary();
    QLibrary library;
    library.setFileNameAndVersion(name.name, name.version);
    if (!library.load()) {
        loaded.why = library.errorString();
        return loaded;
    }
    LibPq &f = loaded.functions;
#define ZEPHRA_RESOLVE(function) resolve(library, #function, f.function)
    loaded.ok = ZEPHRA_RESOLVE(PQconnectdbParams) && ZEPHRA_RESOLVE(PQstatus) && ZEPHRA_RESOLVE(PQerrorMessage) &&
                ZEPHRA_RESOLVE(PQfinish) && ZEPHRA_RESOLVE(PQgetCancel) && ZEPHRA_RESOLVE(PQfreeCancel) &&
                ZEPHRA_RESOLVE(PQcancel) && ZEPHRA_RESOLVE(PQexec) && ZEPHRA_RESOLVE(PQexecParams) &&
                ZEPHRA_RESOLVE(PQprepare) && ZEPHRA_RESOLVE(PQexecPrepared) && ZEPHRA_RESOLVE(PQsendQueryParams) &&
                ZEPHRA_RESOLVE(PQsendQueryPrepared) && ZEPHRA_RESOLVE(PQgetResult) && ZEPHRA_RESOLVE(PQresultStatus) &&
                ZEPHRA_RESOLVE(PQresultErrorField) && ZEPHRA_RESOLVE(PQresultErrorMessage) && ZEPHRA_RESOLVE(PQclear) &&
                ZEPHRA_RESOLVE(PQntuples) && ZEPHRA_RESOLVE(PQgetisnull) && ZEPHRA_RESOLVE(PQgetvalue) &&
                ZEPHRA_RESOLVE(PQgetlength) && ZEPHRA_RESOLVE(PQcmdTuples);
#undef ZEPHRA_RESOLVE
    if (!loaded.ok) {
        loaded.why = library.errorString();
    }
    // The library stays loaded for the rest of the program: QLibrary unloads
    // only when asked to.
    return loaded;
}

} // namespace

const LibPq *libPq(QString *why)
{
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = load(); });
    if (!loaded.ok && why) {
        *why = QStringLiteral("PostgreSQL のクライアント（libpq）を読み込めません: ") + loaded.why;
    }
    return loaded.ok ? &loaded.functions : nullptr;
}

} // namespace store::pg
