#include "app/movetoserver.h"

#include "app/serverchoice.h"
#include "store/copies.h"
#include "store/engines.h"
#include "store/maintenance.h"

#include <QTemporaryDir>

namespace app {

namespace {

const store::Period kWholeCalendar{QDate(1, 1, 1), QDate(9999, 12, 31)};

CommandResult refused(const QString &why)
{
    return {1, why + QStringLiteral("\nサーバーへ移していません。データフォルダーのファイルは元のままです。\n")};
}

// The journal of a store, day by day, and its settings.
struct Contents
{
    QList<store::JournalRecord> days;
    std::optional<store::Settings> settings;
};

store::DbError readContents(store::Store &store, Contents &contents)
{
    if (store::DbError error = store.forEachRecord(kWholeCalendar, [&contents](const store::JournalRecord &record) {
            contents.days.append(record);
            return true;
        })) {
        return error;
    }
    return store.loadSettings(contents.settings);
}

bool sameRecord(const store::JournalRecord &a, const store::JournalRecord &b)
{
    return a.date == b.date && a.amounts == b.amounts && a.text == b.text;
}

// The first day whose record differs, or none when both hold the same.
std::optional<QDate> firstDifference(const Contents &from, const Contents &to)
{
    for (qsizetype i = 0; i < std::max(from.days.size(), to.days.size()); ++i) {
        if (i >= from.days.size() || i >= to.days.size() || !sameRecord(from.days[i], to.days[i])) {
            return i < from.days.size() ? from.days[i].date : to.days[i].date;
        }
    }
    return std::nullopt;
}

} // namespace

CommandResult moveToServerCommand(const QStringList &arguments, const QString &dataFolder)
{
    if (arguments.size() != 1) {
        return {2, QStringLiteral("使い方: zephra --move-to-server postgresql://利用者@ホスト/データベース\n")};
    }
    const ServerChoice server = serverFromAddress(arguments.at(0));
    if (server.refused()) {
        return {2, server.refusal + QLatin1Char('\n')};
    }
    const store::Location from = store::Location::inFolder(dataFolder);
    const store::Location to = store::Location::onServer(server.address);

    // The files are read through a checked copy of their own: the move reads
    // one state of them, and they are never opened for writing.
    const std::unique_ptr<store::Maintenance> files = store::makeMaintenance(from);
    if (!files->hasData()) {
        return refused(QStringLiteral("「%1」に業務日誌のファイルがありません。").arg(from.display()));
    }
    QTemporaryDir copy;
    qint64 records = 0;
    store::CopyCheck check;
    if (!copy.isValid()) {
        return refused(QStringLiteral("作業用のフォルダーを作成できません。"));
    }
    if (const store::DbError error = files->copyTo(copy.path(), records)) {
        return refused(QStringLiteral("データファイルを読めませんでした。") + store::describeForUser(error));
    }
    if (const store::DbError error = store::checkCopy(copy.path(), check)) {
        return refused(QStringLiteral("データファイルを確かめると、正しくありませんでした。") +
                       store::describeForUser(error));
    }

    // The server: its empty tables made when there are none, refused when it
    // holds a journal or settings already.
    if (store::dataParts(to).none()) {
        if (const store::Creation made = store::createEmptyData(to); made.error) {
            return refused(QStringLiteral("サーバー（%1）に表を作成できませんでした。").arg(to.display()) +
                           store::describeForUser(made.error));
        }
    }
    const std::unique_ptr<store::Store> target = store::makeStore(to);
    if (const auto failure = target->open(to)) {
        return refused(QStringLiteral("サーバー（%1）のデータを開けませんでした。").arg(to.display()) +
                       store::describeForUser(failure->error));
    }
    qint64 held = 0;
    std::optional<store::Settings> heldSettings;
    store::DbError heldError = target->countRecords(held);
    if (!heldError) {
        heldError = target->loadSettings(heldSettings);
    }
    if (const store::DbError &error = heldError) {
        return refused(QStringLiteral("サーバーのデータを読めませんでした。") + store::describeForUser(error));
    }
    if (held > 0 || heldSettings) {
        return refused(QStringLiteral("サーバー（%1）には既に業務日誌があります（%2 日分）。空のデータベースを指定して"
                                      "ください。")
                           .arg(to.display())
                           .arg(held));
    }
    // One transaction on the server: the journal, the settings and the hints
    // are all there afterwards, or none of them.
    if (const store::DbError error = target->restoreFrom(copy.path())) {
        return refused(QStringLiteral("サーバーへ書き込めませんでした。サーバーのデータは空のままです。") +
                       store::describeForUser(error));
    }

    // Read back from the server and compared with the files, day by day.
    const std::unique_ptr<store::Store> source = store::makeStore(store::Location::inFolder(copy.path()));
    Contents local;
    Contents moved;
    if (const auto failure = source->open(store::Location::inFolder(copy.path()))) {
        return {1, QStringLiteral("移した後で、元のデータを読み直せませんでした。") +
                       store::describeForUser(failure->error) + QLatin1Char('\n')};
    }
    store::DbError readError = readContents(*source, local);
    if (!readError) {
        readError = readContents(*target, moved);
    }
    if (const store::DbError &error = readError) {
        return {1, QStringLiteral("移した後で、データを読み直せませんでした。") + store::describeForUser(error) +
                       QLatin1Char('\n')};
    }
    if (const std::optional<QDate> differs = firstDifference(local, moved);
        differs || local.settings != moved.settings) {
        return {1, QStringLiteral("サーバーへ移したデータが元のデータと一致しません（%1）。サーバーのデータを使わずに、"
                                  "データフォルダーのファイルで続けてください。\n")
                       .arg(differs ? differs->toString(QStringLiteral("yyyy/MM/dd")) : QStringLiteral("設定"))};
    }
    return {0, QStringLiteral("サーバーへ移しました（%1 日分、最後の日付 %2）。\n  サーバー: %3\n"
                              "  データフォルダーのファイルは元のままです。各 PC の server.conf にサーバーを"
                              "書くと、次の起動からサーバーを使います。\n")
                   .arg(local.days.size())
                   .arg(check.newestDay.isValid() ? check.newestDay.toString(QStringLiteral("yyyy/MM/dd"))
                                                  : QStringLiteral("なし"))
                   .arg(to.display())};
}

} // namespace app
