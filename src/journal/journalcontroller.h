#pragma once
// The journal page's commands without its widgets: what 読込, 登録, 削除 and
// クリア ask, in which order, what they write, and what the page shows after.

#include "common/msg.h"
#include "common/pagevalues.h"
#include "store/records.h"
#include "store/store.h"

#include <QDate>
#include <QHash>
#include <QObject>

#include <functional>
#include <optional>

namespace journal {

class JournalController : public QObject
{
    Q_OBJECT
public:
    JournalController(store::Store &store, common::Msg &msg, QObject *parent = nullptr);

    // Runs before a record is written; the program waits there for a check
    // of the files that is still running.
    void setBeforeWrite(std::function<void()> beforeWrite) { m_beforeWrite = std::move(beforeWrite); }

    // 読込: the record of the page's day (recordRead); a day without a record
    // changes nothing, a page without a day wants one (dateWanted).
    void read(const common::JournalValues &page);
    // 登録: the page's values as the record of its day, after the question.
    // A record changed elsewhere since the page took up the day is written
    // over only when the user says so. Written, the page is cleared; refused
    // or failed, it keeps everything the user typed.
    void save(const common::JournalValues &page);
    // 削除: the record of the page's day, after the question; checked as 登録.
    void remove(const common::JournalValues &page);
    // クリア: forgets the days taken up; the page empty (cleared).
    void clear();
    // Notes how `day` stands in the files, when the page has not seen it yet:
    // what a write of the day then expects.
    void takeUpDay(std::optional<QDate> day);

signals:
    void recordRead(const store::JournalRecord &record);
    void cleared();
    void dateWanted(); // the command needs a day: the date box takes the focus

private:
    // What the page saw of `day`: none when it never looked (then a record
    // there counts as added elsewhere). A look still on its way is taken here.
    store::Seen seenOf(QDate day);

    store::Store &m_store;
    common::Msg &m_msg;
    std::function<void()> m_beforeWrite;
    // How each day the page has read, written or taken up since it was last
    // cleared stood then; a register or delete of the day expects it still so.
    QHash<QDate, store::Seen> m_seen;
    // The days taken up whose answer has not been taken yet.
    QHash<QDate, store::SeenLater> m_looking;
};

} // namespace journal
