#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class Updater;

// Shows an update check: checking, a newer release with its notes, up to date, the
// failure with its reason, or where updates come from when no feed is configured. Its
// "前往下载页" opens the release's page (http(s) only) through `openPage`.
class UpdateDialog : public QDialog
{
    Q_OBJECT

public:
    UpdateDialog(Updater &updater, std::function<void(const QUrl &)> openPage, QWidget *parent = nullptr);

    // The menu command: starts a check of the shared updater and shows it in a new dialog.
    static UpdateDialog *checkNow(QWidget *parent);

private:
    void refresh();

    Updater &m_updater;
    std::function<void(const QUrl &)> m_openPage;
    QLabel *m_headline;
    QLabel *m_detail;
    QPlainTextEdit *m_notes;
    QPushButton *m_download;
    QPushButton *m_close;
};
