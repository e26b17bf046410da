// The replacement file on Win32: a hidden sibling of the target, flushed, then
// put in the target's place with ReplaceFileW (which keeps the old file's
// attributes and security) or, for a new target, MoveFileExW with
// write-through. Either way the target stays whole until the new file is.
#include <windows.h>

#include <random>

#include "platform/storage/replacement_file.h"
#include "platform/win32/win32_text.h"

namespace tarn {

namespace {

int LastError() { return static_cast<int>(::GetLastError()); }

std::wstring Directory(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash == 0 ? 1 : slash);
}

std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& utf8Target) : m_target(utf8Target) {
    const std::wstring target = WideFromUtf8(m_target);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        m_error = ERROR_DIRECTORY;
        return;
    }
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t suffix[16];
        ::swprintf(suffix, 16, L".%08x", static_cast<unsigned>(random()));
        const std::wstring path = Directory(target) + L"\\." + FileName(target) + suffix;
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            m_error = LastError();
            if (m_error == ERROR_FILE_EXISTS) continue;
            return;
        }
        ::CloseHandle(h);
        m_error = 0;
        m_path = Utf8FromWide(path);
        return;
    }
}

ReplacementFile::~ReplacementFile() {
    if (!m_committed && !m_path.empty()) ::DeleteFileW(WideFromUtf8(m_path).c_str());
}

int ReplacementFile::Commit() {
    if (m_error) return m_error;
    const std::wstring path = WideFromUtf8(m_path);
    const std::wstring target = WideFromUtf8(m_target);
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError();
    const int flushed = ::FlushFileBuffers(h) ? 0 : LastError();
    if (!::CloseHandle(h) && !flushed) return LastError();
    if (flushed) return flushed;
    bool replaced = false;
    if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        replaced = ::ReplaceFileW(target.c_str(), path.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                  nullptr, nullptr);
    if (!replaced &&
        !::MoveFileExW(path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return LastError();
    m_committed = true;
    return 0;
}

std::string OsErrorText(int error) { return Win32ErrorText(static_cast<unsigned long>(error)); }

}  // namespace tarn
