#pragma once
// The column choice for a file whose header is not the journal's: which line
// is the header, which column is the date, the amounts and the 日誌 text, and
// the name the choice is kept under. Offers the kept layouts that fit the file.

#include "exchange/importlayout.h"

#include <QGroupBox>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace exchangeui {

class LayoutChoice final : public QGroupBox
{
    Q_OBJECT
public:
    explicit LayoutChoice(QWidget *parent = nullptr);

    // The file's first rows and the kept layouts; a kept layout that fits
    // the file is chosen, else the first line that looks like a header.
    void setFile(const QList<exchange::CsvRow> &rows, const QList<exchange::ImportLayout> &kept);
    // The layout as the controls give it, named as typed.
    exchange::ImportLayout layout() const;
    // A kept layout that fits the file and was chosen by setFile; none otherwise.
    std::optional<exchange::ImportLayout> fittingLayout() const;
    void setNote(const QString &note);

signals:
    // このレイアウトで読む
    void readWithLayout();

private:
    void buildControls();
    void headerChosen(int row);
    void keptChosen(int index);
    void applyLayout(const exchange::ImportLayout &layout);

    QList<exchange::CsvRow> m_rows;
    QList<exchange::ImportLayout> m_kept;
    QList<bool> m_fits;

    QComboBox *m_cmbレイアウト = nullptr;
    QTableWidget *m_lst先頭の行 = nullptr;
    QComboBox *m_cmb日付 = nullptr;
    QComboBox *m_cmb金額[4] = {}; // 売上額, 仕入額, 入金額, 出金額
    QComboBox *m_cmb入出金 = nullptr;
    QListWidget *m_lst日誌 = nullptr;
    QLineEdit *m_txtレイアウト名 = nullptr;
    QPushButton *m_cmd読む = nullptr;
    QLabel *m_lbl注意 = nullptr;
};

} // namespace exchangeui
