#include "search/searchrun.h"

#include "store/store.h"

#include <QLocale>

namespace search {

Findings findDays(store::Store &store, const store::SearchQuery &query, qsizetype excerptWidth)
{
    Findings findings;
    const QStringList words = store::searchWords(query.words);
    if (words.isEmpty()) {
        findings.summary = QStringLiteral("探す言葉を入力してください。");
        return findings;
    }
    if (query.from.isValid() && query.to.isValid() && query.from > query.to) {
        findings.summary = QStringLiteral("期間の始めの日が終わりの日より後になっています。");
        return findings;
    }
    store::SearchResult result;
    if (const store::DbError error = store.search(query, result)) {
        findings.failed = true;
        findings.summary = QStringLiteral("検索できませんでした。理由: ") + store::describeForUser(error);
        return findings;
    }
    if (result.scanned) {
        findings.notice = QStringLiteral("索引を作れなかったため、すべての日誌を順に調べています。");
    }
    findings.days.reserve(result.hits.size());
    const ExcerptWords excerptWords(words);
    for (const store::SearchHit &hit : result.hits) {
        findings.days.append({hit.date, hit.sales, makeExcerpt(QByteArrayView(hit.utf8), excerptWords, excerptWidth)});
    }
    const QString count = QLocale(QLocale::Japanese).toString(findings.days.size());
    if (findings.days.isEmpty()) {
        findings.summary = QStringLiteral("見つかりませんでした。");
    } else if (result.more) {
        findings.summary = QStringLiteral("%1 日を超えて見つかりました。新しい %1 日を表示しています。").arg(count);
    } else {
        findings.summary = QStringLiteral("%1 日見つかりました。").arg(count);
    }
    return findings;
}

} // namespace search
