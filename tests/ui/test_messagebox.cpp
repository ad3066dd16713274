// The real message presenter: a QMessageBox driven from the keyboard.

#include "dialogwatcher.h"

#include "ui/messagebox.h"
#include "ui/translations.h"

#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using common::MessageRequest;

namespace {

// What the box looked like when it was found.
struct Seen
{
    bool found = false;
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttonTexts; // in the order Yes, No, OK; absent buttons left out
    QString defaultText;
    bool modal = false;
};

// Presents `request`, records the box and answers it with `key`.
int presentAndPress(const MessageRequest &request, Qt::Key key, Seen &seen)
{
    whenShown<QMessageBox>([&seen, key](QMessageBox *box) {
        seen.found = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.format = box->textFormat();
        seen.icon = box->icon();
        for (auto which : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok}) {
            if (QAbstractButton *button = box->button(which)) {
                seen.buttonTexts << button->text();
            }
        }
        if (QPushButton *button = box->defaultButton()) {
            seen.defaultText = button->text();
        }
        seen.modal = box->windowModality() == Qt::ApplicationModal;
        // The key goes where the user's keystroke would: to the focused button.
        QWidget *target = box->focusWidget() ? box->focusWidget() : box;
        QTest::keyClick(target, key);
    });
    ui::QtMessagePresenter presenter;
    return presenter.present(request);
}

} // namespace

class TestMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void styles_data();
    void styles();
    void markupShownAsText();
    void parentIsHonoured();
};

void TestMessageBox::initTestCase()
{
    QVERIFY(ui::installJapaneseTranslations(*qApp));
    QVERIFY(ui::installJapaneseTranslations(*qApp)); // a second call is harmless
    QCOMPARE(QLocale().language(), QLocale::Japanese);
    QCOMPARE(QLocale().territory(), QLocale::Japan);
}

void TestMessageBox::styles_data()
{
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("defaultButton");
    QTest::addColumn<int>("answer");

    const QString yes = QStringLiteral("はい(&Y)");
    const QString no = QStringLiteral("いいえ(&N)");
    const QString ok = QStringLiteral("OK");
    const int question = QMessageBox::Question;

    QTest::newRow("36 Enter") << 36 << int(Qt::Key_Return) << question << QStringList{yes, no} << yes << 6;
    QTest::newRow("36 keypad Enter") << 36 << int(Qt::Key_Enter) << question << QStringList{yes, no} << yes << 6;
    QTest::newRow("36 Escape") << 36 << int(Qt::Key_Escape) << question << QStringList{yes, no} << yes << 7;
    QTest::newRow("36 N") << 36 << int(Qt::Key_N) << question << QStringList{yes, no} << yes << 7;
    QTest::newRow("292 Enter") << 292 << int(Qt::Key_Return) << question << QStringList{yes, no} << no << 7;
    QTest::newRow("292 Escape") << 292 << int(Qt::Key_Escape) << question << QStringList{yes, no} << no << 7;
    QTest::newRow("292 Y") << 292 << int(Qt::Key_Y) << question << QStringList{yes, no} << no << 6;
    QTest::newRow("48 Enter") << 48 << int(Qt::Key_Return) << int(QMessageBox::Warning) << QStringList{ok} << ok << 1;
    QTest::newRow("64 Enter") << 64 << int(Qt::Key_Return) << int(QMessageBox::Information) << QStringList{ok} << ok
                              << 1;
    QTest::newRow("64 Escape") << 64 << int(Qt::Key_Escape) << int(QMessageBox::Information) << QStringList{ok} << ok
                               << 1;
}

void TestMessageBox::styles()
{
    QFETCH(int, style);
    QFETCH(int, key);
    QFETCH(int, icon);
    QFETCH(QStringList, buttons);
    QFETCH(QString, defaultButton);
    QFETCH(int, answer);

    const MessageRequest request{QStringLiteral("登録の確認"), QStringLiteral("設定 を登録します。よろしいですか"),
                                 style};
    Seen seen;
    const int code = presentAndPress(request, Qt::Key(key), seen);

    QVERIFY(seen.found);
    QCOMPARE(seen.title, request.title);
    QCOMPARE(seen.text, request.text);
    QCOMPARE(int(seen.icon), icon);
    QCOMPARE(seen.buttonTexts, buttons);
    QCOMPARE(seen.defaultText, defaultButton);
    QVERIFY(seen.modal);
    QCOMPARE(code, answer);
}

// A subject typed by the user must not turn into rich text.
void TestMessageBox::markupShownAsText()
{
    const QString text = QStringLiteral("<b>設定</b><br>&amp; を削除します。よろしいですか");
    QString labelText;
    Qt::TextFormat labelFormat = Qt::RichText;
    whenShown<QMessageBox>([&](QMessageBox *box) {
        if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
            labelText = label->text();
            labelFormat = label->textFormat();
        }
        box->button(QMessageBox::No)->click();
    });
    ui::QtMessagePresenter presenter;
    QCOMPARE(presenter.present({QStringLiteral("<i>削除の確認</i>"), text, 292}), 7);
    QCOMPARE(labelText, text);
    QCOMPARE(labelFormat, Qt::PlainText);
}

void TestMessageBox::parentIsHonoured()
{
    QWidget window;
    window.show();
    QWidget *parent = nullptr;
    whenShown<QMessageBox>([&](QMessageBox *box) {
        parent = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    ui::QtMessagePresenter presenter(&window);
    QCOMPARE(presenter.present({QStringLiteral("登録完了"), QStringLiteral("ヒント を登録しました。"), 64}), 1);
    QCOMPARE(parent, &window);
}

QTEST_MAIN(TestMessageBox)
#include "test_messagebox.moc"
