#include "core/framework/DocTemplate.h"

#include "core/framework/Archive.h"
#include "core/framework/Document.h"
#include "core/framework/Prompts.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QFileInfo>

CSingleDocTemplate::CSingleDocTemplate(CDocument& doc, CPrompts& prompts) : m_doc(doc), m_prompts(prompts) {}

void CSingleDocTemplate::SetDefaultTitle() {
    m_doc.SetTitle(LoadString(AFX_IDS_UNTITLED));
}

bool CSingleDocTemplate::OnFileOpen() {
    QString strPath;
    if (!m_prompts.OpenFileDialog(strPath, m_doc.m_strFilter))
        return false;
    return OpenDocumentFile(strPath);
}

bool CSingleDocTemplate::OpenDocumentFile(const QString& strPathName) {
    // A file that is already the open document is only brought forward.
    if (!strPathName.isEmpty() && !m_doc.GetPathName().isEmpty() &&
        QFileInfo(strPathName).absoluteFilePath() == QFileInfo(m_doc.GetPathName()).absoluteFilePath()) {
        Q_EMIT activateFrame();
        return true;
    }
    if (!m_doc.SaveModified())
        return false;

    if (strPathName.isEmpty()) {
        // A modified document the user chose not to save loses its marker before the new title is set;
        // clearing the flag after would cut the marker's length off "Untitled".
        m_doc.SetModifiedFlag(false);
        SetDefaultTitle();
        if (!m_doc.OnNewDocument())
            return false;
    } else {
        const bool bWasModified = m_doc.IsModified();
        m_doc.SetModifiedFlag(false); // the user has been asked; not dirty while opening
        bool bOpened = false;
        try {
            bOpened = m_doc.OnOpenDocument(strPathName);
        } catch (const CArchiveException& e) {
            // The open check's own archive failed (the file ended inside its banner or check string);
            // nothing was read into the document, and its modified flag stays cleared.
            TellOpenCheckFailure(m_prompts, e);
            return false;
        }
        if (!bOpened) {
            if (!m_doc.IsModified()) {
                // The document is untouched.
                m_doc.SetModifiedFlag(bWasModified);
                return false;
            }
            // The load emptied the document: go on with a new, untitled one. The flag is cleared before
            // the default title is set, so the title's marker is not cut off a title that lacks it.
            m_doc.SetModifiedFlag(false);
            SetDefaultTitle();
            m_doc.OnNewDocument();
            Q_EMIT initialUpdate();
            return false;
        }
        m_doc.SetPathName(strPathName);
    }
    Q_EMIT initialUpdate();
    Q_EMIT activateFrame();
    return true;
}

void TellOpenCheckFailure(CPrompts& prompts, const CArchiveException& e) {
    if (e.m_cause == CArchiveException::endOfFile)
        prompts.MessageBox(LoadString(AFX_IDP_ARCH_ENDOFFILE).arg(LoadString(AFX_IDS_UNNAMED_FILE)),
                           MB_ICONSTOP | MB_OK);
    else
        prompts.MessageBox(LoadString(AFX_IDP_ARCH_GENERIC), MB_ICONEXCLAMATION | MB_OK);
}
