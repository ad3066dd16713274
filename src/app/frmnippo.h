#pragma once
// The main window: start-up, the three tab pages, shutdown.

#include "app/datafolder.h"
#include "app/services.h"
#include "app/startup.h"
#include "common/msg.h"
#include "store/modvelmoraa.h"

#include <QWidget>

#include <optional>

class QTabWidget;

namespace app {

class FrmNippo : public QWidget
{
    Q_OBJECT
public:
    FrmNippo(store::ModVelmoraA &state, const Services &services, QWidget *parent = nullptr);
    ~FrmNippo() override;

    // The start-up sequence. Returns the failure when a database cannot be
    // opened; the window must then not be shown.
    std::optional<StartupFailure> Form_Load(const QString &programFolder, const FileProbe &probe);

    store::ModVelmoraA &state() { return m_state; }
    common::Msg &msg() { return m_msg; }
    QTabWidget *tabs() const { return m_tabs; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Unload();

    store::ModVelmoraA &m_state;
    Services m_services;
    common::Msg m_msg;
    QTabWidget *m_tabs = nullptr;
    bool m_unloaded = false;
};

} // namespace app
