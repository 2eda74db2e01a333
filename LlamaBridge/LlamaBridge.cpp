// The llama.cpp bridge: one opaque handle holding model, context and vocabulary, and a
// greedy, grammar-constrained completion into a caller-owned buffer.
#include "LlamaBridge.h"
#include "LlamaBridgeInternal.h"

#include <llama.h>

#include <sched.h>
#if defined(_OPENMP)
#include <omp.h>
#endif

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <thread>
#include <vector>

// The vocabulary by first character, for grammar checks: a token whose text begins with
// the character c cannot pass where the one-character token c is rejected, because the
// grammar matches text from its first character on. Built on the first need.
struct FirstCharIndex {
    bool built = false;
    std::vector<llama_token> representatives; // one token per group: its character alone
    std::vector<uint32_t> groupStart;         // group g's tokens: members[start[g], start[g+1])
    std::vector<llama_token> members;
    std::vector<llama_token> alwaysAsked;     // tokens no group speaks for
};

struct lb_handle {
    llama_model *model = nullptr;
    llama_context *ctx = nullptr;
    const llama_vocab *vocab = nullptr;
    std::mutex lock;                 // serialises calls on this handle
    std::vector<llama_token> tokens; // prompt tokens, reused across calls
    std::vector<llama_token_data> candidates; // one per vocabulary token, reused
    FirstCharIndex firstChars;
    marovel::llamabridge::GrammarSteps lastSteps;
    int32_t lastSampled = 0;
};

namespace {

constexpr int32_t kPieceSize = 512;

// llama.cpp and ggml log ~200 INFO lines per model load; keep warnings and errors.
std::atomic<bool> g_lastLogKept{false};

void logFilter(ggml_log_level level, const char *text, void *)
{
    bool keep;
    if (level == GGML_LOG_LEVEL_CONT)
        keep = g_lastLogKept.load(std::memory_order_relaxed);
    else {
        keep = level == GGML_LOG_LEVEL_WARN || level == GGML_LOG_LEVEL_ERROR;
        g_lastLogKept.store(keep, std::memory_order_relaxed);
    }
    if (keep && text)
        std::fputs(text, stderr);
}

std::once_flag g_backend;

void initBackendOnce()
{
    std::call_once(g_backend, [] {
        llama_log_set(logFilter, nullptr);
        llama_backend_init();
    });
}

// Runs fn and turns any exception escaping llama.cpp into the failure value.
template<typename R, typename F>
R guarded(R failure, F &&fn) noexcept
{
    try {
        return fn();
    } catch (...) {
        return failure;
    }
}

std::atomic<marovel::llamabridge::GrammarCheck> g_grammarCheck{
    marovel::llamabridge::GrammarCheck::BestTokenFirst};

struct Sampler {
    llama_sampler *s = nullptr;
    ~Sampler()
    {
        if (s)
            llama_sampler_free(s);
    }
};

// The length of the character a UTF-8 lead byte starts, as the grammar decodes it (it
// reads the count from the high four bits alone); 0 for a byte that starts none.
int utf8Length(uint8_t lead)
{
    static constexpr int lengths[16] = {1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 2, 2, 3, 4};
    return lengths[lead >> 4];
}

// A token's text as the grammar reads it; false when it renders differently with and
// without special-token text (such a token is always asked itself).
bool grammarText(const llama_vocab *vocab, llama_token id, std::string *text)
{
    char special[256], plain[256];
    const int32_t a = llama_token_to_piece(vocab, id, special, sizeof special, 0, true);
    const int32_t b = llama_token_to_piece(vocab, id, plain, sizeof plain, 0, false);
    if (a < 0 || a != b || std::memcmp(special, plain, size_t(a)) != 0)
        return false;
    text->assign(special, size_t(a));
    return true;
}

void buildFirstCharIndex(lb_handle *h)
{
    FirstCharIndex &index = h->firstChars;
    const int32_t nVocab = llama_vocab_n_tokens(h->vocab);
    // Group key: the first character's bytes, packed.
    std::unordered_map<uint32_t, uint32_t> groupOf;
    std::vector<std::vector<llama_token>> groups;
    std::vector<llama_token> representative;
    std::string text;
    for (llama_token id = 0; id < nVocab; ++id) {
        int length = 0;
        if (!llama_vocab_is_eog(h->vocab, id) && grammarText(h->vocab, id, &text)
            && !text.empty()) {
            length = utf8Length(uint8_t(text[0]));
            // The grammar stops decoding at a NUL; such a token is asked itself.
            if (size_t(length) > text.size()
                || std::memchr(text.data(), '\0', size_t(length)) != nullptr)
                length = 0;
        }
        if (length == 0) {
            index.alwaysAsked.push_back(id);
            continue;
        }
        uint32_t key = 0;
        for (int i = 0; i < length; ++i)
            key = (key << 8) | uint8_t(text[size_t(i)]);
        const auto [it, added] = groupOf.emplace(key, uint32_t(groups.size()));
        if (added) {
            groups.emplace_back();
            representative.push_back(-1);
        }
        groups[it->second].push_back(id);
        if (text.size() == size_t(length) && representative[it->second] < 0)
            representative[it->second] = id;
    }
    for (size_t g = 0; g < groups.size(); ++g) {
        if (representative[g] < 0) {
            index.alwaysAsked.insert(index.alwaysAsked.end(), groups[g].begin(), groups[g].end());
            continue;
        }
        index.representatives.push_back(representative[g]);
        index.groupStart.push_back(uint32_t(index.members.size()));
        index.members.insert(index.members.end(), groups[g].begin(), groups[g].end());
    }
    index.groupStart.push_back(uint32_t(index.members.size()));
    index.built = true;
}

// Greedy choice under a grammar. The grammar judges every token on its own, so the
// answer is the most probable token among those it accepts (the lowest id among equals,
// as the greedy sampler scans in id order). The tokens are therefore asked in order of
// probability: the best one alone, then the next few dozen, and only when none of those
// passes is the whole vocabulary (about 150,000 tokens, each decoded and matched against
// the grammar) constrained. Each way gives the token the library's own chain (grammar,
// then greedy) would; in the WholeVocabulary check, that chain decides.
class GreedyUnderGrammar {
public:
    GreedyUnderGrammar(lb_handle *h, llama_sampler *grammar) : m_h(h), m_grammar(grammar)
    {
        if (g_grammarCheck.load(std::memory_order_relaxed)
            == marovel::llamabridge::GrammarCheck::WholeVocabulary) {
            m_chain.s = llama_sampler_chain_init(llama_sampler_chain_default_params());
            if (m_chain.s) {
                if (m_grammar)
                    llama_sampler_chain_add(m_chain.s, m_grammar); // the chain owns it now
                m_grammar = nullptr;
                llama_sampler_chain_add(m_chain.s, llama_sampler_init_greedy());
            }
        } else {
            m_greedy.s = llama_sampler_init_greedy();
        }
    }
    ~GreedyUnderGrammar()
    {
        if (m_grammar)
            llama_sampler_free(m_grammar);
    }
    bool valid() const { return m_greedy.s || m_chain.s; }

    // The next token from the logits of the last decoded position; the grammar, if any,
    // takes it as accepted. Throws where the library throws (a token the grammar cannot
    // accept).
    llama_token next()
    {
        if (m_chain.s)
            return llama_sampler_sample(m_chain.s, m_h->ctx, -1);
        const float *logits = llama_get_logits_ith(m_h->ctx, -1);
        const int32_t nVocab = llama_vocab_n_tokens(m_h->vocab);
        std::vector<llama_token_data> &cur = m_h->candidates;
        cur.resize(size_t(nVocab));
        bool ordered = true; // no NaN, so logits can be ranked
        for (int32_t id = 0; id < nVocab; ++id) {
            cur[size_t(id)] = llama_token_data{id, logits[id], 0.0f};
            ordered = ordered && !std::isnan(logits[id]);
        }
        llama_token_data_array all{cur.data(), cur.size(), -1, false};
        llama_sampler_apply(m_greedy.s, &all);
        llama_token token = all.data[all.selected].id;
        if (!m_grammar)
            return token;
        marovel::llamabridge::GrammarSteps &steps = m_h->lastSteps;
        if (ordered && bestPassing(&all.data[all.selected], 1, &token)) {
            ++steps.bestToken;
        } else if (ordered && bestPassingAmongTop(&token)) {
            ++steps.topTokens;
        } else if (ordered && !m_midCharacter && bestPassingByFirstChar(&token)) {
            ++steps.firstCharacter;
        } else {
            ++steps.wholeVocabulary;
            llama_sampler_apply(m_grammar, &all);
            llama_sampler_apply(m_greedy.s, &all);
            token = all.data[all.selected].id;
        }
        llama_sampler_accept(m_grammar, token);
        followText(token);
        return token;
    }

private:
    static constexpr size_t kTop = 64;

    // Whether the accepted text ends inside a multi-byte character: then the next token's
    // first bytes finish that character and the first-character groups say nothing.
    void followText(llama_token token)
    {
        std::string text;
        if (!grammarText(m_h->vocab, token, &text)) {
            m_midCharacter = true; // unknown: stay on the safe side for good
            m_textKnown = false;
            return;
        }
        if (!m_textKnown)
            return;
        for (const char c : text) {
            if (m_pendingBytes > 0) {
                --m_pendingBytes;
            } else {
                const int length = utf8Length(uint8_t(c));
                if (length == 0) {
                    m_textKnown = false;
                    m_midCharacter = true;
                    return;
                }
                m_pendingBytes = length - 1;
            }
        }
        m_midCharacter = m_pendingBytes > 0;
    }

    // The whole vocabulary's answer, asking only the tokens whose first character the
    // grammar accepts: first one token per first character, then every token of the
    // groups that passed and the tokens no group speaks for.
    bool bestPassingByFirstChar(llama_token *token)
    {
        FirstCharIndex &index = m_h->firstChars;
        if (!index.built)
            buildFirstCharIndex(m_h);
        m_asked.clear();
        for (const llama_token id : index.representatives)
            m_asked.push_back(llama_token_data{id, 0.0f, 0.0f});
        llama_token_data_array asked{m_asked.data(), m_asked.size(), -1, false};
        llama_sampler_apply(m_grammar, &asked);
        const std::vector<llama_token_data> &cur = m_h->candidates;
        m_candidates.clear();
        for (size_t g = 0; g < m_asked.size(); ++g) {
            if (m_asked[g].logit == -std::numeric_limits<float>::infinity())
                continue;
            for (uint32_t i = index.groupStart[g]; i < index.groupStart[g + 1]; ++i)
                m_candidates.push_back(cur[size_t(index.members[i])]);
        }
        for (const llama_token id : index.alwaysAsked)
            m_candidates.push_back(cur[size_t(id)]);
        llama_token_data_array candidates{m_candidates.data(), m_candidates.size(), -1, false};
        llama_sampler_apply(m_grammar, &candidates);
        // The greedy choice over the whole constrained vocabulary: the highest logit, the
        // lowest id among equals; when every accepted logit is minus infinity the library
        // would take token 0, which is left to it.
        const llama_token_data *best = nullptr;
        for (const llama_token_data &d : m_candidates) {
            if (!best || d.logit > best->logit || (d.logit == best->logit && d.id < best->id))
                best = &d;
        }
        if (!best || best->logit == -std::numeric_limits<float>::infinity())
            return false;
        *token = best->id;
        return true;
    }

    // The first of `count` candidates, ranked best first, that the grammar accepts.
    // A rejected token's logit becomes minus infinity; so would a passing one that
    // already was, and such a token is left to the whole-vocabulary way.
    bool bestPassing(const llama_token_data *ranked, size_t count, llama_token *token)
    {
        m_asked.assign(ranked, ranked + count);
        llama_token_data_array asked{m_asked.data(), m_asked.size(), -1, false};
        llama_sampler_apply(m_grammar, &asked);
        for (const llama_token_data &d : m_asked) {
            if (d.logit != -std::numeric_limits<float>::infinity()) {
                *token = d.id;
                return true;
            }
        }
        return false;
    }

    // The same over the kTop most probable tokens (ties by lower id, as the greedy
    // sampler breaks them): any token outside them ranks below every one of them.
    bool bestPassingAmongTop(llama_token *token)
    {
        const std::vector<llama_token_data> &cur = m_h->candidates;
        m_top.resize(std::min(kTop, cur.size()));
        std::partial_sort_copy(cur.begin(), cur.end(), m_top.begin(), m_top.end(),
                               [](const llama_token_data &a, const llama_token_data &b) {
                                   return a.logit > b.logit || (a.logit == b.logit && a.id < b.id);
                               });
        return bestPassing(m_top.data(), m_top.size(), token);
    }

    lb_handle *m_h;
    llama_sampler *m_grammar;
    Sampler m_greedy;
    Sampler m_chain;
    std::vector<llama_token_data> m_top;
    std::vector<llama_token_data> m_asked;
    std::vector<llama_token_data> m_candidates;
    bool m_midCharacter = false;
    bool m_textKnown = true;
    int m_pendingBytes = 0;
};

int32_t generateLocked(lb_handle *h, const char *prompt, const char *grammar, int32_t max_tokens,
                       char *out, int32_t out_size)
{
    h->lastSampled = 0;
    h->lastSteps = {};
    if (!prompt)
        return -1;

    llama_memory_clear(llama_get_memory(h->ctx), true);

    const size_t promptLen = std::strlen(prompt);
    if (promptLen > size_t(std::numeric_limits<int32_t>::max()))
        return -1;
    const int32_t need = llama_tokenize(h->vocab, prompt, int32_t(promptLen), nullptr, 0, true, true);
    // A sizing call reports minus the token count; 0 tokens, or INT32_MIN (the count
    // overflows), is a failure.
    if (need >= 0 || need == std::numeric_limits<int32_t>::min())
        return -1;
    const int32_t count = -need;
    // The library aborts the process when a batch exceeds its batch size.
    if (uint32_t(count) > llama_n_batch(h->ctx))
        return -1;
    h->tokens.resize(size_t(count));
    if (llama_tokenize(h->vocab, prompt, int32_t(promptLen), h->tokens.data(), count, true, true) != count)
        return -1;
    if (llama_decode(h->ctx, llama_batch_get_one(h->tokens.data(), count)) != 0)
        return -1;

    llama_sampler *grammarSampler = nullptr;
    if (grammar && *grammar && !marovel::llamabridge::hasInvertedRepetition(grammar))
        grammarSampler = llama_sampler_init_grammar(h->vocab, grammar, "root");
    GreedyUnderGrammar sampler(h, grammarSampler);
    if (!sampler.valid())
        return -1;

    const uint32_t nCtx = llama_n_ctx(h->ctx);
    uint32_t position = uint32_t(count);
    int64_t written = 0;
    char piece[kPieceSize];
    for (int32_t i = 0; i < max_tokens; ++i) {
        llama_token token = sampler.next();
        ++h->lastSampled;
        if (llama_vocab_is_eog(h->vocab, token))
            break;
        const int32_t n = llama_token_to_piece(h->vocab, token, piece, kPieceSize, 0, false);
        // A negative length is the size a longer buffer would need, not text.
        if (n < 0)
            break;
        if (n > 0) {
            if (written + n >= out_size)
                break;
            std::memcpy(out + written, piece, size_t(n));
            written += n;
        }
        if (i + 1 == max_tokens || position >= nCtx)
            break; // no further token is wanted, or the context is full
        if (llama_decode(h->ctx, llama_batch_get_one(&token, 1)) != 0)
            break;
        ++position;
    }
    out[written] = '\0';
    return int32_t(written);
}

} // namespace

extern "C" {

lb_handle *lb_load(const char *path, int32_t n_ctx, int32_t n_gpu_layers)
{
    if (!path || n_ctx < 1)
        return nullptr;
    return guarded<lb_handle *>(nullptr, [&]() -> lb_handle * {
        initBackendOnce();

        llama_model_params mparams = llama_model_default_params();
        mparams.n_gpu_layers = n_gpu_layers;
        llama_model *model = llama_model_load_from_file(path, mparams);
        if (!model)
            return nullptr;

        llama_context_params cparams = llama_context_default_params();
        cparams.n_ctx = uint32_t(n_ctx);
        cparams.n_batch = uint32_t(n_ctx);
        const int32_t threads = marovel::llamabridge::availableCores();
        cparams.n_threads = threads;
        cparams.n_threads_batch = threads;
        llama_context *ctx = llama_init_from_model(model, cparams);
        if (!ctx) {
            llama_model_free(model);
            return nullptr;
        }

        auto *h = new (std::nothrow) lb_handle;
        if (!h) {
            llama_free(ctx);
            llama_model_free(model);
            return nullptr;
        }
        h->model = model;
        h->ctx = ctx;
        h->vocab = llama_model_get_vocab(model);
        return h;
    });
}

int32_t lb_generate(lb_handle *h, const char *prompt, const char *grammar, int32_t max_tokens,
                    char *out, int32_t out_size)
{
    if (!h || !out || out_size < 1)
        return -1;
    std::lock_guard guard(h->lock);
    if (!h->ctx)
        return -1;
    out[0] = '\0';
#if defined(_OPENMP)
    // llama.cpp computes through OpenMP parallel regions started from this thread. With
    // dynamic teams the runtime leaves out the cores that other work keeps busy (it
    // reads the load average), instead of spinning threads that wait at every barrier
    // for a thread the system has descheduled.
    omp_set_dynamic(1);
#endif
    const int32_t result = guarded<int32_t>(-1, [&] {
        return generateLocked(h, prompt, grammar, max_tokens, out, out_size);
    });
    if (result < 0)
        out[0] = '\0';
    return result;
}

void lb_free(lb_handle *h)
{
    if (!h)
        return;
    if (h->ctx)
        llama_free(h->ctx);
    if (h->model)
        llama_model_free(h->model);
    delete h;
}

} // extern "C"

namespace marovel::llamabridge {

bool hasInvertedRepetition(std::string_view g)
{
    const size_t n = g.size();
    size_t i = 0;
    const auto skipSpace = [&] {
        while (i < n) {
            const char c = g[i];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                ++i;
            } else if (c == '#') {
                while (i < n && g[i] != '\n' && g[i] != '\r')
                    ++i;
            } else {
                break;
            }
        }
    };
    // Reads a decimal number, saturating; false when there is none.
    const auto number = [&](uint64_t &value) {
        if (i >= n || g[i] < '0' || g[i] > '9')
            return false;
        value = 0;
        for (; i < n && g[i] >= '0' && g[i] <= '9'; ++i) {
            const uint64_t digit = uint64_t(g[i] - '0');
            value = value > (std::numeric_limits<uint64_t>::max() - digit) / 10
                        ? std::numeric_limits<uint64_t>::max()
                        : value * 10 + digit;
        }
        return true;
    };
    while (i < n) {
        const char c = g[i];
        if (c == '"' || c == '[') {
            const char close = c == '"' ? '"' : ']';
            for (++i; i < n && g[i] != close; ++i) {
                if (g[i] == '\\')
                    ++i;
            }
            ++i;
        } else if (c == '#') {
            while (i < n && g[i] != '\n' && g[i] != '\r')
                ++i;
        } else if (c == '{') {
            ++i;
            skipSpace();
            uint64_t lo = 0, hi = 0;
            if (!number(lo))
                continue;
            skipSpace();
            if (i >= n || g[i] != ',')
                continue;
            ++i;
            skipSpace();
            if (number(hi) && lo > hi)
                return true;
        } else {
            ++i;
        }
    }
    return false;
}

int32_t availableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0)
            return count;
    }
    const unsigned hw = std::thread::hardware_concurrency();
    return hw > 0 ? int32_t(hw) : 1;
}

void setGrammarCheck(GrammarCheck check)
{
    g_grammarCheck.store(check, std::memory_order_relaxed);
}

GrammarSteps lastGrammarSteps(lb_handle *h)
{
    if (!h)
        return {};
    std::lock_guard guard(h->lock);
    return h->lastSteps;
}

int32_t lastSampledTokens(lb_handle *h)
{
    if (!h)
        return 0;
    std::lock_guard guard(h->lock);
    return h->lastSampled;
}

int32_t contextThreads(lb_handle *h)
{
    return h && h->ctx ? llama_n_threads(h->ctx) : 0;
}

int32_t contextBatchThreads(lb_handle *h)
{
    return h && h->ctx ? llama_n_threads_batch(h->ctx) : 0;
}

uint32_t contextSize(lb_handle *h)
{
    return h && h->ctx ? llama_n_ctx(h->ctx) : 0;
}

uint32_t batchSize(lb_handle *h)
{
    return h && h->ctx ? llama_n_batch(h->ctx) : 0;
}

} // namespace marovel::llamabridge
