#include "Telemetry.h"

#include "Defaults.h"
#include "MarovelPaths.h"
#include "StateTestSupport.h"
#include "TestSupport.h"
#include "TextUtil.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using Telemetry::Event;

TEST(Telemetry, EveryEventHasItsWireForm)
{
    struct Case
    {
        Event event;
        const char *type;
        QString extra;
        double primary;
        double secondary;
    };
    const Case cases[] = {
        {Event::launch("normal", "deb"), "launch", "normal|deb", 0, 0},
        {Event::permissionState(true), "permission_state", "fda:granted", 0, 0},
        {Event::permissionState(false), "permission_state", "fda:denied", 0, 0},
        {Event::onboardingStep(3, true), "onboarding_step", "step3:done", 0, 0},
        {Event::onboardingStep(1, false), "onboarding_step", "step1:skip", 0, 0},
        {Event::scenarioDetected("invoice", "high", 4), "scenario_detected", "invoice|high", 4, 0},
        {Event::renameOffered("paper"), "rename_offered", "paper", 0, 0},
        {Event::renameAccepted("paper"), "rename_accepted", "paper", 0, 0},
        {Event::renameRejected("paper"), "rename_rejected", "paper", 0, 0},
        {Event::renameEdited("paper", 2), "rename_edited", "paper", 2, 0},
        {Event::fileFiled("travel", true), "file_filed", "travel", 1, 0},
        {Event::fileFiled("travel", false), "file_filed", "travel", 0, 0},
        {Event::undo("rename"), "undo", "rename", 0, 0},
        {Event::lowConfidenceKept("unknown"), "low_confidence_kept", "unknown", 0, 0},
        {Event::extractLatency("pdf", 250), "extract_latency", "pdf", 250, 0},
        {Event::modelUsed("ollama", 1000), "model_used", "ollama", 1000, 0},
        {Event::ocrRun("zh", 500), "ocr_run", "zh", 500, 0},
        {Event::dailyActive(3, 40), "daily_active", "", 3, 40},
        {Event::clientCrash("SIGSEGV"), "client_crash", "SIGSEGV", 0, 0},
        {Event::modelDownload("done", "mirror", std::nullopt, 1900), "model_download", "done|mirror", 1900, 0},
        {Event::modelDownload("fail", "hf", QString("timeout"), 0), "model_download", "fail|hf|timeout", 0, 0},
    };
    QSet<QString> types;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(c.event.type(), c.type);
        EXPECT_EQ(c.event.payload(), (Telemetry::Payload{c.extra, c.primary, c.secondary}));
        types.insert(c.event.type());
    }
    EXPECT_EQ(types.size(), 17);
}

TEST(Telemetry, SanitizeLetsOnlyShortTokensThrough)
{
    const QString kept[] = {"fda:granted", "step3:done", "invoice|pdf", "a", "0_x",
                            "a|b|c|d", QString(24, u'x'), "A1:b2|C3:d4"};
    for (const QString &text : kept)
        EXPECT_EQ(Telemetry::sanitize(text), text) << text.toStdString();
    const QString dropped[] = {"0.92", "two words", QStringLiteral("caf\u00e9"), "_lead",
                               QString(25, u'x'), "a|b|c|d|e", "/home/u/x", "a||b", "a|", "|a",
                               "a-b", "invoice\n", "\ninvoice", "发票"};
    for (const QString &text : dropped)
        EXPECT_EQ(Telemetry::sanitize(text), QString()) << text.toStdString();
    EXPECT_EQ(Telemetry::sanitize(""), "");
}

TEST(Telemetry, InstallChannelComesFromTheMarkerInTheDataFolder)
{
    const QString marker = MarovelPaths::appSupport() + "/install-channel";
    EXPECT_EQ(Telemetry::installChannel(), "dmg"); // no marker
    struct Case
    {
        QByteArray content;
        const char *channel;
    } const cases[] = {
        {"brew\n", "brew"}, {"  curl \r\n", "curl"}, {"deb", "deb"}, {"source\n", "source"},
        {"Brew", "dmg"},    {"brew curl", "dmg"},    {"", "dmg"},    {"\xff\xfe", "dmg"},
    };
    for (const Case &c : cases) {
        TestSupport::writeFile(marker, c.content);
        EXPECT_EQ(Telemetry::installChannel(), c.channel) << c.content.toStdString();
    }
    QFile::remove(marker);
    TestSupport::writeFile(qEnvironmentVariable("MAROVEL_HOME") + "/install-channel", "brew");
    EXPECT_EQ(Telemetry::installChannel(), "dmg"); // MAROVEL_HOME does not move it
}

TEST(Telemetry, TheBaseAddressComesFromTheEnvironmentAndMustBeHttp)
{
    struct Case
    {
        const char *base;
        const char *endpoint; // empty: nothing is sent
        const char *optIn;
    } const cases[] = {
        {"", "", ""},
        {"   ", "", ""},
        {"http://127.0.0.1:8123", "http://127.0.0.1:8123/api/telemetry", "http://127.0.0.1:8123/api/optin"},
        {"https://t.example/base/", "https://t.example/base/api/telemetry", "https://t.example/base/api/optin"},
        {"ftp://t.example", "", ""},
        {"not an address", "", ""},
        {"/api", "", ""},
    };
    for (const Case &c : cases) {
        qputenv("MAROVEL_TELEMETRY_URL", c.base);
        const auto endpoint = Telemetry::endpoint();
        const auto optIn = Telemetry::optInEndpoint();
        EXPECT_EQ(endpoint ? endpoint->toString() : QString(), c.endpoint) << c.base;
        EXPECT_EQ(optIn ? optIn->toString() : QString(), c.optIn) << c.base;
    }
}

TEST(Telemetry, DeviceIdIsMadeOnceAndKept)
{
    Defaults::shared().remove("telemetryDeviceID");
    const QString id = Telemetry::deviceID();
    EXPECT_TRUE(TextUtil::isUuidText(id));
    EXPECT_EQ(id, id.toUpper());
    EXPECT_EQ(Defaults::shared().string("telemetryDeviceID"), id);
    EXPECT_EQ(Telemetry::deviceID(), id);
}

TEST(Telemetry, OsTextNamesTheSystemButNotTheMachine)
{
    const QString os = Telemetry::osString();
    EXPECT_FALSE(os.isEmpty());
    EXPECT_FALSE(os.endsWith(u')')) << os.toStdString(); // no code name
    const QString host = QSysInfo::machineHostName();
    if (host.size() > 2) {
        EXPECT_FALSE(os.contains(host)) << os.toStdString();
    }
}

TEST(Telemetry, AnEventIsPostedWithItsNineMembers)
{
    Loopback::Server server([](const Loopback::Request &) { return Loopback::Reply::json({}, 204); });
    ASSERT_NE(server.port(), 0);
    qputenv("MAROVEL_TELEMETRY_URL", server.base().toUtf8());
    Defaults::shared().remove("telemetryDeviceID");

    const qint64 before = QDateTime::currentSecsSinceEpoch();
    // From a worker thread: track may be called anywhere and never waits.
    QThread *worker = QThread::create([] {
        Telemetry::track(Event::scenarioDetected("invoice", "0.92", 5));
    });
    worker->start();
    ASSERT_TRUE(worker->wait(5000));
    delete worker;
    ASSERT_TRUE(server.waitForHits(1));
    const qint64 after = QDateTime::currentSecsSinceEpoch();

    const Loopback::Request request = server.requests().at(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/api/telemetry");
    EXPECT_EQ(request.headers.value("content-type"), "application/json");
    EXPECT_FALSE(request.body.contains('\n'));
    EXPECT_FALSE(request.body.contains(": "));

    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    EXPECT_EQ(body.keys(), QStringList{"events"});
    const QJsonArray events = body["events"].toArray();
    ASSERT_EQ(events.size(), 1);
    const QJsonObject e = events[0].toObject();
    EXPECT_EQ(e.keys(), (QStringList{"deviceId", "extra", "os", "primary", "product", "secondary",
                                     "ts", "type", "version"}));
    EXPECT_EQ(e["product"].toString(), "marovel");
    EXPECT_EQ(e["type"].toString(), "scenario_detected");
    EXPECT_EQ(e["extra"].toString(), ""); // "invoice|0.92" has a "."
    EXPECT_EQ(e["primary"], QJsonValue(5.0));
    EXPECT_EQ(e["secondary"], QJsonValue(0.0));
    EXPECT_EQ(e["os"].toString(), Telemetry::osString());
    EXPECT_EQ(e["version"].toString(), Telemetry::appVersion());
    EXPECT_EQ(e["deviceId"].toString(), Defaults::shared().string("telemetryDeviceID"));
    EXPECT_TRUE(TextUtil::isUuidText(e["deviceId"].toString()));
    EXPECT_TRUE(request.body.contains("\"ts\":" + QByteArray::number(e["ts"].toInteger()) + ","))
        << "ts is a whole number";
    EXPECT_GE(e["ts"].toInteger(), before);
    EXPECT_LE(e["ts"].toInteger(), after);

    // A later event carries the same identifier.
    Telemetry::track(Event::dailyActive(2, 30));
    ASSERT_TRUE(server.waitForHits(2));
    const QJsonObject daily =
        QJsonDocument::fromJson(server.requests().at(1).body).object()["events"].toArray()[0].toObject();
    EXPECT_EQ(daily["deviceId"], e["deviceId"]);
    EXPECT_EQ(daily["extra"].toString(), "");
    EXPECT_EQ(daily["primary"].toDouble(), 2);
    EXPECT_EQ(daily["secondary"].toDouble(), 30);
}

// The application ends while an event is still being sent: the receiver took the request
// and never answers. Under the address-sanitizer build the process fails on exit when the
// network objects of that request are lost in the teardown.
TEST(Telemetry, ARequestStillInFlightAtExitIsTornDownWithTheApplication)
{
    // A plain socket, not a Qt server: it must outlive the application object. The
    // kernel closes it when the process ends.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length), 0);
    qputenv("MAROVEL_TELEMETRY_URL", "http://127.0.0.1:" + QByteArray::number(ntohs(address.sin_port)));

    Telemetry::track(Event::undo("late"));
    // Wait until the request has arrived, then keep the connection open without answering.
    int connection = -1;
    QByteArray received;
    QDeadlineTimer deadline(10000);
    while (!received.contains("\r\n\r\n") && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        pollfd ready{connection < 0 ? listener : connection, POLLIN, 0};
        if (::poll(&ready, 1, 20) <= 0)
            continue;
        if (connection < 0) {
            connection = ::accept(listener, nullptr, nullptr);
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::read(connection, buffer, sizeof buffer);
        if (n > 0)
            received.append(buffer, n);
    }
    EXPECT_TRUE(received.startsWith("POST /api/telemetry")) << received.constData();
}

TEST(Telemetry, SwitchedOffSendsNoEventsButStillTheOptIn)
{
    Loopback::Server server([](const Loopback::Request &) { return Loopback::Reply::json({}, 204); });
    ASSERT_NE(server.port(), 0);
    qputenv("MAROVEL_TELEMETRY_URL", (server.base() + "/").toUtf8());

    Defaults::shared().setValue("telemetryEnabled", false);
    EXPECT_FALSE(Telemetry::isEnabled());
    Telemetry::track(Event::undo("off"));
    Telemetry::submitOptIn("someone@example.org");

    Defaults::shared().setValue("telemetryEnabled", true);
    Telemetry::track(Event::undo("on"));
    Defaults::shared().remove("telemetryEnabled");
    EXPECT_TRUE(Telemetry::isEnabled()); // absent counts as on
    Telemetry::track(Event::undo("absent"));

    ASSERT_TRUE(server.waitForHits(3));
    QTest::qWait(300); // room for a request that should not come
    ASSERT_EQ(server.requests().size(), 3);

    QStringList actions;
    for (const Loopback::Request &request : server.requests()) {
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        if (request.path == "/api/optin") {
            EXPECT_EQ(body, (QJsonObject{{"email", "someone@example.org"}, {"product", "marovel"}}));
            actions << "optin";
        } else {
            EXPECT_EQ(request.path, "/api/telemetry");
            actions << body["events"].toArray()[0].toObject()["extra"].toString();
        }
    }
    actions.sort();
    EXPECT_EQ(actions, (QStringList{"absent", "on", "optin"}));
}

} // namespace
