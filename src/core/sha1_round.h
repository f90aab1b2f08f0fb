// Shared by the SHA-1 round templates (one message or many per pass).
#pragma once

#include <cstddef>

namespace brisolt
{

// The slots of the five working variables in round I. The roles a..e rotate
// through fixed slots instead of values moving, so all indices are constants
// and after 80 rounds (a multiple of 5) every variable is back in its own slot.
template <std::size_t I>
struct TSha1Slots
{
    static constexpr std::size_t A = (5 - I % 5) % 5;
    static constexpr std::size_t B = (A + 1) % 5;
    static constexpr std::size_t C = (A + 2) % 5;
    static constexpr std::size_t D = (A + 3) % 5;
    static constexpr std::size_t E = (A + 4) % 5;
};

} // namespace brisolt
