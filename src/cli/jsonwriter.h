// JSON written as it goes, laid out byte for byte as nlohmann's dump(2) lays
// out the same document, so that a list of a million files never has to be
// held as one document in memory. Scalars and keys are serialised by nlohmann
// itself: escaping and number forms stay exactly its own.
#pragma once

#include <iosfwd>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace brisolt::cli
{

class TJsonWriter
{
public:
    explicit TJsonWriter(std::ostream& out)
        : Out(out)
    {
    }

    // An object or array at the top or as the next item of an array.
    void BeginObject();
    void BeginArray();
    // An object or array as the next member of an object.
    void BeginObject(std::string_view key);
    void BeginArray(std::string_view key);
    // Closes the innermost object or array; after the outermost one, ends the line.
    void End();

    // A scalar (string, number, bool, null) as a member of an object or an item of an array.
    void Field(std::string_view key, const nlohmann::ordered_json& value);
    void Item(const nlohmann::ordered_json& value);

private:
    struct TLevel
    {
        bool Object = false;
        bool Empty = true;
    };

    // What goes before the next member or item: comma, new line, indentation, key.
    void Next(const std::string_view* key);
    void Open(const std::string_view* key, bool object);

    std::ostream& Out;
    std::vector<TLevel> Levels;
};

} // namespace brisolt::cli
