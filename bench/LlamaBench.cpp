// Time per generated token of the llama.cpp bridge on a model, with the naming engine's
// describe grammar and without a grammar, in the same process and on the same prompt.
//
//   marovel_llama_bench MODEL [--rounds=N]
//
// Like for like: the answer without a grammar is cut at the number of tokens the answer
// with the grammar takes, so both sides sample as many tokens and decode as many; the
// grammar's answer must be the one the whole-vocabulary check gives, byte for byte. In
// every round each side generates once, in alternating order, so load on the machine
// falls on all of them alike; the figures are medians over the rounds. A side's time per
// token is its answer's time less the time of its prompt alone, over the tokens sampled.
// Exits 1 when the answers differ or a side does not generate the expected tokens.
#include "LlamaBridge.h"
#include "LlamaBridgeInternal.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using marovel::llamabridge::GrammarCheck;

const char *const kDescribeGrammar = R"(root ::= "{\"v\":\"" name "\"}"
name ::= char{2,24}
char ::= [^"\\{}:<>\n\r\t])";

const char *const kPrompt =
    "<|im_start|>system\nYou describe documents in a few words. Answer with JSON.<|im_end|>\n"
    "<|im_start|>user\nInvoice 2024-113 from Northwind Traders, total 240.00 EUR.<|im_end|>\n"
    "<|im_start|>assistant\n";

constexpr int32_t kMaxTokens = 64;

struct Side {
    const char *label;
    const char *grammar;
    GrammarCheck check;
    std::vector<double> perToken;  // ms
    std::vector<double> perAnswer; // ms, prompt included
};

struct Answer {
    int32_t bytes = -1;
    int32_t sampled = 0;
    std::string text;
    double ms = 0;
};

Answer generate(lb_handle *h, const char *grammar, GrammarCheck check, int32_t maxTokens)
{
    marovel::llamabridge::setGrammarCheck(check);
    static char out[2048];
    Answer a;
    const auto start = std::chrono::steady_clock::now();
    a.bytes = lb_generate(h, kPrompt, grammar, maxTokens, out, sizeof out);
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    a.ms = elapsed.count();
    a.sampled = marovel::llamabridge::lastSampledTokens(h);
    if (a.bytes >= 0)
        a.text.assign(out, size_t(a.bytes));
    marovel::llamabridge::setGrammarCheck(GrammarCheck::BestTokenFirst);
    return a;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int fail(const char *what)
{
    std::printf("llama bridge: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: marovel_llama_bench MODEL [--rounds=N]\n");
        return 2;
    }
    int rounds = 9;
    if (argc > 2 && std::strncmp(argv[2], "--rounds=", 9) == 0)
        rounds = std::max(1, std::atoi(argv[2] + 9));
    lb_handle *h = lb_load(argv[1], 2048, -1);
    if (!h) {
        std::fprintf(stderr, "marovel_llama_bench: cannot load %s\n", argv[1]);
        return 1;
    }

    // The answers every timed run must repeat. The first grammar answer also builds what
    // the bridge keeps per model for grammar checks, so no timed run pays for it.
    const Answer quick = generate(h, kDescribeGrammar, GrammarCheck::BestTokenFirst, kMaxTokens);
    const marovel::llamabridge::GrammarSteps steps = marovel::llamabridge::lastGrammarSteps(h);
    const Answer whole = generate(h, kDescribeGrammar, GrammarCheck::WholeVocabulary, kMaxTokens);
    if (quick.bytes < 0 || whole.bytes < 0)
        return fail("generation with the grammar failed");
    std::printf("llama bridge: the model answers %s (%d tokens; steps: best token %d, next best %d, "
                "first characters %d, whole vocabulary %d)\n",
                quick.text.c_str(), quick.sampled, steps.bestToken, steps.topTokens,
                steps.firstCharacter, steps.wholeVocabulary);
    if (quick.text != whole.text || quick.sampled != whole.sampled)
        return fail("answers differ: the whole-vocabulary check gives another answer");
    std::printf("llama bridge: answers identical to the whole-vocabulary check\n");
    const Answer plain = generate(h, nullptr, GrammarCheck::BestTokenFirst, quick.sampled);
    if (plain.bytes < 0 || plain.sampled != quick.sampled)
        return fail("the answer without a grammar ends before the grammar's token count");

    // Every side generates as many tokens as the grammar's answer takes.
    const int32_t tokens = quick.sampled;
    std::array<Side, 3> sides = {{
        {"without grammar", nullptr, GrammarCheck::BestTokenFirst, {}, {}},
        {"with grammar", kDescribeGrammar, GrammarCheck::BestTokenFirst, {}, {}},
        {"whole vocabulary", kDescribeGrammar, GrammarCheck::WholeVocabulary, {}, {}},
    }};

    for (int round = 0; round < rounds; ++round) {
        for (size_t k = 0; k < sides.size(); ++k) {
            Side &side = sides[round % 2 ? sides.size() - 1 - k : k];
            const Answer prompt = generate(h, side.grammar, side.check, 0);
            const Answer answer = generate(h, side.grammar, side.check, tokens);
            const std::string &expected = side.grammar ? quick.text : plain.text;
            if (prompt.bytes != 0 || answer.sampled != tokens || answer.text != expected) {
                std::printf("llama bridge: %s: the timed answer differs from the first\n", side.label);
                return 1;
            }
            side.perToken.push_back((answer.ms - prompt.ms) / tokens);
            side.perAnswer.push_back(answer.ms);
        }
    }
    lb_free(h);

    const double without = median(sides[0].perToken);
    const double with = median(sides[1].perToken);
    const double wholeVocabulary = median(sides[2].perToken);
    std::printf("llama bridge: %d rounds, %d tokens per answer on every side\n", rounds, tokens);
    std::printf("llama bridge: per answer (prompt included): median %.3f ms with the grammar, "
                "%.3f ms without, %.3f ms with the whole vocabulary\n",
                median(sides[1].perAnswer), median(sides[0].perAnswer), median(sides[2].perAnswer));
    if (without <= 0 || with <= 0)
        return fail("no per-token figure: the answers cost no more than their prompts");
    std::printf("llama bridge: whole vocabulary at every step (before): median %.3f ms per token; "
                "ratio %.3f against no grammar\n",
                wholeVocabulary, wholeVocabulary / without);
    std::printf("llama bridge: median %.3f ms per token with the describe grammar, %.3f ms without; "
                "ratio %.3f\n",
                with, without, with / without);
    return 0;
}
