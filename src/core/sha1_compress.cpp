// The SHA-1 compression function (FIPS 180-1), twice: a portable version with
// the rounds unrolled at compile time, and one built on the x86 SHA
// extensions. Both read the blocks straight from the caller's memory, which
// need not be aligned.
#include <bit>
#include <cstring>
#include <utility>

#include "core/messagedigests.h"
#include "core/sha1_round.h"

#if defined(__x86_64__) || defined(__i386__)
#define BRISOLT_SHA1_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace brisolt
{

namespace
{

constexpr std::size_t kSha1BlockSize = 64;

uint32_t ByteSwap32(uint32_t v)
{
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_bswap32(v);
#else
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
#endif
}

uint32_t LoadBigEndian32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::little)
        return ByteSwap32(v);
    else
        return v;
}

// One round. The five working variables live in v and are never moved
// (TSha1Slots), so the compiler keeps v and w in registers.
template <std::size_t I>
inline void Sha1Round(uint32_t (&v)[5], uint32_t (&w)[16])
{
    using S = TSha1Slots<I>;
    if constexpr (I >= 16)
        w[I % 16] = std::rotl(w[(I + 13) % 16] ^ w[(I + 8) % 16] ^ w[(I + 2) % 16] ^ w[I % 16], 1);
    uint32_t f;
    uint32_t k;
    if constexpr (I < 20)
    {
        f = v[S::D] ^ (v[S::B] & (v[S::C] ^ v[S::D]));
        k = 0x5A827999u;
    }
    else if constexpr (I < 40)
    {
        f = v[S::B] ^ v[S::C] ^ v[S::D];
        k = 0x6ED9EBA1u;
    }
    else if constexpr (I < 60)
    {
        f = (v[S::B] & v[S::C]) | (v[S::D] & (v[S::B] | v[S::C]));
        k = 0x8F1BBCDCu;
    }
    else
    {
        f = v[S::B] ^ v[S::C] ^ v[S::D];
        k = 0xCA62C1D6u;
    }
    v[S::E] += std::rotl(v[S::A], 5) + f + k + w[I % 16];
    v[S::B] = std::rotl(v[S::B], 30);
}

template <std::size_t... I>
inline void Sha1Rounds(uint32_t (&v)[5], uint32_t (&w)[16], std::index_sequence<I...>)
{
    (Sha1Round<I>(v, w), ...);
}

} // namespace

void Sha1CompressPortable(uint32_t state[5], const uint8_t* blocks, std::size_t count)
{
    for (; count > 0; --count, blocks += kSha1BlockSize)
    {
        uint32_t w[16];
        for (std::size_t i = 0; i < 16; ++i)
            w[i] = LoadBigEndian32(blocks + 4 * i);
        uint32_t v[5] = {state[0], state[1], state[2], state[3], state[4]};
        Sha1Rounds(v, w, std::make_index_sequence<80>());
        for (std::size_t i = 0; i < 5; ++i)
            state[i] += v[i];
    }
}

#if defined(BRISOLT_SHA1_X86)

namespace
{

#define BRISOLT_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))

// The schedule words live in four registers, Msg[g % 4] holding W[4g..4g+3]
// for the group of four rounds g. While group g runs, later words are
// prepared: sha1msg1 starts those of group g + 3, the xor adds to those of
// group g + 2 and sha1msg2 finishes those of group g + 1.
struct TShaNiState
{
    __m128i Abcd;
    __m128i E[2];
    __m128i Msg[4];
};

template <int G>
BRISOLT_SHA_TARGET __attribute__((always_inline)) inline void Sha1ShaNiGroup(TShaNiState& s, const uint8_t* block)
{
    constexpr int kCur = G % 2;
    constexpr int kNext = 1 - kCur;
    if constexpr (G < 4)
    {
        const __m128i byteOrder = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
        const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * G));
        s.Msg[G] = _mm_shuffle_epi8(raw, byteOrder);
    }
    // E of the first group is plain e; later ones come from the rotated a of
    // the group before.
    if constexpr (G == 0)
        s.E[kCur] = _mm_add_epi32(s.E[kCur], s.Msg[0]);
    else
        s.E[kCur] = _mm_sha1nexte_epu32(s.E[kCur], s.Msg[G % 4]);
    s.E[kNext] = s.Abcd;
    if constexpr (G >= 3 && G <= 18)
        s.Msg[(G + 1) % 4] = _mm_sha1msg2_epu32(s.Msg[(G + 1) % 4], s.Msg[G % 4]);
    s.Abcd = _mm_sha1rnds4_epu32(s.Abcd, s.E[kCur], G / 5);
    if constexpr (G >= 1 && G <= 16)
        s.Msg[(G + 3) % 4] = _mm_sha1msg1_epu32(s.Msg[(G + 3) % 4], s.Msg[G % 4]);
    if constexpr (G >= 2 && G <= 17)
        s.Msg[(G + 2) % 4] = _mm_xor_si128(s.Msg[(G + 2) % 4], s.Msg[G % 4]);
}

template <int... G>
BRISOLT_SHA_TARGET __attribute__((always_inline)) inline void
Sha1ShaNiGroups(TShaNiState& s, const uint8_t* block, std::integer_sequence<int, G...>)
{
    (Sha1ShaNiGroup<G>(s, block), ...);
}

BRISOLT_SHA_TARGET void Sha1CompressShaNiImpl(uint32_t state[5], const uint8_t* blocks, std::size_t count)
{
    TShaNiState s;
    // The instructions want a in the highest lane and e alone in the highest
    // lane of its own register.
    s.Abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; count > 0; --count, blocks += kSha1BlockSize)
    {
        const __m128i abcdSaved = s.Abcd;
        s.E[0] = e;
        Sha1ShaNiGroups(s, blocks, std::make_integer_sequence<int, 20>());
        // After group 19 the rotated a of the last round waits in E[0].
        e = _mm_sha1nexte_epu32(s.E[0], e);
        s.Abcd = _mm_add_epi32(s.Abcd, abcdSaved);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(s.Abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e, 3));
}

#undef BRISOLT_SHA_TARGET

} // namespace

void Sha1CompressShaNi(uint32_t state[5], const uint8_t* blocks, std::size_t count)
{
    Sha1CompressShaNiImpl(state, blocks, count);
}

bool Sha1HasShaNi()
{
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    const bool ssse3 = (ecx & (1u << 9)) != 0;
    const bool sse41 = (ecx & (1u << 19)) != 0;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
        return false;
    const bool sha = (ebx & (1u << 29)) != 0;
    return ssse3 && sse41 && sha;
}

#else

// Never chosen on processors without the SHA extensions; kept so that every
// build offers the same functions.
void Sha1CompressShaNi(uint32_t state[5], const uint8_t* blocks, std::size_t count)
{
    Sha1CompressPortable(state, blocks, count);
}

bool Sha1HasShaNi()
{
    return false;
}

#endif

} // namespace brisolt
