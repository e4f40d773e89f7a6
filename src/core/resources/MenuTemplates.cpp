#include "core/resources/MenuTemplates.h"

#include "core/resources/Resource.h"

#include <array>

namespace {

constexpr const char* kFile = "&File";
constexpr const char* kRecent = "&File|&Recent Files";
constexpr const char* kPrinting = "&File|&Printing";
constexpr const char* kEdit = "&Edit";
constexpr const char* kSite = "&Edit|&Site";
constexpr const char* kView = "&View";
constexpr const char* kHelp = "&Help";

using K = EStandardKey;
using I = EIconFallback;
constexpr unsigned kSep = CMD_SEPARATOR_BEFORE;

// Every entry has an Alt letter ("&") of its own within its menu.
constexpr std::array kMainFrameCommands = {
    CCommandItem{ID_FILE_NEW, kFile, "&New", 0, K::New, "Ctrl+N", 1, "document-new", I::StyleFile},
    CCommandItem{ID_FILE_OPEN, kFile, "&Open...", 0, K::Open, "Ctrl+O", 2, "document-open", I::StyleOpen},
    CCommandItem{ID_FILE_SAVE, kFile, "&Save", 0, K::Save, "Ctrl+S", 3, "document-save", I::StyleSave},
    CCommandItem{ID_FILE_SAVE_AS, kFile, "Save &As..."},
    CCommandItem{ID_FILE_MERGE, kFile, "&Merge From...", kSep},
    CCommandItem{ID_FILE_MERGE_CONFLICTS, kFile, "Mer&ge Conflict Copies..."},
    CCommandItem{ID_FILE_SEAL, kFile, "Seal &with Strong Encryption...", kSep},
    CCommandItem{ID_FILE_SAVE_CLASSIC, kFile, "Save as Classic &File..."},
    // The lock hides the sites until the file password is typed again; Enter in the locked window unlocks too.
    CCommandItem{ID_FILE_LOCK, kFile, "&Lock", kSep, K::None, "Ctrl+L"},
    CCommandItem{ID_FILE_UNLOCK, kFile, "&Unlock"},
    CCommandItem{ID_FILE_IMPORT, kFile, "&Import...", kSep},
    CCommandItem{ID_FILE_EXPORT_CSV, kFile, "&Export CSV..."},
    CCommandItem{ID_START_WITH_MRU, kRecent, "&Start With MRU", kSep | CMD_CHECKABLE},
    CCommandItem{ID_FILE_MRU_FILE1, kRecent, "&Recent File", kSep, K::None, nullptr, 0, nullptr, I::None,
                 kRecentFileCount},
    CCommandItem{ID_FILE_PRINT, kPrinting, "&Print...", kSep, K::Print, "Ctrl+P", 9, "document-print", I::DrawnPrint},
    CCommandItem{ID_FILE_PRINT_PREVIEW, kPrinting, "Print Pre&view"},
    CCommandItem{ID_FILE_PRINT_SETUP, kPrinting, "P&rint Setup..."},
    // Alt+F4 is the window manager's; bound here too for a desktop without one.
    CCommandItem{ID_APP_EXIT, kFile, "E&xit", kSep, K::None, "Alt+F4"},

    CCommandItem{ID_EDIT_UNDO, kEdit, "&Undo", 0, K::Undo, "Ctrl+Z; Alt+Backspace"},
    CCommandItem{ID_EDIT_CUT, kEdit, "Cu&t", 0, K::Cut, "Ctrl+X; Shift+Del", 5, "edit-cut", I::DrawnCut},
    CCommandItem{ID_EDIT_COPY, kEdit, "&Copy", 0, K::Copy, "Ctrl+C; Ctrl+Ins", 6, "edit-copy", I::DrawnCopy},
    CCommandItem{ID_EDIT_PASTE, kEdit, "&Paste", 0, K::Paste, "Ctrl+V; Shift+Ins", 7, "edit-paste", I::DrawnPaste},
    // Keys of their own, so Ctrl+C, Ctrl+X and Ctrl+V stay the fields'.
    CCommandItem{ID_EDIT_COPY_PASSWORD, kEdit, "Copy Pass&word", kSep, K::None, "Ctrl+Shift+C"},
    CCommandItem{ID_EDIT_COPY_USER, kEdit, "Copy User &Name", 0, K::None, "Ctrl+Shift+B"},
    CCommandItem{ID_EDIT_COPY_URL, kEdit, "Copy U&RL", 0, K::None, "Ctrl+Shift+L"},
    CCommandItem{ID_EDIT_COPY_CODE, kEdit, "Copy C&ode", 0, K::None, "Ctrl+Shift+T"},
    CCommandItem{ID_EDIT_AUTO_TYPE, kEdit, "Auto-T&ype", 0, K::None, "Ctrl+Shift+V"},
    CCommandItem{ID_SITE_ADD, kSite, "&Add", kSep},
    CCommandItem{ID_SITE_EDIT, kSite, "&Edit"},
    CCommandItem{ID_SITE_REMOVE, kSite, "&Remove"},
    CCommandItem{ID_SITE_KEEP, kSite, "&Keep"},
    CCommandItem{ID_SITE_CANCEL, kSite, "&Cancel"},
    CCommandItem{ID_SITE_NOTES, kSite, "&Notes", kSep},
    CCommandItem{ID_EDIT_FIND, kSite, "&Find Site", kSep, K::Find, "Ctrl+F"},
    CCommandItem{ID_GO_URL, kSite, "&Go URL...", kSep},
    CCommandItem{ID_CHANGE_FILE_PSWD, kEdit, "C&hange File Pswd...", kSep},

    CCommandItem{ID_VIEW_TOOLBAR, kView, "&Toolbar", CMD_CHECKABLE},
    CCommandItem{ID_VIEW_STATUS_BAR, kView, "&Status Bar", CMD_CHECKABLE},
    CCommandItem{ID_CREATE_PASSWORDS, kView, "&Create Passwords...", kSep},
    CCommandItem{ID_PASSWORD_HEALTH, kView, "&Password Health..."},
    CCommandItem{ID_VIEW_RESOLVE_CONFLICTS, kView, "&Resolve Conflicts..."},
    CCommandItem{ID_OPTIONS, kView, "&Options...", kSep},

    CCommandItem{ID_APP_ABOUT, kHelp, "&About Lockwarden...", 0, K::None, nullptr, 11, "help-about",
                 I::StyleInformation},
    CCommandItem{ID_DOCUMENTATION, kHelp, "&Documentation...", 0, K::HelpContents, "F1"},

    // F6 and Shift+F6 move between panes; this window has none, so their commands stay without a handler.
    CCommandItem{ID_NEXT_PANE, nullptr, nullptr, 0, K::None, "F6"},
    CCommandItem{ID_PREV_PANE, nullptr, nullptr, 0, K::None, "Shift+F6"},
};

} // namespace

std::span<const CCommandItem> MainFrameCommands() {
    return kMainFrameCommands;
}
