// Stands in for the reading child and misbehaves as a damaged file can make
// the real one: crashes, hangs, floods, garbage, a stream cut short.
// Usage: fakereader <how> <main file> <work file>

#include "legacy/readerstream.h"

#include <QFile>
#include <QThread>

#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        return 2;
    }
    const QByteArray how = argv[1];
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return 2;
    }
    legacy::FrameWriter writer(out);
    writer.beginTable(QStringLiteral("業務日誌"), 3);
    legacy::LegacyDay day;
    day.date = 39176.0;
    day.row = 1;
    writer.day(day);
    if (how == "crash") {
        std::abort();
    }
    if (how == "hang") {
        QThread::sleep(600);
    }
    if (how == "flood") {
        day.text = QString(512 * 1024, QLatin1Char('x'));
        for (;;) {
            writer.day(day);
            if (writer.failed()) {
                return 1;
            }
        }
    }
    if (how == "garbage") {
        out.write(QByteArray(64, '\xff'));
    }
    return 0; // "short": the stream ends without its last frame
}
