#include "core/platform/LastError.h"

#include "core/platform/FileAccess.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <cerrno>
#include <cstring>

namespace {
thread_local QString t_strReason;
}

void SetLastErrorReason(const QString& strReason) {
    t_strReason = strReason;
}

QString GetLastErrorText(int nCode) {
    if (nCode == kErrNotRegularFile)
        return LoadString(IDS_NOT_REGULAR_FILE);
    if (nCode == kErrFileTooLarge)
        return LoadString(IDS_FILE_TOO_LARGE).arg(FileAccess::kMaxFileSize >> 20);
    QString strText;
    // A code the C library has no description for gets no text, whatever language its
    // "Unknown error" fallback would be worded in.
    if (nCode != 0 && strerrordesc_np(nCode) != nullptr) {
        char buf[256];
        // GNU strerror_r may return a static string instead of filling buf.
        const char* p = strerror_r(nCode, buf, sizeof buf);
        strText = QString::fromLocal8Bit(p).trimmed();
    }
    if (strText.isEmpty())
        strText = QStringLiteral("Last Error = %1").arg(nCode);
    return strText;
}

QString GetLastErrorText() {
    const int nCode = errno;
    if (!t_strReason.isEmpty()) {
        QString strReason = t_strReason.trimmed();
        t_strReason.clear();
        if (!strReason.isEmpty())
            return strReason;
    }
    return GetLastErrorText(nCode);
}
