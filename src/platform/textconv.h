// Text conversion between the model's byte strings and what a person sees.
// Bytes that are valid UTF-8 are shown as they are; any other bytes are read
// as Windows-1252. Pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace brisolt
{

[[nodiscard]] bool IsValidUtf8(std::string_view bytes);
// Windows-1252 bytes to UTF-8 (the five unassigned bytes map to U+FFFD).
[[nodiscard]] std::string Windows1252ToUtf8(std::string_view bytes);
// UTF-8 for display: the bytes themselves when valid UTF-8, else read as Windows-1252.
[[nodiscard]] std::string DisplayText(std::string_view bytes);

} // namespace brisolt
