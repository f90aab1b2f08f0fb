#include <gtest/gtest.h>

#include "config/settingsfile.h"
#include "platform/textconv.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

// The settings file's text as written: lines end with CR LF on Windows.
std::string Lines(std::string text)
{
#ifdef _WIN32
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
        text.insert(at, 1, '\r');
#endif
    return text;
}

std::string WriteError(const std::filesystem::path& path)
{
    return "In " + path.string() + " kann nicht geschrieben werden";
}

TEST(SettingsFile, MissingFileSectionOrKeyGivesTheDefault)
{
    test::TSandbox box;
    const auto missing = box.Path() / "brisolt.ini";
    EXPECT_EQ(ReadProfileString(missing, "memory", "tracker", "def"), "def");
    EXPECT_EQ(ReadProfileInteger(missing, "window", "width", 460), 460);
    const auto path = box.Write("brisolt.ini", "[settings]\nautosave=0\n");
    const TPrivateProfile profile(path);
    EXPECT_EQ(profile.ReadString("memory", "folder", "x"), "x");
    EXPECT_EQ(profile.ReadInteger("settings", "startup", 7), 7);
    EXPECT_TRUE(profile.ReadBool("settings", "skipthumbs", true));
    EXPECT_FALSE(profile.ReadBool("settings", "autosave", true));
    EXPECT_FALSE(profile.SectionExists("private0"));
    EXPECT_FALSE(std::filesystem::exists(missing.parent_path() / "nothing")) << "reads create nothing";
}

TEST(SettingsFile, SectionAndKeyNamesIgnoreLetterCase)
{
    test::TSandbox box;
    const auto path = box.Write("brisolt.ini", "[Settings]\nRememberFolder=0\n[PRIVATE0]\nName=Tracker A\n");
    const TPrivateProfile profile(path);
    EXPECT_EQ(profile.ReadInteger("settings", "rememberfolder", 1), 0);
    EXPECT_EQ(profile.ReadString("private0", "NAME", ""), "Tracker A");
    EXPECT_TRUE(profile.SectionExists("Private0"));
}

TEST(SettingsFile, IntegersAreDecimalOrHexadecimal)
{
    const std::pair<const char*, std::optional<int32_t>> cases[] = {
        {"12", 12},
        {"-3", -3},
        {"+5", 5},
        {"0x1F", 31},
        {"0X10", 16},
        {"-0x10", -16},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"0x7FFFFFFF", 2147483647},
        {"2147483648", std::nullopt},
        {"0x80000000", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"12abc", std::nullopt},
        {"0x", std::nullopt},
        {"0xG1", std::nullopt},
        {"--1", std::nullopt},
        {"-", std::nullopt},
        {"0x-1", std::nullopt},
        {"1.5", std::nullopt},
        {"1 2", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseProfileInteger(text), expected) << '"' << text << '"';
}

TEST(SettingsFile, TextThatIsNoIntegerGivesTheDefault)
{
    test::TSandbox box;
    const auto path = box.Write("brisolt.ini", "[s]\nhex=0x2A\nword=yes\nempty=\nblank=  8  \nbig=4294967296\n");
    const TPrivateProfile profile(path);
    EXPECT_EQ(profile.ReadInteger("s", "hex", 0), 42);
    EXPECT_EQ(profile.ReadInteger("s", "word", -1), -1);
    EXPECT_TRUE(profile.ReadBool("s", "word", true));
    EXPECT_FALSE(profile.ReadBool("s", "word", false));
    EXPECT_EQ(profile.ReadInteger("s", "empty", 3), 3);
    EXPECT_EQ(profile.ReadInteger("s", "blank", 0), 8) << "blanks around a value are not part of it";
    EXPECT_EQ(profile.ReadInteger("s", "big", 5), 5);
}

TEST(SettingsFile, AnyIntegerButZeroIsTrue)
{
    test::TSandbox box;
    const auto path = box.Write("brisolt.ini", "[s]\na=2\nb=0\nc=0x0\nd=-1\n");
    const TPrivateProfile profile(path);
    EXPECT_TRUE(profile.ReadBool("s", "a", false));
    EXPECT_FALSE(profile.ReadBool("s", "b", true));
    EXPECT_FALSE(profile.ReadBool("s", "c", true));
    EXPECT_TRUE(profile.ReadBool("s", "d", false));
}

TEST(SettingsFile, StringsAreReadUpTo2047Bytes)
{
    test::TSandbox box;
    const std::string exact(2047, 'e');
    const std::string longer(3000, 'l');
    std::string umlauts;
    for (int i = 0; i < 1500; ++i)
        umlauts += "\xC3\xA4"; // ä: a cut must not split it
    const auto path =
        box.Write("brisolt.ini", "[s]\nexact=" + exact + "\nlonger=" + longer + "\nutf8=" + umlauts + "\n");
    const TPrivateProfile profile(path);
    EXPECT_EQ(profile.ReadString("s", "exact", ""), exact);
    EXPECT_EQ(profile.ReadString("s", "longer", ""), std::string(2047, 'l'));
    const std::string cut = profile.ReadString("s", "utf8", "");
    EXPECT_EQ(cut.size(), 2046u);
    EXPECT_TRUE(IsValidUtf8(cut));
    EXPECT_EQ(profile.ReadString("s", "missing", longer).size(), 2047u) << "the default obeys the same bound";
}

TEST(SettingsFile, WindowsLineEndsRead)
{
    test::TSandbox box;
    const auto path = box.Write("brisolt.ini", "\xEF\xBB\xBF[memory]\r\nfolder=/data/x\r\ntracker=\r\n");
    const TPrivateProfile profile(path);
    EXPECT_EQ(profile.ReadString("memory", "folder", ""), "/data/x");
    EXPECT_EQ(profile.ReadString("memory", "tracker", "def"), "");
}

TEST(SettingsFile, FirstWriteCreatesFolderAndFile)
{
    test::TSandbox box;
    const auto path = box.Path() / "config" / "brisolt" / "brisolt.ini";
    TPrivateProfile profile(path);
    profile.WriteInteger("window", "width", 608);
    EXPECT_EQ(test::ReadFile(path), Lines("[window]\nwidth=608\n"));
}

TEST(SettingsFile, EveryWriteReachesTheFileAtOnce)
{
    test::TSandbox box;
    const auto path = box.Path() / "brisolt.ini";
    TPrivateProfile profile(path);
    profile.WriteBool("settings", "autosave", false);
    EXPECT_EQ(ReadProfileInteger(path, "settings", "autosave", 1), 0);
    profile.WriteBool("settings", "noupdate", true);
    profile.WriteString("memory", "tracker", "Tracker A");
    EXPECT_EQ(ReadProfileInteger(path, "settings", "noupdate", 0), 1);
    EXPECT_EQ(ReadProfileString(path, "memory", "tracker", ""), "Tracker A");
    EXPECT_EQ(profile.ReadString("memory", "tracker", ""), "Tracker A") << "the writer reads its own writes";
}

TEST(SettingsFile, WriteKeepsEverythingElse)
{
    test::TSandbox box;
    const auto path = box.Write(
        "brisolt.ini", "; written by hand\n[Settings]\nAutoSave=1\nNoUpdate=0\n\n; my trackers\n[private0]\nname=A\n");
    WriteProfileString(path, "settings", "autosave", "0");
    WriteProfileString(path, "memory", "folder", "/home/u");
    const std::string text = test::ReadFile(path);
    EXPECT_NE(text.find("; written by hand"), std::string::npos) << text;
    EXPECT_NE(text.find("; my trackers"), std::string::npos) << text;
    EXPECT_NE(text.find("AutoSave=0"), std::string::npos) << "the key keeps its spelling: " << text;
    EXPECT_NE(text.find("NoUpdate=0"), std::string::npos) << text;
    EXPECT_EQ(ReadProfileString(path, "private0", "name", ""), "A");
    EXPECT_EQ(ReadProfileString(path, "memory", "folder", ""), "/home/u");
}

TEST(SettingsFile, WritesOfTwoReadersBothStay)
{
    test::TSandbox box;
    const auto path = box.Path() / "brisolt.ini";
    TPrivateProfile first(path);
    TPrivateProfile second(path);
    first.WriteString("memory", "folder", "/a");
    second.WriteString("memory", "tracker", "T");
    EXPECT_EQ(ReadProfileString(path, "memory", "folder", ""), "/a");
    EXPECT_EQ(ReadProfileString(path, "memory", "tracker", ""), "T");
}

TEST(SettingsFile, LineBreaksInAValueBecomeBlanks)
{
    test::TSandbox box;
    const auto path = box.Path() / "brisolt.ini";
    WriteProfileString(path, "private0", "name", "two\nlines\r\n[injected]");
    WriteProfileString(path, "private0", "announce", "http://a/");
    EXPECT_EQ(ReadProfileString(path, "private0", "name", ""), "two lines  [injected]");
    EXPECT_EQ(ReadProfileString(path, "private0", "announce", ""), "http://a/");
    EXPECT_FALSE(TPrivateProfile(path).SectionExists("injected"));
}

TEST(SettingsFile, ReadOnlyFileIsReportedAndKept)
{
    test::TSandbox box;
    const auto path = box.Write("brisolt.ini", "[settings]\nautosave=1\n");
    std::filesystem::permissions(path, std::filesystem::perms(0444));
    TPrivateProfile profile(path);
    try
    {
        profile.WriteBool("settings", "autosave", false);
        FAIL() << "the write went through";
    }
    catch (const EProfileWriteError& error)
    {
        EXPECT_EQ(std::string(error.what()), WriteError(path));
        EXPECT_EQ(error.Path(), path);
    }
    EXPECT_EQ(test::ReadFile(path), "[settings]\nautosave=1\n");
    EXPECT_TRUE(profile.ReadBool("settings", "autosave", false)) << "a failed write changes nothing";
}

TEST(SettingsFile, UnwritableFolderIsReported)
{
    test::TSandbox box;
    const auto notAFolder = box.Write("plain.txt", "x");
    const auto path = notAFolder / "brisolt.ini";
    EXPECT_EQ(ReadProfileInteger(path, "window", "height", 427), 427);
    try
    {
        WriteProfileString(path, "window", "height", "500");
        FAIL() << "the write went through";
    }
    catch (const EProfileWriteError& error)
    {
        EXPECT_EQ(std::string(error.what()), WriteError(path));
        EXPECT_FALSE(error.Reason().empty());
    }
    EXPECT_EQ(test::ReadFile(notAFolder), "x");
}

TEST(SettingsFile, FolderInPlaceOfTheFile)
{
    test::TSandbox box;
    const auto path = box.Path() / "brisolt.ini";
    std::filesystem::create_directory(path);
    EXPECT_EQ(ReadProfileString(path, "memory", "folder", "d"), "d");
    EXPECT_THROW(WriteProfileString(path, "memory", "folder", "/x"), EProfileWriteError);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST(SettingsFile, GarbageReadsAsDefaults)
{
    test::TSandbox box;
    for (uint32_t seed = 1; seed <= 20; ++seed)
    {
        const auto path = box.Write("brisolt.ini", test::RandomBytes(4096, seed) + "\n[settings]\n=\n[\n]]=[\n");
        const TPrivateProfile profile(path);
        EXPECT_EQ(profile.ReadInteger("window", "width", 460), 460);
        EXPECT_EQ(profile.ReadString("memory", "tracker", "t"), "t");
        EXPECT_NO_THROW(WriteProfileString(path, "window", "width", "700"));
        EXPECT_EQ(ReadProfileInteger(path, "window", "width", 0), 700) << "seed " << seed;
    }
}

TEST(SettingsFile, OversizedFileIsNeitherReadNorReplaced)
{
    test::TSandbox box;
    const std::string huge = "[window]\nwidth=900\n" + std::string(kMaxProfileFileSize, ';');
    const auto path = box.Write("brisolt.ini", huge);
    EXPECT_EQ(ReadProfileInteger(path, "window", "width", 460), 460);
    EXPECT_THROW(WriteProfileString(path, "window", "width", "700"), EProfileWriteError);
    EXPECT_EQ(std::filesystem::file_size(path), huge.size());
}

TEST(SettingsFile, WritesGoThroughASymbolicLink)
{
    BRISOLT_LINUX_ONLY("symlinks");
    test::TSandbox box;
    const auto target = box.Write("dotfiles/brisolt.ini", "[settings]\nautosave=1\n");
    const auto link = box.Path() / "brisolt.ini";
    std::filesystem::create_symlink(target, link);
    WriteProfileString(link, "settings", "autosave", "0");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadProfileInteger(target, "settings", "autosave", 1), 0);
}

TEST(SettingsFile, IntegersAndBooleansAreWrittenAsDecimalText)
{
    test::TSandbox box;
    const auto path = box.Path() / "brisolt.ini";
    TPrivateProfile profile(path);
    profile.WriteInteger("window", "left", -8);
    profile.WriteBool("settings", "noupdate", true);
    profile.WriteBool("settings", "autosave", false);
    EXPECT_EQ(test::ReadFile(path), Lines("[window]\nleft=-8\n\n\n[settings]\nnoupdate=1\nautosave=0\n"));
}

} // namespace
} // namespace brisolt
