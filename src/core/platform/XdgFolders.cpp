#include "core/platform/XdgFolders.h"

#include <QDir>
#include <QFile>

QString XdgBaseFolder(const char* pszVariable, const char* pszBelowHome) {
    const QString strFolder = QFile::decodeName(qgetenv(pszVariable));
    if (!strFolder.isEmpty() && QDir::isAbsolutePath(strFolder))
        return strFolder;
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(pszBelowHome);
}
