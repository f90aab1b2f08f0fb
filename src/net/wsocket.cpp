#include "net/wsocket.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <QHostInfo>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

namespace brisolt
{

namespace
{

// Qt names socket errors by kind only; the nearest errno gives the number and
// the system's text.
int ErrorNumber(QAbstractSocket::SocketError error)
{
    switch (error)
    {
    case QAbstractSocket::ConnectionRefusedError:
        return ECONNREFUSED;
    case QAbstractSocket::RemoteHostClosedError:
        return ECONNRESET;
    case QAbstractSocket::HostNotFoundError:
        return EHOSTUNREACH;
    case QAbstractSocket::SocketAccessError:
        return EACCES;
    case QAbstractSocket::SocketResourceError:
        return EMFILE;
    case QAbstractSocket::SocketTimeoutError:
        return ETIMEDOUT;
    case QAbstractSocket::DatagramTooLargeError:
        return EMSGSIZE;
    case QAbstractSocket::NetworkError:
        return ENETUNREACH;
    case QAbstractSocket::AddressInUseError:
        return EADDRINUSE;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return EADDRNOTAVAIL;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return EAFNOSUPPORT;
    default:
        return EIO;
    }
}

QHostAddress PreferIPv4(const QList<QHostAddress>& addresses)
{
    for (const QHostAddress& address : addresses)
    {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return address;
    }
    return addresses.isEmpty() ? QHostAddress() : addresses.first();
}

} // namespace

TWSocket::TWSocket()
    : Holder(std::make_unique<QObject>())
{
}

TWSocket::~TWSocket()
{
    CancelDnsLookup();
    Close();
}

void TWSocket::HandleError(QAbstractSocket::SocketError error)
{
    if (InConnectCall)
    {
        if (ConnectCallError == 0)
            ConnectCallError = ErrorNumber(error);
        return;
    }
    if (IsConnecting)
    {
        IsConnecting = false;
        if (OnSessionConnected)
            OnSessionConnected(ErrorNumber(error));
        return;
    }
    if (!IsConnected)
        return;
    IsConnected = false;
    // The peer's orderly close is the normal end of a response.
    const int number = error == QAbstractSocket::RemoteHostClosedError ? 0 : ErrorNumber(error);
    if (OnSessionClosed)
        OnSessionClosed(number);
}

void TWSocket::DnsLookup(const std::string& host)
{
    CancelDnsLookup();
    const uint64_t serial = LookupSerial;
    QHostAddress literal;
    if (literal.setAddress(QString::fromStdString(host)))
    {
        // An address needs no lookup (and no reverse lookup either); it is
        // still reported from the event loop, as a lookup would be.
        Result = literal;
        QTimer::singleShot(
            0,
            Holder.get(),
            [this, serial]
            {
                if (serial == LookupSerial && OnDnsLookupDone)
                    OnDnsLookupDone(0);
            });
        return;
    }
    Result = QHostAddress();
    LookupId = QHostInfo::lookupHost(
        QString::fromStdString(host),
        Holder.get(),
        [this, serial](const QHostInfo& info)
        {
            if (serial != LookupSerial)
                return;
            LookupId = -1;
            Result = info.error() == QHostInfo::NoError ? PreferIPv4(info.addresses()) : QHostAddress();
            if (OnDnsLookupDone)
                OnDnsLookupDone(Result.isNull() ? EHOSTUNREACH : 0);
        });
}

void TWSocket::CancelDnsLookup()
{
    ++LookupSerial;
    if (LookupId != -1)
        QHostInfo::abortHostLookup(LookupId);
    LookupId = -1;
}

int TWSocket::Connect(const QHostAddress& address, uint16_t port, const std::string& localAddr)
{
    Close();
    if (port == 0 || address.isNull())
        return EINVAL;
    Socket = new QTcpSocket(Holder.get());
    // Connections go straight to the server named, never through a proxy of
    // the environment.
    Socket->setProxy(QNetworkProxy::NoProxy);
    QObject::connect(
        Socket,
        &QTcpSocket::connected,
        Socket,
        [this]
        {
            IsConnecting = false;
            IsConnected = true;
            if (OnSessionConnected)
                OnSessionConnected(0);
        });
    QObject::connect(
        Socket,
        &QTcpSocket::readyRead,
        Socket,
        [this]
        {
            if (OnDataAvailable)
                OnDataAvailable();
        });
    QObject::connect(
        Socket,
        &QTcpSocket::disconnected,
        Socket,
        [this]
        {
            if (!IsConnected)
                return;
            IsConnected = false;
            if (OnSessionClosed)
                OnSessionClosed(0);
        });
    QObject::connect(
        Socket, &QTcpSocket::errorOccurred, Socket, [this](QAbstractSocket::SocketError error) { HandleError(error); });

    InConnectCall = true;
    ConnectCallError = 0;
    if (!localAddr.empty() && localAddr != "0.0.0.0")
    {
        QHostAddress local;
        if (!local.setAddress(QString::fromStdString(localAddr)))
            ConnectCallError = EADDRNOTAVAIL;
        else if (!Socket->bind(local, 0) && ConnectCallError == 0)
            ConnectCallError = ErrorNumber(Socket->error());
    }
    if (ConnectCallError == 0)
    {
        IsConnecting = true;
        Socket->connectToHost(address, port);
    }
    InConnectCall = false;
    if (ConnectCallError != 0)
        Close();
    return ConnectCallError;
}

void TWSocket::Send(std::string_view bytes)
{
    if (Socket)
        Socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

int64_t TWSocket::Receive(char* buffer, int64_t size)
{
    const qint64 n = Socket ? Socket->read(buffer, size) : 0;
    return n < 0 ? 0 : n;
}

void TWSocket::Close()
{
    IsConnecting = false;
    IsConnected = false;
    if (!Socket)
        return;
    // Closing on our own side is reported to nobody. The socket may be the
    // one whose signal is running, so it is deleted from the event loop.
    QTcpSocket* old = std::exchange(Socket, nullptr);
    old->disconnect();
    old->abort();
    old->deleteLater();
}

std::string TWSocket::ErrorText(int error)
{
    return std::strerror(error);
}

} // namespace brisolt
