#pragma once

#include "DocScene.h"
#include "EnvOverride.h"
#include "ScriptedWndPrompts.h"
#include "WaitActive.h"

#include "core/resources/Resource.h"
#include "ui/app/LockwardenApp.h"
#include "ui/app/MainFrame.h"
#include "ui/framework/CommandRouter.h"
#include "ui/view/LockwardenView.h"

#include <QAction>
#include <QComboBox>
#include <QTemporaryDir>

#include <memory>

// The application as a user runs it, on a classic database of the test's own: scripted prompts, settings in a
// home of its own, and a session bus that answers nowhere unless the test names one before Start.
class CRunningApp {
public:
    explicit CRunningApp(const QByteArray& sessionBus = {})
        : m_bus("DBUS_SESSION_BUS_ADDRESS",
                sessionBus.isEmpty() ? "unix:path=" + QFile::encodeName(m_home.path()) + "/no-bus" : sessionBus) {}
    ~CRunningApp() { m_pApp.reset(); }

    // Writes the sites under the password "pw" and starts with them open, the window active.
    bool Start(const std::vector<SiteFields>& sites) {
        if (!Launch(sites))
            return false;
        Frame().activateWindow();
        prompts.m_shown.clear();
        return WaitActive(&Frame());
    }
    // Writes the sites and starts on them with the options before the file's name, typing the password.
    bool Launch(const std::vector<SiteFields>& sites, QStringList args = {}) {
        m_strPath = m_home.filePath(QStringLiteral("sites.lwd"));
        PutDatabase(m_strPath, sites, CLockwardenDoc::EFileKind::classic, "pw");
        prompts.EnterPassword("pw");
        m_pApp = std::make_unique<CLockwardenApp>(prompts);
        args.push_back(m_strPath);
        return m_pApp->InitInstance(args);
    }
    CLockwardenApp& App() { return *m_pApp; }
    CMainFrame& Frame() { return *m_pApp->m_pMainFrame; }
    CLockwardenView& View() { return *Frame().GetActiveView(); }
    CLockwardenDoc& Doc() { return *m_pApp->m_pDoc; }
    CCommandRouter& Router() { return *m_pApp->m_pRouter; }
    const QString& Path() const { return m_strPath; }
    bool Enabled(int nID) {
        Router().UpdateCommands();
        return Router().Action(nID)->isEnabled();
    }
    void Show(const char* pszSite) { View().SelectSite(View().SiteList()->findText(QString::fromUtf8(pszSite))); }

    CScriptedWndPrompts prompts;

private:
    QTemporaryDir m_home;
    CTempXdgHome m_xdg;
    CEnvOverride m_bus;
    QString m_strPath;
    std::unique_ptr<CLockwardenApp> m_pApp;
};
