#pragma once
// ファイルから取り込み: a CSV file of journal days judged first (new days,
// existing days, refused rows and why), then brought into the journal.

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

struct ImportContext
{
    store::Store &store;
    common::Msg &msg;
    ImportPlace place;
    QString startFolder; // where 参照… begins
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
    std::optional<exchange::Encoding> chosenEncoding() const;
    // The field and the character code the shown preview was read with.
    QString previewKey() const;

    ImportContext m_context;
    std::optional<exchange::ImportPreview> m_preview;
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
    QCheckBox *m_chk置き換える = nullptr;
    QPushButton *m_cmd取り込む = nullptr;
    QPushButton *m_cmd取り込まない = nullptr;
};

} // namespace exchangeui
