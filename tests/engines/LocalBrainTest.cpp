// The engine status shown across the interface and its labels.
#include "LocalBrain.h"
#include "LocalLLM.h"
#include "Localization.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Kind = LocalBrain::Status::Kind;
using State = ModelDownload::State;

TEST(LocalBrain, StatusTakesTheFirstRuleThatHolds)
{
    struct Case {
        const char *name;
        bool ollama, system, local;
        State download;
        LocalBrain::Status expected;
    };
    const Case cases[] = {
        {"Ollama up beats a failed download", true, false, false, State::failed("x"), {Kind::ready, 0, false, {}}},
        {"system model", false, true, false, State::idle(), {Kind::ready, 0, false, {}}},
        {"model file beats a running download", false, false, true, State::downloading(0.3), {Kind::ready, 0, false, {}}},
        {"downloading", false, false, false, State::downloading(0.456), {Kind::preparing, 0.456, false, {}}},
        {"verifying", false, false, false, State::verifying(), {Kind::preparing, 0, true, {}}},
        {"failed", false, false, false, State::failed("disk full"), {Kind::failed, 0, false, "disk full"}},
        {"idle", false, false, false, State::idle(), {Kind::notReady, 0, false, {}}},
        {"done but no file", false, false, false, State::done(), {Kind::notReady, 0, false, {}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(LocalBrain::status(c.ollama, c.system, c.local, c.download), c.expected) << c.name;
}

TEST(LocalBrain, LabelsInBothLanguagesAndForAnyProgress)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        LocalBrain::Status status;
        const char *zh;
        const char *en;
    };
    const Case cases[] = {
        {{Kind::ready, 0, false, {}}, "本地大脑已就绪", "Local brain ready"},
        {{Kind::preparing, 0.456, false, {}}, "本地大脑准备中 45%…", "Preparing the local brain 45%…"},
        {{Kind::preparing, 0, false, {}}, "本地大脑准备中 0%…", "Preparing the local brain 0%…"},
        {{Kind::preparing, 1, false, {}}, "本地大脑准备中 100%…", "Preparing the local brain 100%…"},
        {{Kind::preparing, nan, false, {}}, "本地大脑准备中 0%…", "Preparing the local brain 0%…"},
        {{Kind::preparing, inf, false, {}}, "本地大脑准备中 0%…", "Preparing the local brain 0%…"},
        {{Kind::preparing, -inf, false, {}}, "本地大脑准备中 0%…", "Preparing the local brain 0%…"},
        {{Kind::preparing, 7.5, false, {}}, "本地大脑准备中 100%…", "Preparing the local brain 100%…"},
        {{Kind::preparing, -0.2, false, {}}, "本地大脑准备中 0%…", "Preparing the local brain 0%…"},
        {{Kind::preparing, 0.5, true, {}}, "本地大脑准备中…", "Preparing the local brain…"},
        {{Kind::failed, 0, false, "disk full"}, "本地大脑准备失败", "The local brain could not be prepared"},
        {{Kind::notReady, 0, false, {}}, "本地大脑未就绪", "Local brain not ready"},
    };
    for (const char *language : {"zh-Hans", "en"}) {
        Loc::shared().setOverride(QString::fromLatin1(language));
        const bool zh = QString::fromLatin1(language) == "zh-Hans";
        for (const Case &c : cases)
            EXPECT_EQ(LocalBrain::label(c.status), QString::fromUtf8(zh ? c.zh : c.en));
    }
    Loc::shared().setOverride(std::nullopt);
}

TEST(LocalBrain, FollowsTheSharedDownloadAndTheModelFiles)
{
    Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    EXPECT_EQ(LocalBrain::status(false).kind, Kind::notReady);
    EXPECT_EQ(LocalBrain::label(true), "本地大脑已就绪");

    ModelDownload::shared().start({{}, QString(64, u'0'), TestSupport::root() + "/m.gguf", 0, "1 KB"});
    EXPECT_EQ(LocalBrain::status(false), (LocalBrain::Status{Kind::failed, 0, false, "所有下载源都失败"}));

    TestSupport::writeFile(LocalLLM::downloaded3B(), "gguf");
    EXPECT_EQ(LocalBrain::status(false).kind, Kind::ready);
    Loc::shared().setOverride(std::nullopt);
}

} // namespace
