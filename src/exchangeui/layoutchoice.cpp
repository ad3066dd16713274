#include "exchangeui/layoutchoice.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace exchangeui {

namespace {

const QString kNone = QStringLiteral("（なし）");
const QString kNewLayout = QStringLiteral("（新しいレイアウト）");
constexpr int kShownColumns = 12;

QStringList namesOf(const exchange::CsvRow &row)
{
    QStringList names;
    for (const QString &field : row.fields) {
        const QString name = field.trimmed();
        if (!name.isEmpty() && !names.contains(name)) {
            names.append(name);
        }
    }
    return names;
}

QString chosen(const QComboBox *box)
{
    return box->currentIndex() <= 0 ? QString() : box->currentText();
}

// The first row with three names or more and no amount or date among them looks like a header.
int likelyHeader(const QList<exchange::CsvRow> &rows)
{
    int best = 0;
    qsizetype most = 0;
    for (int i = 0; i < rows.size(); ++i) {
        const qsizetype names = namesOf(rows.at(i)).size();
        if (names > most) {
            best = i;
            most = names;
        }
    }
    return best;
}

} // namespace

LayoutChoice::LayoutChoice(QWidget *parent) : QGroupBox(QStringLiteral("列の選び方（取り込みのレイアウト）"), parent)
{
    setObjectName(QStringLiteral("grp列の選び方"));
    buildControls();
}

void LayoutChoice::buildControls()
{
    m_cmbレイアウト = new QComboBox(this);
    m_cmbレイアウト->setObjectName(QStringLiteral("cmbレイアウト"));
    m_lst先頭の行 = new QTableWidget(this);
    m_lst先頭の行->setObjectName(QStringLiteral("lst先頭の行"));
    m_lst先頭の行->setAccessibleName(QStringLiteral("ファイルの先頭の行（見出しの行を選びます）"));
    m_lst先頭の行->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lst先頭の行->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lst先頭の行->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lst先頭の行->setTabKeyNavigation(false);
    m_lst先頭の行->verticalHeader()->setDefaultSectionSize(20);
    m_lst先頭の行->horizontalHeader()->hide();
    m_lst先頭の行->setMinimumHeight(110);

    auto *form = new QFormLayout;
    m_cmb日付 = new QComboBox(this);
    m_cmb日付->setObjectName(QStringLiteral("cmb日付"));
    form->addRow(QStringLiteral("日付:"), m_cmb日付);
    const QString amountNames[] = {QStringLiteral("売上額"), QStringLiteral("仕入額"), QStringLiteral("入金額"),
                                   QStringLiteral("出金額")};
    auto *amounts = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        m_cmb金額[i] = new QComboBox(this);
        m_cmb金額[i]->setObjectName(QStringLiteral("cmb") + amountNames[i]);
        auto *caption = new QLabel(amountNames[i] + u':', this);
        caption->setBuddy(m_cmb金額[i]);
        amounts->addWidget(caption);
        amounts->addWidget(m_cmb金額[i], 1);
    }
    form->addRow(amounts);
    m_cmb入出金 = new QComboBox(this);
    m_cmb入出金->setObjectName(QStringLiteral("cmb入出金"));
    m_cmb入出金->setToolTip(QStringLiteral("正の金額は入金額、負の金額（△ や - 付き）は出金額になります。"));
    form->addRow(QStringLiteral("入出金（一つの列）:"), m_cmb入出金);
    m_lst日誌 = new QListWidget(this);
    m_lst日誌->setObjectName(QStringLiteral("lst日誌"));
    m_lst日誌->setFlow(QListView::LeftToRight);
    m_lst日誌->setWrapping(true);
    m_lst日誌->setMaximumHeight(52);
    m_lst日誌->setToolTip(QStringLiteral("印を付けた列を、行ごとに「摘要 金額」の一行にして日誌に書きます。"));
    form->addRow(QStringLiteral("日誌にする列:"), m_lst日誌);

    m_txtレイアウト名 = new QLineEdit(this);
    m_txtレイアウト名->setObjectName(QStringLiteral("txtレイアウト名"));
    m_txtレイアウト名->setPlaceholderText(QStringLiteral("例: ○○銀行 普通預金"));
    m_cmd読む = new QPushButton(QStringLiteral("このレイアウトで読む(&L)"), this);
    m_cmd読む->setObjectName(QStringLiteral("cmdこのレイアウトで読む"));
    m_cmd読む->setAutoDefault(false);
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(m_txtレイアウト名, 1);
    nameRow->addWidget(m_cmd読む);
    form->addRow(QStringLiteral("名前を付けて保存:"), nameRow);

    m_lbl注意 = new QLabel(this);
    m_lbl注意->setObjectName(QStringLiteral("lbl列の注意"));
    m_lbl注意->setWordWrap(true);
    m_lbl注意->setTextFormat(Qt::PlainText);
    m_lbl注意->setStyleSheet(QStringLiteral("color: #a01010;"));
    m_lbl注意->hide();

    auto *keptRow = new QFormLayout;
    keptRow->addRow(QStringLiteral("保存したレイアウト:"), m_cmbレイアウト);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(keptRow);
    layout->addWidget(new QLabel(QStringLiteral("ファイルの先頭（見出しの行を選んでください）:"), this));
    layout->addWidget(m_lst先頭の行, 1);
    layout->addLayout(form);
    layout->addWidget(m_lbl注意);

    connect(m_lst先頭の行, &QTableWidget::currentCellChanged, this, [this](int row) { headerChosen(row); });
    connect(m_cmbレイアウト, &QComboBox::activated, this, &LayoutChoice::keptChosen);
    connect(m_cmd読む, &QPushButton::clicked, this, &LayoutChoice::readWithLayout);
}

void LayoutChoice::setFile(const QList<exchange::CsvRow> &rows, const QList<exchange::ImportLayout> &kept)
{
    m_rows = rows;
    m_kept = kept;
    m_fits.clear();
    int columns = 0;
    for (const exchange::CsvRow &row : rows) {
        columns = std::max(columns, int(std::min<qsizetype>(row.fields.size(), kShownColumns)));
    }
    m_lst先頭の行->blockSignals(true);
    m_lst先頭の行->clear();
    m_lst先頭の行->setRowCount(int(rows.size()));
    m_lst先頭の行->setColumnCount(columns);
    QStringList lines;
    for (int i = 0; i < rows.size(); ++i) {
        lines.append(QStringLiteral("%1 行目").arg(rows.at(i).line));
        for (int j = 0; j < columns && j < rows.at(i).fields.size(); ++j) {
            m_lst先頭の行->setItem(i, j, new QTableWidgetItem(rows.at(i).fields.at(j)));
        }
    }
    m_lst先頭の行->setVerticalHeaderLabels(lines);
    m_lst先頭の行->resizeColumnsToContents();
    m_lst先頭の行->blockSignals(false);

    // Kept layouts; one whose columns the file lacks says which and cannot be chosen.
    m_cmbレイアウト->clear();
    m_cmbレイアウト->addItem(kNewLayout);
    int fitting = -1;
    for (int i = 0; i < kept.size(); ++i) {
        const exchange::HeaderFound found = exchange::findHeader(rows, kept.at(i));
        const bool fits = found.row >= 0;
        m_fits.append(fits);
        QString text = kept.at(i).name;
        if (!fits) {
            text += QStringLiteral("（列「%1」がありません）").arg(found.missing.join(QStringLiteral("」「")));
        }
        m_cmbレイアウト->addItem(text);
        if (!fits) {
            if (auto *model = qobject_cast<QStandardItemModel *>(m_cmbレイアウト->model())) {
                model->item(i + 1)->setEnabled(false);
            }
        } else if (fitting < 0) {
            fitting = i;
        }
    }
    if (fitting >= 0) {
        m_cmbレイアウト->setCurrentIndex(fitting + 1);
        keptChosen(fitting + 1);
    } else {
        m_cmbレイアウト->setCurrentIndex(0);
        m_txtレイアウト名->clear();
        m_lst先頭の行->setCurrentCell(likelyHeader(rows), 0);
        headerChosen(likelyHeader(rows));
    }
    setNote(QString());
}

void LayoutChoice::headerChosen(int row)
{
    const QStringList names = row >= 0 && row < m_rows.size() ? namesOf(m_rows.at(row)) : QStringList();
    for (QComboBox *box : {m_cmb日付, m_cmb金額[0], m_cmb金額[1], m_cmb金額[2], m_cmb金額[3], m_cmb入出金}) {
        box->clear();
        box->addItem(kNone);
        box->addItems(names);
    }
    m_lst日誌->clear();
    for (const QString &name : names) {
        auto *item = new QListWidgetItem(name, m_lst日誌);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    // The usual names of a statement's columns, so that most files need a click or two.
    const auto guess = [&](QComboBox *box, std::initializer_list<const char16_t *> words) {
        for (const char16_t *word : words) {
            for (const QString &name : names) {
                if (name.contains(QString::fromUtf16(word))) {
                    box->setCurrentText(name);
                    return;
                }
            }
        }
    };
    guess(m_cmb日付, {u"日付", u"年月日", u"取引日", u"日"});
}

void LayoutChoice::keptChosen(int index)
{
    if (index <= 0 || index > m_kept.size() || !m_fits.value(index - 1)) {
        return;
    }
    const exchange::ImportLayout &layout = m_kept.at(index - 1);
    const exchange::HeaderFound found = exchange::findHeader(m_rows, layout);
    m_lst先頭の行->blockSignals(true);
    m_lst先頭の行->setCurrentCell(int(found.row), 0);
    m_lst先頭の行->blockSignals(false);
    headerChosen(int(found.row));
    applyLayout(layout);
}

void LayoutChoice::applyLayout(const exchange::ImportLayout &layout)
{
    m_cmb日付->setCurrentText(layout.dateColumn.isEmpty() ? kNone : layout.dateColumn);
    for (int i = 0; i < 4; ++i) {
        const QString column = layout.amountColumns.value(store::kAmountColumns[i]);
        m_cmb金額[i]->setCurrentText(column.isEmpty() ? kNone : column);
    }
    m_cmb入出金->setCurrentText(layout.signedColumn.isEmpty() ? kNone : layout.signedColumn);
    // The text columns in the layout's order first, so that the lines come out as kept.
    for (int i = int(layout.textColumns.size()) - 1; i >= 0; --i) {
        const QList<QListWidgetItem *> found = m_lst日誌->findItems(layout.textColumns.at(i), Qt::MatchExactly);
        if (!found.isEmpty()) {
            QListWidgetItem *item = m_lst日誌->takeItem(m_lst日誌->row(found.first()));
            item->setCheckState(Qt::Checked);
            m_lst日誌->insertItem(0, item);
        }
    }
    m_txtレイアウト名->setText(layout.name);
}

exchange::ImportLayout LayoutChoice::layout() const
{
    exchange::ImportLayout layout;
    layout.name = m_txtレイアウト名->text().trimmed();
    layout.dateColumn = chosen(m_cmb日付);
    for (int i = 0; i < 4; ++i) {
        if (const QString column = chosen(m_cmb金額[i]); !column.isEmpty()) {
            layout.amountColumns.insert(store::kAmountColumns[i], column);
        }
    }
    layout.signedColumn = chosen(m_cmb入出金);
    for (int i = 0; i < m_lst日誌->count(); ++i) {
        if (m_lst日誌->item(i)->checkState() == Qt::Checked) {
            layout.textColumns.append(m_lst日誌->item(i)->text());
        }
    }
    return layout;
}

std::optional<exchange::ImportLayout> LayoutChoice::fittingLayout() const
{
    const int index = m_cmbレイアウト->currentIndex();
    if (index <= 0 || index > m_kept.size() || !m_fits.value(index - 1)) {
        return std::nullopt;
    }
    return m_kept.at(index - 1);
}

void LayoutChoice::setNote(const QString &note)
{
    m_lbl注意->setText(note);
    m_lbl注意->setVisible(!note.isEmpty());
}

} // namespace exchangeui
