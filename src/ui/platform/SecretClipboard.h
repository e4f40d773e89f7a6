#pragma once

#include <QObject>

#include <memory>
#include <string>

class CClipboardAccess;
class QTimer;

// The one way a secret reaches the clipboard: with the password-manager hint, so clipboard managers and
// history tools keep no copy; taken off again after the interval when asked (a copied site password),
// and when the program ends, in both cases only while the clipboard still holds it. Our own copy of the
// secret is wiped when it is forgotten. Where the desktop can be asked (Wayland), a clear is checked a moment
// later as another program would see it: a compositor may ignore a window without the focus. Then the desktop's
// own tool clears it; if even that fails, stillOnClipboard() tells whoever can tell the user.
class CSecretClipboard : public QObject {
    Q_OBJECT
public:
    // How long a timed secret stays (ms): ten seconds.
    static constexpr int kDefaultInterval = 10000;

    // How long after a clear the desktop is asked whether it took it (ms).
    static constexpr int kCheckDelay = 300;

    explicit CSecretClipboard(QObject* pParent = nullptr);
    explicit CSecretClipboard(std::unique_ptr<CClipboardAccess> pAccess, QObject* pParent = nullptr);
    // A secret of ours still on the clipboard goes with the program.
    ~CSecretClipboard() override;

    // Puts strSecret on the clipboard in place of any earlier secret; bTimed starts (or restarts) the
    // timer that takes it off again. False when there is no clipboard.
    bool Put(const std::string& strSecret, bool bTimed);
    // Empties the clipboard if it still holds the secret we put there, and forgets the secret.
    void Clear();
    // Clears a secret the desktop kept after Clear (the user asked, from the window that now has the focus).
    void ClearLeftover();
    // The secret we put there and have not forgotten; empty when none.
    const std::string& Secret() const { return m_strSecret; }

    // Tests shorten the interval and look at the timer.
    void SetInterval(int nMilliseconds);
    QTimer* Timer() const { return m_pTimer; }

Q_SIGNALS:
    // The desktop kept a secret of ours on the clipboard through every way of clearing it.
    void stillOnClipboard();
    // A secret went out to be taken off again after nMs.
    void putTimed(int nMs);

private:
    void Forget();
    // Asks the desktop whether the secret went, clears it through the desktop's tool if not; true when it went.
    bool CheckCleared();

    std::unique_ptr<CClipboardAccess> m_pAccess;
    std::string m_strSecret;
    QTimer* m_pTimer = nullptr;
    QTimer* m_pCheckTimer = nullptr;
};
