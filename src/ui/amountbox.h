#pragma once
// The amount box: a right-aligned line edit for whole amounts, grouped while typing.

#include "common/amountinput.h"

#include <QLineEdit>
#include <QValidator>

#include <optional>

namespace ui {

// Lets a line edit take only the changes that AmountInput accepts, regrouped.
class AmountValidator : public QValidator
{
    Q_OBJECT
public:
    explicit AmountValidator(const common::AmountInput &rules, QObject *parent = nullptr);
    State validate(QString &input, int &pos) const override;
    const common::AmountInput &rules() const { return m_rules; }

private:
    common::AmountInput m_rules;
};

// An amount -9,999,999,999..9,999,999,999 or nothing. An emptied box holds no
// value, which a page hands to the database as Null; 0 shows as "0". Letters,
// decimals and keystrokes that would leave the range are refused.
class AmountBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit AmountBox(QWidget *parent = nullptr);

    std::optional<qint64> value() const;
    // False, and no change, for a value out of range.
    bool setValue(std::optional<qint64> value);
    // Shows 0 while holding no value, as a stored Null is shown: the box
    // hands over no value until the user changes it, so that reading and
    // registering a day keeps its Null.
    void setNoValueShownAsZero();

signals:
    void valueChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void noteChange();

    AmountValidator *m_validator;
    std::optional<qint64> m_last;
    bool m_noValueShown = false; // the 0 shown stands for no value
};

} // namespace ui
