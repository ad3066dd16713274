// Registering through the journal page while the day's automatic copy of the
// same journal runs on a thread of its own (as the program's backup keeper
// runs it, at low priority, one copy after another for as long as the
// registers last), against the same registers through the journal page on
// the same data with no copy running. Every register must go through without
// a notice, and every copy must be made.

#include "backup/backups.h"
#include "centurydata.h"
#include "figure.h"
#include "yespresenter.h"

#include "common/formats.h"
#include "journal/journalpage.h"
#include "store/store.h"
#include "support/fixedclock.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"
#include "ui/journaltextbox.h"

#include <QDateTime>
#include <QDir>
#include <QThread>

#include <algorithm>
#include <array>
#include <atomic>

namespace bench {

namespace {

// A journal page on its own copy of the data, registering day after day.
class Registrar
{
public:
    Registrar(std::unique_ptr<store::Store> store, const DataSet &data) : m_store(std::move(store)), m_data(data)
    {
        m_page = std::make_unique<journal::JournalPage>(*m_store, m_msg, m_clock);
        m_page->applyCalendarMode(common::kWestern, 2000);
        const char *boxes[] = {"num売上額", "num仕入額", "num入金額", "num出金額"};
        for (std::size_t k = 0; k < m_amounts.size(); ++k) {
            m_amounts[k] = m_page->findChild<ui::AmountBox *>(QString::fromUtf8(boxes[k]));
        }
        m_memo = m_page->findChild<ui::JournalTextBox *>(QStringLiteral("txtメモ"));
        m_date = m_page->findChild<ui::DateBox *>(QStringLiteral("Dt日付"));
    }
    ~Registrar() { m_page.reset(); }

    bool complete() const { return m_memo && m_date && std::count(m_amounts.cbegin(), m_amounts.cend(), nullptr) == 0; }

    void registerNext()
    {
        const qint64 n = m_count++;
        m_date->setValue(m_data.spreadDay(int(n)));
        const std::array<qint64, 4> amounts{123'456 + n % 1000, 65'432, 1'000 * (n % 7), 2'000};
        for (std::size_t k = 0; k < m_amounts.size(); ++k) {
            m_amounts[k]->setValue(amounts[k]);
        }
        m_memo->setText(memoOf(m_data, n % 64));
        m_page->save();
    }

    // Why the registers did not all go through; empty when they did.
    QString trouble() const
    {
        if (m_presenter.notices > 0) {
            return QStringLiteral("the page reported: ") + m_presenter.lastNotice;
        }
        return m_date->value() ? QStringLiteral("the page was not cleared after registering") : QString();
    }

    store::Store &store() { return *m_store; }

private:
    std::unique_ptr<store::Store> m_store;
    const DataSet &m_data;
    YesPresenter m_presenter;
    common::Msg m_msg{m_presenter};
    testsupport::FixedClock m_clock{QDate(2025, 12, 31)};
    std::unique_ptr<journal::JournalPage> m_page;
    std::array<ui::AmountBox *, 4> m_amounts{};
    ui::JournalTextBox *m_memo = nullptr;
    ui::DateBox *m_date = nullptr;
    qint64 m_count = 0;
};

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
