#pragma once

#include "LoopbackHttp.h"
#include "ScenarioDetector.h"

#include <QString>

#include <future>
#include <utility>

// Pins the interface language the engines read.
struct PinnedLanguage : ScenarioDetector::ScopedEnvironment
{
    explicit PinnedLanguage(QString language)
        : ScenarioDetector::ScopedEnvironment(
            ScenarioDetector::Environment{{}, [language] { return language; }})
    {
    }
};

// Runs `f` on a thread of its own (never the GUI thread, where the engines refuse to
// wait) and returns its result.
template<typename F>
auto offGuiThread(F &&f)
{
    return std::async(std::launch::async, std::forward<F>(f)).get();
}
