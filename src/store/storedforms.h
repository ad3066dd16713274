#pragma once
// The forms in which every engine stores a day and the moment of a write, as
// text: the same bytes on files and on a server, so that versions read on one
// compare equal on the other and copies carry them unchanged.

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

namespace store {

// The stored form of a date: "yyyy-mm-dd", years 1 to 9999 only (empty otherwise).
QByteArray storedDate(QDate date);
// A stored date read back: exactly "yyyy-mm-dd" and a real date from the year 1.
QDate parseStoredDate(const char *bytes, int size);
// The stored form of a moment: "yyyy-MM-ddTHH:mm:ss.zzzZ" in UTC.
QString storedMoment(const QDateTime &moment);
// A stored moment read back: exactly "yyyy-MM-ddTHH:mm:ss.zzzZ", a real UTC moment.
QDateTime parseStoredMoment(const char *bytes, int size);

} // namespace store
