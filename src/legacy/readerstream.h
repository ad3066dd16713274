#pragma once
// The frames in which the reading child hands what it read to the program:
// each a length and a QDataStream body, so that a frame cut short by a crash is
// seen as cut, and a body that does not decode whole is seen as damaged.

#include "legacy/legacydata.h"

#include <QByteArray>
#include <QIODevice>

#include <optional>

namespace legacy {

// Writes every row it receives as a frame; finish() ends the stream.
class FrameWriter final : public LegacySink
{
public:
    explicit FrameWriter(QIODevice &device) : m_device(device) {}

    void beginTable(const QString &table, qint64 declaredRows) override;
    void day(const LegacyDay &day) override;
    void settingsRow(const LegacySettingsRow &row) override;
    void hint(const LegacyHint &hint) override;
    // The last frame: the reading succeeded (no failure) or why it did not.
    void finish(const std::optional<QString> &failure);

    bool failed() const { return m_failed; } // a write to the device failed

private:
    void write(const QByteArray &body);
    QIODevice &m_device;
    bool m_failed = false;
};

// Takes the stream in pieces as they arrive and rebuilds what was read.
class FrameReader
{
public:
    enum class State { Reading, Finished, Failed, Damaged };

    // Adds bytes; returns the state after every whole frame in them was taken.
    State feed(const QByteArray &bytes);
    State state() const { return m_state; }

    // Finished: what was read. Failed: the reader's reason.
    LegacyData &data() { return m_data; }
    const QString &failure() const { return m_failure; }

    // For the progress: the table being read, the rows of it taken and stated.
    const QString &table() const { return m_table; }
    qint64 rowsTaken() const { return m_rowsTaken; }
    qint64 rowsDeclared() const { return m_rowsDeclared; }

private:
    State take(const QByteArray &body);
    QByteArray m_pending;
    State m_state = State::Reading;
    LegacyData m_data;
    QString m_failure;
    QString m_table;
    qint64 m_rowsTaken = 0;
    qint64 m_rowsDeclared = 0;
};

} // namespace legacy
