#pragma once
// A report instance: its own copy of a layout, the data source of its detail
// section and the two event handlers that the engine raises while it runs.

#include "printing/reportlayout.h"
#include "store/dberror.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>

namespace printing {

// The bound fields of one detail row, by field name.
using FieldValues = QHash<QString, QVariant>;
// Calls its argument with each row of the detail in order; an error stops the rows.
using RowSource = std::function<store::DbError(const std::function<void(const FieldValues &)> &)>;

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
    // The text of a control of the layout; a name the layout lacks is passed over.
    void setText(const QString &name, const QString &text)
    {
        if (ReportControl *c = control(name)) {
            c->text = text;
        }
    }

    // The detail section's rows, read when the report runs. Without a data
    // source the detail section is laid out once, unbound.
    void setDataSource(RowSource rows) { m_rows = std::move(rows); }
    const RowSource &dataSource() const { return m_rows; }

    // The name a saved file of the report is offered under, without its
    // extension: the report and its day or period.
    virtual QString fileStem() const { return m_layout.title; }

    // Raised once when the report starts to run.
    virtual void start() {}
    // Raised each time a page header is laid out, once per page.
    virtual void formatPageHeader() {}

    // Whether the page being laid out goes on with a text that did not fit on
    // the page before; the engine sets it before each page header.
    bool continuing() const { return m_continuing; }
    void setContinuing(bool continuing) { m_continuing = continuing; }

private:
    ReportLayout m_layout;
    RowSource m_rows;
    bool m_continuing = false;
};

} // namespace printing
