#include "totals/totalspage.h"

#include "common/datehelpers.h"
#include "common/formats.h"
#include "store/recordset.h"
#include "store/statements.h"
#include "totals/worktablemodel.h"
#include "ui/amountbox.h"
#include "ui/commandbutton.h"
#include "ui/datebox.h"
#include "ui/geometry.h"
#include "ui/panel.h"
#include "ui/placement.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>

namespace totals {

namespace {

const QString kColumns[] = {QStringLiteral("日付"), QStringLiteral("売上額"), QStringLiteral("仕入額"),
                            QStringLiteral("入金額"), QStringLiteral("出金額")};

QVariant dateNumberOf(const QString &dateText)
{
    // "yyyy/mm/dd" → yyyymmdd
    QString digits = dateText;
    digits.remove(QLatin1Char('/'));
    bool ok = false;
    const int number = digits.toInt(&ok);
    return ok ? QVariant(number) : QVariant();
}

QString dateTextOf(const std::optional<QDate> &date)
{
    return date ? store::sql::dateText(*date) : QString();
}

// Why a journal row cannot be totalled: an amount that is no whole number
// within the amount boxes' range (a text, a fraction, too many digits). It
// would count as 0 or as a figure the journal page cannot show, so the run
// stops and names the day, which the user puts right on the journal page.
store::DbError unreadableAmount(const store::RefusedValue &refused, const QString &calendarMode)
{
    const QDate date = refused.row.value(0).toDate(); // the day, copied first
    return {store::ErrBadValue, common::formatDate(date, common::dateBoxPattern(calendarMode)) + QStringLiteral(" の") +
                                    refused.column + QStringLiteral("「") + refused.value.toString() +
                                    QStringLiteral("」は金額として読めません。日誌の画面で直して登録してください")};
}

} // namespace

TotalsPage::TotalsPage(store::ModVelmoraA &state, common::Msg &msg, const common::Clock &clock, QWidget *parent)
    : QWidget(parent), m_state(state), m_msg(msg), m_clock(clock)
{
    buildControls();
}

void TotalsPage::buildControls()
{
    auto *panel = new ui::Panel(QStringLiteral("imContainer3D2"), this);
    panel->setGeometry(ui::twipsRect(60, 60, 9255, 6135));

    ui::addLabel(panel, QStringLiteral("Label9"), QStringLiteral("期間"), 240, 195);
    m_dt開始 = new ui::DateBox(panel);
    m_dt開始->setClock(&m_clock);
    ui::place(m_dt開始, QStringLiteral("Dt開始"), 825, 150, 2370, 300);
    m_dt開始->setEnterMovesFocus(true);
    m_lblKara = new QLabel(QStringLiteral("～"), panel);
    ui::place(m_lblKara, QStringLiteral("LblKara"), 3290, 210, 210, 180);
    m_dt終了 = new ui::DateBox(panel);
    m_dt終了->setClock(&m_clock);
    ui::place(m_dt終了, QStringLiteral("Dt終了"), 3600, 150, 2370, 300);

    const auto sumBox = [panel](const QString &name) {
        auto *box = new ui::AmountBox(panel);
        box->setObjectName(name);
        return box;
    };
    m_num売上計 = sumBox(QStringLiteral("num売上計"));
    m_num仕入計 = sumBox(QStringLiteral("num仕入計"));
    m_num入金計 = sumBox(QStringLiteral("num入金計"));
    m_num出金計 = sumBox(QStringLiteral("num出金計"));

    m_grid集計 = new QTableView(panel);
    ui::place(m_grid集計, QStringLiteral("Grid集計"), 240, 1020, 7995, 5015);
    m_grid集計->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid集計->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid集計->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid集計->verticalHeader()->setDefaultSectionSize(20);
    m_grid集計->verticalHeader()->setFixedWidth(16); // the record selectors
    m_grid集計->setTabKeyNavigation(false);
    m_grid集計->installEventFilter(this);
    connect(m_grid集計, &QTableView::doubleClicked, this, &TotalsPage::Grid集計_RowPicked);

    auto *buttons = new ui::Panel(QStringLiteral("imContainer3D5"), panel);
    buttons->setGeometry(ui::twipsRect(8385, 1020, 795, 2550));
    const auto button = [buttons](const QString &name, const QString &caption, int top) {
        auto *b = new ui::CommandButton(caption, buttons);
        ui::place(b, name, 60, top, 675, 795);
        return b;
    };
    m_cmd集計 = button(QStringLiteral("cmd集計"), QStringLiteral("集計"), 45);
    m_cmd集計クリア = button(QStringLiteral("cmd集計クリア"), QStringLiteral("クリア"), 840);
    m_csCmdBtn1 = button(QStringLiteral("CSCmdBtn1"), QStringLiteral("印刷"), 1630);

    m_cmdHint1 = new ui::HintButton(panel);
    ui::place(m_cmdHint1, QStringLiteral("cmdHint1"), 8520, 60, 615, 570);

    QWidget *order[] = {m_grid集計,  m_cmd集計クリア, m_cmd集計,   m_dt開始,    m_dt終了,  m_num売上計,
                        m_num仕入計, m_num入金計,     m_num出金計, m_csCmdBtn1, m_cmdHint1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    connect(m_cmd集計, &QPushButton::clicked, this, &TotalsPage::Calc日誌);
    connect(m_cmd集計クリア, &QPushButton::clicked, this, &TotalsPage::Clear集計);
    connect(m_csCmdBtn1, &QPushButton::clicked, this, &TotalsPage::printRequested);
    connect(m_cmdHint1, &QPushButton::clicked, this, [this] { emit hintRequested(m_cmdHint1->objectName()); });
}

void TotalsPage::bindGrid(const QString &recordSource)
{
    if (m_dat集計) {
        m_dat集計->deleteLater();
    }
    m_dat集計 = new WorkTableModel(m_state.WorkDb.connection(), recordSource, this);
    m_grid集計->setModel(m_dat集計);
    connect(m_dat集計, &WorkTableModel::writeFailed, this, [this](const QString &reason) {
        m_msg.ShowMsg(QStringLiteral("登録"), QStringLiteral("失敗"),
                      QStringLiteral("集計表の変更は保存されていません。\n理由: ") + reason);
    });
}

void TotalsPage::unbindGrid()
{
    m_grid集計->setModel(nullptr);
    delete m_dat集計;
    m_dat集計 = nullptr;
}

void TotalsPage::applyCalendarMode(const QString &calendarMode, int dateBoxWidth, int kaLeft, int endLeft)
{
    m_dt開始->setCalendarMode(calendarMode);
    m_dt開始->resize(ui::twips(dateBoxWidth), m_dt開始->height());
    m_lblKara->move(ui::twips(kaLeft), m_lblKara->y());
    m_dt終了->setCalendarMode(calendarMode);
    m_dt終了->setGeometry(ui::twips(endLeft), m_dt終了->y(), ui::twips(dateBoxWidth), m_dt終了->height());
    if (m_dat集計) {
        m_dat集計->setDatePattern(common::gridDatePattern(calendarMode));
    }
}

void TotalsPage::layoutSumsAndGrid()
{
    const std::pair<ui::AmountBox *, int> sums[] = {
        {m_num売上計, 1920}, {m_num仕入計, 3420}, {m_num入金計, 4920}, {m_num出金計, 6420}};
    for (const auto &[box, left] : sums) {
        box->setGeometry(ui::twipsRect(left, 660, 1480, 315));
    }
    m_grid集計->resize(ui::twips(7940), m_grid集計->height());
    m_grid集計->setColumnWidth(WorkTableModel::Col日付, ui::twips(1400));
    for (int column = WorkTableModel::Col売上額; column <= WorkTableModel::Col出金額; ++column) {
        m_grid集計->setColumnWidth(column, ui::twips(1500));
    }
}

void TotalsPage::Calc日誌()
{
    // 1. Fill in the period where it is incomplete; the filled dates stay visible.
    if (!m_dt開始->value() && !m_dt終了->value()) {
        m_dt開始->setDateNumber(dateNumberOf(common::FirstDayOfMonth(m_clock)));
        m_dt終了->setDateNumber(dateNumberOf(common::LastDayOfMonth(m_clock)));
    } else if (m_dt開始->value() && !m_dt終了->value()) {
        QString first;
        QString last;
        common::MonthRange(dateTextOf(m_dt開始->value()), first, last);
        m_dt終了->setDateNumber(dateNumberOf(last));
    } else if (!m_dt開始->value() && m_dt終了->value()) {
        QString first;
        QString last;
        common::MonthRange(dateTextOf(m_clock.today()), first, last);
        m_dt開始->setDateNumber(dateNumberOf(first));
    }

    // 2. The period as date texts.
    const QString start = dateTextOf(m_dt開始->value());
    const QString end = dateTextOf(m_dt終了->value());

    // 3.–7. Empty the work table, then copy the period's journal into it in
    // date order, all in one transaction (one commit to the disk, not two). A
    // run that fails half-way is rolled back and the table emptied, instead of
    // passing a partial list off as the period's totals.
    store::DbError error = m_state.WorkDb.inTransaction([&]() -> store::DbError {
        m_state.SqlText = store::sql::kDeleteWorkTable;
        store::DbError failure = m_state.WorkDb.execute(m_state.SqlText);
        if (failure) {
            return failure;
        }
        // Each journal row of the period becomes one row of w集計 with its five
        // columns, Nulls kept, the journal text left behind. A row whose date
        // is in another form belongs to no day: the journal page never finds
        // it, and the period select meets it only where its text happens to
        // sort inside the period. An amount the boxes cannot hold stops the run.
        const QList<store::CopiedColumn> columns{{kColumns[0], store::CopiedColumn::StoredDate, 0},
                                                 {kColumns[1], store::CopiedColumn::WholeNumber, common::kAmountLimit},
                                                 {kColumns[2], store::CopiedColumn::WholeNumber, common::kAmountLimit},
                                                 {kColumns[3], store::CopiedColumn::WholeNumber, common::kAmountLimit},
                                                 {kColumns[4], store::CopiedColumn::WholeNumber, common::kAmountLimit}};
        m_state.SqlText = store::sql::selectJournalOfPeriod(start, end);
        store::RefusedValue refused;
        failure =
            m_state.WorkDb.copyRows(m_state.MainDb, m_state.SqlText, store::sql::kSelectWorkTable, columns, &refused);
        if (failure.number == store::ErrBadValue && !refused.column.isEmpty()) {
            return unreadableAmount(refused, m_dt開始->calendarMode());
        }
        return failure;
    });
    if (error) {
        // The rollback brought back the rows of the previous run.
        (void)m_state.WorkDb.execute(store::sql::kDeleteWorkTable);
    }

    // 8. The grid shows the new content of w集計.
    refreshGrid();

    // 9.–12. The four sums from one aggregate over the work table.
    showSums();

    if (error) {
        m_msg.ShowMsg(QStringLiteral("その他"), QStringLiteral("集計失敗"),
                      QStringLiteral("期間 ") + m_dt開始->displayText() + QStringLiteral(" ～ ") +
                          m_dt終了->displayText() + QStringLiteral(" の集計ができませんでした。\n理由: ") +
                          store::describeForUser(error));
    }
}

void TotalsPage::showSums()
{
    for (ui::AmountBox *box : {m_num売上計, m_num仕入計, m_num入金計, m_num出金計}) {
        box->setValue(0);
    }
    store::DbError error;
    const auto rs = m_state.WorkDb.openRecordset(store::sql::selectWorkTableSums(), &error);
    if (!rs) {
        return;
    }
    if (!rs->isEmpty()) {
        struct Sum
        {
            QString column;
            QString caption;
            ui::AmountBox *box;
        };
        const Sum sums[] = {{QStringLiteral("t売上計"), QStringLiteral("売上額"), m_num売上計},
                            {QStringLiteral("t仕入計"), QStringLiteral("仕入額"), m_num仕入計},
                            {QStringLiteral("t入金計"), QStringLiteral("入金額"), m_num入金計},
                            {QStringLiteral("t出金計"), QStringLiteral("出金額"), m_num出金計}};
        QStringList tooLarge;
        for (const Sum &sum : sums) {
            const QVariant total = rs->field(sum.column);
            if (total.isNull()) {
                continue;
            }
            // A sum beyond the box's digits would otherwise stay at 0 and pass for one.
            if (!sum.box->setValue(total.toLongLong())) {
                sum.box->setValue(std::nullopt);
                tooLarge << sum.caption + QStringLiteral("の合計 ") +
                                common::formatAmount(total.toLongLong(), common::pattern::kAmountZero);
            }
        }
        if (!tooLarge.isEmpty()) {
            m_msg.ShowMsg(QStringLiteral("その他"), QStringLiteral("集計失敗"),
                          QStringLiteral("期間 ") + m_dt開始->displayText() + QStringLiteral(" ～ ") +
                              m_dt終了->displayText() + QStringLiteral(" の ") + tooLarge.join(QStringLiteral("、")) +
                              QStringLiteral(" は、画面に表示できる桁数を超えています。期間を短くしてください。"));
        }
    }
    rs->close();
}

void TotalsPage::Clear集計()
{
    m_dt開始->setDateNumber(QVariant());
    m_dt終了->setDateNumber(QVariant());
    for (ui::AmountBox *box : {m_num売上計, m_num仕入計, m_num入金計, m_num出金計}) {
        box->setValue(0);
    }
    m_state.SqlText = store::sql::kClearWorkTable;
    // An already empty table needs no write: at every start this spares a
    // commit and its disk syncs.
    store::DbError error;
    if (workTableHoldsRows()) {
        error = m_state.WorkDb.execute(m_state.SqlText);
    }
    refreshGrid();
    if (error) {
        m_msg.ShowMsg(QStringLiteral("その他"), QStringLiteral("集計失敗"),
                      QStringLiteral("集計の作業データを消去できませんでした。\n理由: ") +
                          store::describeForUser(error));
    }
}

bool TotalsPage::workTableHoldsRows()
{
    store::DbError error;
    const auto rs = m_state.WorkDb.openRecordset(store::sql::kSelectWorkTable, &error);
    return !rs || !rs->isEmpty(); // unreadable: let the delete try and report
}

void TotalsPage::refreshGrid()
{
    if (m_dat集計) {
        m_dat集計->refresh();
    }
}

void TotalsPage::Grid集計_RowPicked()
{
    if (!m_dat集計) {
        return;
    }
    const QModelIndex current = m_grid集計->currentIndex();
    const QVariant dateNumber = current.isValid() ? m_dat集計->dateNumberOfRow(current.row()) : QVariant();
    if (dateNumber.isNull()) {
        return;
    }
    emit dayPicked(dateNumber);
}

bool TotalsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid集計 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // While a cell is being edited its editor holds the focus; the Enter
        // that ends the edit comes up here too and must not jump.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && m_grid集計->hasFocus()) {
            Grid集計_RowPicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

TotalsValues TotalsPage::values() const
{
    return {m_dt開始->displayText(), m_dt終了->displayText(), m_num売上計->value(),
            m_num仕入計->value(),    m_num入金計->value(),    m_num出金計->value()};
}

} // namespace totals
