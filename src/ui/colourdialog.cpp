// The colour-choice dialog and the conversion to platform colour numbers.

#include "ui/colourdialog.h"

#include "common/colour.h"

#include <QColorDialog>

namespace ui {

std::optional<QColor> QtColourChooser::choose(QWidget *owner, const QColor &initial)
{
    // The custom colours are shared by every QColorDialog: reset them to white
    // so that nothing the user defined is kept from one call to the next.
    for (int i = 0; i < QColorDialog::customCount(); ++i) {
        QColorDialog::setCustomColor(i, QColor(Qt::white));
    }
    QColorDialog dialog(initial, owner);
    // Qt's own dialog on every platform, so that the custom colours apply.
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.selectedColor();
}

qint32 chooseColour(ColourChooser &chooser, QWidget *owner, qint32 initialColour)
{
    const std::optional<QColor> chosen = chooser.choose(owner, common::colourFromNumber(initialColour));
    if (!chosen || !chosen->isValid()) {
        return -1;
    }
    return common::numberFromColour(*chosen);
}

} // namespace ui
