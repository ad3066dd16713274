#include "app/application.h"

#include "app/backupcommands.h"
#include "app/commandline.h"
#include "app/datafolder.h"
#include "app/exportcommand.h"
#include "app/importcsvcommand.h"
#include "app/initdata.h"
#include "app/legacystartup.h"
#include "app/mainwindow.h"
#include "app/movetoserver.h"
#include "app/serverchoice.h"
#include "app/session.h"
#include "common/clock.h"
#include "common/datalock.h"
#include "journal/journalpage.h"
#include "store/engines.h"
#include "ui/amountbox.h"
#include "ui/colourdialog.h"
#include "ui/datebox.h"
#include "ui/messagebox.h"
#include "ui/platform.h"
#include "ui/progressdialog.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QSettings>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>

namespace app {

namespace {

// The program's arguments as a verb reads them: --server is the program's, not the verb's.
QStringList verbArguments()
{
    return takeServerOption(QCoreApplication::arguments());
}

void printLine(const QString &text, FILE *stream)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

int runInitData(const QStringList &arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--init-data"));
    const QString folder = at + 1 < arguments.size() ? arguments.at(at + 1) : chooseDataFolder(dataHome().folder);
    const InitDataResult result = initData(folder);
    std::fputs(result.message.toLocal8Bit().constData(), result.exitStatus == 0 ? stdout : stderr);
    return result.exitStatus;
}

// The address follows the option; without it, the server chosen for the data folder.
int runInitServer(const QStringList &arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--init-server"));
    QString address = at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
    if (address.isEmpty()) {
        const ServerChoice chosen = chooseServer(chooseDataFolder(dataHome().folder));
        if (chosen.refused()) {
            printLine(chosen.refusal + QLatin1Char('\n'), stderr);
            return 2;
        }
        address = chosen.address;
    }
    if (address.isEmpty()) {
        printLine(QStringLiteral("zephra: --init-server の後に接続先（postgresql://利用者@ホスト/データベース）を"
                                 "書いてください。\n"),
                  stderr);
        return 2;
    }
    const InitDataResult result = initServer(address);
    printLine(result.message, result.exitStatus == 0 ? stdout : stderr);
    return result.exitStatus;
}

// Closes a window right after its first paint has been delivered.
class CloseWhenShown final : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, static_cast<QWidget *>(watched), &QWidget::close);
        }
        return false;
    }
};

// The benchmark's register at start: every question answered Yes, any other
// message counted as a failure.
class AnswersYes final : public common::MessagePresenter
{
public:
    common::Answer present(const common::MessageRequest &request) override
    {
        if (request.style.buttons == common::Buttons::YesNo) {
            return common::Answer::Yes;
        }
        ++notices;
        std::fprintf(stderr, "%s: %s\n", request.title.toLocal8Bit().constData(),
                     request.text.toLocal8Bit().constData());
        return common::Answer::Ok;
    }
    int notices = 0;
};

// Registers today on the journal page right after the window's first paint,
// says so once it is committed, then closes the window.
class RegisterWhenShown final : public QObject
{
public:
    RegisterWhenShown(MainWindow &window, AnswersYes &answers, QDate today)
        : m_window(window), m_answers(answers), m_today(today)
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] { registerToday(); });
        }
        return false;
    }

private:
    void registerToday()
    {
        journal::JournalPage *page = m_window.journalPage();
        auto *date = page->findChild<ui::DateBox *>(QStringLiteral("Dt日付"));
        auto *sales = page->findChild<ui::AmountBox *>(QStringLiteral("num売上額"));
        const qint64 amount = QTime::currentTime().msecsSinceStartOfDay();
        if (date && sales && date->setValue(m_today)) {
            sales->setValue(amount);
            page->save();
        }
        const bool committed = m_answers.notices == 0 && date && !date->value();
        if (committed) {
            std::printf("committed day=%s sales=%lld\n", m_today.toString(Qt::ISODate).toLatin1().constData(),
                        static_cast<long long>(amount));
            std::fflush(stdout);
        }
        m_window.close();
        QCoreApplication::exit(committed ? 0 : 1);
    }

    MainWindow &m_window;
    AnswersYes &m_answers;
    QDate m_today;
};

bool hasOption(int argc, char *argv[], const char *option)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0) {
            return true;
        }
    }
    return false;
}

// A verb that needs no window: its arguments are those after `option`. It
// holds the data folder's lock while it runs, as the window does, and says
// once when another program has the data open; it goes on all the same.
int runCommand(const QString &option,
               const std::function<CommandResult(const QStringList &, const QString &, const QDateTime &)> &command)
{
    QStringList arguments = verbArguments();
    arguments = arguments.mid(arguments.indexOf(option) + 1);
    const QString dataFolder = chooseDataFolder(dataHome().folder);
    if (const ServerChoice server = chooseServer(dataFolder); server.refused()) {
        printLine(server.refusal + QLatin1Char('\n'), stderr);
        return 2;
    }
    common::DataLock lock;
    if (holdDataLock(lock, dataFolder) == common::DataLock::Held::Elsewhere) {
        std::fputs(openElsewhereLine(dataFolder).toLocal8Bit().constData(), stderr);
    }
    const CommandResult result = command(arguments, dataFolder, QDateTime::currentDateTime());
    std::fputs(result.message.toLocal8Bit().constData(), result.exitStatus == 0 ? stdout : stderr);
    return result.exitStatus;
}

} // namespace

int run(int argc, char *argv[], OnceShown onceShown)
{
    // The reading child of --import-legacy: the two paths follow its option, standard output takes the frames.
    if (argc == 5 && std::strcmp(argv[2], "--read-jet") == 0 && hasOption(argc, argv, "--import-legacy")) {
        return legacy::runReaderChild(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    }
    QStringList words;
    for (int i = 0; i < argc; ++i) {
        words << QString::fromLocal8Bit(argv[i]);
    }
    const CommandLine line = readCommandLine(words, userLanguage());
    if (line.action == CommandLine::Action::Print || line.action == CommandLine::Action::Refuse) {
        std::fputs(line.text.toLocal8Bit().constData(), line.action == CommandLine::Action::Print ? stdout : stderr);
        return line.exitStatus;
    }
    if (line.serverGiven) {
        const ServerChoice server = serverFromAddress(line.server);
        if (server.refused()) {
            printLine(QStringLiteral("zephra: ") + server.refusal + QLatin1Char('\n'), stderr);
            return 2;
        }
        setServerForRun(server.address);
    }
    const auto verbIs = [&line](const char *option) { return line.verb == QLatin1String(option); };
    if (verbIs("--init-data")) {
        // No window is needed to make the files, so no display either.
        QCoreApplication application(argc, argv);
        return runInitData(verbArguments());
    }
    if (verbIs("--init-server")) {
        QCoreApplication application(argc, argv);
        return runInitServer(verbArguments());
    }
    for (const char *verb : {"--backup", "--restore"}) {
        if (verbIs(verb)) {
            QCoreApplication application(argc, argv);
            return runCommand(QString::fromLatin1(verb),
                              std::strcmp(verb, "--backup") == 0 ? backupCommand : restoreCommand);
        }
    }
    if (verbIs("--move-to-server")) {
        QCoreApplication application(argc, argv);
        return runCommand(QStringLiteral("--move-to-server"),
                          [](const QStringList &arguments, const QString &dataFolder, const QDateTime &) {
                              return moveToServerCommand(arguments, dataFolder);
                          });
    }
    if (verbIs("--export")) {
        QCoreApplication application(argc, argv);
        return runCommand(QStringLiteral("--export"),
                          [](const QStringList &arguments, const QString &dataFolder, const QDateTime &) {
                              return exportCommand(arguments, dataFolder);
                          });
    }
    if (verbIs("--import-csv")) {
        QCoreApplication application(argc, argv);
        return runCommand(QStringLiteral("--import-csv"),
                          [](const QStringList &arguments, const QString &dataFolder, const QDateTime &) {
                              return importCsvCommand(arguments, dataFolder);
                          });
    }
    if (verbIs("--import-legacy")) {
        QCoreApplication application(argc, argv);
        return runCommand(legacy::kImportLegacyOption,
                          [](const QStringList &arguments, const QString &dataFolder, const QDateTime &now) {
                              return importLegacyCommand(arguments, dataFolder, legacy::ownReader(), now);
                          });
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zephra"));

    ui::installJapaneseTranslations(application);
    ui::useScreenFont();

    ui::QtMessagePresenter presenter;
    AnswersYes answersYes;
    ui::QtColourChooser colours;
    ui::DesktopUrlOpener urls;
    ui::ApplicationProcessEnder ender;
    common::SystemClock clock;
    const bool registering = onceShown == OnceShown::RegisterThenClose;
    const Services services{registering ? static_cast<common::MessagePresenter &>(answersYes) : presenter, colours,
                            urls, ender, clock};

    // The earlier version's files in the data folder are converted first, when the user agrees.
    ui::ProgressDialog progress;
    const DataHome home = dataHome();
    if (const ServerChoice server = chooseServer(chooseDataFolder(home.folder)); server.refused()) {
        common::Msg(presenter).showFailure(startupFailureTitle(), server.refusal);
        return 2;
    }
    const ConversionAtStart conversion = offerLegacyConversion(chooseDataFolder(home.folder), presenter, progress,
                                                               legacy::ownReader(), QDateTime::currentDateTime());
    if (conversion.outcome == ConversionAtStart::Outcome::Declined) {
        return 0;
    }
    if (conversion.outcome == ConversionAtStart::Outcome::Failed) {
        return 1;
    }

    if (common::Msg msg(presenter); !makeDataOnFirstStart(home, msg)) {
        return 2;
    }

    Session session(store::makeStore(dataLocation(chooseDataFolder(home.folder))));
    MainWindow window(session, services);
    // The window's size is the user's own, kept with the user's configuration
    // (not in the data folder, which several users may share).
    QSettings windowSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("zephra"),
                             QStringLiteral("window"));
    window.rememberSizeIn(&windowSettings);
    presenter.setParent(&window);
    // The window opens the data folder of the home as it would the program's own.
    if (const auto failure = window.start(home.folder)) {
        presenter.setParent(nullptr);
        common::Msg(presenter).showFailure(
            startupFailureTitle(),
            startupFailureText(*failure, session.location(), QCoreApplication::applicationFilePath()));
        return 2;
    }
    if (conversion.newestDay.isValid()) {
        window.showDayOfTotals(conversion.newestDay);
    }
    CloseWhenShown closer;
    RegisterWhenShown registerer(window, answersYes, clock.today());
    if (onceShown == OnceShown::Close) {
        window.installEventFilter(&closer);
    } else if (registering) {
        window.installEventFilter(&registerer);
    }
    window.show();
    return QApplication::exec();
}

} // namespace app
