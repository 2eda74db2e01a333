#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

// Hands a finished future to `fn` on `receiver`'s thread through a watcher parented to
// the receiver: when the receiver goes first, the watcher goes with it and `fn` never runs.
// `fn` gets the future itself, so it can take the result or catch the failure.
namespace IndexFutures {

template<typename T, typename Fn>
void whenReady(const QFuture<T> &future, QObject *receiver, Fn fn)
{
    auto *watcher = new QFutureWatcher<T>(receiver);
    QObject::connect(watcher, &QFutureWatcherBase::finished, receiver,
                     [watcher, fn = std::move(fn)]() mutable {
                         watcher->deleteLater();
                         fn(watcher->future());
                     });
    watcher->setFuture(future);
}

} // namespace IndexFutures
