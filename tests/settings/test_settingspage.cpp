// The settings page through its widgets: which of the three copies of each
// setting (the page, the stored row, the values in force) each button changes.

#include "settings/settingspage.h"
#include "store/sqlitefiles.h"
#include "support/fakes.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "ui/colournumberbox.h"
#include "ui/colourswatch.h"
#include "ui/erabox.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

namespace {

struct Stored
{
    QVariant era;
    QVariant colour;
};

} // namespace

class TestSettingsPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void swatchShowsTheBoxFromTheFirstStart();
    void readOfAnEmptyTable();
    void readTakesTheFirstRowIntoPageAndForce();
    void colourDialogChangesOnlyThePage();
    void clearAndDelete();
    void keyboardCannotChangeTheEra();
    void failedRegisterKeepsThePage();
    void bannerOpensTheBoard();

private:
    template <typename T> T *child(const char *name) const { return testsupport::control<T>(m_page.get(), name); }
    void click(const char *button) { child<QPushButton>(button)->click(); }
    QString era() const { return child<ui::EraBox>("cmb年号")->currentText(); }
    qint64 number() const { return child<ui::ColourNumberBox>("num白紙罫線色")->value(); }
    qint32 swatch() const { return child<ui::ColourSwatch>("Pic罫線色")->backColour(); }
    QList<Stored> stored() const;
    void exec(const QString &sql) const;
    testsupport::ScriptedColours m_colours;
    testsupport::RecordingUrls m_urls;
    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<settings::SettingsPage> m_page;
    QStringList m_cleared;
};

void TestSettingsPage::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    m_page = std::make_unique<settings::SettingsPage>(*m_env->store, m_env->settings, m_env->msg, m_colours, m_urls);
    m_page->setBackupFolder(m_env->data.folder() + QStringLiteral("backup/"));
    m_page->fillCalendarList(QStringLiteral("西暦"));
    m_cleared.clear();
    m_page->setOtherPages(
        {[this] { m_cleared << QStringLiteral("集計"); }, [this] { m_cleared << QStringLiteral("日誌"); }});
}

void TestSettingsPage::cleanup()
{
    m_page.reset();
    m_env.reset();
}

QList<Stored> TestSettingsPage::stored() const
{
    QList<Stored> rows;
    testsupport::SqlFile file(m_env->data.mainPath());
    for (qint64 row = 0, count = file.count(QStringLiteral("自社情報")); row < count; ++row) {
        const QString at = QStringLiteral(" from 自社情報 order by rowid limit 1 offset %1").arg(row);
        rows.append(
            {file.value(QStringLiteral("select 年号") + at), file.value(QStringLiteral("select LineColor1") + at)});
    }
    return rows;
}

void TestSettingsPage::exec(const QString &sql) const
{
    if (!testsupport::execOn(m_env->data.mainPath(), sql)) {
        qFatal("%s", qPrintable(sql));
    }
}

void TestSettingsPage::swatchShowsTheBoxFromTheFirstStart()
{
    // Fresh data: no settings row; the box says 0, and so does the swatch, in black.
    const auto *swatchWidget = child<ui::ColourSwatch>("Pic罫線色");
    QCOMPARE(number(), 0);
    QCOMPARE(swatchWidget->palette().color(QPalette::Window), QColor(Qt::black));
    m_page->load();
    QCOMPARE(swatchWidget->palette().color(QPalette::Window), QColor(Qt::black));

    // A number typed into the box shows at once.
    auto *box = child<ui::ColourNumberBox>("num白紙罫線色");
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("255"));
    QCOMPARE(swatch(), 255);
    QCOMPARE(swatchWidget->palette().color(QPalette::Window), QColor(Qt::red));
}

void TestSettingsPage::readOfAnEmptyTable()
{
    m_env->settings.lineColour = 0x123456;
    m_env->settings.era = QStringLiteral("和暦");
    child<ui::EraBox>("cmb年号")->setText(QStringLiteral("和暦"));
    child<ui::ColourNumberBox>("num白紙罫線色")->setValue(99);

    m_page->load();
    QCOMPARE(era(), QStringLiteral("西暦"));
    QCOMPARE(m_env->settings.era, QStringLiteral("西暦"));
    QCOMPARE(number(), 0);
    QCOMPARE(m_env->settings.lineColour, 0x123456); // left as it was
    QCOMPARE(swatch(), 0);                          // as the box shows
    QVERIFY(stored().isEmpty());
}

void TestSettingsPage::readTakesTheFirstRowIntoPageAndForce()
{
    exec(QStringLiteral("insert into 自社情報 values ('和暦', 255)"));
    exec(QStringLiteral("insert into 自社情報 values ('西暦', 65280)"));
    click("cmd設定読込");
    QCOMPARE(era(), QStringLiteral("和暦"));
    QCOMPARE(m_env->settings.era, QStringLiteral("和暦"));
    QCOMPARE(number(), 255);
    QCOMPARE(m_env->settings.lineColour, 255);
    QCOMPARE(swatch(), 255);

    // Registering edits that first row and leaves the second alone.
    child<ui::ColourNumberBox>("num白紙罫線色")->setValue(0xFF0000);
    click("cmd設定登録");
    QCOMPARE(m_env->presenter.shown.last().text, QStringLiteral("設定 を登録します。よろしいですか"));
    QCOMPARE(m_env->presenter.shown.last().style, common::kQuestionYesDefault);
    const QList<Stored> rows = stored();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0].colour.toLongLong(), 0xFF0000);
    QCOMPARE(rows[1].era.toString(), QStringLiteral("西暦"));
    QCOMPARE(rows[1].colour.toLongLong(), 65280);
}

void TestSettingsPage::colourDialogChangesOnlyThePage()
{
    exec(QStringLiteral("insert into 自社情報 values ('西暦', 255)"));
    m_page->load();
    m_colours.next = QColor(0x11, 0x22, 0x33);
    m_page->chooseLineColour();
    QCOMPARE(m_colours.asked, 1);
    QCOMPARE(swatch(), 0x332211);
    QCOMPARE(number(), 0x332211);
    QCOMPARE(m_env->settings.lineColour, 255);
    QCOMPARE(stored()[0].colour.toLongLong(), 255);

    m_colours.next.reset(); // cancelled
    m_page->chooseLineColour();
    QCOMPARE(swatch(), 0x332211);
    QCOMPARE(number(), 0x332211);
}

void TestSettingsPage::clearAndDelete()
{
    exec(QStringLiteral("insert into 自社情報 values ('和暦', 255)"));
    m_page->load();

    click("cmd設定クリア");
    QCOMPARE(era(), QStringLiteral("西暦"));
    QCOMPARE(number(), 0);
    QCOMPARE(swatch(), 0);
    QCOMPARE(stored()[0].era.toString(), QStringLiteral("和暦"));
    QCOMPARE(m_env->settings.era, QStringLiteral("和暦"));
    click("cmd設定読込");
    QCOMPARE(era(), QStringLiteral("和暦"));
    QCOMPARE(number(), 255);

    const int asked = int(m_env->presenter.shown.size());
    m_env->presenter.answerNo();
    click("cmd設定削除");
    QCOMPARE(m_env->presenter.shown.size(), asked + 1);
    QCOMPARE(m_env->presenter.shown.last().text, QStringLiteral("設定 を削除します。よろしいですか"));
    QCOMPARE(m_env->presenter.shown.last().style, common::kQuestionNoDefault);
    QCOMPARE(era(), QStringLiteral("和暦")); // not even the page changes
    QCOMPARE(stored()[0].era.toString(), QStringLiteral("和暦"));

    m_env->presenter.answerYes();
    click("cmd設定削除");
    QCOMPARE(m_env->presenter.shown.size(), asked + 2); // no second question, no notice
    QCOMPARE(era(), QStringLiteral("西暦"));
    QCOMPARE(stored().size(), 1);
    QCOMPARE(stored()[0].era.toString(), QStringLiteral("西暦"));
    QCOMPARE(stored()[0].colour.toLongLong(), 0);
    QCOMPARE(m_env->settings.era, QStringLiteral("和暦"));
    QCOMPARE(m_env->settings.lineColour, 255);

    // On an empty table the delete creates the row of defaults.
    exec(QStringLiteral("delete from 自社情報"));
    click("cmd設定削除");
    QCOMPARE(stored().size(), 1);
    QCOMPARE(stored()[0].era.toString(), QStringLiteral("西暦"));
}

void TestSettingsPage::keyboardCannotChangeTheEra()
{
    auto *box = child<ui::EraBox>("cmb年号");
    m_page->show();
    box->setFocus();
    for (int key : {int(Qt::Key_Down), int(Qt::Key_End), int(Qt::Key_W), int(Qt::Key_F4), int(Qt::Key_PageDown)}) {
        QTest::keyClick(box, Qt::Key(key));
    }
    QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier);
    QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QStringLiteral("和"), Qt::NoModifier);
    QTest::keyClicks(box, QStringLiteral("wareki"));
    QCOMPARE(box->currentText(), QStringLiteral("西暦"));
    QCOMPARE(box->count(), 2);
}

void TestSettingsPage::failedRegisterKeepsThePage()
{
    exec(QStringLiteral("create trigger refuse before insert on 自社情報 begin select raise(abort, 'read only'); end"));
    child<ui::EraBox>("cmb年号")->setText(QStringLiteral("和暦"));
    child<ui::ColourNumberBox>("num白紙罫線色")->setValue(4242);
    click("cmd設定登録");
    QCOMPARE(m_env->presenter.shown.size(), 2);
    QCOMPARE(m_env->presenter.shown[1].title, QStringLiteral("登録できませんでした"));
    QVERIFY(m_env->presenter.shown[1].text.startsWith(QStringLiteral("設定は登録されていません。\n理由: ")));
    QCOMPARE(era(), QStringLiteral("和暦"));
    QCOMPARE(number(), 4242);
    exec(QStringLiteral("drop trigger refuse"));
    QVERIFY(stored().isEmpty());
}

void TestSettingsPage::bannerOpensTheBoard()
{
    m_page->openBanner();
    QCOMPARE(m_urls.opened.size(), 1);
    QVERIFY(m_urls.opened[0].startsWith(QStringLiteral("https://")));
}

QTEST_MAIN(TestSettingsPage)
#include "test_settingspage.moc"
