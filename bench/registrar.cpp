#include "registrar.h"

#include "common/formats.h"
#include "journal/journalpage.h"
#include "store/store.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"
#include "ui/journaltextbox.h"

#include <algorithm>

namespace bench {

Entry entryOf(const DataSet &data, qint64 n)
{
    return {data.spreadDay(int(n)), {123'456 + n % 1000, 65'432, 1'000 * (n % 7), 2'000}, memoOf(data, n % 64)};
}

Registrar::Registrar(std::unique_ptr<store::Store> store, const DataSet &data) : m_store(std::move(store)), m_data(data)
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

Registrar::~Registrar()
{
    m_page.reset(); // before the store it reads
}

bool Registrar::complete() const
{
    return m_memo && m_date && std::count(m_amounts.cbegin(), m_amounts.cend(), nullptr) == 0;
}

void Registrar::registerNext()
{
    const Entry entry = entryOf(m_data, m_count++);
    m_date->setValue(entry.date);
    for (std::size_t k = 0; k < m_amounts.size(); ++k) {
        m_amounts[k]->setValue(entry.amounts[k]);
    }
    m_memo->setText(entry.memo);
    m_page->save();
}

QString Registrar::trouble() const
{
    if (m_presenter.notices > 0) {
        return QStringLiteral("the page reported: ") + m_presenter.lastNotice;
    }
    return m_date->value() ? QStringLiteral("the page was not cleared after registering") : QString();
}

} // namespace bench
