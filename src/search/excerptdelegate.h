#pragma once
// Draws an excerpt on one line with its marks: the words found on a tinted
// ground in bold.

#include <QStyledItemDelegate>

namespace search {

class ResultModel;

class ExcerptDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    ExcerptDelegate(const ResultModel &model, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    const ResultModel &m_model;
};

} // namespace search
