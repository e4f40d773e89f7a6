#include "core/framework/Document.h"

#include "core/framework/Archive.h"
#include "core/framework/Prompts.h"
#include "core/platform/FileAccess.h"
#include "core/platform/LastError.h"
#include "core/platform/MemoryPages.h"
#include "core/platform/SecureWipe.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QBuffer>
#include <QFile>
#include <QScopedValueRollback>

#include <cerrno>

namespace {
// The archive's buffer for saves, which collect the whole file in memory.
constexpr int kIoBufferSize = 1 << 16;
} // namespace

CDocument::CDocument(CPrompts& prompts) : m_prompts(prompts) {}

CDocument::~CDocument() = default;

void CDocument::SetTitle(const QString& strTitle) {
    m_strTitle = strTitle;
    Q_EMIT titleChanged();
}

QString CDocument::FileNameOf(const QString& strPath) {
    const qsizetype n = strPath.lastIndexOf(QLatin1Char('/'));
    return n < 0 ? strPath : strPath.mid(n + 1);
}

QString CDocument::FileErrorText(const QString& strPath, int nErr) {
    if (nErr == ENOENT)
        return LoadString(AFX_IDP_FILE_NOT_FOUND).arg(strPath);
    if (nErr == EWOULDBLOCK) // another program holds the file's lock to write it
        return LoadString(AFX_IDP_FILE_SHARING).arg(strPath);
    return FileErrorText(strPath, GetLastErrorText(nErr));
}

QString CDocument::FileErrorText(const QString& strPath, const QString& strReason) {
    return LoadString(AFX_IDP_FAILED_TO_OPEN_DOC) + QStringLiteral("\n\n") + strPath + QStringLiteral(": ") + strReason;
}

void CDocument::SetPathName(const QString& strPathName, bool bAddToMRU) {
    const bool bNewPath = strPathName != m_strPathName;
    m_strPathName = strPathName;
    SetTitle(FileNameOf(strPathName));
    if (bNewPath)
        Q_EMIT pathChanged();
    if (bAddToMRU)
        Q_EMIT addToRecentFileList(strPathName);
}

bool CDocument::IsModified() {
    return m_bModified;
}

void CDocument::SetModifiedFlag(bool bModified) {
    if (bModified == m_bModified)
        return;
    m_bModified = bModified;
    Q_EMIT modifiedChanged(bModified);
}

void CDocument::DeleteContents() {}

bool CDocument::OnNewDocument() {
    DeleteContents();
    const bool bHadPath = !m_strPathName.isEmpty();
    m_strPathName.clear();
    if (bHadPath)
        Q_EMIT pathChanged();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const QString& strPathName) {
    FileAccess::CSharedReadLock lock;
    QFile file;
    if (!lock.Open(strPathName) || !file.open(lock.Handle(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        m_prompts.MessageBox(lock.Error() != 0 ? FileErrorText(strPathName, lock.Error())
                                               : FileErrorText(strPathName, file.errorString()),
                             MB_ICONSTOP | MB_OK);
        return false;
    }
    return LoadDocument(file, strPathName);
}

bool CDocument::LoadDocument(QFile& file, const QString& strPathName) {
    const QScopedValueRollback<bool> loading(m_bLoading, true);
    // The whole file at once: the archive then works on memory, where asking how much is left costs
    // nothing, instead of asking the file system for its size before every string.
    // The open checked the size; a file grown since is held to the same limit.
    if (file.size() > FileAccess::kMaxFileSize) {
        m_prompts.MessageBox(FileErrorText(strPathName, kErrFileTooLarge), MB_ICONSTOP | MB_OK);
        return false;
    }
    // The file's pages mapped where the system holds them cost neither a copy nor fresh memory; a file that
    // cannot be mapped is read.
    CMappedFile mapped;
    QByteArray bytes;
    // The whole file as stored: the file password alone turns it into every site's clear text.
    const CWipeBytesOnExit wipe(bytes);
    const bool bMapped = file.handle() >= 0 && file.pos() == 0 && mapped.Map(file.handle());
    if (bMapped && static_cast<std::int64_t>(mapped.Size()) > FileAccess::kMaxFileSize) {
        m_prompts.MessageBox(FileErrorText(strPathName, kErrFileTooLarge), MB_ICONSTOP | MB_OK);
        return false;
    }
    if (!bMapped) {
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            // The reason as the read gave it, not whatever the system says by the time the message is made.
            m_prompts.MessageBox(FileErrorText(strPathName, file.errorString()), MB_ICONSTOP | MB_OK);
            return false;
        }
    }
    file.close();

    DeleteContents();
    SetModifiedFlag(true); // dirty while the records arrive
    try {
        CArchive ar(bMapped ? mapped.Data() : bytes.constData(),
                    bMapped ? mapped.Size() : static_cast<std::size_t>(bytes.size()));
        Serialize(ar);
        // A file cut short by another program while it was read is damaged as far as this load knows.
        if (mapped.WasCut())
            throw CArchiveException(CArchiveException::endOfFile);
    } catch (const CArchiveException&) {
        DeleteContents();
        m_prompts.MessageBox(LoadString(AFX_IDP_ARCH_GENERIC), MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

bool CDocument::SerializeForSave(QByteArray& bytes, QString& strError) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    try {
        CArchive ar(&buffer, CArchive::store, kIoBufferSize);
        Serialize(ar);
        ar.Flush();
    } catch (const CArchiveException& e) {
        // Writing to memory fails only when memory runs out; anything else is a record the layout cannot
        // hold, and the message says which it was.
        strError = e.m_cause == CArchiveException::writeError
                       ? GetLastErrorText(ENOMEM)
                       : QStringLiteral("The records could not be written (%1).").arg(QString::fromLatin1(e.what()));
        return false;
    }
    // A file the open would refuse is never written: it would hold every site and open no more.
    if (bytes.size() > FileAccess::kMaxFileSize) {
        strError = LoadString(IDS_SAVE_TOO_LARGE)
                       .arg((static_cast<std::int64_t>(bytes.size()) + (1 << 20) - 1) >> 20)
                       .arg(FileAccess::kMaxFileSize >> 20);
        return false;
    }
    return true;
}

bool CDocument::OnSaveDocument(const QString& strPathName) {
    QByteArray bytes;
    const CWipeBytesOnExit wipe(bytes);
    QString strError;
    bool bOk = SerializeForSave(bytes, strError);
    if (bOk)
        bOk = FileAccess::SaveFileAtomically(strPathName, std::string_view(bytes.constData(), bytes.size()), strError,
                                             KeepsBackupOnSave());
    if (!bOk) {
        QString strText = LoadString(AFX_IDP_FAILED_TO_SAVE_DOC) + QStringLiteral("\n\n");
        if (!strPathName.isEmpty())
            strText += strPathName + QStringLiteral(": ");
        m_prompts.MessageBox(strText + strError, MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    // Saved, with something left undone (the backup of a file saved in place), which the user is told.
    if (!strError.isEmpty())
        m_prompts.MessageBox(strError, MB_ICONINFORMATION | MB_OK);
    SetModifiedFlag(false);
    return true;
}

bool CDocument::SaveModified() {
    if (!IsModified())
        return true;
    // Named the way the title names it, without the folders.
    const QString strName = m_strPathName.isEmpty() ? LoadString(AFX_IDS_UNTITLED) : FileNameOf(m_strPathName);
    switch (m_prompts.MessageBox(LoadString(AFX_IDP_ASK_TO_SAVE).arg(strName), MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        return DoFileSave();
    case IDNO:
        return true;
    default:
        return false;
    }
}

bool CDocument::DoFileSave() {
    // A file the user made read-only is not replaced behind their back: ask for another name instead.
    if (!m_strPathName.isEmpty() && FileAccess::IsReadOnly(m_strPathName))
        return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CDocument::DoSave(const QString& strPathName, bool bReplace) {
    QString strNewName = strPathName;
    if (strNewName.isEmpty()) {
        strNewName = m_strPathName;
        if (bReplace && strNewName.isEmpty()) {
            // Propose the title up to its first character that does not belong in a file name.
            strNewName = m_strTitle;
            static const QString kBad = QStringLiteral(" #%;/\\");
            for (qsizetype i = 0; i < strNewName.size(); ++i) {
                if (kBad.contains(strNewName.at(i))) {
                    strNewName.truncate(i);
                    break;
                }
            }
            strNewName += m_strDefExt;
        }
        if (!m_prompts.SaveFileDialog(strNewName, m_strFilter, m_strDefExt))
            return false;
    }
    if (!OnSaveDocument(strNewName))
        return false;
    if (bReplace)
        SetPathName(strNewName);
    return true;
}

void CDocument::OnFileSaveAs() {
    DoSave(QString());
}
