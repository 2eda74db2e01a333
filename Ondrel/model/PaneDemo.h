#pragma once

#include "DemoItem.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

class PaneState;

// The empty-state demo of one pane: names proposed for a few files, whether proposals are
// being made, and whether the current ones came from the basic rules because the local
// model was not ready when they were asked for. Kept in the model, so a re-listing of the
// pane's folder (the sample files appearing in it) neither drops it nor hides it.
//
// The demo ends when the user starts over, applies it, or the pane leaves its folder.
// Only the latest load sets the items: an earlier one finishing later is dropped.
// Lives on the GUI thread; the proposals come from the pane's browser state.
class PaneDemo : public QObject
{
    Q_OBJECT

public:
    explicit PaneDemo(PaneState &pane);

    const QList<DemoItem> &items() const { return m_items; }
    bool working() const { return m_working; }
    bool generatedWhileBasic() const { return m_generatedWhileBasic; }
    // Proposals are shown or being made.
    bool active() const { return m_working || !m_items.isEmpty(); }
    bool anyAccepted() const;
    void setAccept(const QUuid &id, bool accept);

    // Asks for proposals for the files, in their order; nothing happens for none. When the
    // answer has none, the browser's status says so.
    void load(const QStringList &paths);
    // Writes the sample files into `dir` off the GUI thread, then loads them.
    void loadSamples(const QString &dir);
    // The same in a new sample folder; the pane stays where it is.
    void loadNewSamples();
    // Renames the accepted files as one undoable step, ends the demo and takes the pane to
    // the folder of the first accepted file, where it lists them under their new names.
    void apply();
    // Drops the proposals and any load still running.
    void end();

signals:
    void itemsChanged();
    void workingChanged();
    void generatedWhileBasicChanged();

private:
    void setItems(const QList<DemoItem> &items);
    void setWorking(bool working);
    void setGeneratedWhileBasic(bool basic);

    PaneState &m_pane;
    QList<DemoItem> m_items;
    bool m_working = false;
    bool m_generatedWhileBasic = false;
    quint64 m_generation = 0; // numbers the loads; a result of an older one is dropped
};
