#include "journal/journalpage.h"

#include "store/recordset.h"
#include "store/statements.h"
#include "ui/amountbox.h"
#include "ui/commandbutton.h"
#include "ui/datebox.h"
#include "ui/geometry.h"
#include "ui/journaltextbox.h"
#include "ui/panel.h"
#include "ui/placement.h"

#include <QLabel>

namespace journal {

namespace {

const QString k日付 = QStringLiteral("日付");
const QString k売上額 = QStringLiteral("売上額");
const QString k仕入額 = QStringLiteral("仕入額");
const QString k入金額 = QStringLiteral("入金額");
const QString k出金額 = QStringLiteral("出金額");
const QString k日誌 = QStringLiteral("日誌");

// An amount read from the journal: a Null shows as 0; what is no whole
// number (a text, a fraction) as no value.
std::optional<qint64> amountOf(const QVariant &value)
{
    if (value.isNull()) {
        return 0;
    }
    if (value.typeId() != QMetaType::LongLong && value.typeId() != QMetaType::Int) {
        return std::nullopt;
    }
    return value.toLongLong();
}

QVariant fieldValue(const std::optional<qint64> &amount)
{
    return amount ? QVariant(*amount) : QVariant();
}

} // namespace

JournalPage::JournalPage(store::ModVelmoraA &state, common::Msg &msg, const common::Clock &clock, QWidget *parent)
    : QWidget(parent), m_state(state), m_msg(msg), m_clock(clock)
{
    buildControls();
}

void JournalPage::buildControls()
{
    auto *panel = new ui::Panel(QStringLiteral("imContainer3D1"), this);
    panel->setGeometry(ui::twipsRect(60, 60, 9255, 6135));

    ui::addLabel(panel, QStringLiteral("Label29"), QStringLiteral("日　 付"), 180, 315);
    m_dt日付 = new ui::DateBox(panel);
    ui::place(m_dt日付, QStringLiteral("Dt日付"), 1065, 280, 2310, 320);
    m_dt日付->setEnterMovesFocus(true);
    m_dt日付->setClock(&m_clock);

    ui::addLabel(panel, QStringLiteral("Label1"), QStringLiteral("売上額"), 180, 780);
    m_num売上額 = new ui::AmountBox(panel);
    ui::place(m_num売上額, QStringLiteral("num売上額"), 1080, 720, 1575, 315);
    ui::addLabel(panel, QStringLiteral("Label2"), QStringLiteral("仕入額"), 3000, 780);
    m_num仕入額 = new ui::AmountBox(panel);
    ui::place(m_num仕入額, QStringLiteral("num仕入額"), 3900, 720, 1575, 315);
    ui::addLabel(panel, QStringLiteral("Label3"), QStringLiteral("入　金"), 180, 1200);
    m_num入金額 = new ui::AmountBox(panel);
    ui::place(m_num入金額, QStringLiteral("num入金額"), 1080, 1140, 1575, 315);
    ui::addLabel(panel, QStringLiteral("Label4"), QStringLiteral("出 　金"), 3000, 1200);
    m_num出金額 = new ui::AmountBox(panel);
    ui::place(m_num出金額, QStringLiteral("num出金額"), 3900, 1140, 1575, 315);

    ui::addLabel(panel, QStringLiteral("Label5"), QStringLiteral("日   誌"), 240, 1620);
    m_txtメモ = new ui::JournalTextBox(panel);
    ui::place(m_txtメモ, QStringLiteral("txtメモ"), 360, 1980, 8535, 4015);

    auto *buttons = new ui::Panel(QStringLiteral("imContainer3D6"), panel);
    buttons->setGeometry(ui::twipsRect(6720, 120, 2175, 1725));
    const auto button = [buttons](const QString &name, const QString &caption, int left, int top) {
        auto *b = new ui::CommandButton(caption, buttons);
        ui::place(b, name, left, top, 675, 795);
        return b;
    };
    m_cmd読込 = button(QStringLiteral("cmd読込"), QStringLiteral("読込"), 60, 60);
    m_cmd登録 = button(QStringLiteral("cmd登録"), QStringLiteral("登録"), 750, 60);
    m_cmd閉じる = button(QStringLiteral("cmd閉じる"), QStringLiteral("閉じる"), 1440, 60);
    m_cmd印刷 = button(QStringLiteral("Cmd印刷"), QStringLiteral("印刷"), 60, 870);
    m_cmdクリア = button(QStringLiteral("cmdクリア"), QStringLiteral("クリア"), 750, 870);
    m_cmd削除 = button(QStringLiteral("cmd削除"), QStringLiteral("削除"), 1440, 870);
    m_cmd削除->setToolTip(QStringLiteral("画面上の伝票を削除します。一度削除するともとに戻せません。"));

    m_cmdHint = new ui::HintButton(panel);
    ui::place(m_cmdHint, QStringLiteral("cmdHint"), 6000, 1260, 615, 570);

    // Focus order: the date first, so the page is ready for typing a date.
    QWidget *order[] = {m_dt日付,  m_num売上額, m_num仕入額, m_num入金額, m_num出金額, m_txtメモ, m_cmd読込,
                        m_cmd登録, m_cmd閉じる, m_cmd印刷,   m_cmdクリア, m_cmd削除,   m_cmdHint};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }
    setFocusProxy(m_dt日付);

    connect(m_cmd読込, &QPushButton::clicked, this, &JournalPage::cmd読込_Click);
    connect(m_cmd登録, &QPushButton::clicked, this, &JournalPage::cmd登録_Click);
    connect(m_cmd削除, &QPushButton::clicked, this, &JournalPage::cmd削除_Click);
    connect(m_cmdクリア, &QPushButton::clicked, this, &JournalPage::cmdクリア_Click);
    connect(m_cmd閉じる, &QPushButton::clicked, this, &JournalPage::closeRequested);
    connect(m_cmd印刷, &QPushButton::clicked, this, &JournalPage::printRequested);
    connect(m_cmdHint, &QPushButton::clicked, this, [this] { emit hintRequested(m_cmdHint->objectName()); });
}

void JournalPage::Read日誌()
{
    const std::optional<QDate> date = m_dt日付->value();
    if (!date) {
        m_dt日付->setFocus();
        return;
    }
    m_state.SqlText = store::sql::selectJournalOfDate(*date);
    store::DbError error;
    const auto rs = m_state.MainDb.openRecordset(m_state.SqlText, &error);
    if (!rs) {
        // Without this notice an unreadable day would look like an empty one,
        // and a register that follows would overwrite it.
        m_msg.ShowMsg(QStringLiteral("その他"), QStringLiteral("読込失敗"),
                      m_dt日付->displayText() + QStringLiteral(" の業務日誌を読み込めませんでした。\n理由: ") +
                          store::describeForUser(error));
        return;
    }
    if (!rs->isEmpty()) {
        const QVariant stored = rs->field(k日付);
        if (stored.typeId() == QMetaType::QDate) {
            m_dt日付->setValue(stored.toDate());
        }
        const std::pair<ui::AmountBox *, QString> amounts[] = {
            {m_num売上額, k売上額}, {m_num仕入額, k仕入額}, {m_num入金額, k入金額}, {m_num出金額, k出金額}};
        for (const auto &[box, column] : amounts) {
            // A value the box cannot hold leaves it empty, not showing the day read before.
            if (!box->setValue(amountOf(rs->field(column)))) {
                box->setValue(std::nullopt);
            }
        }
        const QVariant memo = rs->field(k日誌);
        m_txtメモ->setText(memo.isNull() ? QString() : memo.toString());
    }
    rs->close();
}

void JournalPage::Entry日誌()
{
    const std::optional<QDate> date = m_dt日付->value();
    if (!date) {
        m_msg.ShowMsg(QStringLiteral("その他"), QStringLiteral("メッセージ"),
                      QStringLiteral("日付を記入してください。"));
        m_dt日付->setFocus();
        return;
    }
    const QString shown = m_dt日付->displayText();
    if (!m_msg.ShowMsg(QStringLiteral("登録"), QStringLiteral("確認"),
                       QStringLiteral(" ") + shown + QStringLiteral(" の業務日誌"))) {
        return;
    }

    m_state.SqlText = store::sql::selectJournalOfDate(*date);
    // Looked up and written under one write lock: another program's short
    // write is waited for rather than failing the edit, and no other program
    // can add the day between the look-up and the write.
    const auto write = [&]() -> store::DbError {
        store::DbError error;
        const auto rs = m_state.MainDb.openRecordset(m_state.SqlText, &error);
        if (!rs) {
            return error;
        }
        if ((error = rs->isEmpty() ? rs->addNew() : rs->edit())) {
            return error;
        }
        const std::pair<QString, QVariant> fields[] = {
            {k日付, *date},
            {k売上額, fieldValue(m_num売上額->value())},
            {k仕入額, fieldValue(m_num仕入額->value())},
            {k入金額, fieldValue(m_num入金額->value())},
            {k出金額, fieldValue(m_num出金額->value())},
            {k日誌, m_txtメモ->text()},
        };
        for (const auto &[column, value] : fields) {
            if ((error = rs->setField(column, value))) {
                return error;
            }
        }
        error = rs->update();
        rs->close();
        return error;
    };
    if (const store::DbError error = m_state.MainDb.inTransaction(write)) {
        // The page keeps everything the user typed.
        m_msg.ShowMsg(QStringLiteral("登録"), QStringLiteral("失敗"),
                      shown + QStringLiteral(" の業務日誌は登録されていません。\n理由: ") +
                          store::describeForUser(error));
        return;
    }
    Clear日誌();
}

void JournalPage::Delete日誌()
{
    const std::optional<QDate> date = m_dt日付->value();
    if (!date) {
        return;
    }
    const QString shown = m_dt日付->displayText();
    if (!m_msg.ShowMsg(QStringLiteral("削除"), QStringLiteral("伝票確認2"), shown + QStringLiteral(" の日誌"))) {
        return;
    }
    m_state.SqlText = store::sql::deleteJournalOfDate(*date);
    if (const store::DbError error = m_state.MainDb.execute(m_state.SqlText)) {
        m_msg.ShowMsg(QStringLiteral("削除"), QStringLiteral("失敗"),
                      shown + QStringLiteral(" の日誌は削除されていません。\n理由: ") + store::describeForUser(error));
        return;
    }
    Clear日誌();
    m_dt日付->setFocus();
}

void JournalPage::Clear日誌()
{
    m_dt日付->setDateNumber(QVariant());
    for (ui::AmountBox *box : {m_num売上額, m_num仕入額, m_num入金額, m_num出金額}) {
        box->setValue(0);
    }
    m_txtメモ->setText(QString());
    m_dt日付->setFocus();
}

void JournalPage::applyCalendarMode(const QString &calendarMode, int dateBoxWidthTwips)
{
    m_dt日付->setCalendarMode(calendarMode);
    m_dt日付->resize(ui::twips(dateBoxWidthTwips), m_dt日付->height());
}

void JournalPage::setDateNumber(const QVariant &dateNumber)
{
    m_dt日付->setDateNumber(dateNumber);
}

JournalValues JournalPage::values() const
{
    return {m_dt日付->value(),    m_dt日付->displayText(), m_num売上額->value(), m_num仕入額->value(),
            m_num入金額->value(), m_num出金額->value(),    m_txtメモ->text()};
}

} // namespace journal
