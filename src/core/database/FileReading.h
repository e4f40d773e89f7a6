#pragma once

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/framework/DocTemplate.h"
#include "core/framework/Prompts.h"

#include <string>
#include <string_view>

// Prompts that answer the first password prompt with a password already known (the open document's)
// and hand everything else on; only when that password fails does the user see the prompt, without the
// "Bad file password !" that the silent try earned.
class CKnownPasswordPrompts : public CPrompts {
public:
    CKnownPasswordPrompts(CPrompts& inner, std::string_view strKnown);
    ~CKnownPasswordPrompts() override;

    int MessageBox(const QString& strText, unsigned nType) override;
    void MessageBeep() override { m_inner.MessageBeep(); }
    int FilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) override;
    int ConfirmFilePasswordPrompt(std::string& strPassword, const QString& strFileLabel) override {
        return m_inner.ConfirmFilePasswordPrompt(strPassword, strFileLabel);
    }
    void BeginWaitCursor() override { m_inner.BeginWaitCursor(); }
    void EndWaitCursor() override { m_inner.EndWaitCursor(); }
    bool OpenFileDialog(QString& strPath, const QString& strFilter) override {
        return m_inner.OpenFileDialog(strPath, strFilter);
    }
    bool SaveFileDialog(QString& strPath, const QString& strFilter, const QString& strDefExt) override {
        return m_inner.SaveFileDialog(strPath, strFilter, strDefExt);
    }

private:
    CPrompts& m_inner;
    std::string m_strKnown;
    bool m_bOffered = false; // the known password has been given once
    bool m_bTried = false;   // and the answer to it is still to come
};

// Another database file read through the program's own open (banner, password prompt, classic or sealed,
// every failure told as the open tells it), apart from the open document: the other side of a merge,
// or the file on disk a reload takes its sites from. It never writes the file.
class CFileReading {
public:
    // strKnown, when not empty, is tried before the user is asked.
    CFileReading(CPrompts& prompts, std::string_view strKnown = {});
    CFileReading(const CFileReading&) = delete;
    CFileReading& operator=(const CFileReading&) = delete;

    bool Open(const QString& strPath) { return m_template.OpenDocumentFile(strPath); }
    CLockwardenDoc& Doc() { return m_doc; }

private:
    CKnownPasswordPrompts m_prompts;
    CAppState m_app;
    CLockwardenDoc m_doc;
    CSingleDocTemplate m_template;
};
