#include "StringsTable.h"

#include <QFile>
#include <QStringDecoder>

namespace {

class Parser
{
public:
    explicit Parser(const QString &text) : m_text(text) {}

    std::optional<QHash<QString, QString>> table()
    {
        QHash<QString, QString> result;
        skipSpace();
        // An old-style dictionary may also be wrapped in braces.
        const bool braced = peek() == u'{';
        if (braced) {
            ++m_pos;
            skipSpace();
        }
        while (m_ok && !atEnd() && !(braced && peek() == u'}')) {
            const auto key = word();
            skipSpace();
            if (!key || peek() != u'=')
                return std::nullopt;
            ++m_pos;
            skipSpace();
            const auto value = word();
            skipSpace();
            if (!value || peek() != u';')
                return std::nullopt;
            ++m_pos;
            skipSpace();
            result.insert(*key, *value);
        }
        if (braced) {
            if (peek() != u'}')
                return std::nullopt;
            ++m_pos;
            skipSpace();
        }
        if (!m_ok || !atEnd())
            return std::nullopt;
        return result;
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text[m_pos]; }

    void skipSpace()
    {
        while (!atEnd()) {
            const QChar c = peek();
            if (c.isSpace()) {
                ++m_pos;
            } else if (c == u'/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'*') {
                const qsizetype end = m_text.indexOf(u"*/", m_pos + 2);
                if (end < 0) {
                    m_ok = false;
                    m_pos = m_text.size();
                    return;
                }
                m_pos = end + 2;
            } else if (c == u'/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'/') {
                const qsizetype end = m_text.indexOf(u'\n', m_pos);
                m_pos = end < 0 ? m_text.size() : end + 1;
            } else {
                return;
            }
        }
    }

    std::optional<QString> word()
    {
        if (peek() == u'"')
            return quoted();
        QString out;
        while (!atEnd()) {
            const QChar c = peek();
            if (!(c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'-' || c == u'/'
                  || c == u':' || c == u'$'))
                break;
            out += c;
            ++m_pos;
        }
        if (out.isEmpty())
            return std::nullopt;
        return out;
    }

    std::optional<QString> quoted()
    {
        ++m_pos; // opening quote
        QString out;
        while (!atEnd()) {
            const QChar c = m_text[m_pos++];
            if (c == u'"')
                return out;
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (atEnd())
                return std::nullopt;
            const QChar e = m_text[m_pos++];
            switch (e.unicode()) {
            case 'n': out += u'\n'; break;
            case 't': out += u'\t'; break;
            case 'r': out += u'\r'; break;
            case 'a': out += QChar(7); break;
            case 'b': out += QChar(8); break;
            case 'f': out += QChar(12); break;
            case 'v': out += QChar(11); break;
            case 'u':
            case 'U': {
                if (m_pos + 4 > m_text.size())
                    return std::nullopt;
                bool ok = false;
                const uint code = m_text.mid(m_pos, 4).toUInt(&ok, 16);
                if (!ok)
                    return std::nullopt;
                out += QChar(char16_t(code));
                m_pos += 4;
                break;
            }
            default:
                out += e; // \" \\ \' and any other escaped character stand for themselves
            }
        }
        return std::nullopt;
    }

    const QString &m_text;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

} // namespace

namespace StringsTable {

std::optional<QHash<QString, QString>> parse(const QString &text)
{
    return Parser(text).table();
}

std::optional<QHash<QString, QString>> load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    auto encoding = QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8);
    QStringDecoder decode(encoding, QStringConverter::Flag::Stateless);
    QString text = decode(bytes);
    if (decode.hasError())
        return std::nullopt;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return parse(text);
}

} // namespace StringsTable
