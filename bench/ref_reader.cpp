// The reading limit for bench/create.sh: one reader per core, each with one
// buffer allocated and touched before the first file, that opens, reads and
// closes files (a folder's files, shared out one at a time) or its own stretch
// of a single file. Nothing is digested. No mapping, unlike cat on Debian 12,
// which maps and unmaps a buffer per file.
// usage: ref_reader THREADS PATH   (a regular file or a folder)
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace
{

constexpr std::size_t kBufferBytes = 4u << 20;

// Reads [from, to) of path with pread (to < 0: up to the end).
void ReadFile(const char* path, std::vector<char>& buffer, long long from, long long to)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        std::perror(path);
        std::exit(1);
    }
    for (long long at = from; to < 0 || at < to;)
    {
        const std::size_t want = to < 0 ? buffer.size() : std::min<std::size_t>(buffer.size(), to - at);
        const ssize_t n = ::pread(fd, buffer.data(), want, at);
        if (n <= 0)
            break;
        at += n;
        // A short read is the end of a regular file: one read per small file.
        if (static_cast<std::size_t>(n) < want)
            break;
    }
    ::close(fd);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: ref_reader THREADS PATH\n");
        return 2;
    }
    const int threads = std::max(1, std::atoi(argv[1]));
    const std::filesystem::path root = argv[2];
    std::vector<std::string> files;
    long long size = 0;
    if (std::filesystem::is_directory(root))
    {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        {
            if (entry.is_regular_file())
                files.push_back(entry.path().string());
        }
    }
    else
    {
        size = static_cast<long long>(std::filesystem::file_size(root));
    }
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < threads; ++t)
    {
        readers.emplace_back(
            [&, t]
            {
                std::vector<char> buffer(kBufferBytes, 1); // touched before the first read
                if (files.empty())
                {
                    const long long part = (size / threads + 4095) / 4096 * 4096;
                    const long long from = std::min(size, part * t);
                    ReadFile(argv[2], buffer, from, t + 1 == threads ? size : std::min(size, from + part));
                    return;
                }
                for (std::size_t i = next++; i < files.size(); i = next++)
                    ReadFile(files[i].c_str(), buffer, 0, -1);
            });
    }
    for (auto& reader : readers)
        reader.join();
    return 0;
}
