#pragma once

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QThreadPool;

// A language model's naming answer. Each field is absent when the model left it out or
// sent null.
struct Named
{
    std::optional<QString> name;       // the name body, without date and extension
    std::optional<QString> date;       // "YYYY-MM-DD" or empty
    std::optional<QString> lang;       // "zh" or "en"
    std::optional<QString> confidence; // "high", "medium" or "low"
    std::optional<QString> reason;     // one sentence

    bool operator==(const Named &) const = default;

    // Decodes a JSON object; a listed key holding anything but a string or null fails the
    // whole decode. Unknown keys are ignored.
    static std::optional<Named> decode(const QByteArray &json);
};

// Questions about a file's content put to a language model, and the choice among the
// three engines: a local Ollama server over HTTP when the cached probe says it is up,
// else the operating system's model (SystemModel, never on Linux), else the in-process
// model (LocalLLM). Only a system-model "nothing" passes on to the in-process model; an
// Ollama failure passes on to nothing.
//
// name(), describe(), reachable(), availableModels() and rawJSON() wait for their answer:
// call them on a worker thread. On the GUI thread they refuse (no request, no answer);
// the ...Async forms run them on Namer's own pool. Nothing here throws or shows anything:
// a failure is an absent answer, false or an empty list.
namespace Namer {

inline const QString endpointKey = QStringLiteral("ollamaEndpoint");
inline const QString preferredModelKey = QStringLiteral("preferredModel");
inline const QString defaultModel = QStringLiteral("qwen2.5:7b");
inline const QString defaultBase = QStringLiteral("http://localhost:11434");

constexpr int generateTimeoutMs = 180000;
constexpr int probeTimeoutMs = 2000;
constexpr int modelsTimeoutMs = 3000;
constexpr qint64 probeCacheMs = 15000;
constexpr qsizetype ollamaQuestionCut = 1200;

// The base text: "ollamaEndpoint" as stored (a trailing "/" stays), else defaultBase.
QString baseText();
// base + "/api/generate", or the default base's when that does not parse.
QUrl endpoint();

// The whole naming prompt sent to Ollama by name().
QString namingPrompt(const QString &fname, const QString &ext, const QString &date,
                     const QString &src, const QString &snippet, const QString &language);
// The instruction of name()'s fallback through the short-answer engines.
QString fallbackInstruction(const QString &language);
// The short question sent to Ollama by describe(): the instruction, the JSON rule and
// the first 1200 characters of the text.
QString ollamaQuestion(const QString &instruction, const QString &text);
// The compact JSON body of a generate request.
QByteArray generateBody(const QString &model, const QString &prompt);

// A Named decoded from the text, or from its slice between the first "{" and the last "}".
std::optional<Named> parse(const QString &text);
// The trimmed string "v" of a JSON object, or of its "{" … "}" slice; empty is nothing.
std::optional<QString> pull(const QString &text);

// One generate exchange: the "response" text of the reply, or nothing.
std::optional<QString> rawJSON(const QString &prompt, const QString &model);

// A complete answer for a file of no recognised kind: Ollama's JSON answer when the
// server is up; otherwise a name body from the short-answer engines, kept only when the
// grounding check finds it in the snippet (confidence "low", no date, no language).
std::optional<Named> name(const QString &fname, const QString &ext, const QString &date,
                          const QString &src, const QString &snippet, const QString &model);

// A one-value answer to an instruction about the text, from exactly one engine. This is
// the model function the scenario detector is handed.
std::optional<QString> describe(const QString &instruction, const QString &text,
                                const QString &model);

// GET base + "/api/tags" with a 2 s time-out: true only for status 200.
bool reachable();
// reachable(), answered from the last probe while it is less than 15 s old.
bool ollamaReachableCached();
// Stores a probe result made elsewhere (the browser's probe task) with the current time.
void recordProbe(bool up);
// Forgets the last probe, so the next cached check probes.
void resetProbeCache();
// The "name" of each model the server lists, in its order; empty on any failure.
QStringList availableModels();

// The pool the ...Async forms run on.
QThreadPool &pool();
QFuture<bool> reachableAsync();
QFuture<QStringList> availableModelsAsync();
QFuture<std::optional<Named>> nameAsync(const QString &fname, const QString &ext, const QString &date,
                                        const QString &src, const QString &snippet, const QString &model);
QFuture<std::optional<QString>> describeAsync(const QString &instruction, const QString &text,
                                              const QString &model);

// The engines behind describe() and the probe cache's clock. An empty member keeps the
// real one. Tests install their own for a scope.
struct Engines
{
    std::function<bool()> systemModelAvailable;
    std::function<std::optional<QString>(const QString &question, const QString &snippet)> systemModel;
    std::function<std::optional<QString>(const QString &question, const QString &snippet)> localModel;
    std::function<qint64()> clockMs; // a monotonic clock in milliseconds
};

class ScopedEngines
{
public:
    explicit ScopedEngines(Engines engines);
    ~ScopedEngines();
    ScopedEngines(const ScopedEngines &) = delete;
    ScopedEngines &operator=(const ScopedEngines &) = delete;

private:
    std::shared_ptr<const Engines> m_previous;
};

} // namespace Namer
