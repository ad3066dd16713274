#pragma once
// How Jet 4 stores a text: UTF-16LE, or, after the marker 0xFF 0xFE, in its
// "Unicode compression": runs of one-byte characters (the byte is the code
// point) and runs of UTF-16LE units, a zero byte switching from one to the
// other, the first run one-byte. Private to the reader; its tests use it too.

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace legacy {

// The text the stored bytes hold, every unit as stored, pairs of surrogates
// kept. Nothing when they hold no text: a run of units ending in half a unit,
// a surrogate without its partner.
inline std::optional<QString> decodeJetText(QByteArrayView stored)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(stored.data());
    const qsizetype size = stored.size();
    const bool compressed = size >= 2 && bytes[0] == 0xff && bytes[1] == 0xfe;
    if (!compressed && size % 2 != 0) {
        return std::nullopt;
    }
    QString text(compressed ? size - 2 : size / 2, Qt::Uninitialized);
    QChar *out = text.data();
    qsizetype length = 0;
    bool oneByte = true;
    for (qsizetype at = compressed ? 2 : 0; at < size;) {
        if (compressed && bytes[at] == 0) {
            // Read on a unit's boundary, as libmdb does: a unit of a two-byte run
            // never starts with a zero byte.
            oneByte = !oneByte;
            ++at;
        } else if (compressed && oneByte) {
            out[length++] = QChar(char16_t(bytes[at]));
            ++at;
        } else if (at + 1 < size) {
            out[length++] = QChar(char16_t(bytes[at] | (bytes[at + 1] << 8)));
            at += 2;
        } else {
            return std::nullopt;
        }
    }
    text.truncate(length);

    for (qsizetype i = 0; i < length; ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < length && text.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (text.at(i).isSurrogate()) {
            return std::nullopt;
        }
    }
    return text;
}

} // namespace legacy
