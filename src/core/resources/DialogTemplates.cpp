#include "core/resources/DialogTemplates.h"

#include "core/resources/Resource.h"
#include "core/resources/Version.h"

#include <QtGlobal>

#include <array>

namespace {

// Every button and check box has an Alt letter ("&") of its own within its window; the form's letters also
// stay clear of the menu bar's, which share the main window.
constexpr const char* kDialogFont = "MS Sans Serif";
constexpr int kDialogPointSize = 12;

// Edits and push buttons are tab stops, as a resource script's EDITTEXT and PUSHBUTTON make them.
constexpr unsigned kEdit = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;

constexpr std::array kAboutItems = {
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 12, 8, 85, 8, "Lockwarden Version " LOCKWARDEN_VERSION},
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 12, 55, 119, 8, LOCKWARDEN_COPYRIGHT},
    CDialogItem{IDC_EMAIL, EControlKind::OwnerDrawButton, WS_TABSTOP, 12, 71, 29, 14, "email", "email me!"},
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 46, 74, 74, 8, LOCKWARDEN_SUPPORT_ADDRESS},
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 12, 22, 150, 27,
                "Lockwarden is an encrypted flat file database for storing and retrieving URLs, User Names, and "
                "Passwords for internet websites."},
};

// The list and the fields widen with the window, the notes deepen too, and the buttons keep their column at
// the right edge; the labels stay where they are.
constexpr unsigned kWiden = ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT;
constexpr unsigned kWidenAndDeepen = kWiden | ANCHOR_BOTTOM;
constexpr unsigned kRightColumn = ANCHOR_TOP | ANCHOR_RIGHT;
constexpr std::array kFormItems = {
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 12, 14, 13, 8, "Site"},
    CDialogItem{IDC_SITE, EControlKind::ComboBox, CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 28, 12, 135, 91,
                "", nullptr, kWiden},
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 9, 32, 16, 8, "URL"},
    CDialogItem{IDC_URL, EControlKind::Edit, kEdit | ES_LEFT, 28, 30, 135, 12, "", nullptr, kWiden},
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 9, 50, 16, 8, "User"},
    CDialogItem{IDC_USER, EControlKind::Edit, kEdit | ES_CENTER, 28, 48, 135, 12, "", nullptr, kWiden},
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 7, 68, 18, 8, "Pswd"},
    CDialogItem{IDC_PSWD, EControlKind::Edit, kEdit | ES_CENTER, 28, 66, 135, 12, "", nullptr, kWiden},
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 5, 86, 20, 8, "Notes"},
    CDialogItem{IDC_NOTES, EControlKind::Edit, WS_BORDER | ES_MULTILINE | WS_VSCROLL | ES_WANTRETURN | WS_TABSTOP, 28,
                84, 135, 12, "", nullptr, kWidenAndDeepen},
    CDialogItem{IDC_ADD, EControlKind::PushButton, WS_TABSTOP, 171, 11, 43, 14, "&Add", nullptr, kRightColumn},
    CDialogItem{IDC_EDIT, EControlKind::PushButton, WS_TABSTOP, 221, 11, 43, 14, "E&dit", nullptr, kRightColumn},
    CDialogItem{IDC_REMOVE, EControlKind::PushButton, WS_TABSTOP, 171, 35, 43, 14, "&Remove", nullptr, kRightColumn},
    CDialogItem{IDC_KEEP, EControlKind::PushButton, WS_TABSTOP, 221, 35, 43, 14, "&Keep", nullptr, kRightColumn},
    CDialogItem{IDC_CANCEL, EControlKind::PushButton, WS_TABSTOP, 171, 59, 43, 14, "&Cancel", nullptr, kRightColumn},
    CDialogItem{IDC_GO_URL, EControlKind::PushButton, WS_TABSTOP, 221, 59, 43, 14, "&Go URL", nullptr, kRightColumn},
    CDialogItem{IDC_NOTES_BUTTON, EControlKind::PushButton, WS_TABSTOP, 171, 83, 43, 14, "&Notes...", nullptr,
                kRightColumn},
    CDialogItem{IDC_FIND, EControlKind::PushButton, WS_TABSTOP, 221, 83, 43, 14, "F&ind", nullptr, kRightColumn},
};

// No Cancel button: Esc and the close box cancel. The edit has no label; its name is the dialog's subject.
constexpr std::array kNotesItems = {
    CDialogItem{IDC_NOTES_TEXT, EControlKind::Edit, WS_BORDER | ES_MULTILINE | WS_VSCROLL | ES_WANTRETURN | WS_TABSTOP,
                7, 7, 272, 169, "", "Notes"},
    CDialogItem{IDOK, EControlKind::DefPushButton, WS_TABSTOP, 118, 181, 50, 14, "&OK"},
};

// The label comes last in the tab order, so the field names itself.
constexpr std::array kFilePasswordItems = {
    CDialogItem{IDC_FILE_PASSWORD, EControlKind::Edit, kEdit | ES_PASSWORD, 16, 16, 128, 12, "", "File Password"},
    CDialogItem{IDCANCEL, EControlKind::PushButton, WS_TABSTOP, 87, 35, 50, 14, "&Cancel"},
    CDialogItem{IDOK, EControlKind::DefPushButton, WS_TABSTOP, 21, 35, 50, 14, "&OK"},
    CDialogItem{IDC_FILE_LABEL, EControlKind::Static, SS_CENTER, 7, 4, 144, 8, "File Name"},
};

// "&&" so that the ampersand, one of the twelve marks, shows in the caption instead of underlining "*".
constexpr std::array kCreatePasswordsItems = {
    CDialogItem{IDC_CREATE_PASSWORD, EControlKind::DefPushButton, WS_TABSTOP, 12, 80, 82, 14, "&Create a Password"},
    CDialogItem{IDC_PUNCTUATION, EControlKind::CheckBox, WS_TABSTOP, 12, 64, 80, 10, "&Include  !@#$%&&*?+-=_"},
    CDialogItem{IDC_MIXED_CASE, EControlKind::CheckBox, WS_TABSTOP, 12, 46, 80, 10, "Include  &AaBbCcDdEe.."},
    CDialogItem{IDC_NUMBERS, EControlKind::CheckBox, WS_TABSTOP, 12, 28, 80, 10, "Include  &1234567890"},
    CDialogItem{IDC_LENGTH, EControlKind::Edit, kEdit | ES_NUMBER | ES_CENTER, 12, 9, 19, 12, "", "Length (5 - 20)"},
    CDialogItem{IDC_PASSWORDS_TO_CLIPBOARD, EControlKind::PushButton, WS_TABSTOP, 12, 118, 82, 14,
                "100 &Pswds on Clipboard"},
    CDialogItem{IDC_NEW_PASSWORD, EControlKind::Edit, kEdit | ES_READONLY | ES_CENTER, 12, 100, 82, 12, "",
                "New Password"},
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 36, 11, 47, 8, "Length (5 - 20)"},
    // The created password's strength, below the other controls, which keep their places: the window is 12
    // units taller for it.
    CDialogItem{IDC_NEW_PASSWORD_STRENGTH, EControlKind::Static, SS_CENTER, 4, 138, 98, 8, "", "Strength"},
};

// The text box comes last in the tab order, so "OK" takes the focus when the dialog opens.
constexpr std::array kFindSiteItems = {
    CDialogItem{IDOK, EControlKind::DefPushButton, WS_TABSTOP, 62, 44, 43, 14, "&OK"},
    CDialogItem{IDCANCEL, EControlKind::PushButton, WS_TABSTOP, 62, 26, 43, 14, "&Cancel"},
    CDialogItem{IDC_NEXT, EControlKind::PushButton, WS_TABSTOP, 7, 44, 43, 14, "&Next"},
    CDialogItem{IDC_PREVIOUS, EControlKind::PushButton, WS_TABSTOP, 7, 26, 43, 14, "&Previous"},
    CDialogItem{IDC_FIND_TEXT, EControlKind::Edit, kEdit, 7, 7, 99, 12, "", "Find Site Containing"},
};

// The breach list's path is typed or chosen; the findings fill the list as the check goes on, the worst
// first, and the line below it says how far the check is.
constexpr std::array kPasswordHealthItems = {
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 7, 9, 44, 8, "&Breach list:"},
    CDialogItem{IDC_BREACH_LIST, EControlKind::Edit, kEdit, 52, 7, 200, 12, ""},
    CDialogItem{IDC_BREACH_LIST_BROWSE, EControlKind::PushButton, WS_TABSTOP, 258, 6, 55, 14, "&Choose..."},
    CDialogItem{IDC_HEALTH_FINDINGS, EControlKind::ListView, WS_BORDER | WS_VSCROLL | WS_TABSTOP, 7, 26, 306, 150,
                "Site|Kind|Detail", "Passwords to change"},
    CDialogItem{IDC_HEALTH_STATUS, EControlKind::Static, SS_LEFT, 7, 179, 245, 17, "", "Progress"},
    CDialogItem{IDC_HEALTH_CHECK_AGAIN, EControlKind::PushButton, WS_TABSTOP, 258, 180, 55, 14, "Check &Again"},
};

// When the window locks by itself: after so many minutes without input (0: never), and when the screen locks.
constexpr std::array kOptionsItems = {
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 7, 9, 150, 8,
                "&Lock after minutes without input (0 = never):"},
    CDialogItem{IDC_LOCK_MINUTES, EControlKind::Edit, kEdit | ES_NUMBER | ES_CENTER, 160, 7, 28, 12, ""},
    CDialogItem{IDC_LOCK_ON_SCREEN_LOCK, EControlKind::CheckBox, WS_TABSTOP, 7, 26, 181, 10,
                "Lock when the &screen locks or the computer sleeps"},
    CDialogItem{IDOK, EControlKind::DefPushButton, WS_TABSTOP, 82, 44, 50, 14, "&OK"},
    CDialogItem{IDCANCEL, EControlKind::PushButton, WS_TABSTOP, 138, 44, 50, 14, "&Cancel"},
};

// Nothing changes until OK: the rows that would be added (passwords masked), then the counts and the names
// that will have two versions.
constexpr std::array kImportItems = {
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 7, 9, 26, 8, "&Format:"},
    CDialogItem{IDC_IMPORT_FORMAT, EControlKind::ComboBox, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 36, 7, 170, 120,
                ""},
    CDialogItem{IDC_IMPORT_SOURCE, EControlKind::Static, SS_LEFT, 7, 24, 346, 8, "", "Source"},
    CDialogItem{IDC_IMPORT_ROWS, EControlKind::ListView, WS_BORDER | WS_VSCROLL | WS_TABSTOP, 7, 35, 346, 123,
                "Site|URL|User|Pswd|Notes", "Sites to add"},
    CDialogItem{IDC_IMPORT_COUNTS, EControlKind::Static, SS_LEFT, 7, 162, 346, 8, "", "Counts"},
    CDialogItem{IDC_IMPORT_CONFLICTS, EControlKind::Static, SS_LEFT, 7, 173, 346, 18, "", "Conflicts"},
    CDialogItem{IDOK, EControlKind::DefPushButton, WS_TABSTOP, 247, 198, 50, 14, "&OK"},
    CDialogItem{IDCANCEL, EControlKind::PushButton, WS_TABSTOP, 303, 198, 50, 14, "&Cancel"},
};

constexpr unsigned kPopup = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

// Two sites of one name side by side, a row per field; the label of a field that differs carries the mark.
// The values are read-only tab stops, row by row, so a screen reader reads left and right of each field in turn.
constexpr unsigned kValue = kEdit | ES_READONLY;
constexpr unsigned kNotesValue = WS_BORDER | ES_MULTILINE | WS_VSCROLL | ES_READONLY | WS_TABSTOP;
constexpr std::array kResolveConflictsItems = {
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 7, 7, 100, 8, "Pairs:"},
    CDialogItem{IDC_RESOLVE_PAIRS, EControlKind::ListView, WS_BORDER | WS_VSCROLL | WS_TABSTOP, 7, 17, 100, 160, "Pair",
                "Pairs"},
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 150, 7, 100, 8, "Left"},
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 256, 7, 100, 8, "Right"},
    CDialogItem{IDC_RESOLVE_SITE_LABEL, EControlKind::Static, SS_LEFT, 111, 21, 37, 8, "Site"},
    CDialogItem{IDC_RESOLVE_LEFT_SITE, EControlKind::Edit, kValue, 150, 19, 100, 12, "", "Left Site"},
    CDialogItem{IDC_RESOLVE_RIGHT_SITE, EControlKind::Edit, kValue, 256, 19, 100, 12, "", "Right Site"},
    CDialogItem{IDC_RESOLVE_URL_LABEL, EControlKind::Static, SS_LEFT, 111, 37, 37, 8, "URL"},
    CDialogItem{IDC_RESOLVE_LEFT_URL, EControlKind::Edit, kValue, 150, 35, 100, 12, "", "Left URL"},
    CDialogItem{IDC_RESOLVE_RIGHT_URL, EControlKind::Edit, kValue, 256, 35, 100, 12, "", "Right URL"},
    CDialogItem{IDC_RESOLVE_USER_LABEL, EControlKind::Static, SS_LEFT, 111, 53, 37, 8, "User"},
    CDialogItem{IDC_RESOLVE_LEFT_USER, EControlKind::Edit, kValue, 150, 51, 100, 12, "", "Left User"},
    CDialogItem{IDC_RESOLVE_RIGHT_USER, EControlKind::Edit, kValue, 256, 51, 100, 12, "", "Right User"},
    CDialogItem{IDC_RESOLVE_PSWD_LABEL, EControlKind::Static, SS_LEFT, 111, 69, 37, 8, "Pswd"},
    CDialogItem{IDC_RESOLVE_LEFT_PSWD, EControlKind::Edit, kValue, 150, 67, 100, 12, "", "Left Pswd"},
    CDialogItem{IDC_RESOLVE_RIGHT_PSWD, EControlKind::Edit, kValue, 256, 67, 100, 12, "", "Right Pswd"},
    CDialogItem{IDC_RESOLVE_NOTES_LABEL, EControlKind::Static, SS_LEFT, 111, 85, 37, 8, "Notes"},
    CDialogItem{IDC_RESOLVE_LEFT_NOTES, EControlKind::Edit, kNotesValue, 150, 83, 100, 40, "", "Left Notes"},
    CDialogItem{IDC_RESOLVE_RIGHT_NOTES, EControlKind::Edit, kNotesValue, 256, 83, 100, 40, "", "Right Notes"},
    CDialogItem{IDC_RESOLVE_SHOW_PSWD, EControlKind::CheckBox, WS_TABSTOP, 150, 128, 100, 10, "Sh&ow passwords"},
    CDialogItem{IDC_RESOLVE_STATUS, EControlKind::Static, SS_LEFT, 111, 145, 245, 26, "", "Status"},
    CDialogItem{IDC_KEEP_LEFT, EControlKind::PushButton, WS_TABSTOP, 7, 185, 50, 14, "Keep &Left"},
    CDialogItem{IDC_KEEP_RIGHT, EControlKind::PushButton, WS_TABSTOP, 62, 185, 50, 14, "Keep &Right"},
    CDialogItem{IDC_KEEP_BOTH, EControlKind::PushButton, WS_TABSTOP, 117, 185, 50, 14, "Keep &Both"},
    CDialogItem{IDC_SKIP, EControlKind::PushButton, WS_TABSTOP, 172, 185, 50, 14, "&Skip"},
    CDialogItem{IDCANCEL, EControlKind::PushButton, WS_TABSTOP, 306, 185, 50, 14, "&Close"},
};

constexpr std::array kTemplates = {
    CDialogTemplate{IDD_ABOUTBOX, "About Lockwarden", 169, 92, kDialogFont, kDialogPointSize, kPopup, kAboutItems},
    CDialogTemplate{IDD_LOCKWARDEN_FORM, "", 272, 101, kDialogFont, kDialogPointSize, WS_CHILD, kFormItems},
    CDialogTemplate{IDD_NOTES, "Dialog", 286, 202, kDialogFont, kDialogPointSize, kPopup, kNotesItems},
    CDialogTemplate{IDD_FILE_PASSWORD, "Enter File Password", 158, 56, kDialogFont, kDialogPointSize, kPopup,
                    kFilePasswordItems},
    CDialogTemplate{IDD_CREATE_PASSWORDS, "Create Passwords", 105, 152, kDialogFont, kDialogPointSize, kPopup,
                    kCreatePasswordsItems},
    CDialogTemplate{IDD_FIND_SITE, "Find Site Containing...", 113, 65, kDialogFont, kDialogPointSize, kPopup,
                    kFindSiteItems},
    CDialogTemplate{IDD_PASSWORD_HEALTH, "Password Health", 320, 200, kDialogFont, kDialogPointSize,
                    DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, kPasswordHealthItems},
    CDialogTemplate{IDD_OPTIONS, "Options", 195, 65, kDialogFont, kDialogPointSize, kPopup, kOptionsItems},
    CDialogTemplate{IDD_IMPORT, "Import", 360, 219, kDialogFont, kDialogPointSize, kPopup, kImportItems},
    CDialogTemplate{IDD_RESOLVE_CONFLICTS, "Resolve Conflicts", 363, 206, kDialogFont, kDialogPointSize, kPopup,
                    kResolveConflictsItems},
};

} // namespace

const CDialogTemplate& FindDialogTemplate(int nID) {
    for (const CDialogTemplate& tmpl : kTemplates)
        if (tmpl.nID == nID)
            return tmpl;
    Q_ASSERT_X(false, "FindDialogTemplate", "no dialog template with this ID");
    static const CDialogTemplate empty{nID, "", 0, 0, kDialogFont, kDialogPointSize, 0, {}};
    return empty;
}

std::span<const CDialogTemplate> AllDialogTemplates() {
    return kTemplates;
}
