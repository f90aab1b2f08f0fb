#include "platform/folders.h"

#include <cerrno>
#include <system_error>

namespace brisolt
{

bool IsNotFound(const TPathInfo& info)
{
    return info.Kind == TPathKind::Missing && (info.Error == ENOENT || info.Error == ENOTDIR);
}

int CreateFolders(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return error ? error.default_error_condition().value() : 0;
}

std::filesystem::path WorkingFolder()
{
    std::error_code error;
    std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::filesystem::path() : folder;
}

} // namespace brisolt
