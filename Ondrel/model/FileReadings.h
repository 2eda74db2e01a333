#pragma once

#include "Extractor.h"
#include "ScenarioMatch.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <optional>

// What reading one file for naming gave: the excerpt and the scenario detected in it.
struct FileReading
{
    Extraction extraction;
    ScenarioMatch match;
};

// The readings of recently read files, each kept for the version of the file it read (its
// path, size and modification time), the model that answered the detection's questions and
// the interface language its sentences were written in.
// A file is extracted and detected once per version: naming a file right after its scenario
// card showed takes the card's reading instead of a second extraction (for a scan or an
// image, a second text recognition). A reading of another version is never handed out.
//
// Thread-safe. Reading blocks the calling thread (call it on a worker); a second caller
// asking for a file that is being read waits for that read instead of starting its own.
class FileReadings
{
public:
    using Reader = std::function<FileReading(const QString &path, const QString &model)>;

    // Readings kept; the least recently used one goes first.
    static constexpr int capacity = 32;

    static FileReadings &shared();

    FileReadings();

    // The reading of the file as it is now with `model` in the current interface language:
    // the kept one when the file has not changed since, else a fresh read (kept when the file did not change while read).
    // Whatever the reader throws reaches the caller, and nothing is kept.
    FileReading read(const QString &path, const QString &model);
    // Forgets every reading.
    void clear();

    // Replaces the reader (tests count calls or make it fail); an empty function restores
    // readFile().
    void setReader(Reader reader);
    // Extraction for naming (no download), then detection with `model`.
    static FileReading readFile(const QString &path, const QString &model);

private:
    struct Version
    {
        qint64 size = -1;
        qint64 modifiedNs = 0;
        bool operator==(const Version &) const = default;
    };
    struct Entry
    {
        Version version;
        QString model;
        QString language;
        FileReading reading;
        quint64 used = 0;
    };
    // A read in progress, which callers of the same version wait for.
    struct Pending
    {
        Version version;
        QString model;
        QString language;
        bool done = false;
        std::optional<FileReading> reading;
    };

    static std::optional<Version> versionOf(const QString &path);
    // With m_lock held.
    void keep(const QString &path, Entry entry);

    QMutex m_lock;
    QWaitCondition m_readDone;
    QHash<QString, Entry> m_entries;
    QHash<QString, std::shared_ptr<Pending>> m_pending;
    Reader m_reader;
    quint64 m_clock = 0;
};
