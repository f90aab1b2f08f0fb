// Message digests: a small class family that buffers input into blocks, pads
// MD4-style messages and produces the digest as bytes or lower-case hex.
// TSHA1 is the only algorithm the program uses; it compresses with the
// processor's SHA instructions when present. One object serves one caller at a
// time; distinct objects may be used on distinct threads.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace brisolt
{

// Misuse of the calling order ("Message digest already complete." and
// "Message digest not complete.").
class EMessageDigestError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TMessageDigest
{
public:
    virtual ~TMessageDigest() = default;
    TMessageDigest(const TMessageDigest&) = delete;
    TMessageDigest& operator=(const TMessageDigest&) = delete;

    // Feeds Size bytes at M. Throws EMessageDigestError once completed.
    void Transform(const void* m, std::size_t size);
    void TransformString(const std::string& s);
    // Finishes the message; throws when called twice.
    virtual void Complete();
    // The finished digest; throws before Complete.
    [[nodiscard]] std::string Digest() const;
    [[nodiscard]] std::string DigestText() const;
    // Starts a new message, reusing the storage.
    virtual void Initialize();
    [[nodiscard]] virtual std::string AlgorithmName() const = 0;

    [[nodiscard]] int64_t GetBlockCount() const { return BlockCount; }

    [[nodiscard]] int32_t GetBufferCount() const { return BufferCount; }

    [[nodiscard]] bool IsCompleted() const { return Completed; }

protected:
    // Asserts positive sizes; the caller's constructor then runs Initialize.
    TMessageDigest(int32_t blockSize, int32_t digestSize);
    // Compresses count whole blocks; the base only counts them.
    virtual void TransformBlocks(const uint8_t* blocks, std::size_t count);

    void SetCompleted() { Completed = true; }

    void CheckNotCompleted() const;

    std::vector<uint8_t> DigestData;
    std::vector<uint8_t> Buffer;
    int32_t BufferCount = 0;
    int32_t BlockSize;
    int32_t DigestSize;
    int64_t BlockCount = 0; // 64-bit so no message length can overflow it
    bool Completed = false;
};

class TMD4Family : public TMessageDigest
{
public:
    void Complete() override;
    void Initialize() override;

protected:
    // initialChainingValues: digestSize bytes, 32-bit words in host order.
    TMD4Family(int32_t blockSize, int32_t digestSize, const uint32_t* initialChainingValues, bool bigEndian);

    std::vector<uint32_t> InitialChainingValues;
    std::vector<uint32_t> ChainingValues;
    bool BigEndian;
};

class TSHA1 final : public TMD4Family
{
public:
    TSHA1();

    [[nodiscard]] std::string AlgorithmName() const override { return "SHA-1"; }

    // Which compression the process uses ("sha-ni" or "portable"); for
    // benchmarks and tests.
    [[nodiscard]] static const char* CompressionName();
    // Forces the portable compression (tests compare both paths).
    static void ForcePortable(bool on);

protected:
    void TransformBlocks(const uint8_t* blocks, std::size_t count) override;
};

// The two SHA-1 compression paths, bit-exact with FIPS 180-1. state holds
// H0..H4; blocks holds count 64-byte blocks.
void Sha1CompressPortable(uint32_t state[5], const uint8_t* blocks, std::size_t count);
// Only callable when Sha1HasShaNi() is true.
void Sha1CompressShaNi(uint32_t state[5], const uint8_t* blocks, std::size_t count);
[[nodiscard]] bool Sha1HasShaNi();

} // namespace brisolt
