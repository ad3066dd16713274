// Renders every page of the main window in both calendar modes (the journal
// and totals pages also in a larger window), the totals page's 月別 and 年別
// too, and the previews of the journal, totals and summary reports, to PNG
// files with sample data, so that the layout can be looked at (at
// QT_SCALE_FACTOR too).
// Usage: screenshots OUTPUT_DIR [FILE_PREFIX]

#include "help/helpwindow.h"
#include "startedwindow.h"

#include "journal/journalpage.h"
#include "printing/reportviewer.h"
#include "support/sqlfile.h"
#include "totals/totalspage.h"
#include "ui/datebox.h"
#include "ui/platform.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {

void fillSample(const QString &mainPath)
{
    testsupport::SqlFile q(mainPath);
    q.exec(QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-02', "
                          "152000, 98000, 120000, 45000, '雨。客足鈍い。')"));
    q.exec(QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-03', 0, "
                          "12500, 0, -1500, NULL)"));
    q.exec(QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) values ('2007-04-04', "
                          "1234567, 654321, 1000000, 250000, "
                          "'晴れ。新商品の入荷あり。\n仕入先 山田商店へ支払い済み。\n明日は棚卸し。')"));
    // Earlier months and years for 月別 and 年別, January 1989 in two eras.
    q.exec(QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額) values "
                          "('1989-01-05', 98000, 45000, 90000, 12000), ('1989-01-09', 120500, 0, 110000, 3500), "
                          "('2006-12-28', 2345678, 1234567, 2100000, 987654), "
                          "('2007-01-15', 456789, 321000, 400000, -25000), ('2007-03-31', 88000, 0, 88000, 0)"));
}

// Saves what `widget` shows as `name`.png in `dir`, its file's name printed.
bool save(QWidget *widget, const QString &dir, const QString &name)
{
    QApplication::processEvents();
    const QString file = QDir(dir).filePath(name + QStringLiteral(".png"));
    if (!widget->grab().save(file)) {
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

// The preview a print button has just opened, grabbed and closed.
bool saveReport(const QString &dir, const QString &name)
{
    QApplication::processEvents();
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *viewer = qobject_cast<printing::ReportViewer *>(top); viewer && viewer->isVisible()) {
            viewer->resize(900, 700);
            const bool saved = save(viewer, dir, name);
            viewer->close();
            QApplication::processEvents();
            return saved;
        }
    }
    return false;
}

bool shoot(const QString &mode, const QString &dir, const QString &prefix)
{
    testsupport::MainWindow w(QDate(2007, 4, 4));
    // The calendar mode is a stored setting read at start-up.
    testsupport::execOn(w.mainPath(), QStringLiteral("insert into 自社情報 values ('%1', 255)").arg(mode));
    if (!w.start()) {
        return false;
    }
    fillSample(w.mainPath());
    w.frm->show();
    w.frm->journalPage()->findChild<ui::DateBox *>(QStringLiteral("Dt日付"))->setValue(QDate(2007, 4, 4));
    w.frm->journalPage()->read();
    w.frm->tabs()->setCurrentIndex(1);
    w.frm->totalsPage()->run();
    const QString tag = mode == QStringLiteral("西暦") ? QStringLiteral("western") : QStringLiteral("era");
    for (int page = 0; page < 3; ++page) {
        w.frm->tabs()->setCurrentIndex(page);
        if (!save(w.frm.get(), dir, prefix + QStringLiteral("page%1-%2").arg(page).arg(tag))) {
            return false;
        }
    }
    // The window made larger, as a user with a wide screen has it.
    w.frm->resize(1100, 800);
    for (int page = 0; page < 2; ++page) {
        w.frm->tabs()->setCurrentIndex(page);
        if (!save(w.frm.get(), dir, prefix + QStringLiteral("large-page%1-%2").arg(page).arg(tag))) {
            return false;
        }
    }
    w.frm->resize(app::MainWindow::designedSize());
    w.frm->tabs()->setCurrentIndex(0);
    w.frm->printJournal();
    if (!saveReport(dir, prefix + QStringLiteral("report-journal-") + tag)) {
        return false;
    }
    w.frm->printTotals();
    if (!saveReport(dir, prefix + QStringLiteral("report-totals-") + tag)) {
        return false;
    }
    // The totals page's 月別 and 年別 over the whole sample, and their reports.
    totals::TotalsPage *totalsPage = w.frm->totalsPage();
    w.frm->tabs()->setCurrentIndex(1);
    totalsPage->findChild<ui::DateBox *>(QStringLiteral("Dt開始"))->setValue(QDate(1989, 1, 1));
    totalsPage->findChild<ui::DateBox *>(QStringLiteral("Dt終了"))->setValue(QDate(2007, 4, 30));
    for (const store::Grouping grouping : {store::Grouping::Month, store::Grouping::Year}) {
        const QString view = grouping == store::Grouping::Month ? QStringLiteral("monthly") : QStringLiteral("yearly");
        totalsPage->choose(grouping);
        if (!save(w.frm.get(), dir, prefix + QStringLiteral("page1-%1-%2").arg(view, tag))) {
            return false;
        }
        w.frm->printTotals();
        if (!saveReport(dir, prefix + QStringLiteral("report-%1-").arg(view) + tag)) {
            return false;
        }
    }
    totalsPage->choose(std::nullopt);
    // A holiday on the journal page, and the calendar dropped down on it.
    w.frm->tabs()->setCurrentIndex(0);
    auto *dateBox = w.frm->journalPage()->findChild<ui::DateBox *>(QStringLiteral("Dt日付"));
    dateBox->setValue(QDate(2021, 5, 3));
    if (!save(w.frm.get(), dir, prefix + QStringLiteral("holiday-page0-") + tag)) {
        return false;
    }
    dateBox->openCalendar();
    if (!save(dateBox->calendarPopup(), dir, prefix + QStringLiteral("calendar-") + tag)) {
        return false;
    }
    dateBox->calendarPopup()->hide();
    w.frm->openHint(QStringLiteral("cmdHint"));
    QApplication::processEvents();
    if (auto *hint = w.frm->hintWindow()) {
        hint->grab().save(QDir(dir).filePath(prefix + QStringLiteral("hint-%1.png").arg(tag)));
    }
    // The manual at the date boxes' keys, then at the first place a search finds.
    w.frm->openHelp(QStringLiteral("datekeys"));
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *manual = qobject_cast<help::HelpWindow *>(window)) {
            QApplication::processEvents();
            manual->grab().save(QDir(dir).filePath(prefix + QStringLiteral("help-%1.png").arg(tag)));
            manual->findChild<QLineEdit *>(QStringLiteral("txt検索"))->setText(QStringLiteral("復元"));
            manual->findNext();
            QApplication::processEvents();
            manual->grab().save(QDir(dir).filePath(prefix + QStringLiteral("help-search-%1.png").arg(tag)));
        }
    }
    w.frm->close();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    ui::installJapaneseTranslations(application);
    ui::useScreenFont();
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    const QString prefix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QDir().mkpath(dir);
    const bool ok = shoot(QStringLiteral("西暦"), dir, prefix) && shoot(QStringLiteral("和暦"), dir, prefix);
    return ok ? 0 : 1;
}
