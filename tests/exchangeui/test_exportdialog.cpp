// The export window over a real data folder: the file and character code
// chosen are what is written, an existing file is replaced only on Yes, and
// a character Shift_JIS cannot hold leads to a UTF-8 file on Yes.

#include "exchangeui/exportdialog.h"

#include "common/formats.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "ui/datebox.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using testsupport::control;

namespace {

const store::Period kApril{QDate(2007, 4, 1), QDate(2007, 4, 30)};
const QByteArray kBom("\xEF\xBB\xBF");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestExportDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writesTheChosenFileInTheChosenCode_data();
    void writesTheChosenFileInTheChosenCode();
    void replacesAFileOnlyOnYesAndNeverTheDataFiles();
    void offersUtf8ForACharacterShiftJisCannotHold_data();
    void offersUtf8ForACharacterShiftJisCannotHold();
    void totalsPageWritesTheWorkTableAsItStands();
    void totalsPageWritesTheSummaryItShowsOverThePeriodChosen();

private:
    std::unique_ptr<exchangeui::ExportDialog> openDialog(bool fromTotals,
                                                         std::optional<store::Grouping> summary = {}) const
    {
        return std::make_unique<exchangeui::ExportDialog>(
            exchangeui::ExportContext{*m_env->store, m_env->msg, common::kWestern, m_env->data.folder(), kApril,
                                      fromTotals, m_out->path(), summary});
    }
    // Fills in the file and the character code (0 UTF-8, 1 Shift_JIS) and presses 書き出す.
    static void exportTo(exchangeui::ExportDialog &dialog, const QString &path, int code)
    {
        control<QComboBox>(&dialog, "cmb文字コード")->setCurrentIndex(code);
        control<QLineEdit>(&dialog, "txtファイル")->setText(path);
        control<QPushButton>(&dialog, "cmd書き出す")->click();
    }
    QString outPath(const QString &name) const { return m_out->filePath(name); }
    const QList<common::MessageRequest> &shown() const { return m_env->presenter.shown; }

    std::unique_ptr<testsupport::PageEnvironment> m_env;
    std::unique_ptr<QTemporaryDir> m_out;
};

void TestExportDialog::init()
{
    m_env = std::make_unique<testsupport::PageEnvironment>();
    QVERIFY(m_env->open());
    m_out = std::make_unique<QTemporaryDir>();
    QVERIFY(testsupport::execOn(m_env->data.mainPath(),
                                QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                               "values ('2007-04-01', 1000, 200, 0, 0, '晴れ。\n仕入先へ支払い');"
                                               "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                               "values ('2007-04-30', 5, NULL, NULL, NULL, NULL);"
                                               "insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                               "values ('2007-05-01', 7, 7, 7, 7, '五月')")));
}

void TestExportDialog::cleanup()
{
    m_env.reset();
    m_out.reset();
}

void TestExportDialog::writesTheChosenFileInTheChosenCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("decoderName");
    QTest::newRow("UTF-8 with a byte-order mark") << 0 << QByteArray("UTF-8");
    QTest::newRow("Shift_JIS") << 1 << QByteArray("Shift_JIS");
}

void TestExportDialog::writesTheChosenFileInTheChosenCode()
{
    QFETCH(int, code);
    QFETCH(QByteArray, decoderName);
    auto dialog = openDialog(false);
    QVERIFY(!control<QRadioButton>(dialog.get(), "opt集計表")->isVisibleTo(dialog.get()));
    QCOMPARE(control<ui::DateBox>(dialog.get(), "Dt開始")->value(), std::optional<QDate>(kApril.first));

    // Typed without an extension: the format's is added.
    exportTo(*dialog, outPath(QStringLiteral("四月")), code);

    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    const QString path = outPath(QStringLiteral("四月.csv"));
    const QByteArray bytes = readAll(path);
    QCOMPARE(bytes.startsWith(kBom), code == 0);
    QStringDecoder decoder(decoderName.constData());
    const QString text = decoder(code == 0 ? bytes.mid(kBom.size()) : bytes);
    QVERIFY(!decoder.hasError());
    QVERIFY2(text.startsWith(QStringLiteral("日付,売上額,仕入額,入金額,出金額,日誌\r\n2007/04/01,1000,200,0,0,")),
             qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("晴れ。\r\n仕入先へ支払い")));
    QVERIFY(text.contains(QStringLiteral("\r\n2007/04/30,5,")));
    QVERIFY(!text.contains(QStringLiteral("2007/05/01")));

    QCOMPARE(shown().size(), 1);
    QCOMPARE(shown()[0].title, QStringLiteral("書き出しの完了"));
    QVERIFY(shown()[0].text.contains(QStringLiteral("2007/04/01～2007/04/30 の 2 日分")));
    QVERIFY(shown()[0].text.contains(QDir::toNativeSeparators(path)));
}

void TestExportDialog::replacesAFileOnlyOnYesAndNeverTheDataFiles()
{
    const QString path = outPath(QStringLiteral("日誌.csv"));
    QVERIFY(writeAll(path, "old"));
    auto dialog = openDialog(false);

    m_env->presenter.answers = {common::Answer::No};
    exportTo(*dialog, path, 1);
    QCOMPARE(readAll(path), QByteArray("old"));
    QCOMPARE(dialog->result(), int(QDialog::Rejected)); // still open, as filled in
    QCOMPARE(control<QComboBox>(dialog.get(), "cmb文字コード")->currentIndex(), 1);
    QCOMPARE(shown().size(), 1);
    QCOMPARE(shown()[0].title, QStringLiteral("上書きの確認"));
    QCOMPARE(shown()[0].style, common::kQuestionNoDefault);
    QVERIFY(shown()[0].text.contains(QDir::toNativeSeparators(path)));

    m_env->presenter.answers = {common::Answer::Yes};
    control<QPushButton>(dialog.get(), "cmd書き出す")->click();
    QVERIFY(readAll(path).startsWith("\x93\xfa\x95\x74")); // 日付 in Shift_JIS
    QCOMPARE(dialog->result(), int(QDialog::Accepted));

    // The program's own files are refused before any question.
    const QByteArray journalFile = readAll(m_env->data.mainPath());
    auto again = openDialog(false);
    m_env->presenter.shown.clear();
    m_env->presenter.answerYes();
    exportTo(*again, m_env->data.mainPath(), 0);
    QCOMPARE(shown().size(), 1);
    QCOMPARE(shown()[0].title, QStringLiteral("書き出せませんでした"));
    QCOMPARE(readAll(m_env->data.mainPath()), journalFile);
    QCOMPARE(again->result(), int(QDialog::Rejected));
    QVERIFY(shown()[0].text.endsWith(
        QStringLiteral("別の場所か名前を選んでください。\n\n書き出し先のファイルは変更していません。")));

#if defined(Q_OS_UNIX)
    // Nor when a link outside the folder leads to them.
    const QString link = outPath(QStringLiteral("リンク.csv"));
    QVERIFY(QFile::link(m_env->data.mainPath(), link));
    m_env->presenter.shown.clear();
    exportTo(*again, link, 0);
    QCOMPARE(shown().size(), 1);
    QCOMPARE(shown()[0].title, QStringLiteral("書き出せませんでした"));
    QVERIFY2(shown()[0].text.contains(QStringLiteral("データフォルダーの「%1」を指しています")
                                          .arg(QDir::toNativeSeparators(m_env->data.mainPath()))),
             qPrintable(shown()[0].text));
    QCOMPARE(readAll(m_env->data.mainPath()), journalFile);
#endif
}

void TestExportDialog::offersUtf8ForACharacterShiftJisCannotHold_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes: written in UTF-8") << true;
    QTest::newRow("No: nothing written") << false;
}

void TestExportDialog::offersUtf8ForACharacterShiftJisCannotHold()
{
    QFETCH(bool, yes);
    QVERIFY(testsupport::execOn(m_env->data.mainPath(),
                                QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額, 日誌) "
                                               "values ('2007-04-02', 1, 1, 1, 1, '𠮷野家で昼食')")));
    const QString path = outPath(QStringLiteral("日誌.csv"));
    auto dialog = openDialog(false);
    m_env->presenter.answers = {yes ? common::Answer::Yes : common::Answer::No};

    exportTo(*dialog, path, 1);

    QCOMPARE(shown().first().title, QStringLiteral("Shift_JIS で書けない文字"));
    QCOMPARE(shown().first().style, common::kQuestionYesDefault);
    const QString question = shown().first().text;
    for (const QString &part : {QStringLiteral("2007/04/02"), QStringLiteral("「𠮷」"), QStringLiteral("U+20BB7")}) {
        QVERIFY2(question.contains(part), qPrintable(question));
    }
    if (!yes) {
        QCOMPARE(shown().size(), 1);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        return;
    }
    const QByteArray bytes = readAll(path);
    QVERIFY(bytes.startsWith(kBom));
    QVERIFY(QString::fromUtf8(bytes).contains(QStringLiteral("𠮷野家で昼食")));
    QCOMPARE(shown().size(), 2);
    QVERIFY(shown()[1].text.contains(QStringLiteral("UTF-8")));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
}

void TestExportDialog::totalsPageWritesTheWorkTableAsItStands()
{
    store::FillReport report;
    QVERIFY(!m_env->store->fillWork(kApril, report));
    // A grid edit after the run is what the table holds now.
    QList<store::WorkRow> rows;
    QVERIFY(!m_env->store->workRows(0, 10, rows));
    QCOMPARE(rows.first().date, QDate(2007, 4, 1));
    QVERIFY(!m_env->store->setWorkAmount(rows.first().id, store::AmountColumn::Sales, 2000));

    auto dialog = openDialog(true);
    QVERIFY(control<QRadioButton>(dialog.get(), "opt集計表")->isChecked());
    QVERIFY(!control<ui::DateBox>(dialog.get(), "Dt開始")->isEnabled());
    QVERIFY(
        control<QLineEdit>(dialog.get(), "txtファイル")->text().endsWith(QStringLiteral("集計_20070401-20070430.csv")));
    exportTo(*dialog, outPath(QStringLiteral("集計.csv")), 0);
    const QStringList lines = QString::fromUtf8(readAll(outPath(QStringLiteral("集計.csv"))).mid(kBom.size()))
                                  .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines,
             (QStringList{QStringLiteral("日付,売上額,仕入額,入金額,出金額"), QStringLiteral("2007/04/01,2000,200,0,0"),
                          QStringLiteral("2007/04/30,5,,,"), QStringLiteral("合計,2005,200,0,0")}));

    // Excel: the name takes the workbook's extension and the character code is not asked.
    auto workbook = openDialog(true);
    control<QComboBox>(workbook.get(), "cmb形式")->setCurrentIndex(1);
    QVERIFY(!control<QComboBox>(workbook.get(), "cmb文字コード")->isEnabled());
    const QString name = control<QLineEdit>(workbook.get(), "txtファイル")->text();
    QVERIFY2(name.endsWith(QStringLiteral("集計_20070401-20070430.xlsx")), qPrintable(name));
    control<QLineEdit>(workbook.get(), "txtファイル")->setText(outPath(QStringLiteral("集計.xlsx")));
    control<QPushButton>(workbook.get(), "cmd書き出す")->click();
    QVERIFY(readAll(outPath(QStringLiteral("集計.xlsx"))).startsWith("PK"));
}

void TestExportDialog::totalsPageWritesTheSummaryItShowsOverThePeriodChosen()
{
    auto dialog = openDialog(true, store::Grouping::Month);
    auto *summary = control<QRadioButton>(dialog.get(), "opt集計表");
    QVERIFY(summary->isChecked());
    QCOMPARE(summary->text(), QStringLiteral("月別の集計(&T)"));
    // A summary is made from the journal of the period: the boxes take part.
    auto *end = control<ui::DateBox>(dialog.get(), "Dt終了");
    QVERIFY(end->isEnabled());
    QVERIFY(control<QLineEdit>(dialog.get(), "txtファイル")
                ->text()
                .endsWith(QStringLiteral("月別集計_20070401-20070430.csv")));
    end->setValue(QDate(2007, 5, 31));
    exportTo(*dialog, outPath(QStringLiteral("月別.csv")), 0);
    const QStringList lines = QString::fromUtf8(readAll(outPath(QStringLiteral("月別.csv"))).mid(kBom.size()))
                                  .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines, (QStringList{QStringLiteral("年月,売上額,仕入額,入金額,出金額,日数,差引"),
                                 QStringLiteral("2007年4月,1005,200,0,0,2,0"), QStringLiteral("2007年5月,7,7,7,7,1,0"),
                                 QStringLiteral("合計,1012,207,7,7,3,0")}));
    QVERIFY(shown().last().text.contains(QStringLiteral("月別の集計 2007/04/01～2007/05/31 の 2 行と合計")));
}

QTEST_MAIN(TestExportDialog)
#include "test_exportdialog.moc"
