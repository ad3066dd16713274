#pragma once
// libpq, the PostgreSQL client library, loaded the first time a server is
// reached. A program that keeps its journal in files never loads it, nor the
// libraries it brings (TLS, Kerberos, LDAP), so its start-up does not pay for
// them; a machine without libpq still runs on files and is told so only when
// it names a server.

#include <QString>

#include <libpq-fe.h>

namespace store::pg {

// The functions of libpq the server engine calls, under their own names.
struct LibPq
{
    decltype(&::PQconnectdbParams) PQconnectdbParams;
    decltype(&::PQstatus) PQstatus;
    decltype(&::PQerrorMessage) PQerrorMessage;
    decltype(&::PQfinish) PQfinish;
    decltype(&::PQgetCancel) PQgetCancel;
    decltype(&::PQfreeCancel) PQfreeCancel;
    decltype(&::PQcancel) PQcancel;
    decltype(&::PQexec) PQexec;
    decltype(&::PQexecParams) PQexecParams;
    decltype(&::PQprepare) PQprepare;
    decltype(&::PQexecPrepared) PQexecPrepared;
    decltype(&::PQsendQueryParams) PQsendQueryParams;
    decltype(&::PQsendQueryPrepared) PQsendQueryPrepared;
    decltype(&::PQgetResult) PQgetResult;
    decltype(&::PQresultStatus) PQresultStatus;
    decltype(&::PQresultErrorField) PQresultErrorField;
    decltype(&::PQresultErrorMessage) PQresultErrorMessage;
    decltype(&::PQclear) PQclear;
    decltype(&::PQntuples) PQntuples;
    decltype(&::PQgetisnull) PQgetisnull;
    decltype(&::PQgetvalue) PQgetvalue;
    decltype(&::PQgetlength) PQgetlength;
    decltype(&::PQcmdTuples) PQcmdTuples;
};

// The loaded library; null when it cannot be loaded, `why` then saying why.
// Loaded once per program, from any thread.
const LibPq *libPq(QString *why = nullptr);

} // namespace store::pg
