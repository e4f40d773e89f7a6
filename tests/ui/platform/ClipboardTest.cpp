#include "ui/platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

namespace {

// What the desktop gets: the clipboard's plain text as bytes, and the hint to clipboard managers.
TEST(Clipboard, APasswordGoesOutAsItsTextWithTheSecretHint) {
    struct Case {
        std::string bytes;
        QByteArray utf8; // the text/plain bytes the desktop reads
    };
    const Case cases[] = {
        {"Pa55word!", "Pa55word!"},
        {"p\xC3\xA9!", "p\xC3\xA9!"},             // UTF-8 goes byte for byte
        {"p\xE9\x80!", "p\xC3\xA9\xE2\x82\xAC!"}, // Windows-1252 goes as the characters it shows
        {std::string("ab\0cd", 5), "ab"},         // plain text ends at its first zero
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(PutTextOnClipboard(c.bytes));
        const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
        ASSERT_NE(pData, nullptr);
        EXPECT_EQ(pData->data(QStringLiteral("text/plain")), c.utf8);
        EXPECT_EQ(pData->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
        EXPECT_TRUE(IsTextOnClipboard(c.bytes));
    }
}

TEST(Clipboard, OnlyTheVeryTextCountsAsOurs) {
    PutTextOnClipboard("p\xE9!");
    EXPECT_FALSE(IsTextOnClipboard("p\xE9"));
    EXPECT_FALSE(IsTextOnClipboard("P\xE9!"));
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    EXPECT_FALSE(IsTextOnClipboard("p\xE9!"));
    EmptyClipboard();
    std::string strText = "unchanged";
    EXPECT_FALSE(GetClipboardText(strText));
    EXPECT_EQ(strText, "unchanged");
    EXPECT_FALSE(IsTextOnClipboard(""));
}

} // namespace
