#include "platform/Shell.h"

#include "platform/LastError.h"

#include <QDesktopServices>
#include <QUrl>

bool ShellOpen(const QString& strUrl) {
    const QUrl url(strUrl);
    if (!url.isValid()) {
        SetLastErrorReason(QStringLiteral("Not a valid address: %1").arg(strUrl));
        return false;
    }
    if (!QDesktopServices::openUrl(url)) {
        SetLastErrorReason(QStringLiteral("No program is set up to open %1 links").arg(url.scheme()));
        return false;
    }
    return true;
}
