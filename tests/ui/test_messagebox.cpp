// The real message presenter: a QMessageBox driven from the keyboard.

#include "dialogwatcher.h"

#include "ui/messagebox.h"
#include "ui/translations.h"

#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using common::Answer;
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
Answer presentAndPress(const MessageRequest &request, Qt::Key key, Seen &seen)
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
    QTest::addColumn<common::BoxStyle>("style");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("defaultButton");
    QTest::addColumn<Answer>("answer");

    const QString yes = QStringLiteral("はい(&Y)");
    const QString no = QStringLiteral("いいえ(&N)");
    const QString ok = QStringLiteral("OK");
    const int question = QMessageBox::Question;
    const auto yesFirst = common::kQuestionYesDefault;
    const auto noFirst = common::kQuestionNoDefault;

    QTest::newRow("Yes default, Enter") << yesFirst << int(Qt::Key_Return) << question << QStringList{yes, no} << yes
                                        << Answer::Yes;
    QTest::newRow("Yes default, keypad Enter")
        << yesFirst << int(Qt::Key_Enter) << question << QStringList{yes, no} << yes << Answer::Yes;
    QTest::newRow("Yes default, Escape") << yesFirst << int(Qt::Key_Escape) << question << QStringList{yes, no} << yes
                                         << Answer::No;
    QTest::newRow("Yes default, N") << yesFirst << int(Qt::Key_N) << question << QStringList{yes, no} << yes
                                    << Answer::No;
    QTest::newRow("No default, Enter") << noFirst << int(Qt::Key_Return) << question << QStringList{yes, no} << no
                                       << Answer::No;
    QTest::newRow("No default, Escape") << noFirst << int(Qt::Key_Escape) << question << QStringList{yes, no} << no
                                        << Answer::No;
    QTest::newRow("No default, Y") << noFirst << int(Qt::Key_Y) << question << QStringList{yes, no} << no
                                   << Answer::Yes;
    QTest::newRow("warning, Enter") << common::kWarning << int(Qt::Key_Return) << int(QMessageBox::Warning)
                                    << QStringList{ok} << ok << Answer::Ok;
    QTest::newRow("information, Enter") << common::kInformation << int(Qt::Key_Return) << int(QMessageBox::Information)
                                        << QStringList{ok} << ok << Answer::Ok;
    QTest::newRow("information, Escape") << common::kInformation << int(Qt::Key_Escape) << int(QMessageBox::Information)
                                         << QStringList{ok} << ok << Answer::Ok;
}

void TestMessageBox::styles()
{
    QFETCH(common::BoxStyle, style);
    QFETCH(int, key);
    QFETCH(int, icon);
    QFETCH(QStringList, buttons);
    QFETCH(QString, defaultButton);
    QFETCH(Answer, answer);

    const MessageRequest request{QStringLiteral("登録の確認"), QStringLiteral("設定 を登録します。よろしいですか"),
                                 style};
    Seen seen;
    const Answer pressed = presentAndPress(request, Qt::Key(key), seen);

    QVERIFY(seen.found);
    QCOMPARE(seen.title, request.title);
    QCOMPARE(seen.text, request.text);
    QCOMPARE(int(seen.icon), icon);
    QCOMPARE(seen.buttonTexts, buttons);
    QCOMPARE(seen.defaultText, defaultButton);
    QVERIFY(seen.modal);
    QCOMPARE(pressed, answer);
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
    QCOMPARE(presenter.present({QStringLiteral("<i>削除の確認</i>"), text, common::kQuestionNoDefault}), Answer::No);
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
    QCOMPARE(presenter.present(
                 {QStringLiteral("登録完了"), QStringLiteral("ヒント を登録しました。"), common::kInformation}),
             Answer::Ok);
    QCOMPARE(parent, &window);
}

QTEST_MAIN(TestMessageBox)
#include "test_messagebox.moc"
