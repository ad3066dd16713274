// The floor of the memory figure: the bare window of the start-up figure
// (the main window's size, three tab pages) with the program's screen fonts,
// which opens both data files of a folder with the program's journal mode and
// syncing, shows the journal's last day on its first page and prints its peak
// memory once the window is up.
//   zephra_barememory FOLDER PRAGMAS

#include "peakmemory.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

#include <cstdio>
#include <sqlite3.h>

namespace {

// The journal's last day from the data folder, shown in boxes on `page`;
// false when the files cannot be opened or read.
bool showLastDay(const QString &folder, const QByteArray &pragmas, QWidget *page)
{
    sqlite3 *db = nullptr;
    const QByteArray journal = QFile::encodeName(QDir(folder).filePath(QStringLiteral("VelmoraA.mdb")));
    const QByteArray work = QFile::encodeName(QDir(folder).filePath(QStringLiteral("VelmoraAWork.mdb")));
    const QByteArray attach = "ATTACH DATABASE '" + QByteArray(work).replace('\'', "''") + "' AS work;";
    sqlite3_stmt *day = nullptr;
    const bool ok = sqlite3_open_v2(journal.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                    sqlite3_exec(db, pragmas.constData(), nullptr, nullptr, nullptr) == SQLITE_OK &&
                    sqlite3_exec(db, attach.constData(), nullptr, nullptr, nullptr) == SQLITE_OK &&
                    sqlite3_prepare_v2(db,
                                       "SELECT 日付, 売上額, 仕入額, 入金額, 出金額, 日誌 FROM 業務日誌 "
                                       "ORDER BY 日付 DESC LIMIT 1",
                                       -1, &day, nullptr) == SQLITE_OK &&
                    sqlite3_step(day) == SQLITE_ROW;
    if (ok) {
        const auto text = [day](int column) {
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(day, column)));
        };
        auto *layout = new QVBoxLayout(page);
        for (int column = 0; column < 5; ++column) {
            layout->addWidget(new QLineEdit(text(column)));
        }
        layout->addWidget(new QPlainTextEdit(text(5)));
    }
    sqlite3_finalize(day);
    sqlite3_close(db);
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: zephra_barememory FOLDER PRAGMAS\n");
        return 1;
    }
    // The program's screen fonts.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Color Emoji")});
    font.setPointSize(9);
    QApplication::setFont(font);

    QWidget window;
    window.setFixedSize(625, 452);
    auto *tabs = new QTabWidget(&window);
    tabs->setGeometry(0, 0, 625, 453);
    for (const QString &caption : {QStringLiteral("日　誌"), QStringLiteral("集　計"), QStringLiteral("設定・情報")}) {
        tabs->addTab(new QWidget, caption);
    }
    if (!showLastDay(arguments.at(1), arguments.at(2).toLatin1(), tabs->widget(0))) {
        std::fprintf(stderr, "cannot read a day of %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    window.show();
    for (int round = 0; round < 5; ++round) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    std::printf("peak_kib=%lld\n", static_cast<long long>(bench::peakResidentKib()));
    return 0;
}
