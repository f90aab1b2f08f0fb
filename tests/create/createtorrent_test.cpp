#include <algorithm>
#include <fstream>
#include <functional>
#include <tuple>

#include <gtest/gtest.h>
#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on
#else
#include <sys/stat.h>
#endif

#include "create/createsupport.h"
#include "create/createtorrent.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using test::CheckWithLibtorrent;
using test::FilesIn;
using test::TSandbox;

// Takes away the right to make files in folder; false where the system lets
// this user make them all the same (root on Linux, Wine on Windows).
bool DenyNewFiles(const std::filesystem::path& folder)
{
#ifdef _WIN32
    // Everyone may do anything there but add a file.
    PSECURITY_DESCRIPTOR denied = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:P(D;;0x2;;;WD)(A;OICI;FA;;;WD)", SDDL_REVISION_1, &denied, nullptr))
        return false;
    const bool set = ::SetFileSecurityW(folder.c_str(), DACL_SECURITY_INFORMATION, denied) != 0;
    ::LocalFree(denied);
    if (!set)
        return false;
#else
    std::filesystem::permissions(folder, std::filesystem::perms(0555));
#endif
    const auto probe = folder / "probe";
    std::ofstream(probe).close();
    std::error_code ec;
    return !std::filesystem::remove(probe, ec);
}

constexpr int32_t kFixedSeconds = 1000000000; // 2001-09-09 01:46:40 local time

TCreateOptions Options()
{
    TCreateOptions options;
    options.AnnounceURL = "http://t/a";
    options.Now = []
    {
        return FromUnixSeconds(kFixedSeconds);
    };
    return options;
}

TTorrentFile Load(const std::filesystem::path& path)
{
    TTorrentFile t;
    EXPECT_TRUE(t.Load(test::ReadFile(path))) << path;
    return t;
}

std::string FromHex(const std::vector<std::string>& hexPieces)
{
    std::string bytes;
    for (const auto& hex : hexPieces)
    {
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

// Records what the window would show.
class TLog final : public TCreateObserver
{
public:
    std::vector<std::string> Lines;
    std::function<void()> OnPiece;
    std::function<void()> OnFile;

    void
    TorrentStarted(const std::filesystem::path& output, int64_t total, int64_t pieceLength, std::size_t files) override
    {
        Lines.push_back(
            "torrent " + output.filename().string() + " " + std::to_string(total) + " " + std::to_string(pieceLength)
            + " " + std::to_string(files));
    }

    void FileStarted(const std::string& path, int64_t size) override
    {
        Lines.push_back("file " + std::filesystem::path(path).filename().string() + " " + std::to_string(size));
        if (OnFile)
            OnFile();
    }

    void PieceHashed() override
    {
        Lines.push_back("piece");
        if (OnPiece)
            OnPiece();
    }

    void ReportStatus(const std::string& status) override { Lines.push_back(status); }

    void TorrentFinished(const TCreateResult& result) override
    {
        Lines.push_back("finished " + result.Output.filename().string() + " " + result.Message);
    }

    // Whether a hashing run began.
    [[nodiscard]] bool Started() const
    {
        return std::any_of(Lines.begin(), Lines.end(), [](const auto& line) { return line.starts_with("torrent "); });
    }
};

TEST(ChoosePieceLength, AutomaticThresholdsAreStrictlyGreater)
{
    const std::vector<std::pair<int64_t, int64_t>> table{
        {0, 262144},
        {450000000, 262144},
        {450000001, 524288},
        {1000000000, 524288},
        {1000000001, 1048576},
        {2000000000, 1048576},
        {2000000001, 2097152},
        {int64_t{1} << 40, 2097152},
    };
    for (const auto& [total, expected] : table)
        EXPECT_EQ(ChoosePieceLength(total, kAutoPieceSize), expected) << total;
}

TEST(ChoosePieceLength, CustomSizeIgnoresTheContentLength)
{
    EXPECT_EQ(ChoosePieceLength(1, PieceSizeIndexOf("16384kb")), 16777216);
    EXPECT_EQ(ChoosePieceLength(int64_t{1} << 40, PieceSizeIndexOf("64kb")), 65536);
    EXPECT_EQ(ChoosePieceLength(0, 2), 262144);
    EXPECT_THROW((void)ChoosePieceLength(0, 9), std::invalid_argument);
    EXPECT_EQ(PieceSizeIndexOf("128kb"), 1);
    EXPECT_EQ(PieceSizeIndexOf("128KB"), -1);
    EXPECT_EQ(PieceSizeItem(8), "16384kb");
}

TEST(ChoosePieceLength, RulesBeyondTheWindowsList)
{
    constexpr int64_t kMiB = 1048576;
    const std::vector<std::tuple<int64_t, int64_t, int64_t>> targets{
        // total, target pieces, piece length
        {4 * 65536, 4, 65536},
        {4 * 65536 + 1, 4, 131072},
        {1, 1, 16384},
        {50000000000, 2000, 32 * kMiB},
        {50000000000, 1000, 64 * kMiB},
        {int64_t{1} << 50, 1, 64 * kMiB},
    };
    for (const auto& [total, target, expected] : targets)
        EXPECT_EQ(PieceLengthForTarget(total, target), expected) << total << " " << target;

    const std::vector<std::pair<std::string, int64_t>> texts{
        {"16384", 16384},
        {"16kb", 16384},
        {"64KiB", 65536},
        {"8M", 8 * kMiB},
        {"65536kb", 64 * kMiB},
        {"64mib", 64 * kMiB},
        {"8192", 0},
        {"128mb", 0},
        {"3000", 0},
        {"kb", 0},
        {"", 0},
        {"1gb", 0},
        {"99999999999999999999", 0},
        {"-64kb", 0},
    };
    for (const auto& [text, expected] : texts)
        EXPECT_EQ(ParsePieceLength(text), expected) << text;

    TCreateOptions options;
    options.MaxPieceLength = 524288;
    EXPECT_EQ(ChoosePieceLength(3000000000, options), 524288);
    EXPECT_EQ(ChoosePieceLength(1000, options), 262144);
    options.TargetPieces = 1;
    EXPECT_EQ(ChoosePieceLength(1000, options), 16384);
    options.PieceSizeIndex = 0; // the window's custom size wins over the automatic rules
    EXPECT_EQ(ChoosePieceLength(3000000000, options), 65536);
    options.PieceLength = 64 * kMiB;
    EXPECT_EQ(ChoosePieceLength(1, options), 64 * kMiB);
}

TEST(Comment, EveryMemoLineEndsWithCrLf)
{
    EXPECT_EQ(MakeComment({"abc"}), "abc\r\n");
    EXPECT_EQ(MakeComment({}), "");
    EXPECT_EQ(MakeComment({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(SplitCommentLines("a\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitCommentLines("a\r\nb\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(SplitCommentLines(""), std::vector<std::string>{});
    EXPECT_EQ(SplitCommentLines("\n"), std::vector<std::string>{""});
}

TEST(SaveNames, ProposalsFollowTheSource)
{
    EXPECT_EQ(ProposeSaveName("/data/film.avi"), "/data/film.avi.torrent");
    EXPECT_EQ(ProposeSaveName("/data/Movies"), "/data/Movies.torrent");
    const std::vector<std::string> three{"a.avi", "b.avi", "c.avi"};
    EXPECT_EQ(ProposeSelectionSaveName("/data/Holiday", three), "/data/Holiday.torrent");
    EXPECT_EQ(SelectionTitle("/data/Holiday", three), "Holiday");
    EXPECT_EQ(ProposeSelectionSaveName("/", three), "a.avi.torrent");
    EXPECT_EQ(SelectionTitle("/", three), "a.avi");
    EXPECT_EQ(ProposeSelectionSaveName("/data/Holiday", {"b.avi"}), "/data/Holiday/b.avi.torrent");
    EXPECT_EQ(PerEntrySaveName("/out", "Extras"), "/out/Extras.torrent");
    EXPECT_EQ(TrimTrailingSeparator("/data/Movies/"), "/data/Movies");
    EXPECT_EQ(TrimTrailingSeparator("/data/Movies"), "/data/Movies");
    EXPECT_EQ(TrimTrailingSeparator(""), "");
}

TEST(CreateSingleFileTorrent, WritesTheExactBytes)
{
    TSandbox box;
    const auto source = box.Write("a.bin", test::RandomBytes(70000, 3));
    const auto output = box.Path() / "a.torrent";
    auto options = Options();
    options.CommentLines = {"abc"};
    options.PieceSizeIndex = 0;
    const auto result = CreateSingleFileTorrent(source, output, options);
    ASSERT_EQ(result.Status, TCreateStatus::Written) << result.Message;
    const std::string comment = "abc\r\n created with Brisolt v2.1 - Orl Edition Public Beta RC1";
    const std::string pieces = FromHex(test::OraclePieces(65536, {source}));
    const std::string expected =
        "d8:announce10:http://t/a18:azureus_propertiesd17:dht_backup_enablei0ee7:comment"
        + std::to_string(comment.size()) + ":" + comment
        + "10:created by42:Brisolt v2.1 - Orl Edition Public Beta RC113:creation datei1000000000e"
          "8:encoding12:windows-12524:infod6:lengthi70000e4:name5:a.bin12:piece lengthi65536e6:pieces40:"
        + pieces + "7:privatei1eee";
    EXPECT_EQ(test::ReadFile(output), expected);
    EXPECT_EQ(result.PieceCount, 2);
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(output, source), "ok 2\n");
}

TEST(CreateSingleFileTorrent, SameBytesWithOneOrManyThreads)
{
    TSandbox box;
    const auto source = box.Write("big.bin", test::RandomBytes(3 * 65536 + 17, 4));
    auto options = Options();
    options.PieceSizeIndex = 0;
    options.ThreadCount = 1;
    ASSERT_EQ(CreateSingleFileTorrent(source, box.Path() / "one.torrent", options).Status, TCreateStatus::Written);
    options.ThreadCount = 4;
    ASSERT_EQ(CreateSingleFileTorrent(source, box.Path() / "four.torrent", options).Status, TCreateStatus::Written);
    EXPECT_EQ(test::ReadFile(box.Path() / "one.torrent"), test::ReadFile(box.Path() / "four.torrent"));
}

TEST(CreateSingleFileTorrent, AutomaticPieceLengthAtTheFirstThreshold)
{
    TSandbox box;
    for (const auto& [size, expected] :
         std::vector<std::pair<int64_t, int32_t>>{{450000000, 262144}, {450000001, 524288}})
    {
        const auto source = box.Path() / "sparse.bin";
        test::MakeSparse(source, size, "end");
        const auto output = box.Path() / "sparse.torrent";
        const auto result = CreateSingleFileTorrent(source, output, Options());
        ASSERT_EQ(result.Status, TCreateStatus::Written) << result.Message;
        const auto t = Load(output);
        EXPECT_EQ(t.PieceLength, expected);
        EXPECT_EQ(static_cast<int64_t>(t.Pieces.size()), (size + expected - 1) / expected);
        EXPECT_EQ(t.Length, size);
    }
}

TEST(CreateSelectionTorrent, NamesTheTorrentAfterTheFolderAndSkipsThumbs)
{
    TSandbox box;
    const auto folder = box.Path() / "Holiday";
    box.Write("Holiday/b.avi", test::RandomBytes(90000, 1));
    box.Write("Holiday/Thumbs.db", "thumbs");
    box.Write("Holiday/a.avi", test::RandomBytes(200000, 2));
    auto options = Options();
    options.SkipThumbs = true;
    TLog log;
    options.Observer = &log;
    const auto output = ProposeSelectionSaveName(folder, {"b.avi", "Thumbs.db", "a.avi"});
    const auto result = CreateSelectionTorrent(folder, {"b.avi", "Thumbs.db", "a.avi"}, output, options);
    ASSERT_EQ(result.Status, TCreateStatus::Written) << result.Message;
    const auto t = Load(box.Path() / "Holiday.torrent");
    EXPECT_EQ(t.Name, "Holiday");
    ASSERT_EQ(t.Files.size(), 2u);
    EXPECT_EQ(t.Files[0].Name, "b.avi"); // list order, as given
    EXPECT_EQ(t.Files[1].Name, "a.avi");
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(output, box.Path()), "ok 2\n");
    const std::vector<std::string> lines{
        "torrent Holiday.torrent 290000 262144 2",
        "start",
        "file b.avi 90000",
        "file a.avi 200000",
        "piece",
        "piece",
        "done",
        "finished Holiday.torrent "};
    EXPECT_EQ(log.Lines, lines);
}

TEST(CreateSelectionTorrent, OnlyThumbsSelectedGivesItsOwnTorrent)
{
    TSandbox box;
    box.Write("d/Thumbs.db", "thumbs");
    auto options = Options();
    options.SkipThumbs = true;
    const auto output = ProposeSelectionSaveName(box.Path() / "d", {"Thumbs.db"});
    ASSERT_EQ(CreateSelectionTorrent(box.Path() / "d", {"Thumbs.db"}, output, options).Status, TCreateStatus::Written);
    const auto t = Load(box.Path() / "d/Thumbs.db.torrent");
    EXPECT_FALSE(t.MultiFile);
    EXPECT_EQ(t.Name, "Thumbs.db");
    EXPECT_EQ(CreateSelectionTorrent(box.Path() / "d", {}, output, options).Message, "Keine Dateien ausgewählt!");
}

TEST(CreateFolderTorrent, OrdersTheTreeAndPassesLibtorrent)
{
    TSandbox box;
    box.Write("Movies/b.txt", test::RandomBytes(100000, 1));
    box.Write("Movies/A.txt", test::RandomBytes(300000, 2));
    box.Write("Movies/sub/z.txt", test::RandomBytes(5, 3));
#ifdef _WIN32
    const std::string cafe = "caf\xC3\xA9.txt"; // names there are Unicode
#else
    const std::string cafe = "caf\xE9.txt"; // a Latin-1 name, not UTF-8
#endif
    box.Write(("Movies/sub/" + cafe).c_str(), test::RandomBytes(70000, 4));
    box.Write("Movies/sub/thumbs.db", "t");
    auto options = Options();
    options.SkipThumbs = true;
    options.BackupRows = {"Known", "http://direct/announce", "http://t/a"};
    options.LookupAnnounceURL = [](const std::string& row)
    {
        return row == "Known" ? "http://known/announce" : "";
    };
    const auto output = ProposeSaveName(box.Path() / "Movies");
    const auto result = CreateFolderTorrent(box.Path() / "Movies", output, options);
    ASSERT_EQ(result.Status, TCreateStatus::Written) << result.Message;
    const auto t = Load(output);
    EXPECT_EQ(t.Name, "Movies");
    std::vector<std::string> files;
    for (const auto& f : t.Files)
        files.push_back(f.Path + f.Name);
    EXPECT_EQ(files, (std::vector<std::string>{"A.txt", "b.txt", "sub\\" + cafe, "sub\\z.txt"}));
    EXPECT_EQ(
        t.BackupTrackers, (std::vector<std::string>{"http://t/a", "http://known/announce", "http://direct/announce"}));
    EXPECT_EQ(ToUnixSeconds(t.CreationDate), kFixedSeconds);
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(output, box.Path()), "ok 2\n");
}

TEST(CreateTorrent, ContentOfZeroBytesIsSkippedAndNothingWritten)
{
    TSandbox box;
    std::filesystem::create_directories(box.Path() / "Empty/sub");
    box.Write("Thumbs/sub/thumbs.db", "t");
    box.Write("Zero/sub/z", "");
    box.Write("z", "");
    auto options = Options();
    options.SkipThumbs = true;
    const auto output = box.Path() / "out.torrent";

    const struct
    {
        std::string Source;
        std::string Message;
    } cases[] = {
        {"Empty", "Keine Dateien in %."},
        {"Thumbs", "Keine Dateien in %."},
        {"Zero", "Keine Daten in %: der Inhalt ist 0 Bytes groß."},
        {"z", "Keine Daten in %: der Inhalt ist 0 Bytes groß."},
    };

    for (const auto& c : cases)
    {
        const auto source = box.Path() / c.Source;
        const auto r = std::filesystem::is_directory(source) ? CreateFolderTorrent(source, output, options)
                                                             : CreateSingleFileTorrent(source, output, options);
        EXPECT_EQ(r.Status, TCreateStatus::Skipped) << c.Source;
        std::string message = c.Message;
        message.replace(message.find('%'), 1, source.string());
        EXPECT_EQ(r.Message, message);
        EXPECT_FALSE(std::filesystem::exists(output)) << c.Source;
    }
    const auto selection = CreateSelectionTorrent(box.Path() / "Zero/sub", {"z", "z"}, output, options);
    EXPECT_EQ(selection.Status, TCreateStatus::Skipped);
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST(CreateFolderTorrent, FileVanishingDuringHashingWritesNothing)
{
    TSandbox box;
    box.Write("d/a", test::RandomBytes(300000, 1));
    const auto b = box.Write("d/b", test::RandomBytes(1000, 2));
    auto options = Options();
    options.ThreadCount = 2;
    TLog log;
    log.OnFile = [&]
    {
        std::filesystem::remove(b);
    };
    options.Observer = &log;
    const auto output = box.Path() / "out/d.torrent";
    std::filesystem::create_directories(output.parent_path());
    const auto result = CreateFolderTorrent(box.Path() / "d", output, options);
    EXPECT_EQ(result.Status, TCreateStatus::Failed);
    EXPECT_EQ(result.Message, "Datei " + b.string() + " kann nicht geöffnet werden. No such file or directory");
    EXPECT_EQ(FilesIn(output.parent_path()), std::vector<std::string>{});
}

TEST(CreateFolderTorrent, OutputFolderThatCannotBeWrittenFailsBeforeHashing)
{
    TSandbox box;
    box.Write("d/a", "abc");
    const auto notAFolder = box.Write("plain", "x");
    TLog log;
    auto options = Options();
    options.Observer = &log;
    const auto missing = box.Path() / "nowhere/d.torrent";
    auto result = CreateFolderTorrent(box.Path() / "d", missing, options);
    EXPECT_EQ(result.Message, "Datei " + missing.string() + " kann nicht erstellt werden. No such file or directory");
    const auto inFile = notAFolder / "d.torrent";
    result = CreateFolderTorrent(box.Path() / "d", inFile, options);
    EXPECT_EQ(result.Message, "Datei " + inFile.string() + " kann nicht erstellt werden. Not a directory");
    const auto readOnly = box.Write("ro.torrent", "old");
    std::filesystem::permissions(readOnly, std::filesystem::perms(0444));
    result = CreateFolderTorrent(box.Path() / "d", readOnly, options);
    EXPECT_EQ(result.Message, "Datei " + readOnly.string() + " kann nicht erstellt werden. Permission denied");
    EXPECT_EQ(test::ReadFile(readOnly), "old");
    // A name the file system cannot take, found before hashing rather than after.
    const auto tooLong = box.Path() / std::string(256, 'n');
    result = CreateFolderTorrent(box.Path() / "d", tooLong, options);
    EXPECT_EQ(result.Message, "Datei " + tooLong.string() + " kann nicht erstellt werden. File name too long");
    if (test::MakeNode(box.Path() / "fifo", test::TNodeKind::Fifo))
    {
        result = CreateFolderTorrent(box.Path() / "d", box.Path() / "fifo", options);
        EXPECT_EQ(
            result.Message,
            "Datei " + (box.Path() / "fifo").string() + " kann nicht erstellt werden. Keine reguläre Datei.");
    }
    EXPECT_FALSE(log.Started());
}

TEST(CreateFolderTorrent, OutputFolderWithoutTheRightToAddFilesFailsBeforeHashing)
{
    TSandbox box;
    box.Write("d/a", "abc");
    TLog log;
    auto options = Options();
    options.Observer = &log;
    const auto closed = box.Path() / "closed";
    std::filesystem::create_directory(closed);
    if (!DenyNewFiles(closed))
        GTEST_SKIP() << "folder rights do not bind this user here (root on Linux; Wine ignores access lists)";
    const auto output = closed / "d.torrent";
    const auto result = CreateFolderTorrent(box.Path() / "d", output, options);
    EXPECT_EQ(result.Message, "Datei " + output.string() + " kann nicht erstellt werden. Permission denied");
    EXPECT_EQ(std::count(log.Lines.begin(), log.Lines.end(), "start"), 0);
}

TEST(CreateTorrent, OutputOverTheContentIsRefusedBeforeHashing)
{
    BRISOLT_LINUX_ONLY("symlinks");
    TSandbox box;
    const auto a = box.Write("d/a.txt", "content a");
    box.Write("d/sub/b.txt", "content b");
    std::filesystem::create_symlink(a, box.Path() / "link.torrent");
    std::filesystem::create_hard_link(a, box.Path() / "hard.torrent");
    std::filesystem::create_directory_symlink(box.Path() / "d/sub", box.Path() / "into");
    const auto d = box.Path() / "d";
    const auto isContent = std::string(kOutputIsContentReason);
    const auto inside = std::string(kOutputInsideContentReason);

    const struct
    {
        std::function<TCreateResult(const std::filesystem::path&, const TCreateOptions&)> Create;
        std::string Output;
        std::string Reason;
    } cases[] = {
        {[&](const auto& o, const auto& opt) { return CreateSingleFileTorrent(a, o, opt); }, "d/a.txt", isContent},
        {[&](const auto& o, const auto& opt) { return CreateSingleFileTorrent(a, o, opt); }, "link.torrent", isContent},
        {[&](const auto& o, const auto& opt) { return CreateSingleFileTorrent(a, o, opt); }, "hard.torrent", isContent},
        {[&](const auto& o, const auto& opt) {
             return CreateSelectionTorrent(d, {"a.txt", "x"}, o, opt);
         },
         "d/a.txt",
         isContent},
        {[&](const auto& o, const auto& opt) { return CreateFolderTorrent(d, o, opt); }, "d/sub/b.txt", inside},
        {[&](const auto& o, const auto& opt) { return CreateFolderTorrent(d, o, opt); }, "d/new.torrent", inside},
        {[&](const auto& o, const auto& opt) { return CreateFolderTorrent(d, o, opt); }, "into/new.torrent", inside},
    };

    box.Write("d/x", "x");
    for (const auto& c : cases)
    {
        TLog log;
        auto options = Options();
        options.Observer = &log;
        const auto output = box.Path() / c.Output;
        const auto result = c.Create(output, options);
        EXPECT_EQ(result.Message, "Datei " + output.string() + " kann nicht erstellt werden. " + c.Reason) << c.Output;
        EXPECT_FALSE(log.Started()) << c.Output;
    }
    EXPECT_EQ(test::ReadFile(a), "content a");
    EXPECT_EQ(test::ReadFile(box.Path() / "d/sub/b.txt"), "content b");
    EXPECT_EQ(FilesIn(d), (std::vector<std::string>{"a.txt", "sub", "x"}));
    // Beside the folder is fine.
    EXPECT_EQ(CreateFolderTorrent(d, box.Path() / "d.torrent", Options()).Status, TCreateStatus::Written);
}

// The output's folder is the one checked before hashing, whatever its path
// names by the time of the write: a folder swapped for a link into the content
// during hashing, or a folder of the content under another name (a bind mount).
TEST(CreateTorrent, OutputFolderIsKnownByItsIdentity)
{
    BRISOLT_LINUX_ONLY("symlinks and bind mounts");
#ifndef _WIN32
    TSandbox box;
    const auto content = box.Path() / "cv";
    box.Write("cv/note.txt", "content");
    box.Write("cv/out/keep.txt", "more content");
    std::filesystem::create_directory(box.Path() / "od");
    std::filesystem::create_directory(box.Path() / "bindm");
    const std::string mount = "mount --bind " + (content / "out").string() + " " + (box.Path() / "bindm").string();
    const bool bound = test::RunningAsRoot() && std::system((mount + " 2>/dev/null").c_str()) == 0;

    const struct
    {
        const char* Output;
        bool SwapDuringHashing; // od becomes a link to the content
        TCreateStatus Status;
    } cases[] = {
        {"od/note.txt", true, TCreateStatus::Written},
        {"bindm/z.torrent", false, TCreateStatus::Failed},
    };

    for (const auto& c : cases)
    {
        if (!c.SwapDuringHashing && !bound)
            continue; // bind mounts need root and a system that allows them
        TLog log;
        log.OnFile = [&]
        {
            if (!c.SwapDuringHashing || std::filesystem::exists(box.Path() / "od.old"))
                return;
            std::filesystem::rename(box.Path() / "od", box.Path() / "od.old");
            std::filesystem::create_directory_symlink(content, box.Path() / "od");
        };
        auto options = Options();
        options.Observer = &log;
        const auto result = CreateFolderTorrent(content, box.Path() / c.Output, options);
        EXPECT_EQ(result.Status, c.Status) << c.Output << ": " << result.Message;
        EXPECT_EQ(test::ReadFile(content / "note.txt"), "content") << c.Output;
        EXPECT_EQ(FilesIn(content / "out"), std::vector<std::string>{"keep.txt"}) << c.Output;
    }
    EXPECT_EQ(Load(box.Path() / "od.old/note.txt").Name, "cv");
    if (bound)
    {
        EXPECT_EQ(std::system(("umount " + (box.Path() / "bindm").string()).c_str()), 0);
    }
#endif
}

TEST(CreatePerEntryTorrents, OneTorrentPerEntryUnfilteredAtTheTop)
{
    TSandbox box;
    box.Write("src/a.avi", test::RandomBytes(100000, 1));
    box.Write("src/thumbs.db", "thumbs");
    box.Write("src/Extras/making-of.avi", test::RandomBytes(50000, 2));
    box.Write("src/Extras/stills/one.jpg", test::RandomBytes(1234, 3));
    box.Write("src/Extras/stills/Thumbs.db", "t");
    std::filesystem::create_directories(box.Path() / "target");
    auto options = Options();
    options.SkipThumbs = true;
    const auto results = CreatePerEntryTorrents(box.Path() / "src", box.Path() / "target", options);
    ASSERT_EQ(results.size(), 3u);
    for (const auto& r : results)
        EXPECT_EQ(r.Status, TCreateStatus::Written) << r.Message;
    EXPECT_EQ(
        FilesIn(box.Path() / "target"),
        (std::vector<std::string>{"Extras.torrent", "a.avi.torrent", "thumbs.db.torrent"}));
    const auto extras = Load(box.Path() / "target/Extras.torrent");
    EXPECT_TRUE(extras.MultiFile);
    EXPECT_EQ(extras.Name, "Extras");
    ASSERT_EQ(extras.Files.size(), 2u);
    EXPECT_EQ(extras.Files[1].Path, "stills\\");
    EXPECT_FALSE(Load(box.Path() / "target/thumbs.db.torrent").MultiFile);
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(box.Path() / "target/Extras.torrent", box.Path() / "src"), "ok 1\n");
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(box.Path() / "target/a.avi.torrent", box.Path() / "src/a.avi"), "ok 1\n");
}

TEST(CreatePerEntryTorrents, AnAbortEndsTheActionWithOneResult)
{
    TSandbox box;
    for (int i = 0; i < 4; ++i)
        box.Write("src/e" + std::to_string(i), test::RandomBytes(300000, static_cast<uint32_t>(i)));
    std::filesystem::create_directories(box.Path() / "target");
    std::atomic<bool> abort{false};
    TLog log;
    log.OnPiece = [&]
    {
        abort = true;
    };
    auto options = Options();
    options.AbortRequested = &abort;
    options.Observer = &log;
    options.ThreadCount = 1;
    const auto results = CreatePerEntryTorrents(box.Path() / "src", box.Path() / "target", options);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].Status, TCreateStatus::Aborted);
    EXPECT_EQ(results[0].Message, "Operation abgebrochen!");
    EXPECT_EQ(FilesIn(box.Path() / "target"), std::vector<std::string>{});
    // No later entry starts a run.
    EXPECT_EQ(std::count(log.Lines.begin(), log.Lines.end(), "start"), 1);
    EXPECT_EQ(
        std::count_if(log.Lines.begin(), log.Lines.end(), [](const auto& l) { return l.starts_with("file "); }), 1);
}

TEST(CreatePerEntryTorrents, AnEmptyEntryIsSkippedAndNamedOnceAtTheEnd)
{
    TSandbox box;
    box.Write("src/a", "a");
    std::filesystem::create_directories(box.Path() / "src/empty/sub");
    box.Write("src/z", "z");
    std::filesystem::create_directories(box.Path() / "target");
    const auto results = CreatePerEntryTorrents(box.Path() / "src", box.Path() / "target", Options());
    ASSERT_EQ(results.size(), 3u);
    auto written = results;
    const auto skipped = std::partition(
        written.begin(), written.end(), [](const auto& r) { return r.Status == TCreateStatus::Written; });
    ASSERT_EQ(skipped - written.begin(), 2);
    EXPECT_EQ(skipped->Status, TCreateStatus::Skipped);
    EXPECT_EQ(skipped->Message, "Keine Dateien in " + (box.Path() / "src/empty").make_preferred().string() + ".");
    EXPECT_EQ(FilesIn(box.Path() / "target"), (std::vector<std::string>{"a.torrent", "z.torrent"}));
    EXPECT_EQ(PerEntrySummary(results), "2 torrents written, 1 entries skipped: empty");
    written.pop_back();
    EXPECT_EQ(PerEntrySummary(written), "");
}

TEST(CreatePerEntryTorrents, AFileErrorEndsTheAction)
{
    BRISOLT_LINUX_ONLY("FIFOs");
#ifndef _WIN32
    TSandbox box;
    box.Write("src/a", "a");
    ASSERT_EQ(::mkfifo((box.Path() / "src/fifo").c_str(), 0644), 0);
    box.Write("src/z", "z");
    std::filesystem::create_directories(box.Path() / "target");
    std::vector<std::string> notProcessed;
    const auto results = CreatePerEntryTorrents(box.Path() / "src", box.Path() / "target", Options(), &notProcessed);
    ASSERT_FALSE(results.empty());
    EXPECT_EQ(results.size() + notProcessed.size(), 3u);
    EXPECT_EQ(results.back().Source, box.Path() / "src/fifo");
    EXPECT_EQ(results.back().Status, TCreateStatus::Failed);
    EXPECT_EQ(
        results.back().Message,
        "Datei " + (box.Path() / "src/fifo").string() + " kann nicht geöffnet werden. Keine reguläre Datei.");
    EXPECT_EQ(FilesIn(box.Path() / "target").size(), results.size() - 1);
#endif
}

TEST(PerEntryReport, CountsAndNamesEachOutcomeInGerman)
{
    const auto result = [](TCreateStatus status, const char* source)
    {
        TCreateResult r;
        r.Status = status;
        r.Source = std::filesystem::path("/in") / source;
        return r;
    };
    using S = TCreateStatus;

    const struct
    {
        std::vector<TCreateResult> Results;
        std::vector<std::string> NotProcessed;
        std::string Expected;
    } rows[] = {
        {{result(S::Skipped, "null.bin"), result(S::Failed, "a.avi")},
         {"Extras", "leer"},
         "Kein Torrent geschrieben.\n1 Eintrag übersprungen, da ohne Inhalt (0 Bytes): null.bin\n"
         "1 Eintrag mit Fehler abgebrochen: a.avi\n2 Einträge nicht verarbeitet: Extras, leer"},
        {{result(S::Written, "a"), result(S::Skipped, "e"), result(S::Skipped, "f"), result(S::Written, "b")},
         {},
         "2 Torrents geschrieben.\n2 Einträge übersprungen, da ohne Inhalt (0 Bytes): e, f"},
        {{result(S::Written, "a"), result(S::Failed, "b")},
         {"c"},
         "1 Torrent geschrieben.\n1 Eintrag mit Fehler abgebrochen: b\n1 Eintrag nicht verarbeitet: c"},
        {{result(S::Written, "a"), result(S::Written, "b")}, {}, ""},
        {{result(S::Skipped, "e"), result(S::Aborted, "b")}, {"c"}, ""},
        {{}, {}, ""},
    };

    for (const auto& row : rows)
        EXPECT_EQ(PerEntryReport(row.Results, row.NotProcessed), row.Expected);
}

TEST(EmptyContentMessage, SaysBeforeTheOutputIsChosenWhatTheCreateWouldSkip)
{
    TSandbox box;
    box.Write("d/zero", "");
    box.Write("d/Thumbs.db", "t");
    box.Write("d/full", "x");
    std::filesystem::create_directories(box.Path() / "empty");
    box.Write("zeros/a", "");
    box.Write("zeros/sub/b", "");
    const auto p = [&](const char* relative)
    {
        return (box.Path() / relative).make_preferred();
    };
    TCreateOptions skipThumbs = Options();
    skipThumbs.SkipThumbs = true;

    const struct
    {
        std::filesystem::path Source;
        std::vector<std::string> Selected;
        TCreateOptions Options;
        std::string Expected;
    } rows[] = {
        {p("d/zero"), {}, Options(), "Keine Daten in " + p("d/zero").string() + ": der Inhalt ist 0 Bytes groß."},
        {p("d"), {"zero"}, Options(), "Keine Daten in " + p("d/zero").string() + ": der Inhalt ist 0 Bytes groß."},
        {p("d"),
         {"Thumbs.db", "zero"},
         skipThumbs,
         "Keine Daten in " + p("d").string() + ": der Inhalt ist 0 Bytes groß."},
        {p("d"), {"Thumbs.db", "zero"}, Options(), ""},
        {p("empty"), {}, Options(), "Keine Dateien in " + p("empty").string() + "."},
        {p("zeros"), {}, Options(), "Keine Daten in " + p("zeros").string() + ": der Inhalt ist 0 Bytes groß."},
        {p("d"), {}, Options(), ""},
        {p("d/full"), {}, Options(), ""},
        {p("missing"), {}, Options(), ""},
    };

    for (const auto& row : rows)
    {
        EXPECT_EQ(EmptyContentMessage(row.Source, row.Selected, row.Options), row.Expected) << row.Source;
        // The create call gives the same message for the same content.
        if (!row.Expected.empty())
        {
            const auto output = box.Path() / "out.torrent";
            const TCreateResult created = row.Selected.empty()
                                              ? (std::filesystem::is_directory(row.Source)
                                                     ? CreateFolderTorrent(row.Source, output, row.Options)
                                                     : CreateSingleFileTorrent(row.Source, output, row.Options))
                                              : CreateSelectionTorrent(row.Source, row.Selected, output, row.Options);
            EXPECT_EQ(created.Status, TCreateStatus::Skipped);
            EXPECT_EQ(created.Message, row.Expected);
        }
    }
}

} // namespace
} // namespace brisolt
