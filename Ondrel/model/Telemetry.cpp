#include "Telemetry.h"

#include "Defaults.h"
#include "JsonCoding.h"
#include "MarovelPaths.h"
#include "TextUtil.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QSysInfo>

#ifndef MAROVEL_TELEMETRY_URL
#define MAROVEL_TELEMETRY_URL ""
#endif
#ifndef MAROVEL_APP_VERSION
#define MAROVEL_APP_VERSION ""
#endif

namespace Telemetry {

namespace {

const QString enabledKey = QStringLiteral("telemetryEnabled");
const QString deviceKey = QStringLiteral("telemetryDeviceID");
const QString product = QStringLiteral("marovel");

QString joined(std::initializer_list<QString> parts)
{
    return QStringList(parts).join(u'|');
}

std::optional<QUrl> withPath(const QString &path)
{
    auto base = baseAddress();
    if (!base)
        return std::nullopt;
    QString prefix = base->path();
    while (prefix.endsWith(u'/'))
        prefix.chop(1);
    base->setPath(prefix + path);
    return base;
}

// Hands the request to the GUI thread's network manager and returns at once. The answer,
// its status and any error are ignored; nothing is retried.
void post(const QUrl &url, const QByteArray &body)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [url, body] {
            static QPointer<QNetworkAccessManager> manager;
            if (!manager) {
                manager = new QNetworkAccessManager(QCoreApplication::instance());
                // Gone before the application object tears down: a request still in
                // flight at exit is aborted and the manager's network thread stopped
                // while events are still delivered. Left to the application's child
                // clean-up, that thread's objects would be lost.
                qAddPostRoutine([] { delete manager; });
            }
            QNetworkRequest request(url);
            request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
            request.setTransferTimeout(3000);
            request.setPriority(QNetworkRequest::LowPriority);
            // The body goes to the configured address only, never on to a redirect target.
            request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                 QNetworkRequest::ManualRedirectPolicy);
            QNetworkReply *reply = manager->post(request, body);
            QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
        },
        Qt::QueuedConnection);
}

} // namespace

Event Event::launch(const QString &mode, const QString &channel)
{
    return {Kind::Launch, {joined({mode, channel})}};
}

Event Event::permissionState(bool fda)
{
    return {Kind::PermissionState, {fda ? QStringLiteral("fda:granted") : QStringLiteral("fda:denied")}};
}

Event Event::onboardingStep(qint64 step, bool done)
{
    return {Kind::OnboardingStep,
            {QStringLiteral("step%1:%2").arg(step).arg(done ? QStringLiteral("done") : QStringLiteral("skip"))}};
}

Event Event::scenarioDetected(const QString &kind, const QString &conf, qint64 signalCount)
{
    return {Kind::ScenarioDetected, {joined({kind, conf}), double(signalCount)}};
}

Event Event::renameOffered(const QString &kind)
{
    return {Kind::RenameOffered, {kind}};
}

Event Event::renameAccepted(const QString &kind)
{
    return {Kind::RenameAccepted, {kind}};
}

Event Event::renameRejected(const QString &kind)
{
    return {Kind::RenameRejected, {kind}};
}

Event Event::renameEdited(const QString &kind, qint64 editBucket)
{
    return {Kind::RenameEdited, {kind, double(editBucket)}};
}

Event Event::fileFiled(const QString &kind, bool success)
{
    return {Kind::FileFiled, {kind, success ? 1.0 : 0.0}};
}

Event Event::undo(const QString &action)
{
    return {Kind::Undo, {action}};
}

Event Event::lowConfidenceKept(const QString &kind)
{
    return {Kind::LowConfidenceKept, {kind}};
}

Event Event::extractLatency(const QString &typeBucket, qint64 msBucket)
{
    return {Kind::ExtractLatency, {typeBucket, double(msBucket)}};
}

Event Event::modelUsed(const QString &tier, qint64 msBucket)
{
    return {Kind::ModelUsed, {tier, double(msBucket)}};
}

Event Event::ocrRun(const QString &lang, qint64 charsBucket)
{
    return {Kind::OcrRun, {lang, double(charsBucket)}};
}

Event Event::dailyActive(qint64 foldersBucket, qint64 filesBucket)
{
    return {Kind::DailyActive, {QString(), double(foldersBucket), double(filesBucket)}};
}

Event Event::clientCrash(const QString &top)
{
    return {Kind::ClientCrash, {top}};
}

Event Event::modelDownload(const QString &phase, const QString &source,
                           const std::optional<QString> &reason, qint64 mb)
{
    const QString extra = reason ? joined({phase, source, *reason}) : joined({phase, source});
    return {Kind::ModelDownload, {extra, double(mb)}};
}

QString Event::type() const
{
    switch (m_kind) {
    case Kind::Launch: return QStringLiteral("launch");
    case Kind::PermissionState: return QStringLiteral("permission_state");
    case Kind::OnboardingStep: return QStringLiteral("onboarding_step");
    case Kind::ScenarioDetected: return QStringLiteral("scenario_detected");
    case Kind::RenameOffered: return QStringLiteral("rename_offered");
    case Kind::RenameAccepted: return QStringLiteral("rename_accepted");
    case Kind::RenameRejected: return QStringLiteral("rename_rejected");
    case Kind::RenameEdited: return QStringLiteral("rename_edited");
    case Kind::FileFiled: return QStringLiteral("file_filed");
    case Kind::Undo: return QStringLiteral("undo");
    case Kind::LowConfidenceKept: return QStringLiteral("low_confidence_kept");
    case Kind::ExtractLatency: return QStringLiteral("extract_latency");
    case Kind::ModelUsed: return QStringLiteral("model_used");
    case Kind::OcrRun: return QStringLiteral("ocr_run");
    case Kind::DailyActive: return QStringLiteral("daily_active");
    case Kind::ClientCrash: return QStringLiteral("client_crash");
    case Kind::ModelDownload: return QStringLiteral("model_download");
    }
    return {};
}

QString sanitize(const QString &text)
{
    if (text.isEmpty())
        return {};
    static const QRegularExpression allowed(QStringLiteral(
        "^[A-Za-z0-9][A-Za-z0-9_]{0,23}([|:][A-Za-z0-9][A-Za-z0-9_]{0,23}){0,3}$"));
    // "$" would also match before a final line feed; the whole text must match.
    const auto match = allowed.match(text);
    return match.hasMatch() && match.capturedLength() == text.size() ? text : QString();
}

bool isEnabled()
{
    return Defaults::shared().boolValue(enabledKey, true);
}

QString deviceID()
{
    // Locked so that two first events on different threads cannot store two identifiers.
    static QMutex lock;
    QMutexLocker locker(&lock);
    const QVariant stored = Defaults::shared().value(deviceKey);
    if (stored.typeId() == QMetaType::QString && !stored.toString().isEmpty())
        return stored.toString();
    const QString id = TextUtil::newUuidText();
    Defaults::shared().setValue(deviceKey, id);
    return id;
}

QString appVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral(MAROVEL_APP_VERSION) : version;
}

QString osString()
{
    // The distribution's name and version ("Debian GNU/Linux 12 (bookworm)" without the
    // code name); Qt falls back to the kernel's name and version.
    QString name = QSysInfo::prettyProductName().trimmed();
    static const QRegularExpression codeName(QStringLiteral("\\s*\\([^()]*\\)$"));
    name.remove(codeName);
    return name;
}

QString installChannel()
{
    QFile file(MarovelPaths::appSupport() + QStringLiteral("/install-channel"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("dmg");
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(file.readAll());
    if (decoder.hasError())
        return QStringLiteral("dmg");
    const QString channel = text.trimmed();
    for (const char *known : {"curl", "brew", "deb", "source"}) {
        if (channel == QLatin1String(known))
            return channel;
    }
    return QStringLiteral("dmg");
}

std::optional<QUrl> baseAddress()
{
    const QString text = (qEnvironmentVariableIsSet("MAROVEL_TELEMETRY_URL")
                              ? qEnvironmentVariable("MAROVEL_TELEMETRY_URL")
                              : QStringLiteral(MAROVEL_TELEMETRY_URL))
                             .trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != u"https" && url.scheme() != u"http"))
        return std::nullopt;
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
}

std::optional<QUrl> endpoint()
{
    return withPath(QStringLiteral("/api/telemetry"));
}

std::optional<QUrl> optInEndpoint()
{
    return withPath(QStringLiteral("/api/optin"));
}

QByteArray eventBody(const Event &event)
{
    const Payload &payload = event.payload();
    const QJsonObject record{
        {QStringLiteral("product"), product},
        {QStringLiteral("type"), event.type()},
        {QStringLiteral("deviceId"), deviceID()},
        {QStringLiteral("extra"), sanitize(payload.extra)},
        {QStringLiteral("primary"), payload.primary},
        {QStringLiteral("secondary"), payload.secondary},
        {QStringLiteral("version"), appVersion()},
        {QStringLiteral("os"), osString()},
        {QStringLiteral("ts"), QDateTime::currentSecsSinceEpoch()},
    };
    return JsonCoding::compact(QJsonObject{{QStringLiteral("events"), QJsonArray{record}}});
}

void track(const Event &event)
{
    if (!isEnabled())
        return;
    const auto url = endpoint();
    if (!url)
        return;
    post(*url, eventBody(event));
}

void submitOptIn(const QString &email)
{
    const auto url = optInEndpoint();
    if (!url)
        return;
    post(*url, JsonCoding::compact(QJsonObject{{QStringLiteral("email"), email},
                                               {QStringLiteral("product"), product}}));
}

} // namespace Telemetry
