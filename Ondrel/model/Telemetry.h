#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// Anonymous usage events, one small JSON POST per event, fire-and-forget.
//
// Each event carries a type from a fixed vocabulary, one short text that must pass
// `sanitize` (so paths, sentences and file names cannot leave) and two numbers. The
// service's base address is the build setting MAROVEL_TELEMETRY_URL, which the
// environment variable of the same name overrides (even when set empty); with no usable
// http(s) address nothing is sent. Usage events honour "telemetryEnabled"; the newsletter
// opt-in is sent regardless.
namespace Telemetry {

struct Payload
{
    QString extra;
    double primary = 0;
    double secondary = 0;

    bool operator==(const Payload &) const = default;
};

// The 17 usage events. Build one with its named constructor; `type()` is the wire name.
class Event
{
public:
    enum class Kind {
        Launch,
        PermissionState,
        OnboardingStep,
        ScenarioDetected,
        RenameOffered,
        RenameAccepted,
        RenameRejected,
        RenameEdited,
        FileFiled,
        Undo,
        LowConfidenceKept,
        ExtractLatency,
        ModelUsed,
        OcrRun,
        DailyActive,
        ClientCrash,
        ModelDownload,
    };

    static Event launch(const QString &mode, const QString &channel);
    static Event permissionState(bool fda);
    static Event onboardingStep(qint64 step, bool done);
    static Event scenarioDetected(const QString &kind, const QString &conf, qint64 signalCount);
    static Event renameOffered(const QString &kind);
    static Event renameAccepted(const QString &kind);
    static Event renameRejected(const QString &kind);
    static Event renameEdited(const QString &kind, qint64 editBucket);
    static Event fileFiled(const QString &kind, bool success);
    static Event undo(const QString &action);
    static Event lowConfidenceKept(const QString &kind);
    static Event extractLatency(const QString &typeBucket, qint64 msBucket);
    static Event modelUsed(const QString &tier, qint64 msBucket);
    static Event ocrRun(const QString &lang, qint64 charsBucket);
    static Event dailyActive(qint64 foldersBucket, qint64 filesBucket);
    static Event clientCrash(const QString &top);
    static Event modelDownload(const QString &phase, const QString &source,
                               const std::optional<QString> &reason, qint64 mb);

    Kind kind() const { return m_kind; }
    QString type() const;
    const Payload &payload() const { return m_payload; }

private:
    Event(Kind kind, Payload payload) : m_kind(kind), m_payload(std::move(payload)) {}

    Kind m_kind;
    Payload m_payload;
};

// The text when it is one to four segments joined by "|" or ":", each an ASCII letter or
// digit followed by up to 23 letters, digits or "_"; otherwise the empty text.
QString sanitize(const QString &text);

// "telemetryEnabled" as stored; true when absent.
bool isEnabled();
// The random identifier sent with every event, made and stored on first use.
QString deviceID();
// The application's version, or the empty text.
QString appVersion();
// The operating system's name and version, e.g. "Debian GNU/Linux 12"; never the host name.
QString osString();
// The installation route from the "install-channel" marker of the data folder: "curl",
// "brew", "deb" or "source"; anything else (or no marker) counts as "dmg".
QString installChannel();

// The service's base address in effect now (environment, else build setting), when it
// is an http or https address.
std::optional<QUrl> baseAddress();
std::optional<QUrl> endpoint();      // base + "/api/telemetry"
std::optional<QUrl> optInEndpoint(); // base + "/api/optin"

// The compact body sent for `event`: {"events":[{nine members}]}.
QByteArray eventBody(const Event &event);

// Sends the event when reporting is on. Callable from any thread; never waits.
void track(const Event &event);
// Sends the newsletter opt-in, whatever "telemetryEnabled" says.
void submitOptIn(const QString &email);

} // namespace Telemetry
