#include "LocalLLM.h"

#include "LlamaBridge.h"
#include "MarovelPaths.h"
#include "ScenarioDetector.h"
#include "TextUtil.h"
#include "GuiThread.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPromise>
#include <QThread>

#include <vector>

namespace {

QStringList bundleFoldersBesideExecutable()
{
    const QString exe = QCoreApplication::applicationFilePath();
    if (exe.isEmpty())
        return {};
    const QDir dir = QFileInfo(exe).absoluteDir();
    // The installed layout (bin/ beside share/marovel/), which the build tree mirrors.
    return {QDir::cleanPath(dir.filePath(QStringLiteral("../share/marovel/models"))),
            QDir::cleanPath(dir.filePath(QStringLiteral("../../share/marovel/models")))};
}

std::optional<QString> bundled(const QStringList &folders, const QString &file)
{
    for (const QString &folder : folders) {
        const QString path = folder + u'/' + file;
        if (QFileInfo(path).isFile())
            return path;
    }
    return std::nullopt;
}

std::optional<QString> present(const QString &path)
{
    if (QFileInfo::exists(path))
        return path;
    return std::nullopt;
}

LocalLLM *sharedInstance = nullptr;
bool sharedReleased = false;

} // namespace

LocalLLM::Locations LocalLLM::defaultLocations()
{
    return {modelsFolder(), bundleFoldersBesideExecutable()};
}

QString LocalLLM::modelsFolder()
{
    return MarovelPaths::appSupport() + QStringLiteral("/models");
}

QString LocalLLM::downloaded3B()
{
    return modelsFolder() + u'/' + file3B;
}

QString LocalLLM::modelPath()
{
    return modelsFolder() + u'/' + fileQwen3;
}

QString LocalLLM::downloaded05B()
{
    return modelsFolder() + u'/' + file05B;
}

std::optional<QString> LocalLLM::bundled3BURL()
{
    return bundled(bundleFoldersBesideExecutable(), file3B);
}

std::optional<QString> LocalLLM::bundled05BURL()
{
    return bundled(bundleFoldersBesideExecutable(), file05B);
}

std::optional<QString> LocalLLM::activeModelPath()
{
    return activeModelPath(defaultLocations());
}

std::optional<QString> LocalLLM::activeModelPath(const Locations &l)
{
    if (auto path = bundled(l.bundleFolders, file3B))
        return path;
    if (auto path = present(l.modelsFolder + u'/' + file3B))
        return path;
    if (auto path = present(l.modelsFolder + u'/' + fileQwen3))
        return path;
    if (auto path = bundled(l.bundleFolders, file05B))
        return path;
    return present(l.modelsFolder + u'/' + file05B);
}

bool LocalLLM::has3B()
{
    return has3B(defaultLocations());
}

bool LocalLLM::has3B(const Locations &l)
{
    return bundled(l.bundleFolders, file3B) || present(l.modelsFolder + u'/' + file3B);
}

QString LocalLLM::describeGBNF(const QString &language)
{
    const int most = language == QStringLiteral("en") ? 48 : 24;
    return QStringLiteral("root ::= \"{\\\"v\\\":\\\"\" name \"\\\"}\"\n"
                          "name ::= char{2,%1}\n"
                          "char ::= [^\"\\\\{}:<>\\n\\r\\t]")
        .arg(most);
}

QString LocalLLM::describePrompt(const QString &question, const QString &snippet,
                                 const QString &language)
{
    return QStringLiteral("<|im_start|>system\n你是文件信息提取助手。只输出答案本身（公司名/标题/主题等真实内容），"
                          "绝不解释、绝不复述或改写问题里的话。答案语言跟随内容语言：内容是中文就用中文"
                          "（除英文专有名外不要翻成英文），内容是英文就用英文、不要翻成中文；判断不了时用")
           + (language == QStringLiteral("en") ? QStringLiteral("English") : QStringLiteral("中文"))
           + QStringLiteral("。<|im_end|>\n<|im_start|>user\n") + question
           + QStringLiteral("\n内容片段：\n") + TextUtil::graphemePrefix(snippet, snippetCut)
           + QStringLiteral("<|im_end|>\n<|im_start|>assistant");
}

LocalLLM &LocalLLM::shared()
{
    static QMutex lock;
    QMutexLocker locker(&lock);
    if (!sharedInstance) {
        sharedInstance = new LocalLLM;
        // Released with the application object, before static destruction, so the worker
        // and the model go while the libraries they use are still intact.
        if (!sharedReleased && QCoreApplication::instance()) {
            qAddPostRoutine([] {
                sharedReleased = true;
                delete std::exchange(sharedInstance, nullptr);
            });
        }
    }
    return *sharedInstance;
}

LocalLLM::LocalLLM(std::function<std::optional<QString>()> modelPath)
    : m_modelPath(modelPath ? std::move(modelPath)
                            : std::function<std::optional<QString>()>([] { return activeModelPath(); }))
{
    m_worker.setMaxThreadCount(1);
    m_worker.setExpiryTimeout(-1);
    m_worker.setObjectName(QStringLiteral("LocalLLM"));
}

LocalLLM::~LocalLLM()
{
    m_worker.waitForDone();
    QMutexLocker locker(&m_lock);
    lb_free(std::exchange(m_ctx, nullptr));
}

// Runs `job` on the worker. The future has no runnable attached, so waiting for it never
// pulls the job onto the waiting thread.
template<typename T, typename Job>
QFuture<T> LocalLLM::post(Job job)
{
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    m_worker.start([promise, job = std::move(job)]() mutable {
        if constexpr (std::is_void_v<T>) {
            job();
        } else {
            promise->addResult(job());
        }
        promise->finish();
    });
    return future;
}

void LocalLLM::noteBridgeCall()
{
    m_lastBridgeThread.store(QThread::currentThread());
}

// Caller holds m_lock.
bool LocalLLM::ensureLoaded()
{
    if (m_ctx)
        return true;
    if (m_triedLoad)
        return false;
    m_triedLoad = true;
    const std::optional<QString> path = m_modelPath();
    if (!path || !QFileInfo(*path).isFile())
        return false;
    m_loadAttempts.fetch_add(1);
    noteBridgeCall();
    m_ctx = lb_load(QFile::encodeName(*path).constData(), contextSize, gpuLayers);
    m_loaded.store(m_ctx != nullptr);
    return m_ctx != nullptr;
}

void LocalLLM::runWarmup()
{
    QMutexLocker locker(&m_lock);
    if (!ensureLoaded())
        return;
    const QByteArray prompt = warmupPrompt.toUtf8();
    const QByteArray grammar = describeGBNF(ScenarioDetector::uiLanguage()).toUtf8();
    char out[8] = {};
    noteBridgeCall();
    lb_generate(m_ctx, prompt.constData(), grammar.constData(), 1, out, int32_t(sizeof out));
}

std::optional<QString> LocalLLM::runDescribe(const QString &question, const QString &snippet)
{
    QMutexLocker locker(&m_lock);
    if (!ensureLoaded())
        return std::nullopt;
    const QString language = ScenarioDetector::uiLanguage();
    const QByteArray prompt = describePrompt(question, snippet, language).toUtf8();
    const QByteArray grammar = describeGBNF(language).toUtf8();
    std::vector<char> out(answerBufferSize, '\0');
    noteBridgeCall();
    const int32_t written = lb_generate(m_ctx, prompt.constData(), grammar.constData(), answerTokens,
                                        out.data(), answerBufferSize);
    if (written < 1)
        return std::nullopt;
    return QString::fromUtf8(out.data(), written);
}

QFuture<void> LocalLLM::warmup()
{
    return post<void>([this] { runWarmup(); });
}

QFuture<std::optional<QString>> LocalLLM::describe(const QString &question, const QString &snippet)
{
    return post<std::optional<QString>>([this, question, snippet] { return runDescribe(question, snippet); });
}

std::optional<QString> LocalLLM::describeBlocking(const QString &question, const QString &snippet)
{
    if (onGuiThread()) {
        qWarning("Marovel: a local-model answer was asked for on the GUI thread; refused");
        return std::nullopt;
    }
    return describe(question, snippet).result();
}

QFuture<void> LocalLLM::resetModel()
{
    return post<void>([this] {
        QMutexLocker locker(&m_lock);
        if (m_ctx)
            noteBridgeCall();
        lb_free(std::exchange(m_ctx, nullptr));
        m_loaded.store(false);
        m_triedLoad = false;
    });
}
