#include "core/platform/SecureWipe.h"

#include "core/database/FileKey.h"
#include "core/database/SiteInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool AllZero(const char* p, std::size_t n) {
    return std::all_of(p, p + n, [](char c) { return c == 0; });
}

bool Holds(const unsigned char* p, std::size_t n, const char* psz) {
    const std::size_t nText = std::strlen(psz);
    return std::search(p, p + n, psz, psz + nText) != p + n;
}

// The whole buffer goes, the bytes past a shorter later value too; small (in-place) strings and long ones.
TEST(SecureWipe, AStringsWholeBufferIsZeroed) {
    for (const std::size_t nLength : {std::size_t{7}, std::size_t{200}}) {
        std::string str(nLength, 'x');
        str = "short";
        const char* p = str.data();
        const std::size_t nCapacity = str.capacity();
        WipeString(str);
        EXPECT_TRUE(str.empty());
        ASSERT_EQ(str.data(), p); // the same buffer, still ours to look at
        EXPECT_TRUE(AllZero(p, nCapacity)) << nLength;
    }
}

TEST(SecureWipe, AByteArraySharedWithAnotherIsLeftToIt) {
    QByteArray bytes("secret bytes");
    const QByteArray other = bytes;
    WipeBytes(bytes);
    EXPECT_TRUE(bytes.isEmpty());
    EXPECT_EQ(other, QByteArray("secret bytes"));
}

TEST(SecureWipe, ATextSharedWithAnotherIsLeftToIt) {
    QString str = QStringLiteral("secret text");
    const QString other = str;
    WipeText(str);
    EXPECT_TRUE(str.isEmpty());
    EXPECT_EQ(other, QStringLiteral("secret text"));
}

TEST(SecureWipe, OnExitAndAssignWipeTheOldValue) {
    std::string strA(100, 'a');
    const char* pA = strA.data();
    { const CWipeOnExit wipe({&strA}); }
    EXPECT_TRUE(strA.empty());
    EXPECT_TRUE(AllZero(pA, 100));

    std::string strOld(100, 'o');
    const char* pOld = strOld.data();
    AssignSecret(strOld, std::string(3, 'n'));
    EXPECT_EQ(strOld, "nnn");
    EXPECT_EQ(strOld.data(), pOld);
    EXPECT_TRUE(AllZero(pOld + 4, 96)); // beyond the new value and its terminator
}

// Short fields live inside the object: once it is destroyed, its storage must not hold them. A file key holds
// its password in locked memory, never inside the object, however short.
TEST(SecureWipe, ASiteAndAFileKeyLeaveNoFieldBehind) {
    alignas(CSiteInfo) unsigned char site[sizeof(CSiteInfo)];
    auto* pSite = new (site) CSiteInfo("bank", "b.example", "ann", "hunter2", "pin 4711");
    pSite->~CSiteInfo();
    for (const char* psz : {"bank", "b.example", "ann", "hunter2", "pin 4711"})
        EXPECT_FALSE(Holds(site, sizeof site, psz)) << psz;

    alignas(CFileKey) unsigned char key[sizeof(CFileKey)];
    auto* pKey = new (key) CFileKey(CFileKey::Classic("letmein"));
    EXPECT_EQ(pKey->Password(), "letmein");
    EXPECT_FALSE(Holds(key, sizeof key, "letmein"));
    pKey->~CFileKey();
    EXPECT_FALSE(Holds(key, sizeof key, "letmein"));
}

} // namespace
