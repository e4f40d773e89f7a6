#pragma once

#include <QObject>

#include <string>

class QTimer;

// The one way a secret reaches the clipboard: with the password-manager hint, so clipboard managers and
// history tools keep no copy; taken off again after the interval when asked (a copied site password),
// and when the program ends, in both cases only while the clipboard still holds it. Our own copy of the
// secret is wiped when it is forgotten.
class CSecretClipboard : public QObject {
    Q_OBJECT
public:
    // How long a timed secret stays (ms): ten seconds.
    static constexpr int kDefaultInterval = 10000;

    explicit CSecretClipboard(QObject* pParent = nullptr);
    // A secret of ours still on the clipboard goes with the program.
    ~CSecretClipboard() override;

    // Puts strSecret on the clipboard in place of any earlier secret; bTimed starts (or restarts) the
    // timer that takes it off again. False when there is no clipboard.
    bool Put(const std::string& strSecret, bool bTimed);
    // Empties the clipboard if it still holds the secret we put there, and forgets the secret.
    void Clear();
    // The secret we put there and have not forgotten; empty when none.
    const std::string& Secret() const { return m_strSecret; }

    // Tests shorten the interval and look at the timer.
    void SetInterval(int nMilliseconds);
    QTimer* Timer() const { return m_pTimer; }

private:
    void Forget();

    std::string m_strSecret;
    QTimer* m_pTimer = nullptr;
};
