// Requests of the HTTP client that fail: silent and misbehaving servers,
// the busy client, abandoning, schemes, connections and names that fail.
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

#include "httptestsupport.h"
#include "net/httpprot.h"

namespace brisolt
{
namespace
{

using namespace nettest;

TEST_F(HttpCli, SilentServerTimesOut)
{
    TScriptedServer server([](std::size_t, const std::string&) { return TReply{"", false}; });
    Cli.IdleTimeout = std::chrono::milliseconds(200);
    Cli.URL = server.URL("/");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(outcome.Message, kReasonTimeout);
    EXPECT_EQ(server.Requests.size(), 1u);
}

TEST_F(HttpCli, ServerThatStopsInTheBodyTimesOut)
{
    TScriptedServer server(Always("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\npart"));
    // The answer arrives, then the server stays silent without closing.
    TScriptedServer silent(
        [](std::size_t, const std::string&) {
            return TReply{"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\npart", false};
        });
    Cli.IdleTimeout = std::chrono::milliseconds(200);
    Cli.URL = silent.URL("/");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_EQ(outcome.Message, kReasonTimeout);
    EXPECT_EQ(Body, "part");

    // Closing early instead is a failure too: the body is incomplete.
    Body.clear();
    Cli.URL = server.URL("/");
    const TOutcome closed = RunGet(Cli, Body);
    EXPECT_TRUE(closed.Threw);
    EXPECT_EQ(closed.Code, 404);
    EXPECT_EQ(closed.Message, kReasonClosedEarly);
}

TEST_F(HttpCli, ServerThatClosesWithoutAnswerFails)
{
    TScriptedServer server(Always(""));
    Cli.URL = server.URL("/");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(outcome.Message, kReasonClosedEarly);
    EXPECT_EQ(Cli.StatusCode(), 404);
}

TEST_F(HttpCli, HeaderLineTooLongFails)
{
    TScriptedServer server(
        [](std::size_t, const std::string&) {
            return TReply{"HTTP/1.0 200 OK\r\nX-Long: " + std::string(9000, 'a'), false};
        });
    Cli.URL = server.URL("/");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(outcome.Message, kReasonLineTooLong);
}

TEST_F(HttpCli, SecondRequestWhileBusyFailsAndLeavesTheFirstAlone)
{
    TOutcome busy;
    std::string otherBody = "untouched";
    TScriptedServer server(
        [&](std::size_t, const std::string&)
        {
            // Runs inside the first Get's wait, as any event handler could.
            busy = RunGet(Cli, otherBody);
            return TReply{"HTTP/1.0 200 OK\r\n\r\nfirst"};
        });
    Cli.URL = server.URL("/");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(busy.Threw);
    EXPECT_EQ(busy.Code, 1);
    EXPECT_EQ(busy.Message, "HTTP component HttpCli1 is busy");
    EXPECT_EQ(otherBody, "untouched");
    EXPECT_FALSE(outcome.Threw) << outcome.Message;
    EXPECT_EQ(Body, "first");
    EXPECT_EQ(Cli.StatusCode(), 200);
    EXPECT_EQ(server.Requests.size(), 1u);
}

TEST_F(HttpCli, BusyMessageNamesTheComponent)
{
    THttpCli other("Downloader");
    other.IdleTimeout = kSafetyTimeout;
    TOutcome busy;
    TScriptedServer server(
        [&](std::size_t, const std::string&)
        {
            std::string ignored;
            busy = RunGet(other, ignored);
            return TReply{"HTTP/1.0 200 OK\r\n\r\n"};
        });
    other.URL = server.URL("/");
    EXPECT_FALSE(RunGet(other, Body).Threw);
    EXPECT_EQ(busy.Message, "HTTP component Downloader is busy");
}

TEST_F(HttpCli, AbortAbandonsTheRequest)
{
    TScriptedServer server(
        [&](std::size_t, const std::string&)
        {
            Cli.Abort();
            return TReply{"HTTP/1.0 200 OK\r\n\r\ntoo late", false};
        });
    Cli.URL = server.URL("/");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(outcome.Message, "Connection aborted on request");
    EXPECT_EQ(Cli.StatusCode(), 404);
    EXPECT_EQ(Cli.State(), THttpState::Ready);
    EXPECT_EQ(Body, "");
}

// QCoreApplication::exit leaves the thread marked as quitting until an
// application loop runs again; one that ends at once clears the mark.
void ClearQuitMark()
{
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

TEST_F(HttpCli, ApplicationQuittingAbandonsTheRequest)
{
    TScriptedServer server(
        [](std::size_t index, const std::string&)
        {
            if (index == 0)
                QCoreApplication::exit(0);
            return TReply{index == 0 ? "" : "HTTP/1.0 200 OK\r\n\r\nagain", index != 0};
        });
    Cli.URL = server.URL("/");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(outcome.Message, "Connection aborted on request");
    EXPECT_EQ(Cli.State(), THttpState::Ready);

    // While the application is still quitting, a new request is abandoned at once.
    const TOutcome during = RunGet(Cli, Body);
    EXPECT_EQ(during.Message, "Connection aborted on request");
    ClearQuitMark();
    const TOutcome after = RunGet(Cli, Body);
    EXPECT_FALSE(after.Threw) << after.Message;
    EXPECT_EQ(Body, "again");
}

TEST_F(HttpCli, OtherSchemesAreNotImplemented)
{
    TScriptedServer server(Always("HTTP/1.0 200 OK\r\n\r\n"));
    Cli.URL = "https://127.0.0.1:" + std::to_string(server.Port()) + "/x";
    TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 501);
    EXPECT_EQ(outcome.Message, "Protocol \"https\" not implemented");
    Cli.URL = "FTP://127.0.0.1/x";
    outcome = RunGet(Cli, Body);
    EXPECT_EQ(outcome.Code, 501);
    EXPECT_EQ(outcome.Message, "Protocol \"ftp\" not implemented");
    EXPECT_EQ(server.Connections, 0);
}

TEST_F(HttpCli, RelocationToHttpsIsNotImplemented)
{
    TScriptedServer server(Always("HTTP/1.0 301 Moved\r\nLocation: https://127.0.0.1/secure\r\n\r\n"));
    Cli.URL = server.URL("/");
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_EQ(outcome.Code, 501);
    EXPECT_EQ(outcome.Message, "Protocol \"https\" not implemented");
}

TEST_F(HttpCli, RefusedConnectionGivesTheSystemsText)
{
    const uint16_t port = FreePort();
    ASSERT_NE(port, 0);
    Cli.URL = "http://127.0.0.1:" + std::to_string(port) + "/";
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(
        outcome.Message, std::string(std::strerror(ECONNREFUSED)) + " (Error #" + std::to_string(ECONNREFUSED) + ")");
}

TEST_F(HttpCli, ConnectThatFailsAtOnce)
{
    TScriptedServer server(Always("HTTP/1.0 200 OK\r\n\r\n"));
    // Not an address of this machine: binding to it fails before any packet.
    Cli.LocalAddr = "192.0.2.1";
    Cli.URL = server.URL("/");
    TOutcome outcome = RunGet(Cli, Body);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(
        outcome.Message,
        "can't connect: " + std::string(std::strerror(EADDRNOTAVAIL)) + " (Error #" + std::to_string(EADDRNOTAVAIL)
            + ")");

    Cli.LocalAddr = "0.0.0.0";
    const std::string invalid =
        "can't connect: " + std::string(std::strerror(EINVAL)) + " (Error #" + std::to_string(EINVAL) + ")";
    for (const char* port : {"0", "65536", "8o"})
    {
        Cli.URL = std::string("http://127.0.0.1:") + port + "/";
        outcome = RunGet(Cli, Body);
        EXPECT_EQ(outcome.Code, 404) << port;
        EXPECT_EQ(outcome.Message, invalid) << port;
    }
    EXPECT_EQ(server.Connections, 0);

    // Binding to a local address works.
    Cli.LocalAddr = "127.0.0.1";
    Cli.URL = server.URL("/");
    outcome = RunGet(Cli, Body);
    EXPECT_FALSE(outcome.Threw) << outcome.Message;
}

TEST_F(HttpCli, UnresolvableHostFails)
{
    // The .invalid domain never resolves; the lookup needs no network to fail,
    // and the idle time-out bounds it should a resolver stay silent.
    Cli.IdleTimeout = std::chrono::milliseconds(10000);
    Cli.URL = "http://nonexistent.invalid/trackers.lst";
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(outcome.Message, "can't resolve hostname to IP address");
    EXPECT_EQ(Cli.ReasonPhrase(), "can't resolve hostname to IP address");

    Cli.URL = "http:///no-host";
    EXPECT_EQ(RunGet(Cli, Body).Message, "can't resolve hostname to IP address");
}

TEST_F(HttpCli, UnsupportedRequestVersion)
{
    TScriptedServer server(Always("HTTP/1.0 200 OK\r\n\r\nfine"));
    Cli.URL = server.URL("/");
    Cli.RequestVer = "1.2";
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 2);
    EXPECT_EQ(outcome.Message, "Insupported HTTP version");
    EXPECT_EQ(server.Connections, 0);
    Cli.RequestVer = "1.0";
    EXPECT_FALSE(RunGet(Cli, Body).Threw);
    EXPECT_EQ(Body, "fine");
}

TEST_F(HttpCli, BodyBeyondTheBoundFails)
{
    // Announced larger than the bound, and sent without end (no length, no close).
    const std::string kHeader = "HTTP/1.0 200 OK\r\n";

    const struct
    {
        std::string Reply;
        bool Close;
    } kCases[] = {
        {kHeader + "Content-Length: 100000000000\r\n\r\n" + std::string(100, 'x'), true},
        {kHeader + "\r\n" + std::string(1024 * 1024, 'x'), false},
    };

    for (const auto& c : kCases)
    {
        TScriptedServer server([&c](std::size_t, const std::string&) { return TReply{c.Reply, c.Close}; });
        Cli.MaxBodySize = 64 * 1024;
        Cli.URL = server.URL("/");
        Body.clear();
        const TOutcome outcome = RunGet(Cli, Body);
        EXPECT_TRUE(outcome.Threw);
        EXPECT_EQ(outcome.Code, 404);
        EXPECT_EQ(outcome.Message, kReasonBodyTooLarge);
        EXPECT_LE(Body.size(), 64u * 1024 + 16384);
    }
}

// A server that sends a byte every few milliseconds is never silent long
// enough for the idle time-out; the whole transfer's time bounds it.
TEST_F(HttpCli, DrippingServerFailsAfterTheTransferTime)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QTimer drip;
    drip.setInterval(10);
    QTcpSocket* peer = nullptr;
    int dripped = 0;
    QObject::connect(
        &server,
        &QTcpServer::newConnection,
        [&]
        {
            peer = server.nextPendingConnection();
            peer->write("HTTP/1.0 200 OK\r\n\r\n");
            drip.start();
        });
    // Bounded, so that a client without the limit ends too (and fails the test).
    QObject::connect(
        &drip,
        &QTimer::timeout,
        [&]
        {
            peer->write("x");
            if (++dripped == 1000)
            {
                drip.stop();
                peer->disconnectFromHost();
            }
        });
    Cli.TransferTimeout = std::chrono::milliseconds(300);
    Cli.URL = "http://127.0.0.1:" + std::to_string(server.serverPort()) + "/";
    const TOutcome outcome = RunGet(Cli, Body);
    EXPECT_TRUE(outcome.Threw);
    EXPECT_EQ(outcome.Code, 404);
    EXPECT_EQ(outcome.Message, kReasonTimeout);
    EXPECT_LT(dripped, 1000);
}

} // namespace
} // namespace brisolt
