#include "PaneDemo.h"

#include "BrowserState.h"
#include "LocalBrain.h"
#include "Localization.h"
#include "PaneState.h"
#include "SampleGen.h"
#include "WhenReady.h"

#include <QFileInfo>
#include <QtConcurrent>

#include <algorithm>

PaneDemo::PaneDemo(PaneState &pane) : QObject(&pane), m_pane(pane)
{
}

bool PaneDemo::anyAccepted() const
{
    return std::any_of(m_items.cbegin(), m_items.cend(), [](const DemoItem &item) { return item.accept; });
}

void PaneDemo::setAccept(const QUuid &id, bool accept)
{
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (m_items.at(i).id == id && m_items.at(i).accept != accept) {
            m_items[i].accept = accept;
            emit itemsChanged();
            return;
        }
    }
}

void PaneDemo::load(const QStringList &paths)
{
    BrowserState *state = m_pane.owner();
    if (paths.isEmpty() || !state)
        return;
    const quint64 generation = ++m_generation;
    setWorking(true);
    // Decided now: the model may become ready while the proposals are being made.
    setGeneratedWhileBasic(LocalBrain::status(state->ollamaUp()).kind != LocalBrain::Status::Kind::ready);
    whenReady(state->demoProposals(paths), this, [this, generation](const QList<DemoItem> &proposals) {
        if (generation != m_generation)
            return;
        setWorking(false);
        setItems(proposals);
        if (proposals.isEmpty() && m_pane.owner())
            m_pane.owner()->setStatus(L("这些文件没读出可命名的内容（可能是乱码/无文本）"));
    });
}

void PaneDemo::loadSamples(const QString &dir)
{
    const quint64 generation = ++m_generation;
    setWorking(true);
    whenReady(QtConcurrent::run([dir] { return SampleGen::fill(dir); }), this,
              [this, generation](const QStringList &paths) {
                  if (generation == m_generation)
                      load(paths);
              });
}

void PaneDemo::loadNewSamples()
{
    loadSamples(SampleGen::makeDir());
}

void PaneDemo::apply()
{
    BrowserState *state = m_pane.owner();
    const auto first = std::find_if(m_items.cbegin(), m_items.cend(), [](const DemoItem &item) { return item.accept; });
    if (!state || state->applying() || first == m_items.cend())
        return;
    const QString folder = QFileInfo(first->path).path();
    state->applyDemo(m_items);
    end();
    state->scenarioCache().clear();
    m_pane.go(folder, true);
}

void PaneDemo::end()
{
    ++m_generation;
    setWorking(false);
    setItems({});
}

void PaneDemo::setItems(const QList<DemoItem> &items)
{
    if (items == m_items)
        return;
    m_items = items;
    emit itemsChanged();
}

void PaneDemo::setWorking(bool working)
{
    if (working == m_working)
        return;
    m_working = working;
    emit workingChanged();
}

void PaneDemo::setGeneratedWhileBasic(bool basic)
{
    if (basic == m_generatedWhileBasic)
        return;
    m_generatedWhileBasic = basic;
    emit generatedWhileBasicChanged();
}
