// The Windows side of folders.h: no table of mounts to read, and the kind of
// each listed name asked for by its path.
#include <utility>

#include "platform/folders.h"

namespace brisolt
{

int ListSubFolders(const std::filesystem::path& folder, std::vector<std::string>& names)
{
    std::vector<std::string> listed;
    const int error = ListFolder(folder, listed);
    names.clear();
    for (auto& name : listed)
    {
        if (PathInfo(folder / NativePath(name)).Kind == TPathKind::Folder)
            names.push_back(std::move(name));
    }
    return error;
}

std::string MountTable()
{
    return {};
}

} // namespace brisolt
