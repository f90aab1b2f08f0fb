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

constexpr std::string_view kInfoStartKey = "_info_start";
constexpr std::string_view kInfoLengthKey = "_info_length";

// An integer's body: digits and minus signs up to the first other byte or the
// end. Unsigned arithmetic gives the wrap-around without undefined behaviour.
int64_t ParseInteger(std::string_view data, std::size_t pos)
{
    uint64_t value = 0;
    bool negative = false;
    for (; pos < data.size(); ++pos)
    {
        const char c = data[pos];
        if (IsDigit(c))
            value = value * 10 + static_cast<uint64_t>(c - '0');
        else if (c == '-')
            negative = true;
        else
            break;
    }
    if (negative)
        value = 0 - value;
    return static_cast<int64_t>(value);
}

} // namespace

// Appends the tokens of one value; a value that does not decode leaves none.
class TBTokenizer
{
public:
    using TKind = TBDocument::TKind;

    TBTokenizer(TBDecodeStream& stream, std::deque<TBDocument::TToken>& tokens)
        : S(stream)
        , Tokens(tokens)
    {
    }

    bool Any()
    {
        char c;
        if (!S.ReadByte(c))
            return false;
        if (IsDigit(c))
            return String(c);
        if (c == 'i')
            return Integer();
        if (c != 'd' && c != 'l')
            return false;
        if (++S.Depth > kMaxDepth)
        {
            S.TooDeep = true;
            return false;
        }
        const bool decoded = c == 'd' ? Dictionary() : List();
        --S.Depth;
        return decoded;
    }

private:
    void Push(uint32_t start, uint32_t size, TKind kind) { Tokens.emplace_back(start, size, kind); }

    [[nodiscard]] uint32_t Position() const { return static_cast<uint32_t>(S.Position()); }

    void DropFrom(std::size_t count)
    {
        Tokens.erase(Tokens.begin() + static_cast<std::ptrdiff_t>(count), Tokens.end());
    }

    // A string whose first length digit was read already. A declared length
    // that runs past the input gives no value, and the input is consumed.
    bool String(char firstDigit)
    {
        uint64_t length = static_cast<uint64_t>(firstDigit - '0');
        bool overlong = false;
        char c;
        while (S.ReadByte(c))
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
        if (overlong || length > S.Remaining())
        {
            S.SkipToEnd();
            return false;
        }
        Push(Position(), static_cast<uint32_t>(length), TKind::String);
        (void)S.Take(static_cast<std::size_t>(length));
        return true;
    }

    bool Integer()
    {
        Push(Position(), 0, TKind::Integer);
        char c;
        while (S.ReadByte(c) && (IsDigit(c) || c == '-'))
        {
        }
        return true;
    }

    bool List()
    {
        const std::size_t self = Tokens.size();
        Push(Position() - 1, 0, TKind::List);
        char c;
        while (S.ReadByte(c) && c != 'e')
        {
            S.StepBack();
            (void)Any();
            if (S.TooDeep)
            {
                DropFrom(self);
                return false;
            }
        }
        Tokens[self].SetSize(static_cast<uint32_t>(Tokens.size()));
        return true;
    }

    bool Dictionary()
    {
        const std::size_t self = Tokens.size();
        Push(Position() - 1, 0, TKind::Dictionary);
        char c;
        // The end of the input keeps what was decoded so far; a byte that cannot
        // start a key means this was no dictionary after all.
        while (S.ReadByte(c) && c != 'e')
        {
            if (!IsDigit(c))
            {
                DropFrom(self);
                return false;
            }
            const std::size_t keyIndex = Tokens.size();
            const bool key = String(c);
            const uint32_t start = Position();
            const bool value = Any();
            if (S.TooDeep)
            {
                DropFrom(self);
                return false;
            }
            const std::string_view keyText =
                key ? S.Input().substr(Tokens[keyIndex].Start, Tokens[keyIndex].Size()) : std::string_view();
            const bool isInfo = key && keyText == "info";
            if (!(value && key && !keyText.empty()))
                DropFrom(keyIndex);
            if (isInfo)
            {
                Push(0, 0, TKind::InfoStartKey);
                Push(start, 0, TKind::Number);
                Push(0, 0, TKind::InfoLengthKey);
                Push(Position() - start, 0, TKind::Number);
            }
        }
        Tokens[self].SetSize(static_cast<uint32_t>(Tokens.size()));
        return true;
    }

    TBDecodeStream& S;
    std::deque<TBDocument::TToken>& Tokens;
};

std::string_view TBDecodeStream::Take(std::size_t n)
{
    const auto part = Data.substr(Pos, n);
    Pos += part.size();
    return part;
}

bool TBDocument::Decode(TBDecodeStream& stream)
{
    Data = stream.Input();
    Tokens.clear();
    if (Data.size() >= kMaxDocumentSize)
    {
        stream.SkipToEnd();
        return false;
    }
    TBTokenizer tokenizer(stream, Tokens);
    const bool decoded = tokenizer.Any() && !stream.TooDeep;
    if (!decoded)
        Tokens.clear();
    Tokens.shrink_to_fit();
    return decoded;
}

uint32_t TBDocument::Next(uint32_t index) const
{
    const TToken& token = Tokens[index];
    return token.Kind() == TKind::List || token.Kind() == TKind::Dictionary ? token.Size() : index + 1;
}

std::string_view TBDocument::Text(uint32_t index) const
{
    const TToken& token = Tokens[index];
    switch (token.Kind())
    {
    case TKind::String:
        return Data.substr(token.Start, token.Size());
    case TKind::InfoStartKey:
        return kInfoStartKey;
    case TKind::InfoLengthKey:
        return kInfoLengthKey;
    default:
        return {};
    }
}

int64_t TBDocument::Value(uint32_t index) const
{
    const TToken& token = Tokens[index];
    if (token.Kind() == TKind::Integer)
        return ParseInteger(Data, token.Start);
    return token.Kind() == TKind::Number ? static_cast<int64_t>(token.Start) : 0;
}

int64_t TBDocument::Find(uint32_t dictionary, std::string_view key) const
{
    int64_t found = -1;
    const uint32_t end = Next(dictionary);
    for (uint32_t entry = dictionary + 1; entry < end; entry = Next(entry + 1))
    {
        if (Text(entry) == key)
            found = entry + 1;
    }
    return found;
}

std::unique_ptr<TBValue> TBDocument::Tree(uint32_t index) const
{
    switch (Kind(index))
    {
    case TKind::String:
        return std::make_unique<TIntString>(std::string(Text(index)));
    case TKind::List:
    {
        auto list = std::make_unique<TBList>();
        for (uint32_t item = index + 1; item < Next(index); item = Next(item))
            list->Items.push_back(Tree(item));
        return list;
    }
    case TKind::Dictionary:
    {
        auto dict = std::make_unique<TObjectHash>();
        for (uint32_t entry = index + 1; entry < Next(index); entry = Next(entry + 1))
            dict->Put(Text(entry), Tree(entry + 1));
        return dict;
    }
    default:
        return std::make_unique<TIntString>(Value(index));
    }
}

std::unique_ptr<TBValue> BDecodeValue(TBDecodeStream& stream)
{
    TBDocument document;
    if (!document.Decode(stream))
        return nullptr;
    return document.Tree(0);
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
