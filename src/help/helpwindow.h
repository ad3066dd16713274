#pragma once
// The manual's window: the contents on the left, the page on the right, and a
// search box that finds words across every page (Enter for the next place,
// Shift+Enter for the one before). Modeless; one per program.

#include "help/manual.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace help {

class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Shows the part with `anchor` (the manual's start when none has it),
    // brings the window to the front and puts the focus on the page.
    void showPart(const QString &anchor);
    // The next (or previous) place of the search box's words; false when there is none.
    bool findNext(bool backwards = false);

    const Manual &manual() const { return m_manual; }
    // The anchor of the part the contents have chosen.
    QString currentAnchor() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void fillContents();
    void pageShown(const QUrl &url);
    void markHit(const Hit &hit);
    void selectItem(const QString &anchor);

    Manual m_manual;
    QTreeWidget *m_lst目次 = nullptr;
    QLineEdit *m_txt検索 = nullptr;
    QLabel *m_lbl結果 = nullptr;
    QTextBrowser *m_brw本文 = nullptr;
    Hit m_hit;              // the place last found, or where the next search starts
    bool m_syncing = false; // the contents follow the page, without showing it again
};

} // namespace help
