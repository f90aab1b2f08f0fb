#include "core/hashes.h"

namespace brisolt
{

namespace
{

// Dictionaries up to this size are searched linearly: cheaper than an index
// for the few keys a metainfo dictionary has.
constexpr std::size_t kLinearLimit = 8;

void CheckKey(std::string_view key)
{
    if (key.empty())
        throw EHashInvalidKeyError("Key cannot be an empty string");
}

} // namespace

uint32_t THash::HashOf(std::string_view key)
{
    // FNV-1a: any string hash serves, nothing depends on its values.
    uint32_t h = 2166136261u;
    for (char c : key)
    {
        h ^= static_cast<uint8_t>(c);
        h *= 16777619u;
    }
    return h;
}

int32_t THash::Probe(std::string_view key, uint32_t hash) const
{
    const std::size_t mask = Index.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask)
    {
        const int32_t record = Index[slot];
        if (record < 0)
            return -1;
        const auto& r = Records[static_cast<std::size_t>(record)];
        if (r.Hash == hash && r.Key == key)
            return record;
    }
}

int32_t THash::IndexOf(std::string_view key) const
{
    CheckKey(key);
    const uint32_t hash = HashOf(key);
    if (Index.empty())
    {
        for (const auto& r : Records)
        {
            if (r.Hash == hash && r.Key == key)
                return r.ItemIndex;
        }
        return -1;
    }
    const int32_t record = Probe(key, hash);
    return record < 0 ? -1 : Records[static_cast<std::size_t>(record)].ItemIndex;
}

bool THash::Exists(std::string_view key) const
{
    return IndexOf(key) >= 0;
}

void THash::RebuildIndex()
{
    std::size_t size = 16;
    while (size < Records.size() * 2)
        size *= 2;
    Index.assign(size, -1);
    const std::size_t mask = size - 1;
    for (std::size_t i = 0; i < Records.size(); ++i)
    {
        std::size_t slot = Records[i].Hash & mask;
        while (Index[slot] >= 0)
            slot = (slot + 1) & mask;
        Index[slot] = static_cast<int32_t>(i);
    }
}

int32_t THash::AddKey(std::string_view key)
{
    const int32_t itemIndex = ItemHigh() + 1;
    SetItemCount(itemIndex + 1);
    Records.push_back({HashOf(key), itemIndex, std::string(key)});
    if (Records.size() > kLinearLimit && Records.size() * 2 > Index.size())
        RebuildIndex();
    else if (!Index.empty())
    {
        const std::size_t mask = Index.size() - 1;
        std::size_t slot = Records.back().Hash & mask;
        while (Index[slot] >= 0)
            slot = (slot + 1) & mask;
        Index[slot] = static_cast<int32_t>(Records.size() - 1);
    }
    return itemIndex;
}

void THash::Clear()
{
    ClearItems();
    Records.clear();
    Records.shrink_to_fit();
    Index.clear();
    Index.shrink_to_fit();
}

TObjectHash::~TObjectHash()
{
    ClearItems();
}

TBValue* TObjectHash::Get(std::string_view key) const
{
    const int32_t index = IndexOf(key);
    if (index < 0)
        throw EHashFindError("Key \"" + std::string(key) + "\" not found");
    return Items[static_cast<std::size_t>(index)].get();
}

void TObjectHash::Put(std::string_view key, std::unique_ptr<TBValue> value)
{
    int32_t index = IndexOf(key);
    if (index < 0)
        index = AddKey(key);
    else
        FreeItem(index);
    Items[static_cast<std::size_t>(index)] = std::move(value);
}

void TObjectHash::FreeItem(int32_t index)
{
    Items[static_cast<std::size_t>(index)].reset();
}

void TObjectHash::SetItemCount(int32_t count)
{
    Items.resize(static_cast<std::size_t>(count));
}

void TObjectHash::ClearItems()
{
    Items.clear();
}

int32_t TObjectHash::ItemHigh() const
{
    return static_cast<int32_t>(Items.size()) - 1;
}

} // namespace brisolt
