#include "CjkBigramTokenizer.h"

#include "ContentIndexQuery.h"

#include <QtGlobal>

#include <sqlite3.h>

#include <memory>
#include <unordered_set>

namespace {

// Decodes one UTF-8 sequence at `at`; returns its length (1 for a broken byte, which then
// counts as no character of interest).
int decode(const unsigned char *text, int length, int at, char32_t *codePoint)
{
    const unsigned char lead = text[at];
    int count = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                : (lead >> 3) == 0x1E ? 4 : 0;
    if (count == 0 || at + count > length) {
        *codePoint = 0xFFFD;
        return 1;
    }
    char32_t c = count == 1 ? lead : lead & (0x7F >> count);
    for (int i = 1; i < count; ++i) {
        const unsigned char next = text[at + i];
        if ((next & 0xC0) != 0x80) {
            *codePoint = 0xFFFD;
            return 1;
        }
        c = (c << 6) | (next & 0x3F);
    }
    *codePoint = c;
    return count;
}

int create(void *, const char **, int, Fts5Tokenizer **out)
{
    static char instance; // stateless: any non-null handle will do
    *out = reinterpret_cast<Fts5Tokenizer *>(&instance);
    return SQLITE_OK;
}

void destroy(Fts5Tokenizer *) {}

int tokenize(Fts5Tokenizer *, void *context, int, const char *text, int length,
             int (*token)(void *, int, const char *, int, int, int))
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text);
    // Rows are found by which pairs they hold, not where or how often (the table keeps no
    // positions), so each distinct pair is handed over once: far less work for the index.
    std::unordered_set<quint64> seen;
    seen.reserve(size_t(length / 6));
    int previousStart = -1; // start of the previous code point when it was CJK
    char32_t previous = 0;
    for (int at = 0; at < length;) {
        char32_t c = 0;
        const int size = decode(bytes, length, at, &c);
        if (ContentIndexQuery::isCJKCodePoint(c)) {
            if (previousStart >= 0 && seen.insert((quint64(previous) << 32) | c).second) {
                const int rc = token(context, 0, text + previousStart, at + size - previousStart,
                                     previousStart, at + size);
                if (rc != SQLITE_OK)
                    return rc;
            }
            previousStart = at;
            previous = c;
        } else {
            previousStart = -1;
        }
        at += size;
    }
    return SQLITE_OK;
}

// unicode61 underneath, with tokens that start with a CJK code point replaced.
struct Words
{
    fts5_tokenizer inner;
    Fts5Tokenizer *instance = nullptr;
};

struct WordsCall
{
    void *context;
    int (*token)(void *, int, const char *, int, int, int);
};

constexpr char placeholder[] = "\xef\xbf\xbf"; // U+FFFF, never a token of unicode61

int createWords(void *api, const char **, int, Fts5Tokenizer **out)
{
    auto *fts = static_cast<fts5_api *>(api);
    auto words = std::make_unique<Words>();
    void *userData = nullptr;
    int rc = fts->xFindTokenizer(fts, "unicode61", &userData, &words->inner);
    if (rc != SQLITE_OK)
        return rc;
    const char *arguments[] = {"remove_diacritics", "2"};
    rc = words->inner.xCreate(userData, arguments, 2, &words->instance);
    if (rc != SQLITE_OK)
        return rc;
    *out = reinterpret_cast<Fts5Tokenizer *>(words.release());
    return SQLITE_OK;
}

void destroyWords(Fts5Tokenizer *tokenizer)
{
    auto *words = reinterpret_cast<Words *>(tokenizer);
    words->inner.xDelete(words->instance);
    delete words;
}

int forwardWord(void *context, int flags, const char *token, int length, int start, int end)
{
    auto *call = static_cast<WordsCall *>(context);
    char32_t first = 0;
    if (length > 0)
        decode(reinterpret_cast<const unsigned char *>(token), length, 0, &first);
    if (ContentIndexQuery::isCJKCodePoint(first))
        return call->token(call->context, flags, placeholder, 3, start, end);
    return call->token(call->context, flags, token, length, start, end);
}

int tokenizeWords(Fts5Tokenizer *tokenizer, void *context, int flags, const char *text, int length,
                  int (*token)(void *, int, const char *, int, int, int))
{
    auto *words = reinterpret_cast<Words *>(tokenizer);
    if (flags & FTS5_TOKENIZE_QUERY) // a query's tokens are looked up as they are
        return words->inner.xTokenize(words->instance, context, flags, text, length, token);
    WordsCall call{context, token};
    return words->inner.xTokenize(words->instance, &call, flags, text, length, forwardWord);
}

fts5_api *fts5Api(sqlite3 *db)
{
    fts5_api *api = nullptr;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) != SQLITE_OK)
        return nullptr;
    sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(statement);
    sqlite3_finalize(statement);
    return api;
}

} // namespace

namespace CjkBigramTokenizer {

bool registerOn(sqlite3 *db)
{
    fts5_api *api = fts5Api(db);
    if (!api)
        return false;
    static fts5_tokenizer pairs{create, destroy, tokenize};
    static fts5_tokenizer words{createWords, destroyWords, tokenizeWords};
    return api->xCreateTokenizer(api, pairsName, nullptr, &pairs, nullptr) == SQLITE_OK &&
           api->xCreateTokenizer(api, wordsName, api, &words, nullptr) == SQLITE_OK;
}

} // namespace CjkBigramTokenizer
