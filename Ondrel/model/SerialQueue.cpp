#include "SerialQueue.h"

SerialQueue::SerialQueue()
{
    // With a single thread the pool's queue runs jobs of equal priority first in, first out.
    m_pool.setMaxThreadCount(1);
}

SerialQueue::~SerialQueue()
{
    m_pool.waitForDone();
}

void SerialQueue::post(std::function<void()> job)
{
    m_pool.start(std::move(job));
}

void SerialQueue::waitForIdle()
{
    m_pool.waitForDone();
}
