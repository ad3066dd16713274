#include "journal/journalpage.h"

#include "common/holidays.h"
#include "ui/amountbox.h"
#include "ui/commandbutton.h"
#include "ui/datebox.h"
#include "ui/devicepixels.h"
#include "ui/geometry.h"
#include "ui/journaltextbox.h"
#include "ui/panel.h"
#include "ui/placement.h"

#include <QLabel>

namespace journal {

namespace {

// The weekday label stands right of the date box, on its line, up to the 検索 button.
constexpr int kWeekdayGap = 60;
constexpr int kWeekdayRight = 5145;
constexpr int kSearchLeft = 5205;

} // namespace

JournalPage::JournalPage(store::Store &store, common::Msg &msg, const common::Clock &clock, QWidget *parent)
    : QWidget(parent), m_msg(msg), m_clock(clock), m_controller(store, msg)
{
    buildControls();
    connect(&m_controller, &JournalController::recordRead, this, &JournalPage::showRecord);
    connect(&m_controller, &JournalController::cleared, this, &JournalPage::showCleared);
    connect(&m_controller, &JournalController::dateWanted, m_dt日付, [this] { m_dt日付->setFocus(); });
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

    m_lbl曜日 = new QLabel(panel);
    m_lbl曜日->setTextFormat(Qt::PlainText);
    m_lbl曜日->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ui::place(m_lbl曜日, QStringLiteral("lbl曜日"), 1065 + 2310 + kWeekdayGap, 280, kWeekdayRight - 3435, 320);
    m_lbl曜日->setAccessibleName(QStringLiteral("曜日"));

    struct AmountField
    {
        ui::AmountBox *&box;
        const char16_t *name;
        const char16_t *label;
        const char16_t *caption;
        int left; // of the label; the box stands 900 twips to its right, 60 above
        int top;
    };
    const AmountField amounts[] = {{m_num売上額, u"num売上額", u"Label1", u"売上額", 180, 780},
                                   {m_num仕入額, u"num仕入額", u"Label2", u"仕入額", 3000, 780},
                                   {m_num入金額, u"num入金額", u"Label3", u"入　金", 180, 1200},
                                   {m_num出金額, u"num出金額", u"Label4", u"出 　金", 3000, 1200}};
    for (const AmountField &field : amounts) {
        ui::addLabel(panel, QString::fromUtf16(field.label), QString::fromUtf16(field.caption), field.left, field.top);
        field.box = new ui::AmountBox(panel);
        ui::place(field.box, QString::fromUtf16(field.name), field.left + 900, field.top - 60, 1575, 315);
    }

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

    // The files for other programs: above the hint button, left of the button panel.
    const auto fileButton = [panel](const QString &name, const QString &caption, int top, const QString &what,
                                    const QString &tip) {
        auto *b = new ui::CommandButton(caption, panel);
        ui::place(b, name, 6000, top, 615, 540);
        b->setToolTip(tip);
        b->setAccessibleName(what);
        b->setAccessibleDescription(tip);
        return b;
    };
    m_cmd書出 = fileButton(QStringLiteral("cmd書出"), QStringLiteral("書出"), 120, QStringLiteral("ファイルに書き出し"),
                           QStringLiteral("業務日誌を CSV か Excel のファイルに書き出します"));
    m_cmd取込 =
        fileButton(QStringLiteral("cmd取込"), QStringLiteral("取込"), 690, QStringLiteral("ファイルから取り込み"),
                   QStringLiteral("CSV ファイルの業務日誌を取り込みます"));

    // Right of the weekday label, above the amounts.
    m_cmd検索 = new ui::CommandButton(QStringLiteral("検索"), panel);
    ui::place(m_cmd検索, QStringLiteral("cmd検索"), kSearchLeft, 240, 675, 400);
    m_cmd検索->setToolTip(QStringLiteral("言葉で日誌を探します（Ctrl+F）"));
    m_cmd検索->setAccessibleName(QStringLiteral("日誌を検索"));

    m_cmdHint = new ui::HintButton(panel);
    ui::place(m_cmdHint, QStringLiteral("cmdHint"), 6000, 1260, 615, 570);

    using ui::Anchors;
    m_anchors.add(panel, Anchors::StretchWidth | Anchors::StretchHeight);
    m_anchors.add(m_txtメモ, Anchors::StretchWidth | Anchors::StretchHeight);
    for (QWidget *right : {static_cast<QWidget *>(buttons), static_cast<QWidget *>(m_cmd書出),
                           static_cast<QWidget *>(m_cmd取込), static_cast<QWidget *>(m_cmdHint)}) {
        m_anchors.add(right, Anchors::Right);
    }

    // Focus order: the date first, so the page is ready for typing a date.
    QWidget *order[] = {m_dt日付,  m_num売上額, m_num仕入額, m_num入金額, m_num出金額, m_txtメモ,
                        m_cmd読込, m_cmd登録,   m_cmd閉じる, m_cmd印刷,   m_cmdクリア, m_cmd削除,
                        m_cmd書出, m_cmd取込,   m_cmd検索,   m_cmdHint};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }
    setFocusProxy(m_dt日付);

    connect(m_dt日付, &ui::DateBox::valueChanged, this, [this] {
        showWeekday();
        m_controller.takeUpDay(m_dt日付->value());
    });
    connect(m_cmd読込, &QPushButton::clicked, this, &JournalPage::read);
    connect(m_cmd登録, &QPushButton::clicked, this, &JournalPage::save);
    connect(m_cmd削除, &QPushButton::clicked, this, &JournalPage::remove);
    connect(m_cmdクリア, &QPushButton::clicked, this, &JournalPage::clear);
    connect(m_cmd閉じる, &QPushButton::clicked, this, &JournalPage::closeRequested);
    connect(m_cmd印刷, &QPushButton::clicked, this, &JournalPage::print);
    connect(m_cmd書出, &QPushButton::clicked, this, [this] {
        if (dateSettled()) {
            emit exportRequested();
        }
    });
    connect(m_cmd検索, &QPushButton::clicked, this, &JournalPage::searchRequested);
    connect(m_cmd取込, &QPushButton::clicked, this, [this] {
        if (dateSettled()) {
            emit importRequested();
        }
    });
    connect(m_cmdHint, &QPushButton::clicked, this, [this] { emit hintRequested(m_cmdHint->objectName()); });
}

void JournalPage::followWindowGrowth(QSize growth)
{
    m_anchors.follow(growth);
}

bool JournalPage::dateSettled()
{
    // A click on a button leaves the box first, which shows its earlier date
    // again; the typing it set aside must stop the command, not that date.
    return ui::dateReadyForCommand(m_dt日付, m_msg, QStringLiteral("日付"));
}

void JournalPage::print()
{
    if (dateSettled()) {
        emit printRequested();
    }
}

void JournalPage::read()
{
    if (dateSettled()) {
        m_controller.read(values());
    }
}

void JournalPage::showRecord(const store::JournalRecord &record)
{
    m_dt日付->setValue(record.date);
    const std::pair<ui::AmountBox *, store::AmountColumn> amounts[] = {{m_num売上額, store::AmountColumn::Sales},
                                                                       {m_num仕入額, store::AmountColumn::Purchases},
                                                                       {m_num入金額, store::AmountColumn::MoneyIn},
                                                                       {m_num出金額, store::AmountColumn::MoneyOut}};
    for (const auto &[box, column] : amounts) {
        // A Null shows as 0 and stays Null unless the user changes it. What
        // is no whole number (a text, a fraction) or more than the box holds
        // leaves it empty, not showing the day read before.
        const store::Amount amount = record.unreadable.testFlag(column) ? store::Amount() : record.amounts[column];
        if (!amount && !record.unreadable.testFlag(column)) {
            box->setNoValueShownAsZero();
        } else if (!box->setValue(amount)) {
            box->setValue(std::nullopt);
        }
    }
    m_txtメモ->setText(record.text);
}

void JournalPage::save()
{
    if (dateSettled()) {
        m_controller.save(values());
    }
}

void JournalPage::remove()
{
    if (dateSettled()) {
        m_controller.remove(values());
    }
}

void JournalPage::clear()
{
    m_controller.clear();
}

void JournalPage::showCleared()
{
    m_dt日付->clear();
    for (ui::AmountBox *box : {m_num売上額, m_num仕入額, m_num入金額, m_num出金額}) {
        box->setValue(0);
    }
    m_txtメモ->setText(QString());
    m_dt日付->setFocus();
}

void JournalPage::applyCalendarMode(const QString &calendarMode, int dateBoxWidthTwips)
{
    m_dt日付->setCalendarMode(calendarMode);
    QRect place = ui::designedGeometry(m_dt日付);
    place.setWidth(ui::twips(dateBoxWidthTwips));
    ui::setDesignedGeometry(m_dt日付, place);
    placeWeekday();
}

void JournalPage::placeWeekday()
{
    const QRect box = ui::designedGeometry(m_dt日付);
    const int left = box.right() + 1 + ui::twips(kWeekdayGap);
    ui::setDesignedGeometry(m_lbl曜日, QRect(left, box.top(), ui::twips(kWeekdayRight) - left, box.height()));
    showWeekday();
}

void JournalPage::showWeekday()
{
    const std::optional<QDate> day = m_dt日付->value();
    const QString text = day ? common::weekdayAndHoliday(*day) : QString();
    // A name longer than the room (the imperial weddings) ends in an ellipsis; the tooltip shows it whole.
    m_lbl曜日->setText(m_lbl曜日->fontMetrics().elidedText(text, Qt::ElideRight, m_lbl曜日->width()));
    m_lbl曜日->setToolTip(day && common::isHoliday(*day) ? text : QString());
    m_lbl曜日->setAccessibleDescription(text);
    QPalette palette = m_lbl曜日->parentWidget()->palette();
    if (const QColor colour = day ? common::dayColour(*day) : QColor(); colour.isValid()) {
        palette.setColor(QPalette::WindowText, colour);
    }
    m_lbl曜日->setPalette(palette);
}

void JournalPage::showDay(QDate day)
{
    m_dt日付->setValue(day);
}

common::JournalValues JournalPage::values() const
{
    return {m_dt日付->displayText(), m_num売上額->value(), m_num仕入額->value(), m_num入金額->value(),
            m_num出金額->value(),    m_txtメモ->text(),    m_dt日付->value()};
}

} // namespace journal
