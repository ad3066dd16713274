#include "settings/settingspage.h"

#include "common/colour.h"
#include "common/formats.h"
#include "settings/banner.h"
#include "store/recordset.h"
#include "store/statements.h"
#include "ui/colournumberbox.h"
#include "ui/colourswatch.h"
#include "ui/commandbutton.h"
#include "ui/erabox.h"
#include "ui/geometry.h"
#include "ui/panel.h"
#include "ui/placement.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace settings {

namespace {

const QString k年号 = QStringLiteral("年号");
const QString kLineColor1 = QStringLiteral("LineColor1");

// A stored colour: a whole number that the colour number box can show;
// anything else is taken as black (0) without changing what is stored, so
// that the page and the printouts never show two different colours.
qint32 colourOf(const QVariant &value, bool *ok)
{
    *ok = value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int;
    const qint64 number = *ok ? value.toLongLong() : 0;
    if (!*ok || number < 0 || number > common::kColourNumberLimit) {
        *ok = false;
        return 0;
    }
    return static_cast<qint32>(number);
}

} // namespace

SettingsPage::SettingsPage(store::ModVelmoraA &state, common::Msg &msg, ui::ColourChooser &colours, ui::UrlOpener &urls,
                           QWidget *parent)
    : QWidget(parent), m_state(state), m_msg(msg), m_colours(colours), m_urls(urls)
{
    buildControls();
}

void SettingsPage::buildControls()
{
    auto *page = new ui::Panel(QStringLiteral("imContainer3D3"), this);
    page->setGeometry(ui::twipsRect(60, 60, 9255, 6135));

    auto *settingsPanel = new ui::Panel(QStringLiteral("imContainer3D4"), page);
    settingsPanel->setGeometry(ui::twipsRect(120, 120, 7800, 1290));
    ui::addLabel(settingsPanel, QStringLiteral("Label41"), QStringLiteral("年   号"), 240, 315);
    m_cmb年号 = new ui::EraBox(settingsPanel);
    ui::place(m_cmb年号, QStringLiteral("cmb年号"), 1140, 240, 1140, 360);
    ui::addLabel(settingsPanel, QStringLiteral("Label24"), QStringLiteral("印刷時の罫線の色"), 240, 765);
    m_pic罫線色 = new ui::ColourSwatch(settingsPanel);
    ui::place(m_pic罫線色, QStringLiteral("Pic罫線色"), 2400, 720, 1335, 315);
    m_pic罫線色->setToolTip(QStringLiteral("ここをダブルクリックして色を指定"));
    m_num白紙罫線色 = new ui::ColourNumberBox(settingsPanel);
    ui::place(m_num白紙罫線色, QStringLiteral("num白紙罫線色"), 3900, 720, 1500, 315);

    auto *erasePanel = new ui::Panel(QStringLiteral("ImFrame3D1"), page);
    erasePanel->setGeometry(ui::twipsRect(120, 1530, 7800, 900));
    auto *label6 = ui::addLabel(erasePanel, QStringLiteral("Label6"),
                                QStringLiteral("すべてのデータを削除し初期状態に戻す"), 240, 330);
    m_cmd一括削除7 = new ui::CommandButton(QStringLiteral("実行"), erasePanel);
    ui::place(m_cmd一括削除7, QStringLiteral("cmd一括削除7"), 5640, 180, 1200, 540);
    label6->setBuddy(m_cmd一括削除7);

    auto *buttons = new ui::Panel(QStringLiteral("imContainer3D7"), page);
    buttons->setGeometry(ui::twipsRect(8160, 240, 855, 3345));
    const auto button = [buttons](const QString &name, const QString &caption, int top) {
        auto *b = new ui::CommandButton(caption, buttons);
        ui::place(b, name, 90, top, 675, 795);
        return b;
    };
    m_cmd設定読込 = button(QStringLiteral("cmd設定読込"), QStringLiteral("読込"), 60);
    m_cmd設定登録 = button(QStringLiteral("cmd設定登録"), QStringLiteral("登録"), 870);
    m_cmd設定クリア = button(QStringLiteral("cmd設定クリア"), QStringLiteral("クリア"), 1680);
    m_cmd設定削除 = button(QStringLiteral("cmd設定削除"), QStringLiteral("削除"), 2490);

    m_cmdHint2 = new ui::HintButton(page);
    ui::place(m_cmdHint2, QStringLiteral("cmdHint2"), 8340, 3780, 615, 570);

    m_lblInfo = new QLabel(page);
    ui::place(m_lblInfo, QStringLiteral("lblInfo"), 300, 3840, 8415, 1035);
    m_lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblInfo->setTextFormat(Qt::PlainText);
    m_lblInfo->setWordWrap(true);

    m_image2 = new Banner(page);
    ui::place(m_image2, QStringLiteral("Image2"), 420, 5040, 8295, 1005);

    QWidget *order[] = {m_cmb年号,     m_pic罫線色,     m_num白紙罫線色, m_cmd一括削除7, m_cmd設定読込,
                        m_cmd設定登録, m_cmd設定クリア, m_cmd設定削除,   m_cmdHint2,     m_image2};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    connect(m_cmd設定登録, &QPushButton::clicked, this, [this] { Entry設定(true); });
    connect(m_cmd設定読込, &QPushButton::clicked, this, &SettingsPage::Read設定);
    connect(m_cmd設定クリア, &QPushButton::clicked, this, &SettingsPage::Clear設定);
    connect(m_cmd設定削除, &QPushButton::clicked, this, &SettingsPage::cmd設定削除_Click);
    connect(m_pic罫線色, &ui::ColourSwatch::doubleClicked, this, &SettingsPage::Pic罫線色_DblClick);
    connect(m_cmd一括削除7, &QPushButton::clicked, this, &SettingsPage::cmd一括削除7_Click);
    connect(m_image2, &Banner::clicked, this, &SettingsPage::Image2_Click);
    connect(m_cmdHint2, &QPushButton::clicked, this, [this] { emit hintRequested(m_cmdHint2->objectName()); });
}

void SettingsPage::Read設定()
{
    m_state.SqlText = store::sql::kSelectSettings;
    store::DbError error;
    const auto rs = m_state.MainDb.openRecordset(m_state.SqlText, &error);
    if (!rs) {
        return; // the page and the settings in force keep what they hold
    }
    if (rs->isEmpty()) {
        m_cmb年号->setText(common::kWestern);
        m_state.CalendarMode = common::kWestern;
        m_num白紙罫線色->setValue(0);
        rs->close();
        return;
    }
    rs->moveFirst();
    const QVariant era = rs->field(k年号);
    const QString mode = era.isNull() ? common::kWestern : era.toString();
    m_cmb年号->setText(mode);
    m_state.CalendarMode = mode;

    const QVariant colour = rs->field(kLineColor1);
    bool ok = false;
    const qint32 number = colour.isNull() ? 0 : colourOf(colour, &ok);
    m_num白紙罫線色->setValue(number);
    m_state.LineColor = number;
    m_pic罫線色->setBackColour(static_cast<qint32>(m_num白紙罫線色->value()));
    rs->close();
}

void SettingsPage::Entry設定(bool confirm)
{
    if (confirm && !m_msg.ShowMsg(QStringLiteral("登録"), QStringLiteral("確認"), QStringLiteral("設定"))) {
        return;
    }
    m_state.SqlText = store::sql::kSelectSettings;
    // Under one write lock, taken before the read: a short write elsewhere is
    // waited for instead of failing the edit of the row.
    const auto write = [this]() -> store::DbError {
        store::DbError error;
        const auto rs = m_state.MainDb.openRecordset(m_state.SqlText, &error);
        if (!rs) {
            return error;
        }
        if (rs->isEmpty()) {
            error = rs->addNew();
        } else {
            rs->moveFirst();
            error = rs->edit();
        }
        if (!error) {
            error = rs->setField(k年号, m_cmb年号->text());
        }
        if (!error) {
            error = rs->setField(kLineColor1, qint64(m_num白紙罫線色->value()));
        }
        if (!error) {
            error = rs->update();
        }
        rs->close();
        return error;
    };
    if (const store::DbError error = m_state.MainDb.inTransaction(write)) {
        m_msg.ShowMsg(QStringLiteral("登録"), QStringLiteral("失敗"),
                      QStringLiteral("設定は登録されていません。\n理由: ") + store::describeForUser(error));
    }
}

void SettingsPage::Clear設定()
{
    m_cmb年号->setText(common::kWestern);
    m_num白紙罫線色->setValue(0);
    m_pic罫線色->setBackColour(0);
}

void SettingsPage::cmd設定削除_Click()
{
    if (!m_msg.ShowMsg(QStringLiteral("削除"), QStringLiteral("伝票確認2"), QStringLiteral("設定"))) {
        return;
    }
    Clear設定();
    Entry設定(false);
}

void SettingsPage::Pic罫線色_DblClick()
{
    const qint32 chosen = ui::ChooseColorDlg(m_colours, window(),
                                             common::numberFromColour(window()->palette().color(QPalette::WindowText)));
    if (chosen == -1) {
        return;
    }
    m_pic罫線色->setBackColour(chosen);
    m_num白紙罫線色->setValue(chosen);
}

QString SettingsPage::backupFolder() const
{
    return m_state.DataFolder + QStringLiteral("backup/");
}

void SettingsPage::cmd一括削除7_Click()
{
    if (!m_msg.ShowMsg(QStringLiteral("削除"), QStringLiteral("その他確認"), QStringLiteral("初期化します。"))) {
        return;
    }

    // A copy of the journal as it stands, taken while the database is open,
    // so that an erase made by mistake can be undone.
    const QString folder = backupFolder();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = folder + QStringLiteral("VelmoraA-%1.mdb").arg(stamp);
    for (int n = 2; QFileInfo::exists(copy); ++n) { // two erases within one second keep both copies
        copy = folder + QStringLiteral("VelmoraA-%1-%2.mdb").arg(stamp).arg(n);
    }
    store::DbError error;
    if (!QDir().mkpath(folder)) {
        error = store::DbError{store::ErrBackupFailed, QStringLiteral("cannot create %1").arg(folder)};
    } else {
        error = m_state.MainDb.backupTo(copy);
    }
    if (error) {
        m_msg.ShowMsg(QStringLiteral("削除"), QStringLiteral("失敗"),
                      QStringLiteral("データの控えを作成できなかったため、何も削除していません。\n控えの場所: ") +
                          QDir::toNativeSeparators(copy) + QStringLiteral("\n理由: ") + store::describeForUser(error));
        return;
    }

    // Journal and settings go together or not at all.
    error = m_state.MainDb.inTransaction([this]() -> store::DbError {
        m_state.SqlText = store::sql::kDeleteAllJournal;
        if (store::DbError failure = m_state.MainDb.execute(m_state.SqlText)) {
            return failure;
        }
        m_state.SqlText = store::sql::kDeleteSettings;
        return m_state.MainDb.execute(m_state.SqlText);
    });
    if (error) {
        m_msg.ShowMsg(QStringLiteral("削除"), QStringLiteral("失敗"),
                      QStringLiteral("データは削除されていません。\n理由: ") + store::describeForUser(error));
        return;
    }

    Clear設定();
    if (m_otherPages.Clear集計) {
        m_otherPages.Clear集計();
    }
    if (m_otherPages.Clear日誌) {
        m_otherPages.Clear日誌();
    }
}

void SettingsPage::Image2_Click()
{
    m_urls.open(kBannerAddress); // the outcome is not examined
}

void SettingsPage::setAboutText(const QString &text)
{
    m_lblInfo->setText(text);
}

void SettingsPage::fillCalendarList(const QString &calendarMode)
{
    m_cmb年号->clear();
    m_cmb年号->addItem(common::kWestern);
    m_cmb年号->addItem(common::kEra);
    // A mode that is neither entry shows no entry rather than the first one,
    // which would be registered in its place with the next settings 登録.
    m_cmb年号->setCurrentIndex(-1);
    m_cmb年号->setText(calendarMode);
}

} // namespace settings
