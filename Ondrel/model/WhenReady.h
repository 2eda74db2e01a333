#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

#include <type_traits>
#include <utility>

// Hands the result of background work to `receiver` on the receiver's thread: `fn(result)`
// (or `fn()` for a QFuture<void>) runs there once the future has finished. The watcher that
// waits is a child of `receiver`, so when the receiver is destroyed first the result is
// dropped and `fn` never runs. A cancelled future, or one that ended in an exception, is
// dropped as well. Call it on the receiver's thread.
template <typename T, typename Fn>
void whenReady(const QFuture<T> &future, QObject *receiver, Fn &&fn)
{
    auto *watcher = new QFutureWatcher<T>(receiver);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, fn = std::forward<Fn>(fn)]() mutable {
                         watcher->deleteLater();
                         const QFuture<T> done = watcher->future();
                         if (done.isCanceled())
                             return;
                         if constexpr (std::is_void_v<T>)
                             fn();
                         else
                             fn(done.result());
                     });
    watcher->setFuture(future);
}
