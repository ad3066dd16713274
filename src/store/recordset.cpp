#include "store/recordset.h"

#include "store/database.h"
#include "store/dialect.h"
#include "store/sqliteaccess.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>

#include <algorithm>
#include <sqlite3.h>
#include <vector>

namespace store {

using detail::columnValue;
using detail::quotedIdentifier;
using detail::sameName;

namespace {

enum class ColumnKind { Date, Text, Other };

// The kind of a declared column type, after SQLite's affinity rules for text.
ColumnKind kindOf(const QString &declaredType)
{
    const QString type = declaredType.toUpper();
    if (type == QLatin1String("DATE")) {
        return ColumnKind::Date;
    }
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) ||
        type.contains(QLatin1String("TEXT"))) {
        return ColumnKind::Text;
    }
    return ColumnKind::Other;
}

DbError closedError()
{
    return {ErrClosed, QStringLiteral("recordset not open")};
}

// QtSql prepares the statements and owns them (it finalizes them when the
// connection closes); the rows are stepped, read and written through SQLite's
// own interface, which spares a totals run most of QtSql's cost per value.
// Null once the connection has been closed.
sqlite3_stmt *statementOf(const QSqlQuery &query)
{
    const QSqlResult *result = query.result();
    if (!result) {
        return nullptr;
    }
    const QVariant handle = result->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0) {
        return nullptr;
    }
    return *static_cast<sqlite3_stmt *const *>(handle.constData());
}

DbError connectionClosedError()
{
    return {ErrClosed, QStringLiteral("database not open")};
}

DbError engineError(sqlite3_stmt *statement, int code)
{
    return detail::engineError(sqlite3_db_handle(statement), code);
}

// Binds a value as QtSql would: empty values of the null kinds as Null,
// whole numbers as integers, other values as their text.
int bindValue(sqlite3_stmt *statement, int position, const QVariant &value)
{
    if (value.isNull()) {
        return sqlite3_bind_null(statement, position);
    }
    const auto bindText = [statement, position](const QString &text) {
        const QByteArray utf8 = text.toUtf8();
        return sqlite3_bind_text(statement, position, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    };
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString &text = *static_cast<const QString *>(value.constData());
        return text.isNull() ? sqlite3_bind_null(statement, position) : bindText(text);
    }
    case QMetaType::QByteArray: {
        const QByteArray &bytes = *static_cast<const QByteArray *>(value.constData());
        return bytes.isNull()
                   ? sqlite3_bind_null(statement, position)
                   : sqlite3_bind_blob(statement, position, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    case QMetaType::Int:
    case QMetaType::Bool:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(statement, position, value.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(statement, position, value.toDouble());
    case QMetaType::QDateTime: {
        const QDateTime dateTime = value.toDateTime();
        return dateTime.isValid() ? bindText(dateTime.toString(Qt::ISODateWithMs))
                                  : sqlite3_bind_null(statement, position);
    }
    case QMetaType::QDate:
        return value.toDate().isValid() ? bindText(value.toString()) : sqlite3_bind_null(statement, position);
    case QMetaType::QTime:
        return value.toTime().isValid() ? bindText(value.toString()) : sqlite3_bind_null(statement, position);
    default:
        return bindText(value.toString());
    }
}

} // namespace

struct Recordset::Impl
{
    enum class Mode { None, Adding, Editing };

    // A statement prepared once for one set of assigned columns and reused
    // for every row that assigns the same set.
    struct Writer
    {
        std::vector<bool> columns;
        QSqlQuery query;
    };

    QSqlDatabase db;
    QSqlQuery select;
    bool open = true;
    bool bof = true;
    bool eof = true;
    DbError moveError;

    QString table;       // empty: the rows cannot be written
    int firstColumn = 0; // 1 when the rowid leads each row
    QStringList names;   // the result columns, without the rowid
    std::vector<ColumnKind> kinds;
    QVariantList row; // the current row
    // Columns of the current row whose text is kept as read (UTF-8) and decoded
    // only when asked for: a long journal text passed over is never decoded.
    std::vector<bool> undecoded;
    qint64 rowid = 0;

    Mode mode = Mode::None;
    QVariantList pending;
    std::vector<bool> assigned;
    std::vector<Writer> inserts;
    std::vector<Writer> updates;

    int indexOf(const QString &column) const
    {
        for (qsizetype k = 0; k < names.size(); ++k) {
            if (names[k] == column) {
                return int(k);
            }
        }
        for (qsizetype k = 0; k < names.size(); ++k) {
            if (sameName(names[k], column)) {
                return int(k);
            }
        }
        return -1;
    }

    // Steps to the next row and copies it: a write on the connection cannot
    // change what has been read.
    void fetch()
    {
        sqlite3_stmt *statement = statementOf(select);
        if (!statement) {
            eof = true;
            moveError = connectionClosedError();
            return;
        }
        const int step = sqlite3_step(statement);
        if (step == SQLITE_ROW) {
            for (qsizetype k = 0; k < names.size(); ++k) {
                const int column = int(k) + firstColumn;
                undecoded[size_t(k)] = false;
                if (sqlite3_column_type(statement, column) != SQLITE_TEXT) {
                    row[k] = columnValue(statement, column);
                    continue;
                }
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
                const int size = sqlite3_column_bytes(statement, column);
                if (kinds[size_t(k)] == ColumnKind::Date) {
                    // Read once as the date it holds, not at every look.
                    const QString stored = QString::fromUtf8(text, size);
                    const std::optional<QDate> date = parseStoredDate(stored);
                    row[k] = date ? QVariant(*date) : QVariant(stored);
                } else {
                    row[k] = QByteArray(text, size);
                    undecoded[size_t(k)] = true;
                }
            }
            if (firstColumn > 0) {
                rowid = sqlite3_column_int64(statement, 0);
            }
            eof = false;
            return;
        }
        eof = true;
        if (step != SQLITE_DONE) {
            moveError = engineError(statement, step);
        }
        // The end of the rows ends the statement's read.
        sqlite3_reset(statement);
    }

    // A column of the current row as stored, its text decoded.
    QVariant rowValue(int index) const
    {
        const QVariant &value = row[index];
        if (undecoded[size_t(index)]) {
            return QString::fromUtf8(*static_cast<const QByteArray *>(value.constData()));
        }
        return value;
    }

    // The value a reader sees: Null as a null QVariant, stored dates as QDate.
    QVariant readValue(int index, const QVariant &stored) const
    {
        if (stored.isNull()) {
            return {};
        }
        if (kinds[size_t(index)] == ColumnKind::Date && stored.typeId() == QMetaType::QString) {
            if (const std::optional<QDate> date = parseStoredDate(stored.toString())) {
                return *date;
            }
        }
        return stored;
    }

    // The value to bind for a column, or ErrBadValue.
    DbError toStored(int index, const QVariant &value, QVariant *stored) const
    {
        const ColumnKind kind = kinds[size_t(index)];
        if (value.isNull()) {
            // A null QVariant, or QtSql's typed Null: both store Null.
            *stored = QVariant();
            return DbError::none();
        }
        if (kind != ColumnKind::Date) {
            // QtSql would bind a null QString as Null; to a text column it is an empty text.
            if (kind == ColumnKind::Text && value.typeId() == QMetaType::QString && value.toString().isNull()) {
                *stored = QStringLiteral("");
            } else {
                *stored = value;
            }
            return DbError::none();
        }
        QDate date;
        switch (value.typeId()) {
        case QMetaType::QDate:
            date = value.toDate();
            break;
        case QMetaType::QDateTime:
            date = value.toDateTime().date();
            break;
        case QMetaType::QString: {
            const QString text = value.toString();
            if (text.isEmpty()) {
                *stored = QVariant();
                return DbError::none();
            }
            date = parseDateText(text).value_or(QDate());
            break;
        }
        default:
            break;
        }
        const QString text = storedDateText(date);
        if (text.isEmpty()) {
            return {ErrBadValue,
                    QStringLiteral("not a date for column ") + names[index] + QStringLiteral(": ") + value.toString()};
        }
        *stored = text;
        return DbError::none();
    }

    QSqlQuery *writerFor(std::vector<Writer> &writers, bool insert, DbError *error)
    {
        for (Writer &writer : writers) {
            if (writer.columns == assigned) {
                return &writer.query;
            }
        }
        QString sql;
        if (insert) {
            QStringList columns;
            QStringList marks;
            for (size_t k = 0; k < assigned.size(); ++k) {
                if (assigned[k]) {
                    columns.append(quotedIdentifier(names[qsizetype(k)]));
                    marks.append(QStringLiteral("?"));
                }
            }
            sql = QStringLiteral("INSERT INTO ") + quotedIdentifier(table) +
                  (columns.isEmpty() ? QStringLiteral(" DEFAULT VALUES")
                                     : QStringLiteral(" (") + columns.join(u',') + QStringLiteral(") VALUES (") +
                                           marks.join(u',') + u')');
        } else {
            QStringList sets;
            for (size_t k = 0; k < assigned.size(); ++k) {
                if (assigned[k]) {
                    sets.append(quotedIdentifier(names[qsizetype(k)]) + QStringLiteral(" = ?"));
                }
            }
            sql = QStringLiteral("UPDATE ") + quotedIdentifier(table) + QStringLiteral(" SET ") + sets.join(u',') +
                  QStringLiteral(" WHERE rowid = ?");
        }
        Writer writer{assigned, QSqlQuery(db)};
        if (!writer.query.prepare(sql)) {
            *error = fromSqlError(writer.query.lastError());
            return nullptr;
        }
        writers.push_back(std::move(writer));
        return &writers.back().query;
    }

    DbError write()
    {
        const bool insert = mode == Mode::Adding;
        bool any = false;
        for (const bool column : assigned) {
            any = any || column;
        }
        if (!insert && !any) {
            return DbError::none();
        }
        DbError error;
        QSqlQuery *query = writerFor(insert ? inserts : updates, insert, &error);
        if (!query) {
            return error;
        }
        sqlite3_stmt *statement = statementOf(*query);
        if (!statement) {
            return connectionClosedError();
        }
        sqlite3_reset(statement);
        int position = 1;
        int bound = SQLITE_OK;
        for (size_t k = 0; k < assigned.size() && bound == SQLITE_OK; ++k) {
            if (assigned[k]) {
                bound = bindValue(statement, position++, pending[qsizetype(k)]);
            }
        }
        if (!insert && bound == SQLITE_OK) {
            bound = sqlite3_bind_int64(statement, position, rowid);
        }
        const int step = bound == SQLITE_OK ? sqlite3_step(statement) : bound;
        if (step != SQLITE_DONE) {
            error = engineError(statement, step);
            sqlite3_reset(statement);
            return error;
        }
        const int changed = sqlite3_changes(sqlite3_db_handle(statement));
        // Ending the statement ends its write: outside a transaction it is committed now.
        sqlite3_reset(statement);
        if (!insert && changed != 1) {
            return {ErrNoCurrentRow, QStringLiteral("the row no longer exists")};
        }
        return DbError::none();
    }
};

Recordset::Recordset(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

Recordset::~Recordset()
{
    close();
}

std::unique_ptr<Recordset> Recordset::create(const QSqlDatabase &db, const QString &sqliteSql,
                                             const SingleTableSelect &target, const QList<TableColumn> &columns,
                                             DbError *error)
{
    auto impl = std::make_unique<Impl>();
    impl->db = db;
    QString sql = sqliteSql;

    if (target.isValid()) {
        // The rowid goes first in each row, under a name the table does not
        // use for a column of its own.
        for (const QString &candidate : {QStringLiteral("rowid"), QStringLiteral("_rowid_"), QStringLiteral("oid")}) {
            const bool taken = std::any_of(columns.cbegin(), columns.cend(),
                                           [&](const TableColumn &column) { return sameName(column.name, candidate); });
            if (!taken) {
                sql = sqliteSql.left(target.starPosition) + candidate + QStringLiteral(", ") +
                      sqliteSql.mid(target.starPosition);
                impl->table = target.table;
                impl->firstColumn = 1;
                break;
            }
        }
    }

    const auto start = [&impl](const QString &statement) {
        impl->select = QSqlQuery(impl->db);
        impl->select.setForwardOnly(true);
        return impl->select.prepare(statement);
    };
    if (!start(sql)) {
        DbError failed = fromSqlError(impl->select.lastError());
        // A view or a table without rowid: its rows can still be read.
        if (impl->firstColumn > 0 && failed.number == 1) {
            impl->table.clear();
            impl->firstColumn = 0;
            if (!start(sqliteSql)) {
                failed = fromSqlError(impl->select.lastError());
            } else {
                failed = DbError::none();
            }
        }
        if (failed) {
            *error = failed;
            return nullptr;
        }
    }

    sqlite3_stmt *statement = statementOf(impl->select);
    if (!statement) {
        *error = connectionClosedError();
        return nullptr;
    }
    const int columnCount = sqlite3_column_count(statement);
    for (int k = impl->firstColumn; k < columnCount; ++k) {
        // Named as QtSql names the fields of a record.
        const QString name = QString::fromUtf8(sqlite3_column_name(statement, k)).remove(u'"');
        impl->names.append(name);
        ColumnKind kind = ColumnKind::Other;
        if (!impl->table.isEmpty()) {
            for (const TableColumn &column : columns) {
                if (sameName(column.name, name)) {
                    kind = kindOf(column.declaredType);
                    break;
                }
            }
        }
        impl->kinds.push_back(kind);
    }
    impl->row = QVariantList(impl->names.size());
    impl->undecoded.assign(size_t(impl->names.size()), false);

    impl->fetch();
    impl->bof = impl->eof;
    if (impl->moveError) {
        *error = impl->moveError;
        return nullptr;
    }
    *error = DbError::none();
    return std::unique_ptr<Recordset>(new Recordset(std::move(impl)));
}

bool Recordset::bof() const
{
    return !d->open || d->bof;
}

bool Recordset::eof() const
{
    return !d->open || d->eof;
}

DbError Recordset::error() const
{
    return d->open ? d->moveError : closedError();
}

void Recordset::moveFirst()
{
    if (!d->open) {
        return;
    }
    d->mode = Impl::Mode::None;
    d->moveError = DbError::none();
    sqlite3_stmt *statement = statementOf(d->select);
    if (!statement) {
        d->moveError = connectionClosedError();
        d->bof = d->eof = true;
        return;
    }
    sqlite3_reset(statement); // the rows again from the first
    d->fetch();
    d->bof = d->eof;
}

void Recordset::moveNext()
{
    if (!d->open) {
        return;
    }
    d->mode = Impl::Mode::None;
    if (d->eof) {
        d->moveError = {ErrNoCurrentRow, QStringLiteral("no current row")};
        return;
    }
    d->moveError = DbError::none();
    d->fetch();
}

DbError Recordset::addNew()
{
    if (!d->open) {
        return closedError();
    }
    if (d->table.isEmpty()) {
        return {ErrNotUpdatable, QStringLiteral("the rows of this select cannot be added to")};
    }
    d->mode = Impl::Mode::Adding;
    d->pending = QVariantList(d->names.size());
    d->assigned.assign(size_t(d->names.size()), false);
    return DbError::none();
}

DbError Recordset::edit()
{
    if (!d->open) {
        return closedError();
    }
    if (d->table.isEmpty()) {
        return {ErrNotUpdatable, QStringLiteral("the rows of this select cannot be edited")};
    }
    if (d->bof || d->eof) {
        return {ErrNoCurrentRow, QStringLiteral("no current row")};
    }
    d->mode = Impl::Mode::Editing;
    d->pending = QVariantList(d->names.size());
    d->assigned.assign(size_t(d->names.size()), false);
    return DbError::none();
}

DbError Recordset::setField(const QString &column, const QVariant &value)
{
    if (!d->open) {
        return closedError();
    }
    if (d->mode == Impl::Mode::None) {
        return {ErrNotEditing, QStringLiteral("no row open for assignment")};
    }
    const int index = d->indexOf(column);
    if (index < 0) {
        return {ErrUnknownColumn, QStringLiteral("no such column: ") + column};
    }
    QVariant stored;
    if (const DbError error = d->toStored(index, value, &stored)) {
        return error;
    }
    d->pending[index] = stored;
    d->assigned[size_t(index)] = true;
    return DbError::none();
}

QVariant Recordset::field(const QString &column, DbError *error) const
{
    DbError ignored;
    DbError &result = error ? *error : ignored;
    result = DbError::none();
    if (!d->open) {
        result = closedError();
        return {};
    }
    const int index = d->indexOf(column);
    if (index < 0) {
        result = {ErrUnknownColumn, QStringLiteral("no such column: ") + column};
        return {};
    }
    if (d->mode != Impl::Mode::None && (d->mode == Impl::Mode::Adding || d->assigned[size_t(index)])) {
        return d->readValue(index, d->pending[index]);
    }
    if (d->bof || d->eof) {
        result = {ErrNoCurrentRow, QStringLiteral("no current row")};
        return {};
    }
    return d->readValue(index, d->rowValue(index));
}

DbError Recordset::update()
{
    if (!d->open) {
        return closedError();
    }
    if (d->mode == Impl::Mode::None) {
        return {ErrNotEditing, QStringLiteral("update without AddNew or Edit")};
    }
    if (const DbError error = d->write()) {
        return error; // the row stays open for assignment
    }
    if (d->mode == Impl::Mode::Editing) {
        for (size_t k = 0; k < d->assigned.size(); ++k) {
            if (d->assigned[k]) {
                d->row[qsizetype(k)] = d->pending[qsizetype(k)];
                d->undecoded[k] = false;
            }
        }
    }
    d->mode = Impl::Mode::None;
    return DbError::none();
}

void Recordset::close()
{
    if (!d || !d->open) {
        return;
    }
    d->open = false;
    d->mode = Impl::Mode::None;
    d->inserts.clear();
    d->updates.clear();
    d->select.finish();
    d->select = QSqlQuery();
    d->row.clear();
    d->pending.clear();
    d->db = QSqlDatabase();
}

} // namespace store
