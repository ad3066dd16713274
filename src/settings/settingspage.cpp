#include "settings/settingspage.h"

#include "common/colour.h"
#include "common/formats.h"
#include "settings/banner.h"
#include "settings/restoredialog.h"
#include "ui/colournumberbox.h"
#include "ui/colourswatch.h"
#include "ui/commandbutton.h"
#include "ui/erabox.h"
#include "ui/geometry.h"
#include "ui/panel.h"
#include "ui/placement.h"
#include "ui/progressdialog.h"

#include <QLabel>

namespace settings {

SettingsPage::SettingsPage(store::Store &store, store::Settings &inForce, common::Msg &msg, ui::ColourChooser &colours,
                           ui::UrlOpener &urls, QWidget *parent)
    : QWidget(parent), m_colours(colours), m_urls(urls), m_controller(store, inForce, msg)
{
    m_controller.setCopyChooser([this](const QString &folder) { return askForCopy(window(), folder); });
    m_controller.setProgressMaker([this] { return std::make_unique<ui::ProgressDialog>(window()); });
    connect(&m_controller, &SettingsController::shown, this, &SettingsPage::showStored);
    connect(&m_controller, &SettingsController::cleared, this, &SettingsPage::showCleared);
    connect(&m_controller, &SettingsController::settingsInForceChanged, this, &SettingsPage::settingsInForceChanged);
    connect(&m_controller, &SettingsController::restored, this, &SettingsPage::restored);
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
    ui::nameFor(m_num白紙罫線色, QStringLiteral("印刷時の罫線の色の番号"));

    auto *erasePanel = new ui::Panel(QStringLiteral("ImFrame3D1"), page);
    erasePanel->setGeometry(ui::twipsRect(120, 1530, 7800, 900));
    auto *label6 = ui::addLabel(erasePanel, QStringLiteral("Label6"),
                                QStringLiteral("すべてのデータを削除し初期状態に戻す"), 240, 330);
    m_cmd一括削除7 = new ui::CommandButton(QStringLiteral("実行"), erasePanel);
    ui::place(m_cmd一括削除7, QStringLiteral("cmd一括削除7"), 5640, 180, 1200, 540);
    label6->setBuddy(m_cmd一括削除7);

    // In the free band between the erase panel and the about text, built like the erase panel.
    auto *restorePanel = new ui::Panel(QStringLiteral("ImFrame3D2"), page);
    restorePanel->setGeometry(ui::twipsRect(120, 2550, 7800, 900));
    auto *label7 = ui::addLabel(restorePanel, QStringLiteral("Label7"),
                                QStringLiteral("控えを選んで、その時点のデータに戻す"), 240, 330);
    m_cmd復元 = new ui::CommandButton(QStringLiteral("復元"), restorePanel);
    ui::place(m_cmd復元, QStringLiteral("cmd復元"), 5640, 180, 1200, 540);
    label7->setBuddy(m_cmd復元);

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

    QWidget *order[] = {m_cmb年号,     m_pic罫線色,     m_num白紙罫線色, m_cmd一括削除7, m_cmd復元, m_cmd設定読込,
                        m_cmd設定登録, m_cmd設定クリア, m_cmd設定削除,   m_cmdHint2,     m_image2};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }

    connect(m_cmd設定登録, &QPushButton::clicked, this, [this] { save(true); });
    connect(m_cmd設定読込, &QPushButton::clicked, this, &SettingsPage::load);
    connect(m_cmd設定クリア, &QPushButton::clicked, this, &SettingsPage::clear);
    connect(m_cmd設定削除, &QPushButton::clicked, this, &SettingsPage::reset);
    connect(m_pic罫線色, &ui::ColourSwatch::doubleClicked, this, &SettingsPage::chooseLineColour);
    // The swatch shows the colour of the number in the box, from the first start on.
    connect(m_num白紙罫線色, &ui::ColourNumberBox::valueChanged, this,
            [this] { m_pic罫線色->setBackColour(static_cast<qint32>(m_num白紙罫線色->value())); });
    m_pic罫線色->setBackColour(static_cast<qint32>(m_num白紙罫線色->value()));
    connect(m_cmd一括削除7, &QPushButton::clicked, this, &SettingsPage::eraseAll);
    connect(m_cmd復元, &QPushButton::clicked, this, &SettingsPage::restore);
    connect(m_image2, &Banner::clicked, this, &SettingsPage::openBanner);
    connect(m_cmdHint2, &QPushButton::clicked, this, [this] { emit hintRequested(m_cmdHint2->objectName()); });
}

void SettingsPage::load()
{
    m_controller.load();
}

void SettingsPage::showStored(const std::optional<store::Settings> &stored)
{
    if (!stored) {
        m_cmb年号->setText(common::kWestern);
        m_num白紙罫線色->setValue(0);
        return;
    }
    m_cmb年号->setText(stored->era);
    m_num白紙罫線色->setValue(stored->lineColour);
    m_pic罫線色->setBackColour(static_cast<qint32>(m_num白紙罫線色->value()));
}

void SettingsPage::save(bool confirm)
{
    m_controller.save({m_cmb年号->text(), static_cast<qint32>(m_num白紙罫線色->value())}, confirm);
}

void SettingsPage::clear()
{
    m_controller.clear();
}

void SettingsPage::showCleared()
{
    m_cmb年号->setText(common::kWestern);
    m_num白紙罫線色->setValue(0);
    m_pic罫線色->setBackColour(0);
}

void SettingsPage::reset()
{
    m_controller.reset();
}

void SettingsPage::chooseLineColour()
{
    const qint32 chosen = ui::chooseColour(m_colours, window(),
                                           common::numberFromColour(window()->palette().color(QPalette::WindowText)));
    if (chosen == -1) {
        return;
    }
    m_pic罫線色->setBackColour(chosen);
    m_num白紙罫線色->setValue(chosen);
}

void SettingsPage::eraseAll()
{
    m_controller.eraseAll();
}

void SettingsPage::restore()
{
    m_controller.restore();
}

void SettingsPage::openBanner()
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
