// String-keyed dictionaries of decoded bencode values. TObjectHash owns its
// values: replacing a value, clearing or destroying the dictionary frees them.
// Keys are byte strings compared exactly; a lookup finds the entry that the
// key was first inserted with. Not thread-safe; one owner at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brisolt
{

class EHashError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// "Key "%s" not found"
class EHashFindError : public EHashError
{
public:
    using EHashError::EHashError;
};

// "Key cannot be an empty string"
class EHashInvalidKeyError : public EHashError
{
public:
    using EHashError::EHashError;
};

// A value of a decoded bencode tree: TIntString, TBList or TObjectHash.
class TBValue
{
public:
    virtual ~TBValue() = default;
};

struct THashRecord
{
    uint32_t Hash;
    int32_t ItemIndex;
    std::string Key;
};

// The key side: records in insertion order. Small dictionaries (the common
// case: a torrent may hold 100,000 of them) are searched linearly; larger ones
// get an open-addressing index that grows with them, so no fixed table is paid
// per dictionary and large ones stay fast.
class THash
{
public:
    virtual ~THash() = default;
    THash() = default;
    THash(const THash&) = delete;
    THash& operator=(const THash&) = delete;

    [[nodiscard]] bool Exists(std::string_view key) const;
    void Clear();

    [[nodiscard]] int32_t Count() const { return static_cast<int32_t>(Records.size()); }

    [[nodiscard]] static uint32_t HashOf(std::string_view key);

protected:
    // Item index of key, or -1. Throws EHashInvalidKeyError for an empty key.
    [[nodiscard]] int32_t IndexOf(std::string_view key) const;
    // Appends a record for a key known to be absent, with the next item index.
    int32_t AddKey(std::string_view key);

    virtual void FreeItem(int32_t index) = 0;
    virtual void SetItemCount(int32_t count) = 0;
    virtual void ClearItems() = 0;
    [[nodiscard]] virtual int32_t ItemHigh() const = 0;

private:
    void RebuildIndex();
    [[nodiscard]] int32_t Probe(std::string_view key, uint32_t hash) const;

    std::vector<THashRecord> Records;
    std::vector<int32_t> Index; // record numbers, -1 = free; empty while small
};

class TObjectHash final
    : public THash
    , public TBValue
{
public:
    TObjectHash() = default;
    ~TObjectHash() override;

    // The value stays owned by the dictionary. Throws EHashFindError when absent.
    [[nodiscard]] TBValue* Get(std::string_view key) const;
    // Takes ownership; replaces (and frees) the value of an existing key.
    void Put(std::string_view key, std::unique_ptr<TBValue> value);

protected:
    void FreeItem(int32_t index) override;
    void SetItemCount(int32_t count) override;
    void ClearItems() override;
    [[nodiscard]] int32_t ItemHigh() const override;

private:
    std::vector<std::unique_ptr<TBValue>> Items;
};

} // namespace brisolt
