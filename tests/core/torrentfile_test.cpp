#include <gtest/gtest.h>

#include "core/oledate.h"
#include "core/torrentfile.h"

namespace brisolt
{
namespace
{

const std::string kHead = "d8:announce10:http://t/a";
const std::string kAzureus = "18:azureus_propertiesd17:dht_backup_enablei0ee";
const std::string kCreatedBy = "10:created by42:Brisolt v2.1 - Orl Edition Public Beta RC1";
const std::string kEncoding = "8:encoding12:windows-1252";
const std::string kPrivateTail = "7:privatei1eee";

TTorrentFile SingleFile()
{
    TTorrentFile t;
    t.Announce = "http://t/a";
    t.Name = "f.bin";
    t.Length = 5;
    t.PieceLength = 65536;
    return t;
}

std::vector<TTorrentPiece> Pieces(std::initializer_list<char> fills)
{
    std::vector<TTorrentPiece> pieces;
    for (char c : fills)
        pieces.emplace_back(std::string(20, c), true);
    return pieces;
}

TEST(TorrentSave, SingleFileBytesInOrder)
{
    const auto pieces = Pieces({'A', 'B'});
    EXPECT_EQ(
        SingleFile().SaveToString(pieces),
        kHead + kAzureus + kCreatedBy + kEncoding + "4:infod6:lengthi5e4:name5:f.bin12:piece lengthi65536e6:pieces40:"
            + std::string(20, 'A') + std::string(20, 'B') + kPrivateTail);
}

TEST(TorrentSave, EmptyModelStillWritesAWellFormedFile)
{
    TTorrentFile t;
    EXPECT_EQ(
        t.SaveToString({}),
        "d8:announce0:" + kAzureus + kCreatedBy + kEncoding
            + "4:infod6:lengthi0e4:name0:12:piece lengthi0e6:pieces0:" + kPrivateTail);
}

TEST(TorrentSave, CommentGetsTheSuffixEvenWhenItAlreadyEndsWithIt)
{
    auto t = SingleFile();
    t.Comment = "x";
    const std::string out = t.SaveToString({});
    EXPECT_NE(
        out.find("7:comment57:x created with Brisolt v2.1 - Orl Edition Public Beta RC110:created by"),
        std::string::npos);
    t.Comment = "x created with Brisolt v2.1 - Orl Edition Public Beta RC1";
    EXPECT_NE(t.SaveToString({}).find("7:comment113:x created with"), std::string::npos);
}

TEST(TorrentSave, CreationDateOnlyWhenSet)
{
    auto t = SingleFile();
    EXPECT_EQ(t.SaveToString({}).find("creation date"), std::string::npos);
    t.CreationDate = EncodeOleDate({2001, 9, 9, 1, 46, 40, 0});
    EXPECT_NE(t.SaveToString({}).find(kCreatedBy + "13:creation datei1000000000e8:encoding"), std::string::npos);
}

TEST(TorrentSave, BackupTrackersSkipTheAnnounceUrlButKeepOtherDuplicates)
{
    auto t = SingleFile();
    t.Announce = "A";
    t.BackupTrackers = {"B", "A", "B", "C", "a"};
    EXPECT_TRUE(t.SaveToString({}).starts_with("d8:announce1:A13:announce-listll1:Ael1:Bel1:Bel1:Cel1:aee18:azureus"));
    t.BackupTrackers = {"A"};
    EXPECT_TRUE(t.SaveToString({}).starts_with("d8:announce1:A13:announce-listll1:Aee18:azureus"));
    t.BackupTrackers.clear();
    EXPECT_EQ(t.SaveToString({}).find("announce-list"), std::string::npos);
}

TEST(TorrentSave, MultiFilePathElements)
{
    TTorrentFile t;
    t.Announce = "http://t/a";
    t.Name = "top";
    t.MultiFile = true;
    t.Length = 99; // not written for a multi-file torrent
    t.PieceLength = 262144;
    t.Files.emplace_back("c.txt", "a\\b\\", 3, 0);
    t.Files.emplace_back("d", "", 0, 0);
    t.Files.emplace_back("e", "x\\y", 1, 0);
    t.Files.emplace_back("f", "\\a\\", 2, 0);
    EXPECT_EQ(
        t.SaveToString({}),
        kHead + kAzureus + kCreatedBy + kEncoding
            + "4:infod5:filesl"
              "d6:lengthi3e4:pathl1:a1:b5:c.txtee"
              "d6:lengthi0e4:pathl1:dee"
              "d6:lengthi1e4:pathl1:x1:y1:eee"
              "d6:lengthi2e4:pathl0:1:a1:fee"
              "e4:name3:top12:piece lengthi262144e6:pieces0:"
            + kPrivateTail);
}

TEST(TorrentSave, LargeAndNegativeNumbers)
{
    auto t = SingleFile();
    t.Length = 5LL * 1024 * 1024 * 1024;
    t.PieceLength = -1;
    const std::string out = t.SaveToString({});
    EXPECT_NE(out.find("6:lengthi5368709120e"), std::string::npos);
    EXPECT_NE(out.find("12:piece lengthi-1e"), std::string::npos);
}

TEST(TorrentSave, SaveAppendsAndChangesNothing)
{
    auto t = SingleFile();
    std::string out = "prefix";
    t.Save(out, {});
    EXPECT_EQ(out.substr(0, 7), "prefixd");
    EXPECT_EQ(out.substr(6), t.SaveToString({}));
}

TEST(TorrentModel, ClearKeepsWhatTheEditorCarriesOver)
{
    TTorrentFile t;
    t.Announce = "a";
    t.Name = "n";
    t.Comment = "c";
    t.CreationDate = 5.5;
    t.InfoHash = "h";
    t.InfoHashText = "68";
    t.PieceLength = 7;
    t.Length = 9;
    t.FileCount = 1;
    t.MultiFile = true;
    t.BackupTrackers = {"b"};
    t.Errors = {"e"};
    t.Files.emplace_back("x", "", 1, 0);
    t.Pieces = Pieces({'A'});
    t.Clear();
    EXPECT_EQ(t.Announce, "");
    EXPECT_EQ(t.Name, "");
    EXPECT_EQ(t.InfoHashText, "");
    EXPECT_EQ(t.Length, 0);
    EXPECT_EQ(t.FileCount, 0);
    EXPECT_FALSE(t.MultiFile);
    EXPECT_TRUE(t.Files.empty());
    EXPECT_TRUE(t.Pieces.empty());
    EXPECT_TRUE(t.Errors.empty());
    EXPECT_EQ(t.Comment, "c");
    EXPECT_EQ(t.CreationDate, 5.5);
    EXPECT_EQ(t.InfoHash, "h");
    EXPECT_EQ(t.PieceLength, 7);
    EXPECT_EQ(t.BackupTrackers, std::vector<std::string>{"b"});
}

TEST(TorrentModel, InitStoresValuesAndStampsTheClock)
{
    TTorrentFile t;
    t.Init("u", "n", "c\r\n", "", 12, false, [] { return 40000.25; });
    EXPECT_EQ(t.Announce, "u");
    EXPECT_EQ(t.Name, "n");
    EXPECT_EQ(t.Comment, "c\r\n");
    EXPECT_EQ(t.Length, 12);
    EXPECT_FALSE(t.MultiFile);
    EXPECT_EQ(t.CreationDate, 40000.25);
    TTorrentFile now;
    now.Init("", "", "", "", 0, true);
    EXPECT_GT(now.CreationDate, EncodeOleDate({2020, 1, 1}));
}

TEST(TorrentPiece, HashTextIsLowerCaseHex)
{
    const TTorrentPiece p(std::string("\x00\x01\xAB\xFF", 4) + std::string(16, '\x10'), false);
    EXPECT_EQ(p.HashText(), "0001abff10101010101010101010101010101010");
    EXPECT_FALSE(p.Computed);
}

TEST(UnixSeconds, WallClockFieldsCountAsUtc)
{
    EXPECT_EQ(ToUnixSeconds(EncodeOleDate({2001, 9, 9, 1, 46, 40, 0})), 1000000000);
    EXPECT_EQ(ToUnixSeconds(EncodeOleDate({1970, 1, 1})), 0);
    EXPECT_EQ(ToUnixSeconds(EncodeOleDate({1969, 12, 31, 23, 59, 59, 0})), -1);
    // Truncation toward zero: half a second before 1970 is 0, after it too.
    EXPECT_EQ(ToUnixSeconds(EncodeOleDate({1969, 12, 31, 23, 59, 59, 500})), 0);
    EXPECT_EQ(ToUnixSeconds(EncodeOleDate({1970, 1, 1, 0, 0, 0, 999})), 0);
    // Beyond 2038 only the low 32 bits survive.
    EXPECT_EQ(ToUnixSeconds(EncodeOleDate({2038, 1, 19, 3, 14, 8, 0})), INT32_MIN);
}

TEST(UnixSeconds, FromUnixSecondsIsTheInverse)
{
    for (int32_t s : {0, 1, 1000000000, -1, INT32_MAX, INT32_MIN, 86399, 951782400})
        EXPECT_EQ(ToUnixSeconds(FromUnixSeconds(s)), s) << s;
    const TDateFields f = DecodeOleDate(FromUnixSeconds(1000000000));
    EXPECT_EQ(f.Year, 2001);
    EXPECT_EQ(f.Month, 9);
    EXPECT_EQ(f.Day, 9);
    EXPECT_EQ(f.Hour, 1);
    EXPECT_EQ(f.Minute, 46);
    EXPECT_EQ(f.Second, 40);
    EXPECT_DOUBLE_EQ(FromUnixSeconds(0), 25569.0);
}

} // namespace
} // namespace brisolt
