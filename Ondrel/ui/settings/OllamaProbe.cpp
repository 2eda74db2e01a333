#include "OllamaProbe.h"

#include "Namer.h"
#include "WhenReady.h"

OllamaProbe::OllamaProbe(QObject *parent) : QObject(parent) {}

void OllamaProbe::start()
{
    const quint64 generation = ++m_generation;
    whenReady(Namer::reachableAsync(), this, [this, generation](bool up) {
        if (generation != m_generation)
            return;
        Namer::recordProbe(up);
        m_up = up;
        emit answered();
        if (!up)
            return;
        whenReady(Namer::availableModelsAsync(), this, [this, generation](const QStringList &models) {
            if (generation != m_generation)
                return;
            m_models = models;
            emit modelsChanged();
        });
    });
}

QStringList OllamaProbe::modelOptions(const QString &preferred, const QStringList &models)
{
    if (models.isEmpty())
        return {preferred};
    if (models.contains(preferred))
        return models;
    return QStringList{preferred} + models;
}
