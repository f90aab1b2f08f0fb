#include <gtest/gtest.h>

#include "platform/textconv.h"

namespace brisolt
{
namespace
{

TEST(TextConv, Utf8Validation)
{
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("Gr\xC3\xB6\xC3\x9F"
                            "e"));
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("Gr\xF6\xDF"
                             "e"));                // Windows-1252
    EXPECT_FALSE(IsValidUtf8("\xC3"));             // cut short
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // beyond U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));
}

TEST(TextConv, Windows1252MapsTheHighRange)
{
    EXPECT_EQ(
        Windows1252ToUtf8("Gr\xF6\xDF"
                          "e"),
        "Gr\xC3\xB6\xC3\x9F"
        "e");
    EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\xC5\xB8");     // Y with diaeresis
    EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xEF\xBF\xBD"); // unassigned
    EXPECT_EQ(Windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextConv, DisplayTextKeepsValidUtf8AndReadsTheRestAsWindows1252)
{
    EXPECT_EQ(DisplayText("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(DisplayText("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
}

} // namespace
} // namespace brisolt
