#include "net/httpprot.h"

#include <algorithm>
#include <cerrno>

#include <QEventLoop>
#include <QTimer>

namespace brisolt
{

namespace
{

constexpr std::string_view kCrLf = "\r\n";

bool IsSchemeChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-'
           || c == '.';
}

// A port is 1 to 65535 in decimal digits.
bool ParsePort(std::string_view text, uint16_t& port)
{
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (const char c : text)
    {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

std::string SocketErrorReason(int error)
{
    return TWSocket::ErrorText(error) + " (Error #" + std::to_string(error) + ")";
}

// Leaves the request's wait state behind whichever way Get ends.
class TWaitGuard
{
public:
    TWaitGuard(bool& waiting, std::string*& body)
        : Waiting(waiting)
        , Body(body)
    {
    }

    ~TWaitGuard()
    {
        Waiting = false;
        Body = nullptr;
    }

    TWaitGuard(const TWaitGuard&) = delete;
    TWaitGuard& operator=(const TWaitGuard&) = delete;

private:
    bool& Waiting;
    std::string*& Body;
};

} // namespace

THttpTarget ParseURL(std::string_view url)
{
    THttpTarget target;
    std::string_view rest = url;
    const std::size_t separator = rest.find("://");
    if (separator != std::string_view::npos
        && std::all_of(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(separator), IsSchemeChar))
    {
        if (separator > 0)
            target.Scheme = LowerCase(rest.substr(0, separator));
        rest.remove_prefix(separator + 3);
    }
    const std::size_t pathStart = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, pathStart);
    if (pathStart != std::string_view::npos)
        target.Path = rest.substr(pathStart);

    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos)
    {
        const std::string_view userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        target.User = userInfo.substr(0, colon);
        if (colon != std::string_view::npos)
            target.Password = userInfo.substr(colon + 1);
        authority.remove_prefix(at + 1);
    }
    const std::size_t colon = authority.find(':');
    target.Host = authority.substr(0, colon);
    if (colon != std::string_view::npos && colon + 1 < authority.size())
        target.Port = authority.substr(colon + 1);
    return target;
}

THttpTarget RelocationTarget(const THttpTarget& current, std::string_view location)
{
    if (location.starts_with('/'))
    {
        THttpTarget target = current;
        target.Path = location;
        return target;
    }
    if (StartsWithNoCase(location, "http://") || StartsWithNoCase(location, "https://"))
        return ParseURL(location);
    // Relative to the current folder: the path up to its last "/" or ":"
    // before the query.
    const std::string_view path = current.Path;
    const std::string_view beforeQuery = path.substr(0, path.find('?'));
    const std::size_t last = beforeQuery.find_last_of("/:");
    THttpTarget target = current;
    target.Path = std::string(last == std::string_view::npos ? std::string_view() : path.substr(0, last + 1));
    target.Path += location;
    return target;
}

THttpCli::THttpCli(std::string name)
    : ComponentName(std::move(name))
    , IdleTimer(std::make_unique<QTimer>())
    , TransferTimer(std::make_unique<QTimer>())
{
    IdleTimer->setSingleShot(true);
    QObject::connect(IdleTimer.get(), &QTimer::timeout, IdleTimer.get(), [this] { IdleTimeoutExpired(); });
    TransferTimer->setSingleShot(true);
    QObject::connect(
        TransferTimer.get(),
        &QTimer::timeout,
        TransferTimer.get(),
        [this]
        {
            if (CurrentState != THttpState::Ready)
                Fail(404, kReasonTimeout);
        });
    Socket.OnDnsLookupDone = [this](int error)
    {
        DnsLookupDone(error);
    };
    Socket.OnSessionConnected = [this](int error)
    {
        SessionConnected(error);
    };
    Socket.OnDataAvailable = [this]
    {
        DataAvailable();
    };
    Socket.OnSessionClosed = [this](int error)
    {
        SessionClosed(error);
    };
}

THttpCli::~THttpCli() = default;

std::string THttpCli::RequestText(const THttpTarget& target) const
{
    std::string text = "GET " + target.Path + " HTTP/" + RequestVer;
    text += kCrLf;
    auto line = [&text](std::string_view name, std::string_view value)
    {
        if (value.empty())
            return;
        text += name;
        text += value;
        text += kCrLf;
    };
    line("From: ", Sender);
    line("Accept: ", Accept);
    line("Referer: ", Reference);
    line("Connection: ", Connection);
    line("Proxy-Connection: ", ProxyConnection);
    line("Accept-Language: ", AcceptLanguage);
    line("User-Agent: ", Agent);
    line("Host: ", target.Port == "80" ? target.Host : target.Host + ":" + target.Port);
    if (NoCache)
        line("Pragma: ", "no-cache");
    line("Cookie: ", Cookie);
    text += kCrLf;
    return text;
}

void THttpCli::Get(std::string& body)
{
    if (CurrentState != THttpState::Ready || Waiting)
        throw EHttpException("HTTP component " + ComponentName + " is busy", kHttpErrorBusy);
    if (RequestVer != "1.0" && RequestVer != "1.1")
        throw EHttpException("Insupported HTTP version", kHttpErrorVersion);

    const TWaitGuard guard(Waiting, Body);
    Waiting = true;
    Body = &body;
    Relocations = 0;
    TransferTimer->start(TransferTimeout);
    StartRequest(ParseURL(URL));
    Wait();
    if (Status >= 400 && Status != 401 && Status != 407)
        throw EHttpException(Reason, Status);
}

void THttpCli::Wait()
{
    QEventLoop loop;
    WaitLoop = &loop;
    while (CurrentState != THttpState::Ready)
    {
        loop.exec();
        // Leaving the loop before the request ended means the application
        // told every event loop to exit: it is quitting.
        if (CurrentState != THttpState::Ready)
            Abort();
    }
    WaitLoop = nullptr;
}

void THttpCli::Abort()
{
    if (CurrentState == THttpState::Ready)
        return;
    CurrentState = THttpState::Aborting;
    Fail(404, kReasonAborted);
}

void THttpCli::StartRequest(const THttpTarget& target)
{
    // A connection that stays open serves the next request to the same server.
    const bool reuse = !CloseAfter && Socket.Connected() && target.Scheme == Target.Scheme && target.Host == Target.Host
                       && target.Port == Target.Port;
    Target = target;
    Status = 0;
    Reason.clear();
    Head = THttpResponseHeader();
    BodyCount = 0;
    Parser.reset();
    CloseAfter = RequestVer == "1.0";
    RestartIdleTimer();
    if (reuse)
    {
        SendRequest();
        return;
    }
    Socket.Close();
    CurrentState = THttpState::DnsLookup;
    Socket.DnsLookup(Target.Host);
}

void THttpCli::DnsLookupDone(int error)
{
    if (CurrentState != THttpState::DnsLookup)
        return;
    if (error != 0)
        return Fail(404, kReasonCantResolve);
    if (Target.Scheme != "http")
        return Fail(501, "Protocol \"" + Target.Scheme + "\" not implemented");
    uint16_t port = 0;
    if (!ParsePort(Target.Port, port))
        return Fail(404, "can't connect: " + SocketErrorReason(EINVAL));
    CurrentState = THttpState::Connecting;
    RestartIdleTimer();
    const int connectError = Socket.Connect(Socket.DnsResult(), port, LocalAddr);
    if (connectError != 0)
        Fail(404, "can't connect: " + SocketErrorReason(connectError));
}

void THttpCli::SessionConnected(int error)
{
    if (CurrentState != THttpState::Connecting)
        return;
    if (error != 0)
        return Fail(404, SocketErrorReason(error));
    SendRequest();
}

void THttpCli::SendRequest()
{
    Parser = std::make_unique<THttpResponseParser>(*Body);
    CurrentState = THttpState::WaitingHeader;
    RestartIdleTimer();
    Socket.Send(RequestText(Target));
}

void THttpCli::DataAvailable()
{
    if (CurrentState != THttpState::WaitingHeader && CurrentState != THttpState::WaitingBody)
        return;
    RestartIdleTimer();
    ReadAvailable();
}

// Feeds what has arrived to the parser; false once the request has moved on
// (ended, failed or relocated).
bool THttpCli::ReadAvailable()
{
    char buffer[16384];
    for (;;)
    {
        const int64_t n = Socket.Receive(buffer, sizeof buffer);
        if (n <= 0)
            return true;
        Parser->Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (BodyTooLarge())
        {
            Fail(404, kReasonBodyTooLarge);
            return false;
        }
        if (!HandleParserState())
            return false;
    }
}

void THttpCli::SessionClosed(int error)
{
    if (CurrentState != THttpState::WaitingHeader && CurrentState != THttpState::WaitingBody)
        return;
    // Bytes that came before the close still belong to the response.
    if (!ReadAvailable())
        return;
    if (error != 0)
        return Fail(404, SocketErrorReason(error));
    Parser->PeerClosed();
    HandleParserState();
}

bool THttpCli::HandleParserState()
{
    switch (Parser->State())
    {
    case THttpResponseParser::TState::Header:
        return true;
    case THttpResponseParser::TState::Body:
        CurrentState = THttpState::WaitingBody;
        return true;
    case THttpResponseParser::TState::Done:
        Complete();
        return false;
    case THttpResponseParser::TState::Failed:
        break;
    }
    switch (Parser->Failure())
    {
    case THttpResponseParser::TFailure::LineTooLong:
        Fail(404, kReasonLineTooLong);
        break;
    case THttpResponseParser::TFailure::HeaderTooLarge:
        Fail(404, kReasonHeaderTooLarge);
        break;
    case THttpResponseParser::TFailure::None:
    case THttpResponseParser::TFailure::ClosedEarly:
        Fail(404, kReasonClosedEarly);
        break;
    }
    return false;
}

void THttpCli::Complete()
{
    Head = Parser->Header();
    Status = Head.StatusCode;
    Reason = Head.ReasonPhrase;
    BodyCount = Parser->BodyCount();
    if (Head.Connection == TConnectionWish::Close)
        CloseAfter = true;
    else if (Head.Connection == TConnectionWish::KeepAlive)
        CloseAfter = false;
    // Only a response whose end was known exactly leaves the connection
    // ready for another request.
    const auto framing = Parser->Framing();
    const bool reusable =
        !CloseAfter && Parser->SurplusCount() == 0
        && (framing == THttpResponseParser::TFraming::None || framing == THttpResponseParser::TFraming::Length);
    if (!reusable)
    {
        CloseAfter = true;
        Socket.Close();
    }
    if (!(Head.HasLocation && FollowRelocation))
        return Finish();

    // The caller gets the final response's body only.
    const auto removed = std::min(static_cast<std::size_t>(BodyCount), Body->size());
    Body->resize(Body->size() - removed);
    if (++Relocations > kMaxRelocations)
        return Fail(404, kReasonTooManyRelocations);
    StartRequest(RelocationTarget(Target, Head.Location));
}

void THttpCli::Fail(int status, std::string_view reason)
{
    Socket.CancelDnsLookup();
    Socket.Close();
    CloseAfter = true;
    if (Parser)
    {
        Head = Parser->Header();
        BodyCount = Parser->BodyCount();
    }
    Status = status;
    Reason = reason;
    Finish();
}

// Said so by the header, or seen in the bytes that arrived.
bool THttpCli::BodyTooLarge() const
{
    return Parser->BodyCount() > MaxBodySize || Parser->Header().ContentLength > MaxBodySize;
}

void THttpCli::Finish()
{
    IdleTimer->stop();
    TransferTimer->stop();
    Parser.reset();
    CurrentState = THttpState::Ready;
    if (WaitLoop)
        WaitLoop->quit();
}

void THttpCli::RestartIdleTimer()
{
    IdleTimer->start(IdleTimeout);
}

void THttpCli::IdleTimeoutExpired()
{
    if (CurrentState == THttpState::Ready)
        return;
    // A lookup that does not end is a name that could not be resolved.
    Fail(404, CurrentState == THttpState::DnsLookup ? kReasonCantResolve : kReasonTimeout);
}

} // namespace brisolt
