#include "ui/platform/Clipboard.h"

#include "core/platform/Text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {
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
        pData->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    pClipboard->setMimeData(pData);
    return true;
}

void EmptyClipboard() {
    if (QClipboard* pClipboard = QGuiApplication::clipboard())
        pClipboard->clear();
}
