#pragma once
// Controls that follow a page grown beyond its designed size.

#include <QList>
#include <QPointer>
#include <QSize>
#include <QWidget>

namespace ui {

// The edges of its parent a control keeps its distance to when the page
// grows. Controls are placed for the designed size; a control tied to the
// right (or bottom) edge moves by the page's growth, one tied to both
// opposite edges stretches by it. Controls tied to the top and left alone are
// not added.
class Anchors
{
public:
    enum Edge { Right = 1, Bottom = 2, StretchWidth = 4, StretchHeight = 8 };

    // Before the first follow(): the control stands at its designed place.
    void add(QWidget *control, int edges);
    // Follows a page now `growth` larger than designed (never negative).
    void follow(QSize growth);
    QSize growth() const { return m_growth; }

private:
    struct Tie
    {
        QPointer<QWidget> control;
        int edges;
    };
    QList<Tie> m_ties;
    QSize m_growth{0, 0};
};

} // namespace ui
