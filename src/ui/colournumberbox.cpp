// The colour number box.
#include "ui/colournumberbox.h"

#include "ui/amountbox.h"

namespace ui {

ColourNumberBox::ColourNumberBox(QWidget *parent)
    : QLineEdit(parent), m_validator(new AmountValidator(common::AmountInput::colourNumber(), this))
{
    setValidator(m_validator);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(Qt::ImhDigitsOnly);
    setContextMenuPolicy(Qt::NoContextMenu);
    setText(QStringLiteral("0"));
    connect(this, &QLineEdit::textChanged, this, &ColourNumberBox::noteChange);
}

qint64 ColourNumberBox::value() const
{
    return m_validator->rules().valueOf(text()).value_or(0);
}

bool ColourNumberBox::setValue(qint64 value)
{
    if (!m_validator->rules().inRange(value)) {
        return false;
    }
    setText(m_validator->rules().format(value));
    return true;
}

void ColourNumberBox::noteChange()
{
    const qint64 now = value();
    if (now != m_last) {
        m_last = now;
        emit valueChanged();
    }
}

void ColourNumberBox::focusOutEvent(QFocusEvent *event)
{
    const QString tidy = m_validator->rules().format(value());
    if (tidy != text()) {
        setText(tidy);
    }
    QLineEdit::focusOutEvent(event);
}

} // namespace ui
