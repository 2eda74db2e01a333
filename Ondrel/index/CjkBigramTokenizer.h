#pragma once

struct sqlite3;

// The content index's two full-text tokenizers, registered per connection.
//
// "marovel_cjk" turns every distinct pair of adjacent CJK code points of a text into one
// token and ignores everything else. A text that contains a CJK string holds all of that
// string's pairs, so a search for the pairs finds every row that can contain it (and a
// few more, which the caller's exact test removes). Chinese has no spaces, so the word
// tokenizer keeps whole phrases as single tokens and cannot find a word inside them.
//
// "marovel_words" is unicode61 with diacritics removed at level 2, except that a token
// starting with a CJK character is stored as one fixed placeholder. Such a token can only
// be reached by a query holding CJK, and those never go to the word table; keeping its
// position keeps ranks and snippets exactly those of unicode61, while the index is spared
// a dictionary of every Chinese phrase.
namespace CjkBigramTokenizer {

inline constexpr const char *pairsName = "marovel_cjk";
inline constexpr const char *wordsName = "marovel_words";

// Registers both tokenizers on the connection; false when the library has no FTS5.
bool registerOn(sqlite3 *db);

} // namespace CjkBigramTokenizer
