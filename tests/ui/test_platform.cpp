// Ending the process and opening a web address.

#include "ui/platform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

class CountingEnder final : public ui::ProcessEnder
{
public:
    void endProcess() override { ++calls; }
    int calls = 0;
};

// Receives the addresses QDesktopServices hands to the https handler.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void openUrl(const QUrl &url) { urls << url; }
};

} // namespace

class TestPlatform : public QObject
{
    Q_OBJECT

private slots:
    void endsProcessOnlyForAWindow_data();
    void endsProcessOnlyForAWindow();
    void applicationEnderLeavesWithZero();
    void urlOpener();
};

void TestPlatform::endsProcessOnlyForAWindow_data()
{
    QTest::addColumn<quintptr>("handle");
    QTest::addColumn<int>("calls");
    QTest::newRow("no window") << quintptr(0) << 0;
    QTest::newRow("a window") << quintptr(0x1A2B) << 1;
    QTest::newRow("handle 1") << quintptr(1) << 1;
    QTest::newRow("highest handle") << ~quintptr(0) << 1;
}

void TestPlatform::endsProcessOnlyForAWindow()
{
    QFETCH(quintptr, handle);
    QFETCH(int, calls);
    CountingEnder ender;
    ui::endProcess(handle, ender);
    QCOMPARE(ender.calls, calls);
}

// The event loop is left with status 0; a loop that is not left ends with 99.
void TestPlatform::applicationEnderLeavesWithZero()
{
    ui::ApplicationProcessEnder ender;
    QTimer::singleShot(0, [&ender] { ui::endProcess(quintptr(42), ender); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    QCOMPARE(QCoreApplication::exec(), 0);
}

void TestPlatform::urlOpener()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "openUrl");
    ui::DesktopUrlOpener opener;
    opener.open(QStringLiteral("https://www.example.co.jp/zephra/"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl(QStringLiteral("https://www.example.co.jp/zephra/"))});
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "test_platform.moc"
