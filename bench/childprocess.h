#pragma once
// Runs another program of the benchmark to its end, headless.

#include <QString>
#include <QStringList>

namespace bench {

struct ChildResult
{
    bool ok = false; // started, finished in time and returned 0
    QString output;  // its standard output
    QString failure; // why not ok
};

// Runs `program` with `arguments` under QT_QPA_PLATFORM=offscreen and the
// extra `environment` entries (NAME=value), killing it after `timeoutMs`.
ChildResult runChild(const QString &program, const QStringList &arguments, const QStringList &environment = {},
                     int timeoutMs = 120'000);

// The value of "name=<number>" in a child's output, or -1.
qint64 reportedValue(const QString &output, const QString &name);

} // namespace bench
