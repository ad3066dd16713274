// The chart window's entry into the program (see charts/chartmodule.h).
#include "charts/chartmodule.h"

#include "charts/chartwindow.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT charts::ChartWindow *zephra_show_chart(store::Store &store, const store::Period &period,
                                                                charts::PointKind kind, const QString &calendarMode,
                                                                qint32 lineColour, common::MessagePresenter &presenter,
                                                                QWidget *parent)
{
    return charts::showChart(store, period, kind, calendarMode, lineColour, presenter, parent);
}

// The type the program calls it through.
static_assert(std::is_same_v<decltype(&zephra_show_chart), charts::ShowChartFunction>);
