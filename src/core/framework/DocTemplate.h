#pragma once

#include <QObject>
#include <QString>

class CDocument;
class CArchiveException;
class CPrompts;

// The single-document template's sequences for New and Open: one document, reused for every file.
// The view's initial update and the frame's activation follow its signals.
class CSingleDocTemplate : public QObject {
    Q_OBJECT
public:
    CSingleDocTemplate(CDocument& doc, CPrompts& prompts);

    // File > New (strPathName empty) or opening a file: asks to save a modified document first, then
    // opens. Returns false when the user cancelled or the open failed; the document is then either as it
    // was or, after damaged records, a new untitled one.
    bool OpenDocumentFile(const QString& strPathName);
    // The File > Open dialog, then OpenDocumentFile.
    bool OnFileOpen();
    bool OnFileNew() { return OpenDocumentFile(QString()); }

Q_SIGNALS:
    // After every successful New or Open and after an open that left a new, empty document.
    void initialUpdate();
    // A document is shown in the frame, or a file already open was asked for again.
    void activateFrame();

private:
    void SetDefaultTitle();

    CDocument& m_doc;
    CPrompts& m_prompts;
};

// Tells the user why an open failed inside the file's banner or check string, as the template's open does.
void TellOpenCheckFailure(CPrompts& prompts, const CArchiveException& e);
