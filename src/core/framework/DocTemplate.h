#pragma once

#include <QString>

#include <functional>

class CDocument;
class CPrompts;

// The single-document template's sequences for New and Open: one document, reused for every file.
// The view's initial update and the frame's activation are the callers' callbacks.
class CSingleDocTemplate {
public:
    CSingleDocTemplate(CDocument& doc, CPrompts& prompts);

    // File > New (strPathName empty) or opening a file: asks to save a modified document first, then
    // opens. Returns false when the user cancelled or the open failed; the document is then either as it
    // was or, after damaged records, a new untitled one.
    bool OpenDocumentFile(const QString& strPathName);
    // The File > Open dialog, then OpenDocumentFile.
    bool OnFileOpen();
    bool OnFileNew() { return OpenDocumentFile(QString()); }

    // Called after every successful New or Open and after an open that left a new, empty document.
    std::function<void()> m_onInitialUpdate;
    // Called when a document is shown in the frame, and when a file already open is asked for again.
    std::function<void()> m_onActivateFrame;

private:
    void SetDefaultTitle();

    CDocument& m_doc;
    CPrompts& m_prompts;
};
