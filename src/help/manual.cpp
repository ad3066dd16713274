#include "help/manual.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextDocument>

// The resource lives in this static library; it must be registered before its first read.
static void registerManualResource()
{
    Q_INIT_RESOURCE(manual);
}

namespace help {

namespace {

const QString kRoot = QStringLiteral(":/help/");

// The pages in reading order.
const char16_t *const kPages[] = {u"index.html", u"journal.html", u"totals.html", u"settings.html",   u"reports.html",
                                  u"files.html", u"search.html",  u"data.html",   u"commandline.html"};

QString readPage(const QString &page)
{
    QFile file(kRoot + page);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// The headings that carry an anchor, in the order they stand.
QList<Part> headingsOf(const QString &page, const QString &html)
{
    static const QRegularExpression heading(QStringLiteral("<h([12])\\s+id=\"([^\"]+)\"\\s*>(.*?)</h\\1>"),
                                            QRegularExpression::DotMatchesEverythingOption |
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QList<Part> parts;
    for (const QRegularExpressionMatch &m : heading.globalMatch(html)) {
        QString title = m.captured(3);
        title.remove(tag);
        parts.append({m.captured(2), title.simplified(), page, m.captured(1).toInt()});
    }
    return parts;
}

} // namespace

Manual::Manual()
{
    registerManualResource();
    for (const char16_t *name : kPages) {
        const QString page = QString::fromUtf16(name);
        const QString html = readPage(page);
        auto document = std::make_unique<QTextDocument>();
        document->setHtml(html);
        m_pages.append(page);
        m_documents.push_back(std::move(document));
        m_parts.append(headingsOf(page, html));
    }
}

Manual::~Manual() = default;

QString Manual::pageOf(const QString &anchor) const
{
    for (const Part &part : m_parts) {
        if (part.anchor == anchor) {
            return part.page;
        }
    }
    return {};
}

QUrl Manual::urlOfPage(const QString &page)
{
    return QUrl(QStringLiteral("qrc:/help/") + page);
}

QUrl Manual::urlOf(const QString &anchor) const
{
    const QString page = pageOf(anchor);
    if (page.isEmpty()) {
        return urlOfPage(m_pages.value(0));
    }
    QUrl url = urlOfPage(page);
    url.setFragment(anchor);
    return url;
}

int Manual::indexOf(const QString &page) const
{
    return static_cast<int>(m_pages.indexOf(page));
}

QString Manual::text(int page) const
{
    if (page < 0 || page >= static_cast<int>(m_documents.size())) {
        return {};
    }
    return m_documents[static_cast<std::size_t>(page)]->toPlainText();
}

Hit Manual::findInPage(const QString &words, int page, int from, bool backwards) const
{
    const QString pageText = text(page);
    qsizetype at = -1;
    if (backwards) {
        // An occurrence that starts before `from`.
        at = from > 0 ? pageText.lastIndexOf(words, from - 1, Qt::CaseInsensitive) : -1;
    } else {
        at = pageText.indexOf(words, from, Qt::CaseInsensitive);
    }
    if (at < 0) {
        return {};
    }
    return {page, static_cast<int>(at), static_cast<int>(words.size())};
}

Hit Manual::find(const QString &words, const Hit &from, bool backwards) const
{
    const int pages = static_cast<int>(m_pages.size());
    if (words.isEmpty() || pages == 0) {
        return {};
    }
    int page = from.isValid() ? from.page : (backwards ? pages - 1 : 0);
    int start = from.isValid() ? (backwards ? from.position : from.position + from.length)
                               : (backwards ? static_cast<int>(text(page).size()) : 0);
    // Every page once, then the first page again up to where the search began.
    for (int step = 0; step <= pages; ++step) {
        if (const Hit hit = findInPage(words, page, start, backwards); hit.isValid()) {
            return hit;
        }
        page = backwards ? (page + pages - 1) % pages : (page + 1) % pages;
        start = backwards ? static_cast<int>(text(page).size()) : 0;
    }
    return {};
}

int Manual::count(const QString &words) const
{
    if (words.isEmpty()) {
        return 0;
    }
    int total = 0;
    for (int page = 0; page < static_cast<int>(m_pages.size()); ++page) {
        total += static_cast<int>(text(page).count(words, Qt::CaseInsensitive));
    }
    return total;
}

} // namespace help
