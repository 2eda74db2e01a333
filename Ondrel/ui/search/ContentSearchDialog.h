#pragma once

#include "ContentSearchSource.h"

#include <QDialog>
#include <QHash>
#include <QTimer>
#include <QUrl>

#include <functional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;
namespace Kit {
class Spinner;
}

// The sheet in which the user searches the text of indexed files. A view over the content
// index: it shows the index's state (off, indexing, ready, failed) and its hits, and keeps
// nothing but the typed text, the hits on show and the searches under way, all of which
// start empty on every presentation.
//
// Typing searches 220 ms after the last change, Return at once. Only an answer asked for
// the text now in the field is shown; an older one is dropped, and so is every answer
// that arrives after the sheet closed. A search that fails shows why in the error line,
// never the "nothing found" page.
class ContentSearchDialog : public QDialog
{
    Q_OBJECT

public:
    using Results = ContentSearchSource::Results;

    static constexpr int debounceMs = 220;

    explicit ContentSearchDialog(ContentSearchSource &source, QWidget *parent = nullptr);

    // "定位": shows the file in the browser window.
    void setLocator(std::function<void(const QUrl &)> locate);
    // "打开设置并开启": opens the settings window. The button is hidden while none is set.
    void setSettingsOpener(std::function<void()> open);

    // The hits on show, in the order the index gave them.
    const Results &results() const { return m_results; }
    // A search of the text in the field is waiting for its pause or its answer.
    bool isSearching() const;

    // The whole percent of an indexing progress: truncated, 0 … 100, 0 when not a number.
    static qint64 percentOf(double progress);

    // Closing drops the searches under way and empties the sheet for its next showing.
    void done(int result) override;

signals:
    // Every row of the hits on show is in the list.
    void rowsFilled();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QWidget *buildHeader();
    QWidget *buildDisabledState();
    QWidget *buildResultsArea();
    QWidget *buildMessageState(const QString &objectName, const QString &symbol, QLabel **title,
                               QLabel **line);

    void retranslate();
    void applyIndexState();
    void applyErrorLine();
    void applyContent();
    void queryEdited();
    void searchNow();
    void search(const QString &query);
    void showResults(const Results &results);
    void fillRows();
    void locate(const QUrl &url);
    void paintProminent();
    QString trimmedQuery() const;

    ContentSearchSource &m_source;
    std::function<void(const QUrl &)> m_locate;
    std::function<void()> m_openSettings;

    Results m_results;
    QString m_searchError; // why the search for the text in the field failed
    QHash<QString, int> m_outstanding; // trimmed query → answers still to come
    quint64 m_generation = 0;          // goes up when the sheet closes
    QTimer m_debounce;
    QTimer m_fill;
    int m_filled = 0;

    // Header.
    QLabel *m_title;
    QLabel *m_subtitle;
    QToolButton *m_done;
    QLineEdit *m_field;
    QToolButton *m_clear;
    // Below the divider.
    QStackedWidget *m_area;
    QWidget *m_disabled;
    QLabel *m_disabledTitle;
    QLabel *m_disabledText;
    QPushButton *m_openSettingsButton;
    QWidget *m_resultsArea;
    QProgressBar *m_progress;
    QLabel *m_status;
    Kit::Spinner *m_busy;
    QToolButton *m_rebuild;
    QWidget *m_errorLine;
    QLabel *m_errorText;
    QStackedWidget *m_content;
    QWidget *m_prompt;
    QLabel *m_promptTitle;
    QLabel *m_promptLine;
    QScrollArea *m_list;
    QVBoxLayout *m_rows;
    QWidget *m_empty;
    QLabel *m_emptyTitle;
    QLabel *m_emptyLine;
};
