#pragma once

#include "LocalBrain.h"
#include "ModelDownload.h"
#include "SettingsForm.h"

class BrainStatusFeed;
class OllamaProbe;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

// The second page of the settings window ("智能助手"): whether the local naming engine is
// ready, preparing or upgrading the local model, and, folded away, the address of a local
// Ollama server, its check and the model naming uses. The server is probed each time the
// page is shown and on "检测". Every button that prepares, retries or upgrades the local
// model starts the one download of the default model file.
class AISettings : public SettingsForm::Page
{
    Q_OBJECT

public:
    explicit AISettings(QWidget *parent = nullptr);

    // What the page shows, gathered from the engines, the download and the probe.
    struct Facts
    {
        LocalBrain::Status status;
        ModelDownload::State download;
        bool has3B = false;
        bool hasModel = false; // an in-process model file is present
    };
    Facts currentFacts() const;
    // Shows `facts` (refresh() shows the current ones).
    void showFacts(const Facts &facts);
    void refresh();

    OllamaProbe &probe() const { return *m_probe; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // A progress bar with its label and an optional "取消", for a running download.
    struct ProgressRow
    {
        QWidget *row;
        QProgressBar *bar;
        QLabel *label;
        QPushButton *cancel;
    };
    ProgressRow progressRow(const char *name, QWidget *parent);
    static void showProgress(const ProgressRow &row, const ModelDownload::State &download, bool brain);
    QPushButton *upgradeButton(const char *name, QWidget *parent);
    void buildBrainSection();
    void buildAdvancedSection();
    void showConnection();
    void showModels();

    BrainStatusFeed *m_feed;
    OllamaProbe *m_probe;

    // "本地大脑"
    SettingsForm::StatusLabel *m_status;
    QPushButton *m_prepare;
    QPushButton *m_retry;
    ProgressRow m_preparing;
    QLabel *m_readyNote;
    ProgressRow m_upgradeProgress;
    QPushButton *m_upgrade;

    // "高级（可选）"
    QToolButton *m_disclosure;
    QWidget *m_advanced;
    QLineEdit *m_endpoint;
    SettingsForm::StatusLabel *m_connection;
    QWidget *m_modelRow;
    QComboBox *m_model;
    SettingsForm::StatusLabel *m_model3B;
    ProgressRow m_modelProgress;
    SettingsForm::StatusLabel *m_modelFailed;
    QPushButton *m_modelRetry;
    QPushButton *m_modelUpgrade;
};
