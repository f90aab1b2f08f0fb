#include "cli/progress.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace brisolt::cli
{

namespace
{

constexpr auto kDrawInterval = std::chrono::milliseconds(100);
constexpr int kBarWidth = 24;

std::string FormatSeconds(double seconds)
{
    const auto s = static_cast<long long>(std::max(0.0, seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

} // namespace

TCliProgress::TCliProgress(std::ostream& err, bool enabled)
    : Err(err)
    , Enabled(enabled)
{
}

void TCliProgress::TorrentStarted(
    const std::filesystem::path& output, int64_t totalLength, int64_t pieceLength, std::size_t fileCount)
{
    (void)output;
    Total = totalLength;
    PieceLength = std::max<int64_t>(1, pieceLength);
    PieceTotal = (totalLength + PieceLength - 1) / PieceLength;
    Pieces = 0;
    FileTotal = fileCount;
    Files = 0;
    Start = TClock::now();
    LastDraw = {};
}

void TCliProgress::FileStarted(const std::string& path, int64_t size)
{
    (void)path;
    (void)size;
    ++Files;
    Draw(false);
}

void TCliProgress::PieceHashed()
{
    ++Pieces;
    Draw(false);
}

void TCliProgress::ReportStatus(const std::string& status)
{
    if (Enabled && status == "done")
        Err << "\r\033[K" << std::flush; // leave the line clean for what follows
}

void TCliProgress::Draw(bool force)
{
    if (!Enabled)
        return;
    const auto now = TClock::now();
    if (!force && now - LastDraw < kDrawInterval)
        return;
    LastDraw = now;
    const int64_t done = std::min(Total, Pieces * PieceLength);
    const double fraction = Total > 0 ? static_cast<double>(done) / static_cast<double>(Total) : 1.0;
    const double seconds = std::chrono::duration<double>(now - Start).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    const int filled = static_cast<int>(fraction * kBarWidth);
    char line[256];
    std::snprintf(
        line,
        sizeof line,
        "\r[%-*s] %3d%%  files %zu/%zu  pieces %lld/%lld  %.1f MB/s  %s left\033[K",
        kBarWidth,
        std::string(static_cast<std::size_t>(filled), '#').c_str(),
        static_cast<int>(fraction * 100),
        Files,
        FileTotal,
        static_cast<long long>(Pieces),
        static_cast<long long>(PieceTotal),
        rate / 1e6,
        rate > 0 ? FormatSeconds(static_cast<double>(Total - done) / rate).c_str() : "-:--:--");
    Err << line << std::flush;
}

} // namespace brisolt::cli
