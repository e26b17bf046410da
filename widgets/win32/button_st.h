#pragma once
// A push button that draws its own face (owner-drawn): a background and a text
// colour for each drawing state, the pointer tracked so that hovering shows.
// The owner forwards WM_DRAWITEM to DrawItem.
#include <windows.h>

#include <array>

namespace tarn {

class CButtonST {
public:
    enum class State { Normal, Hover, Pressed, Focus, Disabled };

    CButtonST() = default;
    ~CButtonST();
    CButtonST(const CButtonST&) = delete;
    CButtonST& operator=(const CButtonST&) = delete;

    // Takes over the dialog's button: it becomes owner-drawn and its pointer is tracked.
    void SubclassDlgItem(HWND dialog, int id);
    HWND GetSafeHwnd() const { return m_hWnd; }

    void SetColor(State state, COLORREF background, COLORREF text);
    COLORREF Background(State state) const { return m_colors[Index(state)].background; }
    COLORREF Text(State state) const { return m_colors[Index(state)].text; }

    // The state one drawing shows: disabled, pressed, the pointer over it, the focus, else normal.
    State DrawingState(UINT itemState) const;
    void DrawItem(const DRAWITEMSTRUCT& item);

private:
    struct Colors {
        COLORREF background;
        COLORREF text;
    };
    static size_t Index(State state) { return static_cast<size_t>(state); }
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    HWND m_hWnd = nullptr;
    std::array<Colors, 5> m_colors{{{GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)},
                                    {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)},
                                    {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)},
                                    {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)},
                                    {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_GRAYTEXT)}}};
    bool m_pointerIn = false;
};

}  // namespace tarn
