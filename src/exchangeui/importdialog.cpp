#include "exchangeui/importdialog.h"

#include "exchangeui/layoutchoice.h"

#include "common/formats.h"
#include "ui/commandbutton.h"
#include "ui/progressdialog.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace exchangeui {

namespace {

// More refused rows than this are counted, not listed: the list is for finding
// what to put right, and a file refused by the thousand has one cause.
constexpr int kListedRows = 1000;

enum RefusedColumn { kLine, kColumn, kReason, kColumns };
enum DayColumn { kDayDate, kDayAmounts, kDayText = kDayAmounts + 4, kDayAction, kDayColumns };

// More days than this are counted, not listed.
constexpr int kListedDays = 2000;

QString actionText(const exchange::PlannedDay &day)
{
    switch (day.action) {
    case exchange::PlannedDay::New:
        return QStringLiteral("新しく加える");
    case exchange::PlannedDay::Kept:
        return QStringLiteral("今の記録を残す");
    case exchange::PlannedDay::Replaced:
        return QStringLiteral("置き換える");
    case exchange::PlannedDay::Added:
        return QStringLiteral("今の記録に足す");
    case exchange::PlannedDay::Refused:
        return QStringLiteral("取り込めない: ") + day.reason;
    }
    return {};
}

QString count(qint64 n)
{
    return common::formatAmount(n, common::pattern::kAmountZero);
}

QLabel *countLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(QStringLiteral("－"), parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(80);
    return label;
}

} // namespace

ImportDialog::ImportDialog(ImportContext context, QWidget *parent) : QDialog(parent), m_context(std::move(context))
{
    setObjectName(QStringLiteral("ImportDialog"));
    setWindowTitle(QStringLiteral("ファイルから取り込み"));
    setModal(true);
    buildControls();
    showPreview();
    m_txtファイル->setFocus();
}

void ImportDialog::buildControls()
{
    m_txtファイル = new QLineEdit(this);
    m_txtファイル->setObjectName(QStringLiteral("txtファイル"));
    m_txtファイル->setMinimumWidth(360);
    m_txtファイル->setPlaceholderText(QStringLiteral("CSV ファイル（1 行目に 日付、売上額 … の列名）"));
    m_cmd参照 = new QPushButton(QStringLiteral("参照…(&B)"), this);
    m_cmd参照->setObjectName(QStringLiteral("cmd参照"));
    m_cmd参照->setAutoDefault(false);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_txtファイル, 1);
    fileRow->addWidget(m_cmd参照);

    m_cmb文字コード = new QComboBox(this);
    m_cmb文字コード->setObjectName(QStringLiteral("cmb文字コード"));
    m_cmb文字コード->addItems({QStringLiteral("自動"), QStringLiteral("UTF-8"), QStringLiteral("Shift_JIS")});
    m_cmb文字コード->setToolTip(
        QStringLiteral("自動: BOM 付きか UTF-8 として正しいファイルは UTF-8、ほかは Shift_JIS"));
    m_lbl判定 = new QLabel(this);
    m_lbl判定->setObjectName(QStringLiteral("lbl判定"));
    auto *codeRow = new QHBoxLayout;
    codeRow->addWidget(m_cmb文字コード);
    codeRow->addWidget(m_lbl判定, 1);

    auto *form = new QFormLayout;
    auto *fileLabel = new QLabel(QStringLiteral("ファイル(&N):"), this);
    fileLabel->setBuddy(m_txtファイル);
    form->addRow(fileLabel, fileRow);
    auto *codeLabel = new QLabel(QStringLiteral("文字コード(&E):"), this);
    codeLabel->setBuddy(m_cmb文字コード);
    form->addRow(codeLabel, codeRow);

    auto *contents = new QGroupBox(QStringLiteral("ファイルの内容"), this);
    m_lbl読めない = new QLabel(contents);
    m_lbl読めない->setObjectName(QStringLiteral("lbl読めない"));
    m_lbl読めない->setWordWrap(true);
    m_lbl読めない->setTextFormat(Qt::PlainText);
    m_lbl読めない->setStyleSheet(QStringLiteral("color: #a01010;"));
    m_lbl新しい日 = countLabel(contents, QStringLiteral("lbl新しい日"));
    m_lbl既にある日 = countLabel(contents, QStringLiteral("lbl既にある日"));
    m_lbl取り込めない行 = countLabel(contents, QStringLiteral("lbl取り込めない行"));
    auto *counts = new QFormLayout;
    counts->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint); // the numbers beside their captions
    counts->addRow(QStringLiteral("新しい日:"), m_lbl新しい日);
    counts->addRow(QStringLiteral("既にある日:"), m_lbl既にある日);
    counts->addRow(QStringLiteral("取り込めない行:"), m_lbl取り込めない行);

    m_lst取り込めない行 = new QTableWidget(0, kColumns, contents);
    m_lst取り込めない行->setObjectName(QStringLiteral("lst取り込めない行"));
    m_lst取り込めない行->setAccessibleName(QStringLiteral("取り込めない行"));
    m_lst取り込めない行->setHorizontalHeaderLabels(
        {QStringLiteral("行"), QStringLiteral("列"), QStringLiteral("理由")});
    m_lst取り込めない行->verticalHeader()->hide();
    m_lst取り込めない行->verticalHeader()->setDefaultSectionSize(22);
    m_lst取り込めない行->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lst取り込めない行->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lst取り込めない行->setTabKeyNavigation(false);
    m_lst取り込めない行->horizontalHeader()->setStretchLastSection(true);
    m_lst取り込めない行->setColumnWidth(kLine, 70);
    m_lst取り込めない行->setColumnWidth(kColumn, 90);
    m_lst取り込めない行->setMinimumHeight(140);
    m_lbl無視した列 = new QLabel(contents);
    m_lbl無視した列->setObjectName(QStringLiteral("lbl無視した列"));
    m_lbl無視した列->setWordWrap(true);
    m_lbl無視した列->setTextFormat(Qt::PlainText);

    auto *contentsLayout = new QVBoxLayout(contents);
    contentsLayout->addWidget(m_lbl読めない);
    contentsLayout->addLayout(counts);
    contentsLayout->addWidget(m_lst取り込めない行, 1);
    contentsLayout->addWidget(m_lbl無視した列);

    m_layoutChoice = new LayoutChoice(this);
    m_layoutChoice->hide();

    m_lst取り込む日 = new QTableWidget(0, kDayColumns, this);
    m_lst取り込む日->setObjectName(QStringLiteral("lst取り込む日"));
    m_lst取り込む日->setAccessibleName(QStringLiteral("取り込んだ後の日"));
    m_lst取り込む日->setHorizontalHeaderLabels(
        {QStringLiteral("日付"), QStringLiteral("売上額"), QStringLiteral("仕入額"), QStringLiteral("入金額"),
         QStringLiteral("出金額"), QStringLiteral("日誌"), QStringLiteral("扱い")});
    m_lst取り込む日->verticalHeader()->hide();
    m_lst取り込む日->verticalHeader()->setDefaultSectionSize(22);
    m_lst取り込む日->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lst取り込む日->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lst取り込む日->setTabKeyNavigation(false);
    m_lst取り込む日->horizontalHeader()->setStretchLastSection(true);
    m_lst取り込む日->setColumnWidth(kDayDate, 90);
    for (int i = 0; i < 4; ++i) {
        m_lst取り込む日->setColumnWidth(kDayAmounts + i, 80);
    }
    m_lst取り込む日->setColumnWidth(kDayText, 200);
    m_lst取り込む日->setMinimumHeight(140);
    contentsLayout->addWidget(new QLabel(QStringLiteral("取り込んだ後の日:"), contents));
    contentsLayout->addWidget(m_lst取り込む日, 2);

    m_chk置き換える = new QCheckBox(QStringLiteral("既にある日を取り込んだ内容で置き換える(&R)"), this);
    m_chk置き換える->setObjectName(QStringLiteral("chk置き換える"));
    m_chk置き換える->setToolTip(
        QStringLiteral("置き換える前に、今のデータの控えを作ります（設定・情報の「復元」で戻せます）。"));
    m_chk足す = new QCheckBox(QStringLiteral("既にある日に金額を足し、日誌を後ろに加える(&A)"), this);
    m_chk足す->setObjectName(QStringLiteral("chk足す"));
    m_chk足す->setToolTip(m_chk置き換える->toolTip());

    // No default button: Enter in the file field reads the file, it does not import it.
    auto *buttons = new QDialogButtonBox(this);
    m_cmd取り込む = new ui::CommandButton(QStringLiteral("取り込む"), this);
    m_cmd取り込む->setObjectName(QStringLiteral("cmd取り込む"));
    m_cmd取り込まない = new ui::CommandButton(QStringLiteral("取り込まない"), this);
    m_cmd取り込まない->setObjectName(QStringLiteral("cmd取り込まない"));
    for (QPushButton *button : {m_cmd取り込む, m_cmd取り込まない}) {
        button->setAutoDefault(false);
    }
    buttons->addButton(m_cmd取り込む, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cmd取り込まない, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_layoutChoice, 2);
    layout->addWidget(contents, 3);
    auto *existingRow = new QHBoxLayout;
    existingRow->addWidget(m_chk置き換える);
    existingRow->addWidget(m_chk足す);
    existingRow->addStretch(1);
    layout->addLayout(existingRow);
    layout->addWidget(buttons);
    resize(760, 560);

    QWidget *order[] = {m_txtファイル,   m_cmd参照,       m_cmb文字コード, m_layoutChoice, m_lst取り込めない行,
                        m_lst取り込む日, m_chk置き換える, m_chk足す,       m_cmd取り込む,  m_cmd取り込まない};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    connect(m_txtファイル, &QLineEdit::editingFinished, this, [this] {
        if (previewKey() != m_previewKey) {
            readPreview();
        }
    });
    connect(m_cmb文字コード, &QComboBox::currentIndexChanged, this, &ImportDialog::readPreview);
    connect(m_cmd参照, &QPushButton::clicked, this, &ImportDialog::browse);
    connect(m_layoutChoice, &LayoutChoice::readWithLayout, this, &ImportDialog::readWithChosenLayout);
    // Keep, replace or add: at most one of the two boxes is ticked.
    connect(m_chk置き換える, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            m_chk足す->setChecked(false);
        }
        showDays();
    });
    connect(m_chk足す, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            m_chk置き換える->setChecked(false);
        }
        showDays();
    });
    connect(m_cmd取り込む, &QPushButton::clicked, this, &ImportDialog::importNow);
    connect(m_cmd取り込まない, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<exchange::Encoding> ImportDialog::chosenEncoding() const
{
    switch (m_cmb文字コード->currentIndex()) {
    case 1:
        return exchange::Encoding::Utf8;
    case 2:
        return exchange::Encoding::ShiftJis;
    default:
        return std::nullopt;
    }
}

QString ImportDialog::previewKey() const
{
    return m_txtファイル->text().trimmed() + QLatin1Char('\n') + QString::number(m_cmb文字コード->currentIndex());
}

void ImportDialog::browse()
{
    const QString start = m_txtファイル->text().trimmed().isEmpty() ? m_context.startFolder : m_txtファイル->text();
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("取り込むファイル"), start,
                                                        QStringLiteral("CSV ファイル (*.csv);;すべてのファイル (*)"));
    if (!chosen.isEmpty()) {
        m_txtファイル->setText(QDir::toNativeSeparators(chosen));
        readPreview();
    }
    m_txtファイル->setFocus();
}

void ImportDialog::readPreview()
{
    if (previewKey() != m_previewKey) {
        m_layout.reset(); // another file, or another reading of it: its columns are chosen anew
    }
    m_previewKey = previewKey();
    const QString path = QDir::fromNativeSeparators(m_txtファイル->text().trimmed());
    if (path.isEmpty()) {
        m_preview.reset();
        m_layoutChoice->hide();
    } else {
        const QString file = QFileInfo(path).absoluteFilePath();
        ui::ProgressDialog progress(this);
        m_preview = m_layout ? exchange::previewCsvImport(m_context.store, file, chosenEncoding(), *m_layout, progress)
                             : exchange::previewCsvImport(m_context.store, file, chosenEncoding(), progress);
        progress.finish();
        if (!m_layout && m_preview->needsLayout) {
            // Another program's file: its columns are chosen, a kept choice that fits is read at once.
            const exchange::KeptLayouts kept = m_context.layoutsFile.isEmpty()
                                                   ? exchange::KeptLayouts{}
                                                   : exchange::readLayouts(m_context.layoutsFile);
            m_layoutChoice->setFile(m_preview->leadingRows, kept.layouts);
            m_layoutChoice->show();
            if (kept.failure) {
                m_layoutChoice->setNote(*kept.failure);
            } else if (const auto fitting = m_layoutChoice->fittingLayout()) {
                m_layout = fitting;
                ui::ProgressDialog again(this);
                m_preview = exchange::previewCsvImport(m_context.store, file, chosenEncoding(), *m_layout, again);
                again.finish();
            }
        } else if (!m_layout) {
            m_layoutChoice->hide();
        }
    }
    showPreview();
}

void ImportDialog::readWithChosenLayout()
{
    exchange::ImportLayout layout = m_layoutChoice->layout();
    if (const std::optional<QString> fault = layout.fault()) {
        m_layoutChoice->setNote(*fault);
        return;
    }
    QString note;
    if (layout.name.isEmpty()) {
        note = QStringLiteral("名前がないため、この列の選び方は保存していません。");
    } else if (m_context.layoutsFile.isEmpty()) {
        note = QString();
    } else if (const std::optional<QString> failure = exchange::keepLayout(m_context.layoutsFile, layout)) {
        note = *failure + QStringLiteral("\nこの列の選び方で読みます。");
    }
    m_layout = layout;
    m_previewKey = previewKey();
    const QString file = QFileInfo(QDir::fromNativeSeparators(m_txtファイル->text().trimmed())).absoluteFilePath();
    ui::ProgressDialog progress(this);
    m_preview = exchange::previewCsvImport(m_context.store, file, chosenEncoding(), layout, progress);
    progress.finish();
    m_layoutChoice->setNote(note);
    showPreview();
}

exchange::ExistingDays ImportDialog::existingChoice() const
{
    return m_chk置き換える->isChecked() ? exchange::ExistingDays::Replace
           : m_chk足す->isChecked()     ? exchange::ExistingDays::Add
                                        : exchange::ExistingDays::Keep;
}

void ImportDialog::showDays()
{
    const bool judged = m_preview && !m_preview->failure;
    const QList<exchange::PlannedDay> days =
        judged ? exchange::planImport(*m_preview, {existingChoice()}) : QList<exchange::PlannedDay>{};
    const int listed = int(std::min<qsizetype>(days.size(), kListedDays));
    m_lst取り込む日->setRowCount(listed);
    for (int row = 0; row < listed; ++row) {
        const exchange::PlannedDay &day = days.at(row);
        m_lst取り込む日->setItem(row, kDayDate,
                                 new QTableWidgetItem(day.result.date.toString(QStringLiteral("yyyy/MM/dd"))));
        for (int i = 0; i < 4; ++i) {
            auto *amount = new QTableWidgetItem(
                common::formatAmount(day.result.amounts[store::kAmountColumns[i]], common::pattern::kAmountZero));
            amount->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_lst取り込む日->setItem(row, kDayAmounts + i, amount);
        }
        auto *text = new QTableWidgetItem(QString(day.result.text).replace(u'\n', QStringLiteral(" ／ ")));
        text->setToolTip(day.result.text);
        m_lst取り込む日->setItem(row, kDayText, text);
        auto *action = new QTableWidgetItem(actionText(day));
        action->setToolTip(action->text());
        if (day.action == exchange::PlannedDay::Refused) {
            action->setForeground(QColor(0xa0, 0x10, 0x10));
        }
        m_lst取り込む日->setItem(row, kDayAction, action);
    }
    m_lst取り込む日->setEnabled(listed > 0);
}

void ImportDialog::showPreview()
{
    const bool judged = m_preview && !m_preview->failure;
    m_lbl読めない->setVisible(m_preview && m_preview->failure);
    // A file waiting for its columns to be chosen is told what to do, not that its first line is wrong.
    m_lbl読めない->setText(
        !m_preview || !m_preview->failure ? QString()
        : m_preview->needsLayout && !m_layout
            ? QStringLiteral("このファイルの見出しには業務日誌の列（日付 …）がありません。上で見出しの"
                             "行と列を選び、「このレイアウトで読む」を押してください。")
            : *m_preview->failure);
    m_lbl新しい日->setText(judged ? count(m_preview->newDays) + QStringLiteral(" 日") : QStringLiteral("－"));
    m_lbl既にある日->setText(judged ? count(m_preview->existingDays) + QStringLiteral(" 日") : QStringLiteral("－"));
    m_lbl取り込めない行->setText(judged ? count(m_preview->refusedRows) + QStringLiteral(" 行") : QStringLiteral("－"));
    m_lbl判定->setText(judged && m_preview->encodingDetected ? (m_preview->encoding == exchange::Encoding::ShiftJis
                                                                    ? QStringLiteral("（Shift_JIS として読みました）")
                                                                    : QStringLiteral("（UTF-8 として読みました）"))
                                                             : QString());

    const qint64 refused = judged ? m_preview->refusedRows : 0;
    const int listed = int(std::min<qsizetype>(m_preview ? m_preview->refused.size() : 0, kListedRows));
    m_lst取り込めない行->setRowCount(listed);
    for (int row = 0; row < listed; ++row) {
        const exchange::RefusedRow &line = m_preview->refused.at(row);
        auto *number = new QTableWidgetItem(QString::number(line.line));
        number->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_lst取り込めない行->setItem(row, kLine, number);
        m_lst取り込めない行->setItem(
            row, kColumn, new QTableWidgetItem(line.column.isEmpty() ? QStringLiteral("（行全体）") : line.column));
        auto *reason = new QTableWidgetItem(line.reason);
        reason->setToolTip(line.reason);
        m_lst取り込めない行->setItem(row, kReason, reason);
    }
    m_lst取り込めない行->setEnabled(refused > 0);

    QStringList notes;
    if (refused > listed) {
        notes << QStringLiteral("取り込めない行のうち、初めの %1 行を表示しています。").arg(count(listed));
    }
    if (judged && m_preview->days > std::min<qint64>(m_preview->firstDays.size(), kListedDays)) {
        notes << QStringLiteral("取り込む %1 日のうち、初めの %2 日を表示しています。")
                     .arg(count(m_preview->days), count(std::min<qint64>(m_preview->firstDays.size(), kListedDays)));
    }
    if (judged && !m_preview->ignoredColumns.isEmpty()) {
        notes << QStringLiteral("取り込まない列: ") + m_preview->ignoredColumns.join(QStringLiteral("、"));
    }
    m_lbl無視した列->setText(notes.join(u'\n'));
    m_lbl無視した列->setVisible(!notes.isEmpty());

    m_chk置き換える->setEnabled(judged && m_preview->existingDays > 0);
    m_chk足す->setEnabled(judged && m_preview->existingDays > 0);
    showDays();
    m_cmd取り込む->setEnabled(judged && m_preview->days > 0);
}

void ImportDialog::importNow()
{
    // A name typed and not read yet is read first: nothing goes in unseen.
    if (previewKey() != m_previewKey) {
        readPreview();
        return;
    }
    if (!m_preview || m_preview->failure || m_preview->days == 0) {
        return;
    }
    ui::ProgressDialog progress(this);
    m_imported = runImport(m_context.store, m_context.msg, *m_preview, existingChoice(), m_context.place, progress);
    if (m_imported) {
        accept();
    }
}

} // namespace exchangeui
