// The main window made larger: the designed size is the smallest and the
// first, the journal text box and the totals grid grow, the buttons keep their
// distance to the right edge, and the user's size comes back at the next start.

#include "startedwindow.h"

#include "journal/journalpage.h"
#include "support/pageenvironment.h"
#include "support/scaledrun.h"
#include "support/sqlfile.h"
#include "totals/totalspage.h"
#include "ui/datebox.h"
#include "ui/geometry.h"

#include <QAbstractScrollArea>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

// Where each control of a page stands within its parent, by name.
QHash<QString, QRect> placesOf(const QWidget *page)
{
    QHash<QString, QRect> places;
    for (const QWidget *child : page->findChildren<QWidget *>()) {
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_"))) {
            places.insert(child->objectName(), child->geometry());
        }
    }
    return places;
}

// Named controls that are placed side by side in one parent and both shown.
QList<std::pair<const QWidget *, const QWidget *>> siblingPairs(const QWidget *page)
{
    QList<std::pair<const QWidget *, const QWidget *>> pairs;
    const QList<QWidget *> all = page->findChildren<QWidget *>();
    for (const QWidget *a : all) {
        for (const QWidget *b : all) {
            if (a < b && a->parentWidget() == b->parentWidget() && !a->objectName().isEmpty() &&
                !b->objectName().isEmpty() && !a->objectName().startsWith(QLatin1String("qt_")) &&
                !b->objectName().startsWith(QLatin1String("qt_")) && a->isVisibleTo(page) && b->isVisibleTo(page)) {
                pairs.append(std::pair{a, b});
            }
        }
    }
    return pairs;
}

// Whether a frame's line stands at `edge` (a device row or column, within two
// pixels): a line of which nearly every pixel is darker than the light
// backgrounds on either side of it.
bool lineNear(const QImage &image, Qt::Orientation along, int edge, int from, int to)
{
    for (int at = edge - 2; at <= edge + 2; ++at) {
        int dark = 0;
        int seen = 0;
        for (int i = from; i < to; ++i) {
            const QPoint p = along == Qt::Horizontal ? QPoint(i, at) : QPoint(at, i);
            if (!image.rect().contains(p)) {
                continue;
            }
            ++seen;
            dark += qGray(image.pixel(p)) <= 230 ? 1 : 0;
        }
        if (seen > 0 && dark * 10 >= seen * 9) {
            return true;
        }
    }
    return false;
}

// The edges of every framed control of the shown page whose line is missing
// from the window's picture, by name.
QStringList framesCut(QWidget *window)
{
    const QImage image = window->grab().toImage();
    const double ratio = window->devicePixelRatio();
    QStringList cut;
    for (QWidget *control : window->findChildren<QWidget *>()) {
        const auto *area = qobject_cast<QAbstractScrollArea *>(control);
        const auto *edit = qobject_cast<QLineEdit *>(control);
        const bool framed = (area && area->frameShape() != QFrame::NoFrame) || (edit && edit->hasFrame());
        if (!framed || !control->isVisible() || control->width() < 40 || control->objectName().isEmpty()) {
            continue;
        }
        const QRectF r(QPointF(control->mapTo(window, QPoint(0, 0))) * ratio, QSizeF(control->size()) * ratio);
        const int left = int(r.left() + r.width() * 0.1);
        const int right = int(r.right() - r.width() * 0.1);
        const int top = int(r.top() + r.height() * 0.2);
        const int bottom = int(r.bottom() - r.height() * 0.2);
        const QList<std::pair<const char *, bool>> edges = {
            {"上", lineNear(image, Qt::Horizontal, qRound(r.top()), left, right)},
            {"下", lineNear(image, Qt::Horizontal, qRound(r.bottom()) - 1, left, right)},
            {"左", lineNear(image, Qt::Vertical, qRound(r.left()), top, bottom)},
            {"右", lineNear(image, Qt::Vertical, qRound(r.right()) - 1, top, bottom)}};
        for (const auto &[edge, whole] : edges) {
            if (!whole) {
                cut << control->objectName() + QString::fromUtf8(edge);
            }
        }
    }
    return cut;
}

} // namespace

class TestWindowSize : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void designedSizeIsTheSmallestAndTheFirst();
    void pagesFollowALargerWindow_data();
    void pagesFollowALargerWindow();
    void maximisedWindowFillsTheScreen();
    void aYearOfMonthsFitsAFullHdScreen();
    void sizeComesBackAtTheNextStart();
    void unchangedSizeIsNotWrittenAgain();
    void framesAreWhole();
    void framesAreWholeAtEveryScale_data();
    void framesAreWholeAtEveryScale();

private:
    std::unique_ptr<testsupport::MainWindow> m_w;
};

void TestWindowSize::init()
{
    m_w = std::make_unique<testsupport::MainWindow>();
    QVERIFY(m_w->start());
}

void TestWindowSize::designedSizeIsTheSmallestAndTheFirst()
{
    app::MainWindow *frm = m_w->frm.get();
    frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(frm));
    QCOMPARE(frm->size(), app::MainWindow::designedSize());
    QCOMPARE(frm->minimumSize(), app::MainWindow::designedSize());
    QVERIFY(frm->maximumWidth() > 1920 && frm->maximumHeight() > 1080);
    frm->resize(400, 300);
    QCOMPARE(frm->size(), app::MainWindow::designedSize());
}

void TestWindowSize::pagesFollowALargerWindow_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("stretched");
    QTest::addColumn<QStringList>("onTheRight");
    QTest::newRow("日誌") << 0 << QStringLiteral("txtメモ")
                          << QStringList{QStringLiteral("imContainer3D6"), QStringLiteral("cmd書出"),
                                         QStringLiteral("cmd取込"), QStringLiteral("cmdHint")};
    QTest::newRow("集計") << 1 << QStringLiteral("Grid集計")
                          << QStringList{QStringLiteral("imContainer3D5"), QStringLiteral("cmd書出1"),
                                         QStringLiteral("cmdグラフ"), QStringLiteral("cmdHint1")};
}

void TestWindowSize::pagesFollowALargerWindow()
{
    QFETCH(int, tab);
    QFETCH(QString, stretched);
    QFETCH(QStringList, onTheRight);
    app::MainWindow *frm = m_w->frm.get();
    frm->show();
    frm->tabs()->setCurrentIndex(tab);
    QVERIFY(QTest::qWaitForWindowExposed(frm));
    QWidget *page = frm->tabs()->currentWidget();
    QCoreApplication::processEvents();
    const QHash<QString, QRect> designed = placesOf(page);
    const auto pairs = siblingPairs(page);
    QList<std::pair<QString, QString>> apart;
    for (const auto &[a, b] : pairs) {
        if (!a->geometry().intersects(b->geometry())) {
            apart.append({a->objectName(), b->objectName()});
        }
    }

    const QSize growth(300, 200);
    frm->resize(app::MainWindow::designedSize() + growth);
    QCoreApplication::processEvents();
    QCOMPARE(frm->tabs()->size(), frm->size() + QSize(0, 1)); // the tab control is a pixel taller than the window
    const QHash<QString, QRect> grown = placesOf(page);

    QCOMPARE(grown.value(stretched).topLeft(), designed.value(stretched).topLeft());
    QCOMPARE(grown.value(stretched).size(), designed.value(stretched).size() + growth);
    for (const QString &name : onTheRight) {
        QCOMPARE(grown.value(name), designed.value(name).translated(growth.width(), 0));
    }
    // Controls of the left and top keep their places.
    QCOMPARE(grown.value(QStringLiteral("Dt日付")), designed.value(QStringLiteral("Dt日付")));
    QCOMPARE(grown.value(QStringLiteral("Dt開始")), designed.value(QStringLiteral("Dt開始")));

    // Nothing is cut by its parent, and nothing that stood apart overlaps.
    for (const auto &[a, b] : pairs) {
        if (apart.contains(std::pair{a->objectName(), b->objectName()})) {
            QVERIFY2(!a->geometry().intersects(b->geometry()),
                     qPrintable(a->objectName() + QLatin1String(" / ") + b->objectName()));
        }
    }
    for (const QWidget *child : page->findChildren<QWidget *>()) {
        if (grown.contains(child->objectName()) && child->isVisibleTo(page)) {
            QVERIFY2(child->parentWidget()->rect().contains(child->geometry()), qPrintable(child->objectName()));
        }
    }

    // Back to the designed size: every control where it was.
    frm->resize(app::MainWindow::designedSize());
    QCoreApplication::processEvents();
    QCOMPARE(placesOf(page), designed);
}

void TestWindowSize::maximisedWindowFillsTheScreen()
{
    app::MainWindow *frm = m_w->frm.get();
    frm->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(frm));
    QTRY_VERIFY(frm->width() > app::MainWindow::designedSize().width());
    const QRect screen = frm->screen()->availableGeometry();
    QCOMPARE(frm->frameGeometry().size(), screen.size());
    // The totals page built now, in the maximised window, follows it too.
    frm->tabs()->setCurrentIndex(1);
    auto *grid = testsupport::control<QTableView>(frm, "Grid集計");
    auto *hint = testsupport::control<QWidget>(frm, "cmdHint1");
    QCoreApplication::processEvents();
    const QSize growth = frm->size() - app::MainWindow::designedSize();
    QCOMPARE(grid->height(), ui::twips(5015) + growth.height());
    QCOMPARE(hint->x(), ui::twips(8520) + growth.width());
}

void TestWindowSize::aYearOfMonthsFitsAFullHdScreen()
{
    testsupport::execOn(m_w->mainPath(), QStringLiteral("insert into 自社情報 values ('和暦', 255)"));
    for (int month = 1; month <= 12; ++month) {
        testsupport::execOn(m_w->mainPath(),
                            QStringLiteral("insert into 業務日誌 (日付, 売上額, 仕入額, 入金額, 出金額) values "
                                           "('2006-%1-15', 1000, 500, 1000, 500)")
                                .arg(month, 2, 10, QLatin1Char('0')));
    }
    QVERIFY(m_w->start());
    app::MainWindow *frm = m_w->frm.get();
    frm->show();
    // A maximised window on a 1920 × 1080 screen, below a task bar.
    frm->resize(1920, 1080 - 48 - 30);
    frm->tabs()->setCurrentIndex(1);
    totals::TotalsPage *page = frm->totalsPage();
    page->findChild<ui::DateBox *>(QStringLiteral("Dt開始"))->setValue(QDate(2006, 1, 1));
    page->findChild<ui::DateBox *>(QStringLiteral("Dt終了"))->setValue(QDate(2006, 12, 31));
    page->choose(store::Grouping::Month);
    page->run();
    QCoreApplication::processEvents();
    QTableView *grid = testsupport::control<QTableView>(page, "Grid集計");
    QCOMPARE(grid->model()->rowCount(), 12);
    QVERIFY2(grid->verticalScrollBar()->maximum() == 0, "the twelve months need scrolling");
    QVERIFY(grid->rowViewportPosition(11) + grid->rowHeight(11) <= grid->viewport()->height());
}

void TestWindowSize::sizeComesBackAtTheNextStart()
{
    QTemporaryDir config;
    const QString file = config.filePath(QStringLiteral("window.ini"));
    {
        QSettings settings(file, QSettings::IniFormat);
        m_w->frm->rememberSizeIn(&settings);
        QCOMPARE(m_w->frm->size(), app::MainWindow::designedSize()); // nothing kept yet
        m_w->frm->show();
        m_w->frm->resize(900, 700);
        QCoreApplication::processEvents();
        m_w->frm->close();
    }
    QVERIFY(m_w->start());
    QSettings settings(file, QSettings::IniFormat);
    m_w->frm->rememberSizeIn(&settings);
    m_w->frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w->frm.get()));
    QCOMPARE(m_w->frm->size(), QSize(900, 700));
    QCOMPARE(testsupport::control<QWidget>(m_w->frm.get(), "txtメモ")->width(),
             ui::twips(8535) + 900 - app::MainWindow::designedSize().width());
}

// Closing at the size kept leaves the user's configuration file alone (no
// write, no sync); a changed size is written and comes back.
void TestWindowSize::unchangedSizeIsNotWrittenAgain()
{
    QTemporaryDir config;
    const QString file = config.filePath(QStringLiteral("window.ini"));
    const auto startAndClose = [this, &file](std::optional<QSize> resizeTo) {
        QSettings settings(file, QSettings::IniFormat);
        m_w->frm->rememberSizeIn(&settings);
        m_w->frm->show();
        if (!QTest::qWaitForWindowExposed(m_w->frm.get())) {
            return QSize();
        }
        const QSize shown = m_w->frm->size();
        if (resizeTo) {
            m_w->frm->resize(*resizeTo);
            QCoreApplication::processEvents();
        }
        m_w->frm->close();
        return shown;
    };
    const auto ageFile = [&file] {
        QFile kept(file);
        const QDateTime past = QDateTime::currentDateTime().addDays(-1);
        return kept.open(QIODevice::ReadWrite) && kept.setFileTime(past, QFileDevice::FileModificationTime);
    };
    const auto modified = [&file] { return QFileInfo(file).lastModified(); };

    startAndClose(QSize(900, 700));
    QVERIFY(QFileInfo::exists(file));
    // The first start at a new size may note the window's place as the
    // platform put it; from then on the kept bytes are those a close makes.
    QVERIFY(m_w->start());
    QCOMPARE(startAndClose(std::nullopt), QSize(900, 700));
    QVERIFY(ageFile());
    const QDateTime aged = modified();
    const QByteArray written = [&file] {
        QFile kept(file);
        return kept.open(QIODevice::ReadOnly) ? kept.readAll() : QByteArray();
    }();

    for (int start = 0; start < 2; ++start) {
        QVERIFY(m_w->start());
        QCOMPARE(startAndClose(std::nullopt), QSize(900, 700));
        QCOMPARE(modified(), aged);
    }
    QFile kept(file);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), written);
    kept.close();

    QVERIFY(m_w->start());
    QCOMPARE(startAndClose(QSize(950, 720)), QSize(900, 700));
    QVERIFY(modified() > aged);
    QVERIFY(m_w->start());
    QCOMPARE(startAndClose(std::nullopt), QSize(950, 720));
}

// Every framed box and grid shows its four lines on every page, at the
// designed size and grown by an odd number of pixels.
void TestWindowSize::framesAreWhole()
{
    app::MainWindow *frm = m_w->frm.get();
    frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(frm));
    QCoreApplication::processEvents();
    const auto placesOnPages = [frm] {
        QHash<QString, QRect> places;
        for (int tab = 0; tab < frm->tabs()->count(); ++tab) {
            places.insert(placesOf(frm->tabs()->widget(tab)));
        }
        return places;
    };
    const QHash<QString, QRect> first = placesOnPages();
    for (const QSize growth : {QSize(0, 0), QSize(301, 203), QSize(1, 1), QSize(0, 0)}) {
        frm->resize(app::MainWindow::designedSize() + growth);
        for (int tab = 0; tab < frm->tabs()->count(); ++tab) {
            frm->tabs()->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            const QStringList cut = framesCut(frm);
            QVERIFY2(cut.isEmpty(), qPrintable(QStringLiteral("scale %1, grown %2×%3: %4")
                                                   .arg(frm->devicePixelRatio())
                                                   .arg(growth.width())
                                                   .arg(growth.height())
                                                   .arg(cut.join(QLatin1Char(' ')))));
        }
    }
    // Back at the designed size, every control stands where it first stood.
    const QHash<QString, QRect> last = placesOnPages();
    for (auto it = first.cbegin(); it != first.cend(); ++it) {
        QVERIFY2(last.value(it.key()) == it.value(), qPrintable(it.key()));
    }
}

void TestWindowSize::framesAreWholeAtEveryScale_data()
{
    QTest::addColumn<QString>("scale");
    for (const char *scale : {"1.5", "2", "1.25"}) {
        QTest::newRow(scale) << QString::fromLatin1(scale);
    }
}

void TestWindowSize::framesAreWholeAtEveryScale()
{
    if (testsupport::inScaledRun()) {
        QSKIP("the scaled run itself");
    }
    QFETCH(QString, scale);
    const QString failed = testsupport::failedScaledRun(scale, {QStringLiteral("framesAreWhole")});
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
}

QTEST_MAIN(TestWindowSize)
#include "test_windowsize.moc"
