// Closing the program after a write on the hundred years: the main window's
// shutdown with the copy it then makes (the store closed, a checked copy of
// both files, the thinning), against the shutdown without a write followed by
// the same checked copy made on its own. Closing with a copy should cost no
// more than the two.

#include "backup/backups.h"
#include "centurydata.h"
#include "figure.h"
#include "yespresenter.h"

#include "app/mainwindow.h"
#include "app/session.h"
#include "support/fakes.h"
#include "support/fixedclock.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace bench {

namespace {

// A main window started on its own copy of the hundred years.
struct StartedWindow
{
    explicit StartedWindow(const QString &programFolder)
        : window(session, app::Services{presenter, colours, urls, ender, clock})
    {
        started = !window.start(programFolder).has_value();
    }

    YesPresenter presenter;
    testsupport::ScriptedColours colours;
    testsupport::RecordingUrls urls;
    testsupport::CountingEnder ender;
    testsupport::FixedClock clock{QDate(2025, 12, 31)};
    app::Session session;
    app::MainWindow window;
    bool started = false;
};

class CloseFigure final : public Figure
{
public:
    using Figure::Figure;

    QString name() const override { return QStringLiteral("close-100y"); }
    double limit() const override { return 1.1; }
    QString subjectName() const override { return QStringLiteral("close-after-write"); }
    QString floorName() const override { return QStringLiteral("close+make-copy"); }
    int iterations() const override { return 3; }

    void runSubject(benchmark::State &state) override
    {
        for (auto _ : state) {
            state.PauseTiming();
            auto started = startOnACopy(state);
            const bool wrote =
                started && !started->session.store().saveDay(
                               {QDate(2025, 12, 31), {1, 2, 3, 4}, QStringLiteral("閉じる前の記録"), {}});
            state.ResumeTiming();
            if (!wrote) {
                fail(state, QStringLiteral("the window did not start or write"));
                return;
            }
            started->window.close();
            state.PauseTiming();
            const QList<backup::CopyEntry> copies = backup::listCopies(started->window.backups()->backupFolder());
            const bool copied = copies.size() == 1 && copies.first().name.kind == backup::CopyKind::Exit;
            const int notices = started->presenter.notices;
            started.reset();
            state.ResumeTiming();
            if (!copied || notices > 0) {
                fail(state, QStringLiteral("closing after a write left no copy of its own"));
                return;
            }
        }
    }

    void runFloor(benchmark::State &state) override
    {
        for (auto _ : state) {
            state.PauseTiming();
            auto started = startOnACopy(state);
            state.ResumeTiming();
            if (!started) {
                fail(state, QStringLiteral("the window did not start"));
                return;
            }
            started->window.close();
            const QString data = started->session.dataFolder();
            const backup::MadeCopy made =
                backup::makeCopy(store::Location::inFolder(data), QDir(data).filePath(QStringLiteral("backup")),
                                 backup::CopyKind::Exit, QDateTime::currentDateTime());
            state.PauseTiming();
            started.reset();
            state.ResumeTiming();
            if (made.failure) {
                fail(state, *made.failure);
                return;
            }
        }
    }

private:
    std::unique_ptr<StartedWindow> startOnACopy(benchmark::State &state)
    {
        if (!m_scratch) {
            m_scratch =
                std::make_unique<QTemporaryDir>(QDir(setting().scratchFolder).filePath(QStringLiteral("close-XXXXXX")));
        }
        // The previous round's program folder goes first, so the disk does not fill.
        if (!m_program.isEmpty()) {
            QDir(m_program).removeRecursively();
        }
        m_program = QDir(m_scratch->path()).filePath(QString::number(++m_runs));
        if (const QString error =
                copyDataFolder(setting().centuryFolder, QDir(m_program).filePath(QStringLiteral("data")));
            !error.isEmpty()) {
            fail(state, error);
            return nullptr;
        }
        auto started = std::make_unique<StartedWindow>(m_program);
        return started->started ? std::move(started) : nullptr;
    }

    std::unique_ptr<QTemporaryDir> m_scratch;
    QString m_program;
    int m_runs = 0;
};

} // namespace

std::unique_ptr<Figure> makeCloseFigure(const Setting &setting)
{
    return std::make_unique<CloseFigure>(setting);
}

} // namespace bench
