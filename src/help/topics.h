#pragma once
// Which part of the manual explains which window or page.

#include <QString>

namespace help {

enum class Topic { Start, Journal, Totals, Settings, Search, Export, Import, Hint };

// The anchor of the manual's part about `topic`.
QString anchorOf(Topic topic);

// The tab pages of the main window in their order: 日誌, 集計, 設定・情報.
// Any other index is the start of the manual.
Topic topicOfTab(int index);

} // namespace help
