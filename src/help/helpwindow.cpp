#include "help/helpwindow.h"

#include "ui/placement.h"
#include "ui/platform.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QSplitter>
#include <QTextBrowser>
#include <QTreeWidget>

namespace help {

namespace {

constexpr int kAnchorRole = Qt::UserRole;

} // namespace

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Help"));
    setWindowTitle(QStringLiteral("ZEPHRA 業務日誌 説明書"));
    QFont f = font();
    f.setFamilies(ui::uiFontFamilies());
    setFont(f);
    resize(900, 640);
    buildControls();
    fillContents();
}

void HelpWindow::buildControls()
{
    auto *searchLabel = new QLabel(QStringLiteral("説明書を検索(&S):"), this);
    m_txt検索 = new QLineEdit(this);
    m_txt検索->setObjectName(QStringLiteral("txt検索"));
    m_txt検索->setPlaceholderText(QStringLiteral("言葉を入れて Enter（次へ Enter、前へ Shift+Enter）"));
    m_txt検索->setClearButtonEnabled(true);
    searchLabel->setBuddy(m_txt検索);
    ui::nameFor(m_txt検索, QStringLiteral("説明書を検索"));
    m_lbl結果 = new QLabel(this);
    m_lbl結果->setObjectName(QStringLiteral("lbl結果"));
    m_lbl結果->setTextFormat(Qt::PlainText);

    m_lst目次 = new QTreeWidget(this);
    m_lst目次->setObjectName(QStringLiteral("lst目次"));
    m_lst目次->setHeaderHidden(true);
    m_lst目次->setRootIsDecorated(false);
    ui::nameFor(m_lst目次, QStringLiteral("目次"));

    m_brw本文 = new QTextBrowser(this);
    m_brw本文->setObjectName(QStringLiteral("brw本文"));
    m_brw本文->setOpenExternalLinks(false);
    m_brw本文->setSearchPaths({QStringLiteral(":/help")});
    ui::nameFor(m_brw本文, QStringLiteral("説明書の本文"));

    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_lst目次);
    splitter->addWidget(m_brw本文);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({270, 630});
    splitter->setChildrenCollapsible(false);

    auto *top = new QHBoxLayout;
    top->addWidget(searchLabel);
    top->addWidget(m_txt検索, 1);
    top->addWidget(m_lbl結果, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);

    setTabOrder(m_txt検索, m_lst目次);
    setTabOrder(m_lst目次, m_brw本文);

    m_txt検索->installEventFilter(this);
    connect(m_txt検索, &QLineEdit::textEdited, this, [this] {
        m_hit.length = 0; // new words may stand where the last ones did
        m_lbl結果->clear();
    });
    connect(m_lst目次, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item && !m_syncing) {
            m_brw本文->setSource(m_manual.urlOf(item->data(0, kAnchorRole).toString()));
        }
    });
    connect(m_lst目次, &QTreeWidget::itemActivated, this, [this] { m_brw本文->setFocus(); });
    connect(m_brw本文, &QTextBrowser::sourceChanged, this, &HelpWindow::pageShown);

    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        m_txt検索->setFocus();
        m_txt検索->selectAll();
    });
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this, [this] { findNext(); });
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, this,
            [this] { findNext(true); });
}

void HelpWindow::fillContents()
{
    QTreeWidgetItem *page = nullptr;
    for (const Part &part : m_manual.parts()) {
        auto *item = part.level == 1 || !page ? new QTreeWidgetItem(m_lst目次) : new QTreeWidgetItem(page);
        if (part.level == 1) {
            page = item;
        }
        item->setText(0, part.title);
        item->setData(0, kAnchorRole, part.anchor);
    }
    m_lst目次->expandAll();
}

void HelpWindow::showPart(const QString &anchor)
{
    const QUrl url = m_manual.urlOf(anchor);
    if (m_brw本文->source() == url) {
        m_brw本文->scrollToAnchor(url.fragment());
    } else {
        m_brw本文->setSource(url);
    }
    show();
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
    m_brw本文->setFocus();
}

QString HelpWindow::currentAnchor() const
{
    const QTreeWidgetItem *item = m_lst目次->currentItem();
    return item ? item->data(0, kAnchorRole).toString() : QString();
}

void HelpWindow::pageShown(const QUrl &url)
{
    const int page = m_manual.indexOf(url.fileName());
    if (page != m_hit.page) {
        // Moved to another page by a link or the contents: the next search starts there.
        m_hit = {page, 0, 0};
        m_brw本文->setExtraSelections({});
    }
    QString anchor = url.fragment();
    if (m_manual.pageOf(anchor).isEmpty()) {
        for (const Part &part : m_manual.parts()) {
            if (part.page == url.fileName()) {
                anchor = part.anchor;
                break;
            }
        }
    }
    selectItem(anchor);
}

void HelpWindow::selectItem(const QString &anchor)
{
    for (QTreeWidgetItemIterator it(m_lst目次); *it; ++it) {
        if ((*it)->data(0, kAnchorRole).toString() == anchor) {
            m_syncing = true;
            m_lst目次->setCurrentItem(*it);
            m_syncing = false;
            return;
        }
    }
}

bool HelpWindow::findNext(bool backwards)
{
    const QString words = m_txt検索->text().trimmed();
    if (words.isEmpty()) {
        return false;
    }
    const Hit hit = m_manual.find(words, m_hit, backwards);
    if (!hit.isValid()) {
        m_lbl結果->setText(QStringLiteral("「%1」は見つかりませんでした。").arg(words));
        m_brw本文->setExtraSelections({});
        return false;
    }
    markHit(hit);
    QString title;
    for (const Part &part : m_manual.parts()) {
        if (part.page == m_manual.pages().value(hit.page)) {
            title = part.title;
            break;
        }
    }
    m_lbl結果->setText(QStringLiteral("「%1」: 全 %2 か所（%3）").arg(words).arg(m_manual.count(words)).arg(title));
    return true;
}

void HelpWindow::markHit(const Hit &hit)
{
    const QUrl page = Manual::urlOfPage(m_manual.pages().value(hit.page));
    m_hit = hit; // before the page changes, so that pageShown keeps it
    if (m_brw本文->source().adjusted(QUrl::RemoveFragment) != page) {
        m_brw本文->setSource(page);
    }
    QTextCursor cursor(m_brw本文->document());
    cursor.setPosition(hit.position);
    cursor.setPosition(hit.position + hit.length, QTextCursor::KeepAnchor);
    m_brw本文->setTextCursor(cursor);
    m_brw本文->ensureCursorVisible();
    QTextEdit::ExtraSelection mark;
    mark.cursor = cursor;
    mark.format.setBackground(QColor(0xff, 0xd8, 0x4a));
    m_brw本文->setExtraSelections({mark});
}

bool HelpWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txt検索 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            findNext(key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace help
