// Renders every page of the main window in both calendar modes to PNG files,
// with a day of sample data, so that the layout can be looked at.
// Usage: screenshots OUTPUT_DIR

#include "startedwindow.h"

#include "journal/journalpage.h"
#include "support/sqlfile.h"
#include "totals/totalspage.h"
#include "ui/datebox.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {

void fillSample(const QString &mainPath)
{
    testsupport::SqlFile q(mainPath);
    q.exec(
        QStringLiteral("insert into 業務日誌 values ('2007-04-02', 152000, 98000, 120000, 45000, '雨。客足鈍い。')"));
    q.exec(QStringLiteral("insert into 業務日誌 values ('2007-04-03', 0, 12500, 0, -1500, NULL)"));
    q.exec(QStringLiteral("insert into 業務日誌 values ('2007-04-04', 1234567, 654321, 1000000, 250000, "
                          "'晴れ。新商品の入荷あり。\n仕入先 山田商店へ支払い済み。\n明日は棚卸し。')"));
}

bool shoot(const QString &mode, const QString &dir)
{
    testsupport::MainWindow w(QDate(2007, 4, 4));
    // The calendar mode is a stored setting read at start-up.
    testsupport::execOn(w.mainPath(), QStringLiteral("insert into 自社情報 values ('%1', 255)").arg(mode));
    if (!w.start()) {
        return false;
    }
    fillSample(w.mainPath());
    w.frm->show();
    w.frm->journalPage()->dateBox()->setValue(QDate(2007, 4, 4));
    w.frm->journalPage()->read();
    w.frm->tabs()->setCurrentIndex(1);
    w.frm->totalsPage()->run();
    const QString tag = mode == QStringLiteral("西暦") ? QStringLiteral("western") : QStringLiteral("era");
    for (int page = 0; page < 3; ++page) {
        w.frm->tabs()->setCurrentIndex(page);
        QApplication::processEvents();
        const QString file = QDir(dir).filePath(QStringLiteral("page%1-%2.png").arg(page).arg(tag));
        if (!w.frm->grab().save(file)) {
            return false;
        }
        std::printf("%s\n", qPrintable(file));
    }
    w.frm->openHint(QStringLiteral("cmdHint"));
    QApplication::processEvents();
    if (auto *hint = w.frm->hintWindow()) {
        hint->grab().save(QDir(dir).filePath(QStringLiteral("hint-%1.png").arg(tag)));
    }
    w.frm->close();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    ui::installJapaneseTranslations(application);
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
    font.setPointSize(9);
    QApplication::setFont(font);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(dir);
    const bool ok = shoot(QStringLiteral("西暦"), dir) && shoot(QStringLiteral("和暦"), dir);
    return ok ? 0 : 1;
}
