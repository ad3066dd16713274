// Renders the search window with found days, and the totals page showing a
// monthly and a yearly summary, in both calendar modes, to PNG files, so that
// their layout can be looked at.
// Usage: journalshots OUTPUT_DIR

#include "search/searchwindow.h"

#include "app/startedwindow.h"
#include "totals/totalspage.h"
#include "ui/datebox.h"
#include "ui/platform.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>

#include <cstdio>

namespace {

bool save(QWidget &window, const QString &file)
{
    QApplication::processEvents();
    const bool saved = window.grab().save(file);
    std::printf("%s\n", qPrintable(file));
    return saved;
}

// Three years of days around the change from 平成 to 令和, with words to find.
bool fillJournal(store::Store &store)
{
    const QStringList texts = {QStringLiteral("山田商店へ納品。請求書は月末に送付。"),
                               QStringLiteral("ｶﾞｽ代を支払い。㈱中村の担当者と打ち合わせ"),
                               QStringLiteral("雨。来客少なし。\n夕方に棚卸し"),
                               QStringLiteral("請求の件で電話。納品は来週")};
    int n = 0;
    for (QDate day(2018, 1, 1); day <= QDate(2020, 12, 31); day = day.addDays(1), ++n) {
        store::JournalRecord record;
        record.date = day;
        record.amounts.sales = 80'000 + (n * 7919) % 90'000;
        record.amounts.purchases = 30'000 + (n * 104'729) % 50'000;
        record.amounts.moneyIn = 70'000 + (n * 3571) % 40'000;
        record.amounts.moneyOut = 40'000 + (n * 6007) % 40'000;
        record.text = texts[n % texts.size()];
        if (store.saveDay(record)) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    ui::installJapaneseTranslations(application);
    ui::useScreenFont();
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    QDir().mkpath(dir.path());

    testsupport::MainWindow window(QDate(2020, 12, 31));
    if (!window.start() || !fillJournal(window.session.store())) {
        return 1;
    }
    app::MainWindow &frm = *window.frm;
    frm.show();
    bool ok = true;
    for (const QString &mode : {common::kWestern, common::kEra}) {
        const QString suffix = mode == common::kWestern ? QStringLiteral("western") : QStringLiteral("era");
        window.session.settings().era = mode;
        frm.applySettings();

        frm.openSearch();
        search::SearchWindow &found = *frm.searchWindow();
        found.wordBox()->setText(QStringLiteral("納品 請求"));
        found.fromBox()->setValue(QDate(2019, 4, 1));
        found.toBox()->setValue(QDate(2019, 6, 30));
        found.run();
        ok = save(found, dir.filePath(QStringLiteral("search-%1.png").arg(suffix))) && ok;
        found.hide();

        totals::TotalsPage &page = *frm.totalsPage();
        frm.tabs()->setCurrentIndex(1);
        page.findChild<ui::DateBox *>(QStringLiteral("Dt開始"))->setValue(QDate(2018, 1, 1));
        page.findChild<ui::DateBox *>(QStringLiteral("Dt終了"))->setValue(QDate(2020, 12, 31));
        page.choose(store::Grouping::Month);
        ok = save(frm, dir.filePath(QStringLiteral("summary-month-%1.png").arg(suffix))) && ok;
        page.choose(store::Grouping::Year);
        ok = save(frm, dir.filePath(QStringLiteral("summary-year-%1.png").arg(suffix))) && ok;
        page.choose(std::nullopt);
    }
    return ok ? 0 : 1;
}
