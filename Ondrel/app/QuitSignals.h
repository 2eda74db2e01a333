#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread, so that a logout,
// `kill` or Ctrl+C in a terminal quits the application in order instead of ending it at
// once. The handler only writes the signal number into a pipe (the one thing it may do
// safely); the GUI thread reads it from there.
class QuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override; // the signals' default actions come back

    // Installs the handlers; false when the pipe could not be made (the defaults stay).
    bool install();

signals:
    void received(int signal);

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};
