#include "ScenarioDetector.h"

#include "Localization.h"

#include <mutex>

namespace ScenarioDetector {

namespace {

std::mutex environmentLock;
std::shared_ptr<const Environment> installed;

std::shared_ptr<const Environment> current()
{
    std::lock_guard locker(environmentLock);
    return installed;
}

} // namespace

QDate today()
{
    const auto environment = current();
    if (environment && environment->today)
        return environment->today();
    return QDate::currentDate();
}

QString uiLanguage()
{
    const auto environment = current();
    if (environment && environment->language)
        return environment->language();
    return Loc::shared().language();
}

ScopedEnvironment::ScopedEnvironment(Environment environment)
{
    auto next = std::make_shared<const Environment>(std::move(environment));
    std::lock_guard locker(environmentLock);
    m_previous = std::exchange(installed, std::move(next));
}

ScopedEnvironment::~ScopedEnvironment()
{
    std::lock_guard locker(environmentLock);
    installed = std::move(m_previous);
}

} // namespace ScenarioDetector
