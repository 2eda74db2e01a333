// The llama.cpp bridge: one opaque handle holding model, context and vocabulary, and a
// greedy, grammar-constrained completion into a caller-owned buffer.
#include "LlamaBridge.h"
#include "LlamaBridgeInternal.h"

#include <llama.h>

#include <sched.h>
#if defined(_OPENMP)
#include <omp.h>
#endif

#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

struct lb_handle {
    llama_model *model = nullptr;
    llama_context *ctx = nullptr;
    const llama_vocab *vocab = nullptr;
    std::mutex lock;                 // serialises calls on this handle
    std::vector<llama_token> tokens; // prompt tokens, reused across calls
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

struct SamplerChain {
    llama_sampler *chain = nullptr;
    ~SamplerChain()
    {
        if (chain)
            llama_sampler_free(chain);
    }
};

int32_t generateLocked(lb_handle *h, const char *prompt, const char *grammar, int32_t max_tokens,
                       char *out, int32_t out_size)
{
    h->lastSampled = 0;
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

    SamplerChain sampler;
    sampler.chain = llama_sampler_chain_init(llama_sampler_chain_default_params());
    if (!sampler.chain)
        return -1;
    if (grammar && *grammar && !marovel::llamabridge::hasInvertedRepetition(grammar)) {
        if (llama_sampler *g = llama_sampler_init_grammar(h->vocab, grammar, "root"))
            llama_sampler_chain_add(sampler.chain, g);
    }
    llama_sampler_chain_add(sampler.chain, llama_sampler_init_greedy());

    const uint32_t nCtx = llama_n_ctx(h->ctx);
    uint32_t position = uint32_t(count);
    int64_t written = 0;
    char piece[kPieceSize];
    for (int32_t i = 0; i < max_tokens; ++i) {
        llama_token token = llama_sampler_sample(sampler.chain, h->ctx, -1);
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
