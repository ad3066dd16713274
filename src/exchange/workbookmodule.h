#pragma once
// The Excel writer as a module (zephra-xlsx.so): loaded when the first
// workbook is written, so that the program's start does not map
// libxlsxwriter, minizip and libcrypto.

#include <QString>

class QFileDevice;

namespace exchange {

class SheetWriter;

inline const QString kWorkbookModule = QStringLiteral("zephra-xlsx");
inline constexpr const char *kMakeWorkbookSymbol = "zephra_make_workbook_writer";

// A new WorkbookWriter(out, calendarMode, sheetName), owned by the caller.
using MakeWorkbookFunction = SheetWriter *(*)(QFileDevice &out, const QString &calendarMode, const QString &sheetName);

} // namespace exchange
