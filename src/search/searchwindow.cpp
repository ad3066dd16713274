#include "search/searchwindow.h"

#include "search/excerptdelegate.h"
#include "search/resultmodel.h"
#include "search/searchrun.h"

#include "common/formats.h"
#include "ui/commandbutton.h"
#include "ui/datebox.h"
#include "ui/geometry.h"
#include "ui/placement.h"
#include "ui/platform.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace search {

namespace {

// Characters of the day's text each row shows.
constexpr qsizetype kExcerptWidth = 60;

} // namespace

SearchWindow::SearchWindow(store::Store &store, common::Msg &msg, const common::Clock &clock, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_msg(msg), m_clock(clock)
{
    setObjectName(QStringLiteral("FrmSearch"));
    setWindowTitle(QStringLiteral("検索"));
    QFont f = font();
    f.setFamilies(ui::uiFontFamilies());
    setFont(f);
    resize(ui::twips(10500), ui::twips(7200));
    buildControls();
    setCalendarMode(common::kWestern);
}

void SearchWindow::buildControls()
{
    m_txt検索語 = new QLineEdit(this);
    m_txt検索語->setObjectName(QStringLiteral("txt検索語"));
    m_txt検索語->setPlaceholderText(QStringLiteral("探す言葉（空白で区切るとすべてを含む日）"));
    m_txt検索語->setAttribute(Qt::WA_InputMethodEnabled, true);
    m_cmd検索 = new ui::CommandButton(QStringLiteral("検索"), this);
    m_cmd検索->setObjectName(QStringLiteral("cmd検索"));
    m_dt開始日 = new ui::DateBox(this);
    m_dt開始日->setObjectName(QStringLiteral("Dt開始日"));
    m_dt終了日 = new ui::DateBox(this);
    m_dt終了日->setObjectName(QStringLiteral("Dt終了日"));
    ui::nameFor(m_txt検索語, QStringLiteral("探す言葉"));
    ui::nameFor(m_dt開始日, QStringLiteral("期間の開始日"));
    ui::nameFor(m_dt終了日, QStringLiteral("期間の終了日"));
    for (ui::DateBox *box : {m_dt開始日, m_dt終了日}) {
        box->setClock(&m_clock);
        box->setEnterMovesFocus(true);
    }
    m_lbl件数 = new QLabel(this);
    m_lbl件数->setObjectName(QStringLiteral("lbl件数"));
    m_lbl通知 = new QLabel(this);
    m_lbl通知->setObjectName(QStringLiteral("lbl通知"));
    m_lbl通知->setStyleSheet(QStringLiteral("QLabel { background: #fff3c4; padding: 2px; }"));
    m_lbl通知->setWordWrap(true);
    m_lbl通知->hide();

    m_model = new ResultModel(this);
    m_grd結果 = new QTableView(this);
    m_grd結果->setObjectName(QStringLiteral("grd結果"));
    ui::nameFor(m_grd結果, QStringLiteral("見つかった日"));
    m_grd結果->setModel(m_model);
    m_grd結果->setItemDelegateForColumn(ResultModel::ExcerptColumn, new ExcerptDelegate(*m_model, m_grd結果));
    m_grd結果->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grd結果->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grd結果->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grd結果->setTabKeyNavigation(false);
    m_grd結果->setWordWrap(false);
    m_grd結果->verticalHeader()->hide();
    m_grd結果->horizontalHeader()->setSectionResizeMode(ResultModel::ExcerptColumn, QHeaderView::Stretch);
    m_grd結果->setColumnWidth(ResultModel::SalesColumn, ui::twips(1500));

    auto *words = new QHBoxLayout;
    words->addWidget(new QLabel(QStringLiteral("言葉"), this));
    words->addWidget(m_txt検索語, 1);
    words->addWidget(m_cmd検索);
    auto *period = new QHBoxLayout;
    period->addWidget(new QLabel(QStringLiteral("期間"), this));
    period->addWidget(m_dt開始日);
    period->addWidget(new QLabel(QStringLiteral("～"), this));
    period->addWidget(m_dt終了日);
    period->addWidget(new QLabel(QStringLiteral("（空欄はすべての日）"), this));
    period->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(words);
    layout->addLayout(period);
    layout->addWidget(m_lbl通知);
    layout->addWidget(m_lbl件数);
    layout->addWidget(m_grd結果, 1);

    QWidget *order[] = {m_txt検索語, m_dt開始日, m_dt終了日, m_cmd検索, m_grd結果};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    connect(m_txt検索語, &QLineEdit::returnPressed, this, &SearchWindow::run);
    connect(m_cmd検索, &QPushButton::clicked, this, &SearchWindow::run);
    // Enter on a row (QAbstractItemView's own key) and a double click both activate it.
    connect(m_grd結果, &QAbstractItemView::activated, this, &SearchWindow::pick);
}

void SearchWindow::setCalendarMode(const QString &calendarMode)
{
    // The date boxes' widths of the journal page in each mode.
    const int width = ui::twips(common::isWestern(calendarMode) ? 2000 : 2370);
    for (ui::DateBox *box : {m_dt開始日, m_dt終了日}) {
        box->setCalendarMode(calendarMode);
        box->setFixedWidth(width);
    }
    m_model->setCalendarMode(calendarMode);
    // The weekday after the date: 「（水）」 is as wide as any other mark.
    m_grd結果->setColumnWidth(ResultModel::DateColumn,
                              width + m_grd結果->fontMetrics().horizontalAdvance(QStringLiteral("（水）")));
}

void SearchWindow::open()
{
    show();
    raise();
    activateWindow();
    m_txt検索語->setFocus();
    m_txt検索語->selectAll();
}

void SearchWindow::run()
{
    if (!ui::dateReadyForCommand(m_dt開始日, m_msg, QStringLiteral("開始日")) ||
        !ui::dateReadyForCommand(m_dt終了日, m_msg, QStringLiteral("終了日"))) {
        return;
    }
    const store::SearchQuery query{m_txt検索語->text(), m_dt開始日->value().value_or(QDate()),
                                   m_dt終了日->value().value_or(QDate())};
    Findings findings = findDays(m_store, query, kExcerptWidth);
    m_lbl件数->setText(findings.summary);
    m_lbl通知->setText(findings.notice);
    m_lbl通知->setVisible(!findings.notice.isEmpty());
    const bool found = !findings.days.isEmpty();
    m_model->setDays(std::move(findings.days));
    if (found) {
        m_grd結果->setCurrentIndex(m_model->index(0, ResultModel::DateColumn));
        m_grd結果->setFocus();
    }
}

void SearchWindow::pick(const QModelIndex &index)
{
    if (index.isValid()) {
        emit dayPicked(m_model->day(index.row()));
    }
}

void SearchWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace search
