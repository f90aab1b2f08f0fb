// The command line and the console in UTF-8. On Windows the arguments come
// from the UTF-16 command line (the narrow ones carry only what the ANSI code
// page can hold), and the console shows output as UTF-8 while an instance
// lives; elsewhere the arguments are taken as they are. One instance, made
// in main before anything is written.
#pragma once

#include <string>
#include <vector>

namespace brisolt
{

class TUtf8Console
{
public:
    TUtf8Console(int argc, const char* const* argv);
    ~TUtf8Console();
    TUtf8Console(const TUtf8Console&) = delete;
    TUtf8Console& operator=(const TUtf8Console&) = delete;

    [[nodiscard]] int Argc() const { return static_cast<int>(Args.size()); }

    // Valid while the instance lives; ends with a null pointer, as argv does.
    [[nodiscard]] const char* const* Argv() const { return Pointers.data(); }

private:
    std::vector<std::string> Args;
    std::vector<const char*> Pointers;
    unsigned OldOutputCodePage = 0;
};

} // namespace brisolt
