// Registers journal records through the journal page, one after another, until
// it is killed. Writes "ready" to stdout once the page stands on the open
// data folder (the main file's), then each date once its register has returned.
// Usage: crashwriter <main database file> <run number>

#include "crashrecords.h"

#include "journal/journalpage.h"
#include "store/store.h"
#include "support/fixedclock.h"
#include "support/openstore.h"
#include "support/scriptedpresenter.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"
#include "ui/journaltextbox.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

int fail(const QString &why)
{
    std::fprintf(stderr, "crashwriter: %s\n", qPrintable(why));
    return 2;
}

template <typename T> T *control(const QWidget &page, const char *name)
{
    return page.findChild<T *>(QString::fromUtf8(name));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    bool numeric = false;
    const int run = args.size() == 3 ? args[2].toInt(&numeric) : 0;
    if (!numeric) {
        return fail(QStringLiteral("usage: crashwriter <main database file> <run number>"));
    }

    std::optional<store::OpenFailure> failure;
    const auto store = testsupport::openStore(QFileInfo(args[1]).path(), failure);
    if (!store) {
        return fail(failure->error.message);
    }
    testsupport::ScriptedPresenter presenter; // answers every question Yes
    common::Msg msg(presenter);
    const testsupport::FixedClock clock(QDate(2007, 4, 4));
    journal::JournalPage page(*store, msg, clock);
    page.applyCalendarMode(QStringLiteral("西暦"), 2000);

    auto *date = control<ui::DateBox>(page, "Dt日付");
    auto *sales = control<ui::AmountBox>(page, "num売上額");
    auto *purchases = control<ui::AmountBox>(page, "num仕入額");
    auto *moneyIn = control<ui::AmountBox>(page, "num入金額");
    auto *moneyOut = control<ui::AmountBox>(page, "num出金額");
    auto *memo = control<ui::JournalTextBox>(page, "txtメモ");
    if (!date || !sales || !purchases || !moneyIn || !moneyOut || !memo) {
        return fail(QStringLiteral("a control of the journal page is missing"));
    }

    std::printf("ready\n");
    std::fflush(stdout);
    for (int index = 0;; ++index) {
        const testsupport::crash::Record record =
            testsupport::crash::recordOf(testsupport::crash::dayOf(run, index), run);
        if (!date->setValue(record.day) || !sales->setValue(record.sales) || !purchases->setValue(record.purchases) ||
            !moneyIn->setValue(record.moneyIn) || !moneyOut->setValue(record.moneyOut)) {
            return fail(QStringLiteral("the page refused the values of ") + record.day.toString(Qt::ISODate));
        }
        memo->setText(record.memo);

        presenter.shown.clear();
        page.save();
        // A register that went through asked once and cleared the page.
        if (presenter.shown.size() != 1 || date->value().has_value()) {
            const QString notice = presenter.shown.isEmpty() ? QString() : presenter.shown.last().text;
            return fail(QStringLiteral("register of ") + record.day.toString(Qt::ISODate) +
                        QStringLiteral(" failed: ") + notice);
        }
        std::printf("%s\n", qPrintable(record.day.toString(Qt::ISODate)));
        std::fflush(stdout);
    }
}
