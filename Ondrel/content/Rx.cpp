#include "Rx.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace Rx {

namespace {

// A word character for `\b`: ICU's \w without the scripts that write words unspaced.
constexpr char16_t wordClass[] = uR"([\w--[\p{Han}\p{Hiragana}\p{Katakana}]])";

const QString &boundaryTest()
{
    static const QString w = QString::fromUtf16(wordClass);
    static const QString text = QStringLiteral("(?:(?<=%1)(?!%1)|(?<!%1)(?=%1))").arg(w);
    return text;
}

const QString &nonBoundaryTest()
{
    static const QString w = QString::fromUtf16(wordClass);
    static const QString text = QStringLiteral("(?:(?<=%1)(?=%1)|(?<!%1)(?!%1))").arg(w);
    return text;
}

// One match operation may take this many units of ICU's step counter (about 0.3 ms each
// here): some seconds, several times what the slowest pattern needs for one pass over
// 200,000 characters of hostile text, and a bound on a pattern that backtracks without end.
constexpr int32_t defaultStepLimit = 20000;

// An ICU string that reads the QString's UTF-16 buffer in place; `text` must outlive it.
icu::UnicodeString alias(const QString &text)
{
    return icu::UnicodeString(false, reinterpret_cast<const UChar *>(text.constData()),
                              static_cast<int32_t>(text.size()));
}

} // namespace

struct Pattern::Impl
{
    // Shared with the matchers made from it: a matcher keeps the compiled pattern alive
    // even when the Pattern goes first (the cache of compiled() may drop it meanwhile on
    // another thread).
    std::shared_ptr<icu::RegexPattern> pattern;
    QString error;
};

Pattern::Pattern(const QString &source, Options options)
    : m_source(source), m_options(options), m_impl(std::make_unique<Impl>())
{
    uint32_t flags = 0;
    if (options & CaseInsensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    if (options & AnchorsMatchLines)
        flags |= UREGEX_MULTILINE;
    const QString expanded = preparedSource(source);
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    std::unique_ptr<icu::RegexPattern> compiledPattern(
        icu::RegexPattern::compile(
            icu::UnicodeString(reinterpret_cast<const UChar *>(expanded.constData()),
                               static_cast<int32_t>(expanded.size())),
            flags, parseError, status));
    if (U_FAILURE(status) || !compiledPattern) {
        m_impl->error = QStringLiteral("%1 at offset %2")
                            .arg(QString::fromLatin1(u_errorName(status)))
                            .arg(parseError.offset);
        return;
    }
    m_impl->pattern = std::move(compiledPattern);
}

Pattern::~Pattern() = default;

bool Pattern::isValid() const
{
    return m_impl->pattern != nullptr;
}

QString Pattern::errorText() const
{
    return m_impl->error;
}

struct Matcher::Impl
{
    QString text; // shares the caller's buffer and keeps it alive for the alias below
    icu::UnicodeString input;
    std::shared_ptr<const icu::RegexPattern> pattern; // outlives `matcher`
    std::unique_ptr<icu::RegexMatcher> matcher;
    bool matched = false;
    bool done = false;
    QString error;

    bool fail(UErrorCode status)
    {
        error = QString::fromLatin1(u_errorName(status));
        matched = false;
        done = true;
        return false;
    }
};

Matcher::Matcher(const Pattern &pattern, const QString &text, int stepLimit)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->text = text;
    m_impl->input = alias(m_impl->text);
    const auto *compiledPattern = pattern.impl();
    if (!compiledPattern || !compiledPattern->pattern)
        return;
    m_impl->pattern = compiledPattern->pattern;
    UErrorCode status = U_ZERO_ERROR;
    m_impl->matcher.reset(compiledPattern->pattern->matcher(m_impl->input, status));
    if (U_FAILURE(status)) {
        m_impl->matcher.reset();
        return;
    }
    m_impl->matcher->setTimeLimit(stepLimit > 0 ? stepLimit : defaultStepLimit, status);
}

Matcher::~Matcher() = default;

bool Matcher::find()
{
    if (!m_impl->matcher || m_impl->done)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    m_impl->matched = m_impl->matcher->find(status);
    if (U_FAILURE(status))
        return m_impl->fail(status);
    if (!m_impl->matched)
        m_impl->done = true;
    return m_impl->matched;
}

bool Matcher::matchAt(qsizetype position)
{
    if (!m_impl->matcher || position < 0 || position > m_impl->text.size())
        return false;
    UErrorCode status = U_ZERO_ERROR;
    m_impl->done = false;
    m_impl->matched = m_impl->matcher->lookingAt(position, status);
    if (U_FAILURE(status))
        return m_impl->fail(status);
    return m_impl->matched;
}

int Matcher::groupCount() const
{
    return m_impl->matcher ? m_impl->matcher->groupCount() : 0;
}

std::optional<QString> Matcher::group(int index) const
{
    if (!m_impl->matched || index < 0 || index > groupCount())
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const int64_t start = m_impl->matcher->start64(index, status);
    const int64_t end = m_impl->matcher->end64(index, status);
    if (U_FAILURE(status) || start < 0 || end < start || end > m_impl->text.size())
        return std::nullopt;
    return m_impl->text.mid(start, end - start);
}

QStringList Matcher::groups() const
{
    QStringList list;
    const int count = groupCount();
    list.reserve(count + 1);
    for (int i = 0; i <= count; ++i)
        list << group(i).value_or(QString());
    return list;
}

qsizetype Matcher::start() const
{
    if (!m_impl->matched)
        return -1;
    UErrorCode status = U_ZERO_ERROR;
    const int64_t value = m_impl->matcher->start64(status);
    return U_FAILURE(status) ? -1 : static_cast<qsizetype>(value);
}

qsizetype Matcher::end() const
{
    if (!m_impl->matched)
        return -1;
    UErrorCode status = U_ZERO_ERROR;
    const int64_t value = m_impl->matcher->end64(status);
    return U_FAILURE(status) ? -1 : static_cast<qsizetype>(value);
}

bool Matcher::hitLimit() const
{
    return !m_impl->error.isEmpty();
}

QString Matcher::error() const
{
    return m_impl->error;
}

namespace {

struct CacheKey
{
    QString source;
    Options options;
    bool operator==(const CacheKey &other) const = default;
};

size_t qHash(const CacheKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.source, key.options);
}

} // namespace

std::shared_ptr<const Pattern> compiled(const QString &source, Options options)
{
    static QMutex lock;
    static QHash<CacheKey, std::shared_ptr<const Pattern>> cache;
    constexpr qsizetype capacity = 1024;
    const CacheKey key{source, options};
    {
        QMutexLocker locker(&lock);
        if (auto it = cache.constFind(key); it != cache.constEnd())
            return *it;
    }
    auto pattern = std::make_shared<const Pattern>(source, options);
    QMutexLocker locker(&lock);
    // Another thread may have compiled the same source meanwhile: everyone shares its
    // copy, so a pattern in use is never replaced in the cache under its users.
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    if (cache.size() >= capacity)
        cache.clear();
    cache.insert(key, pattern);
    return pattern;
}

std::optional<QStringList> groups(const Pattern &pattern, const QString &text)
{
    Matcher m(pattern, text);
    if (!m.find())
        return std::nullopt;
    return m.groups();
}

std::optional<QStringList> groups(const QString &pattern, const QString &text, Options options)
{
    return groups(*compiled(pattern, options), text);
}

QList<QStringList> allMatches(const Pattern &pattern, const QString &text)
{
    QList<QStringList> list;
    Matcher m(pattern, text);
    while (m.find())
        list << m.groups();
    return list;
}

QList<QStringList> allMatches(const QString &pattern, const QString &text, Options options)
{
    return allMatches(*compiled(pattern, options), text);
}

QStringList allGroups(const Pattern &pattern, const QString &text, int group)
{
    QStringList list;
    if (group < 0)
        return list;
    Matcher m(pattern, text);
    while (m.find()) {
        if (group > m.groupCount())
            continue;
        if (auto value = m.group(group))
            list << *value;
    }
    return list;
}

QStringList allGroups(const QString &pattern, const QString &text, int group, Options options)
{
    return allGroups(*compiled(pattern, options), text, group);
}

bool matches(const Pattern &pattern, const QString &text)
{
    Matcher m(pattern, text);
    return m.find();
}

bool matches(const QString &pattern, const QString &text, Options options)
{
    return matches(*compiled(pattern, options), text);
}

qsizetype indexIn(const Pattern &pattern, const QString &text)
{
    Matcher m(pattern, text);
    return m.find() ? m.start() : -1;
}

QString replaceAll(const Pattern &pattern, const QString &text, const QString &replacement)
{
    Matcher m(pattern, text);
    QString out;
    qsizetype copied = 0;
    while (m.find()) {
        const qsizetype start = m.start();
        const qsizetype end = m.end();
        if (start < copied || end < start)
            break;
        out += QStringView(text).mid(copied, start - copied);
        out += replacement;
        copied = end;
    }
    if (copied == 0)
        return text;
    out += QStringView(text).mid(copied);
    return out;
}

QString wordPattern(const QStringList &words)
{
    return QStringLiteral(R"(\b(?:%1)\b)").arg(words.join(u'|'));
}

bool anyWord(const QStringList &words, const QString &text)
{
    // An empty alternation would match at every word boundary.
    if (words.isEmpty())
        return false;
    return groups(wordPattern(words), text, CaseInsensitive).has_value();
}

bool any(const QStringList &needles, const QString &text)
{
    for (const QString &needle : needles) {
        if (!needle.isEmpty() && text.contains(needle, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString preparedSource(const QString &source)
{
    QString out;
    out.reserve(source.size() + 64);
    int setDepth = 0;
    bool quoted = false;
    const qsizetype n = source.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = source[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < n && source[i + 1] == u'E') {
                quoted = false;
                out += QStringLiteral("\\E");
                ++i;
            } else {
                out += c;
            }
            continue;
        }
        if (c == u'\\' && i + 1 < n) {
            const QChar d = source[i + 1];
            ++i;
            if (d == u'Q') {
                quoted = true;
                out += QStringLiteral("\\Q");
            } else if (setDepth > 0) {
                out += c;
                out += d;
            } else if (d == u'b') {
                out += boundaryTest();
            } else if (d == u'B') {
                out += nonBoundaryTest();
            } else if (QStringView(u"sSdDwW").contains(d)) {
                out += u'[';
                out += c;
                out += d;
                out += u']';
            } else if ((d == u'p' || d == u'P') && i + 1 < n && source[i + 1] == u'{'
                       && source.indexOf(u'}', i + 1) > 0) {
                const qsizetype close = source.indexOf(u'}', i + 1);
                out += u'[';
                out += c;
                out += QStringView(source).mid(i, close - i + 1);
                out += u']';
                i = close;
            } else {
                out += c;
                out += d;
            }
            continue;
        }
        if (c == u'[')
            ++setDepth;
        else if (c == u']' && setDepth > 0)
            --setDepth;
        out += c;
    }
    return out;
}

ScanResult scan(const Pattern &pattern, const QString &text, int stepLimit)
{
    ScanResult result;
    result.valid = pattern.isValid();
    QElapsedTimer timer;
    timer.start();
    Matcher m(pattern, text, stepLimit);
    while (m.find())
        ++result.matches;
    result.hitLimit = m.hitLimit();
    result.error = m.error();
    result.seconds = timer.nsecsElapsed() / 1e9;
    return result;
}

} // namespace Rx
