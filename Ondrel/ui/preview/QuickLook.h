#pragma once

#include "QuickLookContent.h"

#include <QStringList>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class QToolButton;
namespace Kit {
class ElidingLabel;
}
class PicturePane;

// The process's one preview window: an ordinary, movable window that shows one file of a
// list at a time without opening it in an application. Space and Escape close it; Left
// and Right step through the list, whose position shows as "i / n". Content is read off
// the GUI thread; a result for a file no longer shown is dropped.
class QuickLook : public QWidget
{
    Q_OBJECT

public:
    // The window of the process, made on first use; it lasts until the application quits.
    static QuickLook &shared();
    // Opens the window on the first of `paths`, or closes it when it is open (whatever the
    // paths; they are kept for the next opening). An empty list changes nothing.
    static void toggle(const QStringList &paths);

    // A window of its own, for pictures and tests; the application uses shared().
    explicit QuickLook(QWidget *parent = nullptr);

    // Shows the first of `paths` (not empty) and brings the window to the front.
    void open(const QStringList &paths);
    const QStringList &paths() const { return m_paths; }
    int index() const { return m_index; }
    // Shows the item at `index` (kept within the list).
    void showItem(int index);
    // True while the shown item's content is being read.
    bool isLoading() const { return m_loading; }
    // What is shown of the current item once read.
    QuickLookContent::Kind shownKind() const { return m_kind; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void load();
    void present(const QuickLookContent &content);
    void showFacts(const QuickLookContent &content);
    QSize picturePixels() const;

    QStringList m_paths;
    int m_index = 0;
    quint64 m_generation = 0;
    bool m_loading = false;
    QuickLookContent::Kind m_kind = QuickLookContent::Kind::facts;

    QToolButton *m_previous;
    QToolButton *m_next;
    QLabel *m_counter;
    Kit::ElidingLabel *m_name;
    QStackedWidget *m_pages;
    QWidget *m_loadingPage;
    PicturePane *m_picture;
    QPlainTextEdit *m_text;
    QWidget *m_factsPage;
    QLabel *m_icon;
    QLabel *m_factsName;
    QLabel *m_factsKind;
    QLabel *m_factsDetails;
    QLabel *m_footer;
};
