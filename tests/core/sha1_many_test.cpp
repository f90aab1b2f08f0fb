#include <cstdlib>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/sha1_many.h"
#include "support/systemsha1.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

std::vector<TSha1Path> AvailablePaths()
{
    std::vector<TSha1Path> paths;
    for (const auto path : {TSha1Path::Portable, TSha1Path::ShaNi, TSha1Path::Avx2, TSha1Path::Avx512})
    {
        if (Sha1PathAvailable(path))
            paths.push_back(path);
    }
    return paths;
}

class TForcedPath
{
public:
    explicit TForcedPath(TSha1Path path) { EXPECT_TRUE(Sha1ForcePath(path)); }

    ~TForcedPath() { Sha1ResetPath(); }

    TForcedPath(const TForcedPath&) = delete;
    TForcedPath& operator=(const TForcedPath&) = delete;
};

// Digests the messages together; with a part size, every message is fed in
// parts of that many bytes before the rest goes to Finish.
std::vector<std::string> DigestTogether(const std::vector<std::string>& messages, std::size_t part)
{
    TSha1Many many;
    many.Start(messages.size());
    std::vector<TSha1Part> left(messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i)
        left[i] = {reinterpret_cast<const uint8_t*>(messages[i].data()), messages[i].size()};
    for (bool more = part > 0; more;)
    {
        more = false;
        std::vector<TSha1Part> parts(left);
        for (auto& p : parts)
        {
            // A message shorter than a part feeds nothing in this call.
            p.Size = p.Size > part ? part : 0;
            more = more || p.Size > 0;
        }
        many.Feed(parts);
        for (std::size_t i = 0; i < messages.size(); ++i)
        {
            left[i].Data += parts[i].Size;
            left[i].Size -= parts[i].Size;
        }
    }
    // One part too many or too few is refused before anything is digested.
    if (!left.empty())
    {
        EXPECT_THROW(many.Feed(std::span(left).first(left.size() - 1)), std::invalid_argument);
    }
    many.Finish(left);
    std::vector<std::string> digests;
    for (std::size_t i = 0; i < messages.size(); ++i)
        digests.emplace_back(reinterpret_cast<const char*>(many.Digest(i).data()), 20);
    return digests;
}

// Every path the processor has, forced in turn: lengths around each padding
// edge, lanes of unequal lengths, lane counts that do not fill a group, one and
// several groups, whole messages and messages fed in parts.
TEST(Sha1Many, EveryPathEqualsOpenSsl)
{
    const std::vector<std::size_t> edges = {0, 1, 55, 56, 63, 64, 65, 119, 120, 127, 128, 129, 1000, 4096, 65536 + 7};

    struct TCase
    {
        std::size_t Count;
        std::size_t Part;
    };

    const TCase cases[] = {{1, 0}, {3, 0}, {8, 0}, {15, 0}, {16, 0}, {17, 0}, {33, 0}, {16, 64}, {20, 192}, {40, 4096}};
    for (const TSha1Path path : AvailablePaths())
    {
        TForcedPath forced(path);
        ASSERT_EQ(Sha1CurrentPath(), path);
        for (const auto& c : cases)
        {
            std::vector<std::string> messages;
            for (std::size_t i = 0; i < c.Count; ++i)
            {
                const std::size_t length = edges[(i * 7 + c.Count) % edges.size()];
                messages.push_back(test::RandomBytes(length, static_cast<uint32_t>(1000 * c.Count + i)));
            }
            const auto digests = DigestTogether(messages, c.Part);
            for (std::size_t i = 0; i < c.Count; ++i)
            {
                EXPECT_EQ(digests[i], test::SystemSha1(messages[i]))
                    << Sha1PathName(path) << ": " << c.Count << " messages in parts of " << c.Part << ", message " << i
                    << " of " << messages[i].size() << " bytes";
            }
        }
    }
}

TEST(Sha1Many, PathNamesRoundTripAndEnvironmentChoosesAnAvailablePath)
{
    for (const auto path : {TSha1Path::Portable, TSha1Path::ShaNi, TSha1Path::Avx2, TSha1Path::Avx512})
    {
        TSha1Path parsed = TSha1Path::Portable;
        EXPECT_TRUE(Sha1PathFromName(Sha1PathName(path), parsed));
        EXPECT_EQ(parsed, path);
    }
    TSha1Path parsed = TSha1Path::Portable;
    EXPECT_FALSE(Sha1PathFromName("avx1024", parsed));
    EXPECT_TRUE(Sha1PathAvailable(Sha1CurrentPath()));
    // A process started with the variable runs on that path when it exists.
    const char* forced = std::getenv("BRISOLT_SHA1_PATH");
    if (forced != nullptr && Sha1PathFromName(forced, parsed) && Sha1PathAvailable(parsed))
    {
        EXPECT_STREQ(Sha1PathName(Sha1CurrentPath()), forced);
    }
}

} // namespace
} // namespace brisolt
