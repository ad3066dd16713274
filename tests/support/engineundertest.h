#pragma once
// The engine the store's contract suite runs on, chosen by the environment:
// ZEPHRA_TEST_ENGINE names it ("sqlite", the default; "postgresql" with the
// throwaway server's address in ZEPHRA_TEST_SERVER). Each call of freshData()
// gives a location of its own with empty data made by the engines' door, so
// every test starts from nothing and the suite needs nothing but the factory.

#include "store/location.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

namespace testsupport {

class ServerSchema;

class EngineUnderTest
{
public:
    EngineUnderTest();
    ~EngineUnderTest();

    QString name() const { return m_name; }
    // Why the chosen engine cannot be tested here; empty when it can.
    QString unavailable() const { return m_unavailable; }

    // A new location with empty data; none (with `why`) when it cannot be made.
    std::optional<store::Location> freshData(QString &why);
    // A new location with nothing at all there.
    std::optional<store::Location> emptyLocation(QString &why);

private:
    QString m_name;
    QString m_unavailable;
    QString m_server;
    std::vector<std::unique_ptr<QTemporaryDir>> m_folders;
    std::vector<std::unique_ptr<ServerSchema>> m_schemas; // dropped with the engine under test
};

} // namespace testsupport
