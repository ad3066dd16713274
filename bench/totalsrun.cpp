#include "totalsrun.h"

#include "common/formats.h"
#include "store/store.h"
#include "totals/totalspage.h"
#include "ui/datebox.h"

namespace bench {

TotalsRun::TotalsRun(std::unique_ptr<store::Store> store, const DataSet &data) : m_store(std::move(store)), m_data(data)
{
    m_page = std::make_unique<totals::TotalsPage>(*m_store, m_msg, m_clock);
    m_page->bindGrid();
    m_page->applyCalendarMode(common::kWestern, 2000, 2930, 3230);
    m_page->layoutSumsAndGrid();
    m_start = m_page->findChild<ui::DateBox *>(QStringLiteral("Dt開始"));
    m_end = m_page->findChild<ui::DateBox *>(QStringLiteral("Dt終了"));
}

TotalsRun::~TotalsRun()
{
    m_page.reset(); // before the store it reads
}

void TotalsRun::run()
{
    m_start->setValue(m_data.firstDay);
    m_end->setValue(m_data.lastDay);
    m_page->run();
}

QString TotalsRun::trouble()
{
    if (m_presenter.notices > 0) {
        return QStringLiteral("the page reported: ") + m_presenter.lastNotice;
    }
    QList<store::WorkRow> rows;
    if (m_store->workRows(0, m_data.records + 1, rows) || rows.size() != m_data.records) {
        return QStringLiteral("the work table holds %1 rows").arg(rows.size());
    }
    return {};
}

} // namespace bench
