// The benchmark program: every figure as a ratio of the program's own path to
// a floor measured side by side in the same run, in interleaved rounds, with
// the median of the rounds on each side.
//
//   zephra_bench --make-data DIR [--data-set full2k]   creates the data in DIR
//   zephra_bench --data DIR [--data-set full2k] [--rounds N] [--figures a,b] [--server ADDRESS] [--benchmark_...]
//   zephra_bench --smoke             one round of everything on fresh data
//
// The server figures (pg-*) run against the database server ADDRESS (a libpq
// address of a role that may create databases; default ZEPHRA_TEST_SERVER),
// and are left out without one.
//
// Prints "RATIO <name> <measured> target <limit> holds|misses" per figure,
// then the medians; Google Benchmark's own report goes to standard error.
// Exit status 0 when every figure holds (with --smoke: was measured), 1 when
// one misses, 2 when one could not be measured.

#include "barepdf.h"
#include "centurydata.h"
#include "childprocess.h"
#include "figure.h"
#include "tenyears.h"

#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <vector>

namespace {

using bench::Figure;

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Keeps the time per iteration of every run, by benchmark name, and passes
// the runs on to the console report.
class CollectingReporter final : public benchmark::ConsoleReporter
{
public:
    CollectingReporter() : benchmark::ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.error_occurred) {
                errors.push_back(run.benchmark_name() + ": " + run.error_message);
            } else if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                const std::string side = run.run_name.function_name.substr(0, run.run_name.function_name.rfind('/'));
                seconds[side].push_back(run.real_accumulated_time / double(run.iterations));
            }
        }
        benchmark::ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, std::vector<double>> seconds;
    std::vector<std::string> errors;
};

struct Outcome
{
    QString name;
    double ratio = 0;
    double limit = 0;
    QString detail; // the medians
};

std::string sideName(const Figure &figure, bool subject)
{
    return (figure.name() + u'/' + (subject ? figure.subjectName() : figure.floorName())).toStdString();
}

QString milliseconds(double seconds)
{
    return QString::number(seconds * 1000, 'f', seconds < 0.01 ? 3 : 1) + QStringLiteral(" ms");
}

QString mebibytes(double kib)
{
    return QString::number(kib / 1024, 'f', 1) + QStringLiteral(" MiB");
}

// Runs `probe` `times` times and gives the median of its "peak_kib".
double medianPeak(const QString &program, const QStringList &arguments, int times, QString *error,
                  QString *output = nullptr)
{
    std::vector<double> peaks;
    for (int k = 0; k < times && error->isEmpty(); ++k) {
        const bench::ChildResult result = bench::runChild(program, arguments);
        const qint64 peak = bench::reportedValue(result.output, QStringLiteral("peak_kib"));
        if (!result.ok || peak <= 0) {
            *error = result.ok ? program + QStringLiteral(" reported no peak memory") : result.failure;
        } else {
            peaks.push_back(double(peak));
            if (output) {
                *output = result.output;
            }
        }
    }
    return median(peaks);
}

// Peak memory of the program with the data and the grid full, against the
// bare Qt window with the program's fonts that opens both data files with the
// program's pragmas and shows one day.
std::optional<Outcome> memoryFigure(const bench::Setting &setting, int rounds, QString *error)
{
    const QDir bin(setting.binFolder);
    const QTemporaryDir folder(QDir(setting.scratchFolder).filePath(QStringLiteral("memory-XXXXXX")));
    const QDir data(QDir(folder.path()).filePath(QStringLiteral("data")));
    *error = bench::copyDataFolder(setting.centuryFolder, data.path());
    const QByteArray pragmas =
        error->isEmpty() ? bench::programPragmas(data.filePath(store::kMainFileName), error) : QByteArray();
    std::vector<double> probe;
    std::vector<double> bare;
    for (int round = 0; round < rounds && error->isEmpty(); ++round) {
        probe.push_back(medianPeak(
            bin.filePath(QStringLiteral("zephra_memprobe")),
            {QStringLiteral("window"), folder.path(), setting.data.lastDay.toString(Qt::ISODate)}, 1, error));
        if (error->isEmpty()) {
            bare.push_back(medianPeak(bin.filePath(QStringLiteral("zephra_barememory")),
                                      {data.path(), QString::fromLatin1(pragmas)}, 1, error));
        }
    }
    if (!error->isEmpty()) {
        return std::nullopt;
    }
    // For reference: the same start, then the totals of every day in the grid.
    const double grid = error->isEmpty() ? medianPeak(bin.filePath(QStringLiteral("zephra_memprobe")),
                                                      {QStringLiteral("grid"), folder.path()}, 1, error)
                                         : 0;
    if (!error->isEmpty()) {
        return std::nullopt;
    }
    const double program = median(probe);
    const double floor = median(bare);
    return Outcome{QStringLiteral("memory-100y"), program / floor, 1.3,
                   QStringLiteral("zephra %1, bare-qt+fonts+one-day %2 (zephra with every day's totals in the grid %3)")
                       .arg(mebibytes(program), mebibytes(floor), mebibytes(grid))};
}

// Peak memory of the ten-year totals report written to PDF, for reference.
QString reportMemory(const bench::Setting &setting, QString *error)
{
    const QTemporaryDir folder(QDir(setting.scratchFolder).filePath(QStringLiteral("reportmemory-XXXXXX")));
    const QDir dir(folder.path());
    const QString work = dir.filePath(store::kWorkFileName);
    *error = bench::copyDataFolder(setting.centuryFolder, dir.path());
    if (error->isEmpty()) {
        *error = bench::fillTenYears(dir.filePath(store::kMainFileName), work);
    }
    if (!error->isEmpty()) {
        return {};
    }
    const QString probe = QDir(setting.binFolder).filePath(QStringLiteral("zephra_memprobe"));
    QString output;
    const double report =
        medianPeak(probe, {QStringLiteral("report"), work, dir.filePath(QStringLiteral("r.pdf"))}, 3, error, &output);
    const qint64 rowsPerPage = bench::reportedValue(output, QStringLiteral("rows_per_page"));
    const double bare = error->isEmpty()
                            ? medianPeak(probe,
                                         {QStringLiteral("bare-pdf"), work, dir.filePath(QStringLiteral("b.pdf")),
                                          QString::number(rowsPerPage)},
                                         3, error)
                            : 0;
    return QStringLiteral("totals-report %1, bare-qpdfwriter %2").arg(mebibytes(report), mebibytes(bare));
}

QString takeOption(QStringList &arguments, const QString &name, const QString &fallback = {})
{
    const qsizetype at = arguments.indexOf(name);
    if (at < 0 || at + 1 >= arguments.size()) {
        return fallback;
    }
    const QString value = arguments.at(at + 1);
    arguments.remove(at, 2);
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments();

    const QString dataSetName = takeOption(arguments, QStringLiteral("--data-set"), QStringLiteral("century"));
    const bench::DataSet *dataSet = bench::dataSetNamed(dataSetName);
    if (!dataSet) {
        std::fprintf(stderr, "unknown data set %s (century, full2k)\n", dataSetName.toLocal8Bit().constData());
        return 2;
    }
    const QString makeData = takeOption(arguments, QStringLiteral("--make-data"));
    if (!makeData.isEmpty()) {
        const QString error = bench::makeData(makeData, *dataSet);
        std::fprintf(error.isEmpty() ? stdout : stderr, "%s\n",
                     (error.isEmpty()
                          ? QStringLiteral("%1 data (%2 days) in ").arg(dataSet->name).arg(dataSet->records) + makeData
                          : error)
                         .toLocal8Bit()
                         .constData());
        return error.isEmpty() ? 0 : 2;
    }

    const QTemporaryDir scratch;
    const bool smoke = arguments.removeAll(QStringLiteral("--smoke")) > 0;
    bench::Setting setting{
        takeOption(arguments, QStringLiteral("--bin"), QApplication::applicationDirPath()),
        takeOption(arguments, QStringLiteral("--data")), scratch.path(),
        takeOption(arguments, QStringLiteral("--server"), qEnvironmentVariable("ZEPHRA_TEST_SERVER")), *dataSet};
    if (smoke && setting.centuryFolder.isEmpty()) {
        setting.centuryFolder = QDir(scratch.path()).filePath(QStringLiteral("century"));
        if (const QString error = bench::makeData(setting.centuryFolder, *dataSet); !error.isEmpty()) {
            std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
            return 2;
        }
    }
    const QString defaultRounds = smoke ? QStringLiteral("1") : QStringLiteral("7");
    const int rounds = std::max(1, takeOption(arguments, QStringLiteral("--rounds"), defaultRounds).toInt());
    const QStringList only = takeOption(arguments, QStringLiteral("--figures")).split(u',', Qt::SkipEmptyParts);
    if (setting.centuryFolder.isEmpty() ||
        !QFileInfo::exists(QDir(setting.centuryFolder).filePath(store::kMainFileName))) {
        std::fprintf(stderr, "usage: zephra_bench --data DIR (made by --make-data DIR) [--rounds N] [--figures a,b]\n");
        return 2;
    }
    if (const QString error = bench::checkDataFolder(setting.centuryFolder, *dataSet); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 2;
    }
    const auto wanted = [&only](const QString &name) { return only.isEmpty() || only.contains(name); };

    // What is left is for Google Benchmark (--benchmark_out=... and the like).
    std::vector<QByteArray> kept;
    for (const QString &argument : arguments) {
        kept.push_back(argument.toLocal8Bit());
    }
    std::vector<char *> benchmarkArgv;
    for (QByteArray &argument : kept) {
        benchmarkArgv.push_back(argument.data());
    }
    int benchmarkArgc = int(benchmarkArgv.size());
    benchmark::Initialize(&benchmarkArgc, benchmarkArgv.data());

    std::vector<std::unique_ptr<Figure>> figures;
    for (auto make : {bench::makeStartupFigure,       bench::makeRegisterFigure,
                      bench::makeCalcFigure,          bench::makeReportFigure,
                      bench::makeLegacyFigure,        bench::makeBackupFigure,
                      bench::makeCloseFigure,         bench::makeExportCsvFigure,
                      bench::makeExportXlsxFigure,    bench::makeSummaryFigure,
                      bench::makeSearchFigure,        bench::makeSearchCharacterFigure,
                      bench::makeSearchWindowFigure,  bench::makeSearchAbsentFigure,
                      bench::makeSearchPeriodFigure,  bench::makeServerRegisterFigure,
                      bench::makeServerCalcFigure,    bench::makeServerSearchFigure,
                      bench::makeChartFigure,         bench::makeRegisterDuringCopyFigure,
                      bench::makeFirstRegisterFigure, bench::makeImportCsvFigure,
                      bench::makeRestoreFigure,       bench::makeIndexBuildFigure}) {
        std::unique_ptr<Figure> figure = make(setting);
        const bool onServer = figure->name().startsWith(QLatin1String("pg-"));
        if (onServer && setting.serverAddress.isEmpty()) {
            if (!only.isEmpty() && wanted(figure->name())) {
                std::fprintf(stderr, "%s needs a server: --server ADDRESS\n", figure->name().toUtf8().constData());
                return 2;
            }
            continue;
        }
        if (wanted(figure->name())) {
            figures.push_back(std::move(figure));
        }
    }
    // Rounds interleave the sides, and alternate which one goes first, so that
    // a slow moment of a shared machine falls on both.
    for (int round = 1; round <= rounds; ++round) {
        for (const std::unique_ptr<Figure> &figure : figures) {
            Figure *f = figure.get();
            for (const bool subject : {round % 2 == 1, round % 2 == 0}) {
                const std::string name = sideName(*f, subject) + "/round:" + std::to_string(round);
                benchmark::RegisterBenchmark(
                    name.c_str(),
                    [f, subject](benchmark::State &state) { subject ? f->runSubject(state) : f->runFloor(state); })
                    ->Iterations(f->iterations())
                    ->UseRealTime()
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    CollectingReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    QStringList failures;
    for (const std::string &error : reporter.errors) {
        failures.append(QString::fromStdString(error));
    }
    std::vector<Outcome> outcomes;
    for (const std::unique_ptr<Figure> &figure : figures) {
        const std::vector<double> &subject = reporter.seconds[sideName(*figure, true)];
        const std::vector<double> &floor = reporter.seconds[sideName(*figure, false)];
        if (subject.empty() || floor.empty() || median(floor) <= 0) {
            failures.append(figure->name() + QStringLiteral(": no measurement"));
            continue;
        }
        outcomes.push_back({figure->name(), median(subject) / median(floor), figure->limit(),
                            QStringLiteral("%1 %2, %3 %4")
                                .arg(figure->subjectName(), milliseconds(median(subject)), figure->floorName(),
                                     milliseconds(median(floor)))});
    }
    figures.clear(); // the pages and connections go before the application

    QString reportPeaks;
    if (wanted(QStringLiteral("memory-100y"))) {
        QString error;
        if (const std::optional<Outcome> memory = memoryFigure(setting, std::min(rounds, 3), &error)) {
            outcomes.push_back(*memory);
        } else {
            failures.append(QStringLiteral("memory-100y: ") + error);
        }
    }
    if (wanted(QStringLiteral("report-pdf-10y"))) {
        QString error;
        reportPeaks = reportMemory(setting, &error);
        if (!error.isEmpty()) {
            failures.append(QStringLiteral("report-pdf-10y peak memory: ") + error);
        }
    }

    bool allHold = true;
    for (const Outcome &outcome : outcomes) {
        // Judged as printed, to two decimals.
        const double ratio = std::round(outcome.ratio * 100) / 100;
        const bool holds = ratio <= outcome.limit;
        allHold = allHold && holds;
        std::printf("RATIO %s %.2f target %g %s\n", (outcome.name + dataSet->suffix).toUtf8().constData(), ratio,
                    outcome.limit, holds ? "holds" : "misses");
    }
    std::printf("\nMedians (%d rounds):\n", rounds);
    for (const Outcome &outcome : outcomes) {
        std::printf("  %-15s %s\n", outcome.name.toUtf8().constData(), outcome.detail.toUtf8().constData());
    }
    if (!reportPeaks.isEmpty()) {
        std::printf("  %-15s peak memory: %s\n", "report-pdf-10y", reportPeaks.toUtf8().constData());
    }
    for (const QString &failure : failures) {
        std::fprintf(stderr, "FAILED %s\n", failure.toUtf8().constData());
    }
    if (!failures.isEmpty()) {
        return 2;
    }
    return allHold || smoke ? 0 : 1;
}
