#include "ui/placement.h"

#include "ui/devicepixels.h"
#include "ui/geometry.h"

#include <QLabel>

namespace ui {

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

bool takesTabFocus(const QWidget *widget)
{
    return (widget->focusPolicy() & Qt::TabFocus) != 0;
}

// The caption added last in the parent of `control`, unless it already names
// a control or another control was built after it.
CaptionLabel *waitingCaption(const QWidget *control)
{
    const QWidget *parent = control->parentWidget();
    if (!parent) {
        return nullptr;
    }
    const QObjectList &siblings = parent->children();
    for (auto it = siblings.crbegin(); it != siblings.crend(); ++it) {
        if (*it == control) {
            continue;
        }
        if (auto *caption = dynamic_cast<CaptionLabel *>(*it)) {
            return caption->buddy() ? nullptr : caption;
        }
        if (const auto *widget = qobject_cast<const QWidget *>(*it); widget && takesTabFocus(widget)) {
            return nullptr;
        }
    }
    return nullptr;
}

} // namespace

void place(QWidget *widget, const QString &name, int left, int top, int width, int height)
{
    widget->setObjectName(name);
    setDesignedGeometry(widget, twipsRect(left, top, width, height));
    keepOnDevicePixels(widget);
    if (takesTabFocus(widget) && widget->accessibleName().isEmpty()) {
        if (CaptionLabel *caption = waitingCaption(widget)) {
            caption->setBuddy(widget);
            nameFor(widget, captionName(caption->text()));
        }
    }
}

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

QString captionName(const QString &caption)
{
    QString name;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption.at(i);
        if (c == QLatin1Char('&') && i + 1 < caption.size()) {
            // "&&" is an ampersand shown; a single one marks the mnemonic.
            if (caption.at(i + 1) == QLatin1Char('&')) {
                name += c;
                ++i;
            }
            continue;
        }
        if (!c.isSpace()) {
            name += c;
        }
    }
    while (name.endsWith(QLatin1Char(':')) || name.endsWith(QChar(0xFF1A))) {
        name.chop(1);
    }
    return name;
}

void nameFor(QWidget *control, const QString &name)
{
    control->setAccessibleName(name);
    // The box's inner control takes the focus; the name must be found there too.
    if (QWidget *proxy = control->focusProxy()) {
        proxy->setAccessibleName(name);
    }
}

} // namespace ui
