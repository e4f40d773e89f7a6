#include "platform/Clipboard.h"

#include "platform/Text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

bool GetClipboardText(std::string& strText) {
    const QClipboard* pClipboard = QGuiApplication::clipboard();
    const QMimeData* pData = pClipboard != nullptr ? pClipboard->mimeData() : nullptr;
    if (pData == nullptr || !pData->hasText())
        return false;
    strText = FromDisplayText(pData->text());
    // The clipboard's text counts up to its first zero byte.
    const std::size_t nZero = strText.find('\0');
    if (nZero != std::string::npos)
        strText.resize(nZero);
    return true;
}

bool PutTextOnClipboard(const std::string& strText) {
    QClipboard* pClipboard = QGuiApplication::clipboard();
    if (pClipboard == nullptr)
        return false;
    auto* pData = new QMimeData;
    pData->setText(ToDisplayText(std::string_view(strText.c_str())));
    pData->setData(QStringLiteral("x-kde-passwordManagerHint"), QByteArrayLiteral("secret"));
    pClipboard->setMimeData(pData);
    return true;
}

bool IsTextOnClipboard(const std::string& strText) {
    std::string strClip;
    return GetClipboardText(strClip) && strClip == FromDisplayText(ToDisplayText(std::string_view(strText.c_str())));
}

void EmptyClipboard() {
    if (QClipboard* pClipboard = QGuiApplication::clipboard())
        pClipboard->clear();
}
