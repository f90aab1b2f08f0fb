#include <gtest/gtest.h>

#include "core/bdecode.h"

namespace brisolt
{
namespace
{

const TIntString& Scalar(const TBValue* v)
{
    const auto* s = dynamic_cast<const TIntString*>(v);
    EXPECT_NE(s, nullptr);
    return *s;
}

const TObjectHash& Dict(const std::unique_ptr<TBValue>& v)
{
    const auto* d = dynamic_cast<const TObjectHash*>(v.get());
    EXPECT_NE(d, nullptr);
    return *d;
}

int64_t IntegerOf(std::string_view input)
{
    auto v = BDecodeValue(input);
    EXPECT_TRUE(v);
    const auto& s = Scalar(v.get());
    EXPECT_TRUE(s.IsInteger);
    return s.Value;
}

TEST(BDecode, NothingFromEmptyInputOrAByteThatStartsNoValue)
{
    EXPECT_EQ(BDecodeValue(""), nullptr);
    EXPECT_EQ(BDecodeValue("x"), nullptr);
    EXPECT_EQ(BDecodeValue("e"), nullptr);
    EXPECT_EQ(BDecodeValue(":"), nullptr);
}

TEST(BDecode, IntegersAreLenient)
{
    EXPECT_EQ(IntegerOf("i-42e"), -42);
    EXPECT_EQ(IntegerOf("i007e"), 7);
    EXPECT_EQ(IntegerOf("ie"), 0);
    EXPECT_EQ(IntegerOf("i4-2e"), -42);
    EXPECT_EQ(IntegerOf("i--5e"), -5);
    EXPECT_EQ(IntegerOf("i12"), 12); // input ends before the e
    EXPECT_EQ(IntegerOf("i9223372036854775807e"), INT64_MAX);
    // Wraps around like 64-bit arithmetic instead of failing.
    EXPECT_EQ(IntegerOf("i9223372036854775808e"), INT64_MIN);
    EXPECT_EQ(IntegerOf("i18446744073709551617e"), 1);
}

TEST(BDecode, IntegerStopByteIsConsumedWhateverItIs)
{
    TBDecodeStream s("i5x3:abc");
    auto first = BDecodeValue(s);
    ASSERT_TRUE(first);
    EXPECT_EQ(Scalar(first.get()).Value, 5);
    EXPECT_EQ(s.Position(), 3u);
    auto second = BDecodeValue(s);
    ASSERT_TRUE(second);
    EXPECT_EQ(Scalar(second.get()).Text, "abc");
}

TEST(BDecode, StringsTakeExactlyTheirLength)
{
    auto v = BDecodeValue("5:hello world");
    ASSERT_TRUE(v);
    EXPECT_FALSE(Scalar(v.get()).IsInteger);
    EXPECT_EQ(Scalar(v.get()).Text, "hello");
    auto empty = BDecodeValue("0:");
    ASSERT_TRUE(empty);
    EXPECT_EQ(Scalar(empty.get()).Text, "");
    // Binary bytes, NUL included.
    auto binary = BDecodeValue(std::string_view("3:\0\xff\x01", 5));
    ASSERT_TRUE(binary);
    EXPECT_EQ(Scalar(binary.get()).Text, std::string("\0\xff\x01", 3));
}

TEST(BDecode, StringLengthBeyondTheInputGivesNothingAndReadsNoFurther)
{
    EXPECT_EQ(BDecodeValue("5:abc"), nullptr);
    EXPECT_EQ(BDecodeValue("99999999999999999999:abc"), nullptr);
    EXPECT_EQ(BDecodeValue("4294967296:"), nullptr);
    TBDecodeStream s("l3:abc10:xyze");
    auto list = BDecodeValue(s);
    ASSERT_TRUE(list);
    const auto& items = dynamic_cast<const TBList&>(*list).Items;
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(Scalar(items[0].get()).Text, "abc");
    EXPECT_EQ(s.Remaining(), 0u);
}

TEST(BDecode, ListSkipsStrayByte)
{
    auto v = BDecodeValue("l1:ax1:be");
    ASSERT_TRUE(v);
    const auto& items = dynamic_cast<const TBList&>(*v).Items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(Scalar(items[0].get()).Text, "a");
    EXPECT_EQ(Scalar(items[1].get()).Text, "b");
}

TEST(BDecode, ListIsReturnedWhenInputEndsBeforeItsEnd)
{
    auto v = BDecodeValue("li1ei2e");
    ASSERT_TRUE(v);
    EXPECT_EQ(dynamic_cast<const TBList&>(*v).Items.size(), 2u);
    auto empty = BDecodeValue("l");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(dynamic_cast<const TBList&>(*empty).Items.empty());
}

TEST(BDecode, DictionaryHoldsItsEntries)
{
    auto v = BDecodeValue("d3:fooi7ee");
    ASSERT_TRUE(v);
    const auto& d = Dict(v);
    ASSERT_TRUE(d.Exists("foo"));
    EXPECT_EQ(Scalar(d.Get("foo")).Value, 7);
    EXPECT_EQ(d.Count(), 1);
}

TEST(BDecode, DictionaryDropsAValueThatDecodesToNothing)
{
    auto v = BDecodeValue("d3:keyxe");
    ASSERT_TRUE(v);
    EXPECT_EQ(Dict(v).Count(), 0);
    EXPECT_FALSE(Dict(v).Exists("key"));
}

TEST(BDecode, DictionaryStoppingAtANonKeyByteIsNothing)
{
    EXPECT_EQ(BDecodeValue("di5ee"), nullptr);
    EXPECT_EQ(BDecodeValue("d1:ai1exe"), nullptr);
}

TEST(BDecode, DictionaryCutShortKeepsCompleteEntries)
{
    auto v = BDecodeValue("d1:ai1e1:bi2e");
    ASSERT_TRUE(v);
    EXPECT_EQ(Scalar(Dict(v).Get("a")).Value, 1);
    EXPECT_EQ(Scalar(Dict(v).Get("b")).Value, 2);
    auto bare = BDecodeValue("d");
    ASSERT_TRUE(bare);
    EXPECT_EQ(Dict(bare).Count(), 0);
}

TEST(BDecode, DictionaryDropsEmptyKeysAndKeepsLastOfRepeatedKeys)
{
    auto v = BDecodeValue("d0:i1e1:ai2e1:ai3ee");
    ASSERT_TRUE(v);
    EXPECT_EQ(Dict(v).Count(), 1);
    EXPECT_EQ(Scalar(Dict(v).Get("a")).Value, 3);
}

TEST(BDecode, DictionaryKeysNeedNoOrder)
{
    auto v = BDecodeValue("d1:zi1e1:ai2ee");
    ASSERT_TRUE(v);
    EXPECT_EQ(Scalar(Dict(v).Get("z")).Value, 1);
    EXPECT_EQ(Scalar(Dict(v).Get("a")).Value, 2);
}

TEST(BDecode, InfoValueRangeIsRecorded)
{
    auto v = BDecodeValue("d4:infod1:ai1eee");
    ASSERT_TRUE(v);
    const auto& d = Dict(v);
    EXPECT_EQ(Scalar(d.Get("_info_start")).Value, 7);
    EXPECT_EQ(Scalar(d.Get("_info_length")).Value, 8);
    EXPECT_TRUE(d.Exists("info"));
}

TEST(BDecode, RepeatedInfoRecordsTheSecondOccurrence)
{
    const std::string input = "d4:infoi1e4:infod1:bi2eee";
    auto v = BDecodeValue(input);
    ASSERT_TRUE(v);
    const auto& d = Dict(v);
    EXPECT_NE(dynamic_cast<const TObjectHash*>(d.Get("info")), nullptr);
    const auto start = Scalar(d.Get("_info_start")).Value;
    const auto length = Scalar(d.Get("_info_length")).Value;
    EXPECT_EQ(input.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length)), "d1:bi2ee");
}

TEST(BDecode, InfoStartInTheInputIsReplacedByTheRecordedPosition)
{
    auto v = BDecodeValue("d11:_info_starti999e4:infoi5ee");
    ASSERT_TRUE(v);
    EXPECT_EQ(Scalar(Dict(v).Get("_info_start")).Value, 26);
    EXPECT_EQ(Scalar(Dict(v).Get("_info_length")).Value, 3);
}

TEST(BDecode, InfoWhoseValueDecodesToNothingStillRecordsItsRange)
{
    auto v = BDecodeValue("d4:infoxe");
    ASSERT_TRUE(v);
    EXPECT_FALSE(Dict(v).Exists("info"));
    EXPECT_EQ(Scalar(Dict(v).Get("_info_start")).Value, 7);
    EXPECT_EQ(Scalar(Dict(v).Get("_info_length")).Value, 1);
}

TEST(BDecode, NestingIsLimited)
{
    const auto nested = [](int depth)
    {
        return std::string(static_cast<std::size_t>(depth), 'l') + std::string(static_cast<std::size_t>(depth), 'e');
    };
    EXPECT_NE(BDecodeValue(nested(kMaxDepth)), nullptr);
    EXPECT_EQ(BDecodeValue(nested(kMaxDepth + 1)), nullptr);
    // Far deeper input neither recurses without bound nor decodes.
    EXPECT_EQ(BDecodeValue(std::string(1000000, 'l')), nullptr);
    EXPECT_EQ(BDecodeValue("d1:a" + nested(kMaxDepth) + "e"), nullptr);
}

TEST(BDecode, BytesToHexIsLowerCaseAndBounded)
{
    std::string bytes;
    for (int i = 0; i < 20; ++i)
        bytes += static_cast<char>(i);
    EXPECT_EQ(BytesToHex(bytes, 999), "000102030405060708090a0b0c0d0e0f10111213");
    EXPECT_EQ(BytesToHex("\xAB\xCD\xEF", 2), "abcd");
    EXPECT_EQ(BytesToHex("", 999), "");
}

} // namespace
} // namespace brisolt
