// Writes a tiny qwen2-architecture GGUF model with random weights for the tests and
// benchmarks of the llama.cpp bridge. The tokenizer is copied from a vocabulary-only
// GGUF file (the real Qwen2 tokenizer, ChatML markers included), so prompts tokenise
// as they would for the real model; the weights are seeded, so output is reproducible.
//
//   marovel_tiny_model --vocab ggml-vocab-qwen2.gguf --out tiny.gguf [--seed N] [--shape S]
//
// The shape "tiny" (the default) is a few megabytes for the tests; "0.5b" has the layer
// sizes of a 0.5B-parameter Qwen2 model (about 350 MB), so a benchmark sees what a token
// of a real model costs.
#include <ggml.h>
#include <gguf.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Shape {
    int64_t embd;
    int64_t feedForward;
    int64_t heads;
    int64_t kvHeads;
    int64_t layers;
};
constexpr Shape kTiny{32, 64, 4, 2, 1};
constexpr Shape kHalfBillion{896, 4864, 14, 2, 24};
constexpr uint32_t kTrainContext = 4096;
constexpr ggml_type kMatrixType = GGML_TYPE_Q4_0;

struct Writer {
    ggml_context *tensors = nullptr;
    gguf_context *out = nullptr;
    std::mt19937 rng;

    float uniform(float scale)
    {
        // Plain arithmetic on the engine's output, so every standard library gives the
        // same weights for the same seed.
        return (float(rng()) / 4294967295.0f * 2.0f - 1.0f) * scale;
    }

    void vector(const std::string &name, int64_t n, float base, float noise)
    {
        ggml_tensor *t = ggml_new_tensor_1d(tensors, GGML_TYPE_F32, n);
        ggml_set_name(t, name.c_str());
        auto *data = static_cast<float *>(t->data);
        for (int64_t i = 0; i < n; ++i)
            data[i] = base + uniform(noise);
        gguf_add_tensor(out, t);
    }

    // A quantised matrix of rows x cols (ggml order: cols is the row length), made a few
    // rows at a time so a large one needs no full copy in floats.
    void matrix(const std::string &name, int64_t cols, int64_t rows, float scale)
    {
        ggml_tensor *t = ggml_new_tensor_2d(tensors, kMatrixType, cols, rows);
        ggml_set_name(t, name.c_str());
        constexpr int64_t kChunkRows = 1024;
        std::vector<float> values(size_t(cols * std::min(rows, kChunkRows)));
        for (int64_t first = 0; first < rows; first += kChunkRows) {
            const int64_t n = std::min(kChunkRows, rows - first);
            for (int64_t i = 0; i < n * cols; ++i)
                values[size_t(i)] = uniform(scale);
            // The start is counted in elements of the whole matrix.
            ggml_quantize_chunk(kMatrixType, values.data() - first * cols, t->data, first * cols,
                                n, cols, nullptr);
        }
        gguf_add_tensor(out, t);
    }
};

int64_t findToken(const gguf_context *vocab, const char *text)
{
    const int64_t key = gguf_find_key(vocab, "tokenizer.ggml.tokens");
    if (key < 0)
        return -1;
    const size_t n = gguf_get_arr_n(vocab, key);
    for (size_t i = 0; i < n; ++i) {
        if (std::strcmp(gguf_get_arr_str(vocab, key, i), text) == 0)
            return int64_t(i);
    }
    return -1;
}

int usage()
{
    std::fprintf(stderr, "usage: marovel_tiny_model --vocab FILE --out FILE [--seed N] [--shape tiny|0.5b]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    std::string vocabPath, outPath;
    uint32_t seed = 20240611;
    Shape shape = kTiny;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--vocab")
            vocabPath = argv[i + 1];
        else if (arg == "--out")
            outPath = argv[i + 1];
        else if (arg == "--shape" && std::string(argv[i + 1]) == "tiny")
            shape = kTiny;
        else if (arg == "--shape" && std::string(argv[i + 1]) == "0.5b")
            shape = kHalfBillion;
        else if (arg == "--seed")
            seed = uint32_t(std::strtoul(argv[i + 1], nullptr, 10));
        else
            return usage();
    }
    if (vocabPath.empty() || outPath.empty() || argc % 2 == 0)
        return usage();

    gguf_init_params vocabParams{/*no_alloc=*/true, /*ctx=*/nullptr};
    gguf_context *vocab = gguf_init_from_file(vocabPath.c_str(), vocabParams);
    if (!vocab) {
        std::fprintf(stderr, "marovel_tiny_model: cannot read %s\n", vocabPath.c_str());
        return 1;
    }
    const int64_t tokensKey = gguf_find_key(vocab, "tokenizer.ggml.tokens");
    const int64_t imEnd = findToken(vocab, "<|im_end|>");
    if (tokensKey < 0 || imEnd < 0) {
        std::fprintf(stderr, "marovel_tiny_model: %s is not a Qwen2 vocabulary\n", vocabPath.c_str());
        gguf_free(vocab);
        return 1;
    }
    const int64_t nVocab = int64_t(gguf_get_arr_n(vocab, tokensKey));

    Writer w;
    w.rng.seed(seed);
    const int64_t kEmbd = shape.embd;
    const int64_t kFeedForward = shape.feedForward;
    const int64_t kHeads = shape.heads;
    const int64_t kKvHeads = shape.kvHeads;
    const int64_t kLayers = shape.layers;
    const size_t rowBytes = ggml_row_size(kMatrixType, kEmbd);
    const size_t kvRows = size_t(kEmbd / kHeads * kKvHeads);
    const size_t layerBytes = rowBytes * (2 * size_t(kEmbd) + 2 * kvRows + 2 * size_t(kFeedForward))
                              + ggml_row_size(kMatrixType, kFeedForward) * size_t(kEmbd)
                              + sizeof(float) * (4 * size_t(kEmbd) + 2 * kvRows) + 16 * 64;
    ggml_init_params params{};
    params.mem_size = size_t(nVocab) * rowBytes + size_t(kLayers) * layerBytes + (size_t(4) << 20)
                      + (16 * size_t(kLayers) + 64) * ggml_tensor_overhead();
    params.no_alloc = false;
    w.tensors = ggml_init(params);
    w.out = gguf_init_empty();

    // Tokenizer and chat template from the vocabulary file; the architecture's own keys
    // in it describe a large model and are replaced below.
    gguf_set_kv(w.out, vocab);
    gguf_set_val_str(w.out, "general.architecture", "qwen2");
    gguf_set_val_str(w.out, "general.name", "marovel tiny test model");
    gguf_set_val_u32(w.out, "general.file_type", 2); // mostly Q4_0
    gguf_set_val_u32(w.out, "qwen2.block_count", uint32_t(kLayers));
    gguf_set_val_u32(w.out, "qwen2.context_length", kTrainContext);
    gguf_set_val_u32(w.out, "qwen2.embedding_length", uint32_t(kEmbd));
    gguf_set_val_u32(w.out, "qwen2.feed_forward_length", uint32_t(kFeedForward));
    gguf_set_val_u32(w.out, "qwen2.attention.head_count", uint32_t(kHeads));
    gguf_set_val_u32(w.out, "qwen2.attention.head_count_kv", uint32_t(kKvHeads));
    gguf_set_val_f32(w.out, "qwen2.rope.freq_base", 1000000.0f);
    gguf_set_val_f32(w.out, "qwen2.attention.layer_norm_rms_epsilon", 1e-6f);
    // Like the instruct model: the turn ends with <|im_end|>, no start token is added.
    gguf_set_val_u32(w.out, "tokenizer.ggml.eos_token_id", uint32_t(imEnd));
    gguf_set_val_bool(w.out, "tokenizer.ggml.add_bos_token", false);
    // The vocabulary file types "</s>" as a normal token; llama.cpp warns about that on
    // every load and treats it as a control token anyway, so say so here.
    const int64_t typesKey = gguf_find_key(vocab, "tokenizer.ggml.token_type");
    const int64_t slashS = findToken(vocab, "</s>");
    if (typesKey >= 0 && slashS >= 0 && gguf_get_arr_type(vocab, typesKey) == GGUF_TYPE_INT32
        && gguf_get_arr_n(vocab, typesKey) == size_t(nVocab)) {
        const auto *types = static_cast<const int32_t *>(gguf_get_arr_data(vocab, typesKey));
        std::vector<int32_t> fixed(types, types + nVocab);
        fixed[size_t(slashS)] = 3; // control
        gguf_set_arr_data(w.out, "tokenizer.ggml.token_type", GGUF_TYPE_INT32, fixed.data(), fixed.size());
    }

    const int64_t headDim = kEmbd / kHeads;
    const int64_t kvDim = headDim * kKvHeads;
    // The output projection is tied to the token embedding, as in the small Qwen models.
    w.matrix("token_embd.weight", kEmbd, nVocab, 1.0f);
    w.vector("output_norm.weight", kEmbd, 1.0f, 0.1f);
    for (int64_t layer = 0; layer < kLayers; ++layer) {
        const std::string b = "blk." + std::to_string(layer) + ".";
        w.vector(b + "attn_norm.weight", kEmbd, 1.0f, 0.1f);
        w.matrix(b + "attn_q.weight", kEmbd, kEmbd, 0.5f);
        w.vector(b + "attn_q.bias", kEmbd, 0.0f, 0.1f);
        w.matrix(b + "attn_k.weight", kEmbd, kvDim, 0.5f);
        w.vector(b + "attn_k.bias", kvDim, 0.0f, 0.1f);
        w.matrix(b + "attn_v.weight", kEmbd, kvDim, 0.5f);
        w.vector(b + "attn_v.bias", kvDim, 0.0f, 0.1f);
        w.matrix(b + "attn_output.weight", kEmbd, kEmbd, 0.5f);
        w.vector(b + "ffn_norm.weight", kEmbd, 1.0f, 0.1f);
        w.matrix(b + "ffn_gate.weight", kEmbd, kFeedForward, 0.5f);
        w.matrix(b + "ffn_up.weight", kEmbd, kFeedForward, 0.5f);
        w.matrix(b + "ffn_down.weight", kFeedForward, kEmbd, 0.5f);
    }

    // Written beside the target and renamed, so an interrupted run leaves no model that
    // looks complete.
    const std::string partial = outPath + ".partial";
    const bool ok = gguf_write_to_file(w.out, partial.c_str(), false)
                    && std::rename(partial.c_str(), outPath.c_str()) == 0;
    if (!ok) {
        std::remove(partial.c_str());
        std::fprintf(stderr, "marovel_tiny_model: cannot write %s\n", outPath.c_str());
    }
    gguf_free(w.out);
    ggml_free(w.tensors);
    gguf_free(vocab);
    return ok ? 0 : 1;
}
