#pragma once

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/framework/DocTemplate.h"
#include "core/framework/Prompts.h"

#include <string_view>

// Another database file read through the program's own open (banner, password prompt, classic or sealed,
// every failure told as the open tells it), apart from the open document: the other side of a merge,
// or the file on disk a reload takes its sites from. It never writes the file.
class CFileReading {
public:
    explicit CFileReading(CPrompts& prompts);
    CFileReading(const CFileReading&) = delete;
    CFileReading& operator=(const CFileReading&) = delete;

    // Opens the file at strPath; strKnown, when not empty (the open document's password), is tried before
    // the user is asked, and only a wrong one brings the prompt, empty and without a word of the try.
    bool Open(const QString& strPath, std::string_view strKnown = {});
    CLockwardenDoc& Doc() { return m_doc; }

private:
    CAppState m_app;
    CLockwardenDoc m_doc;
    CSingleDocTemplate m_template;
};
