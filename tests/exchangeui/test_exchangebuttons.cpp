// The 書出 and 取込 buttons of the journal and totals pages in the started
// main window: where they stand, how the keyboard reaches them, and what the
// windows they open are given.

#include "exchangeui/exportdialog.h"
#include "exchangeui/importdialog.h"

#include "app/startedwindow.h"
#include "journal/journalpage.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "totals/totalspage.h"
#include "totals/worktablemodel.h"
#include "ui/amountbox.h"
#include "ui/datebox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs `act` on the modal window of type D once it is shown; gives up after a few seconds.
template <typename D> void whenShown(const std::function<void(D *)> &act)
{
    auto *poll = new QTimer;
    auto *waited = new QElapsedTimer;
    waited->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, waited, act] {
        auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget());
        if (!dialog && waited->elapsed() < 5000) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        delete waited;
        if (dialog) {
            act(dialog);
        }
    });
    poll->start(10);
}

QString periodOf(const QWidget *dialog)
{
    const auto text = [dialog](const char *name) {
        return testsupport::control<ui::DateBox>(dialog, name)->value().value_or(QDate()).toString(Qt::ISODate);
    };
    return text("Dt開始") + QStringLiteral("..") + text("Dt終了");
}

} // namespace

class TestExchangeButtons : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buttonsStandFreeAndFollowInTabOrder_data();
    void buttonsStandFreeAndFollowInTabOrder();
    void exportOpensOnThePagePeriod();
    void importShowsTheJournalDayAnew();

private:
    template <typename T> T *child(const char *name) const { return testsupport::control<T>(m_w->frm.get(), name); }

    std::unique_ptr<testsupport::MainWindow> m_w;
};

void TestExchangeButtons::init()
{
    m_w = std::make_unique<testsupport::MainWindow>();
    QVERIFY(m_w->start());
    m_w->frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w->frm.get()));
}

void TestExchangeButtons::cleanup()
{
    m_w.reset();
}

void TestExchangeButtons::buttonsStandFreeAndFollowInTabOrder_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("order"); // the button before, the new ones, the button after
    QTest::newRow("journal") << 0
                             << QStringList{QStringLiteral("cmd削除"), QStringLiteral("cmd書出"),
                                            QStringLiteral("cmd取込"), QStringLiteral("cmd検索"),
                                            QStringLiteral("cmdHint")};
    QTest::newRow("totals") << 1
                            << QStringList{QStringLiteral("CSCmdBtn1"), QStringLiteral("cmd書出1"),
                                           QStringLiteral("cmdグラフ"), QStringLiteral("cmdHint1")};
}

void TestExchangeButtons::buttonsStandFreeAndFollowInTabOrder()
{
    QFETCH(int, tab);
    QFETCH(QStringList, order);
    m_w->frm->totalsPage();
    m_w->frm->tabs()->setCurrentIndex(tab);
    QApplication::processEvents();

    for (const QString &name : order.mid(1, order.size() - 2)) {
        auto *button = child<QPushButton>(name.toUtf8().constData());
        QVERIFY2(button->isVisible(), qPrintable(name));
        QVERIFY(!button->accessibleName().isEmpty());
        QVERIFY(!button->toolTip().isEmpty());
        const QWidget *panel = button->parentWidget();
        QVERIFY(panel->rect().contains(button->geometry()));
        for (const QWidget *other : panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (other != button && other->isVisible()) {
                QVERIFY2(!other->geometry().intersects(button->geometry()),
                         qPrintable(name + QStringLiteral(" overlaps ") + other->objectName()));
            }
        }
    }

    m_w->frm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_w->frm.get()));
    child<QWidget>(order.first().toUtf8().constData())->setFocus();
    for (const QString &name : order.mid(1)) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
    }
}

void TestExchangeButtons::exportOpensOnThePagePeriod()
{
    // The journal page's day gives its month; only the journal is offered.
    testsupport::control<ui::DateBox>(m_w->frm->journalPage(), "Dt日付")->setValue(QDate(2007, 5, 10));
    QString period;
    bool totalsOffered = true;
    whenShown<exchangeui::ExportDialog>([&](exchangeui::ExportDialog *dialog) {
        period = periodOf(dialog);
        totalsOffered = testsupport::control<QRadioButton>(dialog, "opt集計表")->isVisibleTo(dialog);
        dialog->reject();
    });
    child<QPushButton>("cmd書出")->click();
    QCOMPARE(period, QStringLiteral("2007-05-01..2007-05-31"));
    QVERIFY(!totalsOffered);

    // The totals page's period, its end filled in as 集計 fills it; the work table chosen first.
    m_w->frm->tabs()->setCurrentIndex(1);
    testsupport::control<ui::DateBox>(m_w->frm->totalsPage(), "Dt開始")->setValue(QDate(2007, 4, 10));
    bool totalsChosen = false;
    whenShown<exchangeui::ExportDialog>([&](exchangeui::ExportDialog *dialog) {
        period = periodOf(dialog);
        totalsChosen = testsupport::control<QRadioButton>(dialog, "opt集計表")->isChecked();
        dialog->reject();
    });
    child<QPushButton>("cmd書出1")->click();
    QCOMPARE(period, QStringLiteral("2007-04-10..2007-04-30"));
    QVERIFY(totalsChosen);
    QVERIFY(m_w->presenter.shown.isEmpty());
}

void TestExchangeButtons::importShowsTheJournalDayAnew()
{
    QVERIFY(
        testsupport::execOn(m_w->mainPath(), QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, "
                                                            "出金額, 日誌) values ('2007-04-01', 10, 0, 0, 0, NULL)")));
    m_w->frm->tabs()->setCurrentIndex(1);
    m_w->frm->totalsPage()->run();
    totals::WorkTableModel *grid = testsupport::newestChild<totals::WorkTableModel>(m_w->frm->totalsPage());
    QCOMPARE(grid->rowCount(), 1);
    m_w->frm->tabs()->setCurrentIndex(0);
    testsupport::control<ui::DateBox>(m_w->frm->journalPage(), "Dt日付")->setValue(QDate(2007, 4, 2));

    const QString csv = m_w->programFolder() + QStringLiteral("/四月.csv");
    QFile file(csv);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("日付,売上額\r\n2007/04/02,500\r\n").toUtf8());
    file.close();
    whenShown<exchangeui::ImportDialog>([&](exchangeui::ImportDialog *dialog) {
        testsupport::control<QLineEdit>(dialog, "txtファイル")->setText(csv);
        dialog->readPreview();
        testsupport::control<QPushButton>(dialog, "cmd取り込む")->click();
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
    child<QPushButton>("cmd取込")->click();

    QCOMPARE(m_w->presenter.shown.size(), 1);
    QCOMPARE(m_w->presenter.shown[0].title, QStringLiteral("取り込みの完了"));
    QCOMPARE(child<ui::AmountBox>("num売上額")->value(), std::optional<qint64>(500));
    // The grid keeps its run until the next 集計.
    QList<store::WorkRow> rows;
    QVERIFY(!m_w->session.store().workRows(0, 10, rows));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().amounts.sales, std::optional<qint64>(10));
    QCOMPARE(grid->rowCount(), 1);
}

QTEST_MAIN(TestExchangeButtons)
#include "test_exchangebuttons.moc"
