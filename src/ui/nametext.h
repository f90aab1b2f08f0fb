// How the window turns bytes into shown text and back. Names, paths, comments
// and tracker texts are bytes in the layers below; a name is shown as UTF-8
// when its bytes are valid UTF-8, else as Windows-1252. Shown text does not
// always map back to the same bytes, so whatever names a file or a field
// keeps its original bytes beside its text (KeptBytes, NameBytesData), and
// only text that a person typed becomes new bytes, as UTF-8, the local 8-bit
// encoding. Messages may hold a path of any bytes between the program's own
// UTF-8 words: each byte that is not part of valid UTF-8 is shown as
// Windows-1252. Pure functions, any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <QString>
#include <QVariant>

namespace brisolt
{

// A name, comment or tracker text as shown: UTF-8 if valid, else Windows-1252.
[[nodiscard]] QString ShownText(std::string_view bytes);

// A message or path: valid UTF-8 sequences as such, every other byte as Windows-1252.
[[nodiscard]] QString ShownMessage(std::string_view bytes);

[[nodiscard]] QString ShownPath(const std::filesystem::path& path);

// Text a person typed (or a dialog returned) as bytes, and as a path.
[[nodiscard]] std::string TypedBytes(const QString& text);

[[nodiscard]] std::filesystem::path TypedPath(const QString& text);

// The bytes behind a field that shows shown: original while shown is still
// its shown text, else the text as typed.
[[nodiscard]] std::string KeptBytes(const QString& shown, std::string_view original);

// Item data of a list row that keeps its name's (or path's) bytes beside the
// shown text, under kNameBytesRole.
inline constexpr int kNameBytesRole = Qt::UserRole;

[[nodiscard]] QVariant NameBytesData(std::string_view bytes);

[[nodiscard]] std::string NameBytes(const QVariant& data);

} // namespace brisolt
