// SHA-256 of a byte string in one call: the v2 info hash of a torrent
// (BEP 52) is the SHA-256 of its info dictionary's bytes.
#pragma once

#include <array>
#include <string_view>

namespace brisolt
{

[[nodiscard]] std::array<unsigned char, 32> Sha256(std::string_view data);

} // namespace brisolt
