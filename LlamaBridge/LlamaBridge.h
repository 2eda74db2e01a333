#pragma once
// The application's three entry points into llama.cpp. Plain C so any caller can use
// them; the handle is opaque and owned by the caller until lb_free.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct lb_handle lb_handle;

// Loads a GGUF model and creates one inference context of n_ctx tokens (also the batch
// size, so a prompt of up to n_ctx tokens decodes in one batch). n_gpu_layers is the
// number of layers to offload (-1 for all; this build runs on the CPU). Returns NULL when
// the path is NULL, n_ctx is below 1, or the model or the context cannot be made.
lb_handle *lb_load(const char *path, int32_t n_ctx, int32_t n_gpu_layers);

// Runs one greedy completion of prompt (ChatML markers are parsed as special tokens),
// constrained by the GBNF grammar text with start rule "root" when it parses (otherwise,
// or when grammar is NULL or empty, unconstrained). At most max_tokens tokens are
// generated; their text goes to out, which always ends zero-terminated and never holds
// more than out_size - 1 bytes: generation stops before the first piece that would not
// fit. Returns the number of bytes written before the terminator, or -1 (buffer left
// untouched for a NULL handle, NULL buffer or out_size < 1; otherwise out[0] == 0) when
// the prompt cannot be tokenised or decoded, is longer than the batch, or the library
// fails while sampling. Calls on one handle are serialised.
int32_t lb_generate(lb_handle *h, const char *prompt, const char *grammar, int32_t max_tokens,
                    char *out, int32_t out_size);

// Frees the context, the model and the handle. NULL is ignored.
void lb_free(lb_handle *h);

#ifdef __cplusplus
}
#endif
