#include "printing/pdfname.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace printing {

namespace {

const QString kLastFolderKey = QStringLiteral("pdf/lastFolder");

// The user's own settings of the program (~/.config/zephra/zephra.conf on
// Linux, the registry on Windows): a folder chosen by the user is no data.
QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("zephra"), QStringLiteral("zephra"));
}

} // namespace

QString pdfFileName(const ReportDocument &document)
{
    QString stem = document.fileStem.isEmpty() ? document.title : document.fileStem;
    // Characters no file system takes in a name.
    for (const QChar c : {u'/', u'\\', u':', u'*', u'?', u'"', u'<', u'>', u'|'}) {
        stem.replace(c, u'_');
    }
    return stem + QStringLiteral(".pdf");
}

QString proposedPdfPath(const ReportDocument &document, const QString &lastFolder)
{
    const QString folder = !lastFolder.isEmpty() && QFileInfo(lastFolder).isDir()
                               ? lastFolder
                               : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(folder).filePath(pdfFileName(document));
}

QString lastPdfFolder()
{
    return userSettings().value(kLastFolderKey).toString();
}

void rememberPdfFolder(const QString &savedPath)
{
    QSettings settings = userSettings();
    settings.setValue(kLastFolderKey, QFileInfo(savedPath).absolutePath());
}

} // namespace printing
