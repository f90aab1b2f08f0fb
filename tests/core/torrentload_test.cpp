#include <gtest/gtest.h>

#include "core/messagedigests.h"
#include "core/oledate.h"
#include "core/torrentfile.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

const std::string kNotBencoded = "Error parsing file; does not appear to be valid bencoded metainfo";
const std::string kSomethingBad = "Something bad happened while trying to load the file, probably corrupt metainfo";

std::string Sha1Hex(std::string_view bytes)
{
    TSHA1 sha;
    sha.Transform(bytes.data(), bytes.size());
    sha.Complete();
    return sha.DigestText();
}

std::string Info(const std::string& content)
{
    return "4:info" + content;
}

const std::string kSingleInfo =
    "d6:lengthi5e4:name5:f.bin12:piece lengthi16384e6:pieces20:" + std::string(20, 'P') + "e";

TEST(TorrentLoad, CompleteSingleFileTorrent)
{
    const std::string file = "d8:announce8:http://x7:comment2:hi13:creation datei1000000000e" + Info(kSingleInfo) + "e";
    TTorrentFile t;
    EXPECT_TRUE(t.Load(file));
    EXPECT_TRUE(t.Errors.empty());
    EXPECT_EQ(t.Announce, "http://x");
    EXPECT_EQ(t.Comment, "hi");
    EXPECT_EQ(t.Name, "f.bin");
    EXPECT_EQ(t.PieceLength, 16384);
    EXPECT_EQ(t.Length, 5);
    EXPECT_EQ(t.FileCount, 1);
    EXPECT_FALSE(t.MultiFile);
    ASSERT_EQ(t.Files.size(), 1u);
    EXPECT_EQ(t.Files[0].Name, "f.bin");
    EXPECT_EQ(t.Files[0].Path, "");
    EXPECT_EQ(t.Files[0].Length, 5);
    EXPECT_EQ(t.Files[0].FullPath, "");
    ASSERT_EQ(t.Pieces.size(), 1u);
    EXPECT_EQ(t.Pieces[0].HashBytes(), std::string(20, 'P'));
    EXPECT_FALSE(t.Pieces[0].Computed);
    EXPECT_EQ(t.InfoHashText, Sha1Hex(kSingleInfo));
    EXPECT_EQ(t.InfoHash.size(), 20u);
    EXPECT_EQ(ToUnixSeconds(t.CreationDate), 1000000000);
}

TEST(TorrentLoad, EmptyFileIsNotBencoded)
{
    TTorrentFile t;
    EXPECT_FALSE(t.Load(""));
    EXPECT_EQ(t.Errors, std::vector<std::string>{kNotBencoded});
    EXPECT_FALSE(t.Load("garbage"));
    EXPECT_EQ(t.Errors, std::vector<std::string>{kNotBencoded});
}

TEST(TorrentLoad, RootOfAnotherKindFailsAndLeavesTheTreeEmpty)
{
    for (const std::string input : {"l4:spame", "i5e", "4:spam"})
    {
        TTorrentFile t;
        EXPECT_FALSE(t.Load(input));
        EXPECT_EQ(t.Errors, std::vector<std::string>{kSomethingBad});
        EXPECT_EQ(t.Tree->Count(), 0);
    }
}

TEST(TorrentLoad, EveryMissingKeyIsReportedInOrder)
{
    TTorrentFile t;
    EXPECT_TRUE(t.Load("d4:infod5:otheri1eee"));
    EXPECT_EQ(
        t.Errors,
        (std::vector<std::string>{
            "Corrupt File: Missing \"announce\" segment",
            "Corrupt File: Missing \"info.name\" segment",
            "Corrupt File: Missing \"info.piece length\" segment",
            "Corrupt File: Missing \"info.pieces\" segment",
            "Corrupt File: Missing both \"info.length\" and \"info.files\" segments (should have one or the other)"}));
    EXPECT_TRUE(t.Files.empty());
    EXPECT_EQ(t.InfoHashText.size(), 40u);
}

TEST(TorrentLoad, MissingInfoSkipsEveryInfoKey)
{
    TTorrentFile t;
    EXPECT_TRUE(t.Load("d8:announce1:ae"));
    EXPECT_EQ(t.Errors, std::vector<std::string>{"Corrupt File: Missing \"info\" segment"});
    EXPECT_EQ(t.InfoHashText, "");
}

TEST(TorrentLoad, NameLosesOnlyAnExactTorrentSuffix)
{
    const auto nameOf = [](const std::string& name)
    {
        TTorrentFile t;
        t.Load("d8:announce0:4:infod6:lengthi1e4:name" + std::to_string(name.size()) + ":" + name + "ee");
        return t.Name;
    };
    EXPECT_EQ(nameOf("movie.torrent"), "movie");
    EXPECT_EQ(nameOf("X.TORRENT"), "X.TORRENT");
    EXPECT_EQ(nameOf(".torrent"), "");
    EXPECT_EQ(nameOf("a.torrent.torrent"), "a.torrent");
    EXPECT_EQ(nameOf("torrent"), "torrent");
}

TEST(TorrentLoad, PiecesIgnoreATrailingPartialHash)
{
    TTorrentFile t;
    t.Load("d4:infod6:pieces41:" + std::string(20, 'a') + std::string(20, 'b') + "cee");
    ASSERT_EQ(t.Pieces.size(), 2u);
    EXPECT_EQ(t.Pieces[1].HashBytes(), std::string(20, 'b'));
}

TEST(TorrentLoad, LengthWinsOverFiles)
{
    TTorrentFile t;
    EXPECT_TRUE(t.Load("d4:infod6:lengthi7e5:filesld6:lengthi1e4:pathl1:aeee4:name1:nee"));
    EXPECT_FALSE(t.MultiFile);
    ASSERT_EQ(t.Files.size(), 1u);
    EXPECT_EQ(t.Files[0].Name, "n");
    EXPECT_EQ(t.Length, 7);
}

TEST(TorrentLoad, MultiFileEntriesWithOffsetsAndDefects)
{
    TTorrentFile t;
    EXPECT_TRUE(t.Load("d8:announce1:u4:infod5:filesl"
                       "d6:lengthi10e4:pathl1:a1:b5:c.txtee"
                       "d4:pathl5:d.txtee"
                       "d6:lengthi5e4:pathl5:e.txtee"
                       "d6:lengthi6000000000ee"
                       "d6:lengthi1e4:pathlee"
                       "e4:name3:top12:piece lengthi65536e6:pieces0:ee"));
    EXPECT_TRUE(t.MultiFile);
    EXPECT_EQ(t.FileCount, 5);
    ASSERT_EQ(t.Files.size(), 5u);
    EXPECT_EQ(t.Files[0].Path, "a\\b\\");
    EXPECT_EQ(t.Files[0].Name, "c.txt");
    EXPECT_EQ(t.Files[0].Offset, 0);
    EXPECT_EQ(t.Files[1].Path, "");
    EXPECT_EQ(t.Files[1].Name, "d.txt");
    EXPECT_EQ(t.Files[1].Length, 0);
    EXPECT_EQ(t.Files[1].Offset, 10);
    EXPECT_EQ(t.Files[2].Offset, 10);
    EXPECT_EQ(t.Files[3].Name, "");
    EXPECT_EQ(t.Files[3].Length, 6000000000);
    EXPECT_EQ(t.Files[4].Offset, 6000000015);
    EXPECT_EQ(t.Files[4].Name, "");
    EXPECT_EQ(t.Length, 6000000016);
    EXPECT_EQ(
        t.Errors,
        (std::vector<std::string>{
            "Corrupt File: files[1] is missing a \"length\" segment",
            "Corrupt File: files[3] is missing a \"path\" segment"}));
}

TEST(TorrentLoad, StringsAndIntegersStandInForEachOther)
{
    TTorrentFile t;
    EXPECT_TRUE(t.Load("d8:announcei5e4:infod6:length3:abc4:name1:n12:piece length2:xx6:piecesi1eee"));
    EXPECT_EQ(t.Announce, "");
    EXPECT_EQ(t.Length, 0);
    EXPECT_EQ(t.PieceLength, 0);
    EXPECT_TRUE(t.Pieces.empty());
    EXPECT_TRUE(t.Errors.empty());
}

TEST(TorrentLoad, WrongKindEndsTheLoadKeepingWhatCameBefore)
{
    TTorrentFile t;
    // "files" entry 1 is a list instead of a dictionary.
    EXPECT_FALSE(t.Load("d8:announce1:u4:infod5:filesld6:lengthi3e4:pathl1:aeeli1eee4:name1:nee"));
    EXPECT_EQ(t.Announce, "u");
    ASSERT_EQ(t.Files.size(), 1u);
    EXPECT_EQ(t.Length, 0);
    EXPECT_EQ(
        t.Errors,
        (std::vector<std::string>{
            "Corrupt File: Missing \"info.piece length\" segment",
            "Corrupt File: Missing \"info.pieces\" segment",
            kSomethingBad}));
    EXPECT_TRUE(t.Tree->Exists("info"));

    for (const std::string input :
         {"d8:announceli1eee",
          "d4:infoi1ee",
          "d13:announce-list1:xe",
          "d13:announce-listl1:xee",
          "d4:infod4:namedeee",
          "d4:infod5:filesi1eee",
          "d4:infod5:filesldei1eeee",
          "d4:infod5:filesld4:path1:aeeee"})
    {
        TTorrentFile bad;
        EXPECT_FALSE(bad.Load(input)) << input;
        ASSERT_FALSE(bad.Errors.empty());
        EXPECT_EQ(bad.Errors.back(), kSomethingBad) << input;
    }
}

TEST(TorrentLoad, AnnounceListIsFlattenedUnfiltered)
{
    TTorrentFile t;
    t.Load("d8:announce1:a13:announce-listll1:a1:bel1:ael0:ee4:infod6:lengthi1eee");
    EXPECT_EQ(t.BackupTrackers, (std::vector<std::string>{"a", "b", "a", ""}));
}

TEST(TorrentLoad, InfoHashCoversTheBytesAsTheyStand)
{
    // Unsorted keys, an unknown key and leading zeros all stay in the digest.
    const std::string info = "d4:name1:n6:lengthi007e5:extrai1e12:piece lengthi1ee";
    TTorrentFile t;
    EXPECT_TRUE(t.Load("d8:announce1:u" + Info(info) + "e"));
    EXPECT_EQ(t.InfoHashText, Sha1Hex(info));
    EXPECT_EQ(t.Length, 7);
}

TEST(TorrentLoad, ForgedInfoStartAfterInfoReadsOnlyInsideTheFile)
{
    TTorrentFile t;
    EXPECT_TRUE(t.Load("d4:infod6:lengthi1ee11:_info_starti99999ee"));
    EXPECT_EQ(t.InfoHashText, Sha1Hex(""));
    TTorrentFile negative;
    EXPECT_TRUE(negative.Load("d4:infod6:lengthi1ee11:_info_starti-5ee"));
    EXPECT_EQ(negative.InfoHashText, Sha1Hex(""));
}

TEST(TorrentLoad, CreationDateZeroIsADateAbsentIsNone)
{
    TTorrentFile withZero;
    withZero.Load("d13:creation datei0e4:infod6:lengthi1eee");
    EXPECT_DOUBLE_EQ(withZero.CreationDate, 25569.0);
    TTorrentFile without;
    without.Load("d4:infod6:lengthi1eee");
    EXPECT_EQ(without.CreationDate, 0.0);
    TTorrentFile wide;
    wide.Load("d13:creation datei4294967297e4:infod6:lengthi1eee");
    EXPECT_EQ(ToUnixSeconds(wide.CreationDate), 1);
}

TEST(TorrentLoad, SavedAndLoadedAgainKeepsTheFields)
{
    TTorrentFile t;
    t.Announce = "http://tracker/announce";
    t.Name = "top";
    t.Comment = "c";
    t.MultiFile = true;
    t.PieceLength = 32768;
    t.CreationDate = EncodeOleDate({2010, 5, 6, 7, 8, 9, 0});
    t.BackupTrackers = {"http://b"};
    t.Files.emplace_back("x.bin", "a\\b", 100, 0);
    t.Files.emplace_back("y.bin", "", 200, 0);
    std::vector<TTorrentPiece> pieces{TTorrentPiece(std::string(20, '\x01'), true)};
    TTorrentFile back;
    EXPECT_TRUE(back.Load(t.SaveToString(pieces)));
    EXPECT_TRUE(back.Errors.empty());
    EXPECT_EQ(back.Announce, t.Announce);
    EXPECT_EQ(back.BackupTrackers, (std::vector<std::string>{"http://tracker/announce", "http://b"}));
    EXPECT_EQ(back.Comment, "c created with Brisolt v2.1 - Orl Edition Public Beta RC1");
    EXPECT_EQ(ToUnixSeconds(back.CreationDate), ToUnixSeconds(t.CreationDate));
    ASSERT_EQ(back.Files.size(), 2u);
    EXPECT_EQ(back.Files[0].Path, "a\\b\\");
    EXPECT_EQ(back.Files[1].Offset, 100);
    EXPECT_EQ(back.Length, 300);
    ASSERT_EQ(back.Pieces.size(), 1u);
    EXPECT_EQ(back.Pieces[0].HashBytes(), pieces[0].HashBytes());
}

// Torrents made by other tools load with the info hash those tools report.
class TorrentLoadOtherTools : public ::testing::TestWithParam<std::string>
{
};

TEST_P(TorrentLoadOtherTools, InfoHashMatchesTransmissionShow)
{
    BRISOLT_LINUX_ONLY("mktorrent, transmission-create and transmission-show");
    test::TSandbox box;
    box.Write("content/a.txt", "hello");
    box.Write("content/sub/b.bin", test::RandomBytes(200000, 7));
    const auto torrent = box.Path() / "out.torrent";
    const std::string content = (box.Path() / "content").string();
    std::string command =
        GetParam() == "mktorrent"
            ? "mktorrent -l 15 -a http://t/a -o '" + torrent.string() + "' '" + content + "'"
            : "transmission-create -s 32 -t http://t/a -o '" + torrent.string() + "' '" + content + "'";
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
    FILE* pipe = popen(("transmission-show '" + torrent.string() + "'").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string shown;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        shown.append(buffer, n);
    pclose(pipe);
    const auto at = shown.find("Hash: ");
    ASSERT_NE(at, std::string::npos) << shown;
    const std::string expected = shown.substr(at + 6, 40);

    TTorrentFile t;
    EXPECT_TRUE(t.Load(test::ReadFile(torrent)));
    EXPECT_TRUE(t.Errors.empty());
    EXPECT_EQ(t.InfoHashText, expected);
    EXPECT_EQ(t.Name, "content");
    EXPECT_EQ(t.Length, 200005);
    EXPECT_EQ(t.Files.size(), 2u);
}

// Tiny values cost far more memory than file bytes: loading stays within a
// budget of a few times the input's size, while as many real entries load.
TEST(TorrentLoad, ManyTinyValuesAreRefusedWhereRealEntriesLoad)
{
    std::string hostile = "d4:infod5:filesl";
    std::string real = "d8:announce1:u4:infod5:filesl";
    for (int i = 0; i < 1000000; ++i)
    {
        hostile += "de";
        if (i < 200000)
            real += "d6:lengthi1e4:pathl3:src5:a.txtee";
    }
    hostile += "eee";
    real += "e4:name1:n12:piece lengthi16384e6:pieces20:" + std::string(20, 'P') + "ee";
    TTorrentFile t;
    EXPECT_FALSE(t.Load(hostile));
    ASSERT_FALSE(t.Errors.empty());
    EXPECT_EQ(t.Errors.back(), kSomethingBad);
    EXPECT_TRUE(t.Files.empty());

    EXPECT_TRUE(t.Load(real));
    EXPECT_TRUE(t.Errors.empty());
    ASSERT_EQ(t.Files.size(), 200000u);
    EXPECT_EQ(t.Files.back().Path, "src\\");
    EXPECT_EQ(t.Files.back().Name, "a.txt");
}

INSTANTIATE_TEST_SUITE_P(Tools, TorrentLoadOtherTools, ::testing::Values("mktorrent", "transmission-create"));

} // namespace
} // namespace brisolt
