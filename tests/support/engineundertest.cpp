#include "support/engineundertest.h"

#include "store/engines.h"
#include "support/testserver.h"

namespace testsupport {

EngineUnderTest::EngineUnderTest()
    : m_name(qEnvironmentVariable("ZEPHRA_TEST_ENGINE", QStringLiteral("sqlite")))
    , m_server(qEnvironmentVariable("ZEPHRA_TEST_SERVER"))
{
    if (m_name == QLatin1String("sqlite")) {
        return;
    }
    if (m_name == QLatin1String("postgresql")) {
        if (m_server.isEmpty()) {
            m_unavailable = QStringLiteral("ZEPHRA_TEST_SERVER names no server");
        }
        return;
    }
    m_unavailable = QStringLiteral("unknown engine ") + m_name;
}

std::optional<store::Location> EngineUnderTest::emptyLocation(QString &why)
{
    if (!m_unavailable.isEmpty()) {
        why = m_unavailable;
        return std::nullopt;
    }
    if (m_name == QLatin1String("sqlite")) {
        auto folder = std::make_unique<QTemporaryDir>();
        if (!folder->isValid()) {
            why = folder->errorString();
            return std::nullopt;
        }
        const store::Location location = store::Location::inFolder(folder->path());
        m_folders.push_back(std::move(folder));
        return location;
    }
    // On the server, a schema of its own first on the search path.
    auto schema = std::make_unique<ServerSchema>();
    if (!schema->error().isEmpty()) {
        why = schema->error();
        return std::nullopt;
    }
    const store::Location location = schema->location();
    m_schemas.push_back(std::move(schema));
    return location;
}

EngineUnderTest::~EngineUnderTest() = default;

std::optional<store::Location> EngineUnderTest::freshData(QString &why)
{
    const std::optional<store::Location> location = emptyLocation(why);
    if (!location) {
        return std::nullopt;
    }
    const store::Creation made = store::createEmptyData(*location);
    if (made.error) {
        why = made.error.message;
        return std::nullopt;
    }
    return location;
}

} // namespace testsupport
