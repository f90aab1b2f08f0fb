#include <algorithm>
#include <cerrno>
#include <csignal>
#include <optional>

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/fileio.h"
#include "platform/folders.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

// Why a write failed, "" when it did not.
std::string WriteReason(const std::filesystem::path& path, std::string_view data)
{
    return WriteFileAtomic(path, data).Reason();
}

std::string ReadReason(const std::filesystem::path& path, uint64_t maxSize)
{
    return ReadWholeFile(path, maxSize).Error().Reason();
}

TEST(FileIo, ReadWholeFileWithinTheBound)
{
    test::TSandbox box;
    const auto path = box.Write("a.bin", std::string("x\0y", 3));
    EXPECT_EQ(ReadWholeFile(path, 3).Value(), std::string("x\0y", 3));
    const TError tooLarge = ReadWholeFile(path, 2).Error();
    EXPECT_EQ(tooLarge.Code(), EFBIG);
    EXPECT_EQ(tooLarge.Message(), FileMessage(path.string(), "gelesen", SystemErrorText(EFBIG)));
}

TEST(FileIo, ReadWholeFileFailuresSayWhy)
{
    test::TSandbox box;
    EXPECT_EQ(ReadReason(box.Path() / "missing", 100), "No such file or directory");
    EXPECT_EQ(ReadReason(box.Path(), 100), "Is a directory");
}

TEST(FileIo, AtomicWriteReplacesAndLeavesNoTemporary)
{
    test::TSandbox box;
    const auto path = box.Write("out.torrent", "old");
    std::filesystem::permissions(path, std::filesystem::perms(0640));
    ASSERT_EQ(WriteReason(path, "new content"), "");
    EXPECT_EQ(test::ReadFile(path), "new content");
#ifndef _WIN32
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
#endif
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(box.Path()), {}), 1);
}

TEST(FileIo, AtomicWriteFailureKeepsTheOldFile)
{
    BRISOLT_LINUX_ONLY("a folder's write permission");
    if (test::RunningAsRoot())
    {
        // root writes into read-only folders; a missing folder fails for everyone.
        test::TSandbox box;
        EXPECT_EQ(WriteReason(box.Path() / "no" / "such" / "x", "data"), "No such file or directory");
        return;
    }
    test::TSandbox box;
    const auto path = box.Write("ro/out.torrent", "old");
    std::filesystem::permissions(box.Path() / "ro", std::filesystem::perms(0555));
    EXPECT_EQ(WriteReason(path, "new"), "Permission denied");
    EXPECT_EQ(test::ReadFile(path), "old");
}

TEST(FileIo, AtomicWriteOverAFolderFailsAndRemovesTheTemporary)
{
    test::TSandbox box;
    std::filesystem::create_directories(box.Path() / "target" / "inside");
    EXPECT_TRUE(WriteFileAtomic(box.Path() / "target", "data").Failed());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(box.Path()), {}), 1);
}

TEST(FileIo, PathInfoSaysWhatAPathNames)
{
    BRISOLT_LINUX_ONLY("FIFOs and symlinks");
    test::TSandbox box;
    box.Write("f.txt", "12345");
    std::filesystem::create_directory(box.Path() / "d");
    test::MakeFifo(box.Path() / "p");
    std::filesystem::create_symlink("f.txt", box.Path() / "l");
    std::filesystem::create_directory_symlink("d", box.Path() / "ld");
    std::filesystem::create_symlink("loop", box.Path() / "loop");

    const struct
    {
        const char* Name;
        TPathKind Kind;
        int64_t Size;
        bool NotFound;
    } cases[] = {
        {"f.txt", TPathKind::RegularFile, 5, false},
        {"l", TPathKind::RegularFile, 5, false},
        {"d", TPathKind::Folder, -1, false},
        {"ld", TPathKind::Folder, -1, false},
        {"p", TPathKind::Other, 0, false},
        {"none", TPathKind::Missing, 0, true},
        {"f.txt/x", TPathKind::Missing, 0, true},
        {"loop", TPathKind::Missing, 0, false}, // there, but cannot be looked at
    };

    for (const auto& c : cases)
    {
        const TPathInfo info = PathInfo(box.Path() / c.Name);
        EXPECT_EQ(info.Kind, c.Kind) << c.Name;
        EXPECT_EQ(IsNotFound(info), c.NotFound) << c.Name;
        if (c.Size >= 0)
        {
            EXPECT_EQ(info.Size, c.Size) << c.Name;
        }
    }
    EXPECT_EQ(PathInfo(box.Path() / "none").Error, ENOENT);
    EXPECT_EQ(PathInfo(box.Path() / "l").Inode, PathInfo(box.Path() / "f.txt").Inode);
    std::vector<std::string> names;
    EXPECT_EQ(ListFolder(box.Path(), names), 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"d", "f.txt", "l", "ld", "loop", "p"}));
    EXPECT_EQ(ListFolder(box.Path() / "none", names), ENOENT);
    EXPECT_EQ(ListSubFolders(box.Path(), names), 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"d", "ld"}));
    EXPECT_EQ(ListSubFolders(box.Path() / "none", names), ENOENT);
    EXPECT_EQ(ListSubFolders(box.Path() / "f.txt", names), ENOTDIR);

    EXPECT_EQ(CreateFolders(box.Path() / "ld" / "a" / "b"), 0);
    EXPECT_EQ(PathInfo(box.Path() / "d" / "a" / "b").Kind, TPathKind::Folder);
    EXPECT_EQ(CreateFolders(box.Path() / "d" / "a"), 0);
    EXPECT_EQ(CreateFolders(box.Path() / "f.txt" / "a"), ENOTDIR);
    EXPECT_NE(MountTable().find(" / "), std::string::npos);
}

TEST(FileIo, ReadWholeFileRefusesAFifoWithoutWaiting)
{
    BRISOLT_LINUX_ONLY("FIFOs");
    test::TSandbox box;
    const auto fifo = test::MakeFifo(box.Path() / "p");
    std::string reason;
    EXPECT_TRUE(test::ReturnsWithoutWaiting(fifo, [&] { reason = ReadReason(fifo, 100); }));
    EXPECT_EQ(reason, "Keine reguläre Datei.");
}

TEST(FileIo, FileMessagesNameThePathAndTheReason)
{
    EXPECT_EQ(FileMessage("/a b", "geöffnet", "Why"), "Datei /a b kann nicht geöffnet werden. Why");
    EXPECT_EQ(FolderMessage("/a", "Why"), "Ordner /a kann nicht gelesen werden. Why");
}

// A link is written through to its final target, whose mode and owner stay; a
// target without write permission is refused and left as it was.
TEST(FileIo, AtomicWriteThroughLinksKeepsTheTargetsMode)
{
    BRISOLT_LINUX_ONLY("symlinks, permission bits and owners");
#ifndef _WIN32
    test::TSandbox box;

    const struct
    {
        const char* Write;  // what is written to
        const char* Target; // the file that holds the content
        mode_t Mode;
        bool Ok;
    } cases[] = {
        {"l1", "real/t1", 0640, true},
        {"l2", "real/t2", 0444, false},
        {"t3", "t3", 0400, false},
        {"t4", "t4", 0604, true},
    };

    for (const auto& c : cases)
    {
        const auto target = box.Write(c.Target, "old");
        ::chmod(target.c_str(), c.Mode);
        if (::geteuid() == 0)
        {
            EXPECT_EQ(::chown(target.c_str(), 1234, 1234), 0);
        }
        const auto path = box.Path() / c.Write;
        if (path != target)
            std::filesystem::create_symlink(std::filesystem::relative(target, box.Path()), path);
        EXPECT_EQ(WriteReason(path, "new"), c.Ok ? "" : "Permission denied") << c.Write;
        EXPECT_EQ(test::ReadFile(target), c.Ok ? "new" : "old") << c.Write;
        EXPECT_EQ(std::filesystem::is_symlink(path), path != target) << c.Write;

        struct stat st
        {
        };

        ::stat(target.c_str(), &st);
        EXPECT_EQ(st.st_mode & 0777, c.Mode) << c.Write;
        if (::geteuid() == 0)
        {
            EXPECT_EQ(st.st_uid, 1234u) << c.Write;
        }
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(box.Path() / "real"), {}), 2);
#endif
}

TEST(FileIo, ResolvedPathAppliesDotDotAfterLinks)
{
    BRISOLT_LINUX_ONLY("symlinks");
    test::TSandbox box;
    std::filesystem::create_directories(box.Path() / "other/x");
    std::filesystem::create_symlink("other/x", box.Path() / "l");
    const auto root = std::filesystem::canonical(box.Path());
    const std::pair<const char*, std::filesystem::path> cases[] = {
        {"l/../f", root / "other/f"},
        {"l/./", root / "l"},
        {"other/x/../../l", root / "l"},
        {"none/../f", root / "none/../f"},
    };
    for (const auto& [text, resolved] : cases)
        EXPECT_EQ(ResolvedPath(root / text), resolved) << text;
}

// A file cut short while mapped: the view's lost pages read as zeros instead
// of ending the process, and the view tells. Any other bus error still ends it.
TEST(FileIo, MappedFileCutShortReadsZerosAndSaysSo)
{
    BRISOLT_LINUX_ONLY("file mappings (the Windows side reads instead)");
#ifndef _WIN32
    test::TSandbox box;
    const std::string bytes = test::RandomBytes(5 * 4096 + 100, 3);
    const auto path = box.Write("a.bin", bytes);
    TFileHandle file;
    ASSERT_EQ(file.OpenForReading(path), 0);
    TFileMapping view;
    ASSERT_EQ(file.Map(4106, 4 * 4096 - 6, view), 0);
    ASSERT_EQ(view.Size(), 4 * 4096 - 6);
    EXPECT_TRUE(std::string(view.Data(), 4 * 4096 - 6) == bytes.substr(4106, 4 * 4096 - 6));
    EXPECT_TRUE(view.Intact());

    std::filesystem::resize_file(path, 2 * 4096 + 7);
    const std::string seen(view.Data(), 4 * 4096 - 6);
    EXPECT_FALSE(view.Intact());
    EXPECT_TRUE(seen == bytes.substr(4106, 4096 - 3) + std::string(seen.size() - (4096 - 3), '\0'));
    EXPECT_EQ(file.Map(0, 0, view), EINVAL);
    EXPECT_DEATH(std::raise(SIGBUS), "");
#endif
}

// Names reach the system unchanged: on Windows as UTF-16, characters outside
// the BMP included; a write over an existing name replaces it; bytes that a
// text-mode file would change (CR, LF, 0x1A) are written and read as they are.
TEST(FileIo, NamesRoundTripThroughTheSystem)
{
    test::TSandbox box;
    const std::string kBinary("\n\r\n\x1A\0\r", 6);
    const std::vector<std::string> names = {
        "Gr\xC3\xBC\xC3\x9F"
        "e.txt",
        "\xE6\x97\xA5\xE6\x9C\xAC",
        "\xF0\x9F\x8E\xB5 \xE2\x9C\x93.bin"};
    for (const auto& name : names)
    {
        EXPECT_EQ(PathBytes(NativePath(name)), name);
        ASSERT_EQ(WriteReason(box.Path() / NativePath(name), "old"), "");
        ASSERT_EQ(WriteReason(box.Path() / NativePath(name), name + kBinary), "");
    }
    std::vector<std::string> listed;
    ASSERT_EQ(ListFolder(box.Path(), listed), 0);
    std::sort(listed.begin(), listed.end());
    auto sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(listed, sorted); // no temporary left behind either
    for (const auto& name : names)
    {
        EXPECT_EQ(ReadWholeFile(box.Path() / NativePath(name), 100).Value(), name + kBinary) << name;
        TFileHandle file;
        ASSERT_EQ(file.OpenForReading(box.Path() / NativePath(name)), 0);
        char tail[6] = {};
        int err = 0;
        EXPECT_EQ(file.ReadAt(tail, 6, static_cast<int64_t>(name.size()), err), 6);
        EXPECT_EQ(std::string(tail, 6), kBinary);
    }
#ifdef _WIN32
    // Bytes that are not UTF-8 name what they mean in Windows-1252.
    EXPECT_EQ(PathBytes(NativePath("caf\xE9")), "caf\xC3\xA9");
#else
    EXPECT_EQ(PathBytes(NativePath("caf\xE9")), "caf\xE9");
#endif
}

// Loops are found by what identifies a folder, whichever path leads to it.
TEST(FileIo, FoldersAreToldApartByTheirIdentity)
{
    test::TSandbox box;
    std::filesystem::create_directories(box.Path() / "a/sub");
    std::filesystem::create_directories(box.Path() / "b");
    const auto id = [](const TPathInfo& info)
    {
        return std::pair(info.Device, info.Inode);
    };
    const TPathInfo a = PathInfo(box.Path() / "a");
    EXPECT_EQ(id(PathInfo(box.Path() / "a/sub/..")), id(a));
    EXPECT_NE(id(PathInfo(box.Path() / "b")), id(a));
    EXPECT_NE(id(PathInfo(box.Path() / "a/sub")), id(a));
    TFileHandle folder;
    ASSERT_EQ(folder.OpenFolder(box.Path() / "a"), 0);
    EXPECT_EQ(id(folder.Info()), id(a));
    EXPECT_EQ(id(folder.InfoAt("sub")), id(PathInfo(box.Path() / "a/sub")));
}

// Only a regular file, or a link to one, is ever replaced: a write "over" a
// device, FIFO or socket would destroy it or take its place.
TEST(FileIo, AtomicWriteReplacesOnlyRegularFiles)
{
    BRISOLT_LINUX_ONLY("device nodes, FIFOs and sockets");
#ifndef _WIN32
    test::TSandbox box;

    const struct
    {
        const char* Name;
        std::optional<test::TNodeKind> Kind; // none: a folder
        const char* Reason;
    } cases[] = {
        {"fifo", test::TNodeKind::Fifo, "Keine reguläre Datei."},
        {"socket", test::TNodeKind::Socket, "Keine reguläre Datei."},
        {"chr", test::TNodeKind::CharDevice, "Keine reguläre Datei."},
        {"blk", test::TNodeKind::BlockDevice, "Keine reguläre Datei."},
        {"dir", std::nullopt, "Is a directory"},
    };

    for (const auto& c : cases)
    {
        const auto node = box.Path() / c.Name;
        if (c.Kind ? !test::MakeNode(node, *c.Kind) : !std::filesystem::create_directory(node))
            continue; // devices need root
        const auto link = box.Path() / (std::string(c.Name) + ".link");
        std::filesystem::create_symlink(c.Name, link);

        struct stat before
        {
        };

        ::lstat(node.c_str(), &before);
        for (const auto& path : {node, link})
        {
            EXPECT_EQ(WriteReason(path, "torrent"), c.Reason) << path;
            EXPECT_EQ(CanReplaceFile(path) != 0, true) << path;
        }

        struct stat after
        {
        };

        ::lstat(node.c_str(), &after);
        EXPECT_EQ(after.st_mode, before.st_mode) << c.Name;
        EXPECT_EQ(after.st_rdev, before.st_rdev) << c.Name;
        EXPECT_TRUE(std::filesystem::is_symlink(link)) << c.Name;
    }
    std::vector<std::string> names;
    ASSERT_EQ(ListFolder(box.Path(), names), 0);
    EXPECT_EQ(names.size() % 2, 0u) << "a temporary file was left behind";
#endif
}

// The temporary file's name stays within the file system's limit, so a name
// of up to that limit is written; a longer one is refused before anything is
// written.
TEST(FileIo, AtomicWriteTakesNamesUpToTheLimit)
{
    test::TSandbox box;
    std::string umlauts;
    for (int i = 0; i < 127; ++i)
        umlauts += "\xC3\xA4";

    const struct
    {
        std::string Name;
        const char* Reason;
    } cases[] = {
        {std::string(255, 'a'), ""},
        {std::string(240, 'b'), ""},
        {umlauts + "x", ""},
        {std::string(256, 'c'), "File name too long"},
    };

    for (const auto& c : cases)
    {
        const auto path = box.Path() / NativePath(c.Name);
        for (const char* data : {"old", "new"})
        {
            EXPECT_EQ(WriteReason(path, data), c.Reason) << c.Name.size();
        }
        if (*c.Reason == '\0')
        {
            EXPECT_EQ(test::ReadFile(path), "new");
        }
    }
    std::vector<std::string> names;
    ASSERT_EQ(ListFolder(box.Path(), names), 0);
    EXPECT_EQ(names.size(), 3u);
    EXPECT_EQ(TemporaryName("a.torrent", 7, 255), ".a.torrent.7.tmp");
    EXPECT_EQ(TemporaryName(umlauts, 4294967295u, 255), "." + umlauts.substr(0, 238) + ".4294967295.tmp");
}

TEST(FileIo, NativeRelativePathFromBackslashes)
{
    EXPECT_EQ(NativeRelativePath("a\\b\\", "c.txt"), std::filesystem::path("a/b/c.txt"));
    EXPECT_EQ(NativeRelativePath("a\\b", "c.txt"), std::filesystem::path("a/b/c.txt"));
    EXPECT_EQ(NativeRelativePath("", "c.txt"), std::filesystem::path("c.txt"));
    EXPECT_EQ(NativeRelativePath("\\a\\", "c"), std::filesystem::path("a/c"));
}

} // namespace
} // namespace brisolt
