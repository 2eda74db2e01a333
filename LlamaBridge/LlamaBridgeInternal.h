#pragma once
// Internals of the llama.cpp bridge that its tests and benchmark look at. The
// application itself uses only LlamaBridge.h.
#include "LlamaBridge.h"

#include <cstdint>
#include <string_view>

namespace marovel::llamabridge {

// True when the GBNF text holds a bounded repetition {m,n} with m > n outside literals,
// character classes and comments. llama.cpp's grammar parser does not reject such a
// repetition; it allocates rules until the process runs out of memory.
bool hasInvertedRepetition(std::string_view grammar);

// How a grammar-constrained greedy step picks its token. Both give the same token; the
// first is what the bridge does, the second the plain way kept for comparison.
enum class GrammarCheck {
    BestTokenFirst,  // check the most probable token alone; the whole vocabulary only if it fails
    WholeVocabulary, // constrain every token of the vocabulary, then take the best
};
// Process-wide; for tests and the benchmark.
void setGrammarCheck(GrammarCheck check);

// How the grammar-constrained steps of the handle's last lb_generate call found their
// token (BestTokenFirst only): the best token passed; one of the few dozen next best
// did; the tokens of accepted first characters were asked; the whole vocabulary was.
struct GrammarSteps {
    int32_t bestToken = 0;
    int32_t topTokens = 0;
    int32_t firstCharacter = 0;
    int32_t wholeVocabulary = 0;
};
GrammarSteps lastGrammarSteps(lb_handle *h);

// The number of processors this process may run on (at least 1).
int32_t availableCores();

// Tokens sampled by the handle's last lb_generate call (end token included).
int32_t lastSampledTokens(lb_handle *h);

// The thread counts of the handle's context: generation and batch.
int32_t contextThreads(lb_handle *h);
int32_t contextBatchThreads(lb_handle *h);

// The handle's context and batch sizes as the library settled them.
uint32_t contextSize(lb_handle *h);
uint32_t batchSize(lb_handle *h);

} // namespace marovel::llamabridge
