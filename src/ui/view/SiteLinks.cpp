#include "ui/view/SiteLinks.h"

#include "core/platform/LastError.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Version.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

CSiteLinks::CSiteLinks(std::function<const std::string&()> url, CWndPrompts& prompts)
    : m_url(std::move(url)), m_prompts(prompts), m_strExeDir(QCoreApplication::applicationDirPath()) {
    SetLaunchers([this](const QString& strUrl, ShellDone onDone) { ShellOpen(strUrl, this, std::move(onDone)); },
                 [this](const QString& strPath, ShellDone onDone) { ShellOpenFile(strPath, this, std::move(onDone)); });
}

void CSiteLinks::RegisterCommands(CCommandRouter& router) {
    router.Register(
        ID_GO_URL, [this] { OnGoUrl(); }, [this](CCmdUI& ui) { OnUpdateGoUrl(ui); });
    router.Register(ID_DOCUMENTATION, [this] { OnDocumentation(); });
}

void CSiteLinks::SetLaunchers(Launcher shellOpen, Launcher shellOpenFile) {
    m_shellOpen = std::move(shellOpen);
    m_shellOpenFile = std::move(shellOpenFile);
}

void CSiteLinks::OnUpdateGoUrl(CCmdUI& ui) const {
    ui.Enable(!m_url().empty());
}

// Hands the address over; when the desktop fails, says why and what it was given.
void CSiteLinks::Launch(const Launcher& launch, const QString& strAddress) {
    launch(strAddress, [this, strAddress](bool bOpened) {
        if (!bOpened)
            m_prompts.MessageBox(GetLastErrorText() + QStringLiteral("\n\n") + strAddress, MB_ICONEXCLAMATION | MB_OK);
    });
}

void CSiteLinks::OnGoUrl() {
    Launch(m_shellOpen, ToDisplayText(m_url()));
}

void CSiteLinks::OnButtonGoUrl() {
    if (m_url().empty())
        m_prompts.MessageBeep();
    else
        OnGoUrl();
}

QString CSiteLinks::DocumentationPath(const QString& strExeDir) {
    const QDir exeDir(strExeDir);
    const QString candidates[] = {exeDir.filePath(QStringLiteral(LOCKWARDEN_DOC_FROM_BIN "/LockwardenDoc.pdf")),
                                  exeDir.filePath(QStringLiteral("LockwardenDoc.pdf"))};
    for (const QString& strPath : candidates) {
        const QFileInfo info(strPath);
        if (info.isFile())
            return QDir::cleanPath(info.absoluteFilePath());
    }
    return {};
}

// A local copy goes to the opener as a plain path: the opener takes no fragment on a file, and the
// viewer opens at page 1 anyway. The maker's address keeps its fragment for the browser's viewer.
void CSiteLinks::OnDocumentation() {
    const QString strPath = DocumentationPath(m_strExeDir);
    if (!strPath.isEmpty())
        Launch(m_shellOpenFile, strPath);
    else
        Launch(m_shellOpen, QStringLiteral(LOCKWARDEN_DOC_ADDRESS));
}
