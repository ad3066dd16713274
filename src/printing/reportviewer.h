#pragma once
// The viewer of a run report: Qt's print preview with zoom, page navigation
// and printing, plus saving as PDF. Modeless; it deletes itself when closed.

#include "printing/reportdocument.h"
#include "printing/reportpainter.h"

#include <QPrintPreviewDialog>

#include <memory>

class QPrinter;

namespace common {
class MessagePresenter;
}

namespace printing {

class ReportViewer : public QPrintPreviewDialog
{
    Q_OBJECT

public:
    explicit ReportViewer(ReportDocument document, QWidget *parent = nullptr);
    ~ReportViewer() override;

    const ReportDocument &document() const { return m_document; }

    // Writes the report to `path`; a failure is shown to the user.
    bool savePdf(const QString &path);

    // Where failure notices go; the viewer's own message boxes by default.
    void setPresenter(common::MessagePresenter *presenter) { m_presenter = presenter; }

private:
    void paintPages(QPrinter *printer);
    void askAndSavePdf();

    ReportDocument m_document;
    std::unique_ptr<common::MessagePresenter> m_ownPresenter;
    common::MessagePresenter *m_presenter = nullptr;
};

} // namespace printing
