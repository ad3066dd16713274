#include "charts/chartwindow.h"

#include "charts/chartdata.h"

#include "common/colour.h"
#include "common/fileerror.h"
#include "common/formats.h"
#include "common/msg.h"
#include "store/store.h"
#include "ui/commandbutton.h"
#include "ui/messagebox.h"
#include "ui/platform.h"

#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QShortcut>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace charts {

namespace {

const QColor kSalesColour(0x3b, 0x6e, 0xb5);
const QColor kPurchasesColour(0xe0, 0x8a, 0x2c);
const QColor kBalanceColour(0x2e, 0x7d, 0x32);

QFont japaneseFont(int pointSize, bool bold = false)
{
    QFont font;
    font.setFamilies(ui::uiFontFamilies());
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

// An amount axis over `low`..`high`.
QValueAxis *amountAxis(const QString &title, qint64 low, qint64 high)
{
    auto *axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setTitleFont(japaneseFont(9));
    axis->setLabelsFont(japaneseFont(8));
    // With the chart's numbers localized, "%.0f" gives the digit groups: 1,250,000.
    axis->setLabelFormat(QStringLiteral("%.0f"));
    const AxisScale scale = amountScale(low, high);
    axis->setRange(scale.low, scale.high);
    axis->setTickCount(scale.ticks);
    return axis;
}

// A month or year of two eras is named on two lines (the labels are rich
// text): on one it would reach into its neighbours.
QString axisText(const QString &label)
{
    QString text = label;
    return text.replace(u'・', QStringLiteral("・<br>"));
}

// Half a point's room, at least, and a hundredth of the points beyond the
// last one (and before the first): the outer bars keep clear of the axes
// however many points there are.
double endRoom(qsizetype points)
{
    return std::max(0.5, double(points) / 100);
}

QChart *buildChart(const ChartSeries &series, const QString &heading, const QColor &ruled)
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    chart->setTitle(heading);
    chart->setTitleFont(japaneseFont(11, true));
    chart->setPlotAreaBackgroundVisible(true);
    chart->setPlotAreaBackgroundBrush(Qt::white);
    chart->setPlotAreaBackgroundPen(QPen(ruled, 1));

    auto *sales = new QBarSet(QStringLiteral("売上額"));
    auto *purchases = new QBarSet(QStringLiteral("仕入額"));
    auto *balance = new QLineSeries;
    balance->setName(QStringLiteral("差引累計（入金－出金）"));
    qint64 barLow = 0;
    qint64 barHigh = 0;
    qint64 balanceLow = 0;
    qint64 balanceHigh = 0;
    for (qsizetype i = 0; i < series.points.size(); ++i) {
        const ChartPoint &p = series.points.at(i);
        sales->append(double(p.sales));
        purchases->append(double(p.purchases));
        balance->append(double(i), double(p.balance));
        barLow = std::min({barLow, p.sales, p.purchases});
        barHigh = std::max({barHigh, p.sales, p.purchases});
        balanceLow = std::min(balanceLow, p.balance);
        balanceHigh = std::max(balanceHigh, p.balance);
    }
    for (QBarSet *set : {sales, purchases}) {
        set->setColor(set == sales ? kSalesColour : kPurchasesColour);
        // Borders would darken thin bars into a block.
        set->setPen(Qt::NoPen);
    }
    auto *bars = new QBarSeries;
    bars->append(sales);
    bars->append(purchases);
    bars->setBarWidth(0.8);
    balance->setPen(QPen(kBalanceColour, 2));
    chart->addSeries(bars);
    chart->addSeries(balance);

    // The points sit on whole numbers; only the thinned labels are named.
    auto *points = new QCategoryAxis;
    points->setObjectName(QStringLiteral("PointAxis"));
    points->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const double room = endRoom(series.points.size());
    points->setRange(-0.5 - room, double(series.points.size()) - 0.5 + room);
    for (const AxisLabel &label : series.labels) {
        points->append(axisText(label.text), double(label.index));
    }
    points->setLabelsFont(japaneseFont(8));
    // A label is wider than the points up to it; the marks keep labels apart.
    points->setTruncateLabels(false);
    chart->addAxis(points, Qt::AlignBottom);

    // The running balance has its own scale on the right: over a long period
    // it grows far beyond one point's bars, and it may fall below zero.
    QValueAxis *amounts = amountAxis(QStringLiteral("金額（円）"), barLow, barHigh);
    QValueAxis *running = amountAxis(QStringLiteral("差引累計（円）"), balanceLow, balanceHigh);
    running->setLabelsColor(kBalanceColour);
    running->setTitleBrush(kBalanceColour);
    running->setGridLineVisible(false);
    chart->addAxis(amounts, Qt::AlignLeft);
    chart->addAxis(running, Qt::AlignRight);
    bars->attachAxis(points);
    bars->attachAxis(amounts);
    balance->attachAxis(points);
    balance->attachAxis(running);

    for (QAbstractAxis *axis : chart->axes()) {
        axis->setLinePen(QPen(ruled, 1));
        axis->setGridLinePen(QPen(ruled, 1, Qt::DotLine));
    }

    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setFont(japaneseFont(9));
    return chart;
}

} // namespace

ChartWindow::ChartWindow(const ChartSeries &series, const QString &heading, qint32 lineColour, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_heading(heading)
    , m_ownPresenter(std::make_unique<ui::QtMessagePresenter>(this))
    , m_presenter(m_ownPresenter.get())
{
    setObjectName(QStringLiteral("FrmGraph"));
    setWindowTitle(QStringLiteral("グラフ"));
    resize(960, 620);

    m_chart = buildChart(series, heading, common::colourFromNumber(lineColour));
    // The labels are thinned anew whenever the plot's width changes: a wider
    // window names more points, a narrower one fewer.
    connect(m_chart, &QChart::plotAreaChanged, this, [this, series](const QRectF &plotArea) {
        if (plotArea.width() != m_labelledWidth) {
            m_labelledWidth = plotArea.width();
            fitLabels(series);
        }
    });
    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("ChartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setFocusPolicy(Qt::NoFocus);

    auto *save = new ui::CommandButton(QStringLiteral("画像で保存(&S)"), this);
    save->setObjectName(QStringLiteral("cmd画像保存"));
    auto *print = new ui::CommandButton(QStringLiteral("印刷(&P)"), this);
    print->setObjectName(QStringLiteral("cmd印刷"));
    auto *close = new ui::CommandButton(QStringLiteral("閉じる(&C)"), this);
    close->setObjectName(QStringLiteral("cmd閉じる"));
    connect(save, &QPushButton::clicked, this, &ChartWindow::askAndSavePng);
    connect(print, &QPushButton::clicked, this, &ChartWindow::askAndPrint);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *button : {save, print, close}) {
        button->setMinimumWidth(110);
        buttons->addWidget(button);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);
    save->setFocus();
}

ChartWindow::~ChartWindow() = default;

LabelRoom ChartWindow::labelRoom() const
{
    auto *axis = qobject_cast<QCategoryAxis *>(m_chart->axes(Qt::Horizontal).value(0));
    LabelRoom room;
    if (!axis || axis->max() <= axis->min()) {
        return room;
    }
    room.pointDistance = m_chart->plotArea().width() / (axis->max() - axis->min());
    const QFontMetricsF metrics(axis->labelsFont());
    // The text of a label as drawn: its widest line.
    room.width = [metrics](const QString &label) {
        double widest = 0;
        for (const QString &line : axisText(label).split(QStringLiteral("<br>"))) {
            widest = std::max(widest, metrics.horizontalAdvance(line));
        }
        return widest;
    };
    room.gap = metrics.height() / 2;
    return room;
}

void ChartWindow::fitLabels(const ChartSeries &series)
{
    auto *axis = qobject_cast<QCategoryAxis *>(m_chart->axes(Qt::Horizontal).value(0));
    const LabelRoom room = labelRoom();
    if (!axis || room.pointDistance <= 0) {
        return;
    }
    const QList<AxisLabel> labels = fittingLabels(series, room);
    for (const QString &label : axis->categoriesLabels()) {
        axis->remove(label);
    }
    for (const AxisLabel &label : labels) {
        axis->append(axisText(label.text), double(label.index));
    }
}

void ChartWindow::tellFailure(const QString &title, const QString &text)
{
    common::Msg(*m_presenter).showFailure(title, text);
}

void ChartWindow::askAndSavePng()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("画像で保存"),
                                                      QDir(folder).filePath(QStringLiteral("グラフ.png")),
                                                      QStringLiteral("PNG 画像 (*.png)"));
    if (!path.isEmpty()) {
        savePng(path);
    }
}

bool ChartWindow::savePng(const QString &path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!m_view->grab().save(&buffer, "PNG")) {
        tellFailure(QStringLiteral("画像で保存"), QStringLiteral("グラフを画像にできませんでした。"));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        tellFailure(QStringLiteral("画像で保存"), QStringLiteral("グラフの画像を保存できませんでした。\n") +
                                                      common::fileFailure(common::FileStep::Open, file));
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        tellFailure(QStringLiteral("画像で保存"), QStringLiteral("グラフの画像を保存できませんでした。\n") +
                                                      common::fileFailure(common::FileStep::Write, file));
        return false;
    }
    return true;
}

void ChartWindow::askAndPrint()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QStringLiteral("グラフ ") + m_heading);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("印刷"));
    if (dialog.exec() == QDialog::Accepted) {
        printTo(printer);
    }
}

bool ChartWindow::printTo(QPrinter &printer)
{
    QPainter painter;
    if (!painter.begin(&printer)) {
        tellFailure(QStringLiteral("印刷"),
                    QStringLiteral("グラフを印刷できませんでした。プリンターの設定を確かめてください。"));
        return false;
    }
    // The view's picture as laid out on screen, scaled to the page with its
    // proportions kept; the scene is drawn anew at the printer's resolution.
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRect source = m_view->viewport()->rect();
    QSize size = source.size().scaled(page.size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((page.width() - size.width()) / 2, (page.height() - size.height()) / 2), size);
    m_view->render(&painter, target, source);
    return painter.end();
}

ChartWindow *showChart(store::Store &store, const store::Period &period, PointKind kind, const QString &calendarMode,
                       qint32 lineColour, common::MessagePresenter &presenter, QWidget *parent)
{
    const QString title = QStringLiteral("グラフ");
    if (const QString problem = periodProblem(period, kind); !problem.isEmpty()) {
        common::Msg(presenter).showFailure(title, problem);
        return nullptr;
    }
    ChartSeries series;
    if (const store::DbError error = readSeries(store, period, kind, calendarMode, series)) {
        const QString pattern = common::dateBoxPattern(calendarMode);
        common::Msg(presenter).showFailure(title, QStringLiteral("期間 %1 ～ %2 のグラフを作れませんでした。\n理由: %3")
                                                      .arg(common::formatDate(period.first, pattern),
                                                           common::formatDate(period.last, pattern),
                                                           store::describeForUser(error)));
        return nullptr;
    }
    auto *window = new ChartWindow(series, chartHeading(period, kind, calendarMode), lineColour, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

} // namespace charts
