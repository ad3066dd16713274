#pragma once
// The windows of the files for other programs, opened from the pages over the
// session's store and data folder.

#include "app/session.h"
#include "common/msg.h"
#include "store/period.h"
#include "store/summary.h"

#include <functional>
#include <optional>

class QWidget;

namespace app {

// 書き出し with `period` in the boxes; from the totals page the work table, or
// the monthly or yearly summary it shows (`summary`), is offered first.
void openExport(QWidget *owner, Session &session, common::Msg &msg, const store::Period &period, bool fromTotals,
                std::optional<store::Grouping> summary = std::nullopt);

// ファイルから取り込み; true when days were imported. `beforeWrite` runs before the import writes.
bool openImport(QWidget *owner, Session &session, common::Msg &msg, std::function<void()> beforeWrite);

} // namespace app
