// The journal text box.
#include "ui/journaltextbox.h"

#include <QKeyEvent>

namespace ui {

namespace {

// The one line-break form a text uses, or "\n" when it uses none or several.
QString lineBreakOf(const QString &text)
{
    bool crlf = false;
    bool lf = false;
    bool cr = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'\r') {
            if (i + 1 < text.size() && text.at(i + 1) == u'\n') {
                crlf = true;
                ++i;
            } else {
                cr = true;
            }
        } else if (text.at(i) == u'\n') {
            lf = true;
        }
    }
    if (crlf && !lf && !cr) {
        return QStringLiteral("\r\n");
    }
    if (cr && !lf && !crlf) {
        return QStringLiteral("\r");
    }
    return QStringLiteral("\n");
}

} // namespace

JournalTextBox::JournalTextBox(QWidget *parent) : QPlainTextEdit(parent), m_lineBreak(QStringLiteral("\n"))
{
    setTabChangesFocus(true);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

QString JournalTextBox::text() const
{
    // The raw text keeps every character; toPlainText() would turn no-break
    // spaces into blanks. Paragraphs are joined with the text's own line break.
    QString raw = document()->toRawText();
    raw.replace(QChar(QChar::ParagraphSeparator), m_lineBreak);
    return raw;
}

void JournalTextBox::setText(const QString &text)
{
    m_lineBreak = lineBreakOf(text);
    setPlainText(text);
}

void JournalTextBox::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers().testFlag(Qt::ShiftModifier)) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier, event->text(),
                        event->isAutoRepeat(), ushort(event->count()));
        QPlainTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

} // namespace ui
