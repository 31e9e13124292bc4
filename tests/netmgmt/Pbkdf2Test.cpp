// PBKDF2-HMAC-SHA1: RFC 6070 vectors up to 4096 iterations, and agreement with OpenSSL on
// random inputs for every kernel this processor runs.
#include "netmgmt/Pbkdf2.h"
#include "netmgmt/Pbkdf2Kernel.h"

#include "OpenSslOracle.h"
#include "TestBytes.h"

#include <gtest/gtest.h>

#include <string>

using namespace quarlink::netmgmt;
using namespace quarlink::netmgmt::test;

namespace {

std::vector<std::uint8_t> derive(std::span<const std::uint8_t> password,
                                 std::span<const std::uint8_t> salt, std::uint32_t iterations,
                                 std::size_t length, Pbkdf2Kernel kernel = fastestPbkdf2Kernel())
{
    std::vector<std::uint8_t> out(length);
    pbkdf2HmacSha1Using(kernel, out, password, salt, iterations);
    return out;
}

struct NamedKernel
{
    const char* name;
    Pbkdf2Kernel kernel;
};

std::vector<NamedKernel> kernelsOfThisProcessor()
{
    std::vector<NamedKernel> kernels{{"portable", pbkdf2KernelPortable}};
    if (cpuHasShaExtensions()) {
        kernels.push_back({"SHA extensions", pbkdf2KernelShaExtensions});
    }
    return kernels;
}

} // namespace

TEST(Pbkdf2, Rfc6070Vectors)
{
    struct Case
    {
        std::string password;
        std::string salt;
        std::uint32_t iterations;
        const char* key;
    };
    const Case cases[] = {
        {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
        {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096,
         "56fa6aa75548099dcc37d7f03425e0c3"},
    };
    for (const Case& c : cases) {
        const auto expected = fromHex(c.key);
        std::vector<std::uint8_t> out(expected.size());
        pbkdf2HmacSha1(out, bytesOf(c.password), bytesOf(c.salt), c.iterations);
        EXPECT_EQ(out, expected) << c.key;
        // The published values as typed here, checked once more against the oracle.
        EXPECT_EQ(
            openSslPbkdf2(bytesOf(c.password), bytesOf(c.salt), c.iterations, expected.size()),
            expected)
            << c.key;
    }
}

TEST(Pbkdf2, AgreesWithOpenSslOnRandomInputs)
{
    for (const auto& [name, kernel] : kernelsOfThisProcessor()) {
        SCOPED_TRACE(name);
        std::mt19937 random(6070);
        for (int i = 0; i < 150; ++i) {
            const auto password = randomBytes(random, randomSize(random, 0, 80));
            const auto salt = randomBytes(random, randomSize(random, 0, 40));
            const auto iterations = static_cast<std::uint32_t>(randomSize(random, 1, 40));
            // One to six blocks: kernels may run blocks in pairs, plus one alone when odd.
            const std::size_t length = randomSize(random, 1, 120);
            ASSERT_EQ(derive(password, salt, iterations, length, kernel),
                      openSslPbkdf2(password, salt, iterations, length))
                << "case " << i;
        }
    }
}

TEST(Pbkdf2, ZeroIterationsCountAsOne)
{
    EXPECT_EQ(derive(bytesOf("password"), bytesOf("salt"), 0, 20),
              derive(bytesOf("password"), bytesOf("salt"), 1, 20));
}
