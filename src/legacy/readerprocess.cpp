#include "legacy/readerprocess.h"

#include "legacy/jetmodule.h"
#include "legacy/jetreader.h"
#include "legacy/readerstream.h"

#include "common/module.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace legacy {

namespace {

QString couldNotRead(const QString &why)
{
    return QStringLiteral("以前の版のデータファイルを読み取れませんでした（%1）。"
                          "ファイルが壊れている可能性があります。")
        .arg(why);
}

// Everything a child may send for these files: their texts at most twice
// their size in UTF-8 and QDataStream's two bytes per character, and the frames' overhead.
qint64 streamLimit(const LegacyFiles &files)
{
    qint64 size = 0;
    for (const QString &path : {files.mainPath, files.workPath}) {
        if (!path.isEmpty()) {
            size += QFileInfo(path).size();
        }
    }
    return 8 * size + 64 * 1024 * 1024;
}

QString labelFor(const QString &table)
{
    return QStringLiteral("以前の版のデータを読み取っています（%1）…").arg(table);
}

} // namespace

ReaderCommand ownReader()
{
    return {QCoreApplication::applicationFilePath(), {kImportLegacyOption, kReaderOption}};
}

std::optional<QString> readThroughChild(const LegacyFiles &files, const ReaderCommand &command, LegacyData &data,
                                        common::Progress &progress, const ReadLimits &limits)
{
    QProcess child;
    child.setProgram(command.program);
    child.setArguments(command.arguments + QStringList{files.mainPath, files.workPath});
    // The library's own complaints are of no use to the user.
    child.setStandardErrorFile(QProcess::nullDevice());
    child.setStandardInputFile(QProcess::nullDevice());
    progress.report(labelFor(QStringLiteral("業務日誌")), 0, 0);
    child.start(QIODevice::ReadOnly);
    if (!child.waitForStarted(limits.silenceMs)) {
        return couldNotRead(QStringLiteral("読み取り用のプログラム「%1」を起動できませんでした。")
                                .arg(QDir::toNativeSeparators(command.program)));
    }

    FrameReader reader;
    const qint64 limit = streamLimit(files);
    qint64 received = 0;
    QElapsedTimer total;
    QElapsedTimer silence;
    total.start();
    silence.start();
    const auto stop = [&child](const QString &why) {
        child.kill();
        child.waitForFinished(5000);
        return couldNotRead(why);
    };
    // Reads what is there, then waits a little for more: the progress dialog
    // stays painted, and the limits are checked at least ten times a second.
    for (;;) {
        const QByteArray bytes = child.readAllStandardOutput();
        if (!bytes.isEmpty()) {
            received += bytes.size();
            silence.restart();
            if (received > limit) {
                return stop(QStringLiteral("ファイルの大きさを超える量のデータが返されました"));
            }
            if (reader.feed(bytes) == FrameReader::State::Damaged) {
                return stop(QStringLiteral("読み取った内容が壊れていました"));
            }
            progress.report(labelFor(reader.table()), reader.rowsTaken(), reader.rowsDeclared());
        }
        if (child.state() == QProcess::NotRunning && child.bytesAvailable() == 0) {
            break;
        }
        if (silence.elapsed() > limits.silenceMs) {
            return stop(QStringLiteral("%1 秒以上、応答がありませんでした").arg(limits.silenceMs / 1000));
        }
        if (total.elapsed() > limits.totalMs) {
            return stop(QStringLiteral("%1 分以内に終わりませんでした").arg(limits.totalMs / 60'000));
        }
        child.waitForReadyRead(100);
    }

    const bool exitedWell = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    switch (reader.state()) {
    case FrameReader::State::Finished:
        if (!exitedWell) {
            return couldNotRead(QStringLiteral("読み取りが正常に終わりませんでした"));
        }
        data = std::move(reader.data());
        return std::nullopt;
    case FrameReader::State::Failed:
        return reader.failure();
    case FrameReader::State::Damaged:
        return couldNotRead(QStringLiteral("読み取った内容が壊れていました"));
    case FrameReader::State::Reading:
        break;
    }
    return couldNotRead(child.exitStatus() == QProcess::CrashExit ? QStringLiteral("読み取り中に異常終了しました")
                                                                  : QStringLiteral("読み取りが途中で終わりました"));
}

int runReaderChild(const QString &mainPath, const QString &workPath)
{
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly)) {
        return 1;
    }
    FrameWriter writer(out);
    // The Jet reader is a module of its own: only this child maps libmdb.
    const auto read = common::moduleFunctionAs<ReadJetFunction>(kJetModule, kReadJetSymbol,
                                                                QStringLiteral("以前の版のデータの読み取り"));
    std::optional<QString> failure;
    if (!read.function) {
        failure = read.failure;
    }
    const auto readFile = [&](const QString &path, LegacyFile which) {
        QString why;
        if (!read.function(path, static_cast<int>(which), writer, &why)) {
            failure = why;
        }
    };
    if (!failure && !mainPath.isEmpty()) {
        readFile(mainPath, LegacyFile::Main);
    }
    if (!failure && !workPath.isEmpty()) {
        readFile(workPath, LegacyFile::Work);
    }
    writer.finish(failure);
    const bool flushed = out.flush();
    out.close();
    return writer.failed() || !flushed ? 1 : 0;
}

} // namespace legacy
