// THttpCli: an HTTP/1.0 client for GET over a TWSocket of its own. A request
// is synchronous for its caller: Get returns when the response is complete or
// has failed, and while it waits it runs the thread's Qt event loop, so the
// window stays usable and any event handler may run meanwhile (a Get started
// by one of them fails as busy). Relocations are followed; the body of the
// final response is appended to the caller's string.
//
// Needs a QCoreApplication; every member is called from its thread. The client
// must not be destroyed while Get waits. Not copyable.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "net/httpresponse.h"
#include "net/wsocket.h"

class QEventLoop;
class QTimer;

namespace brisolt
{

inline constexpr std::string_view kBrisoltAgent = "Mozilla/3.0 (compatible; Brisolt v2.1 beta)";
inline constexpr std::string_view kBrisoltAccept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";

// A server that relocates to itself must not keep a request running forever.
inline constexpr int kMaxRelocations = 10;
inline constexpr std::chrono::milliseconds kDefaultIdleTimeout{30000};
// What this client fetches (a tracker list) is a few kilobytes: a server that
// sends without end or drips its bytes must not hold the request.
inline constexpr int64_t kDefaultMaxBodySize = 4 * 1024 * 1024;
inline constexpr std::chrono::milliseconds kDefaultTransferTimeout{30000};

// Codes of EHttpException that are not HTTP statuses.
inline constexpr int kHttpErrorBusy = 1;
inline constexpr int kHttpErrorVersion = 2;

// Reasons of the failures that the client itself reports, all with status 404
// (a scheme other than "http" gives 501).
inline constexpr std::string_view kReasonCantResolve = "can't resolve hostname to IP address";
inline constexpr std::string_view kReasonAborted = "Connection aborted on request";
inline constexpr std::string_view kReasonTimeout = "Connection timed out";
inline constexpr std::string_view kReasonLineTooLong = "Response header line too long";
inline constexpr std::string_view kReasonHeaderTooLarge = "Response header too large";
inline constexpr std::string_view kReasonClosedEarly = "Connection closed before the response was complete";
inline constexpr std::string_view kReasonTooManyRelocations = "Too many relocations";
inline constexpr std::string_view kReasonBodyTooLarge = "Response body too large";

class EHttpException : public std::runtime_error
{
public:
    EHttpException(const std::string& message, int errorCode)
        : std::runtime_error(message)
        , Code(errorCode)
    {
    }

    [[nodiscard]] int ErrorCode() const { return Code; }

private:
    int Code;
};

// The parts of a URL, as texts.
struct THttpTarget
{
    std::string Scheme = "http"; // lower case
    std::string User;
    std::string Password;
    std::string Host;
    std::string Port = "80";
    std::string Path = "/";
};

// scheme "://" [user [":" password] "@"] host [":" port] path; the scheme
// defaults to "http", the port to "80", the path to "/"; the path starts at
// the first "/", or at a "?" before any "/".
[[nodiscard]] THttpTarget ParseURL(std::string_view url);
// Where a "location" value leads from current: a path on the same server, a
// full "http://" or "https://" URL, or a path relative to current's folder.
[[nodiscard]] THttpTarget RelocationTarget(const THttpTarget& current, std::string_view location);

enum class THttpState
{
    Ready,
    DnsLookup,
    Connecting,
    WaitingHeader,
    WaitingBody,
    Aborting,
};

class THttpCli
{
public:
    // name: the component's name, used in the busy message.
    explicit THttpCli(std::string name);
    ~THttpCli();
    THttpCli(const THttpCli&) = delete;
    THttpCli& operator=(const THttpCli&) = delete;

    // Settings, read when a request starts. Header lines with an empty value
    // are not sent.
    std::string URL;
    std::string Agent{kBrisoltAgent};
    std::string Accept{kBrisoltAccept};
    std::string RequestVer = "1.0"; // "1.0" or "1.1"
    bool FollowRelocation = true;
    bool NoCache = false;
    std::string LocalAddr = "0.0.0.0";
    std::string Sender;
    std::string Reference;
    std::string Connection;
    std::string ProxyConnection;
    std::string AcceptLanguage;
    std::string Cookie;
    // A request fails when the server (or the lookup) stays silent this long,
    // when the whole request (relocations included) has not ended this long
    // after Get started, or when a response's body is announced or arrives
    // larger than MaxBodySize bytes.
    std::chrono::milliseconds IdleTimeout = kDefaultIdleTimeout;
    std::chrono::milliseconds TransferTimeout = kDefaultTransferTimeout;
    int64_t MaxBodySize = kDefaultMaxBodySize;

    // GETs URL, following relocations; the final response's body is appended
    // to body. Throws EHttpException when busy (code 1), for a RequestVer
    // other than "1.0" or "1.1" (code 2), and when the final status is 400 or
    // above except 401 and 407 (the reason as message, the status as code);
    // an error page's body has been appended all the same.
    void Get(std::string& body);
    // Abandons a running request (status 404, "Connection aborted on
    // request"); Get then throws. A request is abandoned the same way when
    // the application quits while Get waits.
    void Abort();

    [[nodiscard]] const std::string& Name() const { return ComponentName; }

    [[nodiscard]] THttpState State() const { return CurrentState; }

    // Results of the last request: its final response, or the failure's
    // status and reason.
    [[nodiscard]] int StatusCode() const { return Status; }

    [[nodiscard]] const std::string& ReasonPhrase() const { return Reason; }

    [[nodiscard]] const std::vector<std::string>& RcvdHeader() const { return Head.HeaderLines; }

    [[nodiscard]] int64_t ContentLength() const { return Head.ContentLength; }

    [[nodiscard]] const std::string& ContentType() const { return Head.ContentType; }

    [[nodiscard]] const std::string& TransferEncoding() const { return Head.TransferEncoding; }

    [[nodiscard]] const std::string& Location() const { return Head.Location; }

    // Body bytes of the final response.
    [[nodiscard]] int64_t RcvdCount() const { return BodyCount; }

    // Relocations followed by the last request.
    [[nodiscard]] int RelocationCount() const { return Relocations; }

    // The exact bytes sent for target: request line, header lines, empty line.
    [[nodiscard]] std::string RequestText(const THttpTarget& target) const;

private:
    void Wait();
    void StartRequest(const THttpTarget& target);
    void SendRequest();
    void DnsLookupDone(int error);
    void SessionConnected(int error);
    void DataAvailable();
    void SessionClosed(int error);
    bool ReadAvailable();
    bool HandleParserState();
    void Complete();
    void Fail(int status, std::string_view reason);
    void Finish();
    void RestartIdleTimer();
    void IdleTimeoutExpired();
    [[nodiscard]] bool BodyTooLarge() const;

    std::string ComponentName;
    TWSocket Socket;
    std::unique_ptr<QTimer> IdleTimer;
    std::unique_ptr<QTimer> TransferTimer;
    QEventLoop* WaitLoop = nullptr; // the loop of the running Get
    bool Waiting = false;           // Get has not returned yet
    THttpState CurrentState = THttpState::Ready;
    std::string* Body = nullptr;
    std::unique_ptr<THttpResponseParser> Parser;
    THttpTarget Target;
    bool CloseAfter = true; // the connection closes after the current response
    int Relocations = 0;
    int Status = 0;
    std::string Reason;
    THttpResponseHeader Head;
    int64_t BodyCount = 0;
};

} // namespace brisolt
