#include "core/framework/MessageBoxButtons.h"

#include "core/framework/Prompts.h"

#include "core/resources/Resource.h"

#include <algorithm>

std::vector<int> MessageBoxButtons(unsigned nType) {
    switch (nType & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    default:
        return {IDOK};
    }
}

int MessageBoxDefault(unsigned nType) {
    const std::vector<int> buttons = MessageBoxButtons(nType);
    const std::size_t nDefault = (nType & MB_DEFMASK) >> 8;
    return nDefault < buttons.size() ? buttons[nDefault] : buttons.front();
}

int MessageBoxEscape(unsigned nType) {
    const std::vector<int> buttons = MessageBoxButtons(nType);
    for (int nId : {IDCANCEL, IDNO})
        if (std::find(buttons.begin(), buttons.end(), nId) != buttons.end())
            return nId;
    return buttons.front();
}

int CUnattendedPrompts::MessageBox(const QString&, unsigned nType) {
    return MessageBoxEscape(nType);
}

int CUnattendedPrompts::FilePasswordPrompt(std::string&, const QString&) {
    return IDCANCEL;
}
