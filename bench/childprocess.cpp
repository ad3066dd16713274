#include "childprocess.h"

#include <QProcess>
#include <QRegularExpression>

namespace bench {

ChildResult runChild(const QString &program, const QStringList &arguments, const QStringList &environment,
                     int timeoutMs)
{
    ChildResult result;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const QString &entry : environment) {
        const qsizetype equals = entry.indexOf(u'=');
        env.insert(entry.left(equals), entry.mid(equals + 1));
    }
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) {
        result.failure = program + QStringLiteral(" did not start: ") + process.errorString();
        return result;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.failure = program + QStringLiteral(" did not finish in time");
        return result;
    }
    result.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        result.failure = program + QStringLiteral(" failed (exit %1): ").arg(process.exitCode()) +
                         QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return result;
    }
    result.ok = true;
    return result;
}

qint64 reportedValue(const QString &output, const QString &name)
{
    const QRegularExpression pattern(QStringLiteral("(?:^|\\s)") + QRegularExpression::escape(name) +
                                     QStringLiteral("=(-?\\d+)"));
    const QRegularExpressionMatch match = pattern.match(output);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

} // namespace bench
