#include "printing/reportdocument.h"

namespace printing {

QList<DrawItem> ReportPage::itemsNamed(const QString &name) const
{
    QList<DrawItem> found;
    for (const DrawItem &i : items) {
        if (i.name == name) {
            found.append(i);
        }
    }
    return found;
}

const DrawItem *ReportPage::item(const QString &name) const
{
    for (const DrawItem &i : items) {
        if (i.name == name) {
            return &i;
        }
    }
    return nullptr;
}

} // namespace printing
