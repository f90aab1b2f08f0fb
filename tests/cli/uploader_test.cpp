// What uploaders to private trackers ask for, through the command line: piece
// lengths for large content, metadata control, file filters, a new info hash
// on purpose. Every option is off unless given; bytes are read back by
// libtorrent.
#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "create/createsupport.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using namespace test;

class CliUploader : public ::testing::Test
{
protected:
    TSandbox Box;
    std::filesystem::path File = Box.Write("movie.mkv", RandomBytes(300000, 7));
    std::filesystem::path Made = Box.Path() / "made.torrent";

    // create SOURCE -a http://t/a -o Made, then the options.
    TCliRun Create(const std::filesystem::path& source, const std::vector<std::string>& options) const
    {
        std::vector<std::string> args{"create", source.string(), "-a", "http://t/a", "-o", Made.string()};
        args.insert(args.end(), options.begin(), options.end());
        return RunCliArgs(args);
    }
};

TEST_F(CliUploader, PieceLengthRules)
{
    const struct
    {
        std::vector<std::string> Options;
        int Pieces;
        int64_t Length;
    } cases[] = {
        {{}, 2, 262144},
        {{"--target-pieces", "4"}, 3, 131072},
        {{"--target-pieces", "1"}, 1, 524288},
        {{"--target-pieces", "1000000"}, 19, 16384},
        {{"--max-piece-length", "64kb"}, 5, 65536},
        {{"--target-pieces", "1", "--max-piece-length", "128KiB"}, 3, 131072},
        {{"-l", "65536kb"}, 1, 67108864},
        {{"-l", "32768kb"}, 1, 33554432},
    };

    for (const auto& c : cases)
    {
        const auto run = Create(File, c.Options);
        ASSERT_EQ(run.Code, 0) << run.Err;
        EXPECT_EQ(
            run.Out,
            Made.string() + ": 1 file, 300000 bytes, " + std::to_string(c.Pieces) + " pieces of "
                + std::to_string(c.Length) + " bytes\n");
        EXPECT_ORACLE_EQ(CheckWithLibtorrent(Made, File), "ok " + std::to_string(c.Pieces) + "\n");
    }
}

TEST_F(CliUploader, UsageErrors)
{
    const struct
    {
        std::vector<std::string> Options;
        std::string Err;
    } cases[] = {
        {{"-l", "64kb", "--target-pieces", "2"},
         "brisolt-cli create: -l sets the piece length; --max-piece-length and --target-pieces go with -l auto\n"},
        {{"-l", "1024kb", "--max-piece-length", "8mb"},
         "brisolt-cli create: -l sets the piece length; --max-piece-length and --target-pieces go with -l auto\n"},
        {{"--max-piece-length", "3000"}, "--max-piece-length: not a power of two from 16 KiB to 64 MiB: 3000"},
        {{"--max-piece-length", "128mb"}, "--max-piece-length: not a power of two from 16 KiB to 64 MiB: 128mb"},
        {{"--target-pieces", "0"}, "--target-pieces"},
        {{"-l", "131072kb"}, "--piece-size"},
    };

    for (const auto& c : cases)
    {
        const auto run = Create(File, c.Options);
        EXPECT_EQ(run.Code, 2);
        EXPECT_NE(run.Err.find(c.Err), std::string::npos) << run.Err;
        EXPECT_FALSE(std::filesystem::exists(Made));
    }
}

} // namespace
} // namespace brisolt
