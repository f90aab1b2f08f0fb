// Whole requests of the HTTP client: the protocol as it should go, against
// scripted servers and against Python's http.server as a real web server.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <QDeadlineTimer>
#include <QProcess>
#include <gtest/gtest.h>

#include "httptestsupport.h"
#include "net/httpprot.h"
#include "support/pythonserver.h"
#include "support/testsupport.h"

namespace brisolt
{
namespace
{

using namespace nettest;

TEST_F(HttpCli, RequestLinesByteForByte)
{
    TScriptedServer server(Always("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    ASSERT_TRUE(server.IsListening());
    Cli.URL = server.URL("/torrent/trackers.lst");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_FALSE(outcome.Threw) << outcome.Message;
    ASSERT_EQ(server.Requests.size(), 1u);
    EXPECT_EQ(server.Requests[0], DefaultRequest("/torrent/trackers.lst", HostOf(server)));
    EXPECT_EQ(Cli.StatusCode(), 200);
    EXPECT_EQ(Cli.ReasonPhrase(), "OK");
    EXPECT_EQ(Body, "ok");
    EXPECT_EQ(Cli.State(), THttpState::Ready);
}

TEST_F(HttpCli, UrlWithoutPathRequestsRoot)
{
    TScriptedServer server(Always("HTTP/1.0 200 OK\r\n\r\nroot"));
    Cli.URL = "127.0.0.1:" + std::to_string(server.Port());
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    ASSERT_EQ(server.Requests.size(), 1u);
    EXPECT_EQ(server.Requests[0], DefaultRequest("/", HostOf(server)));
    EXPECT_EQ(Body, "root");
}

TEST_F(HttpCli, HostNameIsLookedUp)
{
    TScriptedServer server(Always("HTTP/1.0 200 OK\r\n\r\nnamed"));
    Cli.URL = "http://localhost:" + std::to_string(server.Port()) + "/x";
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_FALSE(outcome.Threw) << outcome.Message;
    ASSERT_EQ(server.Requests.size(), 1u);
    EXPECT_EQ(server.Requests[0], DefaultRequest("/x", "localhost:" + std::to_string(server.Port())));
    EXPECT_EQ(Body, "named");
}

TEST_F(HttpCli, RelocationToAPathYieldsTheSecondResponseOnly)
{
    TScriptedServer server(
        [](std::size_t index, const std::string&)
        {
            if (index == 0)
                return TReply{"HTTP/1.0 302 Found\r\nLocation: /second.lst\r\nContent-Length: 5\r\n\r\nmoved"};
            return TReply{"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nfinal"};
        });
    Cli.URL = server.URL("/first.lst");
    Body = "kept:";
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_FALSE(outcome.Threw) << outcome.Message;
    EXPECT_EQ(Body, "kept:final");
    EXPECT_EQ(Cli.StatusCode(), 200);
    EXPECT_EQ(Cli.RcvdCount(), 5);
    EXPECT_EQ(Cli.RelocationCount(), 1);
    ASSERT_EQ(server.Requests.size(), 2u);
    EXPECT_EQ(server.Requests[1], DefaultRequest("/second.lst", HostOf(server)));
    // Version 1.0 closes after each response.
    EXPECT_EQ(server.Connections, 2);
}

TEST_F(HttpCli, RelativeRelocationFollowsTheCurrentFolder)
{
    TScriptedServer server(
        [](std::size_t index, const std::string&)
        {
            if (index == 0)
                return TReply{"HTTP/1.0 301 Moved\r\nLocation: b.lst\r\n\r\n"};
            return TReply{"HTTP/1.0 200 OK\r\n\r\nb"};
        });
    Cli.URL = server.URL("/dir/a.lst?x=/y");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    ASSERT_EQ(server.Requests.size(), 2u);
    EXPECT_EQ(server.Requests[1], DefaultRequest("/dir/b.lst", HostOf(server)));
    EXPECT_EQ(Body, "b");
}

TEST_F(HttpCli, AbsoluteRelocationToAnotherServer)
{
    TScriptedServer second(Always("HTTP/1.0 200 OK\r\n\r\nfrom second"));
    TScriptedServer first(Always(
        "HTTP/1.0 307 Temporary\r\nLocation: HTTP://127.0.0.1:" + std::to_string(second.Port())
        + "/z\r\n\r\nfirst body"));
    Cli.URL = first.URL("/a");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Body, "from second");
    ASSERT_EQ(second.Requests.size(), 1u);
    EXPECT_EQ(second.Requests[0], DefaultRequest("/z", HostOf(second)));
    EXPECT_EQ(first.Requests.size(), 1u);
}

TEST_F(HttpCli, RelocationOnAConnectionKeptOpenReusesIt)
{
    TScriptedServer server(
        [](std::size_t index, const std::string&)
        {
            if (index == 0)
                return TReply{"HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n", false};
            return TReply{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok", true};
        });
    Cli.RequestVer = "1.1";
    Cli.URL = server.URL("/a");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_FALSE(outcome.Threw) << outcome.Message;
    EXPECT_EQ(Body, "ok");
    ASSERT_EQ(server.Requests.size(), 2u);
    EXPECT_TRUE(server.Requests[1].starts_with("GET /b HTTP/1.1\r\n"));
    EXPECT_EQ(server.Connections, 1);
}

TEST_F(HttpCli, ContentLengthTenWithTwelveBytesSentWritesTen)
{
    TScriptedServer server(Always("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789AB"));
    Cli.URL = server.URL("/");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Body, "0123456789");
    EXPECT_EQ(Cli.ContentLength(), 10);
}

TEST_F(HttpCli, WithoutContentLengthTheBodyEndsAtTheClose)
{
    TScriptedServer server(Always("HTTP/1.0 200 OK\r\nContent-Type: Text/Plain\r\n\r\n208\r\nhttp://u/\r\n0\r\n"));
    Cli.URL = server.URL("/");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Body, "208\r\nhttp://u/\r\n0\r\n");
    EXPECT_EQ(Cli.ContentLength(), -1);
    EXPECT_EQ(Cli.ContentType(), "text/plain");
}

TEST_F(HttpCli, ChunkedBodyIsDecoded)
{
    TScriptedServer server(Always("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                  "4\r\nWiki\r\n5;ext\r\npedia\r\n0\r\n\r\n"));
    Cli.URL = server.URL("/");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Body, "Wikipedia");
    EXPECT_EQ(Cli.TransferEncoding(), "chunked");
}

TEST_F(HttpCli, HtmlFirstLineIsTheBody)
{
    TScriptedServer server(Always("<Html>\r\n<p>hi</p>\r\n"));
    Cli.URL = server.URL("/");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_FALSE(outcome.Threw) << outcome.Message;
    EXPECT_EQ(Body, "<Html><p>hi</p>\r\n");
    EXPECT_EQ(Cli.StatusCode(), 0);
    EXPECT_EQ(Cli.ContentType(), "text/html");
}

TEST_F(HttpCli, NotFoundWritesItsBodyAndThrows)
{
    TScriptedServer server(Always("HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found"));
    Cli.URL = server.URL("/missing");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(outcome.Message, "Not Found");
    EXPECT_EQ(Body, "not found");
    EXPECT_EQ(Cli.StatusCode(), 404);
}

TEST_F(HttpCli, WhichStatusesThrow)
{
    struct TCase
    {
        const char* Status;
        bool Throws;
    };

    for (const TCase c :
         {TCase{"399 Odd", false},
          TCase{"400 Bad Request", true},
          TCase{"401 Unauthorized", false},
          TCase{"407 Proxy Authentication Required", false},
          TCase{"500 Internal Server Error", true}})
    {
        TScriptedServer server(Always(std::string("HTTP/1.0 ") + c.Status + "\r\nContent-Length: 1\r\n\r\nx"));
        Cli.URL = server.URL("/");
        Body.clear();
        const TOutcome outcome = RunGet(Cli, Body);
        EXPECT_EQ(outcome.Threw, c.Throws) << c.Status;
        if (c.Throws)
        {
            EXPECT_EQ(outcome.Code, std::stoi(c.Status)) << c.Status;
            EXPECT_EQ(outcome.Message, std::string(c.Status).substr(4)) << c.Status;
        }
        EXPECT_EQ(Cli.StatusCode(), std::stoi(c.Status));
        EXPECT_EQ(Body, "x");
    }
}

TEST_F(HttpCli, RedirectWithoutLocationReturnsItsStatus)
{
    TScriptedServer found(Always("HTTP/1.0 302 Found\r\n\r\nnot read"));
    Cli.URL = found.URL("/");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Cli.StatusCode(), 302);
    EXPECT_EQ(Body, "");

    TScriptedServer seeOther(Always("HTTP/1.0 303 See Other\r\n\r\nread"));
    Cli.URL = seeOther.URL("/");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Cli.StatusCode(), 303);
    EXPECT_EQ(Body, "read");
    EXPECT_EQ(found.Requests.size() + seeOther.Requests.size(), 2u);
}

TEST_F(HttpCli, LocationIsNotFollowedWhenSwitchedOff)
{
    TScriptedServer server(Always("HTTP/1.0 302 Found\r\nLocation: /elsewhere\r\nContent-Length: 3\r\n\r\nabc"));
    Cli.FollowRelocation = false;
    Cli.URL = server.URL("/");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Cli.StatusCode(), 302);
    EXPECT_EQ(Cli.Location(), "/elsewhere");
    EXPECT_EQ(Body, "abc");
    EXPECT_EQ(server.Requests.size(), 1u);
}

TEST_F(HttpCli, AnyStatusWithLocationIsRelocated)
{
    TScriptedServer server(
        [](std::size_t index, const std::string&)
        {
            if (index == 0)
                return TReply{"HTTP/1.0 404 Not Found\r\nLocation: /there\r\nContent-Length: 4\r\n\r\ngone"};
            return TReply{"HTTP/1.0 200 OK\r\n\r\nthere"};
        });
    Cli.URL = server.URL("/");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Body, "there");
}

TEST_F(HttpCli, RelocationLoopFailsAfterTenRelocations)
{
    TScriptedServer server(Always("HTTP/1.0 302 Found\r\nLocation: /loop\r\nContent-Length: 4\r\n\r\nloop"));
    Cli.URL = server.URL("/start");
    Body = "kept";
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(outcome.Message, kReasonTooManyRelocations);
    // The request and ten relocations were sent; the eleventh was refused.
    EXPECT_EQ(server.Requests.size(), 11u);
    EXPECT_EQ(Body, "kept");
    EXPECT_EQ(Cli.State(), THttpState::Ready);
}

TEST_F(HttpCli, TenRelocationsAreFollowed)
{
    TScriptedServer server(
        [](std::size_t index, const std::string&)
        {
            if (index < 10)
                return TReply{"HTTP/1.0 302 Found\r\nLocation: /next\r\n\r\n"};
            return TReply{"HTTP/1.0 200 OK\r\n\r\nat last"};
        });
    Cli.URL = server.URL("/");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Body, "at last");
    EXPECT_EQ(Cli.RelocationCount(), 10);
}

TEST_F(HttpCli, InterimContinueIsSkipped)
{
    TScriptedServer server(Always("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    Cli.URL = server.URL("/");
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Cli.StatusCode(), 200);
    EXPECT_EQ(Cli.RcvdHeader(), (std::vector<std::string>{"HTTP/1.1 200 OK", "Content-Length: 2"}));
    EXPECT_EQ(Body, "ok");
}

TEST_F(HttpCli, RealWebServer)
{
    test::TSandbox box;
    const std::string list =
        "208\r\nhttp://example.org/update\r\n1\r\nTracker\r\nhttp://t/announce\r\nhttp://t/\n0\r\n";
    box.Write("torrent/trackers.lst", list);
    box.Write("moved/index.html", "<html>index</html>\n");
    test::TPythonServer server(box.Path());
    ASSERT_NE(server.Port(), 0);

    Cli.URL = server.URL("/torrent/trackers.lst");
    TOutcome outcome = RunGet(Cli, Body);
    EXPECT_FALSE(outcome.Threw) << outcome.Message;
    EXPECT_EQ(Cli.StatusCode(), 200);
    EXPECT_EQ(Body, list);
    EXPECT_EQ(Cli.ContentLength(), static_cast<int64_t>(list.size()));

    // A folder without its final "/" is relocated to it.
    Body.clear();
    Cli.URL = server.URL("/moved");
    outcome = RunGet(Cli, Body);
    EXPECT_FALSE(outcome.Threw) << outcome.Message;
    EXPECT_EQ(Cli.RelocationCount(), 1);
    EXPECT_EQ(Cli.StatusCode(), 200);
    EXPECT_EQ(Body, "<html>index</html>\n");

    Body.clear();
    Cli.URL = server.URL("/missing.lst");
    outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(outcome.Message, "File not found");
    EXPECT_NE(Body.find("404"), std::string::npos);
}

} // namespace
} // namespace brisolt
