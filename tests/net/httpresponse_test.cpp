#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "net/httpprot.h"
#include "net/httpresponse.h"

namespace brisolt
{
namespace
{

using TState = THttpResponseParser::TState;
using TFailure = THttpResponseParser::TFailure;
using TFraming = THttpResponseParser::TFraming;

struct TParsed
{
    TState State = TState::Header;
    TFailure Failure = TFailure::None;
    TFraming Framing = TFraming::None;
    THttpResponseHeader Header;
    std::string Body;
    int64_t BodyCount = 0;
    int64_t Surplus = 0;
};

// Feeds bytes in pieces of pieceSize (0: at once), then the close when asked.
TParsed Parse(std::string_view bytes, bool close = false, std::size_t pieceSize = 0)
{
    TParsed result;
    THttpResponseParser parser(result.Body);
    if (pieceSize == 0)
        pieceSize = bytes.size() + 1;
    for (std::size_t at = 0; at < bytes.size(); at += pieceSize)
        parser.Feed(bytes.substr(at, pieceSize));
    if (close)
        parser.PeerClosed();
    result.State = parser.State();
    result.Failure = parser.Failure();
    result.Framing = parser.Framing();
    result.Header = parser.Header();
    result.BodyCount = parser.BodyCount();
    result.Surplus = parser.SurplusCount();
    return result;
}

TEST(HttpResponse, StatusLineGivesVersionCodeAndReason)
{
    const auto r = Parse("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(r.State, TState::Done);
    EXPECT_EQ(r.Header.Version, "1.1");
    EXPECT_EQ(r.Header.StatusCode, 404);
    EXPECT_EQ(r.Header.ReasonPhrase, "Not Found");
    EXPECT_EQ(r.Header.HeaderLines, (std::vector<std::string>{"HTTP/1.1 404 Not Found", "Content-Length: 0"}));
}

TEST(HttpResponse, StatusLineFieldsStandAtFixedColumns)
{
    // Characters 10 to 12 are the code, the reason starts at the 14th.
    EXPECT_EQ(Parse("HTTP/1.0 2000 OK\r\n\r\n").Header.ReasonPhrase, " OK");
    EXPECT_EQ(Parse("HTTP/1.0 2000 OK\r\n\r\n").Header.StatusCode, 200);
    EXPECT_EQ(Parse("HTTP/1.0 20\r\n\r\n").Header.StatusCode, 20);
    EXPECT_EQ(Parse("HTTP/1.0 20\r\n\r\n").Header.ReasonPhrase, "");
    EXPECT_EQ(Parse("HTTP/1.0 2x0 Odd\r\n\r\n").Header.StatusCode, 0);
    EXPECT_EQ(Parse("HTTP/1.0 2x0 Odd\r\n\r\n").Header.ReasonPhrase, "Odd");
    // Only versions 1.0 and 1.1, in upper case, make a status line.
    EXPECT_EQ(Parse("HTTP/2.0 200 OK\r\n\r\n").Header.StatusCode, 0);
    EXPECT_EQ(Parse("http/1.0 200 OK\r\n\r\n").Header.StatusCode, 0);
    EXPECT_EQ(Parse("http/1.0 200 OK\r\n\r\n").Header.Version, "");
}

TEST(HttpResponse, OnlyTheCrBeforeTheLineFeedIsDropped)
{
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\r\n\r\n").Header.ReasonPhrase, "OK\r");
    EXPECT_EQ(Parse("HTTP/1.0 204 OK\n\n").Header.ReasonPhrase, "OK");
    EXPECT_EQ(Parse("HTTP/1.0 204 OK\n\n").State, TState::Done);
}

TEST(HttpResponse, RecognisedHeaderLines)
{
    const auto r = Parse("HTTP/1.0 200 OK\r\n"
                         "CONTENT-TYPE:   Text/Plain\r\n"
                         "Location:\t /next\r\n"
                         "Transfer-Encoding: gzip\r\n"
                         "X-Other: value\r\n"
                         "no colon here\r\n"
                         "Connection: Keep-Alive\r\n"
                         "Content-Length:  3 \r\n"
                         "\r\n"
                         "abc");
    EXPECT_EQ(r.Header.ContentType, "text/plain");
    EXPECT_TRUE(r.Header.HasLocation);
    EXPECT_EQ(r.Header.Location, "/next");
    EXPECT_EQ(r.Header.TransferEncoding, "gzip");
    EXPECT_EQ(r.Header.ContentLength, 3);
    EXPECT_EQ(r.Header.Connection, TConnectionWish::KeepAlive);
    EXPECT_EQ(r.Header.HeaderLines.size(), 8u);
    EXPECT_EQ(r.Header.HeaderLines[4], "X-Other: value");
    EXPECT_EQ(r.Body, "abc");
    EXPECT_EQ(r.State, TState::Done);
}

TEST(HttpResponse, ContentLengthThatIsNoNumberCountsAsNone)
{
    for (const char* value : {"abc", "-5", "", "1 2", "99999999999999999999", "0x10"})
    {
        const auto r = Parse(std::string("HTTP/1.0 200 OK\r\nContent-Length: ") + value + "\r\n\r\nbody", true);
        EXPECT_EQ(r.Header.ContentLength, -1) << value;
        EXPECT_EQ(r.Framing, TFraming::Close) << value;
        EXPECT_EQ(r.Body, "body") << value;
    }
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nContent-Length: +4\r\n\r\nbody!").Body, "body");
}

TEST(HttpResponse, ContentLengthCutsTheBody)
{
    const auto r = Parse("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789AB");
    EXPECT_EQ(r.State, TState::Done);
    EXPECT_EQ(r.Body, "0123456789");
    EXPECT_EQ(r.BodyCount, 10);
    EXPECT_EQ(r.Surplus, 2);
}

TEST(HttpResponse, BodyWithoutLengthEndsAtTheClose)
{
    const auto open = Parse("HTTP/1.0 200 OK\r\n\r\nline 1\r\nline 2");
    EXPECT_EQ(open.State, TState::Body);
    EXPECT_EQ(open.Body, "line 1\r\nline 2");
    const auto closed = Parse("HTTP/1.0 200 OK\r\n\r\nline 1\r\nline 2", true);
    EXPECT_EQ(closed.State, TState::Done);
    EXPECT_EQ(closed.Body, "line 1\r\nline 2");
}

TEST(HttpResponse, StatusesWithoutBody)
{
    // Without a length, these statuses have no body; a length always counts.
    for (const char* status : {"100", "101", "199", "204", "301", "302", "304"})
    {
        const auto r = Parse(std::string("HTTP/1.0 ") + status + " X\r\n\r\nignored");
        EXPECT_EQ(r.State, TState::Done) << status;
        EXPECT_EQ(r.Body, "") << status;
        EXPECT_EQ(r.Surplus, 7) << status;
    }
    for (const char* status : {"200", "303", "307", "404"})
    {
        const auto r = Parse(std::string("HTTP/1.0 ") + status + " X\r\n\r\nbody", true);
        EXPECT_EQ(r.Body, "body") << status;
    }
    EXPECT_EQ(Parse("HTTP/1.0 302 Found\r\nContent-Length: 4\r\n\r\nbody").Body, "body");
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\nbody").Body, "");
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\nbody").State, TState::Done);
    // No status line at all: status 0, below 200.
    EXPECT_EQ(Parse("garbage\r\n\r\nbody").State, TState::Done);
    EXPECT_EQ(Parse("garbage\r\n\r\nbody").Body, "");
}

TEST(HttpResponse, ChunkedBodyIsDecoded)
{
    const std::string response = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                 "4;name=value\r\nWiki\r\n"
                                 "5\r\npedia\r\n"
                                 "E\r\n in\r\n\r\nchunks.\r\n"
                                 "0\r\n\r\n";
    const auto r = Parse(response);
    EXPECT_EQ(r.State, TState::Done);
    EXPECT_EQ(r.Framing, TFraming::Chunked);
    EXPECT_EQ(r.Body, "Wikipedia in\r\n\r\nchunks.");
    EXPECT_EQ(r.Surplus, 2);
}

TEST(HttpResponse, ChunkedDetails)
{
    const std::string head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    // Upper-case digits; whatever follows the data on its line is skipped.
    EXPECT_EQ(Parse(head + "1A\r\nabcdefghijklmnopqrstuvwxyz junk\r\n0\r\n").Body, "abcdefghijklmnopqrstuvwxyz");
    // A size line without digits is a chunk of size 0.
    EXPECT_EQ(Parse(head + "3\r\nabc\r\nxyz\r\nmore").State, TState::Done);
    EXPECT_EQ(Parse(head + "3\r\nabc\r\nxyz\r\nmore").Body, "abc");
    // A close before the last chunk leaves the body incomplete.
    EXPECT_EQ(Parse(head + "3\r\nab", true).Failure, TFailure::ClosedEarly);
    // An absurd size cannot overflow; the data never reaches it.
    EXPECT_EQ(Parse(head + "FFFFFFFFFFFFFFFFFFFFFFFF\r\nabc").State, TState::Body);
    EXPECT_EQ(Parse(head + "FFFFFFFFFFFFFFFFFFFFFFFF\r\nabc").Body, "abc");
    // The coding is compared exactly.
    const auto other = Parse("HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", true);
    EXPECT_EQ(other.Framing, TFraming::Close);
    EXPECT_EQ(other.Body, "3\r\nabc\r\n0\r\n\r\n");
    // The coding wins over a length.
    EXPECT_EQ(
        Parse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n").Body,
        "abc");
}

TEST(HttpResponse, HtmlFirstLineIsBodyWithoutItsLineEnd)
{
    const auto r = Parse("<hTmL>\r\n<p>hi</p>\r\n", true);
    EXPECT_EQ(r.State, TState::Done);
    EXPECT_EQ(r.Body, "<hTmL><p>hi</p>\r\n");
    EXPECT_EQ(r.Header.ContentType, "text/html");
    EXPECT_EQ(r.Header.StatusCode, 0);
    EXPECT_TRUE(r.Header.HeaderLines.empty());
    EXPECT_EQ(Parse("<HTML><head>\nrest", true).Body, "<HTML><head>rest");
    // Only the first line counts.
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\n<HTML>\r\n\r\nx", true).Body, "x");
}

TEST(HttpResponse, InterimContinueIsDiscarded)
{
    const auto r = Parse("HTTP/1.1 100 Continue\r\nX: 1\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(r.State, TState::Done);
    EXPECT_EQ(r.Header.StatusCode, 200);
    EXPECT_EQ(r.Header.HeaderLines, (std::vector<std::string>{"HTTP/1.1 200 OK", "Content-Length: 2"}));
    EXPECT_EQ(r.Body, "ok");
    // With version 1.0 a 100 is the final answer.
    const auto final100 = Parse("HTTP/1.0 100 Continue\r\n\r\nHTTP/1.0 200 OK\r\n\r\n");
    EXPECT_EQ(final100.State, TState::Done);
    EXPECT_EQ(final100.Header.StatusCode, 100);
}

TEST(HttpResponse, HeaderLineMustFitTheReceiveBuffer)
{
    const std::string status = "HTTP/1.0 204 OK\r\n";
    // kReceiveBufferSize bytes with the line end fit; one more does not.
    const std::string fits = "X: " + std::string(kReceiveBufferSize - 5, 'a') + "\r\n";
    ASSERT_EQ(fits.size(), kReceiveBufferSize);
    EXPECT_EQ(Parse(status + fits + "\r\n").State, TState::Done);
    const std::string tooLong = "X: " + std::string(kReceiveBufferSize - 4, 'a') + "\r\n";
    EXPECT_EQ(Parse(status + tooLong + "\r\n").Failure, TFailure::LineTooLong);
    // A full buffer without line end fails before any line end arrives.
    const std::string endless(kReceiveBufferSize, 'a');
    EXPECT_EQ(Parse(status + endless).Failure, TFailure::LineTooLong);
    EXPECT_EQ(Parse(status + endless.substr(1)).State, TState::Header);
    EXPECT_EQ(Parse(status + endless, false, 1).Failure, TFailure::LineTooLong);
    // The status line is a header line too.
    EXPECT_EQ(Parse(std::string(kReceiveBufferSize, 'H')).Failure, TFailure::LineTooLong);
}

// A header of exactly total bytes, line ends included, of lines that each
// fit the receive buffer.
std::string HeaderOfSize(std::size_t total)
{
    std::string header = "HTTP/1.0 204 X\r\n";
    while (total - header.size() - 2 > 8000)
        header += "X: " + std::string(8000 - 5, 'f') + "\r\n";
    header += std::string(total - header.size() - 2 - 2, 'g') + "\r\n";
    return header + "\r\n";
}

TEST(HttpResponse, HeaderSizeIsBounded)
{
    ASSERT_EQ(HeaderOfSize(kMaxHeaderSize).size(), kMaxHeaderSize);
    EXPECT_EQ(Parse(HeaderOfSize(kMaxHeaderSize)).State, TState::Done);
    EXPECT_EQ(Parse(HeaderOfSize(kMaxHeaderSize + 1)).Failure, TFailure::HeaderTooLarge);
    // Interim answers count towards the same bound.
    std::string continues;
    while (continues.size() <= kMaxHeaderSize)
        continues += "HTTP/1.1 100 Continue\r\n\r\n";
    EXPECT_EQ(Parse(continues).Failure, TFailure::HeaderTooLarge);
}

TEST(HttpResponse, CloseBeforeTheEndFails)
{
    EXPECT_EQ(Parse("", true).Failure, TFailure::ClosedEarly);
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\n", true).Failure, TFailure::ClosedEarly);
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nabc", true).Failure, TFailure::ClosedEarly);
    EXPECT_EQ(Parse("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nabc", true).Body, "abc");
}

TEST(HttpResponse, PiecesOfAnySizeGiveTheSameResult)
{
    const std::vector<std::string> responses = {
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4;x\r\nWiki\r\n5\r\npedia\r\n0\r\n\r\n",
        "HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789AB",
        "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
        "<HTML>\r\n<b>x</b>\n",
        "HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n",
        "HTTP/1.0 200 OK\r\n\r\nuntil close\r\n",
    };
    for (const auto& response : responses)
    {
        const auto whole = Parse(response, true);
        for (std::size_t piece : {1u, 2u, 3u, 7u})
        {
            const auto split = Parse(response, true, piece);
            EXPECT_EQ(split.State, whole.State) << response << piece;
            EXPECT_EQ(split.Body, whole.Body) << response << piece;
            EXPECT_EQ(split.Header.HeaderLines, whole.Header.HeaderLines) << response << piece;
            EXPECT_EQ(split.Header.StatusCode, whole.Header.StatusCode) << response << piece;
            EXPECT_EQ(split.Surplus, whole.Surplus) << response << piece;
        }
    }
}

TEST(HttpResponse, BodyIsAppendedToWhatTheStringHolds)
{
    std::string body = "before:";
    THttpResponseParser parser(body);
    parser.Feed("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc");
    EXPECT_EQ(body, "before:abc");
    EXPECT_EQ(parser.BodyCount(), 3);
}

struct TUrlCase
{
    const char* Url;
    THttpTarget Expected;
};

TEST(HttpUrl, ParseURL)
{
    const TUrlCase cases[] = {
        {"http://h:81/torrent/trackers.lst", {"http", "", "", "h", "81", "/torrent/trackers.lst"}},
        {"http://h/x", {"http", "", "", "h", "80", "/x"}},
        {"h", {"http", "", "", "h", "80", "/"}},
        {"HTTP://Host.Example", {"http", "", "", "Host.Example", "80", "/"}},
        {"https://u:p@h:8080?q=1/2", {"https", "u", "p", "h", "8080", "?q=1/2"}},
        {"ftp://user@h/f", {"ftp", "user", "", "h", "80", "/f"}},
        {"h:/x", {"http", "", "", "h", "80", "/x"}},
        {"h/x://y", {"http", "", "", "h", "80", "/x://y"}},
        {"://h/x", {"http", "", "", "h", "80", "/x"}},
        {"", {"http", "", "", "", "80", "/"}},
    };
    for (const auto& c : cases)
    {
        const THttpTarget t = ParseURL(c.Url);
        EXPECT_EQ(t.Scheme, c.Expected.Scheme) << c.Url;
        EXPECT_EQ(t.User, c.Expected.User) << c.Url;
        EXPECT_EQ(t.Password, c.Expected.Password) << c.Url;
        EXPECT_EQ(t.Host, c.Expected.Host) << c.Url;
        EXPECT_EQ(t.Port, c.Expected.Port) << c.Url;
        EXPECT_EQ(t.Path, c.Expected.Path) << c.Url;
    }
}

TEST(HttpUrl, RelocationTargets)
{
    const THttpTarget current = ParseURL("http://h:81/dir/a.lst?x=/y");
    const THttpTarget path = RelocationTarget(current, "/new/b.lst");
    EXPECT_EQ(path.Host, "h");
    EXPECT_EQ(path.Port, "81");
    EXPECT_EQ(path.Path, "/new/b.lst");

    const THttpTarget full = RelocationTarget(current, "HTTP://other/z");
    EXPECT_EQ(full.Scheme, "http");
    EXPECT_EQ(full.Host, "other");
    EXPECT_EQ(full.Port, "80");
    EXPECT_EQ(full.Path, "/z");
    EXPECT_EQ(RelocationTarget(current, "hTtPs://s:1").Scheme, "https");
    EXPECT_EQ(RelocationTarget(current, "hTtPs://s:1").Port, "1");

    EXPECT_EQ(RelocationTarget(current, "b.lst").Path, "/dir/b.lst");
    EXPECT_EQ(RelocationTarget(current, "b.lst").Port, "81");
    EXPECT_EQ(RelocationTarget(ParseURL("http://h/x/y:z?q"), "n").Path, "/x/y:n");
    EXPECT_EQ(RelocationTarget(ParseURL("http://h"), "n").Path, "/n");
    EXPECT_EQ(RelocationTarget(ParseURL("http://h/a/b"), "../c").Path, "/a/../c");
    // Other schemes are not full URLs here.
    EXPECT_EQ(RelocationTarget(current, "ftp://x/y").Path, "/dir/ftp://x/y");
}

TEST(HttpRequest, RequestLinesByteForByte)
{
    THttpCli cli("HttpCli1");
    const std::string tail = "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                             "User-Agent: Mozilla/3.0 (compatible; Brisolt v2.1 beta)\r\n";
    EXPECT_EQ(
        cli.RequestText(ParseURL("http://h:81/torrent/trackers.lst")),
        "GET /torrent/trackers.lst HTTP/1.0\r\n" + tail + "Host: h:81\r\n\r\n");
    EXPECT_EQ(
        cli.RequestText(ParseURL("http://h:80/torrent/trackers.lst")),
        "GET /torrent/trackers.lst HTTP/1.0\r\n" + tail + "Host: h\r\n\r\n");
    EXPECT_EQ(
        cli.RequestText(ParseURL("http://h/torrent/trackers.lst")),
        "GET /torrent/trackers.lst HTTP/1.0\r\n" + tail + "Host: h\r\n\r\n");
    EXPECT_EQ(cli.RequestText(ParseURL("http://h")), "GET / HTTP/1.0\r\n" + tail + "Host: h\r\n\r\n");
}

TEST(HttpRequest, OptionalLinesInTheirOrder)
{
    THttpCli cli("HttpCli1");
    cli.RequestVer = "1.1";
    cli.Sender = "me@example.org";
    cli.Reference = "http://r/";
    cli.Connection = "Keep-Alive";
    cli.ProxyConnection = "close";
    cli.AcceptLanguage = "de";
    cli.Agent = "A";
    cli.Accept = "*/*";
    cli.NoCache = true;
    cli.Cookie = "c=1";
    EXPECT_EQ(
        cli.RequestText(ParseURL("http://h:8080/p")),
        "GET /p HTTP/1.1\r\n"
        "From: me@example.org\r\n"
        "Accept: */*\r\n"
        "Referer: http://r/\r\n"
        "Connection: Keep-Alive\r\n"
        "Proxy-Connection: close\r\n"
        "Accept-Language: de\r\n"
        "User-Agent: A\r\n"
        "Host: h:8080\r\n"
        "Pragma: no-cache\r\n"
        "Cookie: c=1\r\n"
        "\r\n");
    cli.Accept.clear();
    cli.Agent.clear();
    cli.Sender.clear();
    cli.Reference.clear();
    cli.Connection.clear();
    cli.ProxyConnection.clear();
    cli.AcceptLanguage.clear();
    cli.NoCache = false;
    cli.Cookie.clear();
    EXPECT_EQ(cli.RequestText(ParseURL("http://h/p")), "GET /p HTTP/1.1\r\nHost: h\r\n\r\n");
}

} // namespace
} // namespace brisolt
