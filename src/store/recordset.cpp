#include "store/recordset.h"

#include "store/database.h"
#include "store/dialect.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <vector>

namespace store {

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

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString quotedIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

DbError closedError()
{
    return {ErrClosed, QStringLiteral("recordset not open")};
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
    QVariant rowid;

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

    void fetch()
    {
        if (select.next()) {
            for (qsizetype k = 0; k < names.size(); ++k) {
                row[k] = select.value(int(k) + firstColumn);
            }
            if (firstColumn > 0) {
                rowid = select.value(0);
            }
            eof = false;
            return;
        }
        eof = true;
        if (select.lastError().isValid()) {
            moveError = fromSqlError(select.lastError());
        }
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
        int position = 0;
        for (size_t k = 0; k < assigned.size(); ++k) {
            if (assigned[k]) {
                query->bindValue(position++, pending[qsizetype(k)]);
            }
        }
        if (!insert) {
            query->bindValue(position, rowid);
        }
        if (!query->exec()) {
            return fromSqlError(query->lastError());
        }
        if (!insert && query->numRowsAffected() != 1) {
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
        return impl->select.prepare(statement) && impl->select.exec();
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

    const QSqlRecord record = impl->select.record();
    for (int k = impl->firstColumn; k < record.count(); ++k) {
        impl->names.append(record.fieldName(k));
        ColumnKind kind = ColumnKind::Other;
        if (!impl->table.isEmpty()) {
            for (const TableColumn &column : columns) {
                if (sameName(column.name, record.fieldName(k))) {
                    kind = kindOf(column.declaredType);
                    break;
                }
            }
        }
        impl->kinds.push_back(kind);
    }
    impl->row = QVariantList(impl->names.size());

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
    if (!d->select.exec()) {
        d->moveError = fromSqlError(d->select.lastError());
        d->bof = d->eof = true;
        return;
    }
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
    return d->readValue(index, d->row[index]);
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
