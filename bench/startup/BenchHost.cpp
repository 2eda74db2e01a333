// A Marovel window for the start-up benchmark until the application's main window
// exists: the kit's set-up (icon theme, language) and the window content on a window
// model whose one pane shows the folder, listed off the GUI thread as always.
// It stands in for the application; its figures are not the application's.
#include "BrowserState.h"
#include "PaneState.h"
#include "kit/Icons.h"
#include "window/ContentView.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>

#include <clocale>

int main(int argc, char **argv)
{
    std::setlocale(LC_ALL, "C.UTF-8");
    Kit::prepareIconTheme();
    QApplication app(argc, argv);
    Kit::ensureIconTheme();
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::homePath();

    BrowserState state;
    state.activePane()->go(folder, false);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Marovel"));
    window.setCentralWidget(new ContentView(state, &window));
    window.resize(1280, 800);
    window.show();
    return app.exec();
}
