#pragma once
// One search as the search window shows it: the days found with their
// excerpts, the line that sums them up, and what the user must know besides.

#include "search/excerpt.h"

#include "store/records.h"
#include "store/search.h"

#include <QDate>
#include <QList>
#include <QString>

namespace store {
class Store;
}

namespace search {

struct FoundDay
{
    QDate date;
    store::Amount sales;
    Excerpt excerpt;
};

struct Findings
{
    QList<FoundDay> days; // newest first
    QString summary;      // how many days, or why none were looked for
    QString notice;       // the index is missing: the search reads every text
    bool failed = false;  // the store could not search; `summary` says why
};

// Searches the store and makes the excerpts, `excerptWidth` characters each.
Findings findDays(store::Store &store, const store::SearchQuery &query, qsizetype excerptWidth);

} // namespace search
