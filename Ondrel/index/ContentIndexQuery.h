#pragma once

#include <QString>
#include <QStringList>

// Turns what the user typed into what the index database needs. Pure functions; every
// count and offset is in user-perceived characters (grapheme clusters).
//
// A character is CJK when any of its code points lies in U+2E80–U+9FFF or U+F900–U+FAFF:
// radicals, CJK punctuation ("、", "。"), kana, bopomofo and the ideographs; not Hangul and
// not the fullwidth forms ("，").
namespace ContentIndexQuery {

// The FTS5 MATCH expression: the query split at white space, ",", "，" and "、"; each piece
// keeps only letters, numbers, CJK, "_" and "-", is quoted, and gets a prefix star when it
// holds no CJK; pieces joined with " AND ". "" when nothing is left.
QString ftsExpression(const QString &query);

bool containsCJK(const QString &text);
// Whether a code point lies in the CJK ranges above.
bool isCJKCodePoint(char32_t codePoint);

// The query, then each window of two adjacent CJK characters, without repeats.
QStringList cjkFallbackTerms(const QString &query);

// The excerpt shown under a substring hit: up to 90 characters before the first hit of a
// query word (case ignored) and 130 after it, with "…" where the text was cut; the first
// 220 characters when no word occurs.
QString snippet(const QString &text, const QString &query);

} // namespace ContentIndexQuery
