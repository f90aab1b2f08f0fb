// SHA-1 by the system's own library, the reference our digests are compared
// with: OpenSSL on Linux, CNG (bcrypt) on Windows, where there is no OpenSSL.
#pragma once

#include <string>
#include <string_view>

#ifdef _WIN32
// bcrypt.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on
#else
#include <openssl/sha.h>
#endif

namespace brisolt::test
{

// The 20 raw digest bytes of message.
inline std::string SystemSha1(std::string_view message)
{
    unsigned char md[20] = {};
#ifdef _WIN32
    static BCRYPT_ALG_HANDLE algorithm = []
    {
        BCRYPT_ALG_HANDLE opened = nullptr;
        BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA1_ALGORITHM, nullptr, 0);
        return opened;
    }();
    // Messages here stay far below 4 GiB.
    BCryptHash(
        algorithm,
        nullptr,
        0,
        reinterpret_cast<PUCHAR>(const_cast<char*>(message.data())),
        static_cast<ULONG>(message.size()),
        md,
        sizeof md);
#else
    SHA1(reinterpret_cast<const unsigned char*>(message.data()), message.size(), md);
#endif
    return std::string(reinterpret_cast<const char*>(md), sizeof md);
}

} // namespace brisolt::test
