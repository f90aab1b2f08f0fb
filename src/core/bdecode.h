// Bencode decoding, in two forms with the same rules: TBDocument, a compact
// list of tokens that point into the input (what the loader reads), and a
// tree of TIntString scalars, TBList lists and TObjectHash dictionaries built
// from it (BDecodeValue). The decoder is lenient (malformed input gives no
// value or a partial tree, never an exception), reads only inside the given
// buffer and stops decoding below kMaxDepth levels of nesting. A document
// costs 8 bytes a value and a value takes two bytes of input at least (the
// positions recorded for "info" four tokens for at least eight bytes; only
// lists and dictionaries left open at the end of the input, kMaxDepth at
// most, take one), so decoding never needs much more than 6 times the
// input's size.
#pragma once

#include <cstdint>
#include <deque>
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

    [[nodiscard]] std::string_view Input() const { return Data; }

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

// One decoded value as tokens in input order: a list's items follow it, a
// dictionary's keys and values follow it in pairs, in the order the tree puts
// them (so the last pair with a key is the value a lookup finds). Strings and
// integers are read from the input, which must outlive the document.
class TBDocument
{
public:
    enum class TKind : uint8_t
    {
        String,
        Integer,
        List,
        Dictionary,
        Number,        // a position the decoder recorded; Start holds it
        InfoStartKey,  // the key "_info_start"
        InfoLengthKey, // the key "_info_length"
    };

    // Decodes one value at the stream's position; false when none decodes.
    // Inputs of kMaxDocumentSize or more do not decode (sizes are 29 bits).
    [[nodiscard]] bool Decode(TBDecodeStream& stream);

    [[nodiscard]] std::size_t Count() const { return Tokens.size(); }

    // Bytes the tokens occupy, with the deque's bookkeeping.
    [[nodiscard]] std::size_t MemoryBytes() const { return Tokens.size() * sizeof(TToken) * 17 / 16; }

    static constexpr std::size_t kMaxDocumentSize = std::size_t{1} << 29;

    [[nodiscard]] TKind Kind(uint32_t index) const { return Tokens[index].Kind(); }

    // The token after the value at index and everything inside it.
    [[nodiscard]] uint32_t Next(uint32_t index) const;
    // A string's bytes, or a key's text.
    [[nodiscard]] std::string_view Text(uint32_t index) const;
    // An integer's or a recorded position's number; 0 for other kinds.
    [[nodiscard]] int64_t Value(uint32_t index) const;
    // The value of the last entry of the dictionary at index with this key;
    // -1 when there is none.
    [[nodiscard]] int64_t Find(uint32_t dictionary, std::string_view key) const;
    // The tree of the value at index.
    [[nodiscard]] std::unique_ptr<TBValue> Tree(uint32_t index) const;

private:
    struct TToken
    {
        TToken(uint32_t start, uint32_t size, TKind kind)
            : Start(start)
            , SizeAndKind(size << 3 | static_cast<uint32_t>(kind))
        {
        }

        // A string's length; one past a list's or dictionary's last token.
        [[nodiscard]] uint32_t Size() const { return SizeAndKind >> 3; }

        [[nodiscard]] TKind Kind() const { return static_cast<TKind>(SizeAndKind & 7); }

        void SetSize(uint32_t size) { SizeAndKind = size << 3 | (SizeAndKind & 7); }

        uint32_t Start; // first byte of a string's text or an integer's digits; a Number's value
        uint32_t SizeAndKind;
    };

    friend class TBTokenizer;

    std::string_view Data;
    // A deque grows without copying, so decoding never holds two copies.
    std::deque<TToken> Tokens;
};

// Decodes one value at the stream's position; nullptr when none decodes.
[[nodiscard]] std::unique_ptr<TBValue> BDecodeValue(TBDecodeStream& stream);
// Convenience: decodes the value at the start of data.
[[nodiscard]] std::unique_ptr<TBValue> BDecodeValue(std::string_view data);

// Lower-case hex of the first min(data.size(), maxBytes) bytes.
[[nodiscard]] std::string BytesToHex(std::string_view data, std::size_t maxBytes);

} // namespace brisolt
