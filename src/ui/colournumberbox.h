#pragma once
// The colour number box: a colour as a plain whole number 0..999,999,999.

#include <QLineEdit>

namespace ui {

class AmountValidator;

// Holds a colour number; an emptied box counts as 0 (black) and shows "0"
// again once the focus leaves it. Anything but digits is refused.
class ColourNumberBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit ColourNumberBox(QWidget *parent = nullptr);

    qint64 value() const;
    // False, and no change, for a value out of range.
    bool setValue(qint64 value);

signals:
    void valueChanged();

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void noteChange();

    AmountValidator *m_validator;
    qint64 m_last = 0;
};

} // namespace ui
