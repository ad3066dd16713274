// The amount box and the validator it shares with the colour number box.
#include "ui/amountbox.h"

#include <QKeyEvent>

namespace ui {

AmountValidator::AmountValidator(const common::AmountInput &rules, QObject *parent) : QValidator(parent), m_rules(rules)
{}

QValidator::State AmountValidator::validate(QString &input, int &pos) const
{
    // Every state that edit() keeps is acceptable, so that Enter and
    // editingFinished work with a lone minus too; the box tidies it on leaving.
    return m_rules.edit(input, pos) ? Acceptable : Invalid;
}

AmountBox::AmountBox(QWidget *parent)
    : QLineEdit(parent), m_validator(new AmountValidator(common::AmountInput::amount(), this))
{
    setValidator(m_validator);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Digits only: the input method would only stand between the keys and the box.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(Qt::ImhFormattedNumbersOnly);
    setContextMenuPolicy(Qt::NoContextMenu);
    // Any change by the user makes the text the value, even back to "0".
    connect(this, &QLineEdit::textEdited, this, [this] {
        m_noValueShown = false;
        noteChange();
    });
    connect(this, &QLineEdit::textChanged, this, &AmountBox::noteChange);
}

std::optional<qint64> AmountBox::value() const
{
    return m_noValueShown ? std::nullopt : m_validator->rules().valueOf(text());
}

bool AmountBox::setValue(std::optional<qint64> value)
{
    if (value && !m_validator->rules().inRange(*value)) {
        return false;
    }
    m_noValueShown = false;
    setText(m_validator->rules().format(value));
    noteChange();
    return true;
}

void AmountBox::setNoValueShownAsZero()
{
    m_noValueShown = true;
    setText(m_validator->rules().format(0));
    noteChange();
}

void AmountBox::noteChange()
{
    const auto now = value();
    if (now != m_last) {
        m_last = now;
        emit valueChanged();
    }
}

void AmountBox::keyPressEvent(QKeyEvent *event)
{
    // Backspace and Delete step over a grouping comma to the digit beside it;
    // removing the comma alone would only bring it back.
    if (!hasSelectedText()) {
        const QString shown = text();
        const int pos = cursorPosition();
        if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier && pos > 0 &&
            shown.at(pos - 1) == u',') {
            cursorBackward(false);
        } else if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier && pos < shown.size() &&
                   shown.at(pos) == u',') {
            cursorForward(false);
        }
    }
    QLineEdit::keyPressEvent(event);
}

void AmountBox::focusOutEvent(QFocusEvent *event)
{
    // A minus without digits, or "-0", becomes what the value shows.
    const QString tidy = m_validator->rules().format(value());
    if (!m_noValueShown && tidy != text()) {
        setText(tidy);
    }
    QLineEdit::focusOutEvent(event);
}

} // namespace ui
