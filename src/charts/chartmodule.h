#pragma once
// The chart window as a module (zephra-charts.so): the program loads it when
// the user first opens a chart, so that its start does not map Qt Charts and
// the OpenGL libraries that come with it.

#include "charts/chartseries.h"

#include <QString>

class QWidget;

namespace common {
class MessagePresenter;
}
namespace store {
class Store;
}

namespace charts {

class ChartWindow;

inline const QString kChartModule = QStringLiteral("zephra-charts");
inline constexpr const char *kShowChartSymbol = "zephra_show_chart";

// showChart() as the module hands it out.
using ShowChartFunction = ChartWindow *(*)(store::Store &store, const store::Period &period, PointKind kind,
                                           const QString &calendarMode, qint32 lineColour,
                                           common::MessagePresenter &presenter, QWidget *parent);

} // namespace charts
