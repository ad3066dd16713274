#pragma once
// The choice of the data folder that holds both database files.

#include <QString>

namespace app {

// The file-system question the choice asks, replaceable in tests.
class FileProbe
{
public:
    virtual ~FileProbe() = default;
    // True when `path` names an ordinary file: not a folder, not hidden, not a system file.
    virtual bool isOrdinaryFile(const QString &path) const = 0;
};

class RealFileProbe final : public FileProbe
{
public:
    bool isOrdinaryFile(const QString &path) const override;
};

enum class FolderRule {
    Windows, // developer marker file, developer folder, program folder + "\data\"
    Other,   // program folder + "/data/"
    Native,  // the rule of the platform the program runs on
};

inline const QString kDeveloperMarkerFile = QStringLiteral("c:\\kvndevelop.txt");
inline const QString kDeveloperDataFolder = QStringLiteral("c:\\develop4\\VelmoraA\\data\\");

// The data folder for a program started from `programFolder` (as the platform
// reports it). The folder is neither tested for existence nor created.
QString chooseDataFolder(const FileProbe &probe, const QString &programFolder, FolderRule rule = FolderRule::Native);

} // namespace app
