// SHA-1 over many independent messages at once, one message per 32-bit vector
// lane: 16 lanes with AVX-512, 8 with AVX2, else one message at a time with the
// SHA extensions or the portable compression. The path is chosen at run time
// from what the processor offers; BRISOLT_SHA1_PATH (avx512, avx2, shani,
// portable) forces one the processor has, for tests and benchmarks. Messages
// may differ in length and may be fed in parts, so that a caller can stream
// long messages through a small buffer. TSHA1 stays the one-message digest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace brisolt
{

enum class TSha1Path
{
    Portable,
    ShaNi,
    Avx2,
    Avx512,
};

// Whether this processor (and build) can run the path.
[[nodiscard]] bool Sha1PathAvailable(TSha1Path path);
// The path in use: the forced one, else BRISOLT_SHA1_PATH when available,
// else the widest available.
[[nodiscard]] TSha1Path Sha1CurrentPath();
// Forces a path for the whole process (tests, benchmarks); false and no
// change when the processor lacks it.
bool Sha1ForcePath(TSha1Path path);
// Back to the environment's or the widest path.
void Sha1ResetPath();
[[nodiscard]] const char* Sha1PathName(TSha1Path path);
// Accepts the names Sha1PathName gives.
[[nodiscard]] bool Sha1PathFromName(std::string_view name, TSha1Path& path);
// Messages one pass of the path digests together (1 for the scalar paths).
[[nodiscard]] int Sha1PathLanes(TSha1Path path);

// The next part of one message.
struct TSha1Part
{
    const uint8_t* Data = nullptr;
    std::size_t Size = 0;
};

// Digests a set of messages together. Start, then any number of Feed calls
// with whole 64-byte blocks, then Finish with each message's rest; each call
// takes one part per message, in message order, a message without data in
// that call given size 0. One object per thread.
class TSha1Many
{
public:
    using TDigestBytes = std::array<uint8_t, 20>;

    // Begins count new messages on the current path.
    void Start(std::size_t count);
    // Appends parts[i] to message i; every size a multiple of 64. Throws
    // std::invalid_argument unless there is one part per message.
    void Feed(std::span<const TSha1Part> parts);
    // Appends each message's last part (any size) and pads every message.
    void Finish(std::span<const TSha1Part> parts);

    [[nodiscard]] const TDigestBytes& Digest(std::size_t message) const { return Digests[message]; }

    [[nodiscard]] std::size_t Count() const { return States.size(); }

private:
    using TState = std::array<uint32_t, 5>;

    std::vector<TState> States;
    std::vector<uint64_t> Lengths; // bytes fed so far
    std::vector<TDigestBytes> Digests;
    TSha1Path Path = TSha1Path::Portable;
    bool HasShaNi = false; // for lanes left over from a wide pass
};

} // namespace brisolt
