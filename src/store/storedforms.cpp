#include "store/storedforms.h"

#include <cstdio>

namespace store {

QByteArray storedDate(QDate date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) {
        return {};
    }
    // Written by hand: the locale-aware formatting costs an import of years
    // a noticeable share of its time.
    int year = 0;
    int month = 0;
    int day = 0;
    date.getDate(&year, &month, &day);
    char text[11];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return QByteArray(text, 10);
}

QDate parseStoredDate(const char *bytes, int size)
{
    if (!bytes || size != 10 || bytes[4] != '-' || bytes[7] != '-') {
        return {};
    }
    int parts[3] = {0, 0, 0};
    for (const int k : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (bytes[k] < '0' || bytes[k] > '9') {
            return {};
        }
        int &part = parts[k < 4 ? 0 : k < 7 ? 1 : 2];
        part = part * 10 + (bytes[k] - '0');
    }
    return parts[0] >= 1 ? QDate(parts[0], parts[1], parts[2]) : QDate();
}

QDateTime parseStoredMoment(const char *bytes, int size)
{
    // yyyy-MM-ddTHH:mm:ss.zzzZ, read by hand: a read of thousands of days
    // would spend more on a general parser than on the reading.
    if (!bytes || size != 24 || bytes[10] != 'T' || bytes[13] != ':' || bytes[16] != ':' || bytes[19] != '.' ||
        bytes[23] != 'Z') {
        return {};
    }
    const QDate day = parseStoredDate(bytes, 10);
    int parts[4] = {0, 0, 0, 0};
    for (const int k : {11, 12, 14, 15, 17, 18, 20, 21, 22}) {
        if (bytes[k] < '0' || bytes[k] > '9') {
            return {};
        }
        int &part = parts[k < 13 ? 0 : k < 16 ? 1 : k < 19 ? 2 : 3];
        part = part * 10 + (bytes[k] - '0');
    }
    const QTime time(parts[0], parts[1], parts[2], parts[3]);
    return day.isValid() && time.isValid() ? QDateTime(day, time, Qt::UTC) : QDateTime();
}

QString storedMoment(const QDateTime &moment)
{
    return moment.toUTC().toString(Qt::ISODateWithMs);
}

} // namespace store
