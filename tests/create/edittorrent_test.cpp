#include <gtest/gtest.h>

#include "core/oledate.h"
#include "create/editsupport.h"
#include "create/edittorrent.h"
#include "platform/fileio.h"
#include "platform/textconv.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using namespace test;

TTorrentFile LoadBytes(const TSandbox& box, const std::string& bytes, bool expectLoaded = true)
{
    TTorrentFile model;
    EXPECT_EQ(LoadTorrentForEdit(box.Write("in.torrent", bytes), model), expectLoaded);
    return model;
}

// What our own loader reports for a saved file must be what libtorrent reads.
void ExpectLibtorrentAgrees(const std::filesystem::path& saved, std::size_t files, int64_t total)
{
    TTorrentFile again;
    again.Load(ReadFile(saved));
    EXPECT_ORACLE_EQ(
        LibtorrentView(saved), again.InfoHashText + " " + std::to_string(files) + " " + std::to_string(total));
}

TEST(EditLoad, TorrentWithoutInfoIsNotLoadedAndListsTheLoaderLines)
{
    TSandbox box;
    const TTorrentFile model = LoadBytes(box, BDict({{"announce", BStr("http://t/a")}}), false);
    EXPECT_FALSE(IsLoadedForEdit(model));
    EXPECT_EQ(LoaderMessage(model), "Corrupt File: Missing \"info\" segment\n");
}

TEST(EditLoad, NotBencodedIsNotLoaded)
{
    TSandbox box;
    const TTorrentFile model = LoadBytes(box, "this is no torrent", false);
    ASSERT_FALSE(model.Errors.empty());
    EXPECT_EQ(LoaderMessage(model).back(), '\n');
}

TEST(EditLoad, EmptyFileListIsNotLoaded)
{
    TSandbox box;
    LoadBytes(box, Metainfo(MultiInfo("top", {})), false);
}

TEST(EditLoad, MissingAnnounceStillLoads)
{
    TSandbox box;
    const std::string info = SingleInfo("a.bin", 10);
    const TTorrentFile model = LoadBytes(box, BDict({{"info", info}}));
    EXPECT_EQ(model.Errors.size(), 1u);
}

TEST(EditLoad, FileThatCannotBeOpenedThrowsItsMessage)
{
    TSandbox box;
    const auto fifo = box.Path() / "p.torrent";
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {box.Path() / "missing.torrent", "No such file or directory"},
        {box.Path(), "Is a directory"},
#ifndef _WIN32
        {test::MakeFifo(fifo), "Keine reguläre Datei."},
#endif
    };
    for (const auto& [path, reason] : cases)
    {
        std::string message = "no error";
        TTorrentFile model;
        EXPECT_TRUE(test::ReturnsWithoutWaiting(
            fifo,
            [&]
            {
                try
                {
                    LoadTorrentForEdit(path, model);
                }
                catch (const EEditError& e)
                {
                    message = e.what();
                }
            }));
        EXPECT_EQ(message, "Datei " + path.string() + " kann nicht geöffnet werden. " + reason);
    }
}

TEST(EditLoad, FileOverTheBoundLoadsAsNotBencoded)
{
    TSandbox box;
    const auto path = box.Path() / "huge.torrent";
    MakeSparse(path, static_cast<int64_t>(kMaxMetainfoSize) + 1, "e");
    TTorrentFile model;
    EXPECT_FALSE(LoadTorrentForEdit(path, model));
    ASSERT_EQ(model.Errors.size(), 1u);
    EXPECT_EQ(model.Errors[0], "Error parsing file; does not appear to be valid bencoded metainfo");
}

TEST(EditLoad, CommentLineBreaksBecomeCrLf)
{
    TSandbox box;
    const TTorrentFile model =
        LoadBytes(box, Metainfo(SingleInfo("a", 1), "http://t/a", {{"comment", BStr("one\ntwo\r\nthree\rfour\n")}}));
    EXPECT_EQ(model.Comment, "one\r\ntwo\r\nthree\r\nfour\r\n");
}

TEST(CrLfLineBreaks, EveryKindOfBreak)
{
    EXPECT_EQ(CrLfLineBreaks(""), "");
    EXPECT_EQ(CrLfLineBreaks("a"), "a");
    EXPECT_EQ(CrLfLineBreaks("\n"), "\r\n");
    EXPECT_EQ(CrLfLineBreaks("\r"), "\r\n");
    EXPECT_EQ(CrLfLineBreaks("\r\n"), "\r\n");
    EXPECT_EQ(CrLfLineBreaks("\n\r"), "\r\n\r\n");
    EXPECT_EQ(CrLfLineBreaks("a\n\nb"), "a\r\n\r\nb");
    EXPECT_EQ(CrLfLineBreaks("a\r\r\nb"), "a\r\n\r\nb");
}

TEST(FieldBytes, UnchangedTextKeepsBytesThatAreNotUtf8)
{
    const std::string latin = "Caf\xe9";                          // Windows-1252
    EXPECT_EQ(FieldBytes("Caf\xc3\xa9", latin), latin);           // shown as UTF-8, unchanged
    EXPECT_EQ(FieldBytes("Cafe", latin), "Cafe");                 // edited
    EXPECT_EQ(FieldBytes("Caf\xc3\xa9!", latin), "Caf\xc3\xa9!"); // edited: typed text is UTF-8
    const std::string unassigned = "x\x81y";                      // shown with U+FFFD
    EXPECT_EQ(FieldBytes("x\xef\xbf\xbdy", unassigned), unassigned);
}

TEST(SetTorrentName, SingleFileRenamesItsEntry)
{
    TSandbox box;
    TTorrentFile model = LoadBytes(box, Metainfo(SingleInfo("old.bin", 3)));
    SetTorrentName(model, "new.bin");
    EXPECT_EQ(model.Name, "new.bin");
    EXPECT_EQ(model.Files.at(0).Name, "new.bin");
    const auto saved = box.Path() / "out.torrent";
    ASSERT_EQ(SaveEditedTorrent(model, saved).Reason(), "");
    TTorrentFile again;
    again.Load(ReadFile(saved));
    EXPECT_EQ(again.Name, "new.bin");
    ExpectLibtorrentAgrees(saved, 1, 3);
}

TEST(SetTorrentName, MultiFileLeavesEntriesAlone)
{
    TSandbox box;
    TTorrentFile model = LoadBytes(box, Metainfo(MultiInfo("top", {{{"d", "a.bin"}, 1}, {{"b.bin"}, 2}})));
    SetTorrentName(model, "renamed");
    EXPECT_EQ(model.Name, "renamed");
    EXPECT_EQ(model.Files[0].Path + model.Files[0].Name, "d\\a.bin");
    EXPECT_EQ(model.Files[1].Path + model.Files[1].Name, "b.bin");
}

class RenameFileEntryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Model = LoadBytes(Box, Metainfo(MultiInfo("top", {{{"old", "f.bin"}, 5}, {{"g.bin"}, 6}})));
    }

    void Save()
    {
        ASSERT_EQ(SaveEditedTorrent(Model, Saved).Reason(), "");
        Again.Load(ReadFile(Saved));
        ExpectLibtorrentAgrees(Saved, 2, 11);
    }

    TSandbox Box;
    TTorrentFile Model;
    TTorrentFile Again;
    std::filesystem::path Saved = Box.Path() / "out.torrent";
};

TEST_F(RenameFileEntryTest, TextWithBackslashMovesTheEntry)
{
    RenameFileEntry(Model, 0, "sub\\new.bin");
    EXPECT_EQ(Model.Files[0].Path, "sub\\");
    EXPECT_EQ(Model.Files[0].Name, "new.bin");
    Save();
    EXPECT_EQ(Again.Files[0].Path, "sub\\");
    EXPECT_EQ(Again.Files[0].Name, "new.bin");
    EXPECT_EQ(Again.Files[0].Length, 5);
}

TEST_F(RenameFileEntryTest, DeeperPathsSplitAtTheLastBackslash)
{
    RenameFileEntry(Model, 1, "a\\b\\c.bin");
    EXPECT_EQ(Model.Files[1].Path, "a\\b\\");
    EXPECT_EQ(Model.Files[1].Name, "c.bin");
}

TEST_F(RenameFileEntryTest, SlashSeparatesFoldersLikeBackslash)
{
    RenameFileEntry(Model, 0, "neu/A2.txt");
    RenameFileEntry(Model, 1, "a/b\\c/d");
    EXPECT_EQ(Model.Files[0].Path + "|" + Model.Files[0].Name, "neu\\|A2.txt");
    EXPECT_EQ(Model.Files[1].Path + "|" + Model.Files[1].Name, "a\\b\\c\\|d");
    Save();
    EXPECT_NE(ReadFile(Saved).find("4:pathl3:neu6:A2.txtee"), std::string::npos);
}

TEST_F(RenameFileEntryTest, TextWithoutBackslashKeepsTheOldFolder)
{
    RenameFileEntry(Model, 0, "new.bin");
    EXPECT_EQ(Model.Files[0].Path, "old\\");
    EXPECT_EQ(Model.Files[0].Name, "new.bin");
    Save();
    EXPECT_EQ(Again.Files[0].Path + Again.Files[0].Name, "old\\new.bin");
}

// An empty name would be written as an empty path element, which clients reject.
TEST_F(RenameFileEntryTest, TrailingBackslashIsRefusedAndChangesNothing)
{
    const std::string before = Model.Files[0].Path + "|" + Model.Files[0].Name;
    EXPECT_THROW(RenameFileEntry(Model, 0, "dir\\"), EEditError);
    EXPECT_EQ(Model.Files[0].Path + "|" + Model.Files[0].Name, before);
}

TEST_F(RenameFileEntryTest, ColonIsPartOfTheName)
{
    RenameFileEntry(Model, 0, "Season 1\\Ep 1: Pilot.mkv");
    EXPECT_EQ(Model.Files[0].Path, "Season 1\\");
    EXPECT_EQ(Model.Files[0].Name, "Ep 1: Pilot.mkv");
}

TEST_F(RenameFileEntryTest, IndexBeyondTheEntriesIsAnError)
{
    EXPECT_THROW(RenameFileEntry(Model, 2, "x"), EEditError);
    EXPECT_EQ(Model.Files[1].Name, "g.bin");
}

TEST(BackupTrackers, RowsAreLookedUpOrKept)
{
    const TTrackerLookup lookup = [](const std::string& name)
    {
        return name == "Known" ? std::string("http://known/announce") : std::string();
    };
    EXPECT_EQ(
        ResolveBackupRows({"http://url/a", "Known", "known", "Gone"}, lookup),
        (std::vector<std::string>{"http://url/a", "http://known/announce", "known", "Gone"}));
    EXPECT_EQ(ResolveBackupRows({"Known"}, {}), std::vector<std::string>{"Known"});
}

TEST(BackupTrackers, DisabledOrEmptyWritesNoAnnounceList)
{
    TSandbox box;
    TTorrentFile model = LoadBytes(
        box,
        Metainfo(
            SingleInfo("a", 1),
            "http://t/a",
            {{"announce-list", BList({BList({BStr("http://t/a")}), BList({BStr("http://b/a")})})}}));
    EXPECT_EQ(model.BackupTrackers, (std::vector<std::string>{"http://t/a", "http://b/a"}));
    SetBackupTrackers(model, false, {"http://c/a"}, {});
    EXPECT_TRUE(model.BackupTrackers.empty());
    SetBackupTrackers(model, true, {}, {});
    EXPECT_TRUE(model.BackupTrackers.empty());
    ASSERT_EQ(SaveEditedTorrent(model, box.Path() / "out.torrent").Reason(), "");
    EXPECT_EQ(ReadFile(box.Path() / "out.torrent").find("announce-list"), std::string::npos);
    SetBackupTrackers(model, true, {"http://c/a"}, {});
    EXPECT_EQ(model.BackupTrackers, std::vector<std::string>{"http://c/a"});
}

TEST(EditSave, SizesAbove4GiBSurvive)
{
    TSandbox box;
    const int64_t big = 5'000'000'000;
    const auto pieces = static_cast<std::size_t>((big + 3 + 65535) / 65536);
    TTorrentFile model = LoadBytes(box, Metainfo(MultiInfo("top", {{{"big.bin"}, big}, {{"small"}, 3}}, pieces)));
    EXPECT_EQ(model.Files[0].Length, big);
    RenameFileEntry(model, 0, "huge.bin");
    const auto saved = box.Path() / "out.torrent";
    ASSERT_EQ(SaveEditedTorrent(model, saved).Reason(), "");
    ExpectLibtorrentAgrees(saved, 2, big + 3);
}

TEST(EditSave, OwnFileSavedAgainGetsTheCommentSuffixOnceMore)
{
    TSandbox box;
    TTorrentFile created;
    created.Init("http://t/a", "name", "hello\r\n", "", 4, false, [] { return FromUnixSeconds(1000000000); });
    created.Files.emplace_back("name", "", 4, 0);
    created.PieceLength = 65536;
    created.Pieces.emplace_back(std::string(20, 'p'), true);
    const std::string original = created.SaveToString(created.Pieces);

    TTorrentFile model = LoadBytes(box, original);
    EXPECT_EQ(model.Comment, "hello\r\n" + std::string(kCommentSuffix));
    const auto saved = box.Path() / "out.torrent";
    ASSERT_EQ(SaveEditedTorrent(model, saved).Reason(), "");
    std::string expected = original;
    const std::string oldComment = BStr("hello\r\n" + std::string(kCommentSuffix));
    expected.replace(
        expected.find(oldComment),
        oldComment.size(),
        BStr("hello\r\n" + std::string(kCommentSuffix) + std::string(kCommentSuffix)));
    EXPECT_EQ(ReadFile(saved), expected);
    // The info dictionary is untouched, so the info hash stays.
    TTorrentFile again;
    again.Load(ReadFile(saved));
    EXPECT_EQ(again.InfoHashText, model.InfoHashText);
    ExpectLibtorrentAgrees(saved, 1, 4);
}

TEST(EditSave, NamesThatAreNotUtf8SaveBackByteForByte)
{
    TSandbox box;
    TTorrentFile created;
    created.Init("http://t/\xe4", "Gr\xfc\xdf", "", "", 7, true, [] { return FromUnixSeconds(1200000000); });
    created.Files.emplace_back("f\xe9\x81.bin", "d\xf6r\\", 3, 0);
    created.Files.emplace_back("\xff", "", 4, 3);
    created.PieceLength = 65536;
    created.Pieces.emplace_back(std::string(20, 'q'), true);
    const std::string original = created.SaveToString(created.Pieces);

    TTorrentFile model = LoadBytes(box, original);
    // What the page does with untouched fields: shown text back to bytes.
    model.Name = FieldBytes(DisplayText(model.Name), model.Name);
    const auto& entry = model.Files[0];
    RenameFileEntry(model, 0, FieldBytes(DisplayText(entry.Path + entry.Name), entry.Path + entry.Name));
    const auto saved = box.Path() / "out.torrent";
    ASSERT_EQ(SaveEditedTorrent(model, saved).Reason(), "");
    EXPECT_EQ(ReadFile(saved), original);
    ExpectLibtorrentAgrees(saved, 2, 7);
}

TEST(EditSave, UnwritableDestinationLeavesTheOldFileIntact)
{
    TSandbox box;
    TTorrentFile model = LoadBytes(box, Metainfo(SingleInfo("a", 1)));
    // Without a write bit, which counts for the superuser too.
    const auto dest = box.Write("ro.torrent", "old bytes");
    std::filesystem::permissions(dest, std::filesystem::perms::owner_read);
    EXPECT_TRUE(SaveEditedTorrent(model, dest).Failed());
    EXPECT_EQ(ReadFile(dest), "old bytes");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(box.Path()), {}), 2); // in.torrent and dest
    EXPECT_EQ(WriteErrorMessage(dest), "Fehler beim Schreiben " + dest.string());
}

TEST(EditSave, MissingFolderFails)
{
    TSandbox box;
    TTorrentFile model = LoadBytes(box, Metainfo(SingleInfo("a", 1)));
    const TError failed = SaveEditedTorrent(model, box.Path() / "no" / "out.torrent");
    EXPECT_EQ(failed.Code(), ENOENT);
    EXPECT_EQ(failed.Path(), (box.Path() / "no" / "out.torrent").string());
}

TEST(EditSave, ResetDateIsWritten)
{
    TSandbox box;
    TTorrentFile model = LoadBytes(box, Metainfo(SingleInfo("a", 1)));
    EXPECT_EQ(model.CreationDate, 0.0);
    model.CreationDate = FromUnixSeconds(1300000000);
    ASSERT_EQ(SaveEditedTorrent(model, box.Path() / "out.torrent").Reason(), "");
    EXPECT_NE(ReadFile(box.Path() / "out.torrent").find("13:creation datei1300000000e"), std::string::npos);
}

} // namespace
} // namespace brisolt
