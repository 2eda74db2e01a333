#pragma once

#include "SettingsForm.h"
#include "SettingsServices.h"

class ContentIndex;
class QCheckBox;
class QLabel;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

// "本地内容搜索": the switch of the local content index and, while it is on, its progress or
// count, "重建", its folders, a note when some folders go unwatched and the index's last
// error. Follows the index's signals.
class ContentIndexSection : public SettingsForm::Section
{
    Q_OBJECT

public:
    ContentIndexSection(ContentIndex &index, SettingsServices::FolderChooser choose, QWidget *parent = nullptr);

private:
    void scheduleApply();
    void apply();
    void showRoots();
    void addRoot();

    ContentIndex &m_index;
    SettingsServices::FolderChooser m_choose;
    QCheckBox *m_switch;
    QWidget *m_details;
    QProgressBar *m_progress;
    QLabel *m_status;
    QPushButton *m_rebuild;
    QWidget *m_roots;
    QVBoxLayout *m_rootRows;
    QLabel *m_unwatched;
    QLabel *m_error;
    bool m_queued = false;
};

// The rows under the section, outside any group: what switching off keeps, and the button
// that clears the stored index after a confirmation. While the index is off, its last
// error shows here, so a clear that failed is never silent.
class ClearIndexRow : public QWidget
{
    Q_OBJECT

public:
    explicit ClearIndexRow(ContentIndex &index, QWidget *parent = nullptr);

    // Asks in a window-modal dialog; asking again while it is open does nothing.
    void confirm();

private:
    void apply();

    ContentIndex &m_index;
    QPushButton *m_clear;
    QLabel *m_error;
};
