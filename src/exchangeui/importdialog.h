#pragma once
// ファイルから取り込み: a CSV file of journal days judged first (new days,
// existing days, refused rows and why, each day as it will stand), then
// brought into the journal. A file with other columns (a bank statement) is
// read through a column choice, kept under a name for next time.

#include "exchangeui/importrun.h"

#include "common/msg.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace store {
class Store;
}

namespace exchangeui {

class LayoutChoice;

struct ImportContext
{
    store::Store &store;
    common::Msg &msg;
    ImportPlace place;
    QString startFolder;      // where 参照… begins
    QString layoutsFile = {}; // where column choices are kept; none kept when empty
};

class ImportDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit ImportDialog(ImportContext context, QWidget *parent = nullptr);

    // Judges the file named in the field, read with the chosen character code.
    void readPreview();
    // 取り込む: imports the good rows and closes the window; after a refusal
    // or a failure the window stays open.
    void importNow();
    // What the import brought; none until it has run.
    const std::optional<exchange::Imported> &imported() const { return m_imported; }

private:
    void buildControls();
    void browse();
    void showPreview();
    void showDays();
    void readWithChosenLayout();
    exchange::ExistingDays existingChoice() const;
    std::optional<exchange::Encoding> chosenEncoding() const;
    // The field and the character code the shown preview was read with.
    QString previewKey() const;

    ImportContext m_context;
    std::optional<exchange::ImportPreview> m_preview;
    std::optional<exchange::ImportLayout> m_layout; // the column choice the file is read with
    QString m_previewKey;
    std::optional<exchange::Imported> m_imported;

    QLineEdit *m_txtファイル = nullptr;
    QPushButton *m_cmd参照 = nullptr;
    QComboBox *m_cmb文字コード = nullptr;
    QLabel *m_lbl判定 = nullptr;
    QLabel *m_lbl読めない = nullptr;
    QLabel *m_lbl新しい日 = nullptr;
    QLabel *m_lbl既にある日 = nullptr;
    QLabel *m_lbl取り込めない行 = nullptr;
    QTableWidget *m_lst取り込めない行 = nullptr;
    QLabel *m_lbl無視した列 = nullptr;
    LayoutChoice *m_layoutChoice = nullptr;
    QTableWidget *m_lst取り込む日 = nullptr;
    QCheckBox *m_chk置き換える = nullptr;
    QCheckBox *m_chk足す = nullptr;
    QPushButton *m_cmd取り込む = nullptr;
    QPushButton *m_cmd取り込まない = nullptr;
};

} // namespace exchangeui
