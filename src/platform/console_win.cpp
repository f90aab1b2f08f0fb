// The Windows headers need windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "platform/console.h"
#include "platform/wintext.h"

namespace brisolt
{

TUtf8Console::TUtf8Console(int argc, const char* const* argv)
{
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide)
    {
        for (int i = 0; i < count; ++i)
            Args.push_back(Utf16ToUtf8(wide[i]));
        ::LocalFree(wide);
    }
    else
        Args.assign(argv, argv + argc);
    for (const auto& arg : Args)
        Pointers.push_back(arg.c_str());
    Pointers.push_back(nullptr);
    // Zero without a console (output to a file or a pipe): bytes pass as they are.
    OldOutputCodePage = ::GetConsoleOutputCP();
    if (OldOutputCodePage != 0)
        ::SetConsoleOutputCP(CP_UTF8);
}

TUtf8Console::~TUtf8Console()
{
    if (OldOutputCodePage != 0)
        ::SetConsoleOutputCP(OldOutputCodePage);
}

} // namespace brisolt
