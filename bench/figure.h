#pragma once
// One benchmark figure: a path of the program timed against the floor that
// any program doing the same work needs, side by side in the same run.

#include "centurydata.h"

#include <QString>

#include <benchmark/benchmark.h>
#include <memory>

class QTemporaryDir;

namespace store {
class Store;
}

namespace bench {

// Where the figures find the programs and the data, and where they write.
struct Setting
{
    QString binFolder;            // zephra_benchapp, zephra_bareqt, zephra_memprobe
    QString centuryFolder;        // VelmoraA.mdb with a hundred years, VelmoraAWork.mdb
    QString scratchFolder;        // copies of the data and the written files
    QString serverAddress;        // a database server for the server figures; none: they are left out
    DataSet data = centuryData(); // what centuryFolder holds: periods, counts and words of the figures
};

class Figure
{
public:
    explicit Figure(const Setting &setting);
    virtual ~Figure();
    Figure(const Figure &) = delete;
    Figure &operator=(const Figure &) = delete;

    virtual QString name() const = 0;
    virtual double limit() const = 0;
    virtual QString subjectName() const = 0;
    virtual QString floorName() const = 0;
    // Iterations per round of each side.
    virtual int iterations() const = 0;

    // Each side does its own set-up once, outside the timed loop.
    virtual void runSubject(benchmark::State &state) = 0;
    virtual void runFloor(benchmark::State &state) = 0;

protected:
    const Setting &setting() const { return m_setting; }
    // The data set in use: take periods, record counts and search words from here.
    const DataSet &data() const { return m_setting.data; }
    // A folder of the scratch folder holding a copy of the hundred years for
    // one side of the figure, made on first use; empty after a failure, which
    // ends the run.
    QString dataCopy(const QString &side, benchmark::State &state);
    // The program's store opened on that copy (`folder` set to it); none
    // after a failure, which ends the run.
    std::unique_ptr<store::Store> openDataCopy(const QString &side, benchmark::State &state, QString *folder = nullptr);

private:
    const Setting &m_setting;
    std::unique_ptr<QTemporaryDir> m_scratch;
};

std::unique_ptr<Figure> makeStartupFigure(const Setting &setting);
std::unique_ptr<Figure> makeRegisterFigure(const Setting &setting);
std::unique_ptr<Figure> makeCalcFigure(const Setting &setting);
std::unique_ptr<Figure> makeReportFigure(const Setting &setting);
std::unique_ptr<Figure> makeLegacyFigure(const Setting &setting);
std::unique_ptr<Figure> makeCloseFigure(const Setting &setting);
std::unique_ptr<Figure> makeBackupFigure(const Setting &setting);
std::unique_ptr<Figure> makeExportCsvFigure(const Setting &setting);
std::unique_ptr<Figure> makeExportXlsxFigure(const Setting &setting);
std::unique_ptr<Figure> makeSummaryFigure(const Setting &setting);
std::unique_ptr<Figure> makeSearchFigure(const Setting &setting);
std::unique_ptr<Figure> makeSearchCharacterFigure(const Setting &setting);
std::unique_ptr<Figure> makeSearchWindowFigure(const Setting &setting);
std::unique_ptr<Figure> makeSearchAbsentFigure(const Setting &setting);
std::unique_ptr<Figure> makeSearchPeriodFigure(const Setting &setting);
std::unique_ptr<Figure> makeServerRegisterFigure(const Setting &setting);
std::unique_ptr<Figure> makeServerCalcFigure(const Setting &setting);
std::unique_ptr<Figure> makeServerSearchFigure(const Setting &setting);
std::unique_ptr<Figure> makeChartFigure(const Setting &setting);
std::unique_ptr<Figure> makeRegisterDuringCopyFigure(const Setting &setting);
std::unique_ptr<Figure> makeFirstRegisterFigure(const Setting &setting);
std::unique_ptr<Figure> makeImportCsvFigure(const Setting &setting);
std::unique_ptr<Figure> makeRestoreFigure(const Setting &setting);
std::unique_ptr<Figure> makeIndexBuildFigure(const Setting &setting);

// Skips the run with a message of ours.
inline void fail(benchmark::State &state, const QString &why)
{
    state.SkipWithError(why.toUtf8().constData());
}

} // namespace bench
