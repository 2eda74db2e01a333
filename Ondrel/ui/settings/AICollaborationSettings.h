#pragma once

#include "McpClientConfig.h"
#include "SettingsForm.h"

class CollaborationStore;
class QLabel;
class QVBoxLayout;

// The AI collaboration page ("AI 协作"): the folders authorised for outside AI clients
// (the collaboration store's workspaces, reloaded each time the page is shown), what those
// clients may do, and the two texts that connect an MCP client: the client configuration
// naming the marovel-mcp server and the collaboration prompt, both copied to the
// clipboard as plain text. The page never starts the server.
class AICollaborationSettings : public SettingsForm::Page
{
    Q_OBJECT

public:
    AICollaborationSettings(CollaborationStore &store, const McpClientConfig::Command &command,
                            QWidget *parent = nullptr);

    // The configuration text shown and copied.
    QString configuration() const;
    // The confirmation beside the copy buttons; empty until something was copied.
    QString copied() const { return m_copied; }

    void copyConfiguration();
    void copyPrompt();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildIntro();
    void buildScope();
    void buildCapabilities();
    void buildConnect();
    void buildFlow();
    void showWorkspaces();
    void showProblems();
    void remove(const QString &id);
    void setCopied(const QString &confirmation);

    CollaborationStore &m_store;
    McpClientConfig::Command m_command;
    QString m_copied;

    QLabel *m_count = nullptr;
    QWidget *m_emptyHint = nullptr;
    QWidget *m_workspaces = nullptr;
    QVBoxLayout *m_workspaceRows = nullptr;
    QLabel *m_error = nullptr;
    QLabel *m_torn = nullptr;
    QLabel *m_copiedLabel = nullptr;
};
