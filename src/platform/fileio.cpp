#include "platform/fileio.h"

#include <cerrno>

namespace brisolt
{

namespace
{

TPathInfo OpenedInfo(const TFileHandle& file, int err)
{
    if (err == 0)
        return file.Info();
    TPathInfo info;
    info.Error = err;
    return info;
}

} // namespace

std::filesystem::path WriteTargetOf(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec))
        return path;
    auto target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target;
}

std::filesystem::path ResolvedPath(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    std::filesystem::path result;
    bool unresolved = false; // a ".." was kept: what follows cannot be resolved either
    for (const auto& element : absolute)
    {
        if (element == "." || element.empty())
            continue;
        if (element != ".." || unresolved)
        {
            result /= element;
            continue;
        }
        auto folder = std::filesystem::canonical(result, ec);
        if (ec)
        {
            unresolved = true;
            result /= element;
        }
        else
            result = folder.parent_path();
    }
    return result;
}

TReadResult ReadWholeFile(const std::filesystem::path& path, uint64_t maxSize, std::string& data, std::string& reason)
{
    data.clear();
    TFileHandle file;
    int err = file.OpenForReading(path);
    const TPathInfo info = OpenedInfo(file, err);
    if (info.Kind != TPathKind::RegularFile)
    {
        reason = info.Kind == TPathKind::Missing
                     ? SystemErrorText(info.Error)
                     : (info.Kind == TPathKind::Folder ? SystemErrorText(EISDIR) : kNotRegularFile);
        return TReadResult::Failed;
    }
    if (static_cast<uint64_t>(info.Size) > maxSize)
        return TReadResult::TooLarge;
    data.resize(static_cast<std::size_t>(info.Size));
    std::size_t got = 0;
    while (got < data.size())
    {
        const int64_t n = file.Read(data.data() + got, static_cast<int64_t>(data.size() - got), err);
        if (n < 0)
        {
            reason = SystemErrorText(err);
            data.clear();
            return TReadResult::Failed;
        }
        if (n == 0)
            break; // the file shrank meanwhile: keep what it holds now
        got += static_cast<std::size_t>(n);
    }
    data.resize(got);
    return TReadResult::Ok;
}

std::filesystem::path NativeRelativePath(std::string_view backslashPath, std::string_view name)
{
    std::filesystem::path result;
    std::size_t start = 0;
    for (std::size_t pos; (pos = backslashPath.find('\\', start)) != std::string_view::npos; start = pos + 1)
    {
        if (pos > start)
            result /= NativePath(backslashPath.substr(start, pos - start));
    }
    if (start < backslashPath.size())
        result /= NativePath(backslashPath.substr(start));
    result /= NativePath(name);
    return result;
}

std::string FileMessage(std::string_view path, std::string_view done, std::string_view reason)
{
    std::string message = "Datei ";
    message += path;
    message += " kann nicht ";
    message += done;
    message += " werden. ";
    message += reason;
    return message;
}

std::string FolderMessage(std::string_view path, std::string_view reason)
{
    std::string message = "Ordner ";
    message += path;
    message += " kann nicht gelesen werden. ";
    message += reason;
    return message;
}

} // namespace brisolt
