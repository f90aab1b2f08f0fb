#include "core/bdecode.h"

#include <algorithm>

namespace brisolt
{

namespace
{

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::unique_ptr<TBValue> DecodeAny(TBDecodeStream& s);

// Decodes a string whose first length digit was read already. A declared
// length that runs past the input gives no value, and the input is consumed.
std::unique_ptr<TIntString> DecodeString(TBDecodeStream& s, char firstDigit)
{
    uint64_t length = static_cast<uint64_t>(firstDigit - '0');
    bool overlong = false;
    char c;
    while (s.ReadByte(c))
    {
        if (!IsDigit(c))
            break;
        length = length * 10 + static_cast<uint64_t>(c - '0');
        // Clamp so that long digit runs cannot overflow; the length is then
        // beyond any input anyway.
        if (length > UINT32_MAX)
        {
            length = UINT32_MAX;
            overlong = true;
        }
    }
    if (overlong || length > s.Remaining())
    {
        s.SkipToEnd();
        return nullptr;
    }
    return std::make_unique<TIntString>(std::string(s.Take(static_cast<std::size_t>(length))));
}

std::unique_ptr<TBValue> DecodeInteger(TBDecodeStream& s)
{
    // Unsigned arithmetic gives the wrap-around without undefined behaviour.
    uint64_t value = 0;
    bool negative = false;
    char c;
    while (s.ReadByte(c))
    {
        if (IsDigit(c))
            value = value * 10 + static_cast<uint64_t>(c - '0');
        else if (c == '-')
            negative = true;
        else
            break;
    }
    if (negative)
        value = 0 - value;
    return std::make_unique<TIntString>(static_cast<int64_t>(value));
}

std::unique_ptr<TBValue> DecodeList(TBDecodeStream& s)
{
    auto list = std::make_unique<TBList>();
    char c;
    while (s.ReadByte(c) && c != 'e')
    {
        s.StepBack();
        if (auto item = DecodeAny(s))
            list->Items.push_back(std::move(item));
        if (s.TooDeep)
            return nullptr;
    }
    return list;
}

std::unique_ptr<TBValue> DecodeDictionary(TBDecodeStream& s)
{
    auto dict = std::make_unique<TObjectHash>();
    char c;
    // The end of the input keeps what was decoded so far; a byte that cannot
    // start a key means this was no dictionary after all.
    while (s.ReadByte(c) && c != 'e')
    {
        if (!IsDigit(c))
            return nullptr;
        auto key = DecodeString(s, c);
        const std::size_t start = s.Position();
        auto value = DecodeAny(s);
        if (s.TooDeep)
            return nullptr;
        const bool isInfo = key && key->Text == "info";
        if (value && key && !key->Text.empty())
            dict->Put(key->Text, std::move(value));
        if (isInfo)
        {
            dict->Put("_info_start", std::make_unique<TIntString>(static_cast<int64_t>(start)));
            dict->Put("_info_length", std::make_unique<TIntString>(static_cast<int64_t>(s.Position() - start)));
        }
    }
    return dict;
}

std::unique_ptr<TBValue> DecodeAny(TBDecodeStream& s)
{
    char c;
    if (!s.ReadByte(c))
        return nullptr;
    if (IsDigit(c))
        return DecodeString(s, c);
    if (c != 'd' && c != 'l' && c != 'i')
        return nullptr;
    if (c == 'i')
        return DecodeInteger(s);
    if (++s.Depth > kMaxDepth)
    {
        s.TooDeep = true;
        return nullptr;
    }
    auto value = c == 'd' ? DecodeDictionary(s) : DecodeList(s);
    --s.Depth;
    return value;
}

} // namespace

std::string_view TBDecodeStream::Take(std::size_t n)
{
    const auto part = Data.substr(Pos, n);
    Pos += part.size();
    return part;
}

std::unique_ptr<TBValue> BDecodeValue(TBDecodeStream& stream)
{
    auto value = DecodeAny(stream);
    return stream.TooDeep ? nullptr : std::move(value);
}

std::unique_ptr<TBValue> BDecodeValue(std::string_view data)
{
    TBDecodeStream stream(data);
    return BDecodeValue(stream);
}

std::string BytesToHex(std::string_view data, std::size_t maxBytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    const std::size_t n = std::min(data.size(), maxBytes);
    std::string hex(n * 2, '\0');
    for (std::size_t i = 0; i < n; ++i)
    {
        const auto b = static_cast<uint8_t>(data[i]);
        hex[2 * i] = kDigits[b >> 4];
        hex[2 * i + 1] = kDigits[b & 0xF];
    }
    return hex;
}

} // namespace brisolt
