#include "printing/report.h"

#include <utility>

namespace printing {

Report::Report(ReportLayout layout) : m_layout(std::move(layout)) {}

Report::~Report() = default;

} // namespace printing
