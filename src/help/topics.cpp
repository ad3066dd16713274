#include "help/topics.h"

namespace help {

QString anchorOf(Topic topic)
{
    switch (topic) {
    case Topic::Start:
        return QStringLiteral("start");
    case Topic::Journal:
        return QStringLiteral("journal");
    case Topic::Totals:
        return QStringLiteral("totals");
    case Topic::Settings:
        return QStringLiteral("settings");
    case Topic::Search:
        return QStringLiteral("search");
    case Topic::Export:
        return QStringLiteral("export");
    case Topic::Import:
        return QStringLiteral("import");
    case Topic::Hint:
        return QStringLiteral("hint");
    }
    return QStringLiteral("start");
}

Topic topicOfTab(int index)
{
    switch (index) {
    case 0:
        return Topic::Journal;
    case 1:
        return Topic::Totals;
    case 2:
        return Topic::Settings;
    default:
        return Topic::Start;
    }
}

} // namespace help
