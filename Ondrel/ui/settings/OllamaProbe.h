#pragma once

#include <QObject>
#include <QStringList>

#include <optional>

// Asks the Ollama server at the stored address whether it answers and, when it does,
// which models it lists. Each answer also refreshes the application's reachability
// cache. A probe started later supersedes the earlier ones: only the newest probe's
// answers are taken, so a slow answer for an old address never overwrites a newer one.
// Nothing waits on the GUI thread; answers arrive through watchers owned by the probe.
class OllamaProbe : public QObject
{
    Q_OBJECT

public:
    explicit OllamaProbe(QObject *parent = nullptr);

    void start();
    // None until the first answer.
    std::optional<bool> up() const { return m_up; }
    // The models of the newest answer of a server that was up (replaced, never cleared).
    const QStringList &models() const { return m_models; }

    // The picker's entries: the preferred model alone when the server lists none; the
    // server's list when it holds the preferred model; else the preferred model first,
    // then the server's list.
    static QStringList modelOptions(const QString &preferred, const QStringList &models);

signals:
    void answered();
    void modelsChanged();

private:
    quint64 m_generation = 0;
    std::optional<bool> m_up;
    QStringList m_models;
};
