#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Byte-to-text decoding shared by the content readers.
namespace TextDecoding {

// Whether the bytes are well-formed UTF-8.
bool isValidUtf8(QByteArrayView bytes);

// UTF-8 with repair: each maximal ill-formed subsequence becomes one U+FFFD (the practice
// Unicode recommends), zero bytes stay zero characters, a leading byte-order mark is
// dropped. With `final` false an incomplete sequence at the end is left undecoded and
// `consumed` tells how many bytes were used.
QString utf8(QByteArrayView bytes, bool final = true, qsizetype *consumed = nullptr);

// Decodes with the named character set (any name ICU knows: "GBK", "windows-1252",
// "Shift_JIS", "UTF-16LE", ...). Nothing when the name is unknown.
std::optional<QString> decode(QByteArrayView bytes, const QString &charset);

// The legacy Chinese character set the bytes are written in ("GB18030", which reads GBK
// and GB2312 as well), when ICU's detector names it with confidence; otherwise nothing.
// For plain text that is not UTF-8.
std::optional<QString> detectChineseCharset(QByteArrayView bytes);

// The code page name of a Windows code page number (936 → "windows-936"), for RTF.
QString codePageName(int codePage);

} // namespace TextDecoding

// Text collected up to a limit of user-perceived characters: full() turns true once more
// than `limit` characters are held, so a reader can stop early. A negative limit never
// fills. The grapheme count is taken only at growing checkpoints, not on every append.
class BoundedText
{
public:
    explicit BoundedText(qsizetype limit) : m_limit(limit), m_nextCheck(limit) {}

    void append(const QString &text) { m_text += text; }
    void append(QChar c) { m_text += c; }
    bool full();
    QString &text() { return m_text; }

private:
    QString m_text;
    qsizetype m_limit;
    qsizetype m_nextCheck;
    bool m_full = false;
};
