// The settings file ("brisolt.ini"): INI text read and written one value at a
// time, with the semantics the program relies on. Section and key names
// compare without regard to letter case; a missing file, section or key gives
// the caller's default; strings are read up to kMaxProfileString bytes;
// integers are decimal or "0x"/"0X" hexadecimal. Every write reaches the file
// at once (through a temporary file and a rename), keeps the file's other
// sections, keys and comments, and creates the file and its folder when they
// are missing. A write that fails throws EProfileWriteError and leaves the
// file as it was. Objects are used by one thread at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace brisolt
{

inline constexpr std::size_t kMaxProfileString = 2047;
// The settings file's name inside the install directory.
inline constexpr std::string_view kSettingsFileName = "brisolt.ini";

// A settings file larger than this is garbage, not settings: it reads as
// empty, and writes refuse to replace it.
inline constexpr uint64_t kMaxProfileFileSize = 1024 * 1024;

// "In %s kann nicht geschrieben werden", %s being the file's path.
class EProfileWriteError : public std::runtime_error
{
public:
    EProfileWriteError(const std::filesystem::path& path, std::string reason);

    [[nodiscard]] const std::filesystem::path& Path() const { return FilePath; }

    // The system's reason, for diagnostics; the message does not carry it.
    [[nodiscard]] const std::string& Reason() const { return SystemReason; }

private:
    std::filesystem::path FilePath;
    std::string SystemReason;
};

// One settings file. The constructor reads it once; reads are answered from
// that copy, and each write reads the file afresh, changes one value and
// replaces the file, so writes made meanwhile by others are kept.
class TPrivateProfile
{
public:
    explicit TPrivateProfile(std::filesystem::path path);
    ~TPrivateProfile();
    TPrivateProfile(const TPrivateProfile&) = delete;
    TPrivateProfile& operator=(const TPrivateProfile&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return FilePath; }

    [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // Text that is not an integer within 32 bits gives def.
    [[nodiscard]] int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
    // Any integer other than 0 is true.
    [[nodiscard]] bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    [[nodiscard]] bool SectionExists(std::string_view section) const;

    // Line breaks in value become blanks: the file holds one value per line.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

private:
    struct TIni;

    std::filesystem::path FilePath;
    std::unique_ptr<TIni> Ini;
};

// Decimal, or hexadecimal after "0x" or "0X", with an optional sign; nothing
// else, and the value must fit in 32 bits.
[[nodiscard]] std::optional<int32_t> ParseProfileInteger(std::string_view text);

// One-call forms: each opens the file, does its read or write, and closes it.
[[nodiscard]] std::string ReadProfileString(
    const std::filesystem::path& path, std::string_view section, std::string_view key, std::string_view def);
[[nodiscard]] int32_t
ReadProfileInteger(const std::filesystem::path& path, std::string_view section, std::string_view key, int32_t def);
void WriteProfileString(
    const std::filesystem::path& path, std::string_view section, std::string_view key, std::string_view value);

} // namespace brisolt
