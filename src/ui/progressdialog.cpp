#include "ui/progressdialog.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

namespace ui {

namespace {

// A dialog's range is an int; large counts are scaled down to it.
int scaled(qint64 value, qint64 total)
{
    constexpr qint64 kSteps = 1000;
    return total <= 0 ? 0 : int(std::min(value, total) * kSteps / total);
}

} // namespace

ProgressDialog::ProgressDialog(QWidget *parent) : m_parent(parent) {}

ProgressDialog::~ProgressDialog()
{
    finish();
}

void ProgressDialog::report(const QString &label, qint64 done, qint64 total)
{
    if (!m_dialog) {
        m_dialog = new QProgressDialog(m_parent);
        m_dialog->setWindowTitle(QStringLiteral("業務日誌 ZEPHRA"));
        m_dialog->setCancelButton(nullptr);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(500);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumWidth(360);
    }
    m_dialog->setLabelText(label);
    // An unknown amount shows the busy bar.
    m_dialog->setRange(0, total > 0 ? 1000 : 0);
    m_dialog->setValue(scaled(done, total));
    // The dialog is modal: setValue lets it paint; this keeps it painted when
    // the value stands still for a while.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressDialog::finish()
{
    delete m_dialog;
}

} // namespace ui
