#include "backup/copyname.h"

#include <QRegularExpression>

#include <array>

namespace backup {

namespace {

const QString kStampFormat = QStringLiteral("yyyyMMdd-HHmmss");
const QString kUncheckedPrefix = QStringLiteral(".unchecked-");

struct KindNames
{
    CopyKind kind;
    const char16_t *word;
    const char16_t *label;
};

constexpr std::array<KindNames, 7> kKinds{{
    {CopyKind::Daily, u"daily", u"自動"},
    {CopyKind::Exit, u"exit", u"終了時"},
    {CopyKind::Erase, u"erase", u"初期化前"},
    {CopyKind::Restore, u"restore", u"復元前"},
    {CopyKind::Manual, u"manual", u"手動"},
    {CopyKind::Import, u"import", u"取込前"},
    {CopyKind::Upgrade, u"upgrade", u"形式更新前"},
}};

const KindNames &namesOf(CopyKind kind)
{
    for (const KindNames &names : kKinds) {
        if (names.kind == kind) {
            return names;
        }
    }
    return kKinds.front();
}

} // namespace

bool isThinned(CopyKind kind)
{
    return kind == CopyKind::Daily || kind == CopyKind::Exit;
}

QString kindWord(CopyKind kind)
{
    return QString::fromUtf16(namesOf(kind).word);
}

QString kindLabel(CopyKind kind)
{
    return QString::fromUtf16(namesOf(kind).label);
}

QString CopyName::folderName() const
{
    QString name = time.toString(kStampFormat) + QLatin1Char('-') + kindWord(kind);
    if (sequence > 1) {
        name += QStringLiteral("-%1").arg(sequence);
    }
    return name;
}

std::optional<CopyName> parseCopyName(const QString &folderName)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{8}-\\d{6})-([a-z]+)(?:-([1-9]\\d{0,3}))?$"));
    const QRegularExpressionMatch match = pattern.match(folderName);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    CopyName name;
    name.time = QDateTime::fromString(match.captured(1), kStampFormat);
    if (!name.time.isValid()) {
        return std::nullopt;
    }
    const QString word = match.captured(2);
    const auto kind = std::find_if(kKinds.cbegin(), kKinds.cend(),
                                   [&word](const KindNames &names) { return word == QString::fromUtf16(names.word); });
    if (kind == kKinds.cend()) {
        return std::nullopt;
    }
    name.kind = kind->kind;
    name.sequence = match.captured(3).isEmpty() ? 1 : match.captured(3).toInt();
    if (name.sequence == 1 && !match.captured(3).isEmpty()) {
        return std::nullopt; // the first copy of a second carries no number
    }
    return name;
}

QString uncheckedName(const QString &folderName)
{
    return kUncheckedPrefix + folderName;
}

bool isUncheckedName(const QString &name)
{
    return name.startsWith(kUncheckedPrefix);
}

} // namespace backup
