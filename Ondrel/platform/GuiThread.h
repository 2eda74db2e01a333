#pragma once

#include <QCoreApplication>
#include <QThread>

// Whether the calling thread is the application's GUI thread (the thread of the
// QCoreApplication instance). Code that would wait for the network or the model checks
// it and refuses, so the interface never freezes.
inline bool onGuiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}
