#include "FileReadings.h"

#include "FileSystem.h"
#include "ScenarioDetection.h"

#include <chrono>
#include <filesystem>
#include <system_error>

FileReadings &FileReadings::shared()
{
    static FileReadings readings;
    return readings;
}

FileReadings::FileReadings() : m_reader(&FileReadings::readFile) {}

FileReading FileReadings::readFile(const QString &path, const QString &model)
{
    const Extraction extraction = Extractor::extract(path, false);
    const ScenarioMatch match = ScenarioDetector::detect(path, extraction.text, extraction.source, model);
    return FileReading{extraction, match};
}

std::optional<FileReadings::Version> FileReadings::versionOf(const QString &path)
{
    const std::filesystem::path file(FileSystem::encodeName(path).toStdString());
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (error)
        return std::nullopt;
    const auto modified = std::filesystem::last_write_time(file, error);
    if (error)
        return std::nullopt;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch());
    return Version{qint64(size), qint64(ns.count())};
}

FileReading FileReadings::read(const QString &path, const QString &model)
{
    const std::optional<Version> version = versionOf(path);
    // The detection's sentences and names come in the interface language of the moment.
    const QString language = ScenarioDetector::uiLanguage();
    Reader reader;
    std::shared_ptr<Pending> pending;
    {
        QMutexLocker locker(&m_lock);
        reader = m_reader;
        if (version) {
            while (true) {
                const auto kept = m_entries.find(path);
                if (kept != m_entries.end() && kept->version == *version && kept->model == model
                    && kept->language == language) {
                    kept->used = ++m_clock;
                    return kept->reading;
                }
                const std::shared_ptr<Pending> running = m_pending.value(path);
                if (!running || running->version != *version || running->model != model
                    || running->language != language)
                    break;
                while (!running->done)
                    m_readDone.wait(&m_lock);
                if (running->reading)
                    return *running->reading;
                // That read failed: this caller tries on its own.
            }
            pending = std::make_shared<Pending>(Pending{*version, model, language, false, std::nullopt});
            m_pending.insert(path, pending);
        }
    }

    // Ends the read for the callers waiting on it; keeps the reading unless the file changed
    // while it was read (it may hold anything between the two versions).
    const auto settle = [&](const std::optional<FileReading> &reading) {
        const bool unchanged = reading && version && versionOf(path) == version;
        QMutexLocker locker(&m_lock);
        if (unchanged)
            keep(path, Entry{*version, model, language, *reading});
        if (!pending)
            return;
        pending->reading = reading;
        pending->done = true;
        if (m_pending.value(path) == pending)
            m_pending.remove(path);
        m_readDone.wakeAll();
    };

    FileReading reading;
    try {
        reading = reader(path, model);
    } catch (...) {
        settle(std::nullopt);
        throw;
    }
    settle(reading);
    return reading;
}

void FileReadings::keep(const QString &path, Entry entry)
{
    if (!m_entries.contains(path) && m_entries.size() >= capacity) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->used < oldest->used)
                oldest = it;
        }
        m_entries.erase(oldest);
    }
    entry.used = ++m_clock;
    m_entries.insert(path, std::move(entry));
}

void FileReadings::clear()
{
    QMutexLocker locker(&m_lock);
    m_entries.clear();
}

void FileReadings::setReader(Reader reader)
{
    QMutexLocker locker(&m_lock);
    m_reader = reader ? std::move(reader) : Reader(&FileReadings::readFile);
}
