#include <gtest/gtest.h>

#include "core/oledate.h"
#include "platform/dateformat.h"

namespace brisolt
{
namespace
{

TEST(DateFormat, YearFieldsAreWidenedToFourDigits)
{
    const struct
    {
        const char* Pattern;
        const char* Expected;
    } rows[] = {
        {"dd.MM.yy", "dd.MM.yyyy"},
        {"d/M/yy", "d/M/yyyy"},
        {"M/d/y", "M/d/yyyy"},
        {"yyyy-MM-dd", "yyyy-MM-dd"},
        {"yy'yy'yy", "yyyy'yy'yyyy"},
        {"d. MMMM yyyyy", "d. MMMM yyyyy"},
        {"", ""},
        {"'yy", "'yy"},
    };

    for (const auto& row : rows)
        EXPECT_EQ(WithFourDigitYear(row.Pattern), row.Expected) << row.Pattern;
}

TEST(DateFormat, TheShownDateHasAFourDigitYear)
{
    const std::string text = FormatDateTimeC(EncodeOleDate({2005, 12, 29, 14, 3, 11, 0}));
    EXPECT_NE(text.find("2005"), std::string::npos) << text;
}

} // namespace
} // namespace brisolt
