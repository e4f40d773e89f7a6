#pragma once

#include "core/tools/OneTimeCode.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CCmdUI;
class CCommandRouter;
class CLockwardenDoc;
class CLockwardenView;
class CSecretClipboard;
class QLabel;
class QStatusBar;
class QTimer;

// A site's one-time code at a moment: what its notes' code line gives, the code and how long it lasts.
struct CShownCode {
    OneTimeCode::CLine line;
    std::string strCode;      // for a code line; wiped when it goes
    std::int64_t nLeftMs = 0; // until the code changes
    ~CShownCode();
};
CShownCode CodeOfNotes(std::string_view strNotes, std::int64_t nNowMs);
// The code as the pane shows it: six digits as "123 456", eight as "1234 5678"; Steam's five letters whole.
QString GroupedCode(const std::string& strCode);

// The status bar's pane for the shown site's one-time code, and Edit > Copy Code. While a site with a code line
// is browsed, the pane shows the code and the seconds it has left, each second; a line that gives no code says
// so, never a wrong code. Copy Code puts the code out through the secret clipboard, taken off after its interval
// or when the code changes, whichever comes first.
class CCodePane : public QObject {
    Q_OBJECT
public:
    // The pane goes in bar, before its other indicators.
    CCodePane(CLockwardenDoc& doc, CLockwardenView& view, CSecretClipboard& clipboard, QStatusBar& bar,
              QObject* pParent = nullptr);
    ~CCodePane() override;
    CCodePane(const CCodePane&) = delete;
    CCodePane& operator=(const CCodePane&) = delete;

    void RegisterCommands(CCommandRouter& router);
    void OnCopyCode();
    void OnUpdateCopyCode(CCmdUI& ui) const;

    // Shows what the shown site's code is now; hides the pane without one.
    void Refresh();
    QLabel* Pane() const { return m_pPane; }

    // Tests set the time (ms since 1970).
    using Clock = std::function<std::int64_t()>;
    void SetClock(Clock clock);

private:
    // The site browsed now, or null (locked, data entry, none).
    const std::string* ShownNotes() const;

    CLockwardenDoc& m_doc;
    CLockwardenView& m_view;
    CSecretClipboard& m_clipboard;
    QLabel* m_pPane = nullptr;
    QTimer* m_pTick = nullptr;
    // Takes a copied code off the clipboard when it changes.
    QTimer* m_pCodeEnd = nullptr;
    std::string m_strCopied;
    Clock m_clock;
};
