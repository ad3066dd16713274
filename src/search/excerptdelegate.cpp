#include "search/excerptdelegate.h"

#include "search/resultmodel.h"

#include <QApplication>
#include <QPainter>

namespace search {

namespace {

const QColor kMarkGround(255, 226, 110);

} // namespace

ExcerptDelegate::ExcerptDelegate(const ResultModel &model, QObject *parent)
    : QStyledItemDelegate(parent), m_model(model)
{}

void ExcerptDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    item.text.clear();
    const QWidget *view = option.widget;
    QStyle *style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, view);

    const Excerpt &excerpt = m_model.excerpt(index.row());
    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, view).adjusted(2, 0, -2, 0);
    const bool selected = option.state & QStyle::State_Selected;
    QFont marked = option.font;
    marked.setBold(true);

    painter->save();
    painter->setClipRect(area);
    int x = area.left();
    const auto draw = [&](qsizetype from, qsizetype length, bool isMark) {
        if (length <= 0 || x > area.right()) {
            return;
        }
        const QString piece = excerpt.line.mid(from, length);
        painter->setFont(isMark ? marked : option.font);
        const int advance = QFontMetrics(painter->font()).horizontalAdvance(piece);
        const QRect box(x, area.top(), advance, area.height());
        if (isMark) {
            painter->fillRect(box, kMarkGround);
        }
        painter->setPen(isMark || !selected ? option.palette.color(QPalette::Text)
                                            : option.palette.color(QPalette::HighlightedText));
        painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, piece);
        x += advance;
    };
    qsizetype at = 0;
    for (const Mark &mark : excerpt.marks) {
        draw(at, mark.start - at, false);
        draw(mark.start, mark.length, true);
        at = mark.start + mark.length;
    }
    draw(at, excerpt.line.size() - at, false);
    painter->restore();
}

} // namespace search
