// The options beyond the window's: source tag, web seeds and edits that keep
// the info hash, each read back by libtorrent.
#include <fstream>
#include <set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/clirun.h"
#include "create/editsupport.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using namespace test;

// extras.py's lines for a torrent (and a magnet link).
std::string Extras(const std::filesystem::path& torrent, const std::string& magnet = {})
{
    std::string output;
    const std::string args = Quote(torrent) + (magnet.empty() ? "" : " " + Quote(magnet)) + " 2>&1";
    const int code = RunPython(OracleScript("extras.py"), args, output);
    return code == 0 ? output : "exit " + std::to_string(code) + ": " + output;
}

// The line of extras.py's output that starts with prefix, without its line break.
std::string Line(const std::string& extras, const std::string& prefix)
{
    const auto at = extras.find(prefix);
    if (at == std::string::npos)
        return "(no " + prefix + ")";
    return extras.substr(at, extras.find('\n', at) - at);
}

// The "key NAME SHA1" lines, the named keys left out.
std::string KeysExcept(const std::string& extras, const std::vector<std::string>& names)
{
    std::string kept;
    std::size_t at = 0;
    while ((at = extras.find("key ", at)) != std::string::npos)
    {
        const std::string line = extras.substr(at, extras.find('\n', at) + 1 - at);
        at += line.size();
        bool named = false;
        for (const auto& name : names)
            named = named || line.rfind("key " + name + " ", 0) == 0;
        if (!named)
            kept += line;
    }
    return kept;
}

// The outer keys of extras.py's lines, in file order.
std::vector<std::string> KeyNames(const std::string& extras)
{
    std::vector<std::string> names;
    for (std::size_t at = 0; (at = extras.find("\nkey ", at)) != std::string::npos; ++at)
        names.push_back(extras.substr(at + 5, extras.rfind(' ', extras.find('\n', at + 1)) - at - 5));
    return names;
}

class CliExtras : public ::testing::Test
{
protected:
    TSandbox Box;
    std::filesystem::path Content = Box.Write("Content/a.bin", RandomBytes(100000, 3));
    std::filesystem::path Made = Box.Path() / "made.torrent";
};

TEST_F(CliExtras, CreateWritesSourceAndWebSeeds)
{
    if (!OracleRuns())
        return;
    Box.Write("Content/b.nfo", "nfo");

    const struct
    {
        std::vector<std::string> Options;
        std::string Source;
        std::string WebSeeds;
        std::string Tail; // the file's last bytes
    } cases[] = {
        {{}, "source -", "webseeds", "7:privatei1eee"},
        {{"--source", "TRK"}, "source TRK", "webseeds", "7:privatei1e6:source3:TRKee"},
        {{"-w", "http://w1/", "-w", "http://w2/x/"},
         "source -",
         "webseeds http://w1/ http://w2/x/",
         "7:privatei1ee8:url-listl10:http://w1/12:http://w2/x/ee"},
        {{"-s", "X", "-w", "http://w/"}, "source X", "webseeds http://w/", "6:source1:Xe8:url-listl9:http://w/ee"},
    };

    for (const auto& c : cases)
    {
        std::vector<std::string> args{"create", (Box.Path() / "Content").string(), "-a", "http://t/a", "-o"};
        args.push_back(Made.string());
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const auto run = RunCliArgs(args);
        ASSERT_EQ(run.Code, 0) << run.Err;
        const std::string bytes = ReadFile(Made);
        EXPECT_TRUE(bytes.ends_with(c.Tail)) << bytes.substr(bytes.size() - 60);
        const std::string extras = Extras(Made);
        EXPECT_EQ(Line(extras, "source"), c.Source) << extras;
        EXPECT_EQ(Line(extras, "webseeds"), c.WebSeeds);
    }
}

TEST_F(CliExtras, EditWritesSourceAndWebSeeds)
{
    if (!OracleRuns())
        return;
    const auto torrent = Box.Write("t.torrent", Metainfo(SingleInfo("one.bin", 9)));
    const auto run =
        RunCliArgs({"edit", torrent.string(), "--source", "SRC", "--web-seed", "http://a/", "--web-seed", "ftp://b/"});
    ASSERT_EQ(run.Code, 0) << run.Err;
    const std::string extras = Extras(torrent);
    EXPECT_EQ(Line(extras, "source"), "source SRC");
    EXPECT_EQ(Line(extras, "webseeds"), "webseeds http://a/ ftp://b/");
    // The printed hash is the one of the new info dictionary.
    EXPECT_EQ(run.Out, torrent.string() + ": " + Line(extras, "hash").substr(5) + "\n");
}

// A torrent made by another program keeps its info hash and every key the
// edit does not touch; the touched ones are read back as written.
TEST_F(CliExtras, KeepInfoHashChangesOnlyOuterKeys)
{
    if (!OracleRuns())
        return;
    for (const std::string tool : {"transmission", "mktorrent"})
    {
        SCOPED_TRACE(tool);
        const auto made = Box.Path() / (tool + ".torrent");
        std::string ignored;
        ASSERT_EQ(
            RunPython(
                OracleScript("extras.py"),
                "--make " + tool + " " + Quote(Box.Path() / "Content") + " " + Quote(made),
                ignored),
            0);
        const std::string before = Extras(made);
        const auto edited = Box.Path() / "edited.torrent";
        const auto run = RunCliArgs(
            {"edit",
             made.string(),
             "-o",
             edited.string(),
             "--keep-info-hash",
             "--backup",
             "http://b/announce",
             "--announce",
             "http://new/announce",
             "--comment",
             "kept",
             "--web-seed",
             "http://seed/"});
        ASSERT_EQ(run.Code, 0) << run.Err;
        const std::string after = Extras(edited);
        EXPECT_EQ(Line(after, "hash"), Line(before, "hash"));
        EXPECT_EQ(run.Out, edited.string() + ": " + Line(before, "hash").substr(5) + "\n");
        EXPECT_EQ(Line(after, "webseeds"), "webseeds http://seed/");
        const std::vector<std::string> touched{"announce", "announce-list", "comment", "url-list"};
        EXPECT_EQ(KeysExcept(after, touched), KeysExcept(before, touched));
        // New keys take their places in key order.
        std::set<std::string> expected{"announce-list", "comment", "url-list"};
        for (const auto& name : KeyNames(before))
            expected.insert(name);
        EXPECT_EQ(KeyNames(after), std::vector<std::string>(expected.begin(), expected.end()));
        EXPECT_NE(Line(after, "key comment"), Line(before, "key comment"));
        const TTorrentFile t = [&]
        {
            TTorrentFile loaded;
            loaded.Load(ReadFile(edited));
            return loaded;
        }();
        EXPECT_EQ(t.Announce, "http://new/announce");
        EXPECT_EQ(t.Comment, "kept" + std::string(kCommentSuffix));
    }
}

TEST_F(CliExtras, KeepInfoHashWithoutChangesKeepsEveryByte)
{
    // Keys out of order and an unknown one stay where and what they are.
    const std::string original = BDict(
        {{"zz-unknown", BList({BInt(1)})},
         {"announce", BStr("http://t/a")},
         {"encoding", BStr("UTF-8")},
         {"info", SingleInfo("one.bin", 9)}});
    const auto torrent = Box.Write("t.torrent", original);
    ASSERT_EQ(RunCliArgs({"edit", torrent.string(), "--keep-info-hash"}).Code, 0);
    EXPECT_EQ(ReadFile(torrent), original);
    ASSERT_EQ(
        RunCliArgs({"edit", torrent.string(), "--keep-info-hash", "--comment", "c", "-o", Made.string()}).Code, 0);
    const std::string comment = BStr("comment") + BStr("c" + std::string(kCommentSuffix));
    // Out of order, a new key goes before the first key that sorts after it.
    EXPECT_EQ(ReadFile(Made), "d" + comment + original.substr(1));
}

TEST_F(CliExtras, KeepInfoHashRefusals)
{
    const std::string original = Metainfo(MultiInfo("top", {{{"f.bin"}, 5}}));
    const auto torrent = Box.Write("t.torrent", original);

    const struct
    {
        std::vector<std::string> Options;
        int Code;
        std::string Err;
    } cases[] = {
        {{"--name", "x"},
         2,
         "brisolt-cli edit: --name changes the info dictionary and so cannot go with --keep-info-hash\n"},
        {{"--rename", "0=x"},
         2,
         "brisolt-cli edit: --rename changes the info dictionary and so cannot go with --keep-info-hash\n"},
        {{"--source", "S"},
         2,
         "brisolt-cli edit: --source changes the info dictionary and so cannot go with --keep-info-hash\n"},
        {{"--web-seed", "http://w/", "--no-web-seeds"},
         2,
         "brisolt-cli edit: --web-seed and --no-web-seeds exclude each other\n"},
    };

    for (const auto& c : cases)
    {
        std::vector<std::string> args{"edit", torrent.string(), "--keep-info-hash"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const auto run = RunCliArgs(args);
        EXPECT_EQ(run.Code, c.Code);
        EXPECT_TRUE(run.Err.starts_with(c.Err)) << run.Err;
        EXPECT_EQ(ReadFile(torrent), original);
    }
    // The lenient loader reads a dictionary that lacks its end; its bytes cannot be kept.
    const auto open = Box.Write("open.torrent", original.substr(0, original.size() - 1));
    const auto run = RunCliArgs({"edit", open.string(), "--keep-info-hash", "--comment", "c"});
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(
        run.Err, "brisolt-cli: the file is not one well-formed bencoded dictionary, so its info hash cannot be kept\n");
    EXPECT_EQ(ReadFile(open), original.substr(0, original.size() - 1));
}

TEST_F(CliExtras, ExcludeLeavesFilesOutAndCountsThem)
{
    for (const char* name : {"b.nfo", "sub/c.NFO", "sub/d.nfo", "Sample/s.mkv", "Sample/t/u.mkv", ".DS_Store"})
        Box.Write(std::string("Content/") + name, "x");
    const auto run = RunCliArgs(
        {"create",
         (Box.Path() / "Content").string(),
         "-a",
         "http://t/a",
         "-o",
         Made.string(),
         "-x",
         "*.nfo",
         "--exclude",
         "Sample/*",
         "-x",
         ".DS_Store"});
    ASSERT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(run.Out, Made.string() + ": 2 files, 100001 bytes, 1 pieces of 262144 bytes; 5 files left out\n");
    TTorrentFile t;
    t.Load(ReadFile(Made));
    ASSERT_EQ(t.Files.size(), 2u);
    EXPECT_EQ(t.Files[0].Name, "a.bin");
    EXPECT_EQ(t.Files[1].Path + t.Files[1].Name, "sub\\c.NFO"); // patterns are case-sensitive
    EXPECT_ORACLE_EQ(CheckWithLibtorrent(Made, Box.Path()), "ok 1\n");
    // Everything left out: no torrent.
    const auto none =
        RunCliArgs({"create", (Box.Path() / "Content").string(), "-a", "x", "-o", Made.string(), "-x", "*", "-q"});
    EXPECT_EQ(none.Code, 1);
    EXPECT_EQ(
        none.Err,
        "brisolt-cli: Keine Dateien in " + (Box.Path() / "Content").string()
            + ": die Muster lassen alle 7 Dateien aus.\n");
}

// Empty addresses and addresses with control characters are refused before
// anything is hashed or written, by create and by edit alike.
TEST_F(CliExtras, UnusableAddressesAreRefused)
{
    const auto torrent = Box.Write("t.torrent", Metainfo(SingleInfo("one.bin", 9)));
    const std::string before = ReadFile(torrent);
    const std::string empty = "Eine leere Adresse ist weder Tracker noch Webseed.";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-a", ""}, empty},
        {{"-a", "http://t/a", "-b", ""}, empty},
        {{"-a", "http://t/a", "-w", ""}, empty},
        {{"-a", "http://t/a\nx"}, "Die Adresse http://t/a\\x0Ax enthält Steuerzeichen."},
        {{"-a", "http://t/a", "-w", "http://w/\x01\t"}, "Die Adresse http://w/\\x01\\x09 enthält Steuerzeichen."},
    };
    for (const auto& [options, message] : cases)
    {
        std::vector<std::string> create{"create", Content.string(), "-o", Made.string()};
        create.insert(create.end(), options.begin(), options.end());
        // The same values for edit: -a is --announce, -b --backup, -w --web-seed.
        std::vector<std::string> edit{"edit", torrent.string()};
        for (std::size_t i = 0; i + 1 < options.size(); i += 2)
        {
            edit.push_back(options[i] == "-a" ? "--announce" : (options[i] == "-b" ? "--backup" : "--web-seed"));
            edit.push_back(options[i + 1]);
        }
        for (const auto& args : {create, edit})
        {
            const auto run = RunCliArgs(args);
            EXPECT_EQ(run.Code, 1) << args[0] << " " << message;
            EXPECT_EQ(run.Err, "brisolt-cli: " + message + "\n") << args[0];
        }
        EXPECT_FALSE(std::filesystem::exists(Made)) << message;
        EXPECT_EQ(ReadFile(torrent), before) << message;
    }
}

// The magnet link of show, show --json and create --json, as libtorrent parses it.
TEST_F(CliExtras, MagnetLinksAndJson)
{
    if (!OracleRuns())
        return;
    const auto torrent = Box.Write(
        "m.torrent",
        Metainfo(
            SingleInfo("Caf\xC3\xA9 & more+1.bin", 9),
            "http://t/a?x=1&y=2",
            {{"announce-list",
              BList(
                  {BList({BStr("http://t/a?x=1&y=2")}), BList({BStr("udp://b:80")}), BList({BStr("udp://b:80")})})}}));
    const auto show = RunCliArgs({"show", torrent.string()});
    ASSERT_EQ(show.Code, 0) << show.Err;
    const std::string magnet = Line(show.Out, "Magnet:").substr(17);
    EXPECT_EQ(
        magnet,
        "magnet:?xt=urn:btih:" + Line(Extras(torrent), "hash").substr(5)
            + "&dn=Caf%C3%A9%20%26%20more%2B1.bin&tr=http%3A%2F%2Ft%2Fa%3Fx%3D1%26y%3D2&tr=udp%3A%2F%2Fb%3A80");
    const std::string extras = Extras(torrent, magnet);
    EXPECT_EQ(
        Line(extras, "magnet"),
        "magnet " + Line(extras, "hash").substr(5) + " Caf\xC3\xA9 & more+1.bin|http://t/a?x=1&y=2|udp://b:80");
    const auto showJson = RunCliArgs({"show", "--json", torrent.string()});
    EXPECT_EQ(nlohmann::json::parse(showJson.Out)["magnet"], magnet);

    const auto create = RunCliArgs(
        {"create", (Box.Path() / "Content").string(), "-a", "http://t/a", "-o", Made.string(), "-l", "64kb", "--json"});
    ASSERT_EQ(create.Code, 0) << create.Err;
    const auto j = nlohmann::json::parse(create.Out);
    ASSERT_EQ(j["torrents"].size(), 1u);
    const auto& written = j["torrents"][0];
    const std::string hash = Line(Extras(Made), "hash").substr(5);
    EXPECT_EQ(written["path"], Made.string());
    EXPECT_EQ(written["info_hash"], hash);
    EXPECT_EQ(written["magnet"], "magnet:?xt=urn:btih:" + hash + "&dn=Content&tr=http%3A%2F%2Ft%2Fa");
    EXPECT_EQ(written["piece_length"], 65536);
    EXPECT_EQ(written["piece_count"], 2);
    EXPECT_EQ(written["total_length"], 100000);
    EXPECT_EQ(written["file_count"], 1);
    EXPECT_EQ(written["left_out"], 0);
}

TEST_F(CliExtras, VerifyJsonCountsPiecesPerFile)
{
    Box.Write("Content/b.bin", RandomBytes(30000, 4));
    ASSERT_EQ(
        RunCliArgs({"create", (Box.Path() / "Content").string(), "-a", "x", "-o", Made.string(), "-l", "64kb", "-q"})
            .Code,
        0);
    const auto good = RunCliArgs({"verify", Made.string(), Box.Path().string(), "--json"});
    EXPECT_EQ(good.Code, 0) << good.Err;
    EXPECT_EQ(
        nlohmann::ordered_json::parse(good.Out).dump(),
        R"({"ok":true,"torrent_pieces":2,"content_pieces":2,"files":[)"
        R"({"path":"a.bin","state":"ok","problem":null,"good_pieces":2,"bad_pieces":0},)"
        R"({"path":"b.bin","state":"ok","problem":null,"good_pieces":1,"bad_pieces":0}]})");
    {
        std::fstream f(Content, std::ios::in | std::ios::out | std::ios::binary);
        f.put('\x55' ^ RandomBytes(1, 3)[0]);
    }
    std::filesystem::remove(Box.Path() / "Content/b.bin");
    const auto bad = RunCliArgs({"verify", Made.string(), Box.Path().string(), "--json", "-q"});
    EXPECT_EQ(bad.Code, 1);
    EXPECT_EQ(
        nlohmann::ordered_json::parse(bad.Out).dump(),
        R"({"ok":false,"torrent_pieces":2,"content_pieces":2,"files":[)"
        R"({"path":"a.bin","state":"failed","problem":null,"good_pieces":0,"bad_pieces":2},)"
        R"({"path":"b.bin","state":"failed","problem":"missing","good_pieces":0,"bad_pieces":1}]})");
}

// Other tools' torrents: each edit keeps what it does not change, byte for
// byte, and the info hash unless the info dictionary changed.
TEST_F(CliExtras, ForeignTorrentsKeepWhatAnEditLeavesAlone)
{
    if (!OracleRuns())
        return;
    Box.Write("Content/sub/b.bin", RandomBytes(30001, 4));
    Box.Write("Content/c.bin", RandomBytes(5, 5));
    const std::string hybridRefused = "brisolt-cli: Name und Dateinamen eines v2- oder Hybrid-Torrents werden nicht "
                                      "geändert: sein \"file tree\" nennt sie ein zweites Mal, und beide Hälften "
                                      "müssen übereinstimmen.\n";

    const struct
    {
        std::vector<std::string> Options;
        std::vector<std::string> Touched; // outer keys the edit may change
        bool NewHash;
    } edits[] = {
        {{"--announce", "http://new.example/announce"}, {"announce", "announce-list", "comment"}, false},
        {{"--comment", "hi"}, {"comment"}, false},
        {{"--name", "Renamed"}, {"info", "comment"}, true},
        {{"--rename", "1=moved/x.bin"}, {"info", "comment"}, true},
    };

    for (const char* kind : {"hybrid", "v1extra", "private0", "mktorrent", "transmission"})
    {
        const auto original = Box.Path() / (std::string(kind) + ".torrent");
        std::string output;
        ASSERT_EQ(
            RunPython(
                OracleScript("extras.py"),
                "--make " + std::string(kind) + " " + Quote(Box.Path() / "Content") + " " + Quote(original),
                output),
            0)
            << kind << output;
        const std::string before = Extras(original);
        const bool hybrid = Line(before, "v2") != "v2 -";
        // show says what libtorrent reads: format, v2 hash, padding, source, web seeds.
        const auto show = nlohmann::json::parse(RunCliArgs({"show", "--json", original.string()}).Out);
        EXPECT_EQ(show["format"], hybrid ? "hybrid" : "v1") << kind;
        EXPECT_EQ(hybrid ? show["info_hash_v2"].get<std::string>() : "-", Line(before, "v2").substr(3)) << kind;
        EXPECT_EQ(show["private"], false) << kind;
        EXPECT_EQ(
            "source " + (show["source"].is_null() ? "-" : show["source"].get<std::string>()), Line(before, "source"));
        std::string seeds = "webseeds";
        for (const auto& url : show["web_seeds"])
            seeds += " " + url.get<std::string>();
        EXPECT_EQ(seeds, Line(before, "webseeds")) << kind;
        int pads = 0;
        for (const auto& file : show["files"])
            pads += file["padding"].get<bool>() ? 1 : 0;
        EXPECT_EQ("pads " + std::to_string(pads), Line(before, "pads")) << kind;
        // verify takes the top folder itself or the folder holding it, and
        // says where it looked when neither holds the content.
        for (const auto& content : {Box.Path(), Box.Path() / "Content"})
        {
            const auto verify = RunCliArgs({"verify", original.string(), content.string()});
            EXPECT_EQ(verify.Code, 0) << kind << verify.Out << verify.Err;
            EXPECT_EQ(verify.Out, "OK      a.bin\nOK      c.bin\nOK      sub\\b.bin\n") << kind;
        }
        const auto elsewhere = Box.Path() / "Content" / "sub";
        const auto missing = RunCliArgs({"verify", original.string(), elsewhere.string()});
        EXPECT_EQ(missing.Code, 1);
        EXPECT_EQ(
            missing.Err,
            "brisolt-cli: none of the torrent's files is in " + elsewhere.string() + " nor in "
                + (elsewhere / "Content").string() + "\n");
        for (const auto& edit : edits)
        {
            std::vector<std::string> args{"edit", original.string(), "-o", Made.string()};
            args.insert(args.end(), edit.Options.begin(), edit.Options.end());
            std::filesystem::remove(Made);
            const auto run = RunCliArgs(args);
            const std::string what = std::string(kind) + " " + edit.Options[0];
            if (hybrid && edit.NewHash)
            {
                // Renaming one half of a hybrid would leave the halves disagreeing.
                EXPECT_EQ(run.Code, 1) << what;
                EXPECT_EQ(run.Err, hybridRefused) << what;
                EXPECT_FALSE(std::filesystem::exists(Made)) << what;
                continue;
            }
            ASSERT_EQ(run.Code, 0) << what << run.Err;
            const std::string after = Extras(Made);
            EXPECT_EQ(Line(after, "hash") == Line(before, "hash"), !edit.NewHash) << what << after;
            EXPECT_EQ(run.Out, Made.string() + ": " + Line(after, "hash").substr(5) + "\n") << what;
            EXPECT_EQ(KeysExcept(after, edit.Touched), KeysExcept(before, edit.Touched)) << what;
            for (const char* same : {"v2", "pads", "source", "webseeds", "entrykeys"})
                EXPECT_EQ(Line(after, same), Line(before, same)) << what;
            // Every info key but the ones the edit names keeps its bytes.
            for (const char* info :
                 {"info source",
                  "info x-unknown",
                  "info private",
                  "info piece length",
                  "info pieces",
                  "info meta version",
                  "info file tree"})
                EXPECT_EQ(Line(after, info), Line(before, info)) << what;
            if (!edit.NewHash)
            {
                const auto verify = RunCliArgs({"verify", Made.string(), Box.Path().string()});
                EXPECT_EQ(verify.Code, 0) << what << verify.Out << verify.Err;
            }
        }
    }
}

// What a client needs and a name or rename that would write an unsafe or
// clashing path: refused with a message, the torrent left as it was.
TEST_F(CliExtras, InvalidResultsAndPathsAreNotWritten)
{
    const std::string multi = Metainfo(MultiInfo("top", {{{"a.bin"}, 5}, {{"sub", "b.bin"}, 6}}));
    const auto torrent = Box.Write("t.torrent", multi);
    const std::string name =
        "brisolt-cli: Ungültiger Name \"%\": er darf nicht leer, \".\" oder \"..\" sein und weder \"/\" noch \"\\\" "
        "enthalten.\n";
    const auto badName = [&](const std::string& text)
    {
        std::string message = name;
        return message.replace(message.find('%'), 1, text);
    };
    const auto badPath = [](const std::string& text)
    {
        return "brisolt-cli: Ungültiger Pfad \"" + text + "\": kein Teil darf leer, \".\" oder \"..\" sein.\n";
    };

    const struct
    {
        std::string File;
        std::vector<std::string> Options;
        std::string Err;
    } cases[] = {
        {"t.torrent", {"--rename", "0=../../etc/passwd"}, badPath("../../etc/passwd")},
        {"t.torrent", {"--rename", "0="}, badPath("")},
        {"t.torrent", {"--rename", "0=."}, badPath(".")},
        {"t.torrent", {"--rename", "0=a//b"}, badPath("a//b")},
        {"t.torrent", {"--rename", "0=ende/"}, badPath("ende/")},
        {"t.torrent",
         {"--rename", "0=sub/b.bin"},
         "brisolt-cli: Der Pfad \"sub/b.bin\" trifft auf den von Eintrag 1 (\"sub\\b.bin\").\n"},
        {"t.torrent",
         {"--rename", "0=sub"},
         "brisolt-cli: Der Pfad \"sub\" trifft auf den von Eintrag 1 (\"sub\\b.bin\").\n"},
        {"t.torrent", {"--name", "../../x"}, badName("../../x")},
        {"t.torrent", {"--name", "a/b"}, badName("a/b")},
        {"t.torrent", {"--name", ".."}, badName("..")},
        {"t.torrent", {"--name", ""}, badName("")},
        // The first half of a torrent loads (a lenient decoder) but lacks what a client needs.
        {"half.torrent",
         {"--comment", "c"},
         "brisolt-cli: Der Torrent wird nicht geschrieben, denn ihm fehlt: ein Name (info.name); eine Stücklänge, "
         "die eine Zweierpotenz bis 1 GiB ist (info.piece length); die Stück-Hashes (info.pieces).\n"},
        {"huge.torrent",
         {"--comment", "c"},
         "brisolt-cli: Der Torrent wird nicht geschrieben, denn ihm fehlt: eine Stücklänge, die eine Zweierpotenz bis "
         "1 GiB ist (info.piece length).\n"},
        {"sum.torrent",
         {"--comment", "c"},
         "brisolt-cli: Der Torrent wird nicht geschrieben, denn ihm fehlt: Dateien mit Pfad und gültiger Länge "
         "(info.length oder info.files).\n"},
    };

    Box.Write("half.torrent", multi.substr(0, multi.find("4:name")));
    std::string huge = multi;
    huge.replace(huge.find("i65536e"), 7, "i1099511627776e");
    Box.Write("huge.torrent", huge);
    Box.Write(
        "sum.torrent",
        Metainfo(MultiInfo("top", {{{"a"}, INT64_MAX / 2 + 1}, {{"b"}, INT64_MAX / 2 + 1}, {{"c"}, 1}})));
    for (const auto& c : cases)
    {
        const auto file = Box.Path() / c.File;
        const std::string bytes = ReadFile(file);
        std::vector<std::string> args{"edit", file.string()};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        const auto run = RunCliArgs(args);
        EXPECT_EQ(run.Code, 1) << c.Options[1];
        EXPECT_EQ(run.Err, c.Err) << c.Options[1];
        EXPECT_EQ(ReadFile(file), bytes) << c.Options[1];
    }
}

} // namespace
} // namespace brisolt
