// The private file: a temporary file made with an access list that grants its owner alone,
// flushed, then moved over the path.
#include "os/PrivateFile.h"

#include "os/win32/Text.h"

#include <windows.h>

#include <sddl.h>

#include <atomic>
#include <filesystem>

namespace quarlink::os {

namespace {

// "D:P(A;;FA;;;<user>)": a protected list with full access for the current user and nobody
// else. Empty when the user cannot be told.
std::wstring ownerOnlyDescriptor()
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::wstring descriptor;
    if (size > 0) {
        std::string buffer(size, '\0');
        wchar_t* sid = nullptr;
        if (::GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
            ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid,
                                     &sid)) {
            descriptor = std::wstring(L"D:P(A;;FA;;;") + sid + L")";
            ::LocalFree(sid);
        }
    }
    ::CloseHandle(token);
    return descriptor;
}

bool writeAll(HANDLE file, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30));
        if (!::WriteFile(file, bytes.data(), ask, &written, nullptr) || written == 0)
            return false;
        bytes = bytes.subspan(written);
    }
    return true;
}

} // namespace

std::optional<PrivateFileFailure> writePrivateFile(const std::string& path,
                                                   std::span<const std::uint8_t> bytes)
{
    static std::atomic<unsigned> made{0};
    const std::wstring target = win32::wideFromUtf8(path);
    const std::filesystem::path targetPath(target);
    std::wstring name = L".";
    name += targetPath.filename().wstring();
    name += L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++made);
    const std::wstring temporary = (targetPath.parent_path() / name).wstring();

    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const std::wstring text = ownerOnlyDescriptor();
    if (text.empty() || !::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                            text.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return PrivateFileFailure{"create a temporary file", static_cast<int>(::GetLastError())};
    security.lpSecurityDescriptor = descriptor;
    const HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, &security, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD createError = ::GetLastError();
    ::LocalFree(descriptor);
    if (file == INVALID_HANDLE_VALUE)
        return PrivateFileFailure{"create a temporary file", static_cast<int>(createError)};
    const bool written = writeAll(file, bytes) && ::FlushFileBuffers(file);
    const DWORD writeError = ::GetLastError();
    const bool closed = ::CloseHandle(file) != 0;
    if (!written || !closed) {
        const DWORD error = written ? ::GetLastError() : writeError;
        ::DeleteFileW(temporary.c_str());
        return PrivateFileFailure{"write", static_cast<int>(error)};
    }
    if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(temporary.c_str());
        return PrivateFileFailure{"rename", static_cast<int>(error)};
    }
    return std::nullopt;
}

} // namespace quarlink::os
