#include "journal/journalcontroller.h"

#include "store/store.h"

namespace journal {

JournalController::JournalController(store::Store &store, common::Msg &msg, QObject *parent)
    : QObject(parent), m_store(store), m_msg(msg)
{}

void JournalController::read(const common::JournalValues &page)
{
    if (!page.date) {
        emit dateWanted();
        return;
    }
    std::optional<store::JournalRecord> record;
    store::Seen seen;
    if (const store::DbError error = m_store.readDay(*page.date, record, seen)) {
        // Without this notice an unreadable day would look like an empty one,
        // and a register that follows would overwrite it.
        m_msg.show(common::Prompt::ReadFailed, page.dateText +
                                                   QStringLiteral(" の業務日誌を読み込めませんでした。\n理由: ") +
                                                   store::describeForUser(error));
        return;
    }
    m_seen.insert(*page.date, seen);
    m_looking.remove(*page.date);
    if (record) {
        emit recordRead(*record);
    }
}

void JournalController::save(const common::JournalValues &page)
{
    if (!page.date) {
        m_msg.show(common::Prompt::Notice, QStringLiteral("日付を記入してください。"));
        emit dateWanted();
        return;
    }
    const QDate date = *page.date;
    if (!m_msg.show(common::Prompt::ConfirmRegister,
                    QStringLiteral(" ") + page.dateText + QStringLiteral(" の業務日誌"))) {
        return;
    }
    const store::JournalRecord record{date, {page.sales, page.purchases, page.moneyIn, page.moneyOut}, page.memo, {}};
    if (m_beforeWrite) {
        m_beforeWrite();
    }
    store::WriteOutcome outcome;
    store::DbError error = m_store.saveDay(record, store::Expected::as(seenOf(date)), outcome);
    if (error.kind == store::DbErrorKind::Changed) {
        // No: nothing written, and the page keeps everything the user typed.
        if (!common::askWriteOverChange(m_msg, outcome.change.removed, outcome.change.written)) {
            return;
        }
        error = m_store.saveDay(record, store::Expected::anything(), outcome);
    }
    if (error) {
        // The page keeps everything the user typed.
        m_msg.show(common::Prompt::RegisterFailed, page.dateText +
                                                       QStringLiteral(" の業務日誌は登録されていません。\n理由: ") +
                                                       store::describeForUser(error));
        return;
    }
    clear();
    m_seen.insert(date, outcome.now);
}

void JournalController::remove(const common::JournalValues &page)
{
    if (!page.date) {
        return;
    }
    const QDate date = *page.date;
    if (!m_msg.show(common::Prompt::ConfirmDelete, page.dateText + QStringLiteral(" の日誌"))) {
        return;
    }
    store::WriteOutcome outcome;
    store::DbError error = m_store.removeDay(date, store::Expected::as(seenOf(date)), outcome);
    if (error.kind == store::DbErrorKind::Changed) {
        if (outcome.change.removed) {
            error = {}; // removed elsewhere already: what was asked for
        } else if (!common::askWriteOverChange(m_msg, false, outcome.change.written)) {
            return;
        } else {
            error = m_store.removeDay(date, store::Expected::anything(), outcome);
        }
    }
    if (error) {
        m_msg.show(common::Prompt::DeleteFailed, page.dateText +
                                                     QStringLiteral(" の日誌は削除されていません。\n理由: ") +
                                                     store::describeForUser(error));
        return;
    }
    clear();
    m_seen.insert(date, store::Seen());
}

void JournalController::clear()
{
    m_seen.clear();
    m_looking.clear();
    emit cleared();
}

store::Seen JournalController::seenOf(QDate day)
{
    if (const store::SeenLater look = m_looking.take(day)) {
        // A failed look stays unknown.
        if (store::Seen seen; !look(seen)) {
            m_seen.insert(day, seen);
        }
    }
    return m_seen.value(day);
}

void JournalController::takeUpDay(std::optional<QDate> day)
{
    if (!day || m_seen.contains(*day) || m_looking.contains(*day)) {
        return;
    }
    // A day typed without 読込 is written over as it stands now; a change
    // made elsewhere after this is asked about. The answer is taken when a
    // write needs it; a failed look stays unknown, and a record there then
    // counts as added elsewhere.
    m_looking.insert(*day, m_store.lookUpDay(*day));
}

} // namespace journal
