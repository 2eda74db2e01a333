#pragma once

#include <QThreadPool>

#include <functional>

// One background worker that runs posted jobs one at a time, in the order they were
// posted. Used for the writes of the browser's small state files, so that a later write
// can never land before an earlier one.
class SerialQueue
{
public:
    SerialQueue();
    ~SerialQueue(); // waits for the jobs already posted

    SerialQueue(const SerialQueue &) = delete;
    SerialQueue &operator=(const SerialQueue &) = delete;

    void post(std::function<void()> job);
    // Blocks until every job posted so far has run. For quitting and for tests; never
    // called on the GUI thread during normal work.
    void waitForIdle();

private:
    QThreadPool m_pool;
};
