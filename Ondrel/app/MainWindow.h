#pragma once

#include <QMainWindow>

#include <memory>

class BrowserState;
class ContentView;
class MenuCommands;

// A browser window: owns its BrowserState, shows it in a ContentView under its own menu
// bar, and deletes itself when closed. The first time it is shown it runs the start-up
// road (see runStartupRoad()).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Makes a window and shows it.
    static MainWindow *openNew();
    // The open window whose state is `state`; null for none.
    static MainWindow *of(const BrowserState *state);

    BrowserState &state() const { return *m_state; }
    ContentView *content() const { return m_content; }
    MenuCommands *commands() const { return m_commands; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Once per window, in this order: the state's bootstrap; the window becomes the
    // active one (which replays paths opened before any window); in render mode nothing
    // more; otherwise the launch and daily events; the local model's warm-up, not
    // awaited; and, when there is no model file and the automatic download was never
    // tried, the flag "autoModelTried" is stored and the default model's download starts.
    void runStartupRoad();
    void retranslate();

    std::unique_ptr<BrowserState> m_state;
    ContentView *m_content = nullptr;
    MenuCommands *m_commands = nullptr;
    bool m_roadRun = false;
};
