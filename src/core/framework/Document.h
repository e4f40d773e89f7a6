#pragma once

#include "core/resources/Strings.h"

#include <QObject>
#include <QString>

class CArchive;
class QByteArray;
class QFile;
class CPrompts;

// The document half of the single-document framework: path, title, modified flag, and the load and
// save sequences around a derived class's Serialize. Messages go through the prompts seam. It says
// what happened with signals, which any number of windows may follow.
class CDocument : public QObject {
    Q_OBJECT
public:
    explicit CDocument(CPrompts& prompts);
    virtual ~CDocument();
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    const QString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const QString& strTitle);
    const QString& GetPathName() const { return m_strPathName; }
    // Sets the path and makes its file name the title; bAddToMRU hands the path to the recent-file list.
    virtual void SetPathName(const QString& strPathName, bool bAddToMRU = true);

    virtual bool IsModified();
    virtual void SetModifiedFlag(bool bModified = true);

    virtual void Serialize(CArchive& ar) = 0;
    virtual void DeleteContents();
    // New: empties the document, clears the path and the modified flag.
    virtual bool OnNewDocument();
    // Open: empties the document, reads the whole file through Serialize. Messages on failure.
    virtual bool OnOpenDocument(const QString& strPathName);
    // True while an open is reading records: the document is then half-read or emptied, and no save may
    // run (a log-out arriving while a load's message shows must not write it over the previous file).
    bool IsLoading() const { return m_bLoading; }
    // Save: writes the whole file through Serialize, atomically. Messages on failure.
    virtual bool OnSaveDocument(const QString& strPathName);
    // Whether a save keeps the file it replaces as its backup (FileAccess::BackupPathOf).
    virtual bool KeepsBackupOnSave() const { return false; }

    // Before New, Open or Exit: "Save changes to %1?". False when the user cancelled or the save failed.
    virtual bool SaveModified();
    // File > Save: to the path, or through Save As when there is none or the file there is read-only.
    bool DoFileSave();
    // Saves to strPathName, or asks for a name when it is empty; bReplace makes the saved path the document's.
    bool DoSave(const QString& strPathName, bool bReplace = true);
    // File > Save As.
    void OnFileSaveAs();

    // The document template's strings.
    QString m_strFilter = GetDocString(EDocString::FilterName);
    QString m_strDefExt = GetDocString(EDocString::FilterExt);

Q_SIGNALS:
    // The title changed: the file's name, or "Untitled" (the frame's caption follows it).
    void titleChanged();
    // The path changed: an open, a save under another name, New.
    void pathChanged();
    // The document became modified, or no longer is (the frame marks its caption).
    void modifiedChanged(bool bModified);
    // A path was opened or saved under and should join the recent-file list.
    void addToRecentFileList(const QString& strPathName);
    // The contents are about to be destroyed: nothing may keep pointing at them.
    void contentsAboutToBeDeleted();

protected:
    CPrompts& m_prompts;
    // The file name shown for a path: the part after its last "/".
    static QString FileNameOf(const QString& strPath);
    // The message for a file that could not be opened: "%1 was not found.", "Sharing violation while
    // accessing %1." or the system's reason.
    static QString FileErrorText(const QString& strPath, int nErr);
    // The same for a failure that came with its own reason.
    static QString FileErrorText(const QString& strPath, const QString& strReason);
    // The load of an open: empties the document and reads the whole of file, already open for reading
    // at its start, through Serialize. Messages on failure.
    bool LoadDocument(QFile& file, const QString& strPathName);
    // The whole file as a save writes it, in memory. False with the reason in strError: memory ran out, a
    // record the layout cannot hold, or a file larger than the open reads (FileAccess::kMaxFileSize).
    bool SerializeForSave(QByteArray& bytes, QString& strError);

    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
    bool m_bLoading = false;
};
