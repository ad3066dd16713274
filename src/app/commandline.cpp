#include "app/commandline.h"

#include <QCommandLineParser>
#include <QLocale>
#include <QProcessEnvironment>

namespace app {

namespace {

// Options that QApplication takes for itself; they reach the parser before
// the application object removes them.
const char *const kQtValueOptions[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry", "qwindowicon", "qwindowtitle",
    "style",    "stylesheet",         "session",       "display", "geometry"};
const char *const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

bool japanese(Language language)
{
    return language == Language::Japanese;
}

// The argument as typed that the parser reported as `name` (no dashes, no value).
QString typedOption(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments.mid(1)) {
        if (!argument.startsWith(QLatin1Char('-'))) {
            continue;
        }
        QString bare = argument.section(QLatin1Char('='), 0, 0);
        const QString typed = bare;
        while (bare.startsWith(QLatin1Char('-'))) {
            bare.remove(0, 1);
        }
        if (bare == name) {
            return typed;
        }
    }
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

Language languageOf(const QString &lcAll, const QString &lcMessages, const QString &lang)
{
    // POSIX order: the first variable set decides the messages' language.
    const QString chosen = !lcAll.isEmpty() ? lcAll : !lcMessages.isEmpty() ? lcMessages : lang;
    if (chosen.startsWith(QLatin1String("ja"))) {
        return Language::Japanese;
    }
    return QLocale::system().language() == QLocale::Japanese ? Language::Japanese : Language::English;
}

Language userLanguage()
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    return languageOf(environment.value(QStringLiteral("LC_ALL")), environment.value(QStringLiteral("LC_MESSAGES")),
                      environment.value(QStringLiteral("LANG")));
}

QStringList takeServerOption(const QStringList &arguments, ServerOption *option)
{
    ServerOption found;
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (i > 0 && argument == QLatin1String("--server")) {
            found.given = true;
            if (i + 1 < arguments.size()) {
                found.address = arguments.at(++i);
            }
        } else if (i > 0 && argument.startsWith(QLatin1String("--server="))) {
            found = {true, argument.mid(9)};
        } else {
            rest << argument;
        }
    }
    if (option) {
        *option = found;
    }
    return rest;
}

const std::vector<Verb> &verbs()
{
    static const std::vector<Verb> all = {
        {QStringLiteral("--init-data"), QStringLiteral("[フォルダー]"), QStringLiteral("[FOLDER]"),
         QStringLiteral("データフォルダー（またはフォルダー）に空の業務日誌のファイルを作ります。"),
         QStringLiteral("Creates the empty journal files in the data folder (or FOLDER).")},
        {QStringLiteral("--init-server"), QStringLiteral("接続先"), QStringLiteral("ADDRESS"),
         QStringLiteral("空のデータベース（postgresql://利用者@ホスト/データベース）に業務日誌の表を作ります。"),
         QStringLiteral("Creates the journal's tables in the empty database at ADDRESS "
                        "(postgresql://user@host/database).")},
        {QStringLiteral("--move-to-server"), QStringLiteral("接続先"), QStringLiteral("ADDRESS"),
         QStringLiteral(
             "データフォルダーの業務日誌・設定・ヒントを、空のデータベースへ移します（ファイルは変えません）。"),
         QStringLiteral("Moves the data folder's journal, settings and hints onto the empty database at ADDRESS "
                        "(the files are not changed).")},
        {QStringLiteral("--backup"), QStringLiteral("[控えを置くフォルダー]"), QStringLiteral("[FOLDER]"),
         QStringLiteral("業務日誌・設定・ヒントの控えを作ります（既定はデータフォルダーの backup）。"),
         QStringLiteral("Makes a copy of the journal, settings and hints (in the data folder's backup unless "
                        "FOLDER is given).")},
        {QStringLiteral("--restore"), QStringLiteral("控えのフォルダー"), QStringLiteral("COPY"),
         QStringLiteral("控えの内容で今のデータを置き換えます。"),
         QStringLiteral("Replaces the data with the copy in COPY.")},
        {QStringLiteral("--export"),
         QStringLiteral("ファイル --from 日付 --to 日付 [--format csv|xlsx] [--encoding utf8|cp932] [--totals] "
                        "[--overwrite]"),
         QStringLiteral("FILE --from DATE --to DATE [--format csv|xlsx] [--encoding utf8|cp932] [--totals] "
                        "[--overwrite]"),
         QStringLiteral("期間の業務日誌（--totals では集計）を CSV か Excel のファイルに書き出します。"),
         QStringLiteral("Writes the journal of a period (its totals with --totals) to a CSV or Excel file.")},
        {QStringLiteral("--import-csv"),
         QStringLiteral("ファイル [--layout 名前] [--encoding utf8|cp932] [--existing keep|replace|add] [--replace] "
                        "[--skip-refused] [--preview]"),
         QStringLiteral("FILE [--layout NAME] [--encoding utf8|cp932] [--existing keep|replace|add] [--replace] "
                        "[--skip-refused] [--preview]"),
         QStringLiteral("CSV ファイルの業務日誌を取り込みます（銀行の明細などは保存したレイアウトで）。"),
         QStringLiteral("Imports journal days from a CSV file (a bank statement through a kept layout).")},
        {QStringLiteral("--import-legacy"), QStringLiteral("以前の版のフォルダー [データフォルダー]"),
         QStringLiteral("OLD_FOLDER [DATA_FOLDER]"), QStringLiteral("以前の版のファイルを変換して取り込みます。"),
         QStringLiteral("Converts the files of the earlier version into the data folder.")},
    };
    return all;
}

QString versionText()
{
    return QStringLiteral("zephra " ZEPHRA_VERSION "\n");
}

QString helpText(Language language)
{
    const bool ja = japanese(language);
    QString text = ja ? QStringLiteral("使い方: zephra [オプション]\n"
                                       "オプションを付けなければ、業務日誌の画面を開きます。\n\nオプション:\n")
                      : QStringLiteral("Usage: zephra [option]\n"
                                       "Without an option, the journal's window opens.\n\nOptions:\n");
    const auto entry = [&text](const QString &synopsis, const QString &description) {
        text += QStringLiteral("  ") + synopsis + QStringLiteral("\n      ") + description + QLatin1Char('\n');
    };
    for (const Verb &verb : verbs()) {
        entry(verb.option + QLatin1Char(' ') + (ja ? verb.japaneseArguments : verb.englishArguments),
              ja ? verb.japanese : verb.english);
    }
    entry(ja ? QStringLiteral("--server 接続先") : QStringLiteral("--server ADDRESS"),
          ja ? QStringLiteral("この回だけ、data/server.conf の代わりに接続先のデータベースを使います"
                              "（画面でもどのオプションでも）。")
             : QStringLiteral("Uses the database at ADDRESS for this run instead of data/server.conf "
                              "(the window and every option)."));
    entry(QStringLiteral("-h, --help"),
          ja ? QStringLiteral("この説明を表示します。") : QStringLiteral("Shows this help."));
    entry(QStringLiteral("-v, --version"),
          ja ? QStringLiteral("版を表示します。") : QStringLiteral("Shows the version."));
    return text;
}

namespace {

// Reads a command line that holds no --server.
CommandLine readWithoutServer(const QStringList &arguments, Language language)
{
    QCommandLineParser parser;
    // -platform and the other options of Qt are single-dash words.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const Verb &verb : verbs()) {
        parser.addOption(QCommandLineOption(verb.option.mid(2)));
    }
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    for (const char *name : kQtValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : kQtFlagOptions) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    const bool parsed = parser.parse(arguments);

    // A verb's own options and mistakes are the verb's to answer.
    for (const Verb &verb : verbs()) {
        if (parser.isSet(verb.option.mid(2))) {
            return {CommandLine::Action::RunVerb, verb.option, {}, 0};
        }
    }
    const bool ja = japanese(language);
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString option = typedOption(arguments, parser.unknownOptionNames().constFirst());
        return {CommandLine::Action::Refuse,
                {},
                ja ? QStringLiteral("zephra: 「%1」というオプションはありません。\n"
                                    "使い方は zephra --help で表示します。\n")
                         .arg(option)
                   : QStringLiteral("zephra: unknown option '%1'.\nRun zephra --help for the usage.\n").arg(option),
                2};
    }
    if (!parsed) {
        // An option of Qt's without its value.
        return {CommandLine::Action::Refuse,
                {},
                (ja ? QStringLiteral("zephra: オプションの書き方が違います（%1）。\n") : QStringLiteral("zephra: %1\n"))
                    .arg(parser.errorText()),
                2};
    }
    if (parser.isSet(help)) {
        return {CommandLine::Action::Print, {}, helpText(language), 0};
    }
    if (parser.isSet(version)) {
        return {CommandLine::Action::Print, {}, versionText(), 0};
    }
    return {};
}

} // namespace

CommandLine readCommandLine(const QStringList &typed, Language language)
{
    ServerOption server;
    const QStringList arguments = takeServerOption(typed, &server);
    const bool ja = japanese(language);
    if (server.given && server.address.isEmpty()) {
        return {CommandLine::Action::Refuse,
                {},
                ja ? QStringLiteral("zephra: --server の後に接続先（postgresql://利用者@ホスト/データベース）を"
                                    "書いてください。\n")
                   : QStringLiteral("zephra: --server needs an address (postgresql://user@host/database).\n"),
                2};
    }
    CommandLine line = readWithoutServer(arguments, language);
    line.serverGiven = server.given;
    line.server = server.address;
    return line;
}

} // namespace app
