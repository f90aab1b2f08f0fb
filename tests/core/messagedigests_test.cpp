#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/messagedigests.h"
#include "support/systemsha1.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

// Selects a compression path for one test and restores the default after it.
class TCompressionPath
{
public:
    explicit TCompressionPath(bool portable) { TSHA1::ForcePortable(portable); }

    ~TCompressionPath() { TSHA1::ForcePortable(false); }

    TCompressionPath(const TCompressionPath&) = delete;
    TCompressionPath& operator=(const TCompressionPath&) = delete;
};

// Both paths where the processor has both, else the portable one alone.
std::vector<bool> PortableSettings()
{
    if (Sha1HasShaNi())
        return {true, false};
    return {true};
}

std::string ToHex(const std::string& bytes)
{
    static const char* const kHex = "0123456789abcdef";
    std::string text;
    for (const char c : bytes)
    {
        const auto b = static_cast<unsigned char>(c);
        text.push_back(kHex[b >> 4]);
        text.push_back(kHex[b & 0x0F]);
    }
    return text;
}

std::string Sha1Text(const std::string& message)
{
    TSHA1 sha;
    sha.TransformString(message);
    sha.Complete();
    return sha.DigestText();
}

// Feeds message in pieces of chunk bytes (the last one shorter).
std::string Sha1InChunks(const std::string& message, std::size_t chunk)
{
    TSHA1 sha;
    for (std::size_t at = 0; at < message.size(); at += chunk)
        sha.TransformString(message.substr(at, chunk));
    sha.Complete();
    return sha.DigestText();
}

struct TVector
{
    std::string Message;
    const char* Digest;
};

// The sample messages of FIPS 180-1 and their published digests, plus the empty message.
std::vector<TVector> FipsVectors()
{
    return {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
}

// Published results

TEST(MessageDigest, FipsVectorsGivePublishedDigestsInLowerCase)
{
    for (const bool portable : PortableSettings())
    {
        TCompressionPath path(portable);
        for (const auto& v : FipsVectors())
        {
            EXPECT_EQ(Sha1Text(v.Message), v.Digest)
                << TSHA1::CompressionName() << ", " << v.Message.size() << " bytes";
        }
    }
}

TEST(MessageDigest, DigestHoldsTheRawBytesOfDigestText)
{
    TSHA1 sha;
    sha.TransformString("abc");
    sha.Complete();
    const std::string digest = sha.Digest();
    ASSERT_EQ(digest.size(), 20u);
    EXPECT_EQ(ToHex(digest), sha.DigestText());
    EXPECT_EQ(digest, test::SystemSha1("abc"));
}

TEST(MessageDigest, DigestCanBeReadRepeatedly)
{
    TSHA1 sha;
    sha.TransformString("abc");
    sha.Complete();
    const std::string first = sha.DigestText();
    EXPECT_EQ(sha.DigestText(), first);
    EXPECT_EQ(ToHex(sha.Digest()), first);
    EXPECT_EQ(ToHex(sha.Digest()), first);
}

TEST(MessageDigest, AlgorithmNameIsSha1)
{
    EXPECT_EQ(TSHA1().AlgorithmName(), "SHA-1");
}

// Padding and block boundaries

TEST(MessageDigest, FiftyFiveBytesCompleteInOneBlockFiftySixInTwo)
{
    struct TCase
    {
        std::size_t Length;
        int64_t Blocks;
    };

    const TCase cases[] = {{0, 1}, {55, 1}, {56, 2}, {63, 2}, {64, 2}, {119, 2}, {120, 3}, {128, 3}};
    for (const auto& c : cases)
    {
        const std::string message = test::RandomBytes(c.Length, static_cast<uint32_t>(c.Length));
        TSHA1 sha;
        sha.TransformString(message);
        sha.Complete();
        EXPECT_EQ(sha.GetBlockCount(), c.Blocks) << c.Length << " bytes";
        EXPECT_EQ(sha.Digest(), test::SystemSha1(message)) << c.Length << " bytes";
    }
}

TEST(MessageDigest, EveryLengthAroundBlockBoundariesMatchesOpenSsl)
{
    const std::string source = test::RandomBytes(300, 7);
    for (const bool portable : PortableSettings())
    {
        TCompressionPath path(portable);
        for (std::size_t length = 0; length <= source.size(); ++length)
        {
            const std::string message = source.substr(0, length);
            TSHA1 sha;
            sha.TransformString(message);
            sha.Complete();
            ASSERT_EQ(sha.Digest(), test::SystemSha1(message))
                << TSHA1::CompressionName() << ", " << length << " bytes";
        }
    }
}

TEST(MessageDigest, BlockAndBufferCountsFollowTheInput)
{
    TSHA1 sha;
    sha.Transform("x", 0);
    EXPECT_EQ(sha.GetBlockCount(), 0);
    EXPECT_EQ(sha.GetBufferCount(), 0);
    const std::string message = test::RandomBytes(200, 3);
    sha.Transform(message.data(), 10);
    EXPECT_EQ(sha.GetBlockCount(), 0);
    EXPECT_EQ(sha.GetBufferCount(), 10);
    sha.Transform(message.data() + 10, 54);
    EXPECT_EQ(sha.GetBlockCount(), 1);
    EXPECT_EQ(sha.GetBufferCount(), 0);
    sha.Transform(message.data() + 64, 136);
    EXPECT_EQ(sha.GetBlockCount(), 3);
    EXPECT_EQ(sha.GetBufferCount(), 8);
}

// Feeding in pieces

TEST(MessageDigest, PiecesOfOne63_64And65BytesEqualFeedingAtOnce)
{
    const std::string message = test::RandomBytes(1000, 11);
    const std::string whole = Sha1Text(message);
    EXPECT_EQ(whole, ToHex(test::SystemSha1(message)));
    for (const std::size_t chunk : {1u, 63u, 64u, 65u})
        EXPECT_EQ(Sha1InChunks(message, chunk), whole) << "pieces of " << chunk;
}

TEST(MessageDigest, EmptyStringFeedsNothing)
{
    TSHA1 sha;
    sha.TransformString("ab");
    sha.TransformString("");
    sha.TransformString("c");
    sha.TransformString("");
    EXPECT_EQ(sha.GetBufferCount(), 3);
    sha.Complete();
    EXPECT_EQ(sha.Digest(), test::SystemSha1("abc"));
}

// Random messages split at random points, against OpenSSL, on one path.
void ExpectRandomSplitsMatchOpenSsl(bool portable)
{
    TCompressionPath path(portable);
    ASSERT_STREQ(TSHA1::CompressionName(), portable ? "portable" : "sha-ni");
    std::mt19937 rng(20240607);
    TSHA1 sha; // one object throughout, so Initialize is exercised too
    for (int round = 0; round < 3000; ++round)
    {
        // Mostly short messages, where the buffering happens, and some long ones.
        const std::size_t maxLength = round % 10 == 0 ? 20000 : 600;
        const std::size_t length = std::uniform_int_distribution<std::size_t>(0, maxLength)(rng);
        const std::string message = test::RandomBytes(length, static_cast<uint32_t>(rng()));
        std::vector<std::size_t> cuts(std::uniform_int_distribution<std::size_t>(0, 8)(rng));
        for (auto& cut : cuts)
            cut = std::uniform_int_distribution<std::size_t>(0, length)(rng);
        cuts.push_back(length);
        std::sort(cuts.begin(), cuts.end());
        sha.Initialize();
        std::size_t at = 0;
        for (const std::size_t cut : cuts)
        {
            sha.Transform(message.data() + at, cut - at);
            at = cut;
        }
        sha.Complete();
        ASSERT_EQ(sha.Digest(), test::SystemSha1(message)) << "round " << round << ", " << length << " bytes";
    }
}

TEST(MessageDigest, RandomSplitMessagesMatchOpenSslOnPortablePath)
{
    ExpectRandomSplitsMatchOpenSsl(true);
}

TEST(MessageDigest, RandomSplitMessagesMatchOpenSslOnShaNiPath)
{
    if (!Sha1HasShaNi())
        GTEST_SKIP() << "processor without SHA extensions";
    ExpectRandomSplitsMatchOpenSsl(false);
}

// Compression paths

TEST(MessageDigest, ShaNiCompressionEqualsPortableOnRandomStatesAndBlocks)
{
    if (!Sha1HasShaNi())
        GTEST_SKIP() << "processor without SHA extensions";
    std::mt19937 rng(99);
    for (int round = 0; round < 2000; ++round)
    {
        const std::size_t count = std::uniform_int_distribution<std::size_t>(1, 9)(rng);
        // One spare byte so the blocks start unaligned on odd rounds.
        const std::string bytes = test::RandomBytes(64 * count + 1, static_cast<uint32_t>(rng()));
        const auto* blocks = reinterpret_cast<const uint8_t*>(bytes.data()) + round % 2;
        uint32_t portable[5];
        for (auto& word : portable)
            word = static_cast<uint32_t>(rng());
        uint32_t shaNi[5];
        std::copy(std::begin(portable), std::end(portable), std::begin(shaNi));
        Sha1CompressPortable(portable, blocks, count);
        Sha1CompressShaNi(shaNi, blocks, count);
        ASSERT_TRUE(std::equal(std::begin(portable), std::end(portable), std::begin(shaNi)))
            << "round " << round << ", " << count << " blocks";
    }
}

TEST(MessageDigest, CompressionZeroBlocksLeavesStateAlone)
{
    const uint32_t start[5] = {1, 2, 3, 4, 5};
    const uint8_t block[64] = {};
    uint32_t state[5] = {1, 2, 3, 4, 5};
    Sha1CompressPortable(state, block, 0);
    EXPECT_TRUE(std::equal(std::begin(state), std::end(state), std::begin(start)));
    if (Sha1HasShaNi())
    {
        Sha1CompressShaNi(state, block, 0);
        EXPECT_TRUE(std::equal(std::begin(state), std::end(state), std::begin(start)));
    }
}

// The kernel's own reading of the processor is an independent opinion.
TEST(MessageDigest, ShaNiDetectionAgreesWithTheKernel)
{
#if !defined(__linux__) || !(defined(__x86_64__) || defined(__i386__))
    GTEST_SKIP() << "needs /proc/cpuinfo of an x86 processor";
#else
    const std::string cpuinfo = test::ReadFile("/proc/cpuinfo");
    const std::size_t flagsAt = cpuinfo.find("\nflags");
    if (flagsAt == std::string::npos)
        GTEST_SKIP() << "no flags line in /proc/cpuinfo";
    const std::string flags = cpuinfo.substr(flagsAt, cpuinfo.find('\n', flagsAt + 1) - flagsAt) + " ";
    const auto has = [&](const char* flag)
    {
        return flags.find(std::string(" ") + flag + " ") != std::string::npos;
    };
    EXPECT_EQ(Sha1HasShaNi(), has("sha_ni") && has("sse4_1") && has("ssse3")) << flags;
#endif
}

TEST(MessageDigest, CompressionNameFollowsForcePortable)
{
    {
        TCompressionPath path(true);
        EXPECT_STREQ(TSHA1::CompressionName(), "portable");
    }
    EXPECT_STREQ(TSHA1::CompressionName(), Sha1HasShaNi() ? "sha-ni" : "portable");
}

// Calling order

TEST(MessageDigest, DigestBeforeCompleteThrowsNotCompleteAndKeepsState)
{
    TSHA1 sha;
    sha.TransformString("ab");
    try
    {
        (void)sha.DigestText();
        FAIL() << "DigestText did not throw";
    }
    catch (const EMessageDigestError& e)
    {
        EXPECT_STREQ(e.what(), "Message digest not complete.");
    }
    try
    {
        (void)sha.Digest();
        FAIL() << "Digest did not throw";
    }
    catch (const EMessageDigestError& e)
    {
        EXPECT_STREQ(e.what(), "Message digest not complete.");
    }
    EXPECT_FALSE(sha.IsCompleted());
    EXPECT_EQ(sha.GetBufferCount(), 2);
    sha.TransformString("c");
    sha.Complete();
    EXPECT_EQ(sha.DigestText(), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(MessageDigest, InputOrCompleteAfterCompleteThrowsAlreadyCompleteAndKeepsDigest)
{
    TSHA1 sha;
    sha.TransformString("abc");
    sha.Complete();
    const int64_t blocks = sha.GetBlockCount();
    const auto expectAlreadyComplete = [](auto&& call)
    {
        try
        {
            call();
            ADD_FAILURE() << "no error raised";
        }
        catch (const EMessageDigestError& e)
        {
            EXPECT_STREQ(e.what(), "Message digest already complete.");
        }
    };
    expectAlreadyComplete([&] { sha.TransformString("more"); });
    expectAlreadyComplete([&] { sha.Transform("more", 4); });
    expectAlreadyComplete([&] { sha.Complete(); });
    EXPECT_TRUE(sha.IsCompleted());
    EXPECT_EQ(sha.GetBlockCount(), blocks);
    EXPECT_EQ(sha.DigestText(), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(MessageDigest, InitializeStartsANewMessage)
{
    TSHA1 sha;
    sha.TransformString(test::RandomBytes(100, 5));
    sha.Complete();
    sha.Initialize();
    EXPECT_FALSE(sha.IsCompleted());
    EXPECT_EQ(sha.GetBlockCount(), 0);
    EXPECT_EQ(sha.GetBufferCount(), 0);
    sha.TransformString("abc");
    sha.Complete();
    EXPECT_EQ(sha.DigestText(), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(MessageDigest, InitializeMidMessageDropsWhatWasFed)
{
    TSHA1 sha;
    sha.TransformString(test::RandomBytes(130, 6)); // two blocks and a buffered tail
    sha.Initialize();
    EXPECT_EQ(sha.GetBlockCount(), 0);
    EXPECT_EQ(sha.GetBufferCount(), 0);
    sha.Complete();
    EXPECT_EQ(sha.DigestText(), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(MessageDigest, DigestTextBeforeCompleteAfterInitializeThrows)
{
    TSHA1 sha;
    sha.Complete();
    sha.Initialize();
    EXPECT_THROW((void)sha.DigestText(), EMessageDigestError);
}

#ifndef NDEBUG
TEST(MessageDigestDeathTest, TransformWithoutBytesIsAProgrammingError)
{
    TSHA1 sha;
    EXPECT_DEATH(sha.Transform(nullptr, 1), "M not assigned");
}
#endif

} // namespace
} // namespace brisolt
