// The COM port with the Windows serial API: CreateFileA on \\.\COMn for overlapped I/O,
// Get/SetCommState, SetupComm, PurgeComm, Get/SetCommTimeouts, SetCommMask and WaitCommEvent,
// ClearCommError, ReadFile/WriteFile with OVERLAPPED records and GetOverlappedResult.
#include "os/SerialDevice.h"

#include "os/SystemError.h"
#include "os/win32/CommSettings.h"
#include "os/win32/SerialDeviceState.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quarlink::os {

namespace {

constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr std::string_view kDevicePrefix = "\\\\.\\";

// ERROR_NO_SUCH_DEVICE, which MinGW's headers lack.
constexpr DWORD kNoSuchDevice = 433;

// Bounds the wait for an aborted I/O to be collected when the port closes.
constexpr DWORD kCancelLimitMs = 2000;

bool startsWithDevicePrefix(std::string_view name)
{
    return name.size() > kDevicePrefix.size() &&
           (name.substr(0, 4) == kDevicePrefix || name.substr(0, 4) == "//./");
}

// What an open failure means, and how it is said: "not present", "in use by another program",
// or the system's own message.
OpenResult openFailure(OpenStep step, DWORD error)
{
    OpenResult result{step, static_cast<int>(error), {}, OpenProblem::Other};
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_UNIT:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        result.problem = OpenProblem::NotPresent;
        result.reason = "not present";
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        result.problem = OpenProblem::InUse;
        result.reason = "in use by another program";
        break;
    // A COM port another program holds refuses a second open with "access denied"; its
    // permissions rarely do.
    case ERROR_ACCESS_DENIED:
        result.problem = OpenProblem::InUse;
        result.reason = "in use by another program (access denied)";
        break;
    default:
        result.reason = systemErrorText(static_cast<int>(error));
        break;
    }
    return result;
}

HANDLE newEvent()
{
    return ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void closeEvent(OVERLAPPED& io)
{
    if (io.hEvent)
        ::CloseHandle(io.hEvent);
    io = OVERLAPPED{};
}

void clearErrors(HANDLE port, COMSTAT* status = nullptr)
{
    DWORD errors = 0;
    COMSTAT ignored{};
    ::ClearCommError(port, &errors, status ? status : &ignored);
}

// Waits until an aborted overlapped operation has ended, so its record may be reused or freed.
void collectAborted(HANDLE port, OVERLAPPED& io)
{
    ::CancelIoEx(port, &io);
    if (::WaitForSingleObject(io.hEvent, kCancelLimitMs) == WAIT_OBJECT_0) {
        DWORD ignored = 0;
        ::GetOverlappedResult(port, &io, &ignored, FALSE);
    }
}

// Takes the hold of the port: nullptr, with the error, when another holder has it.
HANDLE takeHold(const std::string& devicePath, DWORD& error)
{
    const HANDLE hold = ::CreateMutexA(nullptr, FALSE, win32::holdName(devicePath).c_str());
    error = ::GetLastError();
    if (hold && error == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(hold);
        error = ERROR_SHARING_VIOLATION;
        return nullptr;
    }
    return hold;
}

// Configures an opened port: line, event mask, queues, purge and time-outs. 0 or the error.
DWORD configurePort(HANDLE port, const LineSettings& settings)
{
    DCB control{};
    control.DCBlength = sizeof control;
    if (!::GetCommState(port, &control))
        return ::GetLastError();
    if (!win32::applyLineSettings(control, settings))
        return ERROR_INVALID_PARAMETER;
    if (!::SetCommState(port, &control))
        return ::GetLastError();
    ::SetCommMask(port, EV_RXCHAR);
    ::SetupComm(port, win32::kQueueSize, win32::kQueueSize);
    ::PurgeComm(port, kPurgeAll);
    COMMTIMEOUTS timeouts{};
    if (!::GetCommTimeouts(port, &timeouts))
        return ::GetLastError();
    const COMMTIMEOUTS wanted = win32::linkTimeouts(timeouts);
    if (!::SetCommTimeouts(port, const_cast<COMMTIMEOUTS*>(&wanted)))
        return ::GetLastError();
    return 0;
}

} // namespace

const char kPortNameForm[] = "a COM port such as COM7 (also \\\\.\\COM12)";

std::string devicePathFor(std::string_view portName)
{
    if (!portName.empty() && portName.back() == ':')
        portName.remove_suffix(1);
    if (startsWithDevicePrefix(portName))
        return std::string(portName);
    return std::string(kDevicePrefix) + std::string(portName);
}

std::string portNameOf(std::string_view devicePath)
{
    if (startsWithDevicePrefix(devicePath))
        devicePath.remove_prefix(kDevicePrefix.size());
    return std::string(devicePath);
}

OpenResult OpenResult::failure(OpenStep step, int error)
{
    if (step == OpenStep::Open || step == OpenStep::Lock)
        return openFailure(step, static_cast<DWORD>(error));
    return {step, error, systemErrorText(error), OpenProblem::Other};
}

namespace win32 {

// The name of the object that marks the port held: "Global\quarlink-serial-COM5".
std::string holdName(const std::string& devicePath)
{
    std::string name = "Global\\quarlink-serial-";
    for (const char c : std::string_view(devicePath).substr(kDevicePrefix.size()))
        name += c == '\\' || c == '/'
                    ? '_'
                    : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

bool isDeviceGone(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_UNIT:
    case ERROR_NOT_READY:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_HANDLE_EOF:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BROKEN_PIPE:
    case kNoSuchDevice:
    case ERROR_IO_DEVICE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
        return true;
    default:
        return false;
    }
}

InputArm armInputWait(SerialDevice::State& state, bool startWait)
{
    COMSTAT status{};
    DWORD errors = 0;
    if (!::ClearCommError(state.port, &errors, &status))
        return InputArm::Gone;
    if (status.cbInQue > 0)
        return InputArm::Input;
    if (state.waitPending)
        return InputArm::Armed;
    if (!startWait)
        return InputArm::Again;
    state.waitMask = 0;
    ::ResetEvent(state.waitIo.hEvent);
    if (::WaitCommEvent(state.port, &state.waitMask, &state.waitIo))
        return (state.waitMask & EV_RXCHAR) != 0 ? InputArm::Input : InputArm::Again;
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_PENDING) {
        state.waitPending = true;
        return InputArm::Armed;
    }
    if (isDeviceGone(error))
        return InputArm::Gone;
    clearErrors(state.port);
    return InputArm::Again;
}

InputEnd finishInputWait(SerialDevice::State& state)
{
    DWORD transferred = 0;
    if (::GetOverlappedResult(state.port, &state.waitIo, &transferred, FALSE)) {
        state.waitPending = false;
        return (state.waitMask & EV_RXCHAR) != 0 ? InputEnd::Event : InputEnd::Nothing;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_INCOMPLETE)
        return InputEnd::Nothing; // still under way: keep waiting on it
    state.waitPending = false;
    // An aborted wait with an empty event word is nothing that happened, no failure.
    if (error == ERROR_OPERATION_ABORTED)
        return (state.waitMask & EV_RXCHAR) != 0 ? InputEnd::Event : InputEnd::Nothing;
    if (isDeviceGone(error))
        return InputEnd::Gone;
    clearErrors(state.port);
    return InputEnd::Nothing;
}

std::chrono::milliseconds inputRetryPause(const SerialDevice::State& state)
{
    constexpr std::chrono::milliseconds kBusy{1};
    constexpr std::chrono::milliseconds kQuiet{10};
    constexpr std::chrono::milliseconds kBusyWindow{500};
    const auto since = std::chrono::steady_clock::now() -
                       std::chrono::steady_clock::time_point(
                           std::chrono::steady_clock::duration(state.lastActivity.load()));
    return since < kBusyWindow ? kBusy : kQuiet;
}

} // namespace win32

SerialDevice::SerialDevice() : m_state(std::make_unique<State>()) {}

SerialDevice::~SerialDevice()
{
    close();
}

bool SerialDevice::isOpen() const
{
    return m_state->port != nullptr;
}

NativeHandle SerialDevice::nativeHandle() const
{
    return m_state->port;
}

OpenResult SerialDevice::open(std::string_view portName, const LineSettings& settings)
{
    close();
    State& state = *m_state;
    state.readIo.hEvent = newEvent();
    state.writeIo.hEvent = newEvent();
    state.waitIo.hEvent = newEvent();
    if (!state.readIo.hEvent || !state.writeIo.hEvent || !state.waitIo.hEvent) {
        const DWORD error = ::GetLastError();
        closeEvent(state.readIo);
        closeEvent(state.writeIo);
        closeEvent(state.waitIo);
        return OpenResult::failure(OpenStep::Open, static_cast<int>(error));
    }
    const std::string path = devicePathFor(portName);
    // No sharing: the port is this process's alone until it is closed.
    const HANDLE port = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    DWORD error = port == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    const HANDLE hold = error == 0 ? takeHold(path, error) : nullptr;
    if (error != 0 || !hold) {
        const OpenStep step = port == INVALID_HANDLE_VALUE ? OpenStep::Open : OpenStep::Lock;
        if (port != INVALID_HANDLE_VALUE)
            ::CloseHandle(port);
        closeEvent(state.readIo);
        closeEvent(state.writeIo);
        closeEvent(state.waitIo);
        return OpenResult::failure(step, static_cast<int>(error));
    }
    state.port = port;
    state.hold = hold;
    if (const DWORD error = configurePort(port, settings); error != 0) {
        close();
        return OpenResult::failure(OpenStep::Configure, static_cast<int>(error));
    }
    return OpenResult::success();
}

void SerialDevice::close()
{
    State& state = *m_state;
    if (!state.port)
        return;
    // A command written just before closing (the module's go-ahead) must still reach the line;
    // once the queue has drained only the input is discarded.
    if (drainOutput(kCloseDrainLimit))
        ::PurgeComm(state.port, PURGE_RXABORT | PURGE_RXCLEAR);
    else
        purge();
    // An event wait left by the reader ends when the mask changes; its record is collected
    // before the port and the events go.
    ::SetCommMask(state.port, 0);
    if (state.waitPending) {
        collectAborted(state.port, state.waitIo);
        state.waitPending = false;
    }
    ::CloseHandle(state.port);
    state.port = nullptr;
    if (state.hold)
        ::CloseHandle(state.hold); // gives up the hold
    state.hold = nullptr;
    closeEvent(state.readIo);
    closeEvent(state.writeIo);
    closeEvent(state.waitIo);
}

std::optional<std::size_t> SerialDevice::transmitQueueCount() const
{
    if (!m_state->port)
        return std::nullopt;
    COMSTAT status{};
    DWORD errors = 0;
    if (!::ClearCommError(m_state->port, &errors, &status))
        return std::nullopt;
    return static_cast<std::size_t>(status.cbOutQue);
}

void SerialDevice::purge() const
{
    if (m_state->port)
        ::PurgeComm(m_state->port, kPurgeAll);
}

WriteResult SerialDevice::writeHeld(std::span<const std::uint8_t> bytes, const StopSignal* stop,
                                    Clock::time_point deadline) const
{
    State& state = *m_state;
    if (bytes.empty())
        return WriteResult::Written;
    state.noteActivity();
    DWORD written = 0;
    if (::WriteFile(state.port, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                    &state.writeIo))
        return written == bytes.size() ? WriteResult::Written : WriteResult::Failed;
    if (::GetLastError() != ERROR_IO_PENDING) {
        clearErrors(state.port);
        return WriteResult::Failed;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    const std::array<HANDLE, 2> handles{state.writeIo.hEvent,
                                        stop ? stop->nativeHandle() : nullptr};
    const DWORD woke = ::WaitForMultipleObjects(
        handles[1] ? 2 : 1, handles.data(), FALSE,
        static_cast<DWORD>(std::clamp<std::int64_t>(left.count(), 0, 1 << 30)));
    if (woke != WAIT_OBJECT_0) {
        // Stopped, out of time, or the wait failed: the write is aborted and collected.
        collectAborted(state.port, state.writeIo);
        clearErrors(state.port);
        return woke == WAIT_OBJECT_0 + 1 ? WriteResult::Stopped : WriteResult::Failed;
    }
    if (!::GetOverlappedResult(state.port, &state.writeIo, &written, FALSE) ||
        written != bytes.size()) {
        clearErrors(state.port);
        return WriteResult::Failed;
    }
    state.noteActivity();
    return WriteResult::Written;
}

InputWait SerialDevice::waitForInput(const StopSignal& wake) const
{
    State& state = *m_state;
    for (;;) {
        if (wake.requested())
            return InputWait::Stopped;
        switch (win32::armInputWait(state)) {
        case win32::InputArm::Input:
            state.noteActivity();
            return InputWait::Input;
        case win32::InputArm::Gone:
            return InputWait::Gone;
        case win32::InputArm::Again:
            if (wake.waitFor(win32::inputRetryPause(state)))
                return InputWait::Stopped;
            continue;
        case win32::InputArm::Armed:
            break;
        }
        const std::array<HANDLE, 2> handles{state.waitIo.hEvent, wake.nativeHandle()};
        const DWORD woke =
            ::WaitForMultipleObjects(handles[1] ? 2 : 1, handles.data(), FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0 + 1)
            return InputWait::Stopped;
        if (woke != WAIT_OBJECT_0)
            return InputWait::Gone;
        switch (win32::finishInputWait(state)) {
        case win32::InputEnd::Event:
            break; // the queue is looked at again above
        case win32::InputEnd::Gone:
            return InputWait::Gone;
        case win32::InputEnd::Nothing:
            if (wake.waitFor(win32::inputRetryPause(state)))
                return InputWait::Stopped;
            break;
        }
    }
}

InputRead SerialDevice::readAvailable(std::span<std::uint8_t> buffer) const
{
    State& state = *m_state;
    COMSTAT status{};
    DWORD errors = 0;
    if (!::ClearCommError(state.port, &errors, &status))
        return {0, true};
    const DWORD wanted = std::min<DWORD>(status.cbInQue, static_cast<DWORD>(buffer.size()));
    if (wanted == 0)
        return {};
    DWORD got = 0;
    if (::ReadFile(state.port, buffer.data(), wanted, &got, &state.readIo))
        return {got, false};
    DWORD error = ::GetLastError();
    if (error == ERROR_IO_PENDING) {
        // The bytes are in the queue: the read ends at once, or after its time-out at most.
        if (::GetOverlappedResult(state.port, &state.readIo, &got, TRUE))
            return {got, false};
        error = ::GetLastError();
        if (win32::isDeviceGone(error))
            return {got, true};
        clearErrors(state.port);
        return {got, false};
    }
    if (win32::isDeviceGone(error))
        return {0, true};
    // The chunk that cannot be read is dropped, so the queue does not report it again and again.
    clearErrors(state.port);
    ::PurgeComm(state.port, PURGE_RXCLEAR);
    return {};
}

} // namespace quarlink::os
