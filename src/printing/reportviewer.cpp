#include "printing/reportviewer.h"

#include "common/msg.h"
#include "printing/pdfname.h"
#include "ui/messagebox.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QPrinter>
#include <QToolBar>

#include <utility>

namespace printing {

ReportViewer::ReportViewer(ReportDocument document, QWidget *parent)
    : QPrintPreviewDialog(parent)
    , m_document(std::move(document))
    , m_ownPresenter(std::make_unique<ui::QtMessagePresenter>(this))
    , m_presenter(m_ownPresenter.get())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowModality(Qt::NonModal);
    setWindowTitle(m_document.title + QStringLiteral(" - 印刷プレビュー"));

    // The pages carry their own margins: paint from the paper's corner.
    printer()->setFullPage(true);
    printer()->setPageLayout(pageLayoutOf(m_document.page));
    printer()->setDocName(m_document.title);
    connect(this, &QPrintPreviewDialog::paintRequested, this, &ReportViewer::paintPages);

    auto *savePdf = new QAction(QStringLiteral("PDFに保存"), this);
    savePdf->setObjectName(QStringLiteral("actionSavePdf"));
    savePdf->setToolTip(QStringLiteral("PDFに保存"));
    connect(savePdf, &QAction::triggered, this, &ReportViewer::askAndSavePdf);
    if (auto *toolBar = findChild<QToolBar *>()) {
        toolBar->addSeparator();
        toolBar->addAction(savePdf);
    } else {
        addAction(savePdf);
    }
}

ReportViewer::~ReportViewer() = default;

void ReportViewer::paintPages(QPrinter *printer)
{
    // The paper and orientation belong to the report, whatever was chosen in
    // the preview's page setup; only the page range is taken from the printer.
    printer->setFullPage(true);
    printer->setPageLayout(pageLayoutOf(m_document.page));
    int first = 1;
    int last = 0;
    if (printer->printRange() == QPrinter::PageRange) {
        first = printer->fromPage();
        last = printer->toPage();
    }
    ReportPainter::paintDocument(*printer, m_document, first, last);
}

void ReportViewer::askAndSavePdf()
{
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("PDFに保存"), proposedPdfPath(m_document, lastPdfFolder()), QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty() && savePdf(path)) {
        rememberPdfFolder(path);
    }
}

bool ReportViewer::savePdf(const QString &path)
{
    if (writePdf(m_document, path)) {
        return true;
    }
    common::Msg(*m_presenter)
        .showFailure(QStringLiteral("PDFに保存"),
                     QStringLiteral("PDFファイルを保存できませんでした。\n%1").arg(QDir::toNativeSeparators(path)));
    return false;
}

} // namespace printing
