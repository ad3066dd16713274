#pragma once
// The colour-choice dialog behind one adapter.

#include <QColor>

#include <optional>

class QWidget;

namespace ui {

class ColourChooser
{
public:
    virtual ~ColourChooser() = default;
    // The chosen colour, or nothing when the user cancelled.
    virtual std::optional<QColor> choose(QWidget *owner, const QColor &initial) = 0;
};

// A QColorDialog with sixteen white custom colours, not kept between calls.
class QtColourChooser final : public ColourChooser
{
public:
    std::optional<QColor> choose(QWidget *owner, const QColor &initial) override;
};

// Asks for a colour: the chosen colour as 0x00BBGGRR, or -1 on cancel.
qint32 chooseColour(ColourChooser &chooser, QWidget *owner, qint32 initialColour);

} // namespace ui
