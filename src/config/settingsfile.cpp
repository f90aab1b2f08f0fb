#include "config/settingsfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/fileio.h"
#include "platform/folders.h"
#include "platform/textconv.h"

// The library's wide-character converters are not needed: values are bytes.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

namespace brisolt
{

struct TPrivateProfile::TIni
{
    CSimpleIniA Data;

    TIni()
        : Data(false, false, false)
    {
        Data.SetSpaces(false); // "key=value", as such files have always looked
    }
};

namespace
{

// The file's current content, for a write: empty when the file does not exist
// yet; an error when it exists but cannot be read or written, because
// replacing it then would lose what it holds or ignore its read-only state.
std::string ContentForWrite(const std::filesystem::path& path)
{
    if (const int err = CanReplaceFile(path); err != 0)
        throw EProfileWriteError(path, SystemErrorText(err));
    if (PathInfo(path).Kind == TPathKind::Missing)
        return {};
    TResult<std::string> data = ReadWholeFile(path, kMaxProfileFileSize);
    if (!data)
        throw EProfileWriteError(path, data.Error().Reason());
    return std::move(*data);
}

void Parse(CSimpleIniA& ini, const std::string& data)
{
    ini.Reset();
    if (ini.LoadData(data) < 0)
        ini.Reset();
}

std::string Truncated(std::string value)
{
    if (value.size() <= kMaxProfileString)
        return value;
    std::size_t cut = kMaxProfileString;
    // Do not cut a UTF-8 character in two.
    if (IsValidUtf8(value))
    {
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
            --cut;
    }
    value.resize(cut);
    return value;
}

} // namespace

EProfileWriteError::EProfileWriteError(const std::filesystem::path& path, std::string reason)
    : std::runtime_error("In " + PathBytes(path) + " kann nicht geschrieben werden")
    , FilePath(path)
    , SystemReason(std::move(reason))
{
}

TPrivateProfile::TPrivateProfile(std::filesystem::path path)
    : FilePath(std::move(path))
    , Ini(std::make_unique<TIni>())
{
    // A missing, unreadable or oversized file reads as empty: every key takes its default.
    if (const TResult<std::string> data = ReadWholeFile(FilePath, kMaxProfileFileSize))
        Parse(Ini->Data, *data);
}

TPrivateProfile::~TPrivateProfile() = default;

std::string TPrivateProfile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    const char* value = Ini->Data.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
    return Truncated(value ? std::string(value) : std::string(def));
}

int32_t TPrivateProfile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const
{
    const char* value = Ini->Data.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
    if (!value)
        return def;
    return ParseProfileInteger(value).value_or(def);
}

bool TPrivateProfile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TPrivateProfile::SectionExists(std::string_view section) const
{
    return Ini->Data.GetSection(std::string(section).c_str()) != nullptr;
}

void TPrivateProfile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    std::string oneLine(value);
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');

    const auto target = WriteTargetOf(FilePath);
    // A failure shows in the write below.
    if (target.has_parent_path())
        static_cast<void>(CreateFolders(target.parent_path()));

    auto fresh = std::make_unique<TIni>();
    Parse(fresh->Data, ContentForWrite(target));
    if (fresh->Data.SetValue(std::string(section).c_str(), std::string(key).c_str(), oneLine.c_str()) < 0)
        throw EProfileWriteError(FilePath, SystemErrorText(ENOMEM));
    std::string text;
    if (fresh->Data.Save(text) < 0)
        throw EProfileWriteError(FilePath, SystemErrorText(ENOMEM));
    if (const TError failed = WriteFileAtomic(target, text))
        throw EProfileWriteError(FilePath, failed.Reason());
    Ini = std::move(fresh);
}

void TPrivateProfile::WriteInteger(std::string_view section, std::string_view key, int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void TPrivateProfile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

std::optional<int32_t> ParseProfileInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
    {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    {
        base = 16;
        text.remove_prefix(2);
    }
    // from_chars would take a second sign; only digits may follow.
    if (text.empty() || text.front() == '-' || text.front() == '+')
        return std::nullopt;
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    const uint64_t limit = negative ? uint64_t{1} << 31 : uint64_t{std::numeric_limits<int32_t>::max()};
    if (magnitude > limit)
        return std::nullopt;
    const auto value = static_cast<int64_t>(magnitude);
    return static_cast<int32_t>(negative ? -value : value);
}

std::string ReadProfileString(
    const std::filesystem::path& path, std::string_view section, std::string_view key, std::string_view def)
{
    return TPrivateProfile(path).ReadString(section, key, def);
}

int32_t
ReadProfileInteger(const std::filesystem::path& path, std::string_view section, std::string_view key, int32_t def)
{
    return TPrivateProfile(path).ReadInteger(section, key, def);
}

void WriteProfileString(
    const std::filesystem::path& path, std::string_view section, std::string_view key, std::string_view value)
{
    TPrivateProfile(path).WriteString(section, key, value);
}

} // namespace brisolt
