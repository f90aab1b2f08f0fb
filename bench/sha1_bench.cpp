// SHA-1 throughput on one core: our digest (fastest compression), OpenSSL's
// EVP SHA-1 and our portable compression, on messages the size of typical
// pieces. Each message is digested whole (Initialize, Transform, Complete), as
// the hashing does for a piece. The contenders take turns over several rounds
// so that frequency changes and noise hit all of them alike; medians are
// reported.
//
// Usage: sha1_bench [seconds per measurement, default 0.25] [rounds, default 7]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <openssl/evp.h>

#include "core/messagedigests.h"

namespace
{

using brisolt::TSHA1;
using TClock = std::chrono::steady_clock;

struct TContender
{
    const char* Name;
    std::function<std::string(const std::string&)> Digest;
    std::vector<double> Rates; // MB/s, one per round
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

// Digests the message repeatedly for about `seconds`; returns MB/s.
double Measure(const TContender& c, const std::string& message, double seconds, unsigned& sink)
{
    const auto start = TClock::now();
    const auto until = start + std::chrono::duration<double>(seconds);
    std::size_t runs = 0;
    TClock::time_point now;
    do
    {
        sink += static_cast<unsigned char>(c.Digest(message)[0]);
        ++runs;
        now = TClock::now();
    } while (now < until);
    const double elapsed = std::chrono::duration<double>(now - start).count();
    return static_cast<double>(runs) * static_cast<double>(message.size()) / elapsed / 1e6;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string RandomMessage(std::size_t size)
{
    std::mt19937 rng(42);
    std::string s(size, '\0');
    for (char& ch : s)
        ch = static_cast<char>(rng() & 0xFF);
    return s;
}

bool RunSize(std::size_t size, double seconds, int rounds, unsigned& sink)
{
    const std::string message = RandomMessage(size);
    TSHA1 sha;
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    std::vector<TContender> contenders = {
        {"brisolt", [&](const std::string& m) { return OursDigest(sha, m); }, {}},
        {"openssl", [&](const std::string& m) { return OpenSslDigest(ctx, m); }, {}},
        {"portable", [&](const std::string& m) { return OursDigest(sha, m); }, {}},
    };
    // The portable contender switches the process to the portable path and back.
    const auto select = [](const TContender& c)
    {
        TSHA1::ForcePortable(std::string(c.Name) == "portable");
    };

    bool agree = true;
    const std::string reference = OpenSslDigest(ctx, message);
    for (const auto& c : contenders)
    {
        select(c);
        agree = agree && c.Digest(message) == reference;
    }
    for (int round = 0; round < rounds; ++round)
    {
        for (auto& c : contenders)
        {
            select(c);
            c.Rates.push_back(Measure(c, message, seconds, sink));
        }
    }
    TSHA1::ForcePortable(false);
    EVP_MD_CTX_free(ctx);

    std::printf("%zu KiB messages, %d rounds of %.2f s, median MB/s:\n", size / 1024, rounds, seconds);
    for (const auto& c : contenders)
    {
        const auto [lo, hi] = std::minmax_element(c.Rates.begin(), c.Rates.end());
        std::printf("  %-9s %8.1f   (min %.1f, max %.1f)\n", c.Name, Median(c.Rates), *lo, *hi);
    }
    std::printf(
        "  ratio brisolt/openssl %.3f, portable/openssl %.3f\n",
        Median(contenders[0].Rates) / Median(contenders[1].Rates),
        Median(contenders[2].Rates) / Median(contenders[1].Rates));
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
    TSHA1::ForcePortable(false);
    std::printf("SHA-1 compression in use: %s\n", TSHA1::CompressionName());
    unsigned sink = 0;
    bool ok = true;
    for (const std::size_t size : {std::size_t{256} * 1024, std::size_t{1024} * 1024})
        ok = RunSize(size, seconds, rounds, sink) && ok;
    std::printf("(checksum %u)\n", sink);
    return ok ? 0 : 1;
}
