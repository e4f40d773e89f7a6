#include "ui/platform/Shell.h"

#include "core/platform/LastError.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>

namespace {

constexpr const char* kOpener = "xdg-open";

QString SchemeOf(const QString& strUrl) {
    const qsizetype nColon = strUrl.indexOf(QLatin1Char(':'));
    if (nColon <= 0)
        return {};
    const QString strScheme = strUrl.left(nColon);
    if (!strScheme.front().isLetter() || strScheme.front().unicode() > 0x7F)
        return {};
    for (QChar c : strScheme)
        if (c.unicode() > 0x7F ||
            !(c.isLetterOrNumber() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.')))
            return {};
    return strScheme.toLower();
}

// A mail address whose parameters ask the mail program to attach a file (attach=, attachment=): a stored
// address could send the user's keys away. Names are matched without regard to case and after
// percent-decoding, and any of "&", "?" and ";" counts as a separator, since mail programs differ there.
bool AsksForAttachment(const QString& strUrl) {
    const qsizetype nQuery = strUrl.indexOf(QLatin1Char('?'));
    if (nQuery < 0)
        return false;
    const QString strQuery = QString::fromUtf8(QByteArray::fromPercentEncoding(strUrl.mid(nQuery + 1).toUtf8()));
    static const QRegularExpression kSeparators(QStringLiteral("[&?;]"));
    for (const QString& strParam : strQuery.split(kSeparators)) {
        const QString strName = strParam.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        if (strName == QStringLiteral("attach") || strName == QStringLiteral("attachment"))
            return true;
    }
    return false;
}

// A host name with a dot, such as "bank.example.com", perhaps with a port and a path: what a user types
// into a browser's address bar without a scheme. Labels are letters, digits and inner hyphens.
bool IsBareHostAddress(const QString& strUrl) {
    const qsizetype nEnd = strUrl.indexOf(QRegularExpression(QStringLiteral("[/?#]")));
    QString strHost = nEnd < 0 ? strUrl : strUrl.left(nEnd);
    const qsizetype nColon = strHost.indexOf(QLatin1Char(':'));
    if (nColon >= 0) {
        static const QRegularExpression port(QStringLiteral("^[0-9]{1,5}$"));
        if (!port.match(strHost.mid(nColon + 1)).hasMatch())
            return false;
        strHost.truncate(nColon);
    }
    const QStringList labels = strHost.split(QLatin1Char('.'));
    if (labels.size() < 2)
        return false;
    for (const QString& strLabel : labels) {
        if (strLabel.isEmpty() || strLabel.front() == QLatin1Char('-') || strLabel.back() == QLatin1Char('-'))
            return false;
        for (QChar c : strLabel)
            if (!c.isLetterOrNumber() && c != QLatin1Char('-'))
                return false;
    }
    return true;
}

// Why the opener failed: what it said on its error output, else what its exit status means.
QString OpenerReason(int nExitCode, QProcess::ExitStatus status, const QByteArray& said) {
    const QString strSaid = QString::fromLocal8Bit(said).trimmed();
    if (!strSaid.isEmpty())
        return strSaid;
    if (status == QProcess::CrashExit)
        return LoadString(IDS_OPENER_CRASHED).arg(QString::fromLatin1(kOpener));
    return LoadString(IDS_OPENER_FAILED).arg(QString::fromLatin1(kOpener)).arg(nExitCode);
}

void Fail(const QString& strReason, const ShellDone& onDone) {
    SetLastErrorReason(strReason);
    onDone(false);
}

void RunOpener(const QString& strTarget, QObject* pContext, ShellDone onDone) {
    auto* pProcess = new QProcess;
    // The program the opener starts inherits its outputs and may write to them long after the opener
    // ended: a file takes that harmlessly, where a pipe we closed would kill it.
    auto* pErr = new QTemporaryFile(pProcess);
    if (!pErr->open()) {
        delete pProcess;
        Fail(LoadString(IDS_OPENER_NOT_STARTED).arg(QString::fromLatin1(kOpener), GetLastErrorText()), onDone);
        return;
    }
    pProcess->setStandardInputFile(QProcess::nullDevice());
    pProcess->setStandardOutputFile(QProcess::nullDevice());
    pProcess->setStandardErrorFile(pErr->fileName());
    QObject::connect(pProcess, &QProcess::finished, pContext,
                     [pErr, onDone](int nExitCode, QProcess::ExitStatus status) {
                         if (status == QProcess::NormalExit && nExitCode == 0)
                             onDone(true);
                         else
                             Fail(OpenerReason(nExitCode, status, pErr->readAll()), onDone);
                     });
    QObject::connect(pProcess, &QProcess::errorOccurred, pContext, [pProcess, onDone](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            Fail(LoadString(IDS_OPENER_NOT_STARTED).arg(QString::fromLatin1(kOpener), pProcess->errorString()), onDone);
    });
    QObject::connect(pProcess, &QProcess::finished, pProcess, &QObject::deleteLater);
    QObject::connect(pProcess, &QProcess::errorOccurred, pProcess, [pProcess](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            pProcess->deleteLater();
    });
    pProcess->start(QString::fromLatin1(kOpener), {strTarget});
}

} // namespace

QString ShellAddress(const QString& strStored, QString& strReason) {
    // Blanks around a pasted URL are no part of it; the stored text itself is left as it is.
    const QString strUrl = strStored.trimmed();
    // Plain http is upgraded or warned about by every browser today, so a bare "www." goes as https.
    if (strUrl.startsWith(QStringLiteral("ftp."), Qt::CaseInsensitive))
        return QStringLiteral("ftp://") + strUrl;
    if (strUrl.startsWith(QStringLiteral("www."), Qt::CaseInsensitive) || IsBareHostAddress(strUrl))
        return QStringLiteral("https://") + strUrl;
    const QString strScheme = SchemeOf(strUrl);
    if (strScheme == QStringLiteral("http") || strScheme == QStringLiteral("https") ||
        strScheme == QStringLiteral("ftp"))
        return strUrl;
    if (strScheme == QStringLiteral("mailto")) {
        if (!AsksForAttachment(strUrl))
            return strUrl;
        strReason = LoadString(IDS_MAIL_ATTACHMENT_REFUSED);
        return {};
    }
    strReason = LoadString(IDS_ADDRESS_REFUSED);
    return {};
}

void ShellOpen(const QString& strUrl, QObject* pContext, ShellDone onDone) {
    QString strReason;
    const QString strAddress = ShellAddress(strUrl, strReason);
    if (strAddress.isEmpty()) {
        Fail(strReason, onDone);
        return;
    }
    RunOpener(strAddress, pContext, std::move(onDone));
}

void ShellOpenFile(const QString& strPath, QObject* pContext, ShellDone onDone) {
    RunOpener(strPath, pContext, std::move(onDone));
}
