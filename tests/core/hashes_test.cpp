#include <gtest/gtest.h>

#include "core/bdecode.h"
#include "core/hashes.h"

namespace brisolt
{
namespace
{

// Counts how many of its instances are alive, to see that values are freed.
class TTracked final : public TBValue
{
public:
    explicit TTracked(int& alive)
        : Alive(alive)
    {
        ++Alive;
    }

    ~TTracked() override { --Alive; }

private:
    int& Alive;
};

TEST(ObjectHash, PutGetExists)
{
    TObjectHash h;
    EXPECT_FALSE(h.Exists("a"));
    h.Put("a", std::make_unique<TIntString>(int64_t{1}));
    ASSERT_TRUE(h.Exists("a"));
    const auto* a = dynamic_cast<TIntString*>(h.Get("a"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Value, 1);
    EXPECT_FALSE(h.Exists("A")); // keys compare exactly
}

TEST(ObjectHash, MissingKeyRaisesFindErrorNamingTheKey)
{
    TObjectHash h;
    try
    {
        (void)h.Get("announce");
        FAIL() << "no error";
    }
    catch (const EHashFindError& e)
    {
        EXPECT_STREQ(e.what(), "Key \"announce\" not found");
    }
}

TEST(ObjectHash, EmptyKeyIsRejectedEverywhere)
{
    TObjectHash h;
    const char* text = "Key cannot be an empty string";
    try
    {
        (void)h.Exists("");
        FAIL();
    }
    catch (const EHashInvalidKeyError& e)
    {
        EXPECT_STREQ(e.what(), text);
    }
    EXPECT_THROW((void)h.Get(""), EHashInvalidKeyError);
    EXPECT_THROW(h.Put("", std::make_unique<TIntString>()), EHashInvalidKeyError);
    EXPECT_THROW((void)h.Get(""), EHashError);
}

TEST(ObjectHash, ReplacingClearingAndDestroyingFreeValues)
{
    int alive = 0;
    {
        TObjectHash h;
        h.Put("a", std::make_unique<TTracked>(alive));
        h.Put("b", std::make_unique<TTracked>(alive));
        EXPECT_EQ(alive, 2);
        h.Put("a", std::make_unique<TTracked>(alive));
        EXPECT_EQ(alive, 2);
        EXPECT_EQ(h.Count(), 2);
        h.Clear();
        EXPECT_EQ(alive, 0);
        EXPECT_FALSE(h.Exists("a"));
        h.Put("c", std::make_unique<TTracked>(alive));
    }
    EXPECT_EQ(alive, 0);
}

TEST(ObjectHash, ManyKeysStayFindableAcrossIndexGrowth)
{
    TObjectHash h;
    constexpr int kCount = 20000;
    for (int i = 0; i < kCount; ++i)
        h.Put("key" + std::to_string(i), std::make_unique<TIntString>(int64_t{i}));
    for (int i = 0; i < kCount; i += 7)
        h.Put("key" + std::to_string(i), std::make_unique<TIntString>(int64_t{-i}));
    EXPECT_EQ(h.Count(), kCount);
    for (int i = 0; i < kCount; ++i)
    {
        const auto* v = dynamic_cast<TIntString*>(h.Get("key" + std::to_string(i)));
        ASSERT_NE(v, nullptr);
        ASSERT_EQ(v->Value, i % 7 == 0 ? -i : i);
    }
    EXPECT_FALSE(h.Exists("key" + std::to_string(kCount)));
}

} // namespace
} // namespace brisolt
