#include "platform/console.h"

namespace brisolt
{

TUtf8Console::TUtf8Console(int argc, const char* const* argv)
    : Args(argv, argv + argc)
{
    for (const auto& arg : Args)
        Pointers.push_back(arg.c_str());
    Pointers.push_back(nullptr);
}

TUtf8Console::~TUtf8Console() = default;

} // namespace brisolt
