#pragma once
// The manual shipped inside the program: its pages, their parts, and a search over all of them.

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <vector>

class QTextDocument;

namespace help {

// A heading of the manual with an anchor: a page (level 1) or a part of it (level 2).
struct Part
{
    QString anchor;
    QString title;
    QString page; // file name of the page, "journal.html"
    int level = 1;
};

// A place where the searched words stand: the page and the characters in its text.
struct Hit
{
    int page = -1; // index into pages()
    int position = 0;
    int length = 0;
    bool isValid() const { return page >= 0; }
    friend bool operator==(const Hit &, const Hit &) = default;
};

class Manual
{
public:
    // Reads the pages from the program's resources.
    Manual();
    ~Manual();

    const QStringList &pages() const { return m_pages; }
    // The headings of every page in reading order.
    const QList<Part> &parts() const { return m_parts; }
    // The page file holding `anchor`, or empty when no part carries it.
    QString pageOf(const QString &anchor) const;
    // The address of a part for a text browser: "qrc:/help/journal.html#datebox".
    QUrl urlOf(const QString &anchor) const;
    static QUrl urlOfPage(const QString &page);
    // Index of a page by file name, or -1.
    int indexOf(const QString &page) const;
    // The plain text of a page, as a browser showing it holds it.
    QString text(int page) const;

    // The next place after `from` (or before it, backwards) where `words` stand,
    // letters in either case, going on over the following pages and round
    // again from the first; an invalid `from` starts at the beginning (or end).
    Hit find(const QString &words, const Hit &from, bool backwards = false) const;
    // How many places hold `words` in the whole manual.
    int count(const QString &words) const;

private:
    Hit findInPage(const QString &words, int page, int from, bool backwards) const;

    QStringList m_pages;
    std::vector<std::unique_ptr<QTextDocument>> m_documents;
    QList<Part> m_parts;
};

} // namespace help
