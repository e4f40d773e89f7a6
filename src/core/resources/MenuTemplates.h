#pragma once

#include <span>

// The commands of the main window as data: what a resource script's menu, toolbar and shortcut table
// would hold, one row per command. One builder (ui/framework/CommandBars.h) turns the table into the menu
// bar, the toolbar and the window's shortcuts; the handlers are registered with the command router.

// A key the desktop has a standard binding for, named as Qt's QKeySequence::StandardKey names it. The
// desktop's binding comes first; the row's own keys are added where the desktop's differ.
enum class EStandardKey {
    None,
    New,
    Open,
    Save,
    Print,
    Undo,
    Cut,
    Copy,
    Paste,
    Find,
    HelpContents,
};

// The picture of a toolbar button when the desktop's icon theme has none: one of the style's standard
// pictures, or one drawn by the builder.
enum class EIconFallback {
    None,
    StyleFile,
    StyleOpen,
    StyleSave,
    StyleInformation,
    DrawnCut,
    DrawnCopy,
    DrawnPaste,
    DrawnPrint,
};

// Flags of a row.
enum : unsigned {
    CMD_SEPARATOR_BEFORE = 0x1, // a separator before the entry; on a submenu's first entry, before the submenu
    CMD_CHECKABLE = 0x2,        // the entry shows a check mark
};

struct CCommandItem {
    int nID;
    // Where the entry goes: submenu captions from the menu bar down, separated by "|" ("&File|Printing");
    // null for a command reached by its keys alone. Entries of a menu come in table order.
    const char* pszMenu;
    const char* pszCaption; // UTF-8; "&" marks a mnemonic
    unsigned nFlags = 0;
    EStandardKey standardKey = EStandardKey::None;
    const char* pszKeys = nullptr;      // the program's own keys in portable text, "; " between two of them
    int nToolbarPlace = 0;              // 1, 2, ... from the left; 0: not on the toolbar; a number left out is a gap
    const char* pszIconTheme = nullptr; // the icon's name in the desktop's theme
    EIconFallback iconFallback = EIconFallback::None;
    int nCount = 1; // a run of commands nID, nID + 1, ... sharing the row (the recent files)
};

// The main window's commands: every entry of its menus, its toolbar buttons and its other keys.
std::span<const CCommandItem> MainFrameCommands();
