#pragma once

// Numeric identifiers of commands, controls, dialogs and strings. Tests find controls by these numbers;
// the string table, the dialog templates and the command table are keyed by them.

// Message box results and styles, with the values the program's messages are written in.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_TYPEMASK = 0xF,
    MB_ICONSTOP = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_ICONMASK = 0xF0,
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFBUTTON3 = 0x200,
    MB_DEFMASK = 0xF00,
};

// The document template's number, which keys its string (title, file filter, extension). The main
// window's menus, toolbar and keys are the command table of MenuTemplates.h; the icons are files in
// ui/resources.
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_LOCKWARDENTYPE = 129; // the document icon's number, kept with the template's

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_LOCKWARDEN_FORM = 101;
inline constexpr int IDD_NOTES = 133;
inline constexpr int IDD_FILE_PASSWORD = 138;
inline constexpr int IDD_CREATE_PASSWORDS = 141;
inline constexpr int IDD_FIND_SITE = 142;
inline constexpr int IDD_PASSWORD_HEALTH = 150;
inline constexpr int IDD_OPTIONS = 160;
inline constexpr int IDD_IMPORT = 170;

// Controls.
inline constexpr int IDC_STATIC = -1;
inline constexpr int IDC_SITE = 1000;
inline constexpr int IDC_URL = 1003;
inline constexpr int IDC_USER = 1004;
inline constexpr int IDC_PSWD = 1005;
inline constexpr int IDC_NOTES = 1006;
inline constexpr int IDC_ADD = 1007;
inline constexpr int IDC_EDIT = 1008;
inline constexpr int IDC_GO_URL = 1009;
inline constexpr int IDC_REMOVE = 1010;
inline constexpr int IDC_KEEP = 1011;
inline constexpr int IDC_CANCEL = 1012;
inline constexpr int IDC_NOTES_BUTTON = 1019;
inline constexpr int ID_INDICATOR_SITES = 1020;
inline constexpr int IDC_NOTES_TEXT = 1022;
inline constexpr int IDC_EMAIL = 1023;
inline constexpr int IDC_FILE_PASSWORD = 1024;
inline constexpr int IDC_FILE_LABEL = 1025;
inline constexpr int IDC_FIND = 1032;
// The find dialog's controls.
inline constexpr int IDC_FIND_TEXT = 1022;
inline constexpr int IDC_PREVIOUS = 1033;
inline constexpr int IDC_NEXT = 1034;
// The password generator's controls.
inline constexpr int IDC_LENGTH = 1013;
inline constexpr int IDC_NUMBERS = 1014;
inline constexpr int IDC_MIXED_CASE = 1015;
inline constexpr int IDC_PUNCTUATION = 1016;
inline constexpr int IDC_CREATE_PASSWORD = 1017;
inline constexpr int IDC_NEW_PASSWORD = 1018;
inline constexpr int IDC_PASSWORDS_TO_CLIPBOARD = 1027;
inline constexpr int IDC_NEW_PASSWORD_STRENGTH = 1100; // the strength line under the created password
// The password health window's controls.
inline constexpr int IDC_BREACH_LIST = 1101;
inline constexpr int IDC_BREACH_LIST_BROWSE = 1102;
inline constexpr int IDC_HEALTH_FINDINGS = 1103;
inline constexpr int IDC_HEALTH_STATUS = 1104;
inline constexpr int IDC_HEALTH_CHECK_AGAIN = 1105;
// The Options dialog's controls.
inline constexpr int IDC_LOCK_MINUTES = 1160;
inline constexpr int IDC_LOCK_ON_SCREEN_LOCK = 1161;
// The Import dialog: where the sites come from, the rows to add, the counts, the conflicts and the format.
inline constexpr int IDC_IMPORT_SOURCE = 1170;
inline constexpr int IDC_IMPORT_ROWS = 1171;
inline constexpr int IDC_IMPORT_COUNTS = 1172;
inline constexpr int IDC_IMPORT_CONFLICTS = 1173;
inline constexpr int IDC_IMPORT_FORMAT = 1174;

// Commands of the program.
inline constexpr int ID_DOCUMENTATION = 32772;
inline constexpr int ID_START_WITH_MRU = 32773;
inline constexpr int ID_SITE_ADD = 32777;
inline constexpr int ID_SITE_EDIT = 32779;
inline constexpr int ID_SITE_REMOVE = 32780;
inline constexpr int ID_SITE_KEEP = 32781;
inline constexpr int ID_SITE_CANCEL = 32782;
inline constexpr int ID_GO_URL = 32783;
inline constexpr int ID_CREATE_PASSWORDS = 32789;
inline constexpr int ID_CHANGE_FILE_PSWD = 32791;
inline constexpr int ID_SITE_NOTES = 32799;
inline constexpr int ID_PASSWORD_HEALTH = 33100;

// Messages of the program.
inline constexpr int IDS_SITE_REQUIRED = 32784;
inline constexpr int IDS_NO_CHANGE_WHILE_ENTERING = 32786;
inline constexpr int IDS_NO_SITES = 32787;
inline constexpr int IDS_REMOVE_SITE = 32788;
inline constexpr int IDS_PROBLEM_SENDING_MAIL = 32792;
inline constexpr int IDS_NOT_LOCKWARDEN_FILE = 32793;
inline constexpr int IDS_BAD_FILE_PASSWORD = 32794;
inline constexpr int IDS_FILE_CHANGED_ON_DISK = 32795;
inline constexpr int IDS_LENGTH_TOO_LONG = 32797;
inline constexpr int IDS_NO_RANDOM_NUMBERS = 32798;
inline constexpr int IDS_FILE_IN_USE = 32800;
inline constexpr int IDS_PASSWORD_TRIMMED = 32801;
inline constexpr int IDS_PASSWORDS_DIFFER = 32802;
inline constexpr int IDS_CONFIRM_FILE_PASSWORD = 32803;
inline constexpr int IDS_KEEP_OR_CANCEL_FIRST = 57350;
// Reasons the desktop's opener gives nothing or fails, shown before the address.
inline constexpr int IDS_ADDRESS_REFUSED = 32900;
inline constexpr int IDS_OPENER_NOT_STARTED = 32901;
inline constexpr int IDS_OPENER_FAILED = 32902;
inline constexpr int IDS_OPENER_CRASHED = 32903;
// Files that are not read, and mail addresses that are not opened.
inline constexpr int IDS_NOT_REGULAR_FILE = 33050;
inline constexpr int IDS_FILE_TOO_LARGE = 33051;
inline constexpr int IDS_MAIL_ATTACHMENT_REFUSED = 33052;
// Why a page printed without the print dialog (/p, /pt, the direct print) could not go out.
inline constexpr int IDS_NO_PRINTERS = 32910;
inline constexpr int IDS_NO_DEFAULT_PRINTER = 32911;
inline constexpr int IDS_UNKNOWN_PRINTER = 32912;
inline constexpr int IDS_PRINT_FAILED = 32913;
// What the print service says of a printer before a page goes to it, and of the job after.
inline constexpr int IDS_PRINTER_REJECTS_JOBS = 33150;
inline constexpr int IDS_PRINTER_STOPPED = 33151;
inline constexpr int IDS_PRINT_JOB_MISSING = 33152;
// The password health window.
inline constexpr int IDS_BREACH_LIST_FILTER = 33101;
inline constexpr int IDS_HEALTH_CHECKING = 33102;
inline constexpr int IDS_HEALTH_DONE = 33103;
inline constexpr int IDS_HEALTH_NOTHING = 33104;
inline constexpr int IDS_HEALTH_NO_LIST = 33105;
inline constexpr int IDS_HEALTH_LIST_FAILED = 33106;
inline constexpr int IDS_NEW_PASSWORD_STRENGTH = 33107;
inline constexpr int IDS_HEALTH_CODES = 33108;

// Sealed files: their two commands, the status-bar pane that names the file's kind, and their messages.
inline constexpr int ID_FILE_SEAL = 33000;
inline constexpr int ID_FILE_SAVE_CLASSIC = 33001;
inline constexpr int ID_INDICATOR_KIND = 33002;
inline constexpr int IDS_KIND_SEALED = 33003;
inline constexpr int IDS_KIND_CLASSIC = 33004;
inline constexpr int IDS_KIND_NO_PASSWORD = 33005;
inline constexpr int IDS_SEALED_NEEDS_PASSWORD = 33006;
inline constexpr int IDS_SEALED_DAMAGED = 33007;
inline constexpr int IDS_SEALED_COST_REFUSED = 33008;
inline constexpr int IDS_SEALED_NEWER = 33009;
inline constexpr int IDS_SEALED_NO_MEMORY = 33010;
inline constexpr int IDS_SAVE_CLASSIC_WARNING = 33011;

// The lock: File > Lock and Unlock, View > Options..., the status bar's texts while locked, and the Options
// dialog's refusal.
inline constexpr int ID_FILE_LOCK = 33250;
inline constexpr int ID_FILE_UNLOCK = 33251;
inline constexpr int ID_OPTIONS = 33252;
inline constexpr int IDS_LOCKED_MESSAGE = 33253;
inline constexpr int IDS_LOCKED_PANE = 33254;
inline constexpr int IDS_LOCK_MINUTES_RANGE = 33255;
inline constexpr int IDS_CLIPBOARD_KEPT = 33600;
inline constexpr int IDS_CLIPBOARD_KEPT_PANE = 33601;
inline constexpr int IDS_CLIPBOARD_CLEAR_ACTION = 33602;

// One-time codes and auto-type: Edit > Copy Code and Auto-Type, the code's status-bar pane, and what auto-type
// says when it types nothing.
inline constexpr int ID_EDIT_COPY_CODE = 33700;
inline constexpr int ID_EDIT_AUTO_TYPE = 33701;
inline constexpr int ID_INDICATOR_CODE = 33702;
inline constexpr int IDS_CODE_PANE = 33703;
inline constexpr int IDS_CODE_INVALID = 33704;
inline constexpr int IDS_CODE_UNSUPPORTED = 33705;
inline constexpr int IDS_CODE_SPOKEN = 33706;
inline constexpr int IDS_AUTOTYPE_NO_FOCUS = 33707;
inline constexpr int IDS_AUTOTYPE_FAILED = 33708;
inline constexpr int IDS_AUTOTYPE_SEQUENCE = 33709;
inline constexpr int IDS_AUTOTYPE_UNAVAILABLE = 33710;
inline constexpr int IDS_AUTOTYPE_NO_SITES = 33711;
inline constexpr int IDS_AUTOTYPE_TYPED = 33712;

// Import and CSV export (File > Import..., Export CSV...), the reasons a CSV file is refused, and the
// backup kept at each save.
inline constexpr int ID_FILE_IMPORT = 33400;
inline constexpr int ID_FILE_EXPORT_CSV = 33401;
inline constexpr int IDS_CSV_FILTER = 33402;
inline constexpr int IDS_CSV_IMPORT_FAILED = 33403;
inline constexpr int IDS_CSV_EXPORT_WARNING = 33404;
inline constexpr int IDS_CSV_EXPORT_FAILED = 33405;
inline constexpr int IDS_CSV_LINE_ERROR = 33406;
inline constexpr int IDS_CSV_HEADER_MISSING = 33407;
inline constexpr int IDS_CSV_HEADER_WRONG = 33408;
inline constexpr int IDS_CSV_QUOTE_INSIDE = 33409;
inline constexpr int IDS_CSV_CR_OUTSIDE_QUOTES = 33410;
inline constexpr int IDS_CSV_QUOTE_NOT_CLOSED = 33411;
inline constexpr int IDS_CSV_TEXT_AFTER_QUOTE = 33412;
inline constexpr int IDS_CSV_FIELD_COUNT = 33413;
inline constexpr int IDS_CSV_NUL_IN_FIELD = 33414;
inline constexpr int IDS_CSV_SITE_EMPTY = 33415;
inline constexpr int IDS_SITE_NAME_CONTROL = 33416;
inline constexpr int IDS_BACKUP_FAILED = 33417;
inline constexpr int IDS_BACKUP_NOT_KEPT = 33418;
inline constexpr int IDS_FILE_OF_ANOTHER_USER = 33419;
inline constexpr int IDS_BACKUP_NOT_RENAMED = 33420;
inline constexpr int IDS_SITE_NAME_CONTROL_KEEP = 33421;

// Importing other password managers' exports: the reasons an export is refused.
inline constexpr int IDS_IMPORT_EMPTY = 33450;
inline constexpr int IDS_IMPORT_HEADER_UNKNOWN = 33451;
inline constexpr int IDS_IMPORT_HEADER_NOT_FORMAT = 33452;
inline constexpr int IDS_IMPORT_UNKNOWN_COLUMN = 33453;
inline constexpr int IDS_IMPORT_MISSING_COLUMN = 33454;
inline constexpr int IDS_IMPORT_EXPECTED = 33455;
inline constexpr int IDS_IMPORT_ENCRYPTED = 33456;
inline constexpr int IDS_IMPORT_NOT_KEEPASS = 33457;
inline constexpr int IDS_IMPORT_PROTECTED_VALUE = 33458;
// File > Import...: its file filter, the dialog's texts, and what it says when done.
inline constexpr int IDS_IMPORT_FILTER = 33460;
inline constexpr int IDS_IMPORT_SOURCE = 33461;
inline constexpr int IDS_IMPORT_COUNTS = 33462;
inline constexpr int IDS_IMPORT_NOT_LOGINS = 33463;
inline constexpr int IDS_IMPORT_CONFLICTS = 33464;
inline constexpr int IDS_IMPORT_DONE = 33465;
inline constexpr int IDS_IMPORT_DELETE_FAILED = 33466;
inline constexpr int IDS_IMPORT_DETECT = 33467;
inline constexpr int IDS_IMPORT_NOT_AS = 33468;

// Following the file on disk, merging another file into the document, and sync tools' conflict copies.
inline constexpr int ID_FILE_MERGE = 33300;
inline constexpr int ID_FILE_MERGE_CONFLICTS = 33301;
inline constexpr int IDS_MERGE_SUMMARY = 33302;
inline constexpr int IDS_MERGE_CONFLICTS = 33303;
inline constexpr int IDS_MERGE_BEFORE_SAVE = 33304;
inline constexpr int IDS_FILE_RELOADED = 33305;
inline constexpr int IDS_FILE_CHANGED_NOTE = 33306;
inline constexpr int IDS_FILE_REMOVED_NOTE = 33307;
inline constexpr int IDS_CONFLICT_COPIES_NOTE = 33308;
inline constexpr int IDS_NO_CONFLICT_COPIES = 33309;
inline constexpr int IDS_TRASH_MERGED_COPIES = 33310;
inline constexpr int IDS_TRASH_FAILED = 33311;
inline constexpr int IDS_COPIES_SKIPPED = 33312;
inline constexpr int IDS_MERGE_UNPROTECTED_COPY = 33313;
inline constexpr int IDS_COPIES_DELETED = 33314;
// The lock's own question before it locks over unsaved changes: its No keeps them, where Exit's No discards.
inline constexpr int IDS_LOCK_SAVE_CHANGES = 33900;
// The kind pane: what each kind means, and a change of kind not saved yet.
inline constexpr int IDS_KIND_UNSAVED = 33901;
inline constexpr int IDS_KIND_SEALED_TIP = 33902;
inline constexpr int IDS_KIND_CLASSIC_TIP = 33903;
inline constexpr int IDS_KIND_NO_PASSWORD_TIP = 33904;
inline constexpr int IDS_KIND_UNSAVED_TIP = 33905;
// The buttons of the notices above the status bar.
inline constexpr int IDS_UNLOCK_BUTTON = 33906;
inline constexpr int IDS_CLIPBOARD_CLEAR_BUTTON = 33907;
inline constexpr int IDS_SAVE_BUTTON = 33908;
inline constexpr int IDS_MERGE_COPIES_BUTTON = 33909;
inline constexpr int IDS_DISMISS_BUTTON = 33914;
// Short notes of what was just done, in the status bar's first pane.
inline constexpr int IDS_NOTE_PASSWORD_COPIED = 33910;
inline constexpr int IDS_NOTE_EXPORTED = 33911;
inline constexpr int IDS_NOTE_IMPORTED = 33912;
inline constexpr int IDS_NOTE_SAVED_CLASSIC = 33913;

// View > Resolve Conflicts...: the command, its offer after a merge, and its window.
inline constexpr int ID_VIEW_RESOLVE_CONFLICTS = 33800;
inline constexpr int IDS_RESOLVE_OFFER = 33801;
inline constexpr int IDS_RESOLVE_PAIR = 33802;
inline constexpr int IDS_RESOLVE_LEFT = 33803;
inline constexpr int IDS_RESOLVE_NONE = 33804;
inline constexpr int IDS_RESOLVE_DIFFERS = 33805;
inline constexpr int IDD_RESOLVE_CONFLICTS = 33810;
inline constexpr int IDC_RESOLVE_PAIRS = 33820;
inline constexpr int IDC_RESOLVE_LEFT_SITE = 33821;
inline constexpr int IDC_RESOLVE_RIGHT_SITE = 33822;
inline constexpr int IDC_RESOLVE_LEFT_URL = 33823;
inline constexpr int IDC_RESOLVE_RIGHT_URL = 33824;
inline constexpr int IDC_RESOLVE_LEFT_USER = 33825;
inline constexpr int IDC_RESOLVE_RIGHT_USER = 33826;
inline constexpr int IDC_RESOLVE_LEFT_PSWD = 33827;
inline constexpr int IDC_RESOLVE_RIGHT_PSWD = 33828;
inline constexpr int IDC_RESOLVE_LEFT_NOTES = 33829;
inline constexpr int IDC_RESOLVE_RIGHT_NOTES = 33830;
// The labels of the five rows, which carry the mark of a field that differs.
inline constexpr int IDC_RESOLVE_SITE_LABEL = 33831;
inline constexpr int IDC_RESOLVE_URL_LABEL = 33832;
inline constexpr int IDC_RESOLVE_USER_LABEL = 33833;
inline constexpr int IDC_RESOLVE_PSWD_LABEL = 33834;
inline constexpr int IDC_RESOLVE_NOTES_LABEL = 33835;
inline constexpr int IDC_RESOLVE_SHOW_PSWD = 33836;
inline constexpr int IDC_RESOLVE_STATUS = 33837;
inline constexpr int IDC_KEEP_LEFT = 33840;
inline constexpr int IDC_KEEP_RIGHT = 33841;
inline constexpr int IDC_KEEP_BOTH = 33842;
inline constexpr int IDC_SKIP = 33843;

// The file's protection: never weaker than it was without a word, and no weaker copy left beside it.
inline constexpr int IDS_SEAL_NEEDS_NEW_PASSWORD = 33330;
inline constexpr int IDS_FILE_WEAKER = 33331;
inline constexpr int IDS_WEAKER_SEALED = 33332;
inline constexpr int IDS_WEAKER_CLASSIC = 33333;
inline constexpr int IDS_WEAKER_NO_PASSWORD = 33334;
inline constexpr int IDS_STRONGER_SAVED = 33335;
inline constexpr int IDS_BACKUP_WIPED = 33336;
inline constexpr int IDS_BACKUP_UNLINKED = 33337;
inline constexpr int IDS_BACKUP_NOT_WIPED = 33338;
inline constexpr int IDS_OTHER_NAMES = 33339;
inline constexpr int IDS_SAVE_TOO_LARGE = 33340;
inline constexpr int IDS_FILE_GONE_WHILE_LOCKED = 33341;
inline constexpr int IDS_FILE_GONE_NO_BACKUP = 33342;

// The framework's commands.
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_DIRECT = 57608;
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;
// How many recent files are kept and listed: commands ID_FILE_MRU_FILE1 and the ones after it.
inline constexpr int kRecentFileCount = 4;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_FIND = 57636;
// Copying the shown site's fields in one key: the password as a secret, the user name and the URL as text.
inline constexpr int ID_EDIT_COPY_PASSWORD = 33200;
inline constexpr int ID_EDIT_COPY_USER = 33201;
inline constexpr int ID_EDIT_COPY_URL = 33202;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int AFX_IDW_TOOLBAR = 59392;
inline constexpr int AFX_IDW_STATUS_BAR = 59393;

// The framework's strings.
inline constexpr int AFX_IDS_APP_TITLE = 57344;
inline constexpr int AFX_IDS_IDLEMESSAGE = 57345;
inline constexpr int AFX_IDS_COMPANY_NAME = 57346;
inline constexpr int AFX_IDS_OPENFILE = 61440;
inline constexpr int AFX_IDS_SAVEFILE = 61441;
inline constexpr int AFX_IDS_ALLFILTER = 61442;
inline constexpr int AFX_IDS_UNTITLED = 61443;
inline constexpr int AFX_IDS_UNNAMED_FILE = 61446;
inline constexpr int AFX_IDP_ASK_TO_SAVE = 61699;
inline constexpr int AFX_IDP_FAILED_TO_CREATE_DOC = 61700;
inline constexpr int AFX_IDP_FAILED_TO_OPEN_DOC = 61701;
inline constexpr int AFX_IDP_FAILED_TO_SAVE_DOC = 61702;
inline constexpr int AFX_IDP_UNREG_DONE = 61707;
inline constexpr int AFX_IDP_ARCH_GENERIC = 61714;
inline constexpr int AFX_IDP_ARCH_ENDOFFILE = 61719;
inline constexpr int AFX_IDP_PARSE_UINT = 61720;
inline constexpr int AFX_IDP_FILE_NOT_FOUND = 61733;
inline constexpr int AFX_IDP_FILE_SHARING = 61739;
