// SHA-1 throughput on one core: OpenSSL's EVP SHA-1 and our one-message
// digest (TSHA1, fastest compression), each one message at a time, and the
// many-message engine on every path this processor has, 16 messages per
// call, as the hashing digests a slot of pieces. Messages are the size of
// typical pieces and are digested whole. The contenders take turns over
// several rounds so that frequency changes and noise hit all of them alike;
// medians are reported, and every round's rate. Rates are given per second of
// the thread's CPU time, which other processes on a shared machine barely
// disturb, beside the wall-clock median.
//
// Usage: sha1_bench [seconds per measurement, default 0.25] [rounds, default 7]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <openssl/evp.h>

#include "core/messagedigests.h"
#include "core/sha1_many.h"

namespace
{

using brisolt::TSHA1;
using TClock = std::chrono::steady_clock;

constexpr std::size_t kMessages = 16; // per call of the many-message engine

struct TContender
{
    std::string Name;
    // Digests the messages (one, or kMessages for the engine); returns the
    // first digest and adds the bytes digested to bytes.
    std::function<std::string(const std::vector<std::string>&, std::size_t& bytes)> Digest;
    bool Many = false;
    brisolt::TSha1Path Path = brisolt::TSha1Path::Portable;
    std::vector<double> Rates;     // MB/s of CPU time, one per round
    std::vector<double> WallRates; // MB/s of wall time, one per round
};

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct TRate
{
    double Cpu = 0;
    double Wall = 0;
};

std::string OursDigest(TSHA1& sha, const std::string& message)
{
    sha.Initialize();
    sha.Transform(message.data(), message.size());
    sha.Complete();
    return sha.Digest();
}

std::string OpenSslDigest(EVP_MD_CTX* ctx, const std::string& message)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr) != 1 || EVP_DigestUpdate(ctx, message.data(), message.size()) != 1
        || EVP_DigestFinal_ex(ctx, md, &size) != 1)
    {
        std::fprintf(stderr, "OpenSSL SHA-1 failed\n");
        std::exit(1);
    }
    return std::string(reinterpret_cast<const char*>(md), size);
}

std::string ManyDigest(const std::vector<std::string>& messages, std::size_t& bytes)
{
    brisolt::TSha1Part parts[kMessages];
    for (std::size_t i = 0; i < kMessages; ++i)
    {
        parts[i] = {reinterpret_cast<const uint8_t*>(messages[i].data()), messages[i].size()};
        bytes += parts[i].Size;
    }
    brisolt::TSha1Many many;
    many.Start(kMessages);
    many.Finish(parts);
    return std::string(reinterpret_cast<const char*>(many.Digest(0).data()), 20);
}

// Digests repeatedly for about `seconds` of CPU time; returns MB/s.
TRate Measure(const TContender& c, const std::vector<std::string>& messages, double seconds, unsigned& sink)
{
    const auto start = TClock::now();
    const double cpuStart = ThreadCpuSeconds();
    std::size_t bytes = 0;
    double cpu = 0;
    do
    {
        sink += static_cast<unsigned char>(c.Digest(messages, bytes)[0]);
        cpu = ThreadCpuSeconds() - cpuStart;
    } while (cpu < seconds);
    const double elapsed = std::chrono::duration<double>(TClock::now() - start).count();
    return {static_cast<double>(bytes) / cpu / 1e6, static_cast<double>(bytes) / elapsed / 1e6};
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string RandomMessage(std::size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (char& ch : s)
        ch = static_cast<char>(rng() & 0xFF);
    return s;
}

bool RunSize(std::size_t size, double seconds, int rounds, unsigned& sink)
{
    std::vector<std::string> messages;
    for (std::size_t i = 0; i < kMessages; ++i)
        messages.push_back(RandomMessage(size, 42 + static_cast<unsigned>(i)));
    TSHA1 sha;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    std::vector<TContender> contenders = {
        {"openssl",
         [&](const std::vector<std::string>& m, std::size_t& bytes)
         {
             bytes += m[0].size();
             return OpenSslDigest(ctx, m[0]);
         },
         false,
         brisolt::TSha1Path::Portable,
         {},
         {}},
        {"tsha1",
         [&](const std::vector<std::string>& m, std::size_t& bytes)
         {
             bytes += m[0].size();
             return OursDigest(sha, m[0]);
         },
         false,
         brisolt::TSha1Path::Portable,
         {},
         {}},
    };
    for (const auto path :
         {brisolt::TSha1Path::Avx512,
          brisolt::TSha1Path::Avx2,
          brisolt::TSha1Path::ShaNi,
          brisolt::TSha1Path::Portable})
    {
        if (brisolt::Sha1PathAvailable(path))
            contenders.push_back({std::string("lanes:") + brisolt::Sha1PathName(path), ManyDigest, true, path, {}, {}});
    }
    const auto select = [](const TContender& c)
    {
        if (c.Many)
            brisolt::Sha1ForcePath(c.Path);
    };

    bool agree = true;
    for (auto& c : contenders)
    {
        select(c);
        std::size_t bytes = 0;
        agree = agree && c.Digest(messages, bytes) == OpenSslDigest(ctx, messages[0]);
    }
    for (int round = 0; round < rounds; ++round)
    {
        for (auto& c : contenders)
        {
            select(c);
            const TRate rate = Measure(c, messages, seconds, sink);
            c.Rates.push_back(rate.Cpu);
            c.WallRates.push_back(rate.Wall);
        }
    }
    brisolt::Sha1ResetPath();
    EVP_MD_CTX_free(ctx);

    std::printf(
        "%zu KiB messages, %d rounds of %.2f s CPU, one core; MB/s per CPU second (median, each round), "
        "and per wall second (median):\n",
        size / 1024,
        rounds,
        seconds);
    const double openssl = Median(contenders[0].Rates);
    std::printf("  %-15s %8s %8s %8s  %s\n", "path", "cpu MB/s", "/openssl", "wall", "rounds (cpu MB/s)");
    for (const auto& c : contenders)
    {
        std::printf(
            "  %-15s %8.1f %7.2fx %8.1f ",
            c.Name.c_str(),
            Median(c.Rates),
            Median(c.Rates) / openssl,
            Median(c.WallRates));
        for (const double rate : c.Rates)
            std::printf(" %.0f", rate);
        std::printf("\n");
    }
    if (!agree)
        std::printf("  DIGESTS DIFFER from OpenSSL\n");
    return agree;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 0.25;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
    if (seconds <= 0 || rounds <= 0)
    {
        std::fprintf(stderr, "usage: sha1_bench [seconds per measurement] [rounds]\n");
        return 2;
    }
    std::printf(
        "TSHA1 compression: %s; many-message path by default: %s (%d lanes)\n",
        TSHA1::CompressionName(),
        brisolt::Sha1PathName(brisolt::Sha1CurrentPath()),
        brisolt::Sha1PathLanes(brisolt::Sha1CurrentPath()));
    unsigned sink = 0;
    bool ok = true;
    for (const std::size_t size : {std::size_t{256} * 1024, std::size_t{1024} * 1024})
        ok = RunSize(size, seconds, rounds, sink) && ok;
    std::printf("(checksum %u)\n", sink);
    return ok ? 0 : 1;
}
