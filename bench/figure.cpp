#include "figure.h"

#include "centurydata.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace bench {

Figure::Figure(const Setting &setting) : m_setting(setting) {}

Figure::~Figure() = default;

QString Figure::dataCopy(const QString &side, benchmark::State &state)
{
    if (!m_scratch) {
        m_scratch =
            std::make_unique<QTemporaryDir>(QDir(m_setting.scratchFolder).filePath(name() + QStringLiteral("-XXXXXX")));
    }
    const QString folder = QDir(m_scratch->path()).filePath(side);
    if (!QFile::exists(QDir(folder).filePath(store::kMainFileName))) {
        if (const QString error = copyDataFolder(m_setting.centuryFolder, folder); !error.isEmpty()) {
            fail(state, error);
            return {};
        }
    }
    return folder;
}

std::unique_ptr<store::Store> Figure::openDataCopy(const QString &side, benchmark::State &state, QString *folder)
{
    const QString copy = dataCopy(side, state);
    if (copy.isEmpty()) {
        return nullptr;
    }
    if (folder) {
        *folder = copy;
    }
    auto store = store::makeSqliteStore();
    if (const auto failure = store->open(store::Location::inFolder(copy))) {
        fail(state, failure->path + QStringLiteral(": ") + failure->error.message);
        return nullptr;
    }
    return store;
}

} // namespace bench
