#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class LocalLLM;
class QThread;
namespace Telemetry {
class Event;
}

// The one download of the local model file: tries the mirrors in order, streams the file
// into a temporary file beside its target (same file system), checks its SHA-256 off the
// GUI thread, renames it into place, then makes the in-process model load it.
//
// Lives on the GUI thread; the transfer runs on a thread of its own and the digest on a
// worker, so the GUI thread never waits for the network or the disk. Each attempt carries
// a generation number that cancel() ends: whatever an ended attempt still reports only
// removes its own temporary file and changes no state.
class ModelDownload : public QObject
{
    Q_OBJECT

public:
    struct State
    {
        enum class Kind { downloading, failed, idle, verifying, done };

        Kind kind = Kind::idle;
        double fraction = 0; // downloading: 0 … 1, 0 until the size is known
        QString message;     // failed: the localised message for the user

        static State downloading(double fraction) { return {Kind::downloading, fraction, {}}; }
        static State failed(const QString &message) { return {Kind::failed, 0, message}; }
        static State idle() { return {}; }
        static State verifying() { return {Kind::verifying, 0, {}}; }
        static State done() { return {Kind::done, 0, {}}; }

        // Equal when the case and that case's payload are equal.
        bool operator==(const State &other) const;
    };

    struct ModelFile
    {
        QStringList urls;  // tried in this order
        QString sha256;    // 64 lower-case hexadecimal digits
        QString targetPath;
        qint64 needBytes = 0; // free bytes needed before a download starts
        QString label;        // the size text of the disk-space message

        bool operator==(const ModelFile &) const = default;

        // The 3B model from its two mirrors into LocalLLM::downloaded3B().
        static ModelFile default3B();
    };

    static constexpr int hashChunk = 1 << 20;

    // The process-wide instance, made on first use on the GUI thread and released with
    // the application object.
    static ModelDownload &shared();
    // The process-wide instance when one was made, else null (quitting makes none).
    static ModelDownload *sharedIfMade();

    explicit ModelDownload(QObject *parent = nullptr);
    ~ModelDownload() override;

    State state() const { return m_state; }
    int downloadedMB() const { return m_downloadedMB; }
    QString sourceLabel() const { return m_sourceLabel; }
    ModelFile modelFile() const { return m_file; }

    // The model file every caller downloads: ModelFile::default3B() unless replaced. Tests
    // and the screenshot tool point it at a loopback server, so none of them reaches the
    // mirrors; nothing else should replace it. GUI thread.
    static ModelFile defaultFile();
    static void setDefaultFile(const std::optional<ModelFile> &file);

    // Begins a download unless the target exists (then: done) or one is running.
    void start(const ModelFile &file);
    // The same for defaultFile(): how every part of the interface starts the download.
    void start() { start(defaultFile()); }
    // Stops the transfer, forgets a received file and returns to idle.
    void cancel();
    // For quitting: cancels, then ends the transfer thread, so that no temporary file is
    // left behind when the process ends right after. No download starts afterwards.
    void shutDown();

    // "modelscope", "huggingface", "github" by the URL's host, else "unknown".
    static QString sourceName(const QString &url);
    // The display name of a source name.
    static QString displayName(const QString &sourceName);
    // Whether the file's SHA-256 in lower-case hexadecimal equals `sha` exactly.
    static bool verify(const QString &path, const QString &sha);

    // Replaceable services (tests): free bytes of the volume that will hold `path`
    // (nothing when it cannot be read); where usage events go; the in-process model that
    // is reset and warmed after an install; the transfer's idle time-out.
    void setFreeSpaceProvider(std::function<std::optional<qint64>(const QString &path)> provider);
    void setTelemetrySink(std::function<void(const Telemetry::Event &)> sink);
    void setLocalModel(LocalLLM *model);
    void setTransferTimeout(int ms);

signals:
    void stateChanged();
    void downloadedMBChanged();
    void sourceLabelChanged();

private:
    enum class Outcome { received, httpError, transportError, fileError };

    void beginNext();
    void advance(const QString &message);
    void install(quint64 generation, const QString &temporary);
    void finishInstall(const QString &temporary);
    void onProgress(quint64 generation, qint64 written, qint64 expected);
    void onFinished(quint64 generation, Outcome outcome, const QString &message,
                    const QString &temporary);
    QString currentSourceName() const;
    QString sourceAt(qsizetype index) const;
    void track(const QString &phase, const QString &source, const std::optional<QString> &reason,
               qint64 mb);
    void setState(const State &state);
    void setDownloadedMB(int mb);
    void setSourceLabel(const QString &label);

    State m_state;
    int m_downloadedMB = 0;
    QString m_sourceLabel;
    ModelFile m_file;    // of the latest start()
    ModelFile m_attempt; // of the running attempt
    qsizetype m_urlIndex = 0;
    std::optional<QString> m_pendingTmp;
    QString m_transferTmp; // of the transfer handed to the worker, until it reports
    quint64 m_generation = 0;
    bool m_transferRunning = false;
    int m_transferTimeoutMs = 60000;

    std::function<std::optional<qint64>(const QString &)> m_freeSpace;
    std::function<void(const Telemetry::Event &)> m_telemetry;
    LocalLLM *m_localModel = nullptr;

    QThread *m_thread = nullptr;
    QObject *m_worker = nullptr; // lives on m_thread; null once shut down
};
