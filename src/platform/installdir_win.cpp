// The Windows headers need windows.h first.
// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include "platform/installdir.h"
#include "platform/wintext.h"

namespace brisolt
{

namespace
{

std::string Environment(const wchar_t* name)
{
    const wchar_t* value = ::_wgetenv(name);
    return value ? Utf16ToUtf8(value) : std::string();
}

// The value an installer leaves under HKLM\Software\Brisolt, read-only.
std::string RegistryInstallDir()
{
    wchar_t value[MAX_PATH]{};
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Brisolt", L"Install_Dir", RRF_RT_REG_SZ, nullptr, value, &size)
        != ERROR_SUCCESS)
        return {};
    return Utf16ToUtf8(value);
}

std::string RoamingAppData()
{
    const std::string appData = Environment(L"APPDATA");
    if (!appData.empty())
        return appData;
    wchar_t folder[MAX_PATH]{};
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return Utf16ToUtf8(folder);
    return ".";
}

} // namespace

std::string ReadInstallDir()
{
    std::string value = Environment(L"BRISOLT_INSTALL_DIR");
    if (value.empty())
        value = RegistryInstallDir();
    if (!value.empty())
        return value + "\\";
    return RoamingAppData() + "\\Brisolt\\";
}

} // namespace brisolt
