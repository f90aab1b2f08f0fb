#include <gtest/gtest.h>

#include "core/oledate.h"

namespace brisolt
{
namespace
{

TEST(OleDate, KnownDates)
{
    EXPECT_DOUBLE_EQ(EncodeOleDate({1899, 12, 30}), 0.0);
    EXPECT_DOUBLE_EQ(EncodeOleDate({1900, 1, 1}), 2.0);
    EXPECT_DOUBLE_EQ(EncodeOleDate({1970, 1, 1}), 25569.0);
    EXPECT_DOUBLE_EQ(EncodeOleDate({2000, 3, 1, 12, 0, 0, 0}), 36586.5);
    // Before the epoch the fraction counts forward from that day's midnight.
    EXPECT_DOUBLE_EQ(EncodeOleDate({1899, 12, 29, 6, 0, 0, 0}), -1.25);
}

TEST(OleDate, DecodeRoundsToMillisecondsAndCarriesIntoTheNextDay)
{
    TDateFields f = DecodeOleDate(36586.5);
    EXPECT_EQ(f.Year, 2000);
    EXPECT_EQ(f.Month, 3);
    EXPECT_EQ(f.Day, 1);
    EXPECT_EQ(f.Hour, 12);
    f = DecodeOleDate(36586.0 + 0.9999999999);
    EXPECT_EQ(f.Day, 2);
    EXPECT_EQ(f.Hour, 0);
    EXPECT_EQ(f.Millisecond, 0);
    f = DecodeOleDate(-1.25);
    EXPECT_EQ(f.Day, 29);
    EXPECT_EQ(f.Hour, 6);
}

TEST(OleDate, RoundTripOverLeapYearsAndCenturies)
{
    for (const TDateFields in :
         {TDateFields{1600, 2, 29, 0, 0, 0, 0},
          TDateFields{1900, 2, 28, 23, 59, 59, 999},
          TDateFields{2000, 2, 29, 13, 14, 15, 16},
          TDateFields{2100, 3, 1, 1, 2, 3, 4},
          TDateFields{9999, 12, 31, 23, 59, 59, 0}})
    {
        const TDateFields out = DecodeOleDate(EncodeOleDate(in));
        EXPECT_EQ(out.Year, in.Year);
        EXPECT_EQ(out.Month, in.Month);
        EXPECT_EQ(out.Day, in.Day);
        EXPECT_EQ(out.Hour, in.Hour);
        EXPECT_EQ(out.Minute, in.Minute);
        EXPECT_EQ(out.Second, in.Second);
        EXPECT_EQ(out.Millisecond, in.Millisecond);
    }
}

TEST(OleDate, NonsenseValuesDecodeWithoutFailing)
{
    const TDateFields f = DecodeOleDate(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(f.Year, 1899);
    (void)DecodeOleDate(1e300);
    (void)DecodeOleDate(-1e300);
}

} // namespace
} // namespace brisolt
