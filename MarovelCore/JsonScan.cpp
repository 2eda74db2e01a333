#include "JsonScan.h"

#include <string>

namespace {

// Deeper nesting than this is refused; Qt's own parser stops far earlier.
constexpr int maxDepth = 1000;

enum class Status { Ok, End, Bad };

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isHex(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned hexValue(char c)
{
    return isDigit(c) ? unsigned(c - '0') : unsigned((c | 0x20) - 'a' + 10);
}

class Scanner
{
public:
    explicit Scanner(const QByteArray &text) : m_text(text) {}

    // One whole value at the top, white space around it.
    Status document()
    {
        skipSpace();
        const Status status = value(0);
        if (status != Status::Ok)
            return status;
        skipSpace();
        return atEnd() ? Status::Ok : Status::Bad;
    }

    // Watches the members of the top-level object for `key`.
    void watch(QLatin1StringView key) { m_key = key; }
    std::optional<JsonScan::Span> found() const { return m_found; }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return m_text.at(m_pos); }

    void skipSpace()
    {
        while (!atEnd() && isSpace(peek()))
            ++m_pos;
    }

    Status value(int depth)
    {
        if (atEnd())
            return Status::End;
        switch (peek()) {
        case '{': return object(depth + 1);
        case '[': return array(depth + 1);
        case '"': return string(nullptr);
        case 't': return literal("true");
        case 'f': return literal("false");
        case 'n': return literal("null");
        default: return number();
        }
    }

    Status literal(const char *word)
    {
        for (const char *c = word; *c; ++c, ++m_pos) {
            if (atEnd())
                return Status::End;
            if (peek() != *c)
                return Status::Bad;
        }
        return Status::Ok;
    }

    Status digits()
    {
        if (atEnd())
            return Status::End;
        if (!isDigit(peek()))
            return Status::Bad;
        while (!atEnd() && isDigit(peek()))
            ++m_pos;
        return Status::Ok;
    }

    Status number()
    {
        if (peek() == '-' && ++m_pos >= m_text.size())
            return Status::End;
        if (!isDigit(peek()))
            return Status::Bad;
        if (peek() == '0')
            ++m_pos;
        else if (const Status s = digits(); s != Status::Ok)
            return s;
        if (!atEnd() && peek() == '.') {
            ++m_pos;
            if (const Status s = digits(); s != Status::Ok)
                return s;
        }
        if (!atEnd() && (peek() == 'e' || peek() == 'E')) {
            ++m_pos;
            if (!atEnd() && (peek() == '+' || peek() == '-'))
                ++m_pos;
            if (const Status s = digits(); s != Status::Ok)
                return s;
        }
        return Status::Ok;
    }

    // A string; `decoded` receives its ASCII content (other characters as 0xFF), enough to
    // compare a key with an ASCII name.
    Status string(QByteArray *decoded)
    {
        ++m_pos; // the opening quote
        for (;;) {
            if (atEnd())
                return Status::End;
            const char c = m_text.at(m_pos++);
            if (c == '"')
                return Status::Ok;
            if (static_cast<unsigned char>(c) < 0x20)
                return Status::Bad;
            if (c != '\\') {
                if (decoded)
                    *decoded += static_cast<unsigned char>(c) < 0x80 ? c : '\xff';
                continue;
            }
            if (atEnd())
                return Status::End;
            const char e = m_text.at(m_pos++);
            static constexpr char simple[] = "\"\\/bfnrt";
            static constexpr char meaning[] = "\"\\/\b\f\n\r\t";
            if (const char *at = std::char_traits<char>::find(simple, 8, e)) {
                if (decoded)
                    *decoded += meaning[at - simple];
                continue;
            }
            if (e != 'u')
                return Status::Bad;
            unsigned code = 0;
            for (int i = 0; i < 4; ++i, ++m_pos) {
                if (atEnd())
                    return Status::End;
                if (!isHex(peek()))
                    return Status::Bad;
                code = code * 16 + hexValue(peek());
            }
            if (decoded)
                *decoded += code < 0x80 ? char(code) : '\xff';
        }
    }

    Status array(int depth)
    {
        if (depth > maxDepth)
            return Status::Bad;
        ++m_pos;
        skipSpace();
        if (atEnd())
            return Status::End;
        if (peek() == ']') {
            ++m_pos;
            return Status::Ok;
        }
        for (;;) {
            if (const Status s = value(depth); s != Status::Ok)
                return s;
            skipSpace();
            if (atEnd())
                return Status::End;
            const char c = m_text.at(m_pos++);
            if (c == ']')
                return Status::Ok;
            if (c != ',')
                return Status::Bad;
            skipSpace();
        }
    }

    Status object(int depth)
    {
        if (depth > maxDepth)
            return Status::Bad;
        ++m_pos;
        skipSpace();
        if (atEnd())
            return Status::End;
        if (peek() == '}') {
            ++m_pos;
            return Status::Ok;
        }
        for (;;) {
            if (atEnd())
                return Status::End;
            if (peek() != '"')
                return Status::Bad;
            QByteArray key;
            const bool watched = depth == 1 && !m_key.isEmpty();
            if (const Status s = string(watched ? &key : nullptr); s != Status::Ok)
                return s;
            skipSpace();
            if (atEnd())
                return Status::End;
            if (m_text.at(m_pos++) != ':')
                return Status::Bad;
            skipSpace();
            const qsizetype start = m_pos;
            if (const Status s = value(depth); s != Status::Ok)
                return s;
            if (watched && key == QByteArrayView(m_key.data(), m_key.size()))
                m_found = JsonScan::Span{start, m_pos - start};
            skipSpace();
            if (atEnd())
                return Status::End;
            const char c = m_text.at(m_pos++);
            if (c == '}')
                return Status::Ok;
            if (c != ',')
                return Status::Bad;
            skipSpace();
        }
    }

    const QByteArray &m_text;
    qsizetype m_pos = 0;
    QLatin1StringView m_key;
    std::optional<JsonScan::Span> m_found;
};

} // namespace

namespace JsonScan {

Shape shape(const QByteArray &text)
{
    switch (Scanner(text).document()) {
    case Status::Ok: return Shape::Complete;
    case Status::End: return Shape::Truncated;
    case Status::Bad: return Shape::Invalid;
    }
    return Shape::Invalid;
}

std::optional<Span> memberSpan(const QByteArray &text, QLatin1StringView key)
{
    qsizetype first = 0;
    while (first < text.size() && isSpace(text.at(first)))
        ++first;
    if (first == text.size() || text.at(first) != '{')
        return std::nullopt;
    Scanner scanner(text);
    scanner.watch(key);
    if (scanner.document() != Status::Ok)
        return std::nullopt;
    return scanner.found();
}

std::optional<QByteArray> memberText(const QByteArray &text, QLatin1StringView key)
{
    const auto span = memberSpan(text, key);
    if (!span)
        return std::nullopt;
    return withoutSpace(text.mid(span->start, span->length));
}

QByteArray withoutSpace(const QByteArray &value)
{
    QByteArray compact;
    compact.reserve(value.size());
    bool inString = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value.at(i);
        if (inString) {
            compact += c;
            if (c == '\\' && i + 1 < value.size())
                compact += value.at(++i); // the escaped character, a quote included
            else if (c == '"')
                inString = false;
        } else if (!isSpace(c)) {
            compact += c;
            inString = c == '"';
        }
    }
    return compact;
}

} // namespace JsonScan
