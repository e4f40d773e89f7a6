#include "core/tools/Base32.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

TEST(Base32, DecodesTheRfc4648VectorsWithAndWithoutPaddingInEitherCaseWithSpaces) {
    const struct {
        const char* pszText;
        const char* pszBytes;
    } vectors[] = {{"", ""},
                   {"MY======", "f"},
                   {"MZXQ====", "fo"},
                   {"MZXW6===", "foo"},
                   {"MZXW6YQ=", "foob"},
                   {"MZXW6YTB", "fooba"},
                   {"MZXW6YTBOI======", "foobar"}};
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.pszText);
        std::string strText = v.pszText;
        std::string bytes = "left over";
        ASSERT_TRUE(Base32::Decode(strText, bytes));
        EXPECT_EQ(bytes, v.pszBytes);

        // As a setup page shows it: without padding, in lower case, in groups of four.
        strText = strText.substr(0, strText.find('='));
        std::string strLoose;
        for (std::size_t i = 0; i < strText.size(); ++i) {
            if (i % 4 == 0 && i != 0)
                strLoose += ' ';
            strLoose += static_cast<char>(std::tolower(static_cast<unsigned char>(strText[i])));
        }
        ASSERT_TRUE(Base32::Decode(strLoose, bytes)) << strLoose;
        EXPECT_EQ(bytes, v.pszBytes) << strLoose;
    }
}

TEST(Base32, RefusesWhatNoEncodingGivesAndLeavesNothing) {
    const char* const cases[] = {
        "MZXW6YQ1", // 0, 1, 8 and 9 are not of the alphabet
        "MZXW6Y0B",
        "MZXW6YTB!", // punctuation
        "M",         // five bits: no byte
        "MZX",       // one byte and seven bits over
        "MZXW6Y",    // three bytes and six bits over
        "MY==MZXQ",  // padding before the end
        "MZXW6YTB\n", "\xC3\x89T\xC3\x89",
    };
    for (const char* psz : cases) {
        std::string bytes = "left over";
        EXPECT_FALSE(Base32::Decode(psz, bytes)) << psz;
        EXPECT_TRUE(bytes.empty()) << psz;
    }
}

} // namespace
