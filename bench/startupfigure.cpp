// Start-up with a hundred years of journal: the real program, from process
// start until its main window has been shown, against a bare Qt program that
// shows a window of the same size with three tab pages. The program is
// zephra_benchapp: zephra's libraries and start-up under a main that closes
// the window once it has been painted.

#include "centurydata.h"
#include "childprocess.h"
#include "figure.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace bench {

namespace {

const QString kProgram = QStringLiteral("zephra_benchapp");

class StartupFigure final : public Figure
{
public:
    using Figure::Figure;

    QString name() const override { return QStringLiteral("startup-100y"); }
    double limit() const override { return 1.25; }
    QString subjectName() const override { return QStringLiteral("zephra"); }
    QString floorName() const override { return QStringLiteral("bare-qt"); }
    int iterations() const override { return 3; }

    void runSubject(benchmark::State &state) override
    {
        if (!prepare(state)) {
            return;
        }
        run(state, QDir(m_folder->path()).filePath(kProgram));
    }

    void runFloor(benchmark::State &state) override
    {
        run(state, QDir(setting().binFolder).filePath(QStringLiteral("zephra_bareqt")));
    }

private:
    // The program looks for its data beside itself: a copy of it with a
    // copy of the hundred years in data/.
    bool prepare(benchmark::State &state)
    {
        if (m_folder) {
            return true;
        }
        m_folder =
            std::make_unique<QTemporaryDir>(QDir(setting().scratchFolder).filePath(QStringLiteral("startup-XXXXXX")));
        const QString program = QDir(m_folder->path()).filePath(kProgram);
        QString error;
        if (!QFile::copy(QDir(setting().binFolder).filePath(kProgram), program)) {
            error =
                QStringLiteral("cannot copy the program ") + kProgram + QStringLiteral(" from ") + setting().binFolder;
        } else {
            error = copyDataFolder(setting().centuryFolder, QDir(m_folder->path()).filePath(QStringLiteral("data")));
        }
        if (!error.isEmpty()) {
            m_folder.reset();
            fail(state, error);
            return false;
        }
        return true;
    }

    static void run(benchmark::State &state, const QString &program)
    {
        for (auto _ : state) {
            const ChildResult result = runChild(program, {}, {}, 60'000);
            if (!result.ok) {
                fail(state, result.failure);
                break;
            }
        }
    }

    std::unique_ptr<QTemporaryDir> m_folder;
};

} // namespace

std::unique_ptr<Figure> makeStartupFigure(const Setting &setting)
{
    return std::make_unique<StartupFigure>(setting);
}

} // namespace bench
