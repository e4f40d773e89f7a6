#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>

class QAction;

// What an update handler says about its command: enabled, checked, and (rarely) its text.
class CCmdUI {
public:
    explicit CCmdUI(int nID) : m_nID(nID) {}
    void Enable(bool bOn = true) { m_bEnabled = bOn; }
    void SetCheck(bool bCheck = true) {
        m_bChecked = bCheck;
        m_bCheckable = true;
    }
    void SetText(const QString& strText) { m_strText = strText; }

    int m_nID;
    bool m_bEnabled = true;
    bool m_bChecked = false;
    bool m_bCheckable = false;
    QString m_strText; // empty: unchanged
};

// Every command is one QAction carrying its number, status-bar prompt and tooltip. Owners register
// handlers in routing order (view, document, frame, application): the first owner that registered a
// command runs it. A command without a handler is disabled, so menu items of features that are not
// there yet stand greyed. Enabled states and check marks are computed only by the update handlers, in
// UpdateCommands(), which runs before a menu shows, after every command and on every change of mode,
// document or clipboard.
class CCommandRouter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;
    using Updater = std::function<void(CCmdUI&)>;

    explicit CCommandRouter(QObject* pParent = nullptr);
    ~CCommandRouter() override;

    // Registers nID's handler and update handler unless an earlier owner already did.
    void Register(int nID, Handler handler, Updater updater = {});
    bool HasHandler(int nID) const;
    // The command's action, created on first use with its prompt and tooltip from the string table.
    QAction* Action(int nID);
    // Runs the command's handler if it has one and it is enabled; then refreshes every command.
    bool Execute(int nID);
    // Asks every update handler and applies the answers to the actions. During a command the refresh waits
    // for the command's end, so one command refreshes the commands once, however many changes it makes.
    void UpdateCommands();
    // A refresh once the current work is done, unless one runs before (a change not made by a command).
    void RequestUpdate();
    // The answer of nID's update handler, without touching its action.
    CCmdUI Query(int nID) const;
    // While set, a command it answers false for stands greyed and does not run, whatever its own update
    // handler says: the lock greys every command that reads or changes sites.
    using Gate = std::function<bool(int nID)>;
    void SetGate(Gate gate) { m_gate = std::move(gate); }
    // True while a command's handler runs.
    bool IsExecuting() const { return m_nCommandsRunning > 0; }

Q_SIGNALS:
    // Sent at the end of every UpdateCommands(), so whatever shows state beside the commands (the status
    // bar's sites pane) is refreshed with them.
    void commandsUpdated();

private:
    struct CEntry {
        Handler handler;
        Updater updater;
        QAction* pAction = nullptr;
    };
    std::map<int, CEntry> m_entries;
    Gate m_gate;
    int m_nCommandsRunning = 0;
    bool m_bUpdatePending = false;
};
