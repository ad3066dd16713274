#pragma once
// A journal page registering day after day, as a user types into it: the
// boxes found once by their names, each registration's values the same for
// the program's side of a figure and for its floor.

#include "centurydata.h"
#include "yespresenter.h"

#include "support/fixedclock.h"

#include <QDate>
#include <QString>

#include <array>
#include <memory>

namespace journal {
class JournalPage;
}
namespace store {
class Store;
}
namespace ui {
class AmountBox;
class DateBox;
class JournalTextBox;
} // namespace ui

namespace bench {

// The values of the n-th registration: days spread over the data set, each
// with a record already, so that every registration overwrites.
struct Entry
{
    QDate date;
    std::array<qint64, 4> amounts;
    QString memo;
};
Entry entryOf(const DataSet &data, qint64 n);

class Registrar
{
public:
    // The page over `store`, which is open and kept for the registrar's life.
    Registrar(std::unique_ptr<store::Store> store, const DataSet &data);
    ~Registrar();
    Registrar(const Registrar &) = delete;
    Registrar &operator=(const Registrar &) = delete;

    // Whether the page has every box a registration types into.
    bool complete() const;
    // Types the next entry and registers it, answering Yes.
    void registerNext();
    // Why the registrations did not all go through; empty when they did.
    QString trouble() const;

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

} // namespace bench
