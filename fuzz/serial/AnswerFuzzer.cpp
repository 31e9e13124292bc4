// Feeds arbitrary bytes, cut into arbitrary chunks, to the answer assembler and the sequence
// engine as a module's answers, and decodes every item the engine completes with the item
// codecs. Any crash, out-of-bounds access or undefined behaviour is a finding.
#include "serial/FirmwareVerdicts.h"
#include "serial/ItemPayloads.h"
#include "serial/SequenceEngine.h"
#include "serial/SequenceHost.h"
#include "serial/SettingsItems.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace quarlink::serial;

class DecodingHost final : public SequenceHost
{
public:
    void writeBytes(std::span<const std::uint8_t>) override {}
    bool isConnectionOpen() const override { return true; }
    void closeConnection() override {}
    void startAnswerTimer() override {}
    void stopAnswerTimer() override {}
    bool collectSettings() override { return true; }
    std::vector<std::uint8_t> itemPayload(std::uint8_t code) override
    {
        return std::vector<std::uint8_t>(itemLength(code).value_or(0));
    }
    void showIdentity(std::span<const std::uint8_t> record) override
    {
        if (record.size() != kIdentityRecordSize)
            __builtin_trap();
        m_sink += record[8] + record[13];
    }
    void showItem(std::uint8_t code, std::span<const std::uint8_t> p) override
    {
        if (itemLength(code) != p.size())
            __builtin_trap();
        switch (code) {
        case item::WlanBasic:
            m_sink += WlanBasicRecord::decode(p.first<WlanBasicRecord::kSize>()).cipher;
            break;
        case item::NetworkOptions:
            m_sink += NetworkOptionRecord::decode(p.first<NetworkOptionRecord::kSize>()).waterMark;
            break;
        default:
            m_sink += nonZeroBytes(p).size() + textUpToZero(p).size();
            break;
        }
    }
    void keepSetupText(std::span<const std::uint8_t> text) override
    {
        if (text.empty() || text.back() != 0 || text.size() >= kSetupTextBufferSize)
            __builtin_trap();
    }
    void showMessage(const std::string&) override {}
    void enableGetInfo(bool) override {}
    void enableSetInfo(bool) override {}

private:
    std::size_t m_sink = 0;
};

// Takes the firmware verdicts as the form does; the 0xFF status keeps its bytes in the buffer.
class VerdictSink final : public FirmwareVerdictListener
{
public:
    void updateSucceeded() override { ++m_count; }
    void updateRefused() override { ++m_count; }
    void statusAnswer(bool lastByteIsZero) override { m_count += lastByteIsZero ? 1 : 2; }

private:
    std::size_t m_count = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DecodingHost host;
    SequenceEngine engine(host);
    VerdictSink verdicts;
    // The first byte picks the sequence (and whether firmware verdicts are awaited); then each
    // chunk is a length byte and that many bytes.
    if (size == 0)
        return 0;
    if (data[0] & 2) {
        engine.setFirmwareListener(&verdicts);
        engine.setCurrentLetter(kFirmwareLetter);
    }
    if (data[0] & 1)
        engine.startSetInfo();
    else
        engine.startGetInfo();
    std::size_t at = 1;
    while (at < size) {
        const std::size_t want = data[at++];
        const std::size_t take = want < size - at ? want : size - at;
        if (want == 0xFF)
            engine.onAnswerTimeout();
        else
            engine.onReceived({data + at, take});
        at += take;
    }
    return 0;
}
