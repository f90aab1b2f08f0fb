// Shared by the HTTP client's tests: a scripted server on 127.0.0.1 that
// answers in this thread while Get runs the event loop, a way to run a
// request and keep its outcome, and the test fixture.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include "net/httpprot.h"

namespace brisolt::nettest
{

// Every request of these tests ends long before this; it only keeps a broken
// test from hanging.
constexpr std::chrono::milliseconds kSafetyTimeout{20000};

struct TReply
{
    std::string Bytes;
    bool Close = true; // close once the bytes are sent
};

// Answers each complete request (up to the empty line) with what the script
// gives for it; requests are numbered from 0 over all connections.
class TScriptedServer
{
public:
    using TScript = std::function<TReply(std::size_t index, const std::string& request)>;

    explicit TScriptedServer(TScript script)
        : Script(std::move(script))
    {
        Listening = Server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&Server, &QTcpServer::newConnection, &Server, [this] { Accept(); });
    }

    [[nodiscard]] bool IsListening() const { return Listening; }

    [[nodiscard]] uint16_t Port() const { return Server.serverPort(); }

    [[nodiscard]] std::string URL(std::string_view path) const
    {
        return "http://127.0.0.1:" + std::to_string(Port()) + std::string(path);
    }

    std::vector<std::string> Requests;
    std::vector<int> RequestConnection; // the connection (from 0) of each request
    int Connections = 0;

private:
    void Accept()
    {
        while (QTcpSocket* socket = Server.nextPendingConnection())
        {
            const int connection = Connections++;
            auto pending = std::make_shared<std::string>();
            QObject::connect(
                socket,
                &QTcpSocket::readyRead,
                socket,
                [this, socket, connection, pending]
                {
                    const QByteArray bytes = socket->readAll();
                    pending->append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
                    for (std::size_t end; (end = pending->find("\r\n\r\n")) != std::string::npos;)
                    {
                        const std::string request = pending->substr(0, end + 4);
                        pending->erase(0, end + 4);
                        Requests.push_back(request);
                        RequestConnection.push_back(connection);
                        const TReply reply = Script(Requests.size() - 1, request);
                        socket->write(reply.Bytes.data(), static_cast<qint64>(reply.Bytes.size()));
                        if (reply.Close)
                            socket->disconnectFromHost();
                    }
                });
        }
    }

    TScript Script;
    QTcpServer Server;
    bool Listening = false;
};

inline TScriptedServer::TScript Always(std::string bytes)
{
    return [bytes](std::size_t, const std::string&)
    {
        return TReply{bytes, true};
    };
}

struct TOutcome
{
    bool Threw = false;
    int Code = 0;
    std::string Message;
};

inline TOutcome RunGet(THttpCli& cli, std::string& body)
{
    try
    {
        cli.Get(body);
        return {};
    }
    catch (const EHttpException& e)
    {
        return {true, e.ErrorCode(), e.what()};
    }
}

inline std::string DefaultRequest(std::string_view path, std::string_view host)
{
    return "GET " + std::string(path) + " HTTP/1.0\r\n"
           + "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           + "User-Agent: Mozilla/3.0 (compatible; Brisolt v2.1 beta)\r\n" + "Host: " + std::string(host) + "\r\n\r\n";
}

inline std::string HostOf(const TScriptedServer& server)
{
    return "127.0.0.1:" + std::to_string(server.Port());
}

// A port on 127.0.0.1 where nothing listens (taken, then given back).
inline uint16_t FreePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const uint16_t port = probe.serverPort();
    probe.close();
    return port;
}

class HttpCli : public ::testing::Test
{
protected:
    HttpCli() { Cli.IdleTimeout = kSafetyTimeout; }

    THttpCli Cli{"HttpCli1"};
    std::string Body;
};

} // namespace brisolt::nettest
