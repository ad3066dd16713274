// The Excel writer's entry into the program (see exchange/workbookmodule.h).
#include "exchange/workbookmodule.h"

#include "exchange/workbookwriter.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT exchange::SheetWriter *
zephra_make_workbook_writer(QFileDevice &out, const QString &calendarMode, const QString &sheetName)
{
    return new exchange::WorkbookWriter(out, calendarMode, sheetName);
}

static_assert(std::is_same_v<decltype(&zephra_make_workbook_writer), exchange::MakeWorkbookFunction>);
