#include "ui/placement.h"

#include "ui/geometry.h"

#include <QLabel>

namespace ui {

void place(QWidget *widget, const QString &name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    widget->setGeometry(twipsRect(left, top, width, height));
}

namespace {

// A caption sized to its text when it is first shown: measuring Japanese text
// loads glyphs, which the pages not shown at start need not pay for then.
class CaptionLabel final : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void showEvent(QShowEvent *event) override
    {
        if (!m_sized) {
            m_sized = true;
            adjustSize();
        }
        QLabel::showEvent(event);
    }

private:
    bool m_sized = false;
};

} // namespace

QLabel *addLabel(QWidget *parent, const QString &name, const QString &caption, int left, int top)
{
    auto *label = new CaptionLabel(caption, parent);
    label->setObjectName(name);
    label->move(twipsPoint(left, top));
    if (parent && parent->isVisible()) {
        label->adjustSize();
    }
    return label;
}

} // namespace ui
