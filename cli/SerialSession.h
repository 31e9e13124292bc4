// A session with one module over the serial link, for subcommands: opens the port with the
// line options, drives the window's sequence engine in an event loop until the sequence ends,
// fails or runs out of time, and reports the engine's messages ("Error : S [Timeout]",
// "Error : 0x57[W]", ...) on standard error. A closed or vanished port ends the wait at once.
//
//     SerialSession session;
//     if (!session.open(*lineChoice))
//         return kExitFailure;
//     ModuleReadout readout;
//     if (!session.readSettings(readout))
//         return kExitFailure;
//
// Each operation returns true on success; its failure has been reported. Map the result with
// exitStatusFor(). Use from the thread that runs the QCoreApplication.
#pragma once

#include "cli/CliCommon.h"
#include "cli/LineOptions.h"
#include "serial/SequenceEngine.h"
#include "serial/SequenceHost.h"
#include "serial/SerialConnection.h"
#include "settings/SettingsDocument.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarlink::cli {

// What the Get Info sequence read: the settings, and each item's bytes exactly as answered.
struct ModuleReadout
{
    settings::SettingsDocument document;
    std::map<std::uint8_t, settings::Bytes> items;
};

inline int exitStatusFor(bool ok)
{
    return ok ? kExitSuccess : kExitFailure;
}

class SerialSession final : private serial::SequenceHost
{
public:
    // Whatever the module sends, no operation takes longer than this.
    static constexpr std::chrono::milliseconds kOperationLimit{60000};

    SerialSession();
    ~SerialSession() override; // sends 'G' and closes the port, as the window's "Close" does

    // Opens the port. On failure reports "Cannot open P: reason". With --baud auto it opens the
    // port at each speed in turn and asks for the module's identity (see identify()) until the
    // module answers, and reports the speed found.
    bool open(const LineChoice& choice);
    // Opens the port at the choice's speed and reports nothing.
    os::OpenResult openLine(const LineChoice& choice);

    // The identity request as Get Info begins, 'S' then 'C', reporting nothing: the 16-byte
    // identity record, or nothing when the module did not answer in time or answered with an
    // error (then in `error`, such as "Error : 0x43[C]"). After no answer to 'S' the port is
    // closed.
    std::optional<std::vector<std::uint8_t>> identify(std::string* error = nullptr);
    // Sends 'G' and closes the port when it is open, as the window's "Close" does.
    void close();

    // The Get Info sequence: identity, the fourteen settings items and the setup text.
    bool readSettings(ModuleReadout& out);
    // The Set Info sequence, each item's payload from `payloadFor` (exactly the item's length).
    bool writeSettings(std::function<settings::Bytes(std::uint8_t item)> payloadFor);
    // One 'W' frame of any item code, such as 0xFF with the setup text and its zero byte, and
    // its answer.
    bool writeItem(std::uint8_t item, std::span<const std::uint8_t> payload);

    // For a firmware update over this line: the engine (current letter, verdict listener), the
    // port, written to from the sender's thread, and a hook run before a vanished port is closed
    // (so that the sender stops writing to it first).
    serial::SequenceEngine& engine() { return m_engine; }
    const os::SerialDevice& port() const { return m_connection->port(); }
    void setBeforeClose(std::function<void()> hook) { m_beforeClose = std::move(hook); }
    // Where the session's error messages go instead of standard error (several sessions at
    // once report each module's failure with its result).
    void setErrorSink(std::function<void(const QString&)> sink) { m_errorSink = std::move(sink); }

private:
    bool run(const std::function<void()>& start);
    void finish(bool ok);
    void onHangUp();
    void reportError(const QString& text);

    // serial::SequenceHost
    void writeBytes(std::span<const std::uint8_t> bytes) override;
    bool isConnectionOpen() const override;
    void closeConnection() override;
    void startAnswerTimer() override;
    void stopAnswerTimer() override;
    bool collectSettings() override { return true; }
    std::vector<std::uint8_t> itemPayload(std::uint8_t item) override;
    void showIdentity(std::span<const std::uint8_t> record) override;
    void showItem(std::uint8_t item, std::span<const std::uint8_t> payload) override;
    void keepSetupText(std::span<const std::uint8_t> text) override;
    void showMessage(const std::string& text) override;
    void enableGetInfo(bool) override {}
    void enableSetInfo(bool) override {}

    QObject m_context; // receives the reader's chunks on this thread
    QString m_portName;
    std::unique_ptr<serial::SerialConnection> m_connection;
    serial::SequenceEngine m_engine{*this};
    QTimer m_answerTimer;
    QTimer m_limitTimer;
    QEventLoop m_loop;
    std::optional<bool> m_result;
    bool m_quiet = false; // the engine's messages are kept, not printed (identify)
    std::string m_lastMessage;
    std::vector<std::uint8_t> m_identity;
    ModuleReadout* m_readout = nullptr;
    std::function<settings::Bytes(std::uint8_t)> m_payloadFor;
    std::function<void()> m_beforeClose;
    std::function<void(const QString&)> m_errorSink;
};

} // namespace quarlink::cli
