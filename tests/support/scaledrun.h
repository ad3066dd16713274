#pragma once
// The scale factor cannot change inside a running program: a test measured
// at 150 % or 200 % runs its own test program again as a child, with
// QT_SCALE_FACTOR set, for the named test functions.

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

// Set in the child: the test that starts the runs skips itself there.
constexpr auto kScaledRunVariable = "ZEPHRA_SCALED_RUN";

inline bool inScaledRun()
{
    return qEnvironmentVariableIsSet(kScaledRunVariable);
}

// Runs `functions` of this test program at `scale` on the offscreen
// platform; the child's output when it failed, an empty text when it passed.
inline QString failedScaledRun(const QString &scale, const QStringList &functions)
{
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QString::fromLatin1(kScaledRunVariable), QStringLiteral("1"));
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QCoreApplication::applicationFilePath(), functions);
    const bool finished = run.waitForFinished(300'000);
    const QString output = QString::fromUtf8(run.readAll().right(3000));
    if (finished && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0) {
        return QString();
    }
    return QStringLiteral("QT_SCALE_FACTOR=%1%2\n%3")
        .arg(scale, finished ? QString() : QStringLiteral(" (did not finish)"), output);
}

} // namespace testsupport
