#include "ui/tools/SiteCsvCommands.h"

#include "core/database/LockwardenDoc.h"
#include "core/platform/FileAccess.h"
#include "core/platform/LastError.h"
#include "core/platform/SecureWipe.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/tools/SiteExport.h"
#include "core/tools/SiteImport.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/WndPrompts.h"
#include "ui/tools/ImportDlg.h"
#include "ui/view/LockwardenView.h"

#include <QFileInfo>

#include <string>
#include <vector>

CSiteCsvCommands::CSiteCsvCommands(CLockwardenView& view, CLockwardenDoc& doc, CWndPrompts& prompts)
    : QObject(&view), m_view(view), m_doc(doc), m_prompts(prompts) {}

void CSiteCsvCommands::RegisterCommands(CCommandRouter& router) {
    router.Register(
        ID_FILE_IMPORT, [this] { OnImport(); }, [this](CCmdUI& ui) { ui.Enable(CanImport()); });
    router.Register(
        ID_FILE_EXPORT_CSV, [this] { OnExportCsv(); }, [this](CCmdUI& ui) { ui.Enable(m_view.IsBrowsingWithSites()); });
}

bool CSiteCsvCommands::CanImport() const {
    // An empty database waits in data entry for its first site; a form still blank holds nothing to lose.
    return m_view.IsBrowsing() || (m_view.IsListEmpty() && !m_view.HasTypedEntry());
}

void CSiteCsvCommands::OnImport() {
    if (!CanImport()) {
        m_prompts.MessageBox(LoadString(IDS_KEEP_OR_CANCEL_FIRST), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    QString strPath;
    if (!m_prompts.OpenFileDialog(strPath, LoadString(IDS_IMPORT_FILTER)))
        return;
    SiteImport::CImportPlan plan;
    QString strError;
    if (!SiteImport::PlanFile(strPath, std::nullopt, m_doc.Sites(), plan, strError)) {
        m_prompts.MessageBox(LoadString(IDS_CSV_IMPORT_FAILED).arg(strPath, strError), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    const QString strFileName = QFileInfo(strPath).fileName();
    // The window may read the file again as another format: plan is then that reading.
    CImportDlg dlg(strPath, m_doc.Sites(), plan, m_view.window());
    if (m_prompts.DoModal(dlg) != IDOK)
        return;
    const bool bWasEmpty = m_view.IsListEmpty();
    SiteImport::AddPlanned(m_doc, plan);
    Q_EMIT noted(LoadString(IDS_NOTE_IMPORTED).arg(plan.Added()));
    // The blank form of an empty database gives way to the first site, as when a file is opened.
    if (bWasEmpty && !m_view.IsListEmpty())
        m_view.OnInitialUpdate();
    // The export holds every password in clear: now that its sites are here, it can go.
    if (m_prompts.MessageBox(
            LoadString(IDS_IMPORT_DONE).arg(plan.Added()).arg(strFileName).arg(plan.SkippedIdentical()),
            MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    int nErr = 0;
    if (!FileAccess::OverwriteAndRemove(strPath, nErr))
        m_prompts.MessageBox(LoadString(IDS_IMPORT_DELETE_FAILED).arg(strPath, GetLastErrorText(nErr)),
                             MB_ICONEXCLAMATION | MB_OK);
}

void CSiteCsvCommands::OnExportCsv() {
    if (!m_view.IsBrowsingWithSites())
        return;
    if (m_prompts.MessageBox(LoadString(IDS_CSV_EXPORT_WARNING), MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) !=
        IDYES)
        return;
    QString strPath = QFileInfo(m_doc.GetTitle()).completeBaseName() + QLatin1String(".csv");
    // The file's type says the layout: the program's own, or that of the program the user moves to.
    int nLayout = 0;
    if (!m_prompts.SaveFileDialogTyped(strPath, SiteExport::LayoutFilters(), nLayout, QStringLiteral(".csv")))
        return;
    std::string strCsv;
    const CWipeOnExit wipe({&strCsv});
    SiteExport::WriteAll(strCsv, static_cast<SiteExport::ELayout>(nLayout), m_doc.Sites());
    // The file dialog has asked before a file already there is replaced.
    QString strError;
    if (!FileAccess::WriteSecretFile(strPath, strCsv, QFileInfo::exists(strPath), strError)) {
        m_prompts.MessageBox(LoadString(IDS_CSV_EXPORT_FAILED).arg(strPath, strError), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    Q_EMIT noted(LoadString(IDS_NOTE_EXPORTED).arg(m_doc.Sites().size()));
}
