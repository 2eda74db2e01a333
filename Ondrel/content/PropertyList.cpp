#include "PropertyList.h"

#include <QDateTime>
#include <QTimeZone>

#include <cstring>

namespace PropertyList {

namespace {

constexpr int maxDepth = 64;
// Objects may be shared, so a small list can describe a huge tree: visits are counted.
constexpr quint64 maxVisits = 1000000;

class Reader
{
public:
    explicit Reader(const QByteArray &bytes) : m_bytes(bytes) {}

    std::optional<QVariant> parse()
    {
        const qsizetype n = m_bytes.size();
        if (n < 8 + 32 || !m_bytes.startsWith("bplist00"))
            return std::nullopt;
        const auto *trailer = reinterpret_cast<const unsigned char *>(m_bytes.constData()) + n - 32;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        const quint64 count = be(trailer + 8, 8);
        const quint64 top = be(trailer + 16, 8);
        const quint64 tableAt = be(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8)
            return std::nullopt;
        if (count == 0 || top >= count || tableAt >= quint64(n - 32) ||
            count > (quint64(n - 32) - tableAt) / m_offsetSize)
            return std::nullopt;
        m_count = count;
        m_tableAt = tableAt;
        return object(top, 0);
    }

private:
    static quint64 be(const unsigned char *p, int size)
    {
        quint64 value = 0;
        for (int i = 0; i < size; ++i)
            value = (value << 8) | p[i];
        return value;
    }

    const unsigned char *at(quint64 offset, quint64 length) const
    {
        const quint64 end = quint64(m_bytes.size()) - 32;
        if (offset > end || length > end - offset)
            return nullptr;
        return reinterpret_cast<const unsigned char *>(m_bytes.constData()) + offset;
    }

    std::optional<quint64> offsetOf(quint64 ref) const
    {
        if (ref >= m_count)
            return std::nullopt;
        const unsigned char *p = at(m_tableAt + ref * m_offsetSize, m_offsetSize);
        if (!p)
            return std::nullopt;
        return be(p, m_offsetSize);
    }

    // The length of a collection or string: the marker's low nibble, or an integer object
    // following it when the nibble is 0xF. `offset` moves past what was read.
    std::optional<quint64> length(quint8 nibble, quint64 &offset) const
    {
        if (nibble != 0xF)
            return nibble;
        const unsigned char *marker = at(offset, 1);
        if (!marker || (marker[0] >> 4) != 0x1)
            return std::nullopt;
        const int size = 1 << (marker[0] & 0x0F);
        if (size > 8)
            return std::nullopt;
        const unsigned char *p = at(offset + 1, size);
        if (!p)
            return std::nullopt;
        offset += 1 + size;
        return be(p, size);
    }

    std::optional<QVariant> object(quint64 ref, int depth)
    {
        if (depth > maxDepth || ++m_visits > maxVisits)
            return std::nullopt;
        const auto start = offsetOf(ref);
        if (!start)
            return std::nullopt;
        quint64 offset = *start;
        const unsigned char *marker = at(offset, 1);
        if (!marker)
            return std::nullopt;
        const quint8 type = marker[0] >> 4, nibble = marker[0] & 0x0F;
        ++offset;
        switch (type) {
        case 0x0:
            if (nibble == 0x8 || nibble == 0x9)
                return QVariant(nibble == 0x9);
            return QVariant();
        case 0x1: {
            const int size = 1 << nibble;
            const unsigned char *p = size <= 8 ? at(offset, size) : nullptr;
            if (!p)
                return std::nullopt;
            return QVariant(qint64(be(p, size)));
        }
        case 0x2: {
            const int size = 1 << nibble;
            const unsigned char *p = (size == 4 || size == 8) ? at(offset, size) : nullptr;
            if (!p)
                return std::nullopt;
            return QVariant(real(p, size));
        }
        case 0x3: {
            const unsigned char *p = at(offset, 8);
            if (!p)
                return std::nullopt;
            const double seconds = real(p, 8);
            const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
            return QVariant(reference.addMSecs(qint64(seconds * 1000)));
        }
        case 0x4: {
            const auto n = length(nibble, offset);
            const unsigned char *p = n ? at(offset, *n) : nullptr;
            if (!p)
                return std::nullopt;
            return QVariant(QByteArray(reinterpret_cast<const char *>(p), qsizetype(*n)));
        }
        case 0x5: {
            const auto n = length(nibble, offset);
            const unsigned char *p = n ? at(offset, *n) : nullptr;
            if (!p)
                return std::nullopt;
            return QVariant(QString::fromLatin1(reinterpret_cast<const char *>(p), qsizetype(*n)));
        }
        case 0x6: {
            const auto n = length(nibble, offset);
            if (!n || *n > quint64(m_bytes.size()))
                return std::nullopt;
            const unsigned char *p = at(offset, *n * 2);
            if (!p)
                return std::nullopt;
            QString text(qsizetype(*n), Qt::Uninitialized);
            for (quint64 i = 0; i < *n; ++i)
                text[qsizetype(i)] = QChar(char16_t((p[2 * i] << 8) | p[2 * i + 1]));
            return QVariant(text);
        }
        case 0x8: {
            const unsigned char *p = at(offset, nibble + 1);
            if (!p)
                return std::nullopt;
            return QVariant(qint64(be(p, nibble + 1)));
        }
        case 0xA: {
            const auto n = length(nibble, offset);
            if (!n)
                return std::nullopt;
            const unsigned char *refs = at(offset, *n * m_refSize);
            if (!refs || *n > m_count)
                return std::nullopt;
            QVariantList list;
            for (quint64 i = 0; i < *n; ++i) {
                auto item = object(be(refs + i * m_refSize, m_refSize), depth + 1);
                if (!item)
                    return std::nullopt;
                list << *item;
            }
            return QVariant(list);
        }
        case 0xD: {
            const auto n = length(nibble, offset);
            if (!n || *n > m_count)
                return std::nullopt;
            const unsigned char *refs = at(offset, *n * 2 * m_refSize);
            if (!refs)
                return std::nullopt;
            QVariantMap map;
            for (quint64 i = 0; i < *n; ++i) {
                auto key = object(be(refs + i * m_refSize, m_refSize), depth + 1);
                auto value = object(be(refs + (*n + i) * m_refSize, m_refSize), depth + 1);
                if (!key || !value || key->typeId() != QMetaType::QString)
                    return std::nullopt;
                map.insert(key->toString(), *value);
            }
            return QVariant(map);
        }
        default:
            return std::nullopt;
        }
    }

    static double real(const unsigned char *p, int size)
    {
        if (size == 4) {
            const quint32 bits = quint32(be(p, 4));
            float value;
            std::memcpy(&value, &bits, 4);
            return value;
        }
        const quint64 bits = be(p, 8);
        double value;
        std::memcpy(&value, &bits, 8);
        return value;
    }

    const QByteArray &m_bytes;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_count = 0;
    quint64 m_tableAt = 0;
    quint64 m_visits = 0;
};

} // namespace

std::optional<QVariant> parseBinary(const QByteArray &bytes)
{
    return Reader(bytes).parse();
}

} // namespace PropertyList
