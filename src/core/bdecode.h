// Bencode decoding into a tree of TIntString scalars, TBList lists and
// TObjectHash dictionaries. The decoder is lenient (malformed input gives no
// value or a partial tree, never an exception), reads only inside the given
// buffer, allocates nothing that the input does not hold, and stops decoding
// below kMaxDepth levels of nesting. The caller owns the returned tree.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/hashes.h"

namespace brisolt
{

// One scalar: a byte string or an integer.
class TIntString final : public TBValue
{
public:
    TIntString() = default;

    explicit TIntString(std::string text)
        : Text(std::move(text))
    {
    }

    explicit TIntString(int64_t value)
        : Value(value)
        , IsInteger(true)
    {
    }

    std::string Text;
    int64_t Value = 0;
    bool IsInteger = false;
};

// An owning list of values.
class TBList final : public TBValue
{
public:
    std::vector<std::unique_ptr<TBValue>> Items;
};

// Where the decoder reads: an in-memory buffer with a position. Positions are
// offsets from the start of the buffer.
class TBDecodeStream
{
public:
    explicit TBDecodeStream(std::string_view data)
        : Data(data)
    {
    }

    // False at the end of the input.
    [[nodiscard]] bool ReadByte(char& c)
    {
        if (Pos >= Data.size())
            return false;
        c = Data[Pos++];
        return true;
    }

    void StepBack() { --Pos; }

    [[nodiscard]] std::size_t Position() const { return Pos; }

    [[nodiscard]] std::size_t Remaining() const { return Data.size() - Pos; }

    [[nodiscard]] std::string_view Take(std::size_t n);

    void SkipToEnd() { Pos = Data.size(); }

    // Set once nesting went deeper than kMaxDepth: every level then returns
    // nothing, so such input does not decode at all.
    bool TooDeep = false;
    int Depth = 0;

private:
    std::string_view Data;
    std::size_t Pos = 0;
};

inline constexpr int kMaxDepth = 200;

// Decodes one value at the stream's position; nullptr when none decodes.
[[nodiscard]] std::unique_ptr<TBValue> BDecodeValue(TBDecodeStream& stream);
// Convenience: decodes the value at the start of data.
[[nodiscard]] std::unique_ptr<TBValue> BDecodeValue(std::string_view data);

// Lower-case hex of the first min(data.size(), maxBytes) bytes.
[[nodiscard]] std::string BytesToHex(std::string_view data, std::size_t maxBytes);

} // namespace brisolt
