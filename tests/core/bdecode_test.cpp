#include <stdexcept>

#include <gtest/gtest.h>

#include "core/bdecode.h"

namespace brisolt
{
namespace
{

// The value as the kind the test expects; any other kind (or none) fails the
// test here, never a null dereference further on.
template <class T>
const T& As(const TBValue* v)
{
    const auto* typed = dynamic_cast<const T*>(v);
    if (!typed)
        throw std::runtime_error(v ? "decoded value of another kind" : "nothing decoded");
    return *typed;
}

const TIntString& Scalar(const TBValue* v)
{
    return As<TIntString>(v);
}

const TObjectHash& Dict(const std::unique_ptr<TBValue>& v)
{
    return As<TObjectHash>(v.get());
}

int64_t IntegerOf(std::string_view input)
{
    auto v = BDecodeValue(input);
    const auto& s = Scalar(v.get());
    EXPECT_TRUE(s.IsInteger);
    return s.Value;
}

std::string Nested(int depth)
{
    return std::string(static_cast<std::size_t>(depth), 'l') + std::string(static_cast<std::size_t>(depth), 'e');
}

// Every way an input decodes to nothing.
TEST(BDecode, InputsThatDecodeToNothing)
{
    const struct
    {
        std::string Input;
        const char* Why;
    } kCases[] = {
        {"", "empty input"},
        {"x", "a byte that starts no value"},
        {"e", "an end without a start"},
        {":", "a colon without a length"},
        {"5:abc", "a string longer than the input"},
        {"99999999999999999999:abc", "a length beyond any input"},
        {"4294967296:", "a length beyond 32 bits"},
        {"di5ee", "a dictionary stopping at a byte that cannot start a key"},
        {"d1:ai1exe", "a dictionary stopping there after an entry"},
        {Nested(kMaxDepth + 1), "nesting one level too deep"},
        {std::string(1000000, 'l'), "nesting far too deep"},
        {"d1:a" + Nested(kMaxDepth) + "e", "too deep inside a dictionary"},
    };

    for (const auto& c : kCases)
    {
        EXPECT_EQ(BDecodeValue(c.Input), nullptr) << c.Why;
        TBDecodeStream stream(c.Input);
        TBDocument document;
        EXPECT_FALSE(document.Decode(stream)) << c.Why;
        EXPECT_EQ(document.Count(), 0u) << c.Why;
    }
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

TEST(BDecode, StringLengthBeyondTheInputReadsNoFurther)
{
    TBDecodeStream s("l3:abc10:xyze");
    auto list = BDecodeValue(s);
    ASSERT_TRUE(list);
    const auto& items = As<TBList>(list.get()).Items;
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(Scalar(items[0].get()).Text, "abc");
    EXPECT_EQ(s.Remaining(), 0u);
}

TEST(BDecode, ListSkipsStrayByte)
{
    auto v = BDecodeValue("l1:ax1:be");
    ASSERT_TRUE(v);
    const auto& items = As<TBList>(v.get()).Items;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(Scalar(items[0].get()).Text, "a");
    EXPECT_EQ(Scalar(items[1].get()).Text, "b");
}

TEST(BDecode, ListIsReturnedWhenInputEndsBeforeItsEnd)
{
    auto v = BDecodeValue("li1ei2e");
    ASSERT_TRUE(v);
    EXPECT_EQ(As<TBList>(v.get()).Items.size(), 2u);
    auto empty = BDecodeValue("l");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(As<TBList>(empty.get()).Items.empty());
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

TEST(BDecode, NestingUpToTheLimitDecodes)
{
    EXPECT_NE(BDecodeValue(Nested(kMaxDepth)), nullptr);
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
