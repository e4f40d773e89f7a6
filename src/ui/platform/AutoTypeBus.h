#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <string>

class CBusConnection;

// The program's own name on the session bus, where `lockwarden --auto-type` finds the running window and asks it
// to type for the window that has the focus. The request carries nothing: what is typed, and where, the running
// window decides.
class CAutoTypeBus : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "example.fernhollow.Lockwarden.AutoType")
public:
    static constexpr const char* kName = "example.fernhollow.Lockwarden";
    static constexpr const char* kPath = "/example/fernhollow/Lockwarden";

    // Takes the name on the bus at strAddress; without a bus, or when another window holds the name, it listens
    // for nothing.
    explicit CAutoTypeBus(const QString& strAddress, QObject* pParent = nullptr);
    ~CAutoTypeBus() override;
    CAutoTypeBus(const CAutoTypeBus&) = delete;
    CAutoTypeBus& operator=(const CAutoTypeBus&) = delete;

    bool IsListening() const { return m_bListening; }

    enum class EAsked {
        asked,    // a running window took the request
        noWindow, // no window runs (or there is no bus to find one on)
        failed,   // one runs and did not answer; strError says how
    };
    // Asks the running window on the bus at strAddress (else the environment's session bus) to type for the
    // focused window.
    static EAsked AskRunningWindow(const QString& strAddress, std::string& strError);
    static EAsked AskRunningWindow(std::string& strError);

public Q_SLOTS:
    // The request: answered at once, acted on once the answer has gone.
    Q_SCRIPTABLE void AutoType();

Q_SIGNALS:
    void autoTypeRequested();

private:
    std::unique_ptr<CBusConnection> m_pBus;
    bool m_bListening = false;
};
