#pragma once

#include "BrowserState.h"
#include "BrowserTestSupport.h"
#include "Defaults.h"
#include "Localization.h"
#include "Namer.h"
#include "NamingTemplate.h"
#include "PaneState.h"
#include "TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace NamingTest {

using namespace BrowserTest;

// The browser's naming operations on real folders, with the Chinese interface texts and
// the default naming template.
class BrowserNaming : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        Defaults::shared().remove(NamingTemplate::storageKey);
        Defaults::shared().remove(QStringLiteral("preReadEnabled"));
    }

    // Opens `folder` in the browser's active pane and waits for its listing.
    static void open(BrowserState &browser, const QString &folder)
    {
        browser.activePane()->go(folder, false);
        settle();
    }

    // Gives the named items of the active pane these suggestions, ticked.
    static void suggest(BrowserState &browser, const QList<std::pair<QString, QString>> &names)
    {
        for (const auto &[from, to] : names) {
            const QString path = browser.activePane()->current() + u'/' + from;
            browser.setSuggestion(path, to);
            browser.setAccept(path, true);
        }
    }

    static void applyAndWait(BrowserState &browser)
    {
        browser.applyRenames();
        ASSERT_TRUE(waitFor([&] { return !browser.applying(); }));
        settle();
    }

    static void organizeAndWait(BrowserState &browser)
    {
        browser.organize();
        ASSERT_TRUE(waitFor([&] { return !browser.scanning(); }, 120000));
        settle();
    }

    static void writeText(const QString &path, const QByteArray &text)
    {
        TestSupport::writeFile(path, text);
    }

    // The active pane's item of that name (a default item when there is none).
    static FileItem itemNamed(BrowserState &browser, const QString &name)
    {
        for (const FileItem &item : browser.activePane()->items()) {
            if (item.name == name)
                return item;
        }
        return FileItem();
    }
};

// The naming engines replaced for a scope: Ollama counts as down (a probe that never
// expires), there is no system model, and the in-process model answers through `local`
// (its raw answer, a JSON object such as {"v":"…"}; nothing when it returns nothing).
class FakeEngines
{
public:
    using Local = std::function<std::optional<QString>(const QString &question, const QString &snippet)>;

    explicit FakeEngines(Local local = {})
        : m_scope(engines(std::move(local)))
    {
        Namer::recordProbe(false);
    }
    ~FakeEngines() { Namer::resetProbeCache(); }

private:
    static Namer::Engines engines(Local local)
    {
        Namer::Engines e;
        e.systemModelAvailable = [] { return false; };
        e.localModel = local ? std::move(local) : Local([](const QString &, const QString &) {
            return std::optional<QString>();
        });
        e.clockMs = [] { return qint64(1000); };
        return e;
    }

    Namer::ScopedEngines m_scope;
};

} // namespace NamingTest
