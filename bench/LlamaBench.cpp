// Time per generated token of the llama.cpp bridge on a model, with the naming engine's
// describe grammar and without a grammar, in the same run. The prompt's own decoding is
// measured separately and left out of the per-token figure.
//
//   marovel_llama_bench MODEL [--iterations=N] [google-benchmark flags]
#include "LlamaBridge.h"
#include "LlamaBridgeInternal.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <map>
#include <string>

namespace {

const char *const kDescribeGrammar = R"(root ::= "{\"v\":\"" name "\"}"
name ::= char{2,24}
char ::= [^"\\{}:<>\n\r\t])";

const char *const kPrompt =
    "<|im_start|>system\nYou describe documents in a few words. Answer with JSON.<|im_end|>\n"
    "<|im_start|>user\nInvoice 2024-113 from Northwind Traders, total 240.00 EUR.<|im_end|>\n"
    "<|im_start|>assistant\n";

constexpr int32_t kMaxTokens = 64;

lb_handle *g_handle = nullptr;

double seconds(const char *grammar, int32_t maxTokens, int32_t *sampled)
{
    static char out[2048];
    const auto start = std::chrono::steady_clock::now();
    const int32_t n = lb_generate(g_handle, kPrompt, grammar, maxTokens, out, sizeof out);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (n < 0)
        return -1;
    if (sampled)
        *sampled = marovel::llamabridge::lastSampledTokens(g_handle);
    return elapsed.count();
}

// One iteration stands for one generated token: the time of a whole answer less the
// time of the prompt alone, divided by the tokens sampled.
void perToken(benchmark::State &state, const char *grammar)
{
    int64_t tokens = 0;
    for (auto _ : state) {
        const double prompt = seconds(grammar, 0, nullptr);
        int32_t sampled = 0;
        const double whole = seconds(grammar, kMaxTokens, &sampled);
        if (prompt < 0 || whole < 0 || sampled < 1) {
            state.SkipWithError("generation failed");
            break;
        }
        tokens += sampled;
        state.SetIterationTime((whole - prompt) / sampled);
    }
    state.counters["tokens/answer"] = benchmark::Counter(double(tokens) / double(state.iterations()));
}

void BM_TokenWithGrammar(benchmark::State &state) { perToken(state, kDescribeGrammar); }
// The grammar applied to the whole vocabulary at every step, as the library's chain does:
// the way the bridge worked before it asked the best token first.
void BM_TokenWithGrammarWholeVocabulary(benchmark::State &state)
{
    using namespace marovel::llamabridge;
    setGrammarCheck(GrammarCheck::WholeVocabulary);
    perToken(state, kDescribeGrammar);
    setGrammarCheck(GrammarCheck::BestTokenFirst);
}
void BM_TokenWithoutGrammar(benchmark::State &state) { perToken(state, nullptr); }

// Fixed counts: an iteration reports the time of one token but costs a whole answer.
// Repetitions alternate between the two, so load on the machine falls on both alike.
void registerBenchmarks(int iterations)
{
    for (int repetition = 0; repetition < 3; ++repetition) {
        benchmark::RegisterBenchmark("BM_TokenWithoutGrammar", BM_TokenWithoutGrammar)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(iterations);
        benchmark::RegisterBenchmark("BM_TokenWithGrammar", BM_TokenWithGrammar)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(iterations);
        benchmark::RegisterBenchmark("BM_TokenWithGrammarWholeVocabulary",
                                     BM_TokenWithGrammarWholeVocabulary)
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(iterations);
    }
}

// Prints the usual table, then the grammar's cost per token from the medians.
class GrammarCostReporter : public benchmark::ConsoleReporter {
public:
    GrammarCostReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (!run.error_occurred)
                m_ms[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double with = find("BM_TokenWithGrammar");
        const double without = find("BM_TokenWithoutGrammar");
        const double whole = find("BM_TokenWithGrammarWholeVocabulary");
        if (with <= 0 || without <= 0) {
            GetOutputStream() << "llama bridge: no grammar cost figure (a run failed)\n";
            return;
        }
        char line[512];
        if (whole > 0) {
            std::snprintf(line, sizeof line,
                          "llama bridge: whole vocabulary at every step (before): median %.3f ms "
                          "per token; ratio %.3f against no grammar\n",
                          whole, whole / without);
            GetOutputStream() << line;
        }
        std::snprintf(line, sizeof line,
                      "llama bridge: median %.3f ms per token with the describe grammar, %.3f ms "
                      "without; ratio %.3f\n",
                      with, without, with / without);
        GetOutputStream() << line << std::flush;
    }

private:
    // The median of the repetitions.
    double find(const std::string &name) const
    {
        const auto it = m_ms.find(name);
        if (it == m_ms.end() || it->second.empty())
            return -1;
        std::vector<double> times = it->second;
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    }
    std::map<std::string, std::vector<double>> m_ms;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: marovel_llama_bench MODEL [benchmark flags]\n");
        return 2;
    }
    g_handle = lb_load(argv[1], 2048, -1);
    if (!g_handle) {
        std::fprintf(stderr, "marovel_llama_bench: cannot load %s\n", argv[1]);
        return 1;
    }
    {
        char out[2048];
        const int32_t n = lb_generate(g_handle, kPrompt, kDescribeGrammar, kMaxTokens, out, sizeof out);
        std::printf("llama bridge: the model answers %s\n", n >= 0 ? out : "(failed)");
        std::fflush(stdout);
    }
    argv[1] = argv[0];
    --argc;
    ++argv;
    int iterations = 10;
    if (argc > 1 && std::strncmp(argv[1], "--iterations=", 13) == 0) {
        iterations = std::max(1, std::atoi(argv[1] + 13));
        argv[1] = argv[0];
        --argc;
        ++argv;
    }
    registerBenchmarks(iterations);
    benchmark::Initialize(&argc, argv);
    GrammarCostReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    lb_free(g_handle);
    return 0;
}
