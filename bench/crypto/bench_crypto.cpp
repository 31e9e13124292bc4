// Times one WPA pre-shared key derivation (PBKDF2-HMAC-SHA1, 4096 iterations, 32 bytes):
// ours with each kernel the processor runs, OpenSSL's PKCS5_PBKDF2_HMAC_SHA1 and Qt's
// QPasswordDigestor, and prints each time as a ratio to OpenSSL's. The candidates take turns
// within every round and each keeps its best round, so that load from other processes on a
// shared machine hits them alike.
#include "netmgmt/Pbkdf2Kernel.h"
#include "netmgmt/WpaPsk.h"

#include <openssl/evp.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QPasswordDigestor>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

using namespace quarlink::netmgmt;

namespace {

constexpr std::string_view kPassphrase = "ThisIsAPassword";
constexpr std::string_view kSsid = "ThisIsASSID";
constexpr int kRounds = 15;
constexpr int kDerivationsPerRound = 5;

using Key = std::array<std::uint8_t, kWpaPskSize>;

std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct Candidate
{
    const char* name;
    std::function<void(Key&)> derive;
    double bestMicroseconds = 1e300;
    Key key{};
};

void timeRound(Candidate& candidate)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kDerivationsPerRound; ++i) {
        candidate.derive(candidate.key);
    }
    const std::chrono::duration<double, std::micro> elapsed =
        std::chrono::steady_clock::now() - start;
    candidate.bestMicroseconds =
        std::min(candidate.bestMicroseconds, elapsed.count() / kDerivationsPerRound);
}

void deriveOpenSsl(Key& key)
{
    PKCS5_PBKDF2_HMAC_SHA1(kPassphrase.data(), static_cast<int>(kPassphrase.size()),
                           bytesOf(kSsid).data(), static_cast<int>(kSsid.size()),
                           static_cast<int>(kWpaIterations), static_cast<int>(key.size()),
                           key.data());
}

void deriveQt(Key& key)
{
    const QByteArray derived = QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha1,
        QByteArray::fromRawData(kPassphrase.data(), static_cast<qsizetype>(kPassphrase.size())),
        QByteArray::fromRawData(kSsid.data(), static_cast<qsizetype>(kSsid.size())),
        static_cast<int>(kWpaIterations), key.size());
    std::memcpy(key.data(), derived.constData(), key.size());
}

void deriveWithKernel(Pbkdf2Kernel kernel, Key& key)
{
    pbkdf2HmacSha1Using(kernel, key, bytesOf(kPassphrase), bytesOf(kSsid), kWpaIterations);
}

void derivePsk(Key& key)
{
    std::array<std::uint8_t, kWpaFieldSize> passphrase{}, ssid{};
    std::copy(kPassphrase.begin(), kPassphrase.end(), passphrase.begin());
    std::copy(kSsid.begin(), kSsid.end(), ssid.begin());
    derivePreSharedKey(key, passphrase, ssid);
}

} // namespace

int main()
{
    std::vector<Candidate> candidates;
    candidates.push_back({"OpenSSL PKCS5_PBKDF2_HMAC_SHA1", deriveOpenSsl});
    candidates.push_back({"Qt QPasswordDigestor", deriveQt});
    candidates.push_back(
        {"ours, portable kernel", [](Key& key) { deriveWithKernel(pbkdf2KernelPortable, key); }});
    if (cpuHasShaExtensions()) {
        candidates.push_back({"ours, SHA extensions kernel",
                              [](Key& key) { deriveWithKernel(pbkdf2KernelShaExtensions, key); }});
    }
    candidates.push_back({"ours, derivePreSharedKey", derivePsk});

    for (int round = 0; round < kRounds; ++round) {
        for (Candidate& candidate : candidates) {
            timeRound(candidate);
        }
    }

    const Candidate& openSsl = candidates.front();
    std::printf("WPA pre-shared key derivation, 4096 iterations; best of %d rounds of %d\n",
                kRounds, kDerivationsPerRound);
    if (!cpuHasShaExtensions()) {
        std::printf("(this processor has no SHA extensions: only the portable kernel runs)\n");
    }
    bool allAgree = true;
    for (const Candidate& candidate : candidates) {
        std::printf("  %-32s %8.1f us  %5.2fx OpenSSL\n", candidate.name,
                    candidate.bestMicroseconds,
                    candidate.bestMicroseconds / openSsl.bestMicroseconds);
        allAgree = allAgree && candidate.key == openSsl.key;
    }
    if (!allAgree) {
        std::printf("MISMATCH: the derived keys differ\n");
        return 1;
    }
    return 0;
}
