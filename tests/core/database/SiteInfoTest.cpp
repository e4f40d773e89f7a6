#include "core/database/SiteInfo.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// One star per character the field shows: UTF-8 characters of two to four bytes count once, and the
// bytes of a file written on Windows, shown as Windows-1252, once each.
TEST(SiteInfo, MaskPasswordHasOneStarPerShownCharacter) {
    struct Case {
        const char* name;
        std::string strPswd;
        std::string strMask;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"ASCII", "s3cret!", "*******"},
        {"UTF-8 accents",
         "m\xC3\xBBr\xC3\xA9"
         "e b\xC3\xA9"
         "b\xC3\xA9",
         "**********"},
        {"UTF-8 of three and four bytes", "\xE2\x82\xAC\xF0\x9F\x94\x91x", "***"},
        {"Windows-1252 bytes", "p\xE9\x80!", "****"},
        {"UTF-8 cut short is Windows-1252", "p\xC3", "**"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MaskPassword(c.strPswd), c.strMask) << c.name;
}

} // namespace
