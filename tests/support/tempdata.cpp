#include "support/tempdata.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

namespace testsupport {

TempData::TempData()
{
    m_ok = m_dir.isValid() && store::createSqliteFiles(folder()).ok();
}

QString TempData::folder() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString TempData::mainPath() const
{
    return folder() + store::kMainFileName;
}

QString TempData::workPath() const
{
    return folder() + store::kWorkFileName;
}

} // namespace testsupport
