#pragma once
// The totals page run over a data set's whole period, as the main window
// prepares the page at start-up and a user runs 集計.

#include "centurydata.h"
#include "yespresenter.h"

#include "support/fixedclock.h"

#include <QString>

#include <memory>

namespace store {
class Store;
}
namespace totals {
class TotalsPage;
}
namespace ui {
class DateBox;
}

namespace bench {

class TotalsRun
{
public:
    // The page over `store`, which is open and kept for the run's life.
    TotalsRun(std::unique_ptr<store::Store> store, const DataSet &data);
    ~TotalsRun();
    TotalsRun(const TotalsRun &) = delete;
    TotalsRun &operator=(const TotalsRun &) = delete;

    // Whether the page has its period boxes.
    bool complete() const { return m_start && m_end; }
    // The whole period typed into the boxes, then 集計.
    void run();
    // Why the runs did not do their work (a notice, rows missing from the
    // work table); empty when they did.
    QString trouble();

private:
    std::unique_ptr<store::Store> m_store;
    const DataSet &m_data;
    YesPresenter m_presenter;
    common::Msg m_msg{m_presenter};
    testsupport::FixedClock m_clock{QDate(2025, 12, 31)};
    std::unique_ptr<totals::TotalsPage> m_page;
    ui::DateBox *m_start = nullptr;
    ui::DateBox *m_end = nullptr;
};

} // namespace bench
