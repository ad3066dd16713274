#include "legacy/legacyfiles.h"

#include "legacy/legacydata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace legacy {

bool isJetFile(const QString &path)
{
    static const QByteArray kSignature = QByteArrayLiteral("Standard Jet DB");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray head = file.read(4 + kSignature.size());
    return head.size() == 4 + kSignature.size() && head.mid(4) == kSignature;
}

LegacyFiles jetFilesIn(const QString &folder)
{
    LegacyFiles files;
    const QDir dir(folder);
    files.folder = dir.absolutePath() + QLatin1Char('/');
    const QString main = dir.absoluteFilePath(kLegacyMainFileName);
    const QString work = dir.absoluteFilePath(kLegacyWorkFileName);
    if (isJetFile(main)) {
        files.mainPath = main;
    }
    if (isJetFile(work)) {
        files.workPath = work;
    }
    return files;
}

std::optional<QString> findLegacyFiles(const QString &from, LegacyFiles &files)
{
    const QFileInfo info(from);
    if (!info.exists()) {
        return QStringLiteral("「%1」が見つかりません。").arg(QDir::toNativeSeparators(from));
    }
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    if (info.isFile() && !isJetFile(info.absoluteFilePath())) {
        return QStringLiteral("「%1」は以前の版のデータファイル（Jet 形式）ではありません。")
            .arg(QDir::toNativeSeparators(info.absoluteFilePath()));
    }
    files = jetFilesIn(folder);
    if (!files.any()) {
        return QStringLiteral("「%1」に以前の版のデータファイル（%2、%3。Jet 形式）がありません。")
            .arg(QDir::toNativeSeparators(folder), kLegacyMainFileName, kLegacyWorkFileName);
    }
    return std::nullopt;
}

} // namespace legacy
