// The lanes: each vector register holds one 32-bit word of 16 (or 8)
// messages, so one pass of the 80 rounds compresses a block of each. A block
// of every lane is loaded whole and transposed in registers, which beats
// gathering the words one by one. Lanes without work in a pass repeat another
// lane's blocks into a scratch state, so every load stays inside the caller's
// data.
#include "core/sha1_many.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/messagedigests.h"
#include "core/sha1_round.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define BRISOLT_SHA1_LANES_X86 1
#include <immintrin.h>
// GCC 12's AVX-512 headers start some results from a deliberately undefined
// register, which its own warnings then flag.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#endif

namespace brisolt
{

namespace
{

constexpr std::size_t kBlock = 64;
constexpr uint32_t kInitial[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
constexpr uint32_t kK[4] = {0x5A827999u, 0x6ED9EBA1u, 0x8F1BBCDCu, 0xCA62C1D6u};

// Compresses count blocks of each of the path's lanes; states[i] and data[i]
// belong to lane i.
using TLanesCompress = void (*)(uint32_t* const* states, const uint8_t* const* data, std::size_t count);

#if defined(BRISOLT_SHA1_LANES_X86)

#define BRISOLT_AVX512 __attribute__((target("avx512f,avx512bw"), always_inline)) inline
#define BRISOLT_AVX2 __attribute__((target("avx2"), always_inline)) inline

// An empty asm statement the compiler cannot look through. GCC regroups sums
// of vectors freely: it added the freshly rotated a first, which put three
// additions instead of one between one round's a and the next, and it folded
// every loaded row into both unpacks of the transpose, which loaded each row
// twice. Pinning the partial sums and the loaded rows keeps the order written;
// GCC's lanes ran at about 60 % of clang's without.
BRISOLT_AVX512 __m512i Pinned(__m512i v)
{
    asm("" : "+v"(v));
    return v;
}

BRISOLT_AVX2 __m256i Pinned(__m256i v)
{
    asm("" : "+v"(v));
    return v;
}

// ---- AVX-512, 16 lanes ----

template <std::size_t I>
BRISOLT_AVX512 void Round512(__m512i (&v)[5], __m512i (&w)[16])
{
    using S = TSha1Slots<I>;
    // vpternlogd overwrites its first operand: it is given values that die
    // there (the word being replaced; b, once its rotation is taken), or GCC
    // copies them first.
    if constexpr (I >= 16)
    {
        const __m512i x = _mm512_xor_si512(w[I % 16], w[(I + 2) % 16]);
        w[I % 16] = _mm512_rol_epi32(_mm512_ternarylogic_epi32(x, w[(I + 13) % 16], w[(I + 8) % 16], 0x96), 1);
    }
    const __m512i b = v[S::B];
    v[S::B] = _mm512_rol_epi32(b, 30);
    __m512i f;
    if constexpr (I < 20)
        f = _mm512_ternarylogic_epi32(b, v[S::C], v[S::D], 0xCA); // b ? c : d
    else if constexpr (I < 40 || I >= 60)
        f = _mm512_ternarylogic_epi32(b, v[S::C], v[S::D], 0x96); // b ^ c ^ d
    else
        f = _mm512_ternarylogic_epi32(b, v[S::C], v[S::D], 0xE8); // majority
    const __m512i k = _mm512_set1_epi32(static_cast<int>(kK[I / 20]));
    // w + k + e is ready early; f then a's rotation come last.
    const __m512i early = Pinned(_mm512_add_epi32(_mm512_add_epi32(w[I % 16], k), v[S::E]));
    const __m512i sum = Pinned(_mm512_add_epi32(early, f));
    v[S::E] = _mm512_add_epi32(sum, _mm512_rol_epi32(v[S::A], 5));
}

template <std::size_t... I>
BRISOLT_AVX512 void Rounds512(__m512i (&v)[5], __m512i (&w)[16], std::index_sequence<I...>)
{
    (Round512<I>(v, w), ...);
}

// Rows (one lane's 16 words each) become columns (one word of every lane).
BRISOLT_AVX512 void Transpose512(__m512i (&r)[16])
{
    __m512i t[16];
    for (int i = 0; i < 16; i += 2)
    {
        t[i] = _mm512_unpacklo_epi32(r[i], r[i + 1]);
        t[i + 1] = _mm512_unpackhi_epi32(r[i], r[i + 1]);
    }
    for (int i = 0; i < 16; i += 4)
    {
        r[i] = _mm512_unpacklo_epi64(t[i], t[i + 2]);
        r[i + 1] = _mm512_unpackhi_epi64(t[i], t[i + 2]);
        r[i + 2] = _mm512_unpacklo_epi64(t[i + 1], t[i + 3]);
        r[i + 3] = _mm512_unpackhi_epi64(t[i + 1], t[i + 3]);
    }
    for (int h = 0; h < 16; h += 8)
    {
        for (int i = 0; i < 4; ++i)
        {
            t[h + i] = _mm512_shuffle_i32x4(r[h + i], r[h + i + 4], 0x88);
            t[h + i + 4] = _mm512_shuffle_i32x4(r[h + i], r[h + i + 4], 0xDD);
        }
    }
    for (int i = 0; i < 8; ++i)
    {
        r[i] = _mm512_shuffle_i32x4(t[i], t[i + 8], 0x88);
        r[i + 8] = _mm512_shuffle_i32x4(t[i], t[i + 8], 0xDD);
    }
}

__attribute__((target("avx512f,avx512bw"))) void
Compress512(uint32_t* const* states, const uint8_t* const* data, std::size_t count)
{
    alignas(64) uint32_t soa[5][16];
    for (int lane = 0; lane < 16; ++lane)
        for (int j = 0; j < 5; ++j)
            soa[j][lane] = states[lane][j];
    __m512i s[5];
    for (int j = 0; j < 5; ++j)
        s[j] = _mm512_load_si512(soa[j]);
    const __m512i swap = _mm512_broadcast_i32x4(_mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3));
    for (std::size_t block = 0; block < count; ++block)
    {
        const std::size_t at = block * kBlock;
        __m512i w[16];
        for (int lane = 0; lane < 16; ++lane)
            w[lane] = Pinned(_mm512_loadu_si512(data[lane] + at));
        Transpose512(w);
        for (auto& word : w)
            word = _mm512_shuffle_epi8(word, swap);
        __m512i v[5] = {s[0], s[1], s[2], s[3], s[4]};
        Rounds512(v, w, std::make_index_sequence<80>());
        for (int j = 0; j < 5; ++j)
            s[j] = _mm512_add_epi32(s[j], v[j]);
    }
    for (int j = 0; j < 5; ++j)
        _mm512_store_si512(soa[j], s[j]);
    for (int lane = 0; lane < 16; ++lane)
        for (int j = 0; j < 5; ++j)
            states[lane][j] = soa[j][lane];
}

// ---- AVX2, 8 lanes ----

template <int N>
BRISOLT_AVX2 __m256i Rol256(__m256i v)
{
    return _mm256_or_si256(_mm256_slli_epi32(v, N), _mm256_srli_epi32(v, 32 - N));
}

template <std::size_t I>
BRISOLT_AVX2 void Round256(__m256i (&v)[5], __m256i (&w)[16])
{
    using S = TSha1Slots<I>;
    if constexpr (I >= 16)
    {
        const __m256i x = _mm256_xor_si256(
            _mm256_xor_si256(w[(I + 13) % 16], w[(I + 8) % 16]), _mm256_xor_si256(w[(I + 2) % 16], w[I % 16]));
        w[I % 16] = Rol256<1>(x);
    }
    __m256i f;
    if constexpr (I < 20)
        f = _mm256_xor_si256(v[S::D], _mm256_and_si256(v[S::B], _mm256_xor_si256(v[S::C], v[S::D])));
    else if constexpr (I < 40 || I >= 60)
        f = _mm256_xor_si256(_mm256_xor_si256(v[S::B], v[S::C]), v[S::D]);
    else
        f = _mm256_or_si256(
            _mm256_and_si256(v[S::B], v[S::C]), _mm256_and_si256(v[S::D], _mm256_or_si256(v[S::B], v[S::C])));
    const __m256i k = _mm256_set1_epi32(static_cast<int>(kK[I / 20]));
    // w + k + e is ready early; f then a's rotation come last.
    const __m256i early = Pinned(_mm256_add_epi32(_mm256_add_epi32(w[I % 16], k), v[S::E]));
    const __m256i sum = Pinned(_mm256_add_epi32(early, f));
    v[S::E] = _mm256_add_epi32(sum, Rol256<5>(v[S::A]));
    v[S::B] = Rol256<30>(v[S::B]);
}

template <std::size_t... I>
BRISOLT_AVX2 void Rounds256(__m256i (&v)[5], __m256i (&w)[16], std::index_sequence<I...>)
{
    (Round256<I>(v, w), ...);
}

// Eight rows of eight words become eight columns.
BRISOLT_AVX2 void Transpose256(__m256i* r)
{
    __m256i t[8];
    for (int i = 0; i < 8; i += 2)
    {
        t[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);
        t[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]);
    }
    __m256i u[8];
    for (int i = 0; i < 8; i += 4)
    {
        u[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);
        u[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]);
        u[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);
        u[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);
    }
    for (int i = 0; i < 4; ++i)
    {
        r[i] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x20);
        r[i + 4] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x31);
    }
}

__attribute__((target("avx2"))) void Compress256(uint32_t* const* states, const uint8_t* const* data, std::size_t count)
{
    alignas(32) uint32_t soa[5][8];
    for (int lane = 0; lane < 8; ++lane)
        for (int j = 0; j < 5; ++j)
            soa[j][lane] = states[lane][j];
    __m256i s[5];
    for (int j = 0; j < 5; ++j)
        s[j] = _mm256_load_si256(reinterpret_cast<const __m256i*>(soa[j]));
    const __m256i swap =
        _mm256_broadcastsi128_si256(_mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3));
    for (std::size_t block = 0; block < count; ++block)
    {
        const std::size_t at = block * kBlock;
        __m256i w[16];
        for (int half = 0; half < 2; ++half)
        {
            for (int lane = 0; lane < 8; ++lane)
                w[8 * half + lane] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data[lane] + at + 32 * half));
            Transpose256(w + 8 * half);
        }
        for (auto& word : w)
            word = _mm256_shuffle_epi8(word, swap);
        __m256i v[5] = {s[0], s[1], s[2], s[3], s[4]};
        Rounds256(v, w, std::make_index_sequence<80>());
        for (int j = 0; j < 5; ++j)
            s[j] = _mm256_add_epi32(s[j], v[j]);
    }
    for (int j = 0; j < 5; ++j)
        _mm256_store_si256(reinterpret_cast<__m256i*>(soa[j]), s[j]);
    for (int lane = 0; lane < 8; ++lane)
        for (int j = 0; j < 5; ++j)
            states[lane][j] = soa[j][lane];
}

#undef BRISOLT_AVX512
#undef BRISOLT_AVX2

#endif

// ---- path selection ----

constexpr TSha1Path kAllPaths[] = {TSha1Path::Avx512, TSha1Path::Avx2, TSha1Path::ShaNi, TSha1Path::Portable};

TSha1Path WidestPath()
{
    for (const TSha1Path path : kAllPaths)
    {
        if (Sha1PathAvailable(path))
            return path;
    }
    return TSha1Path::Portable;
}

TSha1Path DefaultPath()
{
    TSha1Path path;
    const char* name = std::getenv("BRISOLT_SHA1_PATH");
    if (name != nullptr && Sha1PathFromName(name, path) && Sha1PathAvailable(path))
        return path;
    return WidestPath();
}

std::atomic<int> gPath{-1};

// cpuid is slow under a hypervisor; it is asked once.
bool HasShaNiOnce()
{
    static const bool has = Sha1HasShaNi();
    return has;
}

} // namespace

bool Sha1PathAvailable(TSha1Path path)
{
    switch (path)
    {
    case TSha1Path::Portable:
        return true;
    case TSha1Path::ShaNi:
        return HasShaNiOnce();
#if defined(BRISOLT_SHA1_LANES_X86)
    case TSha1Path::Avx2:
        return __builtin_cpu_supports("avx2");
    case TSha1Path::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#else
    case TSha1Path::Avx2:
    case TSha1Path::Avx512:
        return false;
#endif
    }
    return false;
}

TSha1Path Sha1CurrentPath()
{
    int path = gPath.load(std::memory_order_relaxed);
    if (path < 0)
    {
        path = static_cast<int>(DefaultPath());
        gPath.store(path, std::memory_order_relaxed);
    }
    return static_cast<TSha1Path>(path);
}

bool Sha1ForcePath(TSha1Path path)
{
    if (!Sha1PathAvailable(path))
        return false;
    gPath.store(static_cast<int>(path), std::memory_order_relaxed);
    return true;
}

void Sha1ResetPath()
{
    gPath.store(static_cast<int>(DefaultPath()), std::memory_order_relaxed);
}

const char* Sha1PathName(TSha1Path path)
{
    switch (path)
    {
    case TSha1Path::Portable:
        return "portable";
    case TSha1Path::ShaNi:
        return "shani";
    case TSha1Path::Avx2:
        return "avx2";
    case TSha1Path::Avx512:
        return "avx512";
    }
    return "portable";
}

bool Sha1PathFromName(std::string_view name, TSha1Path& path)
{
    for (const TSha1Path candidate : kAllPaths)
    {
        if (name == Sha1PathName(candidate))
        {
            path = candidate;
            return true;
        }
    }
    return false;
}

int Sha1PathLanes(TSha1Path path)
{
    switch (path)
    {
    case TSha1Path::Avx512:
        return 16;
    case TSha1Path::Avx2:
        return 8;
    default:
        return 1;
    }
}

// ---- TSha1Many ----

void TSha1Many::Start(std::size_t count)
{
    Path = Sha1CurrentPath();
    HasShaNi = HasShaNiOnce();
    States.assign(count, TState{kInitial[0], kInitial[1], kInitial[2], kInitial[3], kInitial[4]});
    Lengths.assign(count, 0);
    Digests.assign(count, TDigestBytes{});
}

void TSha1Many::Feed(std::span<const TSha1Part> parts)
{
    const std::size_t count = States.size();
    if (parts.size() != count)
        throw std::invalid_argument(
            "SHA-1: " + std::to_string(parts.size()) + " parts for " + std::to_string(count) + " messages");
    TLanesCompress wide = nullptr;
#if defined(BRISOLT_SHA1_LANES_X86)
    if (Path == TSha1Path::Avx512)
        wide = Compress512;
    else if (Path == TSha1Path::Avx2)
        wide = Compress256;
#endif
    const auto width = static_cast<std::size_t>(Sha1PathLanes(Path));
    const auto single = Path != TSha1Path::Portable && HasShaNi ? Sha1CompressShaNi : Sha1CompressPortable;

    std::vector<const uint8_t*> at(count);
    std::vector<std::size_t> blocks(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        assert(parts[i].Size % kBlock == 0 && "TSha1Many::Feed takes whole blocks");
        at[i] = parts[i].Data;
        blocks[i] = parts[i].Size / kBlock;
        Lengths[i] += parts[i].Size;
    }
    std::vector<std::size_t> active;
    active.reserve(count);
    for (;;)
    {
        active.clear();
        for (std::size_t i = 0; i < count; ++i)
        {
            if (blocks[i] > 0)
                active.push_back(i);
        }
        if (active.empty())
            return;
        std::size_t step = blocks[active[0]];
        for (const std::size_t i : active)
            step = std::min(step, blocks[i]);
        for (std::size_t from = 0; from < active.size(); from += width)
        {
            const std::size_t n = std::min(width, active.size() - from);
            // A pass that would leave most lanes idle costs more than the
            // lanes one at a time.
            if (wide == nullptr || n * 4 < width)
            {
                for (std::size_t j = from; j < from + n; ++j)
                    single(States[active[j]].data(), at[active[j]], step);
                continue;
            }
            uint32_t* states[16];
            const uint8_t* lanes[16];
            uint32_t scratch[16][5] = {};
            for (std::size_t j = 0; j < width; ++j)
            {
                if (j < n)
                {
                    states[j] = States[active[from + j]].data();
                    lanes[j] = at[active[from + j]];
                }
                else
                {
                    states[j] = scratch[j];
                    lanes[j] = at[active[from]];
                }
            }
            wide(states, lanes, step);
        }
        for (const std::size_t i : active)
        {
            blocks[i] -= step;
            at[i] += step * kBlock;
        }
    }
}

void TSha1Many::Finish(std::span<const TSha1Part> parts)
{
    const std::size_t count = States.size();
    std::vector<TSha1Part> whole(parts.begin(), parts.end());
    for (auto& part : whole)
        part.Size -= part.Size % kBlock;
    Feed(whole);

    // Each message's rest, the 0x80 byte, zeros and the bit length make one
    // or two last blocks; they go through the lanes too.
    std::vector<std::array<uint8_t, 2 * kBlock>> tails(count);
    std::vector<TSha1Part> tailParts(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::size_t rest = parts[i].Size - whole[i].Size;
        auto& tail = tails[i];
        tail.fill(0);
        if (rest > 0)
            std::memcpy(tail.data(), parts[i].Data + whole[i].Size, rest);
        tail[rest] = 0x80;
        const std::size_t size = rest + 1 + 8 <= kBlock ? kBlock : 2 * kBlock;
        const uint64_t bits = (Lengths[i] + rest) * 8u;
        for (std::size_t b = 0; b < 8; ++b)
            tail[size - 1 - b] = static_cast<uint8_t>(bits >> (8 * b));
        tailParts[i] = {tail.data(), size};
    }
    Feed(tailParts);
    for (std::size_t i = 0; i < count; ++i)
    {
        for (std::size_t j = 0; j < 5; ++j)
        {
            for (std::size_t b = 0; b < 4; ++b)
                Digests[i][4 * j + b] = static_cast<uint8_t>(States[i][j] >> (24 - 8 * b));
        }
    }
}

} // namespace brisolt
