#pragma once

#include <QString>

#include <chrono>
#include <memory>

// Files whose content lives with a cloud provider and is not yet on this machine
// (placeholders), and the requests that bring such a file down, as the content readers
// use them. The system implementation asks OnlineFiles (the query the folder listing
// uses, false for every file on Linux) and has nothing to download; tests and future
// providers hand in their own implementation through setShared().
class OnlineOnly
{
public:
    virtual ~OnlineOnly() = default;

    // Whether the file is a placeholder without local content. Never fails: a file whose
    // state cannot be read counts as local.
    virtual bool isOnlineOnly(const QString &path) const = 0;
    // Asks the provider to start fetching the file; failures are ignored.
    virtual void startDownloading(const QString &path) = 0;
    // One read of the item that makes the provider fetch it; failures are ignored.
    virtual void materialize(const QString &path) = 0;
    // The pause between two checks of a download in progress.
    virtual void pause(std::chrono::milliseconds duration);

    // The process-wide query (the system's unless replaced). Thread-safe.
    static std::shared_ptr<OnlineOnly> shared();
    // Replaces the process-wide query; nullptr restores the system's.
    static void setShared(std::shared_ptr<OnlineOnly> query);
};

// The Linux answer: OnlineFiles decides (local unless a query is installed there),
// downloads are no-ops.
class SystemOnlineOnly final : public OnlineOnly
{
public:
    bool isOnlineOnly(const QString &path) const override;
    void startDownloading(const QString &) override {}
    void materialize(const QString &) override {}
};
