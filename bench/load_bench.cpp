// Load time of a metainfo file: reads the file as the editor does, then runs
// TTorrentFile::Load on its bytes, each time into a fresh model, the given
// number of times. Prints the wall time of the first load (what a user meets:
// a fresh process, where every page touched is new) and the median of the
// further loads (memory already mapped), each for the load alone and for read
// plus load. Peak memory is measured from outside (bench/load.sh runs this
// under /usr/bin/time -v); with 0 runs the program exits before reading
// anything, which gives the baseline of a process that loads nothing.
//
// Usage: load_bench FILE [runs, default 5]
#include "core/torrentfile.h"
#include "platform/fileio.h"

namespace
{

using TClock = std::chrono::steady_clock;

double Milliseconds(TClock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool Read(const char* path, std::string& data)
{
    std::string reason;
    if (brisolt::ReadWholeFile(path, brisolt::kMaxMetainfoSize, data, reason) == brisolt::TReadResult::Ok)
        return true;
    std::fprintf(stderr, "load_bench: cannot read %s: %s\n", path, reason.empty() ? "too large" : reason.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3)
    {
        std::fprintf(stderr, "usage: load_bench FILE [runs]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    if (runs <= 0)
        return 0;

    std::vector<double> loadMs;
    std::vector<double> readLoadMs;
    std::size_t files = 0;
    std::size_t pieces = 0;
    std::size_t errors = 0;
    for (int i = 0; i < runs; ++i)
    {
        const auto start = TClock::now();
        std::string data;
        if (!Read(argv[1], data))
            return 1;
        const auto read = TClock::now();
        brisolt::TTorrentFile torrent;
        const bool loaded = torrent.Load(data);
        const auto done = TClock::now();
        if (!loaded)
        {
            std::fprintf(stderr, "load_bench: %s did not load\n", argv[1]);
            return 1;
        }
        loadMs.push_back(Milliseconds(done - read));
        readLoadMs.push_back(Milliseconds(done - start));
        files = torrent.Files.size();
        pieces = torrent.Pieces.size();
        errors = torrent.Errors.size();
    }
    std::printf("files %zu pieces %zu errors %zu\n", files, pieces, errors);
    std::printf("first_load_ms %.1f\n", loadMs[0]);
    std::printf("first_read_load_ms %.1f\n", readLoadMs[0]);
    if (runs > 1)
    {
        std::printf("load_ms %.1f\n", Median({loadMs.begin() + 1, loadMs.end()}));
        std::printf("read_load_ms %.1f\n", Median({readLoadMs.begin() + 1, readLoadMs.end()}));
    }
    return 0;
}
