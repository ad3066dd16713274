#include "legacy/readerstream.h"

#include <QDataStream>
#include <QtEndian>

#include <functional>

namespace legacy {

namespace {

enum class Tag : quint8 { Table = 1, Day, Settings, Hint, Finished, Failed };

// No frame of a real file comes near this; a larger length is damage.
constexpr quint32 kFrameLimit = 512u * 1024u * 1024u;
constexpr QDataStream::Version kVersion = QDataStream::Qt_6_0;

template <typename T> void put(QDataStream &out, const std::optional<T> &value)
{
    out << value.has_value();
    if (value) {
        out << *value;
    }
}

template <typename T> void get(QDataStream &in, std::optional<T> &value)
{
    bool present = false;
    in >> present;
    value.reset();
    if (present) {
        T read{};
        in >> read;
        value = read;
    }
}

QByteArray body(Tag tag, const std::function<void(QDataStream &)> &fields)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kVersion);
    out << quint8(tag);
    fields(out);
    return bytes;
}

} // namespace

void FrameWriter::write(const QByteArray &body)
{
    const quint32 length = qToBigEndian(quint32(body.size()));
    QByteArray frame(reinterpret_cast<const char *>(&length), sizeof length);
    frame += body;
    if (m_device.write(frame) != frame.size()) {
        m_failed = true;
    }
}

void FrameWriter::beginTable(const QString &table, qint64 declaredRows)
{
    write(body(Tag::Table, [&](QDataStream &out) { out << table << declaredRows; }));
}

void FrameWriter::day(const LegacyDay &day)
{
    write(body(Tag::Day, [&](QDataStream &out) {
        put(out, day.date);
        for (const auto &amount : day.amounts) {
            put(out, amount);
        }
        put(out, day.text);
        out << qint32(day.row);
    }));
}

void FrameWriter::settingsRow(const LegacySettingsRow &row)
{
    write(body(Tag::Settings, [&](QDataStream &out) {
        put(out, row.era);
        put(out, row.lineColour);
    }));
}

void FrameWriter::hint(const LegacyHint &hint)
{
    write(body(Tag::Hint, [&](QDataStream &out) {
        put(out, hint.formName);
        put(out, hint.ctlName);
        put(out, hint.formTitle);
        put(out, hint.contents);
    }));
}

void FrameWriter::finish(const std::optional<QString> &failure)
{
    if (failure) {
        write(body(Tag::Failed, [&](QDataStream &out) { out << *failure; }));
    } else {
        write(body(Tag::Finished, [](QDataStream &) {}));
    }
}

FrameReader::State FrameReader::feed(const QByteArray &bytes)
{
    m_pending += bytes;
    qsizetype at = 0;
    while (m_state == State::Reading && m_pending.size() - at >= qsizetype(sizeof(quint32))) {
        const quint32 length = qFromBigEndian<quint32>(m_pending.constData() + at);
        if (length == 0 || length > kFrameLimit) {
            m_state = State::Damaged;
            break;
        }
        if (m_pending.size() - at - qsizetype(sizeof(quint32)) < qsizetype(length)) {
            break;
        }
        m_state = take(m_pending.mid(at + sizeof(quint32), length));
        at += sizeof(quint32) + length;
    }
    m_pending.remove(0, at);
    if (m_state != State::Reading && m_state != State::Damaged && !m_pending.isEmpty()) {
        m_state = State::Damaged; // nothing may follow the last frame
    }
    return m_state;
}

FrameReader::State FrameReader::take(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(kVersion);
    quint8 tag = 0;
    in >> tag;
    State next = State::Reading;
    switch (Tag(tag)) {
    case Tag::Table:
        in >> m_table >> m_rowsDeclared;
        m_rowsTaken = 0;
        break;
    case Tag::Day: {
        LegacyDay day;
        get(in, day.date);
        for (auto &amount : day.amounts) {
            get(in, amount);
        }
        get(in, day.text);
        qint32 row = 0;
        in >> row;
        day.row = row;
        m_data.days.append(std::move(day));
        ++m_rowsTaken;
        break;
    }
    case Tag::Settings: {
        LegacySettingsRow row;
        get(in, row.era);
        get(in, row.lineColour);
        m_data.settings.append(std::move(row));
        ++m_rowsTaken;
        break;
    }
    case Tag::Hint: {
        LegacyHint hint;
        get(in, hint.formName);
        get(in, hint.ctlName);
        get(in, hint.formTitle);
        get(in, hint.contents);
        m_data.hints.append(std::move(hint));
        ++m_rowsTaken;
        break;
    }
    case Tag::Finished:
        next = State::Finished;
        break;
    case Tag::Failed:
        in >> m_failure;
        next = State::Failed;
        break;
    default:
        return State::Damaged;
    }
    if (in.status() != QDataStream::Ok || !in.atEnd()) {
        return State::Damaged;
    }
    return next;
}

} // namespace legacy
