#pragma once

// What the onboarding tests share: the settings keys reset, a model download whose
// mirror is a loopback server that holds its answer until released, and the usage events
// a controller sends.
#include "Defaults.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "LoopbackHttp.h"
#include "ModelDownload.h"
#include "Onboarding.h"
#include "OnboardingController.h"
#include "Telemetry.h"
#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>

#include <atomic>
#include <memory>

namespace OnboardTest {

using Loopback::waitFor;

inline QString key(const char *name)
{
    return QString::fromLatin1(name);
}

// Chinese texts, no switches on the command line, none of the first-run keys stored;
// sample folders go below the test's own folder.
inline void resetSettings()
{
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    Defaults &defaults = Defaults::shared();
    defaults.setArgumentDomain({});
    for (const char *name : {OnboardingKeys::completed, OnboardingKeys::sampleDemoRan,
                             OnboardingKeys::firstWinBannerShown, OnboardingKeys::hasAcceptedRename,
                             OnboardingKeys::render, OnboardingKeys::preview})
        defaults.remove(key(name));
    const QString temp = TestSupport::makeFolder(QStringLiteral("tmp"));
    qputenv("TMPDIR", QFile::encodeName(temp));
}

// The default model file served from 127.0.0.1: "/model" answers once `release()` was
// called (until then the download stays at 0 %), "/missing" answers 404. The file lands
// where the local engine looks for the model, so a finished download makes it ready.
class Mirror
{
public:
    explicit Mirror(const char *path = "/model")
        : m_model(QByteArray(64 * 1024, 'm')),
          m_released(std::make_shared<std::atomic_bool>(false)),
          m_server([model = m_model, released = m_released](const Loopback::Request &request) {
              if (request.path != "/model")
                  return Loopback::Reply::json("<html>Not Found</html>", 404);
              while (!released->load())
                  QThread::msleep(5);
              Loopback::Reply reply;
              reply.contentType = "application/octet-stream";
              reply.body = model;
              return reply;
          })
    {
        const QString sha = QString::fromLatin1(QCryptographicHash::hash(m_model, QCryptographicHash::Sha256).toHex());
        ModelDownload::setDefaultFile(ModelDownload::ModelFile{
            {m_server.url(QString::fromLatin1(path))}, sha, LocalLLM::downloaded3B(), 1000, QStringLiteral("1 KB")});
    }
    ~Mirror()
    {
        release();
        ModelDownload::setDefaultFile(std::nullopt);
    }

    void release() { m_released->store(true); }
    qsizetype hits() const { return m_server.hits(); }

private:
    QByteArray m_model;
    std::shared_ptr<std::atomic_bool> m_released;
    Loopback::Server m_server;
};

// A model download that never loads a model into this process.
struct Download
{
    Download()
    {
        download.setFreeSpaceProvider([](const QString &) { return std::optional<qint64>(); });
        download.setLocalModel(&llm);
    }

    LocalLLM llm{[] { return std::optional<QString>(); }};
    ModelDownload download;
};

// The "extra" text of the events a controller sends, such as "step2:skip".
struct Events
{
    void attach(OnboardingController &controller)
    {
        controller.setTelemetrySink([this](const Telemetry::Event &event) { sent << event.payload().extra; });
    }
    QStringList sent;
};

} // namespace OnboardTest
