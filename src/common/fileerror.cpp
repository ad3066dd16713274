#include "common/fileerror.h"

#include <QDir>

namespace common {

namespace {

QString reasonOf(FileFault fault)
{
    switch (fault) {
    case FileFault::DiskFull:
        return QStringLiteral("ディスクの空きがありません。");
    case FileFault::QuotaFull:
        return QStringLiteral("使えるディスクの容量の上限に達しています。");
    case FileFault::Denied:
        return QStringLiteral("アクセスが許可されていません。");
    case FileFault::ReadOnlyDisk:
        return QStringLiteral("ディスクが読み取り専用です。");
    case FileFault::Missing:
        return QStringLiteral("そのファイルかフォルダーがありません。");
    case FileFault::NotAFolder:
        return QStringLiteral("フォルダーの名前のはずのところがファイルです。");
    case FileFault::IsAFolder:
        return QStringLiteral("フォルダーです。");
    case FileFault::NameTooLong:
        return QStringLiteral("名前が長すぎます。");
    case FileFault::TooLarge:
        return QStringLiteral("ファイルが大きすぎます。");
    case FileFault::InUse:
        return QStringLiteral("他のプログラムが使用中です。");
    case FileFault::DiskError:
        return QStringLiteral("ディスクの読み書きに失敗しました。");
    case FileFault::Other:
        break;
    }
    return {};
}

// What Qt's own code says when the system named nothing we know.
QString reasonOf(QFileDevice::FileError error)
{
    switch (error) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("アクセスが許可されていません。");
    case QFileDevice::ResourceError:
        return QStringLiteral("ディスクの空きかメモリーが足りません。");
    case QFileDevice::RenameError:
        return QStringLiteral("書き上げたファイルにその名前を付けられませんでした。");
    case QFileDevice::WriteError:
        return QStringLiteral("書き込みが途中で止まりました。");
    case QFileDevice::ReadError:
        return QStringLiteral("読み取りが途中で止まりました。");
    default:
        return {};
    }
}

} // namespace

QString systemReason(const SystemError &system)
{
    return reasonOf(system.fault);
}

QString fileFailure(FileStep step, const QString &path, QFileDevice::FileError error, const SystemError &system)
{
    QString text;
    switch (step) {
    case FileStep::Open:
        text = QStringLiteral("「%1」を開けませんでした。");
        break;
    case FileStep::Read:
        text = QStringLiteral("「%1」を読めませんでした。");
        break;
    case FileStep::Write:
        text = QStringLiteral("「%1」に書き込めませんでした。");
        break;
    }
    text = text.arg(QDir::toNativeSeparators(path));
    QString reason = reasonOf(system.fault);
    if (reason.isEmpty()) {
        reason = reasonOf(error);
    }
    if (reason.isEmpty()) {
        reason = QStringLiteral("理由は分かりません。");
    }
    if (system.fault == FileFault::Other && system.code != 0) {
        reason += QStringLiteral("（システムのエラー %1）").arg(system.code);
    }
    return text + reason;
}

QString fileFailure(FileStep step, const QFileDevice &file)
{
    const SystemError system = lastSystemError();
    return fileFailure(step, file.fileName(), file.error(), system);
}

} // namespace common
