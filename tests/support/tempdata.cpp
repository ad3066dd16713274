#include "support/tempdata.h"

#include "store/schema.h"

namespace testsupport {

TempData::TempData()
{
    m_ok = m_dir.isValid() && store::schema::createMainDatabase(mainPath()).ok() &&
           store::schema::createWorkDatabase(workPath()).ok();
}

QString TempData::folder() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString TempData::mainPath() const
{
    return folder() + store::schema::kMainDbFileName;
}

QString TempData::workPath() const
{
    return folder() + store::schema::kWorkDbFileName;
}

bool TempData::openInto(store::ModVelmoraA &state) const
{
    state.DataFolder = folder();
    state.MainDbPath = mainPath();
    state.WorkDbPath = workPath();
    return state.MainDb.open(state.MainDbPath, store::schema::mainTables()).ok() &&
           state.WorkDb.open(state.WorkDbPath, store::schema::workTables()).ok();
}

} // namespace testsupport
