#include "app/serverchoice.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QUrl>

namespace app {

namespace {

QString &serverForRun()
{
    static QString address;
    return address;
}

// `where` ends with the particle: "接続先に", "…/server.conf に".
QString passwordRefusal(const QString &where)
{
    return QStringLiteral("%1パスワードが書かれています。パスワードは書かずに、~/.pgpass（Windows では "
                          "%APPDATA%\\postgresql\\pgpass.conf）か環境変数 PGPASSWORD に置いてください。")
        .arg(where);
}

bool isPasswordKey(const QString &key)
{
    return key.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0;
}

QString encoded(const QString &part)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(part));
}

} // namespace

ServerChoice serverFromAddress(const QString &address)
{
    const QString trimmed = address.trimmed();
    const qsizetype schemeEnd = trimmed.indexOf(QLatin1String("://"));
    const QString scheme = trimmed.left(schemeEnd).toLower();
    if (schemeEnd < 0 || (scheme != QLatin1String("postgresql") && scheme != QLatin1String("postgres"))) {
        return {{},
                QStringLiteral("「%1」は PostgreSQL の接続先ではありません。"
                               "postgresql://利用者@ホスト:ポート/データベース の形で書いてください。")
                    .arg(address)};
    }
    const QString rest = trimmed.mid(schemeEnd + 3);
    const QString authority = rest.left(rest.indexOf(QRegularExpression(QStringLiteral("[/?]"))));
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    bool password = at >= 0 && authority.left(at).contains(QLatin1Char(':'));
    const qsizetype query = rest.indexOf(QLatin1Char('?'));
    if (query >= 0) {
        for (const QString &parameter : rest.mid(query + 1).split(QLatin1Char('&'))) {
            password = password ||
                       isPasswordKey(QUrl::fromPercentEncoding(parameter.section(QLatin1Char('='), 0, 0).toUtf8()));
        }
    }
    if (password) {
        return {{}, passwordRefusal(QStringLiteral("接続先に"))};
    }
    return {trimmed, {}};
}

ServerChoice serverFromFile(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        return {{}, QStringLiteral("%1 を読めませんでした。").arg(shown)};
    }
    static const QStringList known{QStringLiteral("host"), QStringLiteral("port"), QStringLiteral("database"),
                                   QStringLiteral("user"), QStringLiteral("sslmode")};
    QString refusal;
    QStringList unknown;
    for (const QString &key : ini.allKeys()) {
        const QString name = key.section(QLatin1Char('/'), -1);
        if (isPasswordKey(name)) {
            refusal = passwordRefusal(shown + QStringLiteral(" に"));
        } else if (!known.contains(key)) {
            unknown << key;
        }
    }
    const QString host = ini.value(QStringLiteral("host")).toString().trimmed();
    const QString port = ini.value(QStringLiteral("port")).toString().trimmed();
    const QString database = ini.value(QStringLiteral("database")).toString().trimmed();
    const QString user = ini.value(QStringLiteral("user")).toString().trimmed();
    const QString sslmode = ini.value(QStringLiteral("sslmode")).toString().trimmed();

    static const QStringList sslmodes{QStringLiteral("disable"),   QStringLiteral("allow"),
                                      QStringLiteral("prefer"),    QStringLiteral("require"),
                                      QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    bool portOk = true;
    const int portNumber = port.toInt(&portOk);
    if (!refusal.isEmpty()) {
        // The password is refused above all else: it must leave the file.
    } else if (!unknown.isEmpty()) {
        refusal = QStringLiteral("%1 の「%2」は分かりません。書けるのは host, port, database, user, sslmode です。")
                      .arg(shown, unknown.join(QStringLiteral("」「")));
    } else if (host.isEmpty() || database.isEmpty()) {
        refusal =
            QStringLiteral("%1 に host（サーバー）と database（データベース）の両方を書いてください。").arg(shown);
    } else if (!port.isEmpty() && (!portOk || portNumber < 1 || portNumber > 65535)) {
        refusal = QStringLiteral("%1 の port「%2」はポート番号ではありません。").arg(shown, port);
    } else if (!sslmode.isEmpty() && !sslmodes.contains(sslmode)) {
        refusal = QStringLiteral("%1 の sslmode「%2」は使えません。使えるのは %3 です。")
                      .arg(shown, sslmode, sslmodes.join(QStringLiteral(", ")));
    }

    // A socket folder is no host name: it goes into the parameters.
    const bool socket = host.startsWith(QLatin1Char('/'));
    QString address = QStringLiteral("postgresql://");
    if (!user.isEmpty()) {
        address += encoded(user) + QLatin1Char('@');
    }
    if (!socket) {
        address += host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : encoded(host);
        if (!port.isEmpty()) {
            address += QLatin1Char(':') + port;
        }
    }
    address += QLatin1Char('/') + encoded(database);
    QStringList parameters;
    if (socket) {
        parameters << QStringLiteral("host=") + encoded(host);
        if (!port.isEmpty()) {
            parameters << QStringLiteral("port=") + port;
        }
    }
    if (!sslmode.isEmpty()) {
        parameters << QStringLiteral("sslmode=") + sslmode;
    }
    if (!parameters.isEmpty()) {
        address += QLatin1Char('?') + parameters.join(QLatin1Char('&'));
    }
    return {address, refusal};
}

ServerChoice chooseServer(const QString &dataFolder)
{
    if (!serverForRun().isEmpty()) {
        return serverFromAddress(serverForRun());
    }
    const QString path = QDir(dataFolder).filePath(QString::fromLatin1(kServerFileName));
    if (!QFileInfo(path).isFile()) {
        return {};
    }
    return serverFromFile(path);
}

void setServerForRun(const QString &address)
{
    serverForRun() = address;
}

} // namespace app
