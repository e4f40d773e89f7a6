#pragma once

#include <memory>
#include <string>

// The window that has the keyboard focus on an X display, as the window manager tells it on the root window
// (_NET_ACTIVE_WINDOW) with its title (_NET_WM_NAME, else WM_NAME), on a display connection of its own. Wayland
// tells no client which window has the focus.
class CActiveX11Window {
public:
    explicit CActiveX11Window(const char* pszDisplay = nullptr);
    ~CActiveX11Window();
    CActiveX11Window(const CActiveX11Window&) = delete;
    CActiveX11Window& operator=(const CActiveX11Window&) = delete;

    bool IsOpen() const { return m_pDisplay != nullptr; }
    // The focused window's id, 0 when none has the focus or the window manager does not say.
    unsigned long Window() const;
    // The focused window's title in UTF-8 (a WM_NAME of Latin-1 converted); empty without one.
    std::string Title() const;

private:
    struct _XDisplay* m_pDisplay = nullptr;
};
