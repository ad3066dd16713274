#pragma once
// A report instance: its own copy of a layout, the data source of its detail
// section and the two event handlers that the engine raises while it runs.

#include "printing/reportlayout.h"

#include <QString>

namespace store {
class Database;
}

namespace printing {

class Report
{
public:
    explicit Report(ReportLayout layout);
    virtual ~Report();
    Report(const Report &) = delete;
    Report &operator=(const Report &) = delete;

    ReportLayout &layout() { return m_layout; }
    const ReportLayout &layout() const { return m_layout; }
    ReportControl *control(const QString &name) { return m_layout.control(name); }

    // The detail section's rows: the table `recordSource` of an open database.
    // Without a data source the detail section is laid out once, unbound.
    void setDataSource(store::Database *database, const QString &recordSource);
    store::Database *dataDatabase() const { return m_database; }
    QString recordSource() const { return m_recordSource; }

    // Raised once when the report starts to run.
    virtual void ActiveReport_ReportStart() {}
    // Raised each time a page header is laid out, once per page.
    virtual void PageHeader_Format() {}

private:
    ReportLayout m_layout;
    store::Database *m_database = nullptr;
    QString m_recordSource;
};

} // namespace printing
