#pragma once
// Placing controls on a page at their positions in twips, and naming them for
// assistive technology after their captions.

#include <QString>

class QLabel;
class QWidget;

namespace ui {

// Places `widget` at (left, top, width, height) twips and names it. A control
// that takes the focus and has no accessible name yet takes the caption added
// last with addLabel in the same parent, when no other control came between:
// the caption becomes its label's buddy and its accessible name.
void place(QWidget *widget, const QString &name, int left, int top, int width, int height);

// A label with its caption at (left, top) twips, sized to its text (when first shown).
QLabel *addLabel(QWidget *parent, const QString &name, const QString &caption, int left, int top);

// What a caption says without the blanks that space its characters out
// ("日　 付" → "日付"), a mnemonic's ampersand or a closing colon.
QString captionName(const QString &caption);

// The accessible name of a control without a caption of its own, or one
// clearer than its caption ("開始日" for the first box after 期間).
void nameFor(QWidget *control, const QString &name);

} // namespace ui
