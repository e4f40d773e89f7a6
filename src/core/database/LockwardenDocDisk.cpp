// The document following its own file on disk: a sync tool writes it in place or renames a new file over it,
// or removes it; whoever shows the document decides when a change is read in (Reload).
#include "core/database/LockwardenDoc.h"

#include "core/database/FileReading.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

struct CLockwardenDoc::CDiskWatch : QObject {
    explicit CDiskWatch(QObject* pParent) : QObject(pParent) {}
    QFileSystemWatcher watcher;
    QTimer settle;
    QString strFollowed;
    bool bRemoved = false;

    void Arm() {
        // The folder too: a new file renamed over the old one ends the file's own watch.
        const QString strDir = QFileInfo(strFollowed).absolutePath();
        if (!watcher.directories().contains(strDir))
            watcher.addPath(strDir);
        if (!watcher.files().contains(strFollowed) && QFileInfo::exists(strFollowed))
            watcher.addPath(strFollowed);
    }
};

void CLockwardenDoc::FollowFileOnDisk() {
    if (m_pDiskWatch != nullptr)
        return;
    m_pDiskWatch = new CDiskWatch(this);
    QTimer& settle = m_pDiskWatch->settle;
    settle.setSingleShot(true);
    settle.setInterval(300);
    connect(&settle, &QTimer::timeout, this, &CLockwardenDoc::LookAtDisk);
    connect(&m_pDiskWatch->watcher, &QFileSystemWatcher::fileChanged, &settle, qOverload<>(&QTimer::start));
    connect(&m_pDiskWatch->watcher, &QFileSystemWatcher::directoryChanged, &settle, qOverload<>(&QTimer::start));
    connect(this, &CDocument::pathChanged, this, &CLockwardenDoc::FollowPath);
    FollowPath();
}

void CLockwardenDoc::SetSettleInterval(int nMs) {
    if (m_pDiskWatch != nullptr)
        m_pDiskWatch->settle.setInterval(nMs);
}

void CLockwardenDoc::LookAtDiskSoon() {
    if (m_pDiskWatch != nullptr)
        m_pDiskWatch->settle.start();
}

QString CLockwardenDoc::Followed() const {
    return m_pDiskWatch != nullptr ? m_pDiskWatch->strFollowed : QString();
}

void CLockwardenDoc::FollowPath() {
    CDiskWatch& watch = *m_pDiskWatch;
    const QString strPath = GetPathName();
    if (strPath == watch.strFollowed)
        return;
    if (!watch.watcher.files().isEmpty())
        watch.watcher.removePaths(watch.watcher.files());
    if (!watch.watcher.directories().isEmpty())
        watch.watcher.removePaths(watch.watcher.directories());
    watch.settle.stop();
    watch.strFollowed = strPath;
    watch.bRemoved = false;
    if (!strPath.isEmpty())
        watch.Arm();
}

void CLockwardenDoc::LookAtDisk() {
    CDiskWatch& watch = *m_pDiskWatch;
    if (watch.strFollowed.isEmpty())
        return;
    // A reading of the file under way: looked at again once it is done.
    if (m_bLoading) {
        watch.settle.start();
        return;
    }
    watch.Arm();
    if (!QFileInfo::exists(watch.strFollowed)) {
        // The document holds the only copy now: Save writes it back. A lock that dropped the records keeps
        // nothing to save (SetModifiedFlag refuses).
        if (!watch.bRemoved)
            SetModifiedFlag(true);
        watch.bRemoved = true;
        Q_EMIT changedOnDisk(EDiskChange::removed);
        return;
    }
    watch.bRemoved = false;
    Q_EMIT changedOnDisk(IsChangedOnDisk(watch.strFollowed) ? EDiskChange::changed : EDiskChange::same);
}

bool CLockwardenDoc::Reload() {
    const QString strPath = GetPathName();
    if (strPath.isEmpty() || IsLocked())
        return false;
    CFileReading reading(m_prompts);
    reading.Doc().ExpectFileKind(strPath, GetFileKind());
    if (!reading.Open(strPath, GetFilePassword()))
        return false;
    TakeFileFrom(reading.Doc());
    return true;
}
