#include "CjkBigramTokenizer.h"

#include "ContentIndexQuery.h"

#include <sqlite3.h>

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
    int previousStart = -1; // start of the previous code point when it was CJK
    for (int at = 0; at < length;) {
        char32_t c = 0;
        const int size = decode(bytes, length, at, &c);
        if (ContentIndexQuery::isCJKCodePoint(c)) {
            if (previousStart >= 0) {
                const int rc = token(context, 0, text + previousStart, at + size - previousStart,
                                     previousStart, at + size);
                if (rc != SQLITE_OK)
                    return rc;
            }
            previousStart = at;
        } else {
            previousStart = -1;
        }
        at += size;
    }
    return SQLITE_OK;
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
    static fts5_tokenizer methods{create, destroy, tokenize};
    return api->xCreateTokenizer(api, name, nullptr, &methods, nullptr) == SQLITE_OK;
}

} // namespace CjkBigramTokenizer
