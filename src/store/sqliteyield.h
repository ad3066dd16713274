#pragma once
// Inside the store only: reads of the program's own care (the quick check)
// that step aside for the program's writes. In a rollback journal a writer
// commits only once no connection reads the file, so a check reading for
// minutes would hold every register back; instead the writer interrupts it,
// and the check reads again after the commit.

#include <QString>

struct sqlite3;

namespace store::sqlite {

// Marks `db` as a read that yields to this process's writers of its main
// file for as long as it lives.
class YieldingRead
{
public:
    explicit YieldingRead(sqlite3 *db);
    ~YieldingRead();
    YieldingRead(const YieldingRead &) = delete;
    YieldingRead &operator=(const YieldingRead &) = delete;

    // Whether a writer has interrupted the read since it was marked.
    bool yielded() const;

private:
    sqlite3 *m_db;
};

// From a writer's busy handler: interrupts the yielding reads of every file
// `db` has open, other than its own. Returns how many were interrupted.
int yieldReadsFor(sqlite3 *db);

} // namespace store::sqlite
