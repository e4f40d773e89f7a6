#include "core/platform/DesktopRegistration.h"

#include "core/platform/ProfileStore.h"
#include "core/platform/XdgFolders.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace {

// The names the install rules give the files; a change there has to be made here too.
const QLatin1String kMimePackage("lockwarden-mime.xml");
const QLatin1String kMimeTypeFile("application/x-lockwarden.xml");
const QLatin1String kAppIcon("apps/lockwarden.svg");
const QLatin1String kDocumentIcon("mimetypes/application-x-lockwarden.svg");

enum class ERemoved { Absent, Removed, Stuck };

ERemoved RemoveFile(const QString& strPath) {
    const QFileInfo info(strPath);
    // A dangling link is still ours to remove, though exists() says it is not there.
    if (!info.exists() && !info.isSymLink())
        return ERemoved::Absent;
    return QFile::remove(strPath) ? ERemoved::Removed : ERemoved::Stuck;
}

// A cache tool that is missing or fails leaves the old cache; desktops then still see the type until the
// next refresh, which is no reason to report the removal as failed.
void RunCacheTool(const QString& strTool, const QStringList& args) {
    const QString strProgram = QStandardPaths::findExecutable(strTool);
    if (strProgram.isEmpty())
        return;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(strProgram, args);
    if (process.waitForStarted())
        process.waitForFinished(60000);
}

} // namespace

QString UserDataFolder() {
    return XdgBaseFolder("XDG_DATA_HOME", ".local/share");
}

bool RemoveUserRegistration(const QString& strDataFolder, const QString& strSettingsFile) {
    bool bAllGone = true;
    auto remove = [&bAllGone](const QString& strPath) {
        const ERemoved e = RemoveFile(strPath);
        bAllGone = bAllGone && e != ERemoved::Stuck;
        return e;
    };
    const QDir data(strDataFolder);

    const QString strApplications = data.filePath(QLatin1String("applications"));
    const QString strDesktopFile = QLatin1String(kDesktopAppId) + QLatin1String(".desktop");
    if (remove(strApplications + QLatin1Char('/') + strDesktopFile) == ERemoved::Removed &&
        QFileInfo::exists(strApplications + QLatin1String("/mimeinfo.cache")))
        RunCacheTool(QStringLiteral("update-desktop-database"), {QStringLiteral("-q"), strApplications});

    const QString strMime = data.filePath(QLatin1String("mime"));
    const ERemoved eMime = remove(strMime + QLatin1String("/packages/") + kMimePackage);
    // The generated type file outlives the package until the database is rebuilt, also after a rebuild that
    // failed last time.
    if (QFileInfo(strMime + QLatin1String("/packages")).isDir() &&
        (eMime == ERemoved::Removed || QFileInfo::exists(strMime + QLatin1Char('/') + kMimeTypeFile)))
        RunCacheTool(QStringLiteral("update-mime-database"), {strMime});

    // The icons sit under a size folder: the install rules use "scalable", and a file of our names under any
    // other size is ours as well.
    const QDir hicolor(data.filePath(QLatin1String("icons/hicolor")));
    const QStringList sizes = hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& strSize : sizes) {
        remove(hicolor.filePath(strSize + QLatin1Char('/') + kAppIcon));
        remove(hicolor.filePath(strSize + QLatin1Char('/') + kDocumentIcon));
    }

    remove(strSettingsFile);
    // rmdir only succeeds on an empty folder, which is the only kind we may take away.
    const QFileInfo settings(strSettingsFile);
    QDir().rmdir(settings.absolutePath());
    return bAllGone;
}

bool RemoveUserRegistration() {
    return RemoveUserRegistration(
        UserDataFolder(), CProfileStore::FilePathOf(LoadString(AFX_IDS_COMPANY_NAME), LoadString(AFX_IDS_APP_TITLE)));
}
