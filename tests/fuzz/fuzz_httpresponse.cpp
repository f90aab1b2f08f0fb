// Fuzzes the HTTP response reader and the URL handling. Any bytes must read
// without a crash, a read outside the input or a hang; the result must not
// depend on how the bytes were cut into pieces by the network; no header line
// may exceed the receive buffer, nor the header its bound; the body never
// holds more than arrived. The first input line also drives the URL parser
// and the relocation rules, whose parts must be consistent.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "fuzzcheck.h"
#include "net/httpprot.h"
#include "net/httpresponse.h"

namespace
{

using namespace brisolt;

struct TRun
{
    THttpResponseParser::TState State;
    THttpResponseParser::TFailure Failure;
    THttpResponseHeader Header;
    std::string Body;
    int64_t Surplus;
};

// Feeds the response in pieces whose sizes come from seed, then the close
// when asked.
TRun Run(std::string_view response, uint32_t seed, bool close)
{
    TRun run{};
    THttpResponseParser parser(run.Body);
    std::size_t at = 0;
    while (at < response.size())
    {
        const std::size_t piece = seed == 0 ? response.size() : 1 + (seed % 97);
        seed = seed * 1103515245u + 12345u;
        parser.Feed(response.substr(at, piece));
        at += std::min(piece, response.size() - at);
    }
    if (close)
        parser.PeerClosed();
    run.State = parser.State();
    run.Failure = parser.Failure();
    run.Header = parser.Header();
    run.Surplus = parser.SurplusCount();
    FUZZ_CHECK(parser.BodyCount() == static_cast<int64_t>(run.Body.size()));
    return run;
}

void CheckResponse(std::string_view response, uint32_t seed)
{
    for (const bool close : {false, true})
    {
        const TRun whole = Run(response, 0, close);
        const TRun split = Run(response, seed | 1, close);
        FUZZ_CHECK(whole.State == split.State);
        FUZZ_CHECK(whole.Failure == split.Failure);
        FUZZ_CHECK(whole.Body == split.Body);
        FUZZ_CHECK(whole.Surplus == split.Surplus);
        FUZZ_CHECK(whole.Header.HeaderLines == split.Header.HeaderLines);
        FUZZ_CHECK(whole.Header.StatusCode == split.Header.StatusCode);
        FUZZ_CHECK(whole.Header.ContentLength == split.Header.ContentLength);

        FUZZ_CHECK(whole.Body.size() <= response.size());
        FUZZ_CHECK(whole.Surplus >= 0 && static_cast<std::size_t>(whole.Surplus) <= response.size());
        FUZZ_CHECK(whole.Header.StatusCode >= 0 && whole.Header.StatusCode <= 999);
        FUZZ_CHECK(whole.Header.ContentLength >= -1);
        std::size_t headerBytes = 0;
        for (const std::string& line : whole.Header.HeaderLines)
        {
            FUZZ_CHECK(line.size() < kReceiveBufferSize);
            FUZZ_CHECK(line.find('\n') == std::string::npos);
            headerBytes += line.size() + 1;
        }
        FUZZ_CHECK(headerBytes <= kMaxHeaderSize);
        if (whole.Failure != THttpResponseParser::TFailure::None)
            FUZZ_CHECK(whole.State == THttpResponseParser::TState::Failed);
        // After the close nothing is left waiting.
        if (close)
        {
            FUZZ_CHECK(
                whole.State == THttpResponseParser::TState::Done || whole.State == THttpResponseParser::TState::Failed);
        }
    }
}

bool IsLower(std::string_view text)
{
    for (const char c : text)
    {
        if (c >= 'A' && c <= 'Z')
            return false;
    }
    return true;
}

void CheckTarget(const THttpTarget& target)
{
    FUZZ_CHECK(IsLower(target.Scheme) && !target.Scheme.empty());
    FUZZ_CHECK(!target.Port.empty() && !target.Path.empty());
    FUZZ_CHECK(target.Host.find_first_of("/?:@") == std::string::npos);
    FUZZ_CHECK(target.Port.find_first_of("/?@") == std::string::npos);
    FUZZ_CHECK(target.Path[0] == '/' || target.Path[0] == '?');
}

void CheckUrls(std::string_view data)
{
    const std::string_view first = data.substr(0, data.find('\n'));
    const THttpTarget target = ParseURL(first);
    CheckTarget(target);
    const std::string_view location = first.size() < data.size() ? data.substr(first.size() + 1) : first;
    const THttpTarget next = RelocationTarget(target, location.substr(0, location.find('\n')));
    if (!next.Path.empty() && (next.Path[0] == '/' || next.Path[0] == '?'))
        CheckTarget(next);
    FUZZ_CHECK(next.Path.size() <= target.Path.size() + data.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size)
{
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    uint32_t seed = 0;
    for (std::size_t i = 0; i < size && i < 4; ++i)
        seed = seed * 256 + bytes[i];
    CheckResponse(data, seed);
    CheckUrls(data);
    return 0;
}
