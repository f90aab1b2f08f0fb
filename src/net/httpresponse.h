// The reader of one HTTP response, apart from any socket: it takes the bytes
// as they arrive, in pieces of any size, takes header lines out of a bounded
// receive buffer, decides whether and how a body follows, and appends the body
// to the caller's string as it is decoded. Standard library only; one thread
// at a time. The string given at construction must outlive the parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brisolt
{

// Header lines are taken from a buffer of this size: a line that does not end
// within it, its line end included, fails the response.
inline constexpr std::size_t kReceiveBufferSize = 8190;
// All header lines of one response together (interim "100" responses
// included) may not exceed this, so a server cannot feed header lines forever.
inline constexpr std::size_t kMaxHeaderSize = 256 * 1024;

// ASCII letters lowered; other bytes kept (header names, schemes and tokens
// compare without regard to case, whatever the bytes around them).
[[nodiscard]] std::string LowerCase(std::string_view text);
[[nodiscard]] bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Connection wish of the server's "connection" or "proxy-connection" lines.
enum class TConnectionWish
{
    None,
    Close,
    KeepAlive,
};

// What the status line and the header lines said.
struct THttpResponseHeader
{
    std::string Version;                  // "1.0" or "1.1"; empty without a status line
    int StatusCode = 0;                   // 0 until a status line arrives, or when its code is not a number
    std::string ReasonPhrase;             // from the 14th character of the status line on
    std::vector<std::string> HeaderLines; // every line as received, status line first, without line end
    int64_t ContentLength = -1;           // -1 when none was given or it was not a number
    std::string TransferEncoding;
    std::string ContentType; // lower-cased
    std::string Location;
    bool HasLocation = false;
    TConnectionWish Connection = TConnectionWish::None;
};

class THttpResponseParser
{
public:
    enum class TState
    {
        Header, // reading the status line and the header lines
        Body,   // reading the body
        Done,   // the response is complete; later bytes are not part of it
        Failed, // see Failure()
    };

    enum class TFailure
    {
        None,
        LineTooLong,    // a header line did not fit the receive buffer
        HeaderTooLarge, // the header lines exceeded kMaxHeaderSize
        ClosedEarly,    // the connection closed before the response was complete
    };

    // How the body's end is found.
    enum class TFraming
    {
        None,    // no body follows the header
        Length,  // ContentLength bytes
        Chunked, // "chunked" transfer coding
        Close,   // everything until the server closes the connection
    };

    // body receives the decoded body bytes, appended to what it holds.
    explicit THttpResponseParser(std::string& body);

    // Takes the next received bytes; returns the state after them.
    TState Feed(std::string_view bytes);
    // The server closed the connection: ends a body that runs to the close,
    // fails a response that is not complete yet.
    TState PeerClosed();

    [[nodiscard]] TState State() const { return Current; }

    [[nodiscard]] TFailure Failure() const { return Failed; }

    [[nodiscard]] TFraming Framing() const { return BodyFraming; }

    [[nodiscard]] const THttpResponseHeader& Header() const { return Head; }

    // Body bytes appended to the caller's string.
    [[nodiscard]] int64_t BodyCount() const { return Count; }

    // Bytes received after the response was complete.
    [[nodiscard]] int64_t SurplusCount() const { return Surplus; }

private:
    enum class TChunkState
    {
        Size,     // hexadecimal digits of the size line
        SizeRest, // rest of the size line, skipped
        Data,     // data bytes of the chunk
        DataRest, // rest of the line after the data, skipped
    };

    void FeedHeader(std::string_view& bytes);
    void TakeLine(std::string_view line);
    void ParseStatusLine(std::string_view line);
    void ParseHeaderLine(std::string_view line);
    void EndOfHeader();
    void StartBody();
    void FeedBody(std::string_view bytes);
    void FeedChunked(std::string_view bytes);
    void WriteBody(std::string_view bytes);
    void Fail(TFailure failure);

    std::string& Body;
    TState Current = TState::Header;
    TFailure Failed = TFailure::None;
    TFraming BodyFraming = TFraming::None;
    THttpResponseHeader Head;
    std::string LineBuffer; // the unfinished header line; never reaches kReceiveBufferSize
    std::size_t HeaderBytes = 0;
    bool FirstLine = true;
    int64_t Count = 0;
    int64_t Remaining = 0; // bytes left of a Length body or of the current chunk
    TChunkState Chunk = TChunkState::Size;
    int64_t Surplus = 0;
};

} // namespace brisolt
