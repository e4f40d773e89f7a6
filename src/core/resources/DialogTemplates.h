#pragma once

#include <span>

// Dialog templates as data: what a resource script would hold for each dialog, in dialog units. One
// builder (ui/framework/DialogBuilder.h) turns a template into widgets, so every dialog and form is laid
// out by the same rules and every control carries its numeric ID.

// The kind of a control: the window class it would have, with the push-button kinds kept apart.
enum class EControlKind {
    Static,          // a text label
    Edit,            // a single-line edit, or a multi-line one with ES_MULTILINE
    PushButton,      // an ordinary push button
    DefPushButton,   // the default push button: Enter presses it
    CheckBox,        // a check box that toggles by itself
    ComboBox,        // a combo box; CBS_DROPDOWN or CBS_DROPDOWNLIST says whether it can be typed into
    OwnerDrawButton, // a push button the program paints itself (the About box's mail button)
    ListView,        // a list of rows in columns (a report-style list view); its text names the columns, "|" between
};

// Style bits, with the values Windows gives them; which ones apply depends on the kind. Alignment, border
// and scroll bar bits are shared by the kinds that have them.
enum : unsigned {
    SS_LEFT = 0x0000,
    SS_CENTER = 0x0001,
    ES_LEFT = 0x0000,
    ES_CENTER = 0x0001,
    ES_MULTILINE = 0x0004,
    ES_PASSWORD = 0x0020,
    ES_AUTOHSCROLL = 0x0080,
    ES_READONLY = 0x0800,
    ES_WANTRETURN = 0x1000,
    ES_NUMBER = 0x2000,
    CBS_DROPDOWN = 0x0002,
    CBS_DROPDOWNLIST = 0x0003,
    CBS_TYPEMASK = 0x0003,
    CBS_SORT = 0x0100,
    WS_TABSTOP = 0x00010000,
    WS_VSCROLL = 0x00200000,
    WS_BORDER = 0x00800000,

    // Dialog styles.
    DS_MODALFRAME = 0x0080,
    WS_SYSMENU = 0x00080000,
    WS_CAPTION = 0x00C00000,
    WS_VISIBLE = 0x10000000,
    WS_CHILD = 0x40000000,
    WS_POPUP = 0x80000000,
};

// The edges of its window a control keeps its distance to when the window is made larger than the template
// (never smaller). Left and top keep it in place; left and right widen it with the window, right alone moves
// it along; top and bottom deepen it (a text box by whole lines), bottom alone moves it down. An axis with
// neither edge keeps the control centred on the room it had.
enum : unsigned {
    ANCHOR_LEFT = 0x1,
    ANCHOR_TOP = 0x2,
    ANCHOR_RIGHT = 0x4,
    ANCHOR_BOTTOM = 0x8,
    ANCHOR_TOPLEFT = ANCHOR_LEFT | ANCHOR_TOP,
};

// One control: position and size in dialog units; cy of a combo box is the height of its opened list.
struct CDialogItem {
    int nID;
    EControlKind kind;
    unsigned nStyle;
    int x, y, cx, cy;
    const char* pszText;                     // initial text or caption, UTF-8; "&" marks a mnemonic, "&&" is "&"
    const char* pszAccessibleName = nullptr; // for a control with no label just before it
    unsigned nAnchor = ANCHOR_TOPLEFT;       // how it follows a window grown larger
};

struct CDialogTemplate {
    int nID;
    const char* pszCaption;
    int cx, cy; // client size in dialog units
    const char* pszFontFace;
    int nPointSize;
    unsigned nStyle;
    std::span<const CDialogItem> items; // in tab order
};

// The template with this ID; every ID the program uses is in the table, so an unknown one is a
// programming error (it aborts in debug builds and yields an empty template otherwise).
const CDialogTemplate& FindDialogTemplate(int nID);
// Every template of the program.
std::span<const CDialogTemplate> AllDialogTemplates();
