#include "exchangeui/exportdialog.h"

#include "common/formats.h"
#include "ui/datebox.h"
#include "ui/geometry.h"
#include "ui/progressdialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace exchangeui {

namespace {

// The width the pages give a date box in each calendar mode, in twips.
int dateBoxWidth(const QString &calendarMode)
{
    return common::isWestern(calendarMode) ? 2000 : 2370;
}

exchange::Format formatAt(int index)
{
    return index == 1 ? exchange::Format::Xlsx : exchange::Format::Csv;
}

} // namespace

ExportDialog::ExportDialog(ExportContext context, QWidget *parent) : QDialog(parent), m_context(std::move(context))
{
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(QStringLiteral("書き出し"));
    setModal(true);
    buildControls();

    const ExportSubject subject = !m_context.offerTotals ? ExportSubject::Journal
                                  : m_context.summary    ? ExportSubject::Summary
                                                         : ExportSubject::Totals;
    (subject == ExportSubject::Journal ? m_opt日誌 : m_opt集計表)->setChecked(true);
    m_dt開始->setValue(m_context.period.first);
    m_dt終了->setValue(m_context.period.last);
    m_txtファイル->setText(
        QDir(m_context.startFolder)
            .filePath(suggestedFileName(subject, m_context.period, exchange::Format::Csv, grouping())));
    subjectChanged();
    formatChanged();
    (subject == ExportSubject::Journal ? m_opt日誌 : m_opt集計表)->setFocus();
}

void ExportDialog::buildControls()
{
    m_opt日誌 = new QRadioButton(QStringLiteral("日誌(&J)"), this);
    m_opt日誌->setObjectName(QStringLiteral("opt日誌"));
    m_opt日誌->setToolTip(QStringLiteral("期間の業務日誌（日付、売上額、仕入額、入金額、出金額、日誌）"));
    m_opt集計表 = new QRadioButton(QStringLiteral("集計表(&T)"), this);
    m_opt集計表->setObjectName(QStringLiteral("opt集計表"));
    m_opt集計表->setToolTip(QStringLiteral("集計の画面の表（行と合計）を、今の内容のまま"));
    if (m_context.summary) {
        const bool monthly = *m_context.summary == store::Grouping::Month;
        m_opt集計表->setText(monthly ? QStringLiteral("月別の集計(&T)") : QStringLiteral("年別の集計(&T)"));
        m_opt集計表->setToolTip(monthly ? QStringLiteral("期間の月ごとの合計と日数、差引")
                                        : QStringLiteral("期間の年ごとの合計と日数、差引"));
    }
    m_opt集計表->setVisible(m_context.offerTotals);
    auto *subjects = new QButtonGroup(this);
    subjects->addButton(m_opt日誌);
    subjects->addButton(m_opt集計表);
    auto *subjectRow = new QHBoxLayout;
    subjectRow->addWidget(m_opt日誌);
    subjectRow->addWidget(m_opt集計表);
    subjectRow->addStretch();

    const auto dateBox = [this](const QString &name, const QString &accessible) {
        auto *box = new ui::DateBox(this);
        box->setObjectName(name);
        box->setAccessibleName(accessible);
        box->setCalendarMode(m_context.calendarMode);
        box->setFixedSize(ui::twips(dateBoxWidth(m_context.calendarMode)), ui::twips(315));
        return box;
    };
    m_dt開始 = dateBox(QStringLiteral("Dt開始"), QStringLiteral("期間の開始日"));
    m_dt終了 = dateBox(QStringLiteral("Dt終了"), QStringLiteral("期間の終了日"));
    auto *periodRow = new QHBoxLayout;
    periodRow->addWidget(m_dt開始);
    periodRow->addWidget(new QLabel(QStringLiteral("～"), this));
    periodRow->addWidget(m_dt終了);
    periodRow->addStretch();

    m_cmb形式 = new QComboBox(this);
    m_cmb形式->setObjectName(QStringLiteral("cmb形式"));
    m_cmb形式->addItems({QStringLiteral("CSV"), QStringLiteral("Excel")});
    m_cmb文字コード = new QComboBox(this);
    m_cmb文字コード->setObjectName(QStringLiteral("cmb文字コード"));
    m_cmb文字コード->addItems({QStringLiteral("UTF-8 (BOM付き)"), QStringLiteral("Shift_JIS")});
    m_cmb文字コード->setToolTip(QStringLiteral("古い表計算ソフトで開くときは Shift_JIS"));

    m_txtファイル = new QLineEdit(this);
    m_txtファイル->setObjectName(QStringLiteral("txtファイル"));
    m_txtファイル->setMinimumWidth(360);
    m_cmd参照 = new QPushButton(QStringLiteral("参照…(&B)"), this);
    m_cmd参照->setObjectName(QStringLiteral("cmd参照"));
    m_cmd参照->setAutoDefault(false);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_txtファイル, 1);
    fileRow->addWidget(m_cmd参照);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("書き出す内容:"), subjectRow);
    const auto labelled = [this, form](const QString &caption, QLayout *row, QWidget *buddy) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(buddy);
        form->addRow(label, row);
    };
    const auto single = [](QWidget *widget) {
        auto *row = new QHBoxLayout;
        row->addWidget(widget);
        row->addStretch();
        return row;
    };
    labelled(QStringLiteral("期間(&P):"), periodRow, m_dt開始);
    labelled(QStringLiteral("形式(&F):"), single(m_cmb形式), m_cmb形式);
    labelled(QStringLiteral("文字コード(&E):"), single(m_cmb文字コード), m_cmb文字コード);
    labelled(QStringLiteral("ファイル(&N):"), fileRow, m_txtファイル);

    auto *buttons = new QDialogButtonBox(this);
    m_cmd書き出す = buttons->addButton(QStringLiteral("書き出す"), QDialogButtonBox::AcceptRole);
    m_cmd書き出す->setObjectName(QStringLiteral("cmd書き出す"));
    m_cmd書き出す->setDefault(true);
    m_cmdキャンセル = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    m_cmdキャンセル->setObjectName(QStringLiteral("cmdキャンセル"));
    m_cmdキャンセル->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QWidget *order[] = {m_opt日誌,       m_opt集計表,   m_dt開始,  m_dt終了,      m_cmb形式,
                        m_cmb文字コード, m_txtファイル, m_cmd参照, m_cmd書き出す, m_cmdキャンセル};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    connect(m_opt日誌, &QRadioButton::toggled, this, &ExportDialog::subjectChanged);
    connect(m_cmb形式, &QComboBox::currentIndexChanged, this, &ExportDialog::formatChanged);
    connect(m_txtファイル, &QLineEdit::editingFinished, this, &ExportDialog::fileNameEdited);
    connect(m_cmd参照, &QPushButton::clicked, this, &ExportDialog::browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::exportNow);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void ExportDialog::subjectChanged()
{
    const bool journal = m_opt日誌->isChecked();
    // The work table holds the rows of its own run; a period would not change
    // them. A summary is made from the journal of the period.
    const bool withPeriod = journal || m_context.summary;
    m_dt開始->setEnabled(withPeriod);
    m_dt終了->setEnabled(withPeriod);

    // A name the user has not changed follows what is written.
    const QString path = m_txtファイル->text();
    const ExportSubject tableSubject = m_context.summary ? ExportSubject::Summary : ExportSubject::Totals;
    const ExportSubject other = journal ? tableSubject : ExportSubject::Journal;
    const QString otherName =
        suggestedFileName(other, m_context.period, formatAt(m_cmb形式->currentIndex()), grouping());
    if (QFileInfo(path).fileName() == otherName) {
        m_txtファイル->setText(QDir(QFileInfo(path).path())
                                   .filePath(suggestedFileName(request().subject, m_context.period,
                                                               formatAt(m_cmb形式->currentIndex()), grouping())));
    }
}

void ExportDialog::formatChanged()
{
    const exchange::Format format = formatAt(m_cmb形式->currentIndex());
    m_cmb文字コード->setEnabled(format == exchange::Format::Csv);
    m_txtファイル->setText(withExtension(m_txtファイル->text(), format));
}

void ExportDialog::fileNameEdited()
{
    // A name typed with an extension chooses the format.
    if (const std::optional<exchange::Format> format = exchange::formatOfName(m_txtファイル->text())) {
        m_cmb形式->setCurrentIndex(*format == exchange::Format::Xlsx ? 1 : 0);
    }
}

void ExportDialog::browse()
{
    const exchange::Format format = formatAt(m_cmb形式->currentIndex());
    const QString filter = format == exchange::Format::Xlsx ? QStringLiteral("Excel ブック (*.xlsx)")
                                                            : QStringLiteral("CSV ファイル (*.csv)");
    // 書き出す asks before it replaces a file; the file dialog need not ask too.
    const QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("書き出すファイル"), m_txtファイル->text(),
                                                        filter, nullptr, QFileDialog::DontConfirmOverwrite);
    if (!chosen.isEmpty()) {
        m_txtファイル->setText(QDir::toNativeSeparators(withExtension(chosen, format)));
    }
    m_txtファイル->setFocus();
}

ExportRequest ExportDialog::request() const
{
    ExportRequest request;
    request.subject = !m_opt集計表->isChecked() ? ExportSubject::Journal
                      : m_context.summary       ? ExportSubject::Summary
                                                : ExportSubject::Totals;
    request.grouping = grouping();
    request.period = {m_dt開始->value().value_or(QDate()), m_dt終了->value().value_or(QDate())};
    request.file.format = formatAt(m_cmb形式->currentIndex());
    request.file.encoding =
        m_cmb文字コード->currentIndex() == 1 ? exchange::Encoding::ShiftJis : exchange::Encoding::Utf8;
    request.file.calendarMode = m_context.calendarMode;
    request.file.path = withExtension(QDir::fromNativeSeparators(m_txtファイル->text().trimmed()), request.file.format);
    return request;
}

bool ExportDialog::periodReady()
{
    if (!ui::dateReadyForCommand(m_dt開始, m_context.msg, QStringLiteral("開始日")) ||
        !ui::dateReadyForCommand(m_dt終了, m_context.msg, QStringLiteral("終了日"))) {
        return false;
    }
    for (ui::DateBox *box : {m_dt開始, m_dt終了}) {
        if (!box->value()) {
            m_context.msg.show(common::Prompt::Notice, QStringLiteral("期間の開始日と終了日を記入してください。"));
            box->setFocus();
            return false;
        }
    }
    return true;
}

void ExportDialog::exportNow()
{
    if (request().subject != ExportSubject::Totals && !periodReady()) {
        return;
    }
    const ExportRequest wanted = request();
    if (!wanted.file.path.isEmpty()) {
        m_txtファイル->setText(QDir::toNativeSeparators(wanted.file.path));
    }
    ui::ProgressDialog progress(this);
    if (runExport(m_context.store, m_context.msg, wanted, m_context.dataFolder, progress)) {
        accept();
        return;
    }
    m_txtファイル->setFocus();
}

} // namespace exchangeui
