// Renders the export window (from each page) and the import window with a
// judged file to PNG files, so that their layout can be looked at.
// Usage: exchangeshots OUTPUT_DIR

#include "exchangeui/exportdialog.h"
#include "exchangeui/importdialog.h"

#include "common/formats.h"
#include "support/pageenvironment.h"
#include "support/sqlfile.h"
#include "ui/platform.h"
#include "ui/translations.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <cstdio>

namespace {

bool save(QWidget &window, const QString &file)
{
    window.show();
    QApplication::processEvents();
    const bool saved = window.grab().save(file);
    std::printf("%s\n", qPrintable(file));
    window.hide();
    return saved;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    ui::installJapaneseTranslations(application);
    ui::useScreenFont();
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    QDir().mkpath(dir.path());

    testsupport::PageEnvironment env;
    if (!env.open() || !testsupport::execOn(env.data.mainPath(),
                                            QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, "
                                                           "出金額, 日誌) values ('2007-04-01', 1, 2, 3, 4, 'a')"))) {
        return 1;
    }
    const store::Period april{QDate(2007, 4, 1), QDate(2007, 4, 30)};
    bool ok = true;
    for (const bool fromTotals : {false, true}) {
        for (const QString &mode : {common::kWestern, common::kEra}) {
            exchangeui::ExportDialog dialog({*env.store, env.msg, mode, env.data.folder(), april, fromTotals,
                                             QStringLiteral("/home/user/Documents")});
            ok = save(dialog, dir.filePath(QStringLiteral("export-%1-%2.png")
                                               .arg(fromTotals ? QStringLiteral("totals") : QStringLiteral("journal"),
                                                    mode == common::kWestern ? QStringLiteral("western")
                                                                             : QStringLiteral("era")))) &&
                 ok;
        }
    }

    const QString csv = env.data.folder() + QStringLiteral("四月の日誌.csv");
    QFile file(csv);
    if (!file.open(QIODevice::WriteOnly)) {
        return 1;
    }
    file.write(QStringLiteral("\uFEFF日付,売上額,仕入額,入金額,出金額,日誌,天気,担当\r\n"
                              "2007/04/01,1111,0,0,0,取り込んだ日誌,晴,山田\r\n"
                              "2007/04/02,500,0,0,0,新しい日,雨,山田\r\n"
                              "2007/04/31,1,0,0,0,ない日,曇,山田\r\n"
                              "2007/04/05,12.5,0,0,0,端数,曇,山田\r\n"
                              "2007/04/06,x,0,0,0,読めない,曇,山田\r\n")
                   .toUtf8());
    file.close();
    exchangeui::ImportDialog import(
        {*env.store,
         env.msg,
         {store::Location::inFolder(env.data.folder()), env.data.folder() + QStringLiteral("backup/"), {}, {}},
         env.data.folder()});
    import.findChild<QLineEdit *>(QStringLiteral("txtファイル"))->setText(QDir::toNativeSeparators(csv));
    import.readPreview();
    ok = save(import, dir.filePath(QStringLiteral("import.png"))) && ok;

    // A bank statement: the column choice, then the days as the import leaves them.
    const QString statement = env.data.folder() + QStringLiteral("明細.csv");
    QFile bank(statement);
    if (!bank.open(QIODevice::WriteOnly)) {
        return 1;
    }
    bank.write(QStringLiteral("口座番号,1234567\r\n期間,2007/04/01～2007/04/30\r\n取引日,摘要,支払,預入,残高\r\n"
                              "H19.4.1,ATM,\"1,000\",,\"9,000\"\r\nH19.4.1,振込 ヤマダ,,\"25,000\",\"34,000\"\r\n"
                              "H19.4.3,電気代,\"3,210\",,\"30,790\"\r\n")
                   .toUtf8());
    bank.close();
    exchangeui::ImportDialog choice(
        {*env.store,
         env.msg,
         {store::Location::inFolder(env.data.folder()), env.data.folder() + QStringLiteral("backup/"), {}, {}},
         env.data.folder(),
         env.data.folder() + QStringLiteral("layouts.json")});
    choice.findChild<QLineEdit *>(QStringLiteral("txtファイル"))->setText(QDir::toNativeSeparators(statement));
    choice.readPreview();
    ok = save(choice, dir.filePath(QStringLiteral("import-columns.png"))) && ok;
    choice.findChild<QComboBox *>(QStringLiteral("cmb出金額"))->setCurrentText(QStringLiteral("支払"));
    choice.findChild<QComboBox *>(QStringLiteral("cmb入金額"))->setCurrentText(QStringLiteral("預入"));
    choice.findChild<QListWidget *>(QStringLiteral("lst日誌"))->item(1)->setCheckState(Qt::Checked);
    choice.findChild<QLineEdit *>(QStringLiteral("txtレイアウト名"))->setText(QStringLiteral("○○銀行 普通預金"));
    choice.findChild<QPushButton *>(QStringLiteral("cmdこのレイアウトで読む"))->click();
    choice.findChild<QCheckBox *>(QStringLiteral("chk足す"))->setChecked(true);
    ok = save(choice, dir.filePath(QStringLiteral("import-statement.png"))) && ok;
    return ok ? 0 : 1;
}
