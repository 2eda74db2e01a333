#include "TextDecoding.h"

#include "TextUtil.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <memory>

namespace TextDecoding {

namespace {

// The length of the well-formed sequence starting at bytes[i], or -(length of the
// maximal ill-formed subpart) when it is ill-formed, or 0 when the bytes end before the
// sequence is complete (and nothing so far is wrong).
qsizetype sequenceAt(const unsigned char *s, qsizetype n, qsizetype i, char32_t *out)
{
    const unsigned char b0 = s[i];
    if (b0 < 0x80) {
        *out = b0;
        return 1;
    }
    qsizetype need;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0)
            lo = 0xA0;
        else if (b0 == 0xED)
            hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0)
            lo = 0x90;
        else if (b0 == 0xF4)
            hi = 0x8F;
    } else {
        return -1;
    }
    for (qsizetype k = 1; k <= need; ++k) {
        if (i + k >= n)
            return 0;
        const unsigned char b = s[i + k];
        const unsigned char low = k == 1 ? lo : 0x80, high = k == 1 ? hi : 0xBF;
        if (b < low || b > high)
            return -k;
        cp = (cp << 6) | (b & 0x3F);
    }
    *out = cp;
    return need + 1;
}

void appendCodePoint(QString &text, char32_t cp)
{
    if (QChar::requiresSurrogates(cp)) {
        text += QChar(QChar::highSurrogate(cp));
        text += QChar(QChar::lowSurrogate(cp));
    } else {
        text += QChar(char16_t(cp));
    }
}

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        char32_t cp;
        const qsizetype length = sequenceAt(s, n, i, &cp);
        if (length <= 0)
            return false;
        i += length;
    }
    return true;
}

QString utf8(QByteArrayView bytes, bool final, qsizetype *consumed)
{
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    QString text;
    text.reserve(n);
    qsizetype i = 0;
    if (n >= 3 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF)
        i = 3;
    while (i < n) {
        char32_t cp = 0;
        const qsizetype length = sequenceAt(s, n, i, &cp);
        if (length > 0) {
            appendCodePoint(text, cp);
            i += length;
        } else if (length < 0) {
            text += QChar(QChar::ReplacementCharacter);
            i += -length;
        } else if (final) {
            text += QChar(QChar::ReplacementCharacter);
            i = n;
        } else {
            break;
        }
    }
    if (consumed)
        *consumed = i;
    return text;
}

std::optional<QString> decode(QByteArrayView bytes, const QString &charset)
{
    const QByteArray name = charset.trimmed().toLatin1();
    if (name.isEmpty())
        return std::nullopt;
    if (ucnv_compareNames(name.constData(), "UTF-8") == 0)
        return utf8(bytes);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter *)> converter(
        ucnv_open(name.constData(), &status), ucnv_close);
    if (U_FAILURE(status) || !converter)
        return std::nullopt;
    if (bytes.isEmpty())
        return QString();
    // At most two UTF-16 units per byte, plus room for the terminator.
    QString text(bytes.size() * 2 + 2, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar *>(text.data()),
                                         static_cast<int32_t>(text.size()), bytes.data(),
                                         static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING)
        return std::nullopt;
    text.truncate(length);
    return text;
}

std::optional<QString> detectChineseCharset(QByteArrayView bytes)
{
    // A confidence the detector gives Chinese text in GBK, and not the stray high bytes of
    // Latin-1 text.
    constexpr int32_t confident = 50;
    if (bytes.isEmpty())
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, void (*)(UCharsetDetector *)> detector(ucsdet_open(&status),
                                                                             ucsdet_close);
    if (U_FAILURE(status) || !detector)
        return std::nullopt;
    const int32_t length = static_cast<int32_t>(std::min<qsizetype>(bytes.size(), 64 * 1024));
    ucsdet_setText(detector.get(), bytes.data(), length, &status);
    const UCharsetMatch *match = ucsdet_detect(detector.get(), &status);
    if (U_FAILURE(status) || !match)
        return std::nullopt;
    const char *name = ucsdet_getName(match, &status);
    const int32_t confidence = ucsdet_getConfidence(match, &status);
    if (U_FAILURE(status) || !name || confidence < confident)
        return std::nullopt;
    if (qstrcmp(name, "GB18030") != 0)
        return std::nullopt;
    return QStringLiteral("GB18030");
}

QString codePageName(int codePage)
{
    switch (codePage) {
    case 10000:
        return QStringLiteral("macintosh");
    case 437:
        return QStringLiteral("ibm-437");
    case 850:
        return QStringLiteral("ibm-850");
    case 932:
        return QStringLiteral("windows-31j");
    case 936:
        return QStringLiteral("GBK");
    case 949:
        return QStringLiteral("windows-949");
    case 950:
        return QStringLiteral("windows-950");
    case 65001:
        return QStringLiteral("UTF-8");
    default:
        return QStringLiteral("windows-%1").arg(codePage);
    }
}

} // namespace TextDecoding

bool BoundedText::full()
{
    if (m_full)
        return true;
    if (m_limit < 0 || m_text.size() <= m_nextCheck)
        return false;
    // Grapheme clusters never outnumber UTF-16 units, so the count is only worth taking
    // once the text is longer than the limit; the next check waits for a quarter more.
    m_full = TextUtil::graphemeCount(m_text) > m_limit;
    m_nextCheck = m_text.size() + m_text.size() / 4 + 1;
    return m_full;
}
