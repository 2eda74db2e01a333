#include "ModelDownload.h"

#include "FileSystem.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "Telemetry.h"
#include "TextUtil.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStorageInfo>
#include <QThread>
#include <QUrl>
#include <QtConcurrent>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// The transfers, on the download thread: each one streams a reply into its temporary
// file and reports its progress and outcome to the download object on the GUI thread.
// A transfer that is aborted removes its own temporary file and reports nothing.
class TransferWorker : public QObject
{
public:
    using Progress = std::function<void(quint64, qint64, qint64)>;
    using Finished = std::function<void(quint64, int, QString, QString)>;

    TransferWorker(Progress progress, Finished finished)
        : m_progress(std::move(progress)), m_finished(std::move(finished))
    {
    }

    void begin(quint64 generation, const QUrl &url, const QString &temporary, int timeoutMs)
    {
        if (!m_manager)
            m_manager = new QNetworkAccessManager(this);
        auto *file = new QFile(temporary, this);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            const QString reason = file->errorString();
            delete file;
            QFile::remove(temporary);
            m_finished(generation, 3, reason, temporary);
            return;
        }
        QNetworkRequest request(url);
        request.setTransferTimeout(timeoutMs);
        QNetworkReply *reply = m_manager->get(request);
        m_running.insert(reply, generation);
        auto written = std::make_shared<qint64>(0);

        // Progress is counted here, from what was written: Qt's own progress signal is
        // held back while data trickles in. Reported when the megabyte count or the
        // fraction's thousandth changes, so a large file sends a few thousand updates
        // rather than one per network packet.
        auto last = std::make_shared<std::pair<qint64, qint64>>(-1, -1);
        QObject::connect(reply, &QNetworkReply::readyRead, this, [=, this] {
            const QByteArray chunk = reply->readAll();
            if (!file->isOpen())
                return;
            if (file->write(chunk) != chunk.size()) {
                reply->setProperty("writeError", file->errorString());
                file->close();
                reply->abort();
                return;
            }
            *written += chunk.size();
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            const qint64 expected = length.isValid() ? length.toLongLong() : -1;
            const std::pair<qint64, qint64> step{*written / 1000000,
                                                 expected > 0 ? *written * 1000 / expected : 0};
            if (step == *last || !m_running.contains(reply))
                return;
            *last = step;
            m_progress(generation, *written, expected);
        });
        QObject::connect(reply, &QNetworkReply::finished, this, [=, this] {
            const bool aborted = !m_running.contains(reply);
            m_running.remove(reply);
            reply->deleteLater();
            const QString writeError = reply->property("writeError").toString();
            if (!writeError.isEmpty() || aborted) {
                file->close();
                file->deleteLater();
                QFile::remove(temporary);
                if (!aborted)
                    m_finished(generation, 3, writeError, temporary);
                return;
            }
            const QByteArray rest = reply->readAll();
            bool ok = file->write(rest) == rest.size() && file->flush();
            if (ok && !rest.isEmpty()) {
                *written += rest.size();
                const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
                m_progress(generation, *written, length.isValid() ? length.toLongLong() : -1);
            }
            const QString fileReason = file->errorString();
            file->close();
            ok = ok && file->error() == QFileDevice::NoError;
            file->deleteLater();

            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            const QNetworkReply::NetworkError error = reply->error();
            const bool answered = status.isValid();
            const int code = status.toInt();
            int outcome = 0;
            QString message;
            if (answered && (code < 200 || code > 299) && !isTransportError(error)) {
                outcome = 1; // an error page, not the model
            } else if (error != QNetworkReply::NoError) {
                outcome = 2;
                message = reply->errorString();
            } else if (!ok) {
                outcome = 3;
                message = fileReason;
            } else if (const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
                       length.isValid() && length.toLongLong() != *written) {
                // Qt can report a connection closed in mid-body as a success; the byte
                // count tells.
                outcome = 2;
                message = L("下载中断：收到 %lld 字节，应为 %lld 字节", *written, length.toLongLong());
            }
            if (outcome != 0)
                QFile::remove(temporary);
            m_finished(generation, outcome, message, temporary);
        });
    }

    // Ends every running transfer; their files are removed, nothing is reported.
    void abortAll()
    {
        const QList<QNetworkReply *> replies = m_running.keys();
        m_running.clear();
        for (QNetworkReply *reply : replies)
            reply->abort();
    }

private:
    static bool isTransportError(QNetworkReply::NetworkError error)
    {
        const int code = int(error);
        return code >= 1 && code <= 199 && error != QNetworkReply::NoError;
    }

    Progress m_progress;
    Finished m_finished;
    QNetworkAccessManager *m_manager = nullptr;
    QHash<QNetworkReply *, quint64> m_running;
};

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

std::optional<qint64> freeBytesFor(const QString &path)
{
    // The nearest folder that exists on the way to the path decides the volume.
    QFileInfo info(QFileInfo(path).absolutePath());
    while (!info.exists() && !info.isRoot()) {
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath())
            break;
        info = QFileInfo(parent);
    }
    const QStorageInfo storage(info.absoluteFilePath());
    if (!storage.isValid() || !storage.isReady())
        return std::nullopt;
    const qint64 available = storage.bytesAvailable();
    if (available < 0)
        return std::nullopt;
    return available;
}

// A parsable URL as the download source accepts it.
std::optional<QUrl> parsedURL(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return std::nullopt;
    return url;
}

} // namespace

bool ModelDownload::State::operator==(const State &other) const
{
    if (kind != other.kind)
        return false;
    switch (kind) {
    case Kind::downloading: return fraction == other.fraction;
    case Kind::failed: return message == other.message;
    default: return true;
    }
}

ModelDownload::ModelFile ModelDownload::ModelFile::default3B()
{
    static const ModelFile file{
        {QStringLiteral("https://modelscope.cn/models/Qwen/Qwen2.5-3B-Instruct-GGUF/resolve/master/"
                        "qwen2.5-3b-instruct-q4_k_m.gguf"),
         QStringLiteral("https://huggingface.co/Qwen/Qwen2.5-3B-Instruct-GGUF/resolve/main/"
                        "qwen2.5-3b-instruct-q4_k_m.gguf")},
        QStringLiteral("626b4a6678b86442240e33df819e00132d3ba7dddfe1cdc4fbb18e0a9615c62d"),
        LocalLLM::downloaded3B(),
        2600000000LL,
        L("约 2GB"),
    };
    return file;
}

namespace {
std::optional<ModelDownload::ModelFile> &replacedDefault()
{
    static std::optional<ModelDownload::ModelFile> file;
    return file;
}

QPointer<ModelDownload> sharedInstance;
} // namespace

ModelDownload::ModelFile ModelDownload::defaultFile()
{
    return replacedDefault().value_or(ModelFile::default3B());
}

void ModelDownload::setDefaultFile(const std::optional<ModelFile> &file)
{
    replacedDefault() = file;
}

ModelDownload &ModelDownload::shared()
{
    if (!sharedInstance)
        sharedInstance = new ModelDownload(QCoreApplication::instance());
    return *sharedInstance;
}

ModelDownload *ModelDownload::sharedIfMade()
{
    return sharedInstance.data();
}

ModelDownload::ModelDownload(QObject *parent)
    : QObject(parent),
      m_file(defaultFile()),
      m_freeSpace(freeBytesFor),
      m_telemetry([](const Telemetry::Event &event) { Telemetry::track(event); })
{
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("ModelDownload"));
    QPointer<ModelDownload> self(this);
    auto *worker = new TransferWorker(
        [this](quint64 generation, qint64 written, qint64 expected) {
            QMetaObject::invokeMethod(this, [=, this] { onProgress(generation, written, expected); },
                                      Qt::QueuedConnection);
        },
        [this](quint64 generation, int outcome, QString message, QString temporary) {
            QMetaObject::invokeMethod(
                this, [=, this] { onFinished(generation, Outcome(outcome), message, temporary); },
                Qt::QueuedConnection);
        });
    worker->moveToThread(m_thread);
    m_worker = worker;
    // The worker goes with its thread, on that thread: running transfers end and their
    // files are removed. (A direct connection, because queued events are no longer
    // delivered once the application object is being destroyed.)
    connect(m_thread, &QThread::finished, m_thread, [worker] {
        worker->abortAll();
        delete worker;
    }, Qt::DirectConnection);
    m_thread->start();
}

ModelDownload::~ModelDownload()
{
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
    if (m_pendingTmp)
        QFile::remove(*m_pendingTmp);
}

void ModelDownload::setFreeSpaceProvider(std::function<std::optional<qint64>(const QString &)> provider)
{
    m_freeSpace = std::move(provider);
}

void ModelDownload::setTelemetrySink(std::function<void(const Telemetry::Event &)> sink)
{
    m_telemetry = std::move(sink);
}

void ModelDownload::setLocalModel(LocalLLM *model)
{
    m_localModel = model;
}

void ModelDownload::setTransferTimeout(int ms)
{
    m_transferTimeoutMs = ms;
}

QString ModelDownload::sourceName(const QString &url)
{
    const QUrl parsed(url, QUrl::StrictMode);
    const QString host = parsed.isValid() ? parsed.host() : QString();
    if (host.isEmpty())
        return QStringLiteral("unknown");
    for (const char *word : {"modelscope", "huggingface", "github"}) {
        if (host.contains(QLatin1String(word)))
            return QLatin1String(word);
    }
    return QStringLiteral("unknown");
}

QString ModelDownload::displayName(const QString &name)
{
    if (name == QStringLiteral("modelscope"))
        return QStringLiteral("ModelScope");
    if (name == QStringLiteral("huggingface"))
        return QStringLiteral("Hugging Face");
    if (name == QStringLiteral("github"))
        return QStringLiteral("GitHub");
    return L("下载源");
}

bool ModelDownload::verify(const QString &path, const QString &sha)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (;;) {
        const QByteArray chunk = file.read(hashChunk);
        if (chunk.isEmpty())
            break;
        hash.addData(chunk);
    }
    return QString::fromLatin1(hash.result().toHex()) == sha;
}

QString ModelDownload::sourceAt(qsizetype index) const
{
    if (index < 0 || index >= m_attempt.urls.size())
        return QStringLiteral("unknown");
    return sourceName(m_attempt.urls[index]);
}

QString ModelDownload::currentSourceName() const
{
    if (m_attempt.urls.isEmpty())
        return QStringLiteral("unknown");
    return sourceAt(std::min(m_urlIndex, m_attempt.urls.size() - 1));
}

void ModelDownload::track(const QString &phase, const QString &source,
                          const std::optional<QString> &reason, qint64 mb)
{
    if (m_telemetry)
        m_telemetry(Telemetry::Event::modelDownload(phase, source, reason, mb));
}

void ModelDownload::setState(const State &state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged();
}

void ModelDownload::setDownloadedMB(int mb)
{
    if (mb == m_downloadedMB)
        return;
    m_downloadedMB = mb;
    emit downloadedMBChanged();
}

void ModelDownload::setSourceLabel(const QString &label)
{
    if (label == m_sourceLabel)
        return;
    m_sourceLabel = label;
    emit sourceLabelChanged();
}

void ModelDownload::start(const ModelFile &file)
{
    if (!m_worker) // shut down
        return;
    m_file = file;
    if (QFileInfo::exists(file.targetPath)) {
        setState(State::done());
        return;
    }
    if (m_state.kind == State::Kind::downloading || m_state.kind == State::Kind::verifying)
        return;
    m_attempt = file;
    ++m_generation;
    if (m_freeSpace) {
        const std::optional<qint64> free = m_freeSpace(file.targetPath);
        if (free && *free < file.needBytes) {
            setState(State::failed(L("磁盘空间不足（需约 %@）", file.label)));
            track(QStringLiteral("fail"), sourceAt(0), QStringLiteral("disk"), 0);
            return;
        }
    }
    m_urlIndex = 0;
    beginNext();
}

void ModelDownload::beginNext()
{
    const std::optional<QUrl> url = m_urlIndex < m_attempt.urls.size()
                                        ? parsedURL(m_attempt.urls[m_urlIndex])
                                        : std::nullopt;
    if (!url) {
        setState(State::failed(L("所有下载源都失败")));
        return;
    }
    // The file is received beside its target, so installing it is a rename on one file
    // system. A folder that cannot take it fails the attempt at once: every mirror would
    // meet the same folder.
    const QString folder = QFileInfo(m_attempt.targetPath).absolutePath();
    const QString temporary = folder + QStringLiteral("/.") + TextUtil::newUuidText()
                              + QStringLiteral(".gguf.part");
    if (const int error = FileSystem::makePath(folder)) {
        setState(State::failed(L("临时文件保存失败：%@", systemReason(error))));
        return;
    }
    {
        QFile probe(temporary);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            setState(State::failed(L("临时文件保存失败：%@", probe.errorString())));
            return;
        }
    }

    setState(State::downloading(0));
    setDownloadedMB(0);
    const QString source = sourceName(m_attempt.urls[m_urlIndex]);
    setSourceLabel(displayName(source));
    track(QStringLiteral("start"), source, std::nullopt, 0);

    m_transferRunning = true;
    m_transferTmp = temporary;
    auto *worker = static_cast<TransferWorker *>(m_worker);
    const quint64 generation = m_generation;
    const int timeout = m_transferTimeoutMs;
    QMetaObject::invokeMethod(
        worker, [=] { worker->begin(generation, *url, temporary, timeout); }, Qt::QueuedConnection);
}

void ModelDownload::advance(const QString &message)
{
    ++m_urlIndex;
    if (m_urlIndex >= m_attempt.urls.size()) {
        setState(State::failed(message));
        return;
    }
    beginNext();
}

void ModelDownload::onProgress(quint64 generation, qint64 written, qint64 expected)
{
    if (generation != m_generation || m_state.kind != State::Kind::downloading)
        return;
    double fraction = expected < 1 ? 0.0 : double(written) / double(expected);
    if (!std::isfinite(fraction) || fraction < 0)
        fraction = 0;
    fraction = std::min(fraction, 1.0);
    setState(State::downloading(fraction));
    setDownloadedMB(int(written / 1000000));
}

void ModelDownload::onFinished(quint64 generation, Outcome outcome, const QString &message,
                               const QString &temporary)
{
    if (temporary == m_transferTmp)
        m_transferTmp.clear();
    if (generation != m_generation) {
        QFile::remove(temporary);
        return;
    }
    m_transferRunning = false;
    switch (outcome) {
    case Outcome::received:
        install(generation, temporary);
        return;
    case Outcome::httpError:
        // An error page is not the model: handled as a body that fails the digest.
        track(QStringLiteral("fail"), sourceAt(m_urlIndex), QStringLiteral("sha256"), 0);
        advance(L("校验失败（sha256 不匹配）"));
        return;
    case Outcome::transportError:
        track(QStringLiteral("fail"), currentSourceName(), QStringLiteral("network"), 0);
        advance(message);
        return;
    case Outcome::fileError:
        advance(L("临时文件保存失败：%@", message));
        return;
    }
}

void ModelDownload::install(quint64 generation, const QString &temporary)
{
    m_pendingTmp = temporary;
    setState(State::verifying());
    const QString sha = m_attempt.sha256;
    // The watcher dies with this object: a digest that ends after it is dropped, and the
    // destructor removes the file.
    auto *digest = new QFutureWatcher<bool>(this);
    connect(digest, &QFutureWatcherBase::finished, this, [this, digest, generation, temporary] {
        digest->deleteLater();
        if (generation != m_generation) {
            QFile::remove(temporary);
            return;
        }
        if (!digest->result()) {
            QFile::remove(temporary);
            m_pendingTmp.reset();
            track(QStringLiteral("fail"), sourceAt(m_urlIndex), QStringLiteral("sha256"), 0);
            advance(L("校验失败（sha256 不匹配）"));
            return;
        }
        finishInstall(temporary);
    });
    digest->setFuture(QtConcurrent::run([temporary, sha] { return verify(temporary, sha); }));
}

void ModelDownload::finishInstall(const QString &temporary)
{
    const QString target = m_attempt.targetPath;
    const QString folder = QFileInfo(target).absolutePath();
    if (const int error = FileSystem::makePath(folder)) {
        setState(State::failed(L("落地失败：%@", systemReason(error))));
        return;
    }
    // rename() replaces an older file at the target in one step.
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0) {
        setState(State::failed(L("落地失败：%@", systemReason(errno))));
        return;
    }
    m_pendingTmp.reset();

    // The next use of the in-process model loads the new file; the warm-up does it now,
    // behind the reset on the model's own worker.
    LocalLLM &model = m_localModel ? *m_localModel : LocalLLM::shared();
    (void)model.resetModel();
    (void)model.warmup();

    const qint64 size = QFileInfo(target).size();
    track(QStringLiteral("done"), sourceAt(m_urlIndex), std::nullopt, size > 0 ? size / 1000000 : 0);
    setState(State::done());
}

void ModelDownload::shutDown()
{
    cancel();
    // The worker ends with its thread: it aborts what runs and removes those files.
    m_thread->quit();
    m_thread->wait();
    m_worker = nullptr;
    // A transfer still queued when the thread ended never made it to the worker.
    if (!m_transferTmp.isEmpty())
        QFile::remove(m_transferTmp);
    m_transferTmp.clear();
}

void ModelDownload::cancel()
{
    ++m_generation;
    if (m_transferRunning) {
        m_transferRunning = false;
        auto *worker = static_cast<TransferWorker *>(m_worker);
        QMetaObject::invokeMethod(worker, [worker] { worker->abortAll(); }, Qt::QueuedConnection);
        track(QStringLiteral("fail"), currentSourceName(), QStringLiteral("cancel"), 0);
    }
    setState(State::idle());
    if (m_pendingTmp) {
        QFile::remove(*m_pendingTmp);
        m_pendingTmp.reset();
    }
}
