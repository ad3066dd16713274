#include "totals/totalspage.h"

#include "common/formats.h"
#include "store/store.h"
#include "totals/summarymodel.h"
#include "totals/worktablemodel.h"
#include "ui/amountbox.h"
#include "ui/commandbutton.h"
#include "ui/datebox.h"
#include "ui/devicepixels.h"
#include "ui/geometry.h"
#include "ui/panel.h"
#include "ui/placement.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTableView>

#include <cmath>

namespace totals {

TotalsPage::TotalsPage(store::Store &store, common::Msg &msg, const common::Clock &clock, QWidget *parent)
    : QWidget(parent), m_store(store), m_msg(msg), m_clock(clock), m_controller(store, msg, clock)
{
    buildControls();
    connect(&m_controller, &TotalsController::periodFilled, this, &TotalsPage::showPeriod);
    connect(&m_controller, &TotalsController::workFilled, this, &TotalsPage::showWorkFilled);
    connect(&m_controller, &TotalsController::workShown, this, &TotalsPage::showWork);
    connect(&m_controller, &TotalsController::summaryShown, this, &TotalsPage::showSummary);
    connect(&m_controller, &TotalsController::cleared, this, [this] {
        clearBoxes();
        m_summary->setRows(m_summary->grouping(), {});
        refreshGrid();
    });
}

TotalsPage::~TotalsPage()
{
    // The grid outlives this page's own part while the widget is taken down,
    // and its headers still report: they must not reach a page already gone.
    disconnect(m_grid集計->verticalHeader(), nullptr, this, nullptr);
    disconnect(m_grid集計->horizontalHeader(), nullptr, this, nullptr);
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
    ui::nameFor(m_dt開始, QStringLiteral("開始日"));
    ui::nameFor(m_dt終了, QStringLiteral("終了日"));
    buildViewChoice(panel);

    const auto sumBox = [panel](const QString &name, const QString &accessible) {
        auto *box = new ui::AmountBox(panel);
        box->setObjectName(name);
        ui::nameFor(box, accessible);
        return box;
    };
    m_num売上計 = sumBox(QStringLiteral("num売上計"), QStringLiteral("売上額の合計"));
    m_num仕入計 = sumBox(QStringLiteral("num仕入計"), QStringLiteral("仕入額の合計"));
    m_num入金計 = sumBox(QStringLiteral("num入金計"), QStringLiteral("入金額の合計"));
    m_num出金計 = sumBox(QStringLiteral("num出金計"), QStringLiteral("出金額の合計"));
    m_num日数計 = sumBox(QStringLiteral("num日数計"), QStringLiteral("日数の合計"));
    m_num差引計 = sumBox(QStringLiteral("num差引計"), QStringLiteral("差引の合計"));
    // Left and width follow the grid's columns.
    for (QWidget *box : {m_num売上計, m_num仕入計, m_num入金計, m_num出金計, m_num日数計, m_num差引計}) {
        box->setGeometry(ui::twipsRect(0, 660, 1480, 315));
    }
    m_num日数計->hide();
    m_num差引計->hide();

    m_grid集計 = new QTableView(panel);
    ui::place(m_grid集計, QStringLiteral("Grid集計"), 240, 1020, 7995, 5015);
    ui::nameFor(m_grid集計, QStringLiteral("集計表"));
    m_grid集計->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid集計->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid集計->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid集計->verticalHeader()->setDefaultSectionSize(20);
    m_grid集計->setTabKeyNavigation(false);
    m_grid集計->installEventFilter(this);
    // The row numbers widen their header; a column widened by hand takes its sum along.
    connect(m_grid集計->verticalHeader(), &QHeaderView::sectionCountChanged, this, &TotalsPage::fitColumnsAndSums);
    connect(m_grid集計->horizontalHeader(), &QHeaderView::sectionResized, this, &TotalsPage::placeSums);
    connect(m_grid集計, &QTableView::doubleClicked, this, &TotalsPage::pickRow);

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

    // Below the button panel, which ends at 3570.
    m_cmd書出1 = new ui::CommandButton(QStringLiteral("書出"), panel);
    ui::place(m_cmd書出1, QStringLiteral("cmd書出1"), 8445, 3690, 675, 795);
    m_cmd書出1->setToolTip(QStringLiteral("集計表か期間の業務日誌を CSV か Excel のファイルに書き出します"));
    m_cmd書出1->setAccessibleName(QStringLiteral("集計表を書き出す"));
    m_cmdグラフ = new ui::CommandButton(QStringLiteral("グラフ"), panel);
    ui::place(m_cmdグラフ, QStringLiteral("cmdグラフ"), 8445, 4560, 675, 795);
    m_cmdグラフ->setToolTip(QStringLiteral("期間の売上額・仕入額と差引累計をグラフにします"));
    m_cmdグラフ->setAccessibleName(QStringLiteral("期間のグラフ"));

    m_cmdHint1 = new ui::HintButton(panel);
    ui::place(m_cmdHint1, QStringLiteral("cmdHint1"), 8520, 60, 615, 570);

    using ui::Anchors;
    m_anchors.add(panel, Anchors::StretchWidth | Anchors::StretchHeight);
    m_anchors.add(m_grid集計, Anchors::StretchWidth | Anchors::StretchHeight);
    for (QWidget *right : {static_cast<QWidget *>(buttons), static_cast<QWidget *>(m_cmd書出1),
                           static_cast<QWidget *>(m_cmdグラフ), static_cast<QWidget *>(m_cmdHint1)}) {
        m_anchors.add(right, Anchors::Right);
    }

    QWidget *order[] = {m_grid集計,  m_cmd集計クリア, m_cmd集計,   m_dt開始,    m_dt終了,
                        m_num売上計, m_num仕入計,     m_num入金計, m_num出金計, m_num日数計,
                        m_num差引計, m_csCmdBtn1,     m_cmd書出1,  m_cmdグラフ, m_cmdHint1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    // The choice follows the period's end box; the arrow keys move within it.
    QWidget::setTabOrder(m_dt終了, m_opt日別);
    QWidget::setTabOrder(m_opt日別, m_opt月別);
    QWidget::setTabOrder(m_opt月別, m_opt年別);

    connect(m_cmd集計, &QPushButton::clicked, this, &TotalsPage::run);
    connect(m_cmd集計クリア, &QPushButton::clicked, this, &TotalsPage::clear);
    connect(m_csCmdBtn1, &QPushButton::clicked, this, &TotalsPage::print);
    connect(m_cmd書出1, &QPushButton::clicked, this, [this] {
        if (periodSettled()) {
            emit exportRequested();
        }
    });
    // The chart covers the period 集計 would: filled in where it is incomplete.
    connect(m_cmdグラフ, &QPushButton::clicked, this, [this] {
        if (periodSettled()) {
            fillInPeriod();
            emit chartRequested();
        }
    });
    connect(m_cmdHint1, &QPushButton::clicked, this, [this] { emit hintRequested(m_cmdHint1->objectName()); });
}

// Right of the period's end box, which ends at 5970 in the wider era layout,
// and left of the hint button at 8520.
void TotalsPage::buildViewChoice(QWidget *panel)
{
    m_summary = new SummaryModel(this);
    m_viewChoice = new QButtonGroup(this);
    const auto option = [&](const QString &name, const QString &caption, int left, const QString &tip) {
        auto *button = new QRadioButton(caption, panel);
        ui::place(button, name, left, 150, 780, 300);
        button->setToolTip(tip);
        m_viewChoice->addButton(button);
        return button;
    };
    m_opt日別 = option(QStringLiteral("opt日別"), QStringLiteral("日別"), 6060,
                       QStringLiteral("期間の業務日誌を 1 日 1 行で表示します"));
    m_opt月別 = option(QStringLiteral("opt月別"), QStringLiteral("月別"), 6840,
                       QStringLiteral("期間の業務日誌を月ごとに合計して表示します"));
    m_opt年別 = option(QStringLiteral("opt年別"), QStringLiteral("年別"), 7620,
                       QStringLiteral("期間の業務日誌を年ごとに合計して表示します"));
    m_opt日別->setChecked(true);
    connect(m_viewChoice, &QButtonGroup::buttonClicked, this, &TotalsPage::viewChosen);
    // Tab enters the choice at the checked button and the arrow keys choose
    // from there. A click or an arrow key settles this as the button takes the
    // focus; a choice made by the program (a summary row opened) must too, or
    // Tab would land on the button left before, where the arrows only move.
    connect(m_viewChoice, &QButtonGroup::buttonToggled, this, [this](QAbstractButton *button, bool checked) {
        if (!checked) {
            return;
        }
        for (QAbstractButton *other : m_viewChoice->buttons()) {
            other->setFocusPolicy(other == button ? Qt::StrongFocus : Qt::ClickFocus);
        }
        if (QWidget *focused = QApplication::focusWidget();
            focused && focused != button && m_viewChoice->buttons().contains(focused)) {
            button->setFocus(Qt::OtherFocusReason);
        }
    });
}

std::optional<store::Grouping> TotalsPage::summaryGrouping() const
{
    if (m_opt月別->isChecked()) {
        return store::Grouping::Month;
    }
    if (m_opt年別->isChecked()) {
        return store::Grouping::Year;
    }
    return std::nullopt;
}

void TotalsPage::choose(std::optional<store::Grouping> grouping)
{
    QRadioButton *button = !grouping ? m_opt日別 : *grouping == store::Grouping::Month ? m_opt月別 : m_opt年別;
    button->setChecked(true);
    viewChosen();
}

void TotalsPage::viewChosen()
{
    if (summaryGrouping()) {
        run();
        return;
    }
    // 日別 shows the work table as the last 集計 left it, with its sums; a
    // notice names the period of that run, not the one typed since.
    m_controller.showWork();
}

void TotalsPage::detachSummary()
{
    if (m_grid集計->model() == m_summary) {
        m_grid集計->setModel(nullptr);
    }
}

void TotalsPage::showSummary(store::Grouping grouping, const QList<store::SummaryRow> &rows,
                             const std::optional<store::SummaryRow> &total)
{
    m_summary->setRows(grouping, rows);
    if (m_grid集計->model() != m_summary) {
        m_grid集計->setModel(m_summary);
        m_gridShowsModel = false;
    }
    showSums(total ? std::optional(total->sums) : std::nullopt);
    showSummarySums(total ? std::optional(total->days) : std::nullopt);
}

void TotalsPage::showSummarySums(std::optional<qint64> days)
{
    m_num日数計->setValue(days);
    const std::optional<qint64> in = m_num入金計->value();
    const std::optional<qint64> out = m_num出金計->value();
    m_num差引計->setValue(in && out ? std::optional(*in - *out) : std::nullopt);
    fitColumnsAndSums();
}

void TotalsPage::openSummaryRow(int row)
{
    if (row < 0 || row >= m_summary->rows().size()) {
        return;
    }
    const store::SummaryRow picked = m_summary->rows().at(row);
    m_dt開始->setValue(picked.first);
    m_dt終了->setValue(picked.last);
    choose(m_summary->grouping() == store::Grouping::Month ? std::nullopt : std::optional(store::Grouping::Month));
    if (!summaryGrouping()) {
        run();
    }
}

void TotalsPage::bindGrid()
{
    if (m_dat集計) {
        if (m_gridShowsModel) {
            m_grid集計->setModel(nullptr);
        }
        m_gridShowsModel = false;
        m_dat集計->deleteLater();
    }
    m_dat集計 = new WorkTableModel(m_store, this);
    if (isVisible()) {
        showModelInGrid();
    }
    connect(m_dat集計, &WorkTableModel::writeFailed, this, [this](const QString &reason) {
        m_msg.show(common::Prompt::RegisterFailed,
                   QStringLiteral("集計表の変更は保存されていません。\n理由: ") + reason);
    });
}

void TotalsPage::applyCalendarMode(const QString &calendarMode, int dateBoxWidth, int kaLeft, int endLeft)
{
    m_dt開始->setCalendarMode(calendarMode);
    QRect start = ui::designedGeometry(m_dt開始);
    start.setWidth(ui::twips(dateBoxWidth));
    ui::setDesignedGeometry(m_dt開始, start);
    m_lblKara->move(ui::twips(kaLeft), m_lblKara->y());
    m_dt終了->setCalendarMode(calendarMode);
    const QRect end = ui::designedGeometry(m_dt終了);
    ui::setDesignedGeometry(m_dt終了, QRect(ui::twips(endLeft), end.y(), ui::twips(dateBoxWidth), end.height()));
    if (m_dat集計) {
        m_dat集計->setDatePattern(common::gridDatePattern(calendarMode));
    }
    m_summary->setCalendarMode(calendarMode);
    m_controller.setCalendarMode(calendarMode);
    fitColumnsAndSums();
}

// The grid takes its model when it is first seen or first filled: giving a
// view its model costs more than the rest of the page, and the start shows
// the journal page.
void TotalsPage::showModelInGrid()
{
    if (m_gridShowsModel || !m_dat集計 || summaryGrouping()) {
        return;
    }
    m_grid集計->setModel(m_dat集計);
    m_gridShowsModel = true;
    fitColumnsAndSums();
}

void TotalsPage::showEvent(QShowEvent *event)
{
    showModelInGrid();
    QWidget::showEvent(event);
}

namespace {

// The pixels a text needs inside a cell of `grid`: its advance, unrounded,
// the style's margins and the grid line. A text laid out a fraction too wide
// is wrapped at a blank or cut ("昭和64年・平成 …").
int cellWidth(const QTableView *grid, const QFontMetricsF &metrics, const QString &text)
{
    const int margin = grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1;
    return int(std::ceil(metrics.horizontalAdvance(text))) + 2 * margin + (grid->showGrid() ? 1 : 0);
}

int sectionWidth(const QHeaderView *header, const QString &text)
{
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    return header->fontMetrics().horizontalAdvance(text) + 2 * margin + 2;
}

// The pixels a line edit needs to show `text` whole: its frame as the style
// draws it, the edit's own margin of 2 on each side, and the cursor.
int lineEditWidth(const QLineEdit *box, const QString &text)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.rect = QRect(0, 0, 200, box->height());
    option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    const QMargins margins = box->textMargins();
    return box->fontMetrics().horizontalAdvance(text) + 200 - contents.width() + margins.left() + margins.right() + 4 +
           1;
}

// The pixels left for the columns of `grid` beside its row numbers and the
// vertical scroll bar its rows need. Every change of the rows fits again.
int roomForColumns(const QTableView *grid)
{
    const int rows = grid->model() ? grid->model()->rowCount() : 0;
    const int height = grid->height() - 2 * grid->frameWidth() - grid->horizontalHeader()->sizeHint().height();
    const bool scrolls = rows * grid->verticalHeader()->defaultSectionSize() > height ||
                         (grid->model() && grid->model()->canFetchMore(QModelIndex()));
    const int scrollBar = scrolls ? grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid) : 0;
    return grid->width() - 2 * grid->frameWidth() - grid->verticalHeader()->width() - scrollBar;
}

} // namespace

QList<std::pair<ui::AmountBox *, int>> TotalsPage::sumColumns() const
{
    QList<std::pair<ui::AmountBox *, int>> boxes{{m_num売上計, WorkTableModel::Col売上額},
                                                 {m_num仕入計, WorkTableModel::Col仕入額},
                                                 {m_num入金計, WorkTableModel::Col入金額},
                                                 {m_num出金計, WorkTableModel::Col出金額}};
    if (m_grid集計->model() == m_summary) {
        static_assert(int(SummaryModel::Col売上額) == int(WorkTableModel::Col売上額) &&
                      int(SummaryModel::Col出金額) == int(WorkTableModel::Col出金額));
        boxes.append({m_num日数計, SummaryModel::Col日数});
        boxes.append({m_num差引計, SummaryModel::Col差引});
    }
    return boxes;
}

QList<int> TotalsPage::columnWidths(int available) const
{
    // Each column as wide as its caption and its widest text, the grid's
    // present rows measured; what is left over goes to the figures.
    const QAbstractItemModel *model = m_grid集計->model();
    const bool summary = model == m_summary;
    const QFontMetricsF metrics(m_grid集計->font());
    const QHeaderView *header = m_grid集計->horizontalHeader();
    const int columns = summary ? int(SummaryModel::ColumnCount) : int(WorkTableModel::ColumnCount);
    QList<int> need;
    QList<int> widening;
    for (int column = 0; column < columns; ++column) {
        int width = model ? sectionWidth(header, model->headerData(column, Qt::Horizontal).toString()) : 0;
        if (model && model == m_dat集計) {
            // A run over a century holds tens of thousands of rows: only the
            // texts among which the widest stands are measured.
            // Each digit is measured as the widest digit, so that the width
            // holds whatever digits the row has.
            QChar widestDigit = u'0';
            for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
                if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widestDigit)) {
                    widestDigit = QChar(digit);
                }
            }
            for (QString text : m_dat集計->widestTexts(column)) {
                for (QChar &character : text) {
                    if (character.isDigit() && character.unicode() < 0x80) {
                        character = widestDigit;
                    }
                }
                width = std::max(width, cellWidth(m_grid集計, metrics, text));
            }
        } else {
            for (int row = 0; model && row < model->rowCount(); ++row) {
                width = std::max(width, cellWidth(m_grid集計, metrics, model->index(row, column).data().toString()));
            }
        }
        need.append(width);
        if (column != 0 && !(summary && column == SummaryModel::Col日数)) {
            widening.append(column);
        }
    }
    // A sum is never wider than its column.
    for (const auto &[box, column] : sumColumns()) {
        need[column] = std::max(need[column], lineEditWidth(box, box->text()) + 2);
    }
    int slack = available;
    for (int width : need) {
        slack -= width;
    }
    if (slack > 0) {
        // The room left over goes to the figures, the last takes the remainder.
        for (qsizetype n = 0; n < widening.size(); ++n) {
            need[widening[n]] += n + 1 < widening.size() ? slack / widening.size()
                                                         : slack - (slack / widening.size()) * (widening.size() - 1);
        }
    }
    return need;
}

void TotalsPage::fitColumnsAndSums()
{
    // The row numbers are drawn whole, however many rows there are.
    QHeaderView *rowHeader = m_grid集計->verticalHeader();
    const int rows = m_grid集計->model() ? m_grid集計->model()->rowCount() : 0;
    int digit = 0;
    for (char16_t d = u'0'; d <= u'9'; ++d) {
        digit = std::max(digit, rowHeader->fontMetrics().horizontalAdvance(QChar(d)));
    }
    const int margin = rowHeader->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, rowHeader);
    const int rowHeaderWidth =
        std::max(16, int(QString::number(std::max(rows, 1)).size()) * digit + 2 * margin + 4); // the record selectors
    rowHeader->setFixedWidth(rowHeaderWidth);

    const QList<int> widths = columnWidths(roomForColumns(m_grid集計));
    if (m_grid集計->model()) {
        const QSignalBlocker blocker(m_grid集計->horizontalHeader());
        for (qsizetype column = 0; column < widths.size(); ++column) {
            m_grid集計->setColumnWidth(int(column), widths[column]);
        }
    }
    placeSums();
}

void TotalsPage::placeSums()
{
    const bool summary = m_grid集計->model() == m_summary;
    m_num日数計->setVisible(summary);
    m_num差引計->setVisible(summary);
    const QHeaderView *header = m_grid集計->horizontalHeader();
    // Without a model yet the grid is given the designed columns of the days.
    const QList<int> designed = header->count() > 0 ? QList<int>() : columnWidths(roomForColumns(m_grid集計));
    const int gridLeft = m_grid集計->x() + m_grid集計->frameWidth() + m_grid集計->verticalHeader()->width();
    for (const auto &[box, column] : sumColumns()) {
        int left = 0;
        int width = 0;
        if (designed.isEmpty()) {
            left = header->sectionPosition(column);
            width = header->sectionSize(column);
        } else {
            for (int c = 0; c < column; ++c) {
                left += designed[c];
            }
            width = designed[column];
        }
        box->setGeometry(gridLeft + left + 1, box->y(), std::max(0, width - 2), box->height());
    }
}

void TotalsPage::layoutSumsAndGrid()
{
    // Up to the command buttons' panel at 8385, with a small gap: a month in
    // two eras beside seven columns of figures needs all of it.
    QRect grid = ui::designedGeometry(m_grid集計);
    grid.setWidth(ui::twips(8085) + m_anchors.growth().width());
    ui::setDesignedGeometry(m_grid集計, grid);
    fitColumnsAndSums();
}

void TotalsPage::followWindowGrowth(QSize growth)
{
    m_anchors.follow(growth);
}

bool TotalsPage::periodSettled()
{
    // One box at a time: the first with typing that is no date takes the focus.
    return ui::dateReadyForCommand(m_dt開始, m_msg, QStringLiteral("開始日")) &&
           ui::dateReadyForCommand(m_dt終了, m_msg, QStringLiteral("終了日"));
}

void TotalsPage::print()
{
    if (periodSettled()) {
        emit printRequested();
    }
}

void TotalsPage::run()
{
    if (periodSettled()) {
        m_controller.run(m_dt開始->value(), m_dt終了->value(), summaryGrouping());
    }
}

void TotalsPage::fillInPeriod()
{
    const store::Period period = m_controller.filledIn(m_dt開始->value(), m_dt終了->value());
    showPeriod(period.first, period.last);
}

void TotalsPage::showPeriod(QDate start, QDate end)
{
    // Only an empty box takes a date: the filled-in dates stay visible.
    if (m_dt開始->value() != start) {
        m_dt開始->setValue(start);
    }
    if (m_dt終了->value() != end) {
        m_dt終了->setValue(end);
    }
}

void TotalsPage::showWorkFilled()
{
    detachSummary();
    showModelInGrid();
    refreshGrid();
}

void TotalsPage::showWork(const std::optional<store::Sums> &sums)
{
    detachSummary();
    showModelInGrid();
    showSums(sums);
}

void TotalsPage::showSums(const std::optional<store::Sums> &sums)
{
    const std::pair<ui::AmountBox *, store::AmountColumn> boxes[] = {{m_num売上計, store::AmountColumn::Sales},
                                                                     {m_num仕入計, store::AmountColumn::Purchases},
                                                                     {m_num入金計, store::AmountColumn::MoneyIn},
                                                                     {m_num出金計, store::AmountColumn::MoneyOut}};
    const store::AmountColumns tooLarge = sums ? store::sumsBeyondRange(*sums) : store::AmountColumns();
    for (const auto &[box, column] : boxes) {
        // Sums that could not be read leave the boxes empty: a 0 would pass
        // for the totals of the rows listed. So does a sum beyond the range,
        // refused as an export of the totals refuses it. A column of Nulls
        // only sums to 0.
        box->setValue(!sums || tooLarge.testFlag(column) ? std::nullopt : std::optional((*sums)[column].value_or(0)));
    }
    fitColumnsAndSums();
}

void TotalsPage::clear()
{
    m_controller.clear();
}

void TotalsPage::showCleared()
{
    m_controller.forget();
}

void TotalsPage::clearBoxes()
{
    m_dt開始->clear();
    m_dt終了->clear();
    for (ui::AmountBox *box : {m_num売上計, m_num仕入計, m_num入金計, m_num出金計, m_num日数計, m_num差引計}) {
        box->setValue(0);
    }
}

void TotalsPage::refreshGrid()
{
    if (m_dat集計) {
        m_dat集計->refresh();
    }
}

void TotalsPage::pickRow()
{
    const QModelIndex current = m_grid集計->currentIndex();
    if (m_grid集計->model() == m_summary) {
        openSummaryRow(current.isValid() ? current.row() : -1);
        return;
    }
    if (!m_dat集計) {
        return;
    }
    const QDate day = current.isValid() ? m_dat集計->dateOfRow(current.row()) : QDate();
    if (day.isValid()) {
        emit dayPicked(day);
    }
}

bool TotalsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_grid集計 && event->type() == QEvent::Resize) {
        fitColumnsAndSums();
    }
    if (watched == m_grid集計 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // While a cell is being edited its editor holds the focus; the Enter
        // that ends the edit comes up here too and must not jump.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && m_grid集計->hasFocus()) {
            pickRow();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::optional<QDate> TotalsPage::periodStart() const
{
    return m_dt開始->value();
}

std::optional<QDate> TotalsPage::periodEnd() const
{
    return m_dt終了->value();
}

common::TotalsValues TotalsPage::values() const
{
    return {m_dt開始->displayText(), m_dt終了->displayText(), m_num売上計->value(), m_num仕入計->value(),
            m_num入金計->value(),    m_num出金計->value(),    m_dt開始->value(),    m_dt終了->value()};
}

} // namespace totals
