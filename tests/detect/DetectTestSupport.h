#pragma once

#include "Localization.h"
#include "ScenarioDetection.h"
#include "TestSupport.h"

#include <QDate>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

#include <atomic>
#include <optional>

// Pins today's date and the interface language (both the detector's environment and the
// shared localisation state) for the lifetime of the object.
struct Pinned
{
    explicit Pinned(const QString &language = QStringLiteral("zh-Hans"),
                    QDate today = QDate(2025, 6, 15))
        : environment(ScenarioDetector::Environment{[today] { return today; },
                                                    [language] { return language; }})
    {
        Loc::shared().setOverride(language);
    }
    ~Pinned() { Loc::shared().setOverride(std::nullopt); }

    ScenarioDetector::ScopedEnvironment environment;
};

// The pinned date as the detector writes it, and its month.
inline const QString pinnedDay = QStringLiteral("2025-06-15");
inline const QString pinnedMonth = QStringLiteral("2025-06");

// A language model that gives one fixed answer and counts the questions it is asked.
class FakeModel
{
public:
    explicit FakeModel(std::optional<QString> answer = std::nullopt) : m_answer(std::move(answer)) {}

    ScenarioDetector::Describe describe()
    {
        return [this](const QString &instruction, const QString &text, const QString &model) {
            QMutexLocker locker(&m_lock);
            ++m_calls;
            m_instruction = instruction;
            m_text = text;
            m_model = model;
            return m_answer;
        };
    }

    int calls() const { return m_calls; }
    QString instruction() const { QMutexLocker locker(&m_lock); return m_instruction; }
    QString text() const { QMutexLocker locker(&m_lock); return m_text; }
    QString model() const { QMutexLocker locker(&m_lock); return m_model; }

private:
    std::optional<QString> m_answer;
    mutable QMutex m_lock;
    std::atomic<int> m_calls{0};
    QString m_instruction;
    QString m_text;
    QString m_model;
};

// A path in the test's temporary folder that does not exist, so the file's own date is
// the pinned today.
inline QString missingFile(const QString &name)
{
    return QDir(TestSupport::root()).filePath(QStringLiteral("absent/") + name);
}

// Detection of a file that does not exist on disk, with a model that answers `answer`.
inline ScenarioMatch detectText(const QString &name, const QString &text, const QString &source,
                                std::optional<QString> answer = std::nullopt, int *calls = nullptr)
{
    FakeModel model(std::move(answer));
    const ScenarioMatch match = ScenarioDetector::detect(missingFile(name), text, source,
                                                         QStringLiteral("qwen2.5:7b"), model.describe());
    if (calls)
        *calls = model.calls();
    return match;
}

inline void PrintTo(const ScenarioMatch &m, std::ostream *os)
{
    *os << "{kind " << ScenarioKinds::rawValue(m.kind).toStdString() << ", conf "
        << ScenarioMatch::rawValue(m.conf).toStdString() << ", recognized \""
        << m.recognized.toStdString() << "\", base \"" << m.base.toStdString() << "\", date \""
        << m.datePrefix.toStdString() << "\", folder "
        << (m.folderHint ? "\"" + m.folderHint->toStdString() + "\"" : std::string("none"))
        << ", buckets [" << m.bucketKeywords.join(", ").toStdString() << "], sensitive "
        << m.sensitive << ", renameReady " << m.renameReady << ", filingReady " << m.filingReady
        << ", note \"" << m.note.toStdString() << "\", strength " << m.signalStrength
        << ", grounded " << m.groundedSlot << "}";
}
