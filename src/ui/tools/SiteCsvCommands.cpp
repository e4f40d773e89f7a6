#include "ui/tools/SiteCsvCommands.h"

#include "core/database/LockwardenDoc.h"
#include "core/framework/Prompts.h"
#include "core/platform/FileAccess.h"
#include "core/platform/SecureWipe.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/tools/SiteCsv.h"
#include "ui/framework/CommandRouter.h"
#include "ui/view/LockwardenView.h"

#include <QFileInfo>

#include <string>
#include <vector>

CSiteCsvCommands::CSiteCsvCommands(CLockwardenView& view, CLockwardenDoc& doc, CPrompts& prompts)
    : QObject(&view), m_view(view), m_doc(doc), m_prompts(prompts) {}

void CSiteCsvCommands::RegisterCommands(CCommandRouter& router) {
    router.Register(
        ID_FILE_IMPORT_CSV, [this] { OnImportCsv(); }, [this](CCmdUI& ui) { ui.Enable(CanImport()); });
    router.Register(
        ID_FILE_EXPORT_CSV, [this] { OnExportCsv(); }, [this](CCmdUI& ui) { ui.Enable(m_view.IsBrowsingWithSites()); });
}

bool CSiteCsvCommands::CanImport() const {
    // An empty database waits in data entry for its first site; a form still blank holds nothing to lose.
    return m_view.IsBrowsing() || (m_view.IsListEmpty() && !m_view.HasTypedEntry());
}

void CSiteCsvCommands::OnImportCsv() {
    if (!CanImport()) {
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    QString strPath;
    if (!m_prompts.OpenFileDialog(strPath, LoadString(IDS_CSV_FILTER)))
        return;
    std::vector<SiteCsv::Row> rows;
    const SiteCsv::CWipeRowsOnExit wipeRows{rows};
    QString strError;
    if (!SiteCsv::ReadFile(strPath, rows, strError)) {
        m_prompts.MessageBox(LoadString(IDS_CSV_IMPORT_FAILED).arg(strPath, strError), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const bool bWasEmpty = m_view.IsListEmpty();
    SiteCsv::AddSites(m_doc, rows);
    // The blank form of an empty database gives way to the first site, as when a file is opened.
    if (bWasEmpty && !m_view.IsListEmpty())
        m_view.OnInitialUpdate();
}

void CSiteCsvCommands::OnExportCsv() {
    if (!m_view.IsBrowsingWithSites())
        return;
    if (m_prompts.MessageBox(LoadString(IDS_CSV_EXPORT_WARNING), MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) !=
        IDYES)
        return;
    QString strPath = QFileInfo(m_doc.GetTitle()).completeBaseName() + QLatin1String(".csv");
    if (!m_prompts.SaveFileDialog(strPath, LoadString(IDS_CSV_FILTER), QStringLiteral(".csv")))
        return;
    // Room for the whole text at once, every field quoted and every quote doubled: growing it would leave
    // copies of the passwords in freed memory.
    std::size_t nSize = std::char_traits<char>::length(SiteCsv::kHeader) + 2;
    for (const auto& p : m_doc.m_sites)
        nSize += 2 * (p->m_strSite.size() + p->m_strURL.size() + p->m_strUser.size() + p->m_strPswd.size() +
                      p->m_strNotes.size()) +
                 SiteCsv::kFieldCount * 3 + 2;
    std::string strCsv;
    const CWipeOnExit wipe({&strCsv});
    strCsv.reserve(nSize);
    strCsv += SiteCsv::kHeader;
    strCsv += "\r\n";
    for (const auto& p : m_doc.m_sites)
        SiteCsv::AppendSite(strCsv, *p);
    // The file dialog has asked before a file already there is replaced.
    QString strError;
    if (!FileAccess::WriteSecretFile(strPath, strCsv, QFileInfo::exists(strPath), strError))
        m_prompts.MessageBox(LoadString(IDS_CSV_EXPORT_FAILED).arg(strPath, strError), MB_ICONEXCLAMATION | MB_OK);
}
