// tarn-toolkit.exe: the service tool's window on Windows, a dialog application
// that runs the same dialogs' logic as `tarn.exe`, on the same profile.
#include "app/win32/windows_api.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>

#include "app/dialog_texts.h"
#include "app/user_profile.h"
#include "app/win32/main_dialog.h"
#include "platform/win32/win32_text.h"

namespace {

constexpr wchar_t kUsage[] =
    L"Usage: tarn-toolkit [--port COMn]\n\n"
    L"--port COMn   lists the serial port COMn (or its number n) and selects it for the automatic connect.";

// "COM5", "com5" or "5": the port's number as the dialogs take it; nullopt for anything else.
std::optional<std::u16string> PortNumber(std::wstring text) {
    if (text.size() > 3 && _wcsnicmp(text.c_str(), L"COM", 3) == 0) text.erase(0, 3);
    if (text.empty() || text.find_first_not_of(L"0123456789") != std::wstring::npos) return std::nullopt;
    return tarn::U16FromWide(text);
}

struct Arguments {
    int argc = 0;  // before argv: the call fills it in
    LPWSTR* argv;
    Arguments() : argv(CommandLineToArgvW(GetCommandLineW(), &argc)) {}
    ~Arguments() { LocalFree(argv); }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::optional<std::u16string> port;
    {
        Arguments arguments;
        for (int i = 1; i < arguments.argc; ++i) {
            const std::wstring argument = arguments.argv[i];
            std::optional<std::u16string> number;
            if (argument == L"--port" && i + 1 < arguments.argc)
                number = PortNumber(arguments.argv[++i]);
            else if (argument.rfind(L"--port=", 0) == 0)
                number = PortNumber(argument.substr(7));
            if (!number) {
                MessageBoxW(nullptr, kUsage, tarn::WideFromU16(tarn::kApplicationName).c_str(), MB_OK | MB_ICONWARNING);
                return 2;
            }
            port = number;
        }
    }
    // The common controls of the first set (structure size 8, classes 0xFF),
    // and COM for the shell's file dialogs.
    INITCOMMONCONTROLSEX controls{8, 0xFF};
    InitCommonControlsEx(&controls);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        std::unique_ptr<tarn::IProfile> profile = tarn::OpenUserProfile();
        tarn::win32::CTarnToolkitWindow dialog(*profile, std::move(port));
        dialog.DoModal();
    }
    CoUninitialize();
    return 0;
}
