#pragma once
// An edit field with a file-browse button in its frame: the button takes the
// right end of the field's non-client area, and a click on it opens the
// open-file dialog and puts the chosen path into the field (which notifies
// its change as typing does).
#include "app/win32/windows_api.h"

#include <string>

namespace tarn::win32 {

class FileBrowseEdit {
public:
    FileBrowseEdit() = default;
    ~FileBrowseEdit();
    FileBrowseEdit(const FileBrowseEdit&) = delete;
    FileBrowseEdit& operator=(const FileBrowseEdit&) = delete;

    // filter as "Name|*.ext||".
    void Enable(HWND edit, const std::u16string& defaultExtension, const std::u16string& filter);

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    RECT ButtonRect() const;  // in window coordinates
    void DrawButton(bool pressed) const;
    void Browse();

    HWND m_hWnd = nullptr;
    std::wstring m_defaultExtension;
    std::wstring m_filter;  // the dialog's form: pairs ended by zeros
};

// "Name|*.ext||" as the file dialogs take it: "Name\0*.ext\0\0".
std::wstring DialogFilter(const std::u16string& filter);

}  // namespace tarn::win32
