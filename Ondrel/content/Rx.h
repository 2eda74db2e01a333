#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Regular-expression helpers of the content readers, over ICU's engine. Patterns are ICU
// syntax; matching runs on the UTF-16 text of a QString, so captured ranges are string
// ranges as they stand.
//
// Word boundaries: `\b` and `\B` treat Chinese and Japanese characters (Han, Hiragana,
// Katakana) as non-word characters. Those scripts write no spaces between words, so a
// Latin keyword glued to Chinese text ("发票Invoice No") still stands as a whole word,
// while a Latin word inside a longer Latin word ("PNRX") does not.
//
// A pattern that does not compile matches nothing, silently. Every match operation has a
// step limit; a search that reaches it ends as "no further match" instead of hanging.
//
// All functions are thread-safe. Compiled patterns are immutable and shared.
namespace Rx {

enum Option : unsigned {
    NoOptions = 0,
    CaseInsensitive = 1u << 0,
    AnchorsMatchLines = 1u << 1, // ^ and $ also match at line breaks
};
using Options = unsigned;

class Pattern
{
public:
    Pattern(const QString &source, Options options);
    ~Pattern();
    Pattern(const Pattern &) = delete;
    Pattern &operator=(const Pattern &) = delete;

    bool isValid() const;
    const QString &source() const { return m_source; }
    Options options() const { return m_options; }
    QString errorText() const; // empty when valid

    struct Impl;
    const Impl *impl() const { return m_impl.get(); }

private:
    QString m_source;
    Options m_options;
    std::unique_ptr<Impl> m_impl;
};

// The compiled form of a pattern built at run time (for example from caller-supplied
// anchors), kept in a bounded process-wide cache. Never null; check isValid().
std::shared_ptr<const Pattern> compiled(const QString &source, Options options = NoOptions);

// Capture groups of the first match: index 0 the whole match, then group 1, 2, ...; a
// group that took no part in the match is an empty string. Absent when nothing matches
// or the pattern does not compile.
std::optional<QStringList> groups(const Pattern &pattern, const QString &text);
std::optional<QStringList> groups(const QString &pattern, const QString &text,
                                  Options options = NoOptions);

// The groups of every non-overlapping match in text order, laid out like groups().
QList<QStringList> allMatches(const Pattern &pattern, const QString &text);
QList<QStringList> allMatches(const QString &pattern, const QString &text,
                              Options options = NoOptions);

// The text of one group of every match, in text order; a match in which that group took
// no part (or that has no such group) is skipped.
QStringList allGroups(const Pattern &pattern, const QString &text, int group);
QStringList allGroups(const QString &pattern, const QString &text, int group,
                      Options options = NoOptions);

// Whether the pattern matches anywhere in the text.
bool matches(const Pattern &pattern, const QString &text);
bool matches(const QString &pattern, const QString &text, Options options = NoOptions);

// The text with every match replaced by `replacement` (taken literally).
QString replaceAll(const Pattern &pattern, const QString &text, const QString &replacement);

// Where the first match starts, or -1.
qsizetype indexIn(const Pattern &pattern, const QString &text);

// Walks the matches of one pattern over one text. For callers that steer the search
// themselves; the functions above cover the common cases.
class Matcher
{
public:
    // `stepLimit` 0 uses the normal limit of a match operation. The matcher shares the
    // compiled form of the pattern, so the Pattern itself (one from compiled(), whose
    // cache may drop it at any time) need not outlive the matcher.
    Matcher(const Pattern &pattern, const QString &text, int stepLimit = 0);
    ~Matcher();
    Matcher(const Matcher &) = delete;
    Matcher &operator=(const Matcher &) = delete;

    // The next match after the previous one (the first at the first call).
    bool find();
    // A match that starts exactly at `position`; look-behinds and `\b` see the text before
    // it. A later find() goes on after this match.
    bool matchAt(qsizetype position);

    // Of the current match: its groups laid out like groups(), one group's text (none when
    // it took no part), and where it starts and ends.
    QStringList groups() const;
    std::optional<QString> group(int index) const;
    int groupCount() const;
    qsizetype start() const;
    qsizetype end() const;

    // Whether a search stopped at the step limit or the backtracking stack, and why.
    bool hitLimit() const;
    QString error() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// True when one of the words occurs as a whole word, case-insensitively. The words are
// pattern fragments and are not escaped. An empty list finds nothing.
bool anyWord(const QStringList &words, const QString &text);
// The pattern anyWord() uses for a list of words.
QString wordPattern(const QStringList &words);

// True when one of the needles occurs anywhere in the text as a literal, ignoring case.
// An empty needle is never found.
bool any(const QStringList &needles, const QString &text);

// The pattern text ICU compiles for a source: outside character classes and quotes, `\b`
// and `\B` become the boundary tests described above, and the class escapes `\s`, `\d`,
// `\w`, `\p{…}` (and their negations) are put in brackets. Both mean the same; ICU runs a
// repeated bracketed class as one loop, where a repeated bare escape keeps one backtracking
// frame per character and overflows its stack on long runs of spaces or digits.
QString preparedSource(const QString &source);

// For tests and benchmarks: runs a pattern over a text like allMatches() does and tells
// how it went. `stepLimit` 0 uses the normal limit (units of ICU's step counter).
struct ScanResult
{
    qsizetype matches = 0;
    bool valid = false;     // the pattern compiled
    bool hitLimit = false;  // a search reached the step limit or the backtracking stack
    QString error;          // the engine's error when a search failed
    double seconds = 0;
};
ScanResult scan(const Pattern &pattern, const QString &text, int stepLimit = 0);

} // namespace Rx
