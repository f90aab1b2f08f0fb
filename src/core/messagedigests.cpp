#include "core/messagedigests.h"

#include <atomic>
#include <cassert>
#include <cstring>

namespace brisolt
{

namespace
{

const char* const kAlreadyComplete = "Message digest already complete.";
const char* const kNotComplete = "Message digest not complete.";

constexpr int32_t kSha1BlockSize = 64;
constexpr int32_t kSha1DigestSize = 20;
constexpr uint32_t kSha1InitialValues[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};

std::vector<uint32_t> CopyChainingValues(const uint32_t* values, int32_t digestSize)
{
    assert(values != nullptr && "MessageDigests: TMD4Family.InitializeChainingValues: InitialChainingValues = nil.");
    assert(digestSize > 0 && digestSize % 4 == 0 && "MessageDigests: TMD4Family: DigestSize not a multiple of 4.");
    return std::vector<uint32_t>(values, values + digestSize / 4);
}

using TSha1Compress = void (*)(uint32_t state[5], const uint8_t* blocks, std::size_t count);

TSha1Compress FastestSha1Compress()
{
    static const TSha1Compress fastest = Sha1HasShaNi() ? Sha1CompressShaNi : Sha1CompressPortable;
    return fastest;
}

// Chosen once per process on first use; hashing workers read it concurrently.
std::atomic<TSha1Compress> gSha1Compress{nullptr};

TSha1Compress CurrentSha1Compress()
{
    TSha1Compress compress = gSha1Compress.load(std::memory_order_relaxed);
    if (compress == nullptr)
    {
        compress = FastestSha1Compress();
        gSha1Compress.store(compress, std::memory_order_relaxed);
    }
    return compress;
}

} // namespace

// TMessageDigest

TMessageDigest::TMessageDigest(int32_t blockSize, int32_t digestSize)
    : BlockSize(blockSize)
    , DigestSize(digestSize)
{
    assert(blockSize > 0 && "MessageDigests: TMessageDigest.CreateInternal: BlockSize <= 0.");
    assert(digestSize > 0 && "MessageDigests: TMessageDigest.CreateInternal: DigestSize <= 0.");
}

void TMessageDigest::CheckNotCompleted() const
{
    if (Completed)
        throw EMessageDigestError(kAlreadyComplete);
}

void TMessageDigest::Transform(const void* m, std::size_t size)
{
    CheckNotCompleted();
    assert(m != nullptr && "MessageDigests: Transform: M not assigned.");
    const auto* bytes = static_cast<const uint8_t*>(m);
    const auto blockSize = static_cast<std::size_t>(BlockSize);
    if (BufferCount > 0)
    {
        const auto waiting = static_cast<std::size_t>(BufferCount);
        const std::size_t room = blockSize - waiting;
        if (room > size)
        {
            std::memcpy(Buffer.data() + waiting, bytes, size);
            BufferCount += static_cast<int32_t>(size);
            return;
        }
        std::memcpy(Buffer.data() + waiting, bytes, room);
        TransformBlocks(Buffer.data(), 1);
        bytes += room;
        size -= room;
    }
    // Whole blocks are compressed where they lie; only the tail is copied.
    TransformBlocks(bytes, size / blockSize);
    const std::size_t tail = size % blockSize;
    std::memcpy(Buffer.data(), bytes + (size - tail), tail);
    BufferCount = static_cast<int32_t>(tail);
}

void TMessageDigest::TransformString(const std::string& s)
{
    Transform(s.data(), s.size());
}

void TMessageDigest::Complete()
{
    CheckNotCompleted();
    SetCompleted();
}

std::string TMessageDigest::Digest() const
{
    if (!Completed)
        throw EMessageDigestError(kNotComplete);
    return std::string(DigestData.begin(), DigestData.end());
}

std::string TMessageDigest::DigestText() const
{
    if (!Completed)
        throw EMessageDigestError(kNotComplete);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * DigestData.size());
    for (const uint8_t b : DigestData)
    {
        text.push_back(kHex[b >> 4]);
        text.push_back(kHex[b & 0x0F]);
    }
    return text;
}

void TMessageDigest::Initialize()
{
    // assign keeps the capacity, so starting over allocates nothing.
    Buffer.assign(static_cast<std::size_t>(BlockSize), 0);
    DigestData.assign(static_cast<std::size_t>(DigestSize), 0);
    BufferCount = 0;
    BlockCount = 0;
    Completed = false;
}

void TMessageDigest::TransformBlocks(const uint8_t* /*blocks*/, std::size_t count)
{
    BlockCount += static_cast<int64_t>(count);
}

// TMD4Family

TMD4Family::TMD4Family(int32_t blockSize, int32_t digestSize, const uint32_t* initialChainingValues, bool bigEndian)
    : TMessageDigest(blockSize, digestSize)
    , InitialChainingValues(CopyChainingValues(initialChainingValues, digestSize))
    , BigEndian(bigEndian)
{
    // Runs here rather than in the base, where the chaining values would not
    // exist yet.
    TMD4Family::Initialize();
}

void TMD4Family::Initialize()
{
    TMessageDigest::Initialize();
    ChainingValues.assign(InitialChainingValues.begin(), InitialChainingValues.end());
}

void TMD4Family::Complete()
{
    CheckNotCompleted();
    const auto blockSize = static_cast<std::size_t>(BlockSize);
    // Unsigned, so a length past 2^64 bits wraps as MD4-style hashes define.
    const uint64_t bitLength =
        (static_cast<uint64_t>(BlockSize) * static_cast<uint64_t>(BlockCount) + static_cast<uint64_t>(BufferCount))
        * 8u;
    auto used = static_cast<std::size_t>(BufferCount);
    Buffer[used++] = 0x80;
    if (blockSize - used < 8)
    {
        std::memset(Buffer.data() + used, 0, blockSize - used);
        TransformBlocks(Buffer.data(), 1);
        used = 0;
    }
    std::memset(Buffer.data() + used, 0, blockSize - 8 - used);
    for (std::size_t i = 0; i < 8; ++i)
    {
        const std::size_t shift = BigEndian ? 8 * (7 - i) : 8 * i;
        Buffer[blockSize - 8 + i] = static_cast<uint8_t>(bitLength >> shift);
    }
    TransformBlocks(Buffer.data(), 1);
    BufferCount = 0;

    for (std::size_t w = 0; w < static_cast<std::size_t>(DigestSize) / 4; ++w)
    {
        for (std::size_t i = 0; i < 4; ++i)
        {
            const std::size_t shift = BigEndian ? 8 * (3 - i) : 8 * i;
            DigestData[4 * w + i] = static_cast<uint8_t>(ChainingValues[w] >> shift);
        }
    }
    TMessageDigest::Complete();
}

// TSHA1

TSHA1::TSHA1()
    : TMD4Family(kSha1BlockSize, kSha1DigestSize, kSha1InitialValues, true)
{
}

void TSHA1::TransformBlocks(const uint8_t* blocks, std::size_t count)
{
    assert(blocks != nullptr && "MessageDigests: TSHA1.TransformBlocks: Addr(Blocks) = nil.");
    if (count > 0)
        CurrentSha1Compress()(ChainingValues.data(), blocks, count);
    TMD4Family::TransformBlocks(blocks, count);
}

const char* TSHA1::CompressionName()
{
    return CurrentSha1Compress() == Sha1CompressPortable ? "portable" : "sha-ni";
}

void TSHA1::ForcePortable(bool on)
{
    gSha1Compress.store(on ? Sha1CompressPortable : FastestSha1Compress(), std::memory_order_relaxed);
}

} // namespace brisolt
