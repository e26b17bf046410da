#include <windows.h>

#include <cstdlib>
#include <random>

#include "platform/storage/system_paths.h"
#include "platform/win32/win32_text.h"

namespace tarn {

namespace {

std::wstring WithSeparator(std::wstring dir) {
    if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
    return dir;
}

}  // namespace

std::string CreatePrivateTempFile(const std::string& prefix, std::string* tried, int* error) {
    wchar_t dir[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, dir);
    if (n == 0 || n > MAX_PATH) {
        if (error) *error = static_cast<int>(::GetLastError());
        return {};
    }
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t suffix[16];
        ::swprintf(suffix, 16, L"%08x", static_cast<unsigned>(random()));
        const std::wstring path = WithSeparator(dir) + WideFromUtf8(prefix) + suffix;
        if (tried) *tried = Utf8FromWide(path);
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            ::CloseHandle(h);
            return Utf8FromWide(path);
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) {
            if (error) *error = static_cast<int>(::GetLastError());
            return {};
        }
    }
    if (error) *error = ERROR_FILE_EXISTS;
    return {};
}

void RemoveFile(const std::string& utf8Path) { ::DeleteFileW(WideFromUtf8(utf8Path).c_str()); }

std::string ProgramDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return ".\\";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Utf8FromWide(path.substr(0, path.find_last_of(L"\\/") + 1));
}

std::string UserDataDirectory(const std::string& programName) {
    const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
    const std::wstring base = local && *local ? local : L".";
    return Utf8FromWide(WithSeparator(base) + WideFromUtf8(programName) + L"\\");
}

// A file made and removed at once answers the question that the directory's
// access rules would answer only after reading them.
bool IsWritableDirectory(const std::string& utf8Path) {
    const std::wstring probe = WithSeparator(WideFromUtf8(utf8Path)) + L".tarn-write-probe";
    HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_EXISTS;
    ::CloseHandle(h);
    return true;
}

}  // namespace tarn
