// Fuzzes the bencode decoder and the dictionary it fills. Any bytes must
// decode without a crash, a read outside the input or a hang; the decoded tree
// is walked to touch every reachable value and to check that it holds no more
// than the input does, and the compact form must stay within its bound. The same bytes then drive a sequence of dictionary
// operations that are checked against std::map, so both the small (linear)
// and the indexed dictionary are exercised.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "core/bdecode.h"
#include "fuzzcheck.h"

namespace
{

using namespace brisolt;

// Keys the program looks up; the dictionary cannot be enumerated, so these
// (and every string met in the tree) are the keys the walk tries.
constexpr std::string_view kKnownKeys[] = {
    "announce",
    "announce-list",
    "comment",
    "creation date",
    "info",
    "name",
    "piece length",
    "pieces",
    "length",
    "files",
    "path",
    "_info_start",
    "_info_length",
    "a",
    "foo",
    "key",
};

struct TWalk
{
    std::size_t Nodes = 0;
    std::size_t StringBytes = 0;
    std::set<std::string> SeenStrings; // candidate keys, bounded
};

void Walk(const TBValue& value, int depth, TWalk& walk);

void WalkDictionary(const TObjectHash& dict, int depth, TWalk& walk)
{
    FUZZ_CHECK(dict.Count() >= 0);
    auto visit = [&](std::string_view key)
    {
        if (!dict.Exists(key))
            return;
        const TBValue* item = dict.Get(key);
        FUZZ_CHECK(item != nullptr);
        Walk(*item, depth + 1, walk);
    };
    for (auto key : kKnownKeys)
        visit(key);
    for (const auto& key : walk.SeenStrings)
    {
        if (!key.empty() && std::find(std::begin(kKnownKeys), std::end(kKnownKeys), key) == std::end(kKnownKeys))
            visit(key);
    }
    // The decoder records where every "info" value stood, in the dictionary
    // that holds it.
    if (dict.Exists("info"))
        FUZZ_CHECK(dict.Exists("_info_start") && dict.Exists("_info_length"));
}

void Walk(const TBValue& value, int depth, TWalk& walk)
{
    FUZZ_CHECK(depth <= kMaxDepth + 1);
    ++walk.Nodes;
    if (const auto* scalar = dynamic_cast<const TIntString*>(&value))
    {
        if (scalar->IsInteger)
            FUZZ_CHECK(scalar->Text.empty());
        else
        {
            FUZZ_CHECK(scalar->Value == 0);
            walk.StringBytes += scalar->Text.size();
            if (walk.SeenStrings.size() < 64 && scalar->Text.size() <= 32)
                walk.SeenStrings.insert(scalar->Text);
        }
        return;
    }
    if (const auto* list = dynamic_cast<const TBList*>(&value))
    {
        for (const auto& item : list->Items)
        {
            FUZZ_CHECK(item != nullptr);
            Walk(*item, depth + 1, walk);
        }
        return;
    }
    const auto* dict = dynamic_cast<const TObjectHash*>(&value);
    FUZZ_CHECK(dict != nullptr);
    WalkDictionary(*dict, depth, walk);
}

void CheckDecode(std::string_view data)
{
    auto root = BDecodeValue(data);
    if (root)
    {
        TWalk walk;
        Walk(*root, 0, walk);
        // Every value takes at least one byte of input, every string byte one
        // byte of input: nothing is allocated beyond what the input holds.
        FUZZ_CHECK(walk.Nodes <= data.size());
        FUZZ_CHECK(walk.StringBytes <= data.size());
    }

    // The compact form decodes what the tree was built from, at 8 bytes a
    // value and two bytes of input each at least; only lists and
    // dictionaries left open at the end (no more than kMaxDepth) take one.
    TBDecodeStream whole(data);
    TBDocument document;
    FUZZ_CHECK(document.Decode(whole) == (root != nullptr));
    FUZZ_CHECK(document.Count() <= data.size());
    FUZZ_CHECK(document.MemoryBytes() <= 7 * data.size() + 16 * (kMaxDepth + 1));

    // Values one after another on one stream: each call consumes input, so
    // this ends.
    TBDecodeStream stream(data);
    std::size_t calls = 0;
    while (stream.Remaining() > 0)
    {
        const std::size_t before = stream.Position();
        auto value = BDecodeValue(stream);
        FUZZ_CHECK(stream.Position() > before);
        FUZZ_CHECK(stream.Position() <= data.size());
        FUZZ_CHECK(++calls <= data.size());
    }
}

void CheckHex(std::string_view data)
{
    const std::size_t maxBytes = data.empty() ? 0 : static_cast<uint8_t>(data[0]);
    const std::string hex = BytesToHex(data, maxBytes);
    const std::size_t n = std::min(data.size(), maxBytes);
    FUZZ_CHECK(hex.size() == 2 * n);
    for (std::size_t i = 0; i < n; ++i)
    {
        auto nibble = [](char c)
        {
            return c <= '9' ? c - '0' : c - 'a' + 10;
        };
        FUZZ_CHECK(std::string_view("0123456789abcdef").find(hex[2 * i]) != std::string_view::npos);
        FUZZ_CHECK(std::string_view("0123456789abcdef").find(hex[2 * i + 1]) != std::string_view::npos);
        FUZZ_CHECK(nibble(hex[2 * i]) * 16 + nibble(hex[2 * i + 1]) == static_cast<uint8_t>(data[i]));
    }
}

// Small alphabet and short keys: repeats and collisions are frequent, and the
// key count still grows past the linear-search limit.
std::string TakeKey(std::string_view data, std::size_t& pos, std::size_t length)
{
    std::string key;
    for (; length > 0 && pos < data.size(); --length)
        key += static_cast<char>('a' + (static_cast<uint8_t>(data[pos++]) & 7));
    return key;
}

bool ThrowsInvalidKey(const std::function<void()>& op)
{
    try
    {
        op();
    }
    catch (const EHashInvalidKeyError& e)
    {
        return std::string_view(e.what()) == "Key cannot be an empty string";
    }
    return false;
}

// Exceptions are slow under the sanitizers, so the throwing paths are checked
// only a few times per input (throwChecks counts down).
void CheckGet(
    const TObjectHash& dict, const std::map<std::string, int64_t>& model, const std::string& key, int& throwChecks)
{
    const auto it = model.find(key);
    FUZZ_CHECK(dict.Exists(key) == (it != model.end()));
    if (it != model.end())
    {
        const auto* value = dynamic_cast<const TIntString*>(dict.Get(key));
        FUZZ_CHECK(value != nullptr && value->IsInteger && value->Value == it->second);
        return;
    }
    if (throwChecks <= 0)
        return;
    --throwChecks;
    try
    {
        (void)dict.Get(key);
        FUZZ_CHECK(false);
    }
    catch (const EHashFindError& e)
    {
        FUZZ_CHECK(std::string_view(e.what()) == "Key \"" + key + "\" not found");
    }
}

void CheckDictionary(std::string_view data)
{
    TObjectHash dict;
    std::map<std::string, int64_t> model;
    int64_t counter = 0;
    std::size_t pos = 0;
    int throwChecks = 4;
    for (int ops = 0; pos < data.size() && ops < 4096; ++ops)
    {
        const auto op = static_cast<uint8_t>(data[pos++]);
        const std::string key = TakeKey(data, pos, (op >> 3) % 4);
        if (op == 0xFF)
        {
            dict.Clear();
            model.clear();
        }
        else if (key.empty())
        {
            if (throwChecks <= 0)
                continue;
            --throwChecks;
            FUZZ_CHECK(ThrowsInvalidKey([&] { dict.Put(key, std::make_unique<TIntString>(int64_t{0})); }));
            FUZZ_CHECK(ThrowsInvalidKey([&] { (void)dict.Exists(key); }));
            FUZZ_CHECK(ThrowsInvalidKey([&] { (void)dict.Get(key); }));
        }
        else if (op % 2 == 0)
        {
            dict.Put(key, std::make_unique<TIntString>(++counter));
            model[key] = counter;
        }
        else
            CheckGet(dict, model, key, throwChecks);
        FUZZ_CHECK(dict.Count() == static_cast<int32_t>(model.size()));
    }
    for (const auto& [key, value] : model)
        CheckGet(dict, model, key, throwChecks);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size)
{
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    CheckDecode(data);
    CheckHex(data);
    CheckDictionary(data);
    return 0;
}
