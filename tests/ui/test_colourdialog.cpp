// The colour-choice dialog and its platform colour numbers.

#include "dialogwatcher.h"

#include "ui/colourdialog.h"

#include <QColorDialog>
#include <QTest>

namespace {

// Answers from a fixed result.
class FixedChooser final : public ui::ColourChooser
{
public:
    explicit FixedChooser(std::optional<QColor> result) : m_result(result) {}
    std::optional<QColor> choose(QWidget *, const QColor &) override { return m_result; }

private:
    std::optional<QColor> m_result;
};

} // namespace

class TestColourDialog : public QObject
{
    Q_OBJECT

private slots:
    void failureIsMinusOne_data();
    void failureIsMinusOne();
    void dialogAccepted_data();
    void dialogAccepted();
    void dialogRejected();
    void customColoursNotKept();
};

void TestColourDialog::failureIsMinusOne_data()
{
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("cancelled") << true;
    QTest::newRow("invalid colour") << false;
}

void TestColourDialog::failureIsMinusOne()
{
    QFETCH(bool, cancelled);
    FixedChooser chooser(cancelled ? std::nullopt : std::optional<QColor>(QColor()));
    QCOMPARE(ui::chooseColour(chooser, nullptr, 0x00FF00), -1);
}

void TestColourDialog::dialogAccepted_data()
{
    QTest::addColumn<qint32>("initial");
    QTest::addColumn<QColor>("pick"); // invalid: accept the colour as handed over
    QTest::addColumn<qint32>("result");

    QTest::newRow("another colour") << qint32(0x000000) << QColor(0x20, 0x40, 0x80) << qint32(0x804020);
    QTest::newRow("unchanged initial") << qint32(0x336699) << QColor() << qint32(0x336699);
    QTest::newRow("initial picked again") << qint32(0x0000FF) << QColor(255, 0, 0) << qint32(0x0000FF);
    QTest::newRow("black chosen") << qint32(0xFFFFFF) << QColor(0, 0, 0) << qint32(0);
}

void TestColourDialog::dialogAccepted()
{
    QFETCH(qint32, initial);
    QFETCH(QColor, pick);
    QFETCH(qint32, result);

    bool found = false;
    whenShown<QColorDialog>([&](QColorDialog *dialog) {
        found = true;
        if (pick.isValid()) {
            dialog->setCurrentColor(pick);
        }
        dialog->accept();
    });
    ui::QtColourChooser chooser;
    QCOMPARE(ui::chooseColour(chooser, nullptr, initial), result);
    QVERIFY(found);
}

void TestColourDialog::dialogRejected()
{
    QColor shownColour;
    whenShown<QColorDialog>([&](QColorDialog *dialog) {
        shownColour = dialog->currentColor();
        dialog->setCurrentColor(QColor(1, 2, 3));
        dialog->reject();
    });
    ui::QtColourChooser chooser;
    QCOMPARE(ui::chooseColour(chooser, nullptr, 0x00C0FF), -1);
    QCOMPARE(shownColour.rgb(), QColor(0xFF, 0xC0, 0x00).rgb());
}

// Every call starts with sixteen white custom colours, whatever the last one left.
void TestColourDialog::customColoursNotKept()
{
    ui::QtColourChooser chooser;
    QCOMPARE(QColorDialog::customCount(), 16);
    for (int call = 0; call < 2; ++call) {
        QList<QRgb> seen;
        whenShown<QColorDialog>([&](QColorDialog *dialog) {
            for (int i = 0; i < QColorDialog::customCount(); ++i) {
                seen << QColorDialog::customColor(i).rgb();
            }
            // What a user would do: define custom colours before leaving.
            for (int i = 0; i < QColorDialog::customCount(); ++i) {
                QColorDialog::setCustomColor(i, QColor(i * 10, 0, 0));
            }
            dialog->accept();
        });
        QVERIFY(ui::chooseColour(chooser, nullptr, 0) != -1);
        QCOMPARE(seen, QList<QRgb>(16, QColor(Qt::white).rgb()));
    }
}

QTEST_MAIN(TestColourDialog)
#include "test_colourdialog.moc"
