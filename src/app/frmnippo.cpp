#include "app/frmnippo.h"

#include "ui/geometry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTabWidget>

namespace app {

FrmNippo::FrmNippo(store::ModVelmoraA &state, const Services &services, QWidget *parent)
    : QWidget(parent), m_state(state), m_services(services), m_msg(services.presenter)
{
    setObjectName(QStringLiteral("FrmNippo"));
    setWindowTitle(QStringLiteral("日報"));
    setFixedSize(ui::twips(9375), ui::twips(6780));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setGeometry(ui::twipsRect(0, 0, 9375, 6795));
    const QString captions[] = {QStringLiteral("日　誌"), QStringLiteral("集　計"), QStringLiteral("設定・情報")};
    for (const QString &caption : captions) {
        m_tabs->addTab(new QWidget(m_tabs), caption);
    }
    m_tabs->setCurrentIndex(0);
}

FrmNippo::~FrmNippo() = default;

std::optional<StartupFailure> FrmNippo::Form_Load(const QString &programFolder, const FileProbe &probe)
{
    const QString dataFolder = chooseDataFolder(probe, programFolder);
    if (auto failure = openDatabases(m_state, dataFolder)) {
        return failure;
    }
    setWindowTitle(kCaptionPrefix + kVersionText);
    m_tabs->setCurrentIndex(0);
    return std::nullopt;
}

void FrmNippo::closeEvent(QCloseEvent *event)
{
    // Closing the main window cannot be refused.
    event->accept();
    Form_Unload();
}

void FrmNippo::Form_Unload()
{
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;

    m_state.MainDb.close();
    m_state.WorkDb.close();

    // Every other window (the hint window, report viewers) goes first, each
    // finishing its own unload before the next.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (qsizetype i = windows.size() - 1; i >= 0; --i) {
        QWidget *window = windows.at(i);
        if (window == this || !window->isVisible()) {
            continue;
        }
        window->close();
        QApplication::processEvents();
    }

    ui::EndWndProcess(static_cast<quintptr>(winId()), m_services.ender);
}

} // namespace app
