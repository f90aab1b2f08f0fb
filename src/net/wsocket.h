// TWSocket: the least socket layer the HTTP client needs, on Qt's
// asynchronous sockets: a host-name lookup, one TCP connection at a time,
// sending, reading what has arrived, closing, and the system's text for an
// error number. Every outcome is reported through a callback from the Qt event
// loop of the thread that owns the socket; a call never blocks. Errors are
// errno numbers, so their texts are the system's.
//
// The owner sets the callbacks and keeps them valid while the socket lives. A
// callback may call any member (Close included) but must not destroy the
// socket. After Close or CancelDnsLookup no callback comes for what was
// cancelled. Not copyable; one thread, the one with the event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <QAbstractSocket>
#include <QHostAddress>

class QTcpSocket;

namespace brisolt
{

class TWSocket
{
public:
    TWSocket();
    ~TWSocket();
    TWSocket(const TWSocket&) = delete;
    TWSocket& operator=(const TWSocket&) = delete;

    // error 0: DnsResult() holds the address (IPv4 preferred).
    std::function<void(int error)> OnDnsLookupDone;
    // error 0: the connection stands; else it failed.
    std::function<void(int error)> OnSessionConnected;
    // Bytes wait to be read with Receive.
    std::function<void()> OnDataAvailable;
    // The peer closed the connection (error 0) or it broke (error != 0).
    // Bytes that arrived before may still wait to be read.
    std::function<void(int error)> OnSessionClosed;

    // Starts a lookup of host (a name or an address literal); ends any earlier one.
    void DnsLookup(const std::string& host);
    void CancelDnsLookup();

    [[nodiscard]] const QHostAddress& DnsResult() const { return Result; }

    // Starts a connection from localAddr ("0.0.0.0": any interface). Returns
    // 0, or the error number when the call failed at once (then no callback
    // follows).
    [[nodiscard]] int Connect(const QHostAddress& address, uint16_t port, const std::string& localAddr);
    void Send(std::string_view bytes);
    // Reads up to size bytes that have arrived; returns how many.
    [[nodiscard]] int64_t Receive(char* buffer, int64_t size);
    // Closes the connection at once, without a callback.
    void Close();

    [[nodiscard]] bool Connected() const { return IsConnected; }

    // The system's text for an error number.
    [[nodiscard]] static std::string ErrorText(int error);

private:
    void HandleError(QAbstractSocket::SocketError error);

    // Parent of the sockets and context of the lookups: whatever is still
    // pending goes with it.
    std::unique_ptr<QObject> Holder;
    // The current connection's socket, a child of Holder. Each connection
    // gets a fresh one, so nothing of an earlier one (a failed bind, a late
    // signal) can reach it.
    QTcpSocket* Socket = nullptr;
    QHostAddress Result;
    int LookupId = -1;
    uint64_t LookupSerial = 0; // tells a cancelled lookup's late answer from the current one
    bool IsConnecting = false;
    bool IsConnected = false;
    bool InConnectCall = false; // errors while Connect runs are its return value
    int ConnectCallError = 0;
};

} // namespace brisolt
