#include "ui/nametext.h"

#include <QByteArray>

#include "create/edittorrent.h"
#include "platform/textconv.h"

namespace brisolt
{

namespace
{

// Length of the UTF-8 sequence that lead begins, or 0 for a byte that begins none.
std::size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

QString FromUtf8(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

QString ShownText(std::string_view bytes)
{
    return FromUtf8(DisplayText(bytes));
}

QString ShownMessage(std::string_view bytes)
{
    std::string utf8;
    utf8.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size())
    {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(bytes[at]));
        const std::string_view sequence = bytes.substr(at, length);
        if (length != 0 && sequence.size() == length && IsValidUtf8(sequence))
        {
            utf8 += sequence;
            at += length;
        }
        else
        {
            utf8 += Windows1252ToUtf8(bytes.substr(at, 1));
            ++at;
        }
    }
    return FromUtf8(utf8);
}

QString ShownPath(const std::filesystem::path& path)
{
    return ShownMessage(path.native());
}

std::string TypedBytes(const QString& text)
{
    return text.toUtf8().toStdString();
}

std::filesystem::path TypedPath(const QString& text)
{
    return std::filesystem::path(TypedBytes(text));
}

std::string KeptBytes(const QString& shown, std::string_view original)
{
    return FieldBytes(TypedBytes(shown), original);
}

QVariant NameBytesData(std::string_view bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string NameBytes(const QVariant& data)
{
    return data.toByteArray().toStdString();
}

} // namespace brisolt
