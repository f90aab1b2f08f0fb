// File helpers shared by every layer that touches the disk: whole-file reads
// with a size bound, writes that replace a file only once the new content is
// complete, and the conversion between the model's backslash-separated
// relative paths and native paths. Any thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace brisolt
{

// Metainfo files beyond this size are not read into memory.
inline constexpr uint64_t kMaxMetainfoSize = 256ull * 1024 * 1024;

enum class TReadResult
{
    Ok,
    TooLarge, // the file exists but is larger than the bound; data is empty
    Failed,   // could not be opened or read; reason says why
};

[[nodiscard]] TReadResult
ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize, std::string& data, std::string& reason);

// Writes data to a temporary file beside path, flushes it, then renames it
// over path. On failure path is untouched, the temporary is removed, and false
// is returned with the system's reason.
[[nodiscard]] bool WriteFileAtomic(const std::filesystem::path& path, std::string_view data, std::string& reason);

// "a\b\" or "a\b" and a name to the native relative path a/b/name.
[[nodiscard]] std::filesystem::path NativeRelativePath(std::string_view backslashPath, std::string_view name);

// The system's text for errno value err, as strerror gives it.
[[nodiscard]] std::string SystemErrorText(int err);

} // namespace brisolt
