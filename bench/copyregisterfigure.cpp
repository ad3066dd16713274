// Registering through the journal page while the day's automatic copy of the
// same journal runs on a thread of its own (as the program's backup keeper
// runs it, at low priority, one copy after another for as long as the
// registers last), against the same registers through the journal page on
// the same data with no copy running. Every register must go through without
// a notice, and every copy must be made.

#include "backup/backups.h"
#include "centurydata.h"
#include "figure.h"
#include "registrar.h"

#include "store/store.h"

#include <QDateTime>
#include <QDir>
#include <QThread>

#include <algorithm>
#include <atomic>

namespace bench {

namespace {

class CopyRegisterFigure final : public Figure
{
public:
    using Figure::Figure;

    QString name() const override { return QStringLiteral("register-during-copy"); }
    double limit() const override { return 2.0; }
    QString subjectName() const override { return QStringLiteral("register+copy"); }
    QString floorName() const override { return QStringLiteral("register-alone"); }
    int iterations() const override { return 40; }

    void runSubject(benchmark::State &state) override
    {
        QString folder;
        if (!prepare(m_subject, QStringLiteral("subject"), state, &folder)) {
            return;
        }
        const QString backups = QDir::cleanPath(QDir(folder).filePath(QStringLiteral("../copies")));
        QDir().mkpath(backups);
        std::atomic<bool> stop = false;
        int copies = 0;
        QString copyFailure;
        // One copy after another, each removed once made, until the registers end.
        QThread *copier = QThread::create([&] {
            const QDateTime start(QDate(2026, 12, 7), QTime(21, 5, 9));
            while (!stop && copyFailure.isEmpty()) {
                const backup::MadeCopy made = backup::makeCopy(store::Location::inFolder(folder), backups,
                                                               backup::CopyKind::Daily, start.addSecs(copies));
                if (made.failure) {
                    copyFailure = *made.failure;
                } else if (made.check.records != data().records) {
                    copyFailure = QStringLiteral("a copy holds %1 records").arg(made.check.records);
                } else {
                    ++copies;
                }
                QDir(made.path).removeRecursively();
            }
        });
        copier->start(QThread::LowPriority);
        for (auto _ : state) {
            m_subject->registerNext();
        }
        stop = true;
        copier->wait();
        delete copier;
        if (const QString trouble = m_subject->trouble(); !trouble.isEmpty()) {
            fail(state, trouble);
        } else if (!copyFailure.isEmpty()) {
            fail(state, QStringLiteral("the copy failed: ") + copyFailure);
        }
        state.counters["copies"] = copies;
    }

    void runFloor(benchmark::State &state) override
    {
        if (!prepare(m_floor, QStringLiteral("floor"), state)) {
            return;
        }
        for (auto _ : state) {
            m_floor->registerNext();
        }
        if (const QString trouble = m_floor->trouble(); !trouble.isEmpty()) {
            fail(state, trouble);
        }
    }

private:
    bool prepare(std::unique_ptr<Registrar> &registrar, const QString &side, benchmark::State &state,
                 QString *folder = nullptr)
    {
        if (registrar) {
            if (folder) {
                *folder = m_subjectFolder;
            }
            return true;
        }
        QString copy;
        auto store = openDataCopy(side, state, &copy);
        if (!store) {
            return false;
        }
        registrar = std::make_unique<Registrar>(std::move(store), data());
        if (!registrar->complete()) {
            registrar.reset();
            fail(state, QStringLiteral("the journal page has no amount or memo box"));
            return false;
        }
        if (folder) {
            m_subjectFolder = copy;
            *folder = copy;
        }
        return true;
    }

    std::unique_ptr<Registrar> m_subject;
    std::unique_ptr<Registrar> m_floor;
    QString m_subjectFolder;
};

} // namespace

std::unique_ptr<Figure> makeRegisterDuringCopyFigure(const Setting &setting)
{
    return std::make_unique<CopyRegisterFigure>(setting);
}

} // namespace bench
