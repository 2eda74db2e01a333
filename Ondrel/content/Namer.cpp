#include "Namer.h"

#include "BlockingHttp.h"
#include "Defaults.h"
#include "GuiThread.h"
#include "Localization.h"
#include "LocalLLM.h"
#include "ScenarioDetector.h"
#include "SystemModel.h"
#include "TextUtil.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QThreadPool>
#include <QtConcurrent>

#include <atomic>
#include <chrono>
#include <mutex>

static std::optional<QJsonObject> jsonObjectOf(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

namespace Namer {

namespace {

// ---------------------------------------------------------------------------------------
// Engines and clock

std::mutex enginesLock;
std::shared_ptr<const Engines> installedEngines;

std::shared_ptr<const Engines> engines()
{
    std::lock_guard locker(enginesLock);
    return installedEngines;
}

qint64 nowMs()
{
    const auto installed = engines();
    if (installed && installed->clockMs)
        return installed->clockMs();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool systemModelAvailable()
{
    const auto installed = engines();
    if (installed && installed->systemModelAvailable)
        return installed->systemModelAvailable();
    return SystemModel::isAvailable();
}

std::optional<QString> askSystemModel(const QString &question, const QString &snippet)
{
    const auto installed = engines();
    if (installed && installed->systemModel)
        return installed->systemModel(question, snippet);
    return SystemModel::describe(question, snippet);
}

std::optional<QString> askLocalModel(const QString &question, const QString &snippet)
{
    const auto installed = engines();
    if (installed && installed->localModel)
        return installed->localModel(question, snippet);
    return LocalLLM::shared().describeBlocking(question, snippet);
}

// ---------------------------------------------------------------------------------------
// Probe cache

QMutex probeLock;
std::optional<qint64> lastProbe; // absent: never probed (the distant past)
bool cachedOllamaUp = false;
std::atomic<bool> backgroundProbe{false};

QString languageWord(const QString &language)
{
    return language == QStringLiteral("en") ? QStringLiteral("English") : QStringLiteral("中文");
}

std::optional<QUrl> parsedURL(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

std::optional<QUrl> tagsURL()
{
    return parsedURL(baseText() + QStringLiteral("/api/tags"));
}

// The first "{" through the last "}", when both exist in that order.
std::optional<QString> braceSlice(const QString &text)
{
    const qsizetype first = text.indexOf(u'{');
    const qsizetype last = text.lastIndexOf(u'}');
    if (first < 0 || last < 0 || last < first)
        return std::nullopt;
    return text.mid(first, last - first + 1);
}

std::optional<QString> pullOnce(const QString &text)
{
    const auto object = jsonObjectOf(text.toUtf8());
    if (!object)
        return std::nullopt;
    const QJsonValue v = object->value(QStringLiteral("v"));
    if (!v.isString())
        return std::nullopt;
    const QString answer = v.toString().trimmed();
    if (answer.isEmpty())
        return std::nullopt;
    return answer;
}

} // namespace

// ---------------------------------------------------------------------------------------

QString baseText()
{
    const Defaults &defaults = Defaults::shared();
    if (defaults.contains(endpointKey)) {
        const QVariant stored = defaults.value(endpointKey);
        if (stored.typeId() == QMetaType::QString)
            return stored.toString();
    }
    return defaultBase;
}

QUrl endpoint()
{
    if (auto url = parsedURL(baseText() + QStringLiteral("/api/generate")))
        return *url;
    return QUrl(defaultBase + QStringLiteral("/api/generate"));
}

QString namingPrompt(const QString &fname, const QString &ext, const QString &date,
                     const QString &src, const QString &snippet, const QString &language)
{
    return QStringLiteral(
               "你是文件命名专家。根据下面的文件信息，生成一个简洁、信息密度高、人能一眼看懂的文件名「主体」。\n\n"
               "规则：\n- 只返回主体，不含日期、不含扩展名（日期和扩展名我会自己加）。\n"
               "- 语言跟随内容：中文文档用中文名，英文文档用英文名。内容语言判断不了时，用")
           + languageWord(language)
           + QStringLiteral(
               "命名。\n- 抓住「是什么 + 关于谁/什么主题」，去掉废话。例：发票→「XX公司_差旅发票_¥1200」；"
               "论文→「Attention机制_Transformer论文」。\n"
               "- date：若内容里有明确的文档日期（发票日期/会议日期/落款日期），返回 YYYY-MM-DD；没有就返回空字符串。\n"
               "- lang：文档主要语言，zh 或 en。\n- confidence：high、medium 或 low。\n"
               "- 内容若是乱码、无意义或读不懂，name 返回空字符串、confidence 返回 low。绝不凭空编造内容里没有的信息。\n"
               "- 严格只输出 JSON，不要任何解释。\n\n文件信息：\n- 原文件名：")
           + fname + QStringLiteral("\n- 扩展名：") + ext + QStringLiteral("\n- 文件日期：") + date
           + QStringLiteral("\n- 内容来源：") + src + QStringLiteral("\n- 内容片段：\n") + snippet
           + QStringLiteral("\n\n只输出这个 JSON 结构（值按上面规则填写，reason 是一句话理由）：\n"
                            "{\"name\": \"\", \"date\": \"\", \"lang\": \"\", \"confidence\": \"\", \"reason\": \"\"}");
}

QString fallbackInstruction(const QString &language)
{
    return QStringLiteral("根据内容给这个文件起一个简洁、信息密度高的") + languageWord(language)
           + QStringLiteral("文件名主体；只输出名字本身，不要日期、不要扩展名、不要解释");
}

QString ollamaQuestion(const QString &instruction, const QString &text)
{
    return instruction
           + QStringLiteral("\n内容若乱码/读不懂，返回空字符串。严格只输出 JSON：{\"v\":\"...\"}\n内容片段：\n")
           + TextUtil::graphemePrefix(text, ollamaQuestionCut);
}

QByteArray generateBody(const QString &model, const QString &prompt)
{
    const QJsonObject body{
        {QStringLiteral("model"), model},
        {QStringLiteral("prompt"), prompt},
        {QStringLiteral("stream"), false},
        {QStringLiteral("format"), QStringLiteral("json")},
        {QStringLiteral("options"), QJsonObject{{QStringLiteral("temperature"), 0.2}}},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

std::optional<Named> parse(const QString &text)
{
    if (auto named = Named::decode(text.toUtf8()))
        return named;
    const auto slice = braceSlice(text);
    if (!slice)
        return std::nullopt;
    return Named::decode(slice->toUtf8());
}

std::optional<QString> pull(const QString &text)
{
    if (auto answer = pullOnce(text))
        return answer;
    const auto slice = braceSlice(text);
    if (!slice)
        return std::nullopt;
    return pullOnce(*slice);
}

std::optional<QString> rawJSON(const QString &prompt, const QString &model)
{
    BlockingHttp::Request request;
    request.method = "POST";
    request.url = endpoint();
    request.headers = {{"Content-Type", "application/json"}};
    request.body = generateBody(model, prompt);
    request.timeoutMs = generateTimeoutMs;
    const BlockingHttp::Response response = BlockingHttp::send(request);
    if (!response.transportOk)
        return std::nullopt;
    const auto object = jsonObjectOf(response.body);
    if (!object)
        return std::nullopt;
    const QJsonValue answer = object->value(QStringLiteral("response"));
    if (!answer.isString())
        return std::nullopt;
    return answer.toString();
}

namespace {

bool refusedOnGuiThread(const char *what)
{
    if (!onGuiThread())
        return false;
    qWarning("Marovel: Namer::%s waits for a model and was refused on the GUI thread", what);
    return true;
}

} // namespace

std::optional<Named> name(const QString &fname, const QString &ext, const QString &date,
                          const QString &src, const QString &snippet, const QString &model)
{
    if (refusedOnGuiThread("name"))
        return std::nullopt;
    const QString language = ScenarioDetector::uiLanguage();
    if (ollamaReachableCached()) {
        const auto response = rawJSON(namingPrompt(fname, ext, date, src, snippet, language), model);
        if (!response)
            return std::nullopt;
        return parse(*response);
    }
    const auto answer = describe(fallbackInstruction(language), snippet, model);
    if (!answer || answer->isEmpty())
        return std::nullopt;
    if (!ScenarioDetector::grounded(*answer, snippet))
        return std::nullopt;
    Named named;
    named.name = *answer;
    named.confidence = QStringLiteral("low");
    named.reason = L("内置模型命名（已核对内容）");
    return named;
}

std::optional<QString> describe(const QString &instruction, const QString &text, const QString &model)
{
    if (refusedOnGuiThread("describe"))
        return std::nullopt;
    if (ollamaReachableCached()) {
        const auto response = rawJSON(ollamaQuestion(instruction, text), model);
        if (!response)
            return std::nullopt;
        return pull(*response);
    }
    if (systemModelAvailable()) {
        if (auto answer = askSystemModel(instruction, text))
            return answer;
    }
    const auto raw = askLocalModel(instruction, text);
    if (!raw)
        return std::nullopt;
    return pull(*raw);
}

bool reachable()
{
    const auto url = tagsURL();
    if (!url)
        return false;
    BlockingHttp::Request request;
    request.url = *url;
    request.timeoutMs = probeTimeoutMs;
    const BlockingHttp::Response response = BlockingHttp::send(request);
    return response.transportOk && response.status == 200;
}

bool ollamaReachableCached()
{
    {
        QMutexLocker locker(&probeLock);
        if (lastProbe && nowMs() - *lastProbe < probeCacheMs)
            return cachedOllamaUp;
        if (onGuiThread()) {
            // No waiting here: answer from the stale value and refresh it in the background.
            if (!backgroundProbe.exchange(true)) {
                (void)QtConcurrent::run(&pool(), [] {
                    recordProbe(reachable());
                    backgroundProbe.store(false);
                });
            }
            return cachedOllamaUp;
        }
    }
    const bool up = reachable();
    recordProbe(up);
    return up;
}

void recordProbe(bool up)
{
    QMutexLocker locker(&probeLock);
    cachedOllamaUp = up;
    lastProbe = nowMs();
}

void resetProbeCache()
{
    QMutexLocker locker(&probeLock);
    lastProbe.reset();
    cachedOllamaUp = false;
}

QStringList availableModels()
{
    const auto url = tagsURL();
    if (!url)
        return {};
    BlockingHttp::Request request;
    request.url = *url;
    request.timeoutMs = modelsTimeoutMs;
    const BlockingHttp::Response response = BlockingHttp::send(request);
    if (!response.transportOk || response.status != 200)
        return {};
    const auto object = jsonObjectOf(response.body);
    if (!object)
        return {};
    const QJsonValue models = object->value(QStringLiteral("models"));
    if (!models.isArray())
        return {};
    QStringList names;
    for (const QJsonValue &entry : models.toArray()) {
        if (!entry.isObject())
            return {};
        const QJsonValue modelName = entry.toObject().value(QStringLiteral("name"));
        if (modelName.isString())
            names << modelName.toString();
    }
    return names;
}

QThreadPool &pool()
{
    // Kept for the whole run; idle threads end after the pool's expiry time.
    static QThreadPool *instance = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(4);
        p->setObjectName(QStringLiteral("Namer"));
        return p;
    }();
    return *instance;
}

QFuture<bool> reachableAsync()
{
    return QtConcurrent::run(&pool(), [] { return reachable(); });
}

QFuture<QStringList> availableModelsAsync()
{
    return QtConcurrent::run(&pool(), [] { return availableModels(); });
}

QFuture<std::optional<Named>> nameAsync(const QString &fname, const QString &ext, const QString &date,
                                        const QString &src, const QString &snippet, const QString &model)
{
    return QtConcurrent::run(&pool(), [=] { return name(fname, ext, date, src, snippet, model); });
}

QFuture<std::optional<QString>> describeAsync(const QString &instruction, const QString &text,
                                              const QString &model)
{
    return QtConcurrent::run(&pool(), [=] { return describe(instruction, text, model); });
}

ScopedEngines::ScopedEngines(Engines replacement)
{
    auto next = std::make_shared<const Engines>(std::move(replacement));
    std::lock_guard locker(enginesLock);
    m_previous = std::exchange(installedEngines, std::move(next));
}

ScopedEngines::~ScopedEngines()
{
    std::lock_guard locker(enginesLock);
    installedEngines = std::move(m_previous);
}

} // namespace Namer

std::optional<Named> Named::decode(const QByteArray &json)
{
    const auto object = jsonObjectOf(json);
    if (!object)
        return std::nullopt;
    Named named;
    const std::pair<const char *, std::optional<QString> Named::*> fields[] = {
        {"name", &Named::name},     {"date", &Named::date},     {"lang", &Named::lang},
        {"confidence", &Named::confidence}, {"reason", &Named::reason},
    };
    for (const auto &[key, member] : fields) {
        const QJsonValue value = object->value(QLatin1String(key));
        if (value.isUndefined() || value.isNull())
            continue;
        if (!value.isString())
            return std::nullopt;
        named.*member = value.toString();
    }
    return named;
}
