#pragma once
// The progress dialog of long work: it appears when the work lasts longer
// than a moment, shows the step and how far it has come, and cannot be
// cancelled (the work is whole or not at all).

#include "common/progress.h"

#include <QPointer>

class QProgressDialog;
class QWidget;

namespace ui {

class ProgressDialog final : public common::Progress
{
public:
    explicit ProgressDialog(QWidget *parent = nullptr);
    ~ProgressDialog() override;

    void report(const QString &label, qint64 done, qint64 total) override;
    void finish() override;

private:
    QWidget *m_parent;
    QPointer<QProgressDialog> m_dialog;
};

} // namespace ui
