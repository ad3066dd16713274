#pragma once
// The journal text box: multi-line free text of the day.

#include <QPlainTextEdit>

namespace ui {

// Japanese is typed through the input method; Tab and Shift+Tab move the
// focus. text() gives back what setText() was given: the line breaks keep the
// form of the text that was set ("\r\n", "\n" or "\r"; "\n" for a new or mixed
// text), and no character is replaced (a no-break space stays one; only a
// paragraph separator U+2029 comes back as a line break). Shift+Enter breaks
// the line as Enter does, so that no U+2028 gets into a journal.
class JournalTextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit JournalTextBox(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_lineBreak;
};

} // namespace ui
