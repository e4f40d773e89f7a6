#pragma once

#include "ui/platform/Shell.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class CCmdUI;
class CCommandRouter;
class CWndPrompts;

// The addresses the form hands to the desktop: Go URL opens the shown site's URL, Help's manual the manual
// that came with the program. When the desktop fails, the user is told why and what it was given.
class CSiteLinks : public QObject {
    Q_OBJECT
public:
    // A way of handing an address to the desktop (ShellOpen or ShellOpenFile); tests put recording ones in.
    using Launcher = std::function<void(const QString&, ShellDone)>;

    // url: the shown site's URL as the form holds it, empty when there is none.
    CSiteLinks(std::function<const std::string&()> url, CWndPrompts& prompts);

    // Go URL, enabled while there is a URL, and the manual, in the form's place of the routing order.
    void RegisterCommands(CCommandRouter& router);
    void OnUpdateGoUrl(CCmdUI& ui) const;
    void OnGoUrl();
    // The form's button: a beep when there is no URL.
    void OnButtonGoUrl();
    void OnDocumentation();

    // The manual that came with the program: the installed copy, in the documentation folder beside the
    // executable's folder, else the built copy beside the executable; empty when there is none.
    static QString DocumentationPath(const QString& strExeDir);
    // Where addresses go (the desktop's by default) and the folder the manual is looked up from.
    void SetLaunchers(Launcher shellOpen, Launcher shellOpenFile);
    void SetExeDir(const QString& strExeDir) { m_strExeDir = strExeDir; }

private:
    void Launch(const Launcher& launch, const QString& strAddress);

    std::function<const std::string&()> m_url;
    CWndPrompts& m_prompts;
    Launcher m_shellOpen;
    Launcher m_shellOpenFile;
    QString m_strExeDir;
};
