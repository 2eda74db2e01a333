#pragma once

#include <QFuture>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <optional>

struct lb_handle;
class QThread;

// The in-process language model: a small GGUF model run through the llama.cpp bridge.
//
// One worker thread runs every load, generation and release in the order they were asked
// for, so the single llama context is never used by two calls at once and never on the
// GUI thread. The model is loaded lazily and at most once per load attempt: a failed load
// is not retried until resetModel() (after a new model was installed).
class LocalLLM
{
public:
    // Where model files may lie: the "models" folder of the data folder
    // ($XDG_DATA_HOME/Marovel/models) and the folders of bundled models
    // (share/marovel/models beside the executable's bin/ folder).
    struct Locations
    {
        QString modelsFolder;
        QStringList bundleFolders;
    };

    static constexpr int contextSize = 2048;
    static constexpr int gpuLayers = -1;
    static constexpr int answerTokens = 64;
    static constexpr int answerBufferSize = 2048;
    static constexpr int snippetCut = 500;

    static inline const QString file3B = QStringLiteral("qwen2.5-3b-instruct-q4_k_m.gguf");
    static inline const QString fileQwen3 = QStringLiteral("Qwen3-1.7B-Q4_K_M.gguf");
    static inline const QString file05B = QStringLiteral("qwen2.5-0.5b-instruct-q4_k_m.gguf");
    static inline const QString warmupPrompt =
        QStringLiteral("<|im_start|>user\nhi<|im_end|>\n<|im_start|>assistant\n");

    static Locations defaultLocations();
    static QString modelsFolder();
    static QString downloaded3B();
    static QString modelPath(); // the Qwen3 1.7B file
    static QString downloaded05B();
    static std::optional<QString> bundled3BURL();
    static std::optional<QString> bundled05BURL();
    // The first present model: bundled 3B, downloaded 3B, Qwen3 1.7B, bundled 0.5B,
    // downloaded 0.5B.
    static std::optional<QString> activeModelPath();
    static std::optional<QString> activeModelPath(const Locations &locations);
    static bool has3B();
    static bool has3B(const Locations &locations);

    // The grammar that admits only {"v":"…"} with 2 to 48 characters ("en") or 2 to 24.
    static QString describeGBNF(const QString &language);
    // The ChatML prompt of a question about the first 500 characters of a snippet.
    static QString describePrompt(const QString &question, const QString &snippet,
                                  const QString &language);

    // The process-wide instance, over activeModelPath(). Made on first use; released when
    // the application object is destroyed.
    static LocalLLM &shared();

    // `modelPath` names the model to load when a load is attempted (activeModelPath by
    // default).
    explicit LocalLLM(std::function<std::optional<QString>()> modelPath = {});
    ~LocalLLM(); // waits for the calls already asked for, then frees the model
    LocalLLM(const LocalLLM &) = delete;
    LocalLLM &operator=(const LocalLLM &) = delete;

    // Loads the model when no load was attempted yet, then generates one token. Never
    // fails; the future ends when the worker has done it.
    QFuture<void> warmup();
    // The raw answer {"v":"…"} to a question about the snippet (interface language from
    // ScenarioDetector::uiLanguage()), or nothing without a model or without output.
    QFuture<std::optional<QString>> describe(const QString &question, const QString &snippet);
    // The same, waiting for the answer. For worker threads: on the GUI thread it refuses
    // and answers nothing at once.
    std::optional<QString> describeBlocking(const QString &question, const QString &snippet);
    // Releases the loaded model and forgets the load attempt, so the next call loads the
    // active model anew (after a download installed one). Queued behind earlier calls.
    QFuture<void> resetModel();

    // For tests and the status of the settings: loads attempted so far, whether a model
    // is loaded, and the thread that made the last bridge call.
    int loadAttempts() const { return m_loadAttempts.load(); }
    bool isLoaded() const { return m_loaded.load(); }
    QThread *lastBridgeThread() const { return m_lastBridgeThread.load(); }

private:
    template<typename T, typename Job>
    QFuture<T> post(Job job);
    bool ensureLoaded();
    void runWarmup();
    std::optional<QString> runDescribe(const QString &question, const QString &snippet);
    void noteBridgeCall();

    std::function<std::optional<QString>()> m_modelPath;
    QThreadPool m_worker; // one thread: calls run in the order they were posted
    mutable QMutex m_lock; // held for every bridge call
    lb_handle *m_ctx = nullptr;
    bool m_triedLoad = false;
    std::atomic<bool> m_loaded{false};
    std::atomic<int> m_loadAttempts{0};
    std::atomic<QThread *> m_lastBridgeThread{nullptr};
};
