#pragma once
// The command line: which verb runs, or the help, the version or a refusal of an unknown option.

#include <QString>
#include <QStringList>

#include <vector>

namespace app {

// The language of what the command line itself prints (help, version, refusals).
enum class Language { Japanese, English };

// Japanese when the messages' locale variable (LC_ALL, else LC_MESSAGES, else
// LANG) names Japanese, or the system locale is Japanese; English otherwise.
Language languageOf(const QString &lcAll, const QString &lcMessages, const QString &lang);
Language userLanguage();

// A verb of the command line: it runs without the main window.
struct Verb
{
    QString option;            // "--export"
    QString japaneseArguments; // "ファイル --from 日付 …", for the help
    QString englishArguments;
    QString japanese; // what it does, for the help
    QString english;
};

// Every verb, in the order of precedence when a command line names several.
const std::vector<Verb> &verbs();

// What a command line asks for.
struct CommandLine
{
    enum class Action { Window, RunVerb, Print, Refuse };
    Action action = Action::Window;
    QString verb; // the option of the verb to run (RunVerb)
    QString text; // the help or version (Print, to stdout) or the refusal (Refuse, to stderr)
    int exitStatus = 0;
    bool serverGiven = false; // --server ADDRESS: the data on that server for this run
    QString server = {};
};

// `arguments` without `--server ADDRESS` (or `--server=ADDRESS`), wherever it
// stands: it is the window's option and every verb's alike. `given` tells
// whether it was there; `address` is empty when no address followed it.
struct ServerOption
{
    bool given = false;
    QString address;
};
QStringList takeServerOption(const QStringList &arguments, ServerOption *option = nullptr);

// Reads `arguments` (the program first). A verb parses the arguments after
// it itself and answers its own mistakes; without a verb, --help and
// --version print, and an unknown option is refused with status 2.
CommandLine readCommandLine(const QStringList &arguments, Language language);

QString helpText(Language language);
QString versionText();

} // namespace app
