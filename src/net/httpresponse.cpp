#include "net/httpresponse.h"

#include <algorithm>
#include <limits>

namespace brisolt
{

namespace
{

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Decimal digits with an optional sign; -1 for anything else,
// for a negative value and for a value beyond 64 bits.
int64_t ParseContentLength(std::string_view text)
{
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
    {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return -1;
    int64_t value = 0;
    for (const char c : text)
    {
        if (c < '0' || c > '9')
            return -1;
        const int digit = c - '0';
        if (value > (std::numeric_limits<int64_t>::max() - digit) / 10)
            return -1;
        value = value * 10 + digit;
    }
    return negative && value != 0 ? -1 : value;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The status code stands in the 10th to 12th characters; fewer digits count
// when the line is shorter, anything but digits gives 0.
int ParseStatusCode(std::string_view line)
{
    if (line.size() <= 9)
        return 0;
    const std::string_view digits = line.substr(9, 3);
    int code = 0;
    for (const char c : digits)
    {
        if (c < '0' || c > '9')
            return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

TConnectionWish ParseConnection(std::string_view value)
{
    const std::string lower = LowerCase(Trim(value));
    if (lower == "close")
        return TConnectionWish::Close;
    if (lower == "keep-alive")
        return TConnectionWish::KeepAlive;
    return TConnectionWish::None;
}

} // namespace

std::string LowerCase(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
    return lower;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && LowerCase(text.substr(0, prefix.size())) == LowerCase(prefix);
}

THttpResponseParser::THttpResponseParser(std::string& body)
    : Body(body)
{
}

THttpResponseParser::TState THttpResponseParser::Feed(std::string_view bytes)
{
    if (Current == TState::Header)
        FeedHeader(bytes);
    if (Current == TState::Body && !bytes.empty())
        FeedBody(bytes);
    else if (Current == TState::Done)
        Surplus += static_cast<int64_t>(bytes.size());
    return Current;
}

THttpResponseParser::TState THttpResponseParser::PeerClosed()
{
    if (Current == TState::Header || (Current == TState::Body && BodyFraming != TFraming::Close))
        Fail(TFailure::ClosedEarly);
    else if (Current == TState::Body)
        Current = TState::Done;
    return Current;
}

void THttpResponseParser::FeedHeader(std::string_view& bytes)
{
    while (Current == TState::Header && !bytes.empty())
    {
        const std::size_t lf = bytes.find('\n');
        // The line, its line end included, has to fit the receive buffer.
        if (lf == std::string_view::npos ? LineBuffer.size() + bytes.size() >= kReceiveBufferSize
                                         : LineBuffer.size() + lf + 1 > kReceiveBufferSize)
        {
            Fail(TFailure::LineTooLong);
            return;
        }
        if (lf == std::string_view::npos)
        {
            LineBuffer.append(bytes);
            bytes = {};
            return;
        }
        LineBuffer.append(bytes.substr(0, lf));
        bytes.remove_prefix(lf + 1);
        HeaderBytes += LineBuffer.size() + 1;
        if (HeaderBytes > kMaxHeaderSize)
        {
            Fail(TFailure::HeaderTooLarge);
            return;
        }
        std::string_view line = LineBuffer;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        TakeLine(line);
        LineBuffer.clear();
    }
}

void THttpResponseParser::TakeLine(std::string_view line)
{
    if (FirstLine)
    {
        FirstLine = false;
        // Some servers answer with the document alone, without status line or
        // header.
        if (StartsWithNoCase(line, "<HTML>"))
        {
            Head.ContentType = "text/html";
            BodyFraming = TFraming::Close;
            Current = TState::Body;
            WriteBody(line);
            return;
        }
        ParseStatusLine(line);
        return;
    }
    if (line.empty())
        EndOfHeader();
    else
        ParseHeaderLine(line);
}

void THttpResponseParser::ParseStatusLine(std::string_view line)
{
    Head.HeaderLines.emplace_back(line);
    if (!line.starts_with("HTTP/1.0") && !line.starts_with("HTTP/1.1"))
        return;
    Head.Version = line.substr(5, 3);
    Head.StatusCode = ParseStatusCode(line);
    Head.ReasonPhrase = line.size() > 13 ? line.substr(13) : std::string_view();
}

void THttpResponseParser::ParseHeaderLine(std::string_view line)
{
    Head.HeaderLines.emplace_back(line);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return;
    const std::string name = LowerCase(line.substr(0, colon));
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && IsBlank(value.front()))
        value.remove_prefix(1);

    if (name == "location")
    {
        Head.Location = value;
        Head.HasLocation = true;
    }
    else if (name == "content-length")
        Head.ContentLength = ParseContentLength(value);
    else if (name == "transfer-encoding")
        Head.TransferEncoding = value;
    else if (name == "content-type")
        Head.ContentType = LowerCase(value);
    else if (name == "connection" || name == "proxy-connection")
    {
        const TConnectionWish wish = ParseConnection(value);
        if (wish != TConnectionWish::None)
            Head.Connection = wish;
    }
}

void THttpResponseParser::EndOfHeader()
{
    // An interim answer: the real status line follows.
    if (Head.StatusCode == 100 && Head.Version == "1.1")
    {
        Head = THttpResponseHeader();
        FirstLine = true;
        return;
    }
    const int status = Head.StatusCode;
    const bool noBodyStatus = status < 200 || status == 204 || status == 301 || status == 302 || status == 304;
    if (Head.ContentLength == 0 || (Head.ContentLength == -1 && noBodyStatus))
    {
        BodyFraming = TFraming::None;
        Current = TState::Done;
        return;
    }
    StartBody();
}

void THttpResponseParser::StartBody()
{
    Current = TState::Body;
    if (Head.TransferEncoding == "chunked")
    {
        BodyFraming = TFraming::Chunked;
        Chunk = TChunkState::Size;
        Remaining = 0;
    }
    else if (Head.ContentLength >= 0)
    {
        BodyFraming = TFraming::Length;
        Remaining = Head.ContentLength;
    }
    else
        BodyFraming = TFraming::Close;
}

void THttpResponseParser::FeedBody(std::string_view bytes)
{
    switch (BodyFraming)
    {
    case TFraming::Length:
    {
        const auto take = static_cast<std::size_t>(std::min<int64_t>(Remaining, static_cast<int64_t>(bytes.size())));
        WriteBody(bytes.substr(0, take));
        Remaining -= static_cast<int64_t>(take);
        if (Remaining == 0)
        {
            Current = TState::Done;
            Surplus += static_cast<int64_t>(bytes.size() - take);
        }
        break;
    }
    case TFraming::Chunked:
        FeedChunked(bytes);
        break;
    case TFraming::Close:
    case TFraming::None:
        WriteBody(bytes);
        break;
    }
}

void THttpResponseParser::FeedChunked(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size())
    {
        switch (Chunk)
        {
        case TChunkState::Size:
        {
            const int digit = HexValue(bytes[i]);
            if (digit < 0)
            {
                Chunk = TChunkState::SizeRest;
                break;
            }
            // A size beyond 63 bits is never reached by the data anyway.
            constexpr int64_t kLimit = (std::numeric_limits<int64_t>::max() - 15) / 16;
            Remaining = Remaining > kLimit ? std::numeric_limits<int64_t>::max() : Remaining * 16 + digit;
            ++i;
            break;
        }
        case TChunkState::SizeRest:
        case TChunkState::DataRest:
        {
            const std::size_t lf = bytes.find('\n', i);
            if (lf == std::string_view::npos)
                return;
            i = lf + 1;
            if (Chunk == TChunkState::DataRest)
            {
                Chunk = TChunkState::Size;
                Remaining = 0;
            }
            else if (Remaining == 0)
            {
                Current = TState::Done;
                Surplus += static_cast<int64_t>(bytes.size() - i);
                return;
            }
            else
                Chunk = TChunkState::Data;
            break;
        }
        case TChunkState::Data:
        {
            const auto take =
                static_cast<std::size_t>(std::min<int64_t>(Remaining, static_cast<int64_t>(bytes.size() - i)));
            WriteBody(bytes.substr(i, take));
            i += take;
            Remaining -= static_cast<int64_t>(take);
            if (Remaining == 0)
                Chunk = TChunkState::DataRest;
            break;
        }
        }
    }
}

void THttpResponseParser::WriteBody(std::string_view bytes)
{
    Body.append(bytes);
    Count += static_cast<int64_t>(bytes.size());
}

void THttpResponseParser::Fail(TFailure failure)
{
    Current = TState::Failed;
    Failed = failure;
}

} // namespace brisolt
