// The model download against mirrors on 127.0.0.1: states, mirrors in order, digest,
// install, cancel, free space and telemetry.
#include "EnginesTestSupport.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "ModelDownload.h"
#include "Telemetry.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QThreadPool>

#include <gtest/gtest.h>

namespace {

using Loopback::Reply;
using Loopback::Request;
using State = ModelDownload::State;

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, '\0');
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

QString sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Mirrors by path: "/good" serves the model, "/bad" another file, "/missing" a 404 page,
// "/cut" the model cut off halfway, "/stall" half the model and then nothing,
// "/nolength" the model without a Content-Length, "/moved" a redirect to "/good".
struct Mirrors
{
    explicit Mirrors(QByteArray model)
        : model(std::move(model)), server([this](const Request &request) { return answer(request); })
    {
    }

    Reply answer(const Request &request) const
    {
        Reply reply;
        reply.contentType = "application/octet-stream";
        reply.body = model;
        if (request.path == "/bad")
            reply.body = randomBytes(model.size(), 99);
        else if (request.path == "/missing")
            reply = Reply::json("<html>Not Found</html>", 404);
        else if (request.path == "/cut")
            reply.mode = Reply::Mode::cutBody;
        else if (request.path == "/stall")
            reply.mode = Reply::Mode::stall;
        else if (request.path == "/nolength")
            reply.contentLength = false;
        else if (request.path == "/moved")
            reply = {302, {}, "text/plain", true, {{"Location", "/good"}}, Reply::Mode::complete};
        return reply;
    }

    QString url(const char *path) const { return server.url(QString::fromLatin1(path)); }

    QByteArray model;
    Loopback::Server server;
};

struct Fixture
{
    static inline int count = 0;

    explicit Fixture(QByteArray model = randomBytes(3 * 1000 * 1000 + 17, 7))
        : mirrors(std::move(model)),
          target(TestSupport::root() + QStringLiteral("/home/.local/share/Marovel/models/test-%1.gguf").arg(++count)),
          llm([] { return std::optional<QString>(); })
    {
        download.setTelemetrySink([this](const Telemetry::Event &event) { events << event.payload().extra; });
        download.setFreeSpaceProvider([](const QString &) { return std::optional<qint64>(); });
        download.setLocalModel(&llm);
        QObject::connect(&download, &ModelDownload::stateChanged, [this] { states << download.state(); });
    }

    ModelDownload::ModelFile file(const QStringList &paths) const
    {
        QStringList urls;
        for (const QString &path : paths)
            urls << mirrors.server.url(path);
        return {urls, sha256(mirrors.model), target, 1000, "1 KB"};
    }

    bool waitForEnd(int ms = 30000)
    {
        return Loopback::waitFor([this] {
            const auto kind = download.state().kind;
            return kind == State::Kind::done || kind == State::Kind::failed;
        }, ms);
    }

    QStringList kinds() const
    {
        QStringList list;
        for (const State &s : states) {
            switch (s.kind) {
            case State::Kind::downloading: list << (s.fraction == 0 ? "downloading(0)" : "downloading"); break;
            case State::Kind::failed: list << "failed"; break;
            case State::Kind::idle: list << "idle"; break;
            case State::Kind::verifying: list << "verifying"; break;
            case State::Kind::done: list << "done"; break;
            }
        }
        list.removeDuplicates();
        return list;
    }

    // Files being received, or left behind, in the models folder.
    QStringList leftovers() const
    {
        QDir folder(QFileInfo(target).absolutePath());
        return folder.entryList({"*.part"}, QDir::Files | QDir::Hidden);
    }

    Mirrors mirrors;
    QString target;
    LocalLLM llm;
    ModelDownload download;
    QList<State> states;
    QStringList events;
};

TEST(ModelDownloadBasics, StatesCompareByCaseAndPayload)
{
    EXPECT_EQ(State::downloading(0.5), State::downloading(0.5));
    EXPECT_NE(State::downloading(0.5), State::downloading(0.25));
    EXPECT_EQ(State::failed("a"), State::failed("a"));
    EXPECT_NE(State::failed("a"), State::failed("b"));
    EXPECT_NE(State::idle(), State::done());
    EXPECT_EQ(State::verifying(), State::verifying());

    const ModelDownload::ModelFile file = ModelDownload::ModelFile::default3B();
    EXPECT_EQ(file.targetPath, LocalLLM::downloaded3B());
    EXPECT_EQ(file.needBytes, 2600000000LL);
    ASSERT_EQ(file.urls.size(), 2);
    EXPECT_EQ(ModelDownload::sourceName(file.urls[0]), "modelscope");
    EXPECT_EQ(ModelDownload::sourceName(file.urls[1]), "huggingface");
    EXPECT_TRUE(file.urls[0].endsWith("/models/Qwen/Qwen2.5-3B-Instruct-GGUF/resolve/master/qwen2.5-3b-instruct-q4_k_m.gguf"));
    EXPECT_TRUE(file.urls[1].endsWith("/Qwen/Qwen2.5-3B-Instruct-GGUF/resolve/main/qwen2.5-3b-instruct-q4_k_m.gguf"));
}

TEST(ModelDownloadBasics, SourceNamesComeFromTheHost)
{
    struct Case {
        const char *url;
        const char *source;
        const char *display;
    };
    const Case cases[] = {
        {"https://www.modelscope.cn/models/x.gguf", "modelscope", "ModelScope"},
        {"https://huggingface.co/Qwen/x.gguf", "huggingface", "Hugging Face"},
        {"https://objects.githubusercontent.com/x", "github", "GitHub"},
        {"https://mirror.example/huggingface/x.gguf", "unknown", "下载源"},
        {"not a url", "unknown", "下载源"},
        {"http://exa mple.com/x", "unknown", "下载源"},
        {"", "unknown", "下载源"},
    };
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    for (const Case &c : cases) {
        const QString source = ModelDownload::sourceName(c.url);
        EXPECT_EQ(source, c.source) << c.url;
        EXPECT_EQ(ModelDownload::displayName(source), QString::fromUtf8(c.display)) << c.url;
    }
    Loc::shared().setOverride(std::nullopt);
}

TEST(ModelDownloadBasics, VerifyComparesTheLowerCaseDigestExactly)
{
    const QString path = TestSupport::root() + "/file.bin";
    const QByteArray bytes = randomBytes(ModelDownload::hashChunk * 2 + 5, 3);
    TestSupport::writeFile(path, bytes);
    const QString digest = sha256(bytes);
    EXPECT_TRUE(ModelDownload::verify(path, digest));
    EXPECT_FALSE(ModelDownload::verify(path, digest.toUpper()));
    EXPECT_FALSE(ModelDownload::verify(path, digest.left(63)));
    EXPECT_FALSE(ModelDownload::verify(path + ".absent", digest));
    TestSupport::writeFile(path, {});
    EXPECT_TRUE(ModelDownload::verify(path, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
}

TEST(ModelDownload, PresentTargetIsDoneWithoutARequest)
{
    Fixture f;
    TestSupport::writeFile(f.target, "already here");
    f.download.start(f.file({"/good"}));
    EXPECT_EQ(f.download.state(), State::done());
    QTest::qWait(50);
    EXPECT_EQ(f.mirrors.server.hits(), 0);
    EXPECT_TRUE(f.events.isEmpty());
    EXPECT_EQ(TestSupport::readFile(f.target), "already here");
}

TEST(ModelDownload, GoodFirstMirrorDownloadsVerifiesAndInstalls)
{
    Fixture f;
    Loc::shared().setOverride(QStringLiteral("en"));
    QList<int> megabytes;
    QObject::connect(&f.download, &ModelDownload::downloadedMBChanged,
                     [&] { megabytes << f.download.downloadedMB(); });
    f.download.start(f.file({"/good", "/bad"}));
    EXPECT_EQ(f.download.state(), State::downloading(0));
    EXPECT_EQ(f.download.sourceLabel(), "Download source");
    ASSERT_TRUE(f.waitForEnd());

    EXPECT_EQ(f.download.state(), State::done());
    EXPECT_EQ(f.kinds(), QStringList({"downloading(0)", "downloading", "verifying", "done"}));
    EXPECT_EQ(TestSupport::readFile(f.target), f.mirrors.model);
    EXPECT_EQ(f.leftovers(), QStringList());
    EXPECT_EQ(f.mirrors.server.hits(), 1);
    EXPECT_EQ(f.download.downloadedMB(), 3);
    EXPECT_EQ(megabytes.last(), 3);
    EXPECT_EQ(f.events, QStringList({"start|unknown", "done|unknown"}));
    // The fraction only grows, up to 1.
    double previous = 0;
    for (const State &s : f.states) {
        if (s.kind == State::Kind::downloading) {
            EXPECT_GE(s.fraction, previous);
            EXPECT_LE(s.fraction, 1.0);
            previous = s.fraction;
        }
    }
    EXPECT_EQ(previous, 1.0);
    Loc::shared().setOverride(std::nullopt);

    // A new start finds the file in place.
    f.download.start(f.file({"/good"}));
    EXPECT_EQ(f.download.state(), State::done());
    EXPECT_EQ(f.mirrors.server.hits(), 1);
}

TEST(ModelDownload, BodyWithoutLengthKeepsTheFractionAtZero)
{
    Fixture f;
    f.download.start(f.file({"/nolength"}));
    ASSERT_TRUE(f.waitForEnd());
    EXPECT_EQ(f.download.state(), State::done());
    for (const State &s : f.states) {
        if (s.kind == State::Kind::downloading) {
            EXPECT_EQ(s.fraction, 0);
        }
    }
    EXPECT_EQ(f.download.downloadedMB(), 3);
}

TEST(ModelDownload, FailingMirrorsAreSkippedInOrder)
{
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    struct Case {
        const char *name;
        QStringList paths;
        State expected;
        QStringList events;
    };
    const Case cases[] = {
        {"digest mismatch, then good", {"/bad", "/good"}, State::done(),
         {"start|unknown", "fail|unknown|sha256", "start|unknown", "done|unknown"}},
        {"error page, then good", {"/missing", "/good"}, State::done(),
         {"start|unknown", "fail|unknown|sha256", "start|unknown", "done|unknown"}},
        {"both bad", {"/bad", "/missing"}, State::failed("校验失败（sha256 不匹配）"),
         {"start|unknown", "fail|unknown|sha256", "start|unknown", "fail|unknown|sha256"}},
        {"redirect followed", {"/moved", "/good"}, State::done(), {"start|unknown", "done|unknown"}},
        {"cut off, then good", {"/cut", "/good"}, State::done(),
         {"start|unknown", "fail|unknown|network", "start|unknown", "done|unknown"}},
    };
    for (const Case &c : cases) {
        Fixture f;
        f.download.start(f.file(c.paths));
        ASSERT_TRUE(f.waitForEnd()) << c.name;
        EXPECT_EQ(f.download.state(), c.expected) << c.name;
        EXPECT_EQ(f.events, c.events) << c.name;
        // Each mirror once, in order (Qt itself may resend a request whose connection was
        // cut, so the first mirror is counted loosely).
        const QList<Request> requests = f.mirrors.server.requests();
        ASSERT_GE(requests.size(), 2) << c.name;
        EXPECT_EQ(requests.first().path, c.paths[0].toUtf8()) << c.name;
        EXPECT_EQ(requests.last().path, c.paths[1].toUtf8()) << c.name;
        EXPECT_EQ(f.mirrors.server.hits(c.paths[1].toUtf8()), 1) << c.name;
        EXPECT_EQ(f.leftovers(), QStringList()) << c.name;
        EXPECT_EQ(QFileInfo::exists(f.target), c.expected == State::done()) << c.name;
    }
    Loc::shared().setOverride(std::nullopt);
}

TEST(ModelDownload, TransferErrorOnTheLastMirrorIsTheMessage)
{
    Fixture f;
    f.download.start(f.file({"/bad", "/cut"}));
    ASSERT_TRUE(f.waitForEnd());
    const State state = f.download.state();
    ASSERT_EQ(state.kind, State::Kind::failed);
    EXPECT_FALSE(state.message.isEmpty());
    EXPECT_NE(state.message, L("校验失败（sha256 不匹配）"));
    EXPECT_EQ(f.events.last(), "fail|unknown|network");
    EXPECT_FALSE(QFileInfo::exists(f.target));
    EXPECT_EQ(f.leftovers(), QStringList());
}

TEST(ModelDownload, CancelWhileDownloadingIsFinal)
{
    Fixture f;
    f.download.start(f.file({"/stall", "/good"}));
    ASSERT_TRUE(Loopback::waitFor([&] { return f.download.downloadedMB() >= 1; }));
    EXPECT_EQ(f.leftovers().size(), 1); // the file being received
    f.download.cancel();
    EXPECT_EQ(f.download.state(), State::idle());
    EXPECT_EQ(f.events, QStringList({"start|unknown", "fail|unknown|cancel"}));

    // The ended transfer changes nothing and leaves no file; no other mirror is tried.
    ASSERT_TRUE(Loopback::waitFor([&] { return f.leftovers().isEmpty(); }));
    QTest::qWait(200);
    EXPECT_EQ(f.download.state(), State::idle());
    EXPECT_EQ(f.mirrors.server.hits(), 1);
    EXPECT_EQ(f.download.downloadedMB(), 1); // the last value stays

    // A new start begins again from the first mirror.
    f.mirrors.server.setHandler([&](const Request &r) {
        return r.path == "/stall" ? Reply::json(f.mirrors.model) : f.mirrors.answer(r);
    });
    f.download.start(f.file({"/stall", "/bad"}));
    ASSERT_TRUE(f.waitForEnd());
    EXPECT_EQ(f.download.state(), State::done());
    EXPECT_EQ(f.mirrors.server.hits(), 2);
}

TEST(ModelDownload, CancelWhileVerifyingNeitherInstallsNorMovesOn)
{
    for (const char *first : {"/good", "/bad"}) {
        Fixture f;
        QObject::connect(&f.download, &ModelDownload::stateChanged, [&] {
            if (f.download.state() == State::verifying())
                f.download.cancel();
        });
        f.download.start(f.file({first, "/good"}));
        ASSERT_TRUE(Loopback::waitFor([&] { return f.download.state() == State::idle(); })) << first;
        // Let the digest finish and report.
        QTest::qWait(300);
        EXPECT_EQ(f.download.state(), State::idle()) << first;
        EXPECT_EQ(f.kinds(), QStringList({"downloading(0)", "downloading", "verifying", "idle"})) << first;
        EXPECT_EQ(f.mirrors.server.hits(), 1) << first;
        EXPECT_FALSE(QFileInfo::exists(f.target)) << first;
        EXPECT_EQ(f.leftovers(), QStringList()) << first;
        // No transfer was running, so no cancel event.
        EXPECT_EQ(f.events, QStringList({"start|unknown"})) << first;
    }
}

TEST(ModelDownload, ADownloadGoneBeforeItsDigestEndsLeavesNoFile)
{
    // The digest runs on the global pool: held busy, it cannot end before the download
    // object is gone.
    QThreadPool &pool = *QThreadPool::globalInstance();
    QSemaphore hold;
    for (int i = 0; i < pool.maxThreadCount(); ++i)
        pool.start([&hold] { hold.acquire(); });
    auto f = std::make_unique<Fixture>();
    f->download.start(f->file({"/good"}));
    const bool verifying = Loopback::waitFor([&] { return f->download.state() == State::verifying(); });
    const QString folder = QFileInfo(f->target).absolutePath();
    f.reset();
    hold.release(pool.maxThreadCount());
    ASSERT_TRUE(verifying);
    ASSERT_TRUE(pool.waitForDone(30000));
    QCoreApplication::processEvents(); // nothing is delivered to the download that is gone
    EXPECT_EQ(QDir(folder).entryList({"*.part", "*.gguf"}, QDir::Files | QDir::Hidden), QStringList());
}

TEST(ModelDownload, ShutDownEndsTheTransferAndNothingStartsAfterwards)
{
    Fixture f;
    f.download.start(f.file({"/stall"}));
    ASSERT_TRUE(f.mirrors.server.waitForHits(1));
    f.download.shutDown();
    EXPECT_EQ(f.download.state(), State::idle());
    EXPECT_EQ(f.leftovers(), QStringList());

    f.download.start(f.file({"/good"}));
    QTest::qWait(100);
    EXPECT_EQ(f.download.state(), State::idle());
    EXPECT_EQ(f.mirrors.server.hits(), 1);
    EXPECT_EQ(f.leftovers(), QStringList());
}

TEST(ModelDownload, SecondStartWhileRunningOnlyStoresTheModelFile)
{
    Fixture f;
    const ModelDownload::ModelFile first = f.file({"/stall"});
    f.download.start(first);
    ASSERT_TRUE(f.mirrors.server.waitForHits(1));
    ModelDownload::ModelFile other = f.file({"/good"});
    other.label = "other";
    f.download.start(other);
    EXPECT_EQ(f.download.modelFile(), other);
    EXPECT_EQ(f.download.state().kind, State::Kind::downloading);
    QTest::qWait(100);
    EXPECT_EQ(f.mirrors.server.hits(), 1);
    EXPECT_EQ(f.events, QStringList({"start|unknown"}));
    f.download.cancel();
}

TEST(ModelDownload, TooLittleFreeSpaceStopsBeforeAnyRequest)
{
    for (const qint64 free : {2599999999LL, 2600000000LL}) {
        Fixture f;
        QString asked;
        f.download.setFreeSpaceProvider([&](const QString &path) {
            asked = path;
            return std::optional<qint64>(free);
        });
        ModelDownload::ModelFile file = f.file({"/stall"});
        file.needBytes = 2600000000LL;
        file.label = L("约 2GB");
        f.download.start(file);
        EXPECT_EQ(asked, f.target);
        if (free < file.needBytes) {
            EXPECT_EQ(f.download.state(), State::failed(L("磁盘空间不足（需约 %@）", L("约 2GB"))));
            EXPECT_EQ(f.events, QStringList({"fail|unknown|disk"}));
            QTest::qWait(50);
            EXPECT_EQ(f.mirrors.server.hits(), 0);
        } else {
            EXPECT_EQ(f.download.state(), State::downloading(0));
            EXPECT_TRUE(f.mirrors.server.waitForHits(1));
            f.download.cancel();
        }
    }
}

TEST(ModelDownload, NoUsableUrlFailsWithoutARequest)
{
    const QStringList lists[] = {{}, {"http://exa mple.com/model.gguf"}, {"/relative/path.gguf"}};
    for (const QStringList &urls : lists) {
        Fixture f;
        ModelDownload::ModelFile file = f.file({});
        file.urls = urls;
        f.download.start(file);
        EXPECT_EQ(f.download.state(), State::failed(L("所有下载源都失败"))) << urls.join(",").toStdString();
        EXPECT_TRUE(f.events.isEmpty());
    }
}

TEST(ModelDownload, UnwritableTargetFolderFailsBeforeTheTransfer)
{
    Fixture f;
    // A file stands where a folder of the target path should be.
    const QString blocker = TestSupport::root() + "/blocker";
    TestSupport::writeFile(blocker, "file");
    ModelDownload::ModelFile file = f.file({"/good"});
    file.targetPath = blocker + "/models/model.gguf";
    f.download.start(file);
    const State state = f.download.state();
    ASSERT_EQ(state.kind, State::Kind::failed);
    EXPECT_TRUE(state.message.startsWith(L("临时文件保存失败：%@", QString()))) << state.message.toStdString();
    QTest::qWait(50);
    EXPECT_EQ(f.mirrors.server.hits(), 0);
}

TEST(ModelDownload, InstallCreatesAnyTargetFolderAndTheModelIsLoadedAfterwards)
{
    Fixture f(TestSupport::readFile(QStringLiteral(MAROVEL_TINY_MODEL)));
    ModelDownload::ModelFile file = f.file({"/good"});
    file.targetPath = TestSupport::root() + "/deep/er/folder/model.gguf";
    LocalLLM llm([&] {
        return QFileInfo::exists(file.targetPath) ? std::optional<QString>(file.targetPath) : std::nullopt;
    });
    f.download.setLocalModel(&llm);

    // The model was looked for before the download: nothing there, attempt used up.
    llm.warmup().waitForFinished();
    EXPECT_FALSE(llm.isLoaded());

    f.download.start(file);
    ASSERT_TRUE(f.waitForEnd());
    EXPECT_EQ(f.download.state(), State::done());
    EXPECT_EQ(f.events.last(), "done|unknown");
    // The reset and warm-up after the install load the new file.
    ASSERT_TRUE(Loopback::waitFor([&] { return llm.isLoaded(); }, 60000));
    EXPECT_EQ(llm.loadAttempts(), 1);
    EXPECT_TRUE(offGuiThread([&] { return llm.describeBlocking("q", "text"); }).has_value());
}

TEST(ModelDownload, TelemetryGoesToTheUsageService)
{
    Loopback::Server service([](const Request &) { return Reply::json("{}"); });
    qputenv("MAROVEL_TELEMETRY_URL", service.base().toUtf8());
    Mirrors mirrors(randomBytes(1000, 5));
    ModelDownload download;
    download.setFreeSpaceProvider([](const QString &) { return std::optional<qint64>(); });
    LocalLLM llm([] { return std::optional<QString>(); });
    download.setLocalModel(&llm);
    download.start({{mirrors.url("/good")}, sha256(mirrors.model), TestSupport::root() + "/m/x.gguf", 0, "1 KB"});
    ASSERT_TRUE(Loopback::waitFor([&] { return download.state() == State::done(); }));
    ASSERT_TRUE(service.waitForHits(2));
    QStringList extras;
    for (const Request &request : service.requests()) {
        EXPECT_EQ(request.path, "/api/telemetry");
        const QJsonObject event = QJsonDocument::fromJson(request.body).object()["events"].toArray()[0].toObject();
        EXPECT_EQ(event["type"], "model_download");
        extras << event["extra"].toString();
    }
    extras.sort();
    EXPECT_EQ(extras, QStringList({"done|unknown", "start|unknown"}));
    qputenv("MAROVEL_TELEMETRY_URL", "");
}

} // namespace
