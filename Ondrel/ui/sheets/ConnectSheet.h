#pragma once

#include <QDialog>
#include <QStringList>

class BrowserState;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class SheetPresenter;

// The sheet in which the user types a network share's address, with an optional user name
// and password, and asks the window to mount it. It mounts nothing itself: it hands the
// texts to BrowserState::connectToServer and closes at once; the outcome shows in the
// window's status line. Scheme buttons rewrite the address's scheme; the servers used
// last ("recentServers", read when the sheet is made) fill the address when chosen.
class ConnectServerDialog : public QDialog
{
    Q_OBJECT

public:
    // The scheme prefixes offered as buttons, in order.
    static const QStringList &schemes();
    // The address with its scheme replaced by `prefix` (the text after the last "://",
    // or all of it, follows the prefix).
    static QString withScheme(const QString &address, const QString &prefix);
    // The remembered servers shown: at most five, any password left out.
    static QStringList recentShown();

    explicit ConnectServerDialog(BrowserState &state, QWidget *parent = nullptr);

    void done(int result) override;

private:
    void buildRecents(QVBoxLayout *column);
    void retranslate();
    void updateConnectEnabled();
    void connectNow();

    BrowserState &m_state;
    bool m_submitted = false; // Return can reach both the field and the default button
    QLabel *m_title;
    QLabel *m_explanation;
    QLineEdit *m_address;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLabel *m_recentTitle = nullptr;
    QPushButton *m_cancel;
    QPushButton *m_connect;
};

namespace ConnectSheet {
// Shows a new sheet while the window's `showConnectServer` flag is set.
void add(SheetPresenter &sheets, BrowserState &state);
} // namespace ConnectSheet
