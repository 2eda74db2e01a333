#pragma once

struct sqlite3;

// A full-text tokenizer that turns every pair of adjacent CJK code points into one token
// and ignores everything else. A text that contains a CJK string holds all of that
// string's pairs, so a search for the pairs finds every row that can contain it (and a
// few more, which the caller's exact test removes). Chinese has no spaces, so the
// word tokenizer keeps whole phrases as single tokens and cannot find a word inside them.
namespace CjkBigramTokenizer {

inline constexpr const char *name = "marovel_cjk";

// Registers the tokenizer on the connection; false when the library has no FTS5.
bool registerOn(sqlite3 *db);

} // namespace CjkBigramTokenizer
