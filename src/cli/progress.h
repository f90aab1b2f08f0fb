// A one-line progress display for hashing runs on standard error: files,
// pieces, throughput and the time left. Draws only when enabled (a person is
// watching a terminal), at most ten times a second. Used on the thread that
// runs the hashing hooks.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>

#include "create/createtorrent.h"

namespace brisolt::cli
{

class TCliProgress final : public TCreateObserver
{
public:
    TCliProgress(std::ostream& err, bool enabled);

    void TorrentStarted(
        const std::filesystem::path& output, int64_t totalLength, int64_t pieceLength, std::size_t fileCount) override;
    void FileStarted(const std::string& path, int64_t size) override;
    void PieceHashed() override;
    void ReportStatus(const std::string& status) override;

private:
    using TClock = std::chrono::steady_clock;
    void Draw(bool force);

    std::ostream& Err;
    bool Enabled;
    int64_t Total = 0;
    int64_t PieceLength = 1;
    int64_t PieceTotal = 0;
    int64_t Pieces = 0;
    std::size_t FileTotal = 0;
    std::size_t Files = 0;
    TClock::time_point Start;
    TClock::time_point LastDraw;
};

} // namespace brisolt::cli
