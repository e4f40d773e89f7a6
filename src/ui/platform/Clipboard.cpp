#include "ui/platform/Clipboard.h"

#include "core/platform/Text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>

namespace {
const QByteArray kSecretHint = QByteArrayLiteral("x-kde-passwordManagerHint");

// Runs one of wl-clipboard's tools to its end (a few seconds at most); false when it is missing or failed.
bool RunWlClipboard(const char* pszTool, const QStringList& args, QByteArray* pOutput = nullptr) {
    const QString strTool = QStandardPaths::findExecutable(QString::fromLatin1(pszTool));
    if (strTool.isEmpty())
        return false;
    QProcess process;
    process.start(strTool, args);
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (pOutput != nullptr)
        *pOutput = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The clipboard's text up to its first zero character, which ends it.
bool ClipboardText(QString& strText) {
    const QClipboard* pClipboard = QGuiApplication::clipboard();
    const QMimeData* pData = pClipboard != nullptr ? pClipboard->mimeData() : nullptr;
    if (pData == nullptr || !pData->hasText())
        return false;
    strText = pData->text();
    const qsizetype nZero = strText.indexOf(QChar(0));
    if (nZero >= 0)
        strText.truncate(nZero);
    return true;
}
} // namespace

bool GetClipboardText(std::string& strText) {
    QString strClip;
    if (!ClipboardText(strClip))
        return false;
    strText = FromDisplayText(strClip);
    return true;
}

bool IsTextOnClipboard(const std::string& strText) {
    QString strClip;
    // What went out stopped at the first zero byte, as the clipboard's text does.
    return ClipboardText(strClip) && strClip == ToDisplayText(std::string_view(strText.c_str()));
}

bool PutTextOnClipboard(const std::string& strText, bool bSecret) {
    QClipboard* pClipboard = QGuiApplication::clipboard();
    if (pClipboard == nullptr)
        return false;
    auto* pData = new QMimeData;
    pData->setText(ToDisplayText(std::string_view(strText.c_str())));
    if (bSecret)
        pData->setData(QString::fromLatin1(kSecretHint), QByteArrayLiteral("secret"));
    pClipboard->setMimeData(pData);
    return true;
}

void EmptyClipboard() {
    if (QClipboard* pClipboard = QGuiApplication::clipboard())
        pClipboard->clear();
}

bool CClipboardAccess::CanAskDesktop() {
    return QGuiApplication::platformName() == QLatin1String("wayland") &&
           !QStandardPaths::findExecutable(QStringLiteral("wl-paste")).isEmpty();
}

bool CClipboardAccess::DesktopOffersSecret() {
    // Only the types are asked for: the data itself may still be ours to send, and this thread would not answer.
    QByteArray types;
    if (!RunWlClipboard("wl-paste", {QStringLiteral("--list-types")}, &types))
        return false; // nothing on the clipboard at all
    return types.split('\n').contains(kSecretHint);
}

bool CClipboardAccess::ClearThroughDesktop() {
    return RunWlClipboard("wl-copy", {QStringLiteral("--clear")});
}
