#include "cli/jsonwriter.h"

#include <cassert>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

namespace brisolt::cli
{

namespace
{

constexpr int kIndent = 2;

} // namespace

void TJsonWriter::Next(const std::string_view* key)
{
    if (Levels.empty())
        return;
    TLevel& level = Levels.back();
    assert(level.Object == (key != nullptr) && "members have keys, items have none");
    Out << (level.Empty ? "\n" : ",\n");
    level.Empty = false;
    Out << std::string(Levels.size() * kIndent, ' ');
    if (key != nullptr)
        Out << nlohmann::ordered_json(std::string(*key)).dump() << ": ";
}

void TJsonWriter::Open(const std::string_view* key, bool object)
{
    Next(key);
    Out << (object ? '{' : '[');
    Levels.push_back({object, true});
}

void TJsonWriter::BeginObject()
{
    Open(nullptr, true);
}

void TJsonWriter::BeginArray()
{
    Open(nullptr, false);
}

void TJsonWriter::BeginObject(std::string_view key)
{
    Open(&key, true);
}

void TJsonWriter::BeginArray(std::string_view key)
{
    Open(&key, false);
}

void TJsonWriter::End()
{
    assert(!Levels.empty());
    const TLevel level = Levels.back();
    Levels.pop_back();
    // An empty object or array stays on its line: {} or [].
    if (!level.Empty)
        Out << '\n' << std::string(Levels.size() * kIndent, ' ');
    Out << (level.Object ? '}' : ']');
    if (Levels.empty())
        Out << '\n';
}

void TJsonWriter::Field(std::string_view key, const nlohmann::ordered_json& value)
{
    Next(&key);
    Out << value.dump();
}

void TJsonWriter::Item(const nlohmann::ordered_json& value)
{
    Next(nullptr);
    Out << value.dump();
}

} // namespace brisolt::cli
