#include "printing/report.h"

#include <utility>

namespace printing {

Report::Report(ReportLayout layout) : m_layout(std::move(layout)) {}

Report::~Report() = default;

void Report::setDataSource(store::Database *database, const QString &recordSource)
{
    m_database = database;
    m_recordSource = recordSource;
}

} // namespace printing
