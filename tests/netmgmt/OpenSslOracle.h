// OpenSSL's libcrypto as an independent oracle for SHA-1, HMAC-SHA1 and PBKDF2-HMAC-SHA1.
#pragma once

#include "netmgmt/Sha1.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/sha.h>

#include <cstdint>
#include <span>
#include <vector>

namespace quarlink::netmgmt::test {

inline Sha1Digest openSslSha1(std::span<const std::uint8_t> data)
{
    Sha1Digest digest{};
    SHA1(data.data(), data.size(), digest.data());
    return digest;
}

inline Sha1Digest openSslHmacSha1(std::span<const std::uint8_t> key,
                                  std::span<const std::uint8_t> message)
{
    Sha1Digest digest{};
    unsigned length = 0;
    HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()), message.data(), message.size(),
         digest.data(), &length);
    return digest;
}

inline std::vector<std::uint8_t> openSslPbkdf2(std::span<const std::uint8_t> password,
                                               std::span<const std::uint8_t> salt,
                                               std::uint32_t iterations, std::size_t length)
{
    std::vector<std::uint8_t> out(length);
    // OpenSSL wants a non-null password pointer even for an empty password.
    static const char kEmpty[1] = {};
    const char* passwordText =
        password.empty() ? kEmpty : reinterpret_cast<const char*>(password.data());
    PKCS5_PBKDF2_HMAC_SHA1(passwordText, static_cast<int>(password.size()), salt.data(),
                           static_cast<int>(salt.size()), static_cast<int>(iterations),
                           static_cast<int>(length), out.data());
    return out;
}

} // namespace quarlink::netmgmt::test
