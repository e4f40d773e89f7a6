#include "ui/platform/ActiveWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

// One property of a window as bytes of 8-bit format, with the type it has; empty when it has none.
std::string Property(Display* pDisplay, ::Window window, Atom property, Atom& type) {
    int nFormat = 0;
    unsigned long nItems = 0;
    unsigned long nAfter = 0;
    unsigned char* pData = nullptr;
    type = None;
    if (XGetWindowProperty(pDisplay, window, property, 0, 4096, False, AnyPropertyType, &type, &nFormat, &nItems,
                           &nAfter, &pData) != Success ||
        pData == nullptr)
        return {};
    std::string strValue;
    if (nFormat == 8)
        strValue.assign(reinterpret_cast<const char*>(pData), nItems);
    XFree(pData);
    return strValue;
}

} // namespace

CActiveX11Window::CActiveX11Window(const char* pszDisplay) : m_pDisplay(XOpenDisplay(pszDisplay)) {}

CActiveX11Window::~CActiveX11Window() {
    if (m_pDisplay != nullptr)
        XCloseDisplay(m_pDisplay);
}

unsigned long CActiveX11Window::Window() const {
    if (m_pDisplay == nullptr)
        return 0;
    Atom type = None;
    int nFormat = 0;
    unsigned long nItems = 0;
    unsigned long nAfter = 0;
    unsigned char* pData = nullptr;
    const Atom active = XInternAtom(m_pDisplay, "_NET_ACTIVE_WINDOW", False);
    unsigned long nWindow = 0;
    if (XGetWindowProperty(m_pDisplay, DefaultRootWindow(m_pDisplay), active, 0, 1, False, XA_WINDOW, &type, &nFormat,
                           &nItems, &nAfter, &pData) == Success &&
        pData != nullptr) {
        // Xlib hands 32-bit items as longs.
        if (type == XA_WINDOW && nFormat == 32 && nItems == 1)
            nWindow = *reinterpret_cast<const unsigned long*>(pData);
        XFree(pData);
    }
    return nWindow;
}

std::string CActiveX11Window::Title() const {
    const unsigned long nWindow = Window();
    if (nWindow == 0)
        return {};
    Atom type = None;
    const std::string strName = Property(m_pDisplay, nWindow, XInternAtom(m_pDisplay, "_NET_WM_NAME", False), type);
    if (!strName.empty())
        return strName;
    // The older name is Latin-1 text: each byte from 0x80 up is two bytes of UTF-8.
    const std::string strOld = Property(m_pDisplay, nWindow, XA_WM_NAME, type);
    if (type != XA_STRING)
        return strOld;
    std::string strTitle;
    for (const char c : strOld) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            strTitle += c;
        } else {
            strTitle += static_cast<char>(0xC0 | (u >> 6));
            strTitle += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return strTitle;
}
