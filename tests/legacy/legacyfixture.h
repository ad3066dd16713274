#pragma once
// The earlier version's test files: copies to work on, what expected.json says
// they hold, and the import report read back.

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace testsupport {

inline QString fixtureFolder(const QString &set)
{
    return QStringLiteral(ZEPHRA_LEGACY_FIXTURES "/") + set;
}

inline QJsonObject expectedOf(const QString &set)
{
    QFile file(fixtureFolder(set) + QStringLiteral("/expected.json"));
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
}

// Copies the set's two files into `folder` (made when missing), writable.
inline bool copyFixture(const QString &set, const QString &folder)
{
    QDir().mkpath(folder);
    for (const QString &name : {QStringLiteral("VelmoraA.mdb"), QStringLiteral("VelmoraAWork.mdb")}) {
        const QString target = QDir(folder).filePath(name);
        if (!QFile::copy(fixtureFolder(set) + QLatin1Char('/') + name, target) ||
            !QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner)) {
            return false;
        }
    }
    return true;
}

inline QByteArray sha256Of(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

// The fields of a CSV file written by RFC 4180's rules; the byte-order mark
// must be there.
inline QList<QStringList> readCsv(const QString &path, bool *hadBom = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.readAll();
    const bool bom = bytes.startsWith("\xEF\xBB\xBF");
    if (hadBom) {
        *hadBom = bom;
    }
    const QString text = QString::fromUtf8(bom ? bytes.mid(3) : bytes);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row.append(field);
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            row.append(field);
            rows.append(row);
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty()) {
        row.append(field); // a last row without its CRLF: kept, and seen by the caller's check
        rows.append(row);
    }
    return rows;
}

} // namespace testsupport
