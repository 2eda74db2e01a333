// The llama.cpp bridge against the real library and a tiny generated qwen2 model.
#include "LlamaBridge.h"
#include "LlamaBridgeInternal.h"
#include "TestSupport.h"

#include <gguf.h>

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace marovel::llamabridge;

namespace {

// The grammar the naming engine sends for a one-value description.
const char *const kDescribeGrammar = R"(root ::= "{\"v\":\"" name "\"}"
name ::= char{2,24}
char ::= [^"\\{}:<>\n\r\t])";

const char *const kDescribePrompt =
    "<|im_start|>system\nYou describe documents in a few words. Answer with JSON.<|im_end|>\n"
    "<|im_start|>user\nInvoice 2024-113 from Northwind Traders, total 240.00 EUR.<|im_end|>\n"
    "<|im_start|>assistant\n";

const char *const kOtherPrompt =
    "<|im_start|>user\nBank statement for March, account ending 4471.<|im_end|>\n"
    "<|im_start|>assistant\n";

struct Generated {
    int32_t result = 0;
    std::string text;
};

Generated generate(lb_handle *h, const char *prompt, const char *grammar, int32_t maxTokens,
                   int32_t size = 2048)
{
    std::vector<char> out(size_t(size) + 1, 'x');
    Generated g;
    g.result = lb_generate(h, prompt, grammar, maxTokens, out.data(), size);
    if (g.result >= 0) {
        EXPECT_LT(g.result, size);
        EXPECT_EQ(out[size_t(g.result)], '\0');
        g.text.assign(out.data(), size_t(g.result));
        // Nothing beyond the terminator is written.
        for (size_t i = size_t(g.result) + 1; i < out.size(); ++i) {
            if (out[i] != 'x') {
                ADD_FAILURE() << "byte " << i << " written past the terminator";
                break;
            }
        }
    }
    return g;
}

std::string repeated(const char *piece, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += piece;
    return s;
}

struct HandleDeleter {
    void operator()(lb_handle *h) const { lb_free(h); }
};
using Handle = std::unique_ptr<lb_handle, HandleDeleter>;

Handle load(int32_t nCtx = 2048)
{
    return Handle(lb_load(MAROVEL_TINY_MODEL, nCtx, -1));
}

} // namespace

TEST(LlamaBridgeLoad, RejectsUnusableFilesAndArguments)
{
    const QByteArray model = TestSupport::readFile(QStringLiteral(MAROVEL_TINY_MODEL));
    ASSERT_GT(model.size(), 1000);

    gguf_init_params params{true, nullptr};
    gguf_context *meta = gguf_init_from_file(MAROVEL_TINY_MODEL, params);
    ASSERT_NE(meta, nullptr);
    const qsizetype dataStart = qsizetype(gguf_get_data_offset(meta));
    gguf_free(meta);
    ASSERT_GT(dataStart, 0);
    ASSERT_LT(dataStart, model.size());

    const QString folder = TestSupport::makeFolder(QStringLiteral("models"));
    struct Case {
        const char *name;
        QByteArray bytes;
    };
    const std::vector<Case> files = {
        {"empty", QByteArray()},
        {"not a model", QByteArray("GGUX this is plain text, not a model\n").repeated(50)},
        {"magic only", model.left(4)},
        {"inside the header", model.left(24)},
        {"inside the metadata", model.left(dataStart / 2)},
        {"metadata without tensor data", model.left(dataStart)},
        {"half the tensor data", model.left(dataStart + (model.size() - dataStart) / 2)},
        {"one byte short", model.left(model.size() - 1)},
    };
    for (const Case &c : files) {
        const QString path = folder + QLatin1Char('/') + QString::fromLatin1(c.name) + QStringLiteral(".gguf");
        TestSupport::writeFile(path, c.bytes);
        lb_handle *h = lb_load(QFile::encodeName(path).constData(), 2048, -1);
        EXPECT_EQ(h, nullptr) << c.name;
        lb_free(h);
    }

    const std::string missing = (TestSupport::root() + QStringLiteral("/no-such-model.gguf")).toStdString();
    EXPECT_EQ(lb_load(missing.c_str(), 2048, -1), nullptr);
    EXPECT_EQ(lb_load(QFile::encodeName(folder).constData(), 2048, -1), nullptr) << "a folder";
    EXPECT_EQ(lb_load(nullptr, 2048, -1), nullptr);
    EXPECT_EQ(lb_load(MAROVEL_TINY_MODEL, 0, -1), nullptr);
    EXPECT_EQ(lb_load(MAROVEL_TINY_MODEL, -2048, -1), nullptr);

    lb_free(nullptr); // harmless
}

TEST(LlamaBridgeLoad, ContextUsesEveryCoreAndTheWholeContextAsBatch)
{
    Handle h = load(2048);
    ASSERT_NE(h, nullptr);
    EXPECT_GE(availableCores(), 1);
    EXPECT_EQ(contextThreads(h.get()), availableCores());
    EXPECT_EQ(contextBatchThreads(h.get()), availableCores());
    EXPECT_GE(contextSize(h.get()), 2048u);
    EXPECT_EQ(batchSize(h.get()), 2048u);
}

TEST(LlamaBridgeGenerate, DescribeAnswerFollowsTheGrammarAndRepeatsExactly)
{
    Handle h = load();
    ASSERT_NE(h, nullptr);

    const Generated first = generate(h.get(), kDescribePrompt, kDescribeGrammar, 64);
    ASSERT_GT(first.result, 0);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString answer = utf8(QByteArray::fromStdString(first.text));
    EXPECT_FALSE(utf8.hasError()) << first.text;
    static const QRegularExpression shape(QStringLiteral("^\\{\"v\":\"[^\"\\\\{}:<>\\n\\r\\t]{2,24}\"\\}$"));
    EXPECT_TRUE(shape.match(answer).hasMatch()) << first.text;

    // Each call starts from an empty context: another prompt in between changes nothing.
    const Generated other = generate(h.get(), kOtherPrompt, kDescribeGrammar, 64);
    ASSERT_GT(other.result, 0);
    const Generated again = generate(h.get(), kDescribePrompt, kDescribeGrammar, 64);
    EXPECT_EQ(again.result, first.result);
    EXPECT_EQ(again.text, first.text);
}

TEST(LlamaBridgeGenerate, RefusesMissingHandleOrBufferWithoutTouchingIt)
{
    Handle h = load();
    ASSERT_NE(h, nullptr);
    struct Case {
        const char *name;
        lb_handle *handle;
        bool buffer;
        int32_t size;
    };
    const Case cases[] = {
        {"null handle", nullptr, true, 16},
        {"size 0", h.get(), true, 0},
        {"negative size", h.get(), true, -8},
        {"null buffer", h.get(), false, 16},
    };
    for (const Case &c : cases) {
        char out[16];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(lb_generate(c.handle, kDescribePrompt, kDescribeGrammar, 8, c.buffer ? out : nullptr, c.size), -1)
            << c.name;
        EXPECT_EQ(std::string(out, sizeof out), std::string(sizeof out, 'x')) << c.name;
    }
}

TEST(LlamaBridgeGenerate, PromptsThatCannotBeDecodedFail)
{
    Handle h = load(64);
    ASSERT_NE(h, nullptr);
    const int32_t batch = int32_t(batchSize(h.get()));
    ASSERT_EQ(batch, 64);

    // Each "<|im_start|>" is one token.
    const std::string fits = repeated("<|im_start|>", batch);
    const std::string tooLong = repeated("<|im_start|>", batch + 1);
    EXPECT_GE(generate(h.get(), fits.c_str(), nullptr, 2).result, 0);

    struct Case {
        const char *name;
        const char *prompt;
    };
    const Case cases[] = {
        {"longer than the batch", tooLong.c_str()},
        {"no tokens", ""},
        {"null prompt", nullptr},
    };
    for (const Case &c : cases) {
        char out[32];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(lb_generate(h.get(), c.prompt, nullptr, 4, out, sizeof out), -1) << c.name;
        EXPECT_EQ(out[0], '\0') << c.name;
    }
    // The handle stays usable after a refused prompt.
    EXPECT_GE(generate(h.get(), kDescribePrompt, nullptr, 2).result, 0);
}

TEST(LlamaBridgeGenerate, StopsWhenTheContextIsFull)
{
    Handle h = load(256);
    ASSERT_NE(h, nullptr);
    const int32_t nCtx = int32_t(contextSize(h.get()));
    ASSERT_EQ(nCtx, int32_t(batchSize(h.get())));
    const std::string prompt = repeated("<|im_start|>", nCtx - 6);
    const Generated g = generate(h.get(), prompt.c_str(), nullptr, 64);
    EXPECT_GE(g.result, 0);
    // Six free positions: six tokens are decoded, a seventh is sampled from the last.
    EXPECT_EQ(lastSampledTokens(h.get()), 7);
}

TEST(LlamaBridgeGenerate, TokenLimitAndBufferSizeCutAtWholePieces)
{
    Handle h = load();
    ASSERT_NE(h, nullptr);

    // The byte length after each generated token: the piece boundaries.
    constexpr int kTokens = 12;
    const Generated full = generate(h.get(), kDescribePrompt, nullptr, kTokens);
    ASSERT_EQ(lastSampledTokens(h.get()), kTokens) << "the unconstrained answer should not end early";
    std::vector<int32_t> boundary(kTokens + 1, 0);
    for (int k = 1; k <= kTokens; ++k) {
        const Generated g = generate(h.get(), kDescribePrompt, nullptr, k);
        ASSERT_EQ(lastSampledTokens(h.get()), k);
        ASSERT_EQ(full.text.compare(0, g.text.size(), g.text), 0) << "token limit " << k;
        boundary[size_t(k)] = g.result;
    }
    ASSERT_EQ(boundary[kTokens], full.result);
    ASSERT_GT(boundary[1], 0);
    EXPECT_EQ(generate(h.get(), kDescribePrompt, nullptr, 0).result, 0);
    EXPECT_EQ(generate(h.get(), kDescribePrompt, nullptr, -3).result, 0);

    // With room for n bytes before the terminator, the output is the longest run of
    // whole pieces shorter than the buffer, and generation stops at the first piece
    // that would not fit.
    const auto expectedFor = [&](int32_t size) {
        int32_t best = 0;
        for (int k = 1; k <= kTokens && boundary[size_t(k)] < size; ++k)
            best = boundary[size_t(k)];
        return best;
    };
    const std::vector<int32_t> sizes = {1, 2, 8, boundary[1], boundary[1] + 1, boundary[3],
                                        boundary[3] + 1, boundary[6], full.result + 1};
    for (int32_t size : sizes) {
        const Generated g = generate(h.get(), kDescribePrompt, nullptr, kTokens, size);
        EXPECT_EQ(g.result, expectedFor(size)) << "buffer of " << size;
        EXPECT_EQ(g.text, full.text.substr(0, size_t(g.result))) << "buffer of " << size;
    }
}

TEST(LlamaBridgeGenerate, UnusableGrammarFallsBackToGreedyOutput)
{
    Handle h = load();
    ASSERT_NE(h, nullptr);
    const Generated plain = generate(h.get(), kDescribePrompt, nullptr, 16);
    ASSERT_GT(plain.result, 0);

    const char *const grammars[] = {
        "",
        "root ::= (",
        "this is not a grammar",
        "answer ::= \"yes\"",        // no root rule
        "root ::= \"ab\"{3,2}",      // inverted bound: the parser would never return
        "root ::= [a-z]{ 10 , 9 }",
    };
    for (const char *grammar : grammars) {
        const Generated g = generate(h.get(), kDescribePrompt, grammar, 16);
        EXPECT_EQ(g.result, plain.result) << grammar;
        EXPECT_EQ(g.text, plain.text) << grammar;
    }
}

TEST(LlamaBridgeGenerate, SamplingFailureInsideTheLibraryIsAnError)
{
    Handle h = load();
    ASSERT_NE(h, nullptr);
    // No token can produce a NUL character, so the grammar rejects every candidate and
    // the library throws when the sampled token is accepted.
    char out[64];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(lb_generate(h.get(), kDescribePrompt, "root ::= \"\\x00\"", 8, out, sizeof out), -1);
    EXPECT_EQ(out[0], '\0');
    // The handle is still usable.
    EXPECT_GT(generate(h.get(), kDescribePrompt, kDescribeGrammar, 64).result, 0);
}

TEST(LlamaBridgeGenerate, ConcurrentCallsOnOneHandleAreSerialised)
{
    Handle h = load();
    ASSERT_NE(h, nullptr);
    const Generated describe = generate(h.get(), kDescribePrompt, nullptr, 24);
    const Generated other = generate(h.get(), kOtherPrompt, nullptr, 24);
    ASSERT_NE(describe.text, other.text);

    constexpr int kRounds = 4;
    std::vector<std::string> fromA, fromB;
    const auto run = [&](const char *prompt, std::vector<std::string> &results) {
        for (int i = 0; i < kRounds; ++i) {
            char out[2048];
            const int32_t n = lb_generate(h.get(), prompt, nullptr, 24, out, sizeof out);
            results.push_back(n >= 0 ? std::string(out, size_t(n)) : std::string("<failed>"));
        }
    };
    std::thread a(run, kDescribePrompt, std::ref(fromA));
    std::thread b(run, kOtherPrompt, std::ref(fromB));
    a.join();
    b.join();
    for (int i = 0; i < kRounds; ++i) {
        EXPECT_EQ(fromA[size_t(i)], describe.text);
        EXPECT_EQ(fromB[size_t(i)], other.text);
    }
}

TEST(LlamaBridgeGrammar, FindsInvertedRepetitionBoundsOnlyInRules)
{
    struct Case {
        const char *grammar;
        bool inverted;
    };
    const Case cases[] = {
        {kDescribeGrammar, false},
        {"root ::= \"a\"{3,2}", true},
        {"root ::= \"a\"{ 10 ,\t9 }", true},
        {"root ::= x{99999999999999999999999,1}\nx ::= \"a\"", true},
        {"root ::= (\"a\" | \"b\"){1,0}", true},
        {"root ::= \"a\"{2,3}", false},
        {"root ::= \"a\"{3,3}", false},
        {"root ::= \"a\"{3,}", false},
        {"root ::= \"a\"{3}", false},
        {"root ::= \"{3,2}\"", false},           // inside a literal
        {"root ::= \"\\\"{3,2}\"", false},       // after an escaped quote, still a literal
        {"root ::= [{3,2}]", false},             // inside a character class
        {"root ::= [\\]{3,2}]", false},          // after an escaped bracket, still a class
        {"root ::= \"a\" # {3,2}\n", false},     // inside a comment
        {"root ::= \"a\" # {3,2}\nx ::= \"b\"{5,4}", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(hasInvertedRepetition(c.grammar), c.inverted) << c.grammar;
}

namespace {

// Switches how grammar steps choose their token for the life of the object.
class ScopedGrammarCheck
{
public:
    explicit ScopedGrammarCheck(GrammarCheck check) { setGrammarCheck(check); }
    ~ScopedGrammarCheck() { setGrammarCheck(GrammarCheck::BestTokenFirst); }
};

} // namespace

// The quick ways of a grammar step (the best token alone, the next few dozen, the tokens
// of accepted first characters) answer exactly what the library's chain answers over the
// whole vocabulary, for the naming grammars and grammars that make the quick ways fail.
TEST(LlamaBridgeGrammar, QuickChecksAnswerAsTheWholeVocabularyDoes)
{
    Handle h = load();
    ASSERT_NE(h, nullptr);
    const char *const prompts[] = {
        kDescribePrompt,
        "<|im_start|>user\n发票 增值税 2024年3月 合计 ¥1,280.00<|im_end|>\n<|im_start|>assistant\n",
        "Once upon a time",
    };
    const char *const grammars[] = {
        // What the naming engine sends, for Chinese and for English answers.
        kDescribeGrammar,
        R"(root ::= "{\"v\":\"" name "\"}"
name ::= char{2,48}
char ::= [^"\\{}:<>\n\r\t])",
        // A literal the random model never ranks first: the best token fails at every step.
        R"(root ::= "Quarterly report; see appendix B.")",
        // Chinese characters only, then a closing mark: multi-byte first characters.
        R"(root ::= [一-龥]{2,6} "。")",
        // Characters outside a set that holds Chinese characters.
        R"(root ::= [^发票。a-z\n]{3,12})",
        // Digits and separators; the end token only where the grammar is complete.
        R"(root ::= [0-9]{4} "-" [0-9]{2} ("-" [0-9]{2})?)",
        // Any character: single bytes of split characters may come.
        R"(root ::= [^\x00]{1,16} "\n")",
    };
    int steps[4] = {0, 0, 0, 0};
    for (const char *prompt : prompts) {
        for (const char *grammar : grammars) {
            Generated whole;
            {
                ScopedGrammarCheck plain(GrammarCheck::WholeVocabulary);
                whole = generate(h.get(), prompt, grammar, 24);
            }
            const Generated quick = generate(h.get(), prompt, grammar, 24);
            EXPECT_EQ(quick.result, whole.result) << prompt << "\n" << grammar;
            EXPECT_EQ(quick.text, whole.text) << prompt << "\n" << grammar;
            const GrammarSteps s = lastGrammarSteps(h.get());
            steps[0] += s.bestToken;
            steps[1] += s.topTokens;
            steps[2] += s.firstCharacter;
            steps[3] += s.wholeVocabulary;
        }
    }
    // Every way was taken somewhere in the table.
    EXPECT_GT(steps[0], 0);
    EXPECT_GT(steps[1], 0);
    EXPECT_GT(steps[2], 0);
    EXPECT_GT(steps[3], 0) << "the end of generation or a split character";
}
