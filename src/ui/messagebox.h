#pragma once
// The real message presenter: a modal QMessageBox with the title, text,
// buttons, icon and default button of the request.

#include "common/msg.h"

class QWidget;

namespace ui {

class QtMessagePresenter final : public common::MessagePresenter
{
public:
    explicit QtMessagePresenter(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    common::Answer present(const common::MessageRequest &request) override;

private:
    QWidget *m_parent;
};

} // namespace ui
