#include "core/resources/Strings.h"

#include "core/resources/Resource.h"

#include <QHash>

namespace {

const QHash<int, QString>& Table() {
    static const QHash<int, QString> table = {
        // Template string: title, default name, new-file name, filter, extension, type id, type name.
        {IDR_MAINFRAME, QStringLiteral("Lockwarden\n\nWarden\nWarden Files (*.lwd)\n.lwd\nLockwarden.Document\n"
                                       "Warden Document")},
        {AFX_IDS_APP_TITLE, QStringLiteral("Lockwarden")},
        {AFX_IDS_IDLEMESSAGE, QStringLiteral("Ready")},
        {AFX_IDS_COMPANY_NAME, QStringLiteral("Fernhollow")},
        {AFX_IDS_OPENFILE, QStringLiteral("Open")},
        {AFX_IDS_SAVEFILE, QStringLiteral("Save As")},
        {AFX_IDS_ALLFILTER, QStringLiteral("All Files (*)")},
        {AFX_IDS_UNTITLED, QStringLiteral("Untitled")},
        {AFX_IDS_UNNAMED_FILE, QStringLiteral("an unnamed file")},
        {AFX_IDP_ASK_TO_SAVE, QStringLiteral("Save changes to %1?")},
        {AFX_IDP_FAILED_TO_CREATE_DOC, QStringLiteral("Failed to create empty document.")},
        {AFX_IDP_FAILED_TO_OPEN_DOC, QStringLiteral("Failed to open document.")},
        {AFX_IDP_FAILED_TO_SAVE_DOC, QStringLiteral("Failed to save document.")},
        {AFX_IDP_UNREG_DONE,
         QStringLiteral("System registry entries have been removed and the INI file (if any) was deleted.")},
        {AFX_IDP_ARCH_GENERIC, QStringLiteral("Unexpected file format.")},
        {AFX_IDP_ARCH_ENDOFFILE, QStringLiteral("The end of %1 was reached before all of it could be read.")},
        {AFX_IDP_PARSE_UINT, QStringLiteral("Please enter a positive integer.")},
        {AFX_IDP_FILE_NOT_FOUND, QStringLiteral("%1 was not found.")},
        {AFX_IDP_FILE_SHARING, QStringLiteral("Sharing violation while accessing %1.")},

        {IDS_SITE_REQUIRED, QStringLiteral("The Site window must be filled in.\n\nOthers entries are optional.")},
        {IDS_NO_CHANGE_WHILE_ENTERING,
         QStringLiteral("Can't change Sites while entering data\n\nKeep or Cancel first")},
        {IDS_NO_SITES, QStringLiteral("No sites are available")},
        {IDS_REMOVE_SITE, QStringLiteral("Do you want to Remove the current Site and all its data?")},
        {IDS_PROBLEM_SENDING_MAIL, QStringLiteral("Problem sending mail")},
        {IDS_NOT_LOCKWARDEN_FILE, QStringLiteral("This is not an Lockwarden file;")},
        {IDS_BAD_FILE_PASSWORD, QStringLiteral("Bad file password !")},
        {IDS_FILE_CHANGED_ON_DISK, QStringLiteral("The file on disk has changed!\n\nOverwrite with current document?")},
        {IDS_MERGE_BEFORE_SAVE,
         QStringLiteral("Merge the sites of the file on disk into this document, then save?\n\nNothing is lost: sites "
                        "that differ are kept in both versions.")},
        {IDS_MERGE_SUMMARY, QStringLiteral("Sites added from %2: %1.")},
        {IDS_MERGE_CONFLICTS, QStringLiteral("\n\nThese names now stand more than once, with different fields; "
                                             "View > Resolve Conflicts... shows each pair side by side:\n%1")},
        {IDS_FILE_RELOADED, QStringLiteral("Reloaded from disk")},
        {IDS_FILE_CHANGED_NOTE,
         QStringLiteral("The file changed on disk; Save offers to merge its sites into this document.")},
        {IDS_SEAL_NEEDS_NEW_PASSWORD, QStringLiteral("The sealed file needs a new password: the classic one can be "
                                                     "read from any old copy of the file.")},
        {IDS_FILE_WEAKER, QStringLiteral("%1 was %2 when this program last read or wrote it; the file there now is "
                                         "%3.\n\nIf you did not change it yourself, someone may want your sites "
                                         "saved under weaker protection.\n\nOpen it anyway?")},
        {IDS_WEAKER_SEALED, QStringLiteral("a sealed file")},
        {IDS_WEAKER_CLASSIC, QStringLiteral("a classic file with a file password")},
        {IDS_WEAKER_NO_PASSWORD, QStringLiteral("a file without a file password")},
        {IDS_STRONGER_SAVED, QStringLiteral("%1 is now better protected than its earlier versions.%2\n\nCopies this "
                                            "program cannot reach may still hold an earlier version: copies and "
                                            "backups made elsewhere, and a sync service's version history. Delete "
                                            "those yourself.")},
        {IDS_BACKUP_WIPED, QStringLiteral(" Its backup %1, which held the earlier version, was overwritten with zeros "
                                          "and removed.")},
        {IDS_BACKUP_UNLINKED, QStringLiteral(" Its backup %1, which held the earlier version, was removed; %2 other "
                                             "name(s) of that file (hard links) still hold it.")},
        {IDS_BACKUP_NOT_WIPED, QStringLiteral(" Its backup %1 still holds the earlier version and could not be "
                                              "removed: %2")},
        {IDS_OTHER_NAMES, QStringLiteral(" The file has %1 other name(s) on this disk (hard links), which still hold "
                                         "the earlier version.")},
        {IDS_SAVE_TOO_LARGE, QStringLiteral("The file would be %1 MB, more than the %2 MB this program opens; nothing "
                                            "was written.")},
        {IDS_FILE_GONE_WHILE_LOCKED, QStringLiteral("%1 is gone from disk; %2 holds its previous version.")},
        {IDS_FILE_GONE_NO_BACKUP, QStringLiteral("%1 is gone from disk.")},
        {IDS_LOCK_SAVE_CHANGES, QStringLiteral("Save changes to %1 before locking?\n\nNo locks the window and keeps "
                                               "the changes, unsaved, until you unlock it.")},
        {IDS_FILE_REMOVED_NOTE, QStringLiteral("The file was removed from disk; Save writes it back.")},
        {IDS_CONFLICT_COPIES_NOTE,
         QStringLiteral("Conflict copies of this file lie beside it: File > Merge Conflict Copies.")},
        {IDS_NO_CONFLICT_COPIES, QStringLiteral("No conflict copies of this file lie beside it.")},
        {IDS_TRASH_MERGED_COPIES, QStringLiteral("Save this document and move the merged copies to the trash?\n\n%1")},
        {IDS_TRASH_FAILED, QStringLiteral("%1 could not be moved to the trash:\n%2")},
        {IDS_COPIES_SKIPPED,
         QStringLiteral("These files bear a conflict copy's name but are not merged: only your own regular files "
                        "are.\n\n%1")},
        {IDS_MERGE_UNPROTECTED_COPY,
         QStringLiteral("%1 has no file password: anyone who could write the folder could have put its sites "
                        "there.\n\nMerge them into this file, which has a password?")},
        {IDS_COPIES_DELETED,
         QStringLiteral("There is no trash on their disk; these merged copies were deleted:\n\n%1")},
        {IDS_LENGTH_TOO_LONG, QStringLiteral("Please enter a length of %1 or less.")},
        {IDS_NO_RANDOM_NUMBERS, QStringLiteral("No random numbers could be had from the system.\n\n%1")},
        // The reason a save gives when a reader holds the file.
        {IDS_FILE_IN_USE, QStringLiteral("Another program is reading the file")},
        {IDS_PASSWORD_TRIMMED,
         QStringLiteral("Blanks before and after the password are removed.\n\nType it without them to open the file.")},
        {IDS_PASSWORDS_DIFFER, QStringLiteral("The passwords do not match.\n\nThe file password is not changed.")},
        {IDS_CONFIRM_FILE_PASSWORD, QStringLiteral("Confirm File Password")},
        {IDS_KEEP_OR_CANCEL_FIRST,
         QStringLiteral("You are entering or changing data.\n\nYou must Keep or Cancel first.")},
        {IDS_ADDRESS_REFUSED, QStringLiteral("Only web and mail addresses are opened: http, https, ftp and mailto, "
                                             "or a host name such as bank.example.com.")},
        {IDS_NOT_REGULAR_FILE, QStringLiteral("This is not a regular file; only a regular file is read.")},
        {IDS_FILE_TOO_LARGE, QStringLiteral("The file is larger than %1 MB, far more than any database or site "
                                            "list; it was not read.")},
        {IDS_MAIL_ATTACHMENT_REFUSED, QStringLiteral("A mail address that asks for a file to be attached is not "
                                                     "opened.")},
        {IDS_OPENER_NOT_STARTED, QStringLiteral("%1 could not be started: %2")},
        {IDS_OPENER_FAILED, QStringLiteral("%1 could not open the address (exit status %2).")},
        {IDS_OPENER_CRASHED, QStringLiteral("%1 stopped before it could open the address.")},
        {IDS_NO_PRINTERS, QStringLiteral("Nothing was printed: no printer is installed, or the print service is not "
                                         "running.\n\nInstall a printer, or start the print service (CUPS).")},
        {IDS_NO_DEFAULT_PRINTER, QStringLiteral("Nothing was printed: no printer is chosen as the default.\n\nChoose "
                                                "a default printer, or name a printer with /pt.")},
        {IDS_UNKNOWN_PRINTER, QStringLiteral("Nothing was printed: there is no printer named \"%1\".")},
        {IDS_PRINT_FAILED, QStringLiteral("The page could not be printed on \"%1\".")},
        {IDS_PRINTER_REJECTS_JOBS, QStringLiteral("Nothing was printed: the printer \"%1\" is not accepting jobs."
                                                  "\n\nLet it accept jobs again, or choose another printer.")},
        {IDS_PRINTER_STOPPED, QStringLiteral("Nothing was printed: the printer \"%1\" is stopped.\n\nStart it "
                                             "again, or choose another printer.")},
        {IDS_PRINT_JOB_MISSING, QStringLiteral("Nothing was printed: the print service made no job for \"%1\".")},
        {IDS_BREACH_LIST_FILTER, QStringLiteral("Breach Lists (*.txt)")},
        {IDS_HEALTH_CHECKING, QStringLiteral("Checking: %1 of %2 passwords")},
        {IDS_HEALTH_DONE, QStringLiteral("%1 passwords to change on %2 sites")},
        {IDS_HEALTH_NOTHING, QStringLiteral("No password to change")},
        {IDS_HEALTH_NO_LIST, QStringLiteral("No breach list chosen: breached passwords are not looked for")},
        {IDS_HEALTH_LIST_FAILED, QStringLiteral("Breached passwords are not looked for: %1")},
        {IDS_HEALTH_CODES, QStringLiteral("%1 code lines give no one-time code")},
        {IDS_NEW_PASSWORD_STRENGTH, QStringLiteral("Strength: %1")},

        // Command prompt strings.
        {ID_SITE_ADD, QStringLiteral("Add new site\nAdd")},
        {ID_SITE_EDIT, QStringLiteral("Edit this site\nEdit")},
        {ID_SITE_REMOVE, QStringLiteral("Remove this site\nRemove")},
        {ID_SITE_KEEP, QStringLiteral("Keep changes to this site\nKeep")},
        {ID_SITE_CANCEL, QStringLiteral("Cancel changes to this site\nCancel")},
        {ID_GO_URL, QStringLiteral("View site's webpage in a browser\nGo URL")},
        {ID_SITE_NOTES, QStringLiteral("Verbose display of Site's notes\nNotes")},
        {ID_DOCUMENTATION, QStringLiteral("Lockwarden documentation\nDocumentation")},
        {ID_START_WITH_MRU, QStringLiteral("Open the Most Recently Used document at program startup\nOpen With MRU")},
        {ID_CREATE_PASSWORDS, QStringLiteral("Create Passwords")},
        {ID_PASSWORD_HEALTH, QStringLiteral("Find empty, weak, reused and breached passwords\nPassword Health")},
        {ID_CHANGE_FILE_PSWD, QStringLiteral("Change the file's Password\nChange File Pswd")},
        {ID_EDIT_FIND, QStringLiteral("Find the Site with specified text\nFind Ctrl+F")},
        {ID_EDIT_COPY_PASSWORD,
         QStringLiteral("Copy the shown site's password to the clipboard for ten seconds\nCopy Password")},
        {ID_EDIT_COPY_USER, QStringLiteral("Copy the shown site's user name to the clipboard\nCopy User Name")},
        {ID_EDIT_COPY_URL, QStringLiteral("Copy the shown site's URL to the clipboard\nCopy URL")},
        {ID_EDIT_COPY, QStringLiteral("Copy the selection and put it on the Clipboard\nCopy")},
        {ID_EDIT_CUT, QStringLiteral("Cut the selection and put it on the Clipboard\nCut")},
        {ID_EDIT_PASTE, QStringLiteral("Insert Clipboard contents\nPaste")},
        {ID_EDIT_UNDO, QStringLiteral("Undo the last action\nUndo")},
        {ID_FILE_PRINT, QStringLiteral("Print the current Site\nPrint")},
        {ID_FILE_PRINT_PREVIEW, QStringLiteral("Display Site as it will be printed\nPrint Preview")},
        {ID_FILE_PRINT_SETUP, QStringLiteral("Change the printer and printing options\nPrint Setup")},
        {ID_FILE_NEW, QStringLiteral("Create a new document\nNew")},
        {ID_FILE_OPEN, QStringLiteral("Open an existing document\nOpen")},
        {ID_FILE_SAVE, QStringLiteral("Save the active document\nSave")},
        {ID_FILE_SAVE_AS, QStringLiteral("Save the active document with a new name\nSave As")},
        {ID_FILE_MRU_FILE1, QStringLiteral("Open this document")},
        {ID_APP_ABOUT, QStringLiteral("Display program information, version number and copyright\nAbout")},
        {ID_APP_EXIT, QStringLiteral("Quit the application; prompts to save documents\nExit")},
        {ID_VIEW_TOOLBAR, QStringLiteral("Show or hide the toolbar\nToggle ToolBar")},
        {ID_VIEW_STATUS_BAR, QStringLiteral("Show or hide the status bar\nToggle StatusBar")},
        {ID_NEXT_PANE, QStringLiteral("Switch to the next window pane\nNext Pane")},
        {ID_PREV_PANE, QStringLiteral("Switch back to the previous window pane\nPrevious Pane")},
        {ID_INDICATOR_SITES, QStringLiteral(" \t100 Sites ")},
        {ID_INDICATOR_CAPS, QStringLiteral("CAP")},
        {ID_INDICATOR_NUM, QStringLiteral("NUM")},
        {ID_FILE_MERGE, QStringLiteral("Add the sites of another file to this document\nMerge From")},
        {ID_FILE_MERGE_CONFLICTS,
         QStringLiteral("Merge the sync tools' conflict copies of this file into it\nMerge Conflict Copies")},
        {ID_FILE_SEAL, QStringLiteral("Encrypt and authenticate the file with its password from the next save on\n"
                                      "Seal with Strong Encryption")},
        {ID_FILE_SAVE_CLASSIC,
         QStringLiteral("Save the file in the classic format, which only obscures its sites\nSave as Classic File")},
        {ID_INDICATOR_KIND, QStringLiteral(" No file password ")},
        {IDS_KIND_SEALED, QStringLiteral("Sealed")},
        {IDS_KIND_CLASSIC, QStringLiteral("Classic")},
        {IDS_KIND_NO_PASSWORD, QStringLiteral("No file password")},
        {IDS_KIND_UNSAVED, QStringLiteral("%1 (not saved)")},
        {IDS_KIND_SEALED_TIP, QStringLiteral("Sealed: encrypted and authenticated; only the file password opens it")},
        {IDS_KIND_CLASSIC_TIP, QStringLiteral("Classic: obscured, not encrypted; anyone with the file can read it")},
        {IDS_KIND_NO_PASSWORD_TIP, QStringLiteral("No file password: anyone with the file can read it")},
        {IDS_UNLOCK_BUTTON, QStringLiteral("&Unlock")},
        {IDS_CLIPBOARD_CLEAR_BUTTON, QStringLiteral("&Clear")},
        {IDS_SAVE_BUTTON, QStringLiteral("&Save")},
        {IDS_MERGE_COPIES_BUTTON, QStringLiteral("&Merge Copies...")},
        {IDS_DISMISS_BUTTON, QStringLiteral("&Dismiss")},
        {IDS_NOTE_PASSWORD_COPIED, QStringLiteral("Copied; cleared in %1 s")},
        {IDS_NOTE_EXPORTED, QStringLiteral("Exported %1 sites")},
        {IDS_NOTE_IMPORTED, QStringLiteral("Imported %1 sites")},
        {IDS_NOTE_SAVED_CLASSIC, QStringLiteral("Saved as classic")},
        {IDS_KIND_UNSAVED_TIP, QStringLiteral("Not saved yet: the file on disk is still %1.")},
        {IDS_SEALED_NEEDS_PASSWORD, QStringLiteral("A sealed file needs a file password.")},
        {IDS_SEALED_DAMAGED, QStringLiteral("This sealed file is damaged: it does not pass its integrity check.\n\n"
                                            "Nothing was loaded from it. Open a backup copy instead.")},
        {IDS_SEALED_COST_REFUSED,
         QStringLiteral("This sealed file asks for a key derivation of %1 passes over %2 MiB, outside what Lockwarden "
                        "accepts (%3 to %4 passes, %5 to %6 MiB).\n\nIt was not opened.")},
        {IDS_SEALED_NEWER, QStringLiteral("This sealed file was written in a newer format than this Lockwarden "
                                          "reads.\n\nIt was not opened.")},
        {IDS_SEALED_NO_MEMORY,
         QStringLiteral("There is not enough memory to derive the file's key (%1 MiB are needed).")},
        {ID_FILE_LOCK, QStringLiteral("Hide the sites until the file password is typed again\nLock")},
        {ID_FILE_UNLOCK, QStringLiteral("Show the sites again after the file password\nUnlock")},
        {ID_OPTIONS, QStringLiteral("Choose when the window locks by itself\nOptions")},
        {ID_VIEW_RESOLVE_CONFLICTS,
         QStringLiteral("Compare the sites of one name whose logins differ, and keep one or both\nResolve Conflicts")},
        {IDS_RESOLVE_OFFER, QStringLiteral("Same-name sites differ after the merge. Resolve them now?")},
        {IDS_RESOLVE_PAIR, QStringLiteral("%1: %2 of %3")},
        {IDS_RESOLVE_LEFT, QStringLiteral("Pairs to settle: %1. The left site comes first in the file.")},
        {IDS_RESOLVE_NONE, QStringLiteral("No same-name sites differ.")},
        {IDS_RESOLVE_DIFFERS, QStringLiteral("differs")},
        {IDS_LOCKED_MESSAGE, QStringLiteral("Locked: press Enter or choose File > Unlock to see the sites")},
        {IDS_LOCKED_PANE, QStringLiteral("Locked")},
        {IDS_LOCK_MINUTES_RANGE, QStringLiteral("Please enter a number of minutes from 0 to %1.")},
        {IDS_CLIPBOARD_KEPT, QStringLiteral("The password is still on the clipboard: click to clear it")},
        {IDS_CLIPBOARD_KEPT_PANE, QStringLiteral("The password is still on the clipboard")},
        {ID_EDIT_COPY_CODE,
         QStringLiteral("Copy the shown site's one-time code to the clipboard for ten seconds\nCopy Code")},
        {ID_EDIT_AUTO_TYPE,
         QStringLiteral("Type the shown site's login into the window you were in before\nAuto-Type")},
        {ID_INDICATOR_CODE, QStringLiteral("One-time code")},
        {IDS_CODE_PANE, QStringLiteral("Code: %1 (%2 s)")},
        {IDS_CODE_INVALID, QStringLiteral("Code: invalid secret")},
        {IDS_CODE_UNSUPPORTED, QStringLiteral("Code: not supported")},
        {IDS_CODE_SPOKEN, QStringLiteral("%1, seconds left: %2")},
        {IDS_AUTOTYPE_NO_FOCUS,
         QStringLiteral("Auto-Type typed nothing: no other window took the focus within 2 seconds")},
        {IDS_AUTOTYPE_FAILED, QStringLiteral("Auto-Type typed nothing: %1")},
        {IDS_AUTOTYPE_SEQUENCE, QStringLiteral("This site's auto-type sequence cannot be typed: %1")},
        {IDS_AUTOTYPE_UNAVAILABLE, QStringLiteral("Auto-Type cannot type here: %1")},
        {IDS_AUTOTYPE_NO_SITES, QStringLiteral("Auto-Type: the open file has no sites")},
        {IDS_AUTOTYPE_TYPED, QStringLiteral("Auto-Type typed %1")},
        {IDS_CLIPBOARD_CLEAR_ACTION, QStringLiteral("Clear")},
        {IDS_SAVE_CLASSIC_WARNING,
         QStringLiteral("A classic file only obscures its sites: anyone who has the file can read every password "
                        "in it.\n\nSave this file as a classic file?")},

        // CSV import and export, the reasons a CSV file is refused (the companion prints the same), and the
        // backup kept at each save.
        {ID_FILE_IMPORT,
         QStringLiteral(
             "Add the sites of a CSV file or of another password manager's export to this database\nImport")},
        {ID_FILE_EXPORT_CSV, QStringLiteral("Write every site, passwords in clear text, to a CSV file\nExport CSV")},
        {IDS_CSV_FILTER, QStringLiteral("CSV Files (*.csv)")},
        {IDS_CSV_IMPORT_FAILED, QStringLiteral("Nothing was imported from %1.\n\n%2")},
        {IDS_CSV_EXPORT_WARNING,
         QStringLiteral("The CSV file will hold every password in clear text: anyone who can read the file can "
                        "read them all.\n\nExport the sites anyway?")},
        {IDS_CSV_EXPORT_FAILED, QStringLiteral("The sites could not be exported to %1.\n\n%2")},
        {IDS_CSV_LINE_ERROR, QStringLiteral("line %1: %2")},
        {IDS_CSV_HEADER_MISSING, QStringLiteral("the header \"%1\" is missing")},
        {IDS_CSV_HEADER_WRONG, QStringLiteral("the header is not \"%1\"")},
        {IDS_CSV_QUOTE_INSIDE, QStringLiteral("a quote inside a field that is not quoted")},
        {IDS_CSV_CR_OUTSIDE_QUOTES, QStringLiteral("a carriage return outside quotes")},
        {IDS_CSV_QUOTE_NOT_CLOSED, QStringLiteral("a quoted field is not closed")},
        {IDS_CSV_TEXT_AFTER_QUOTE, QStringLiteral("text after the closing quote of a field")},
        // %1 is "1 field" or "4 fields".
        {IDS_CSV_FIELD_COUNT, QStringLiteral("%1 where %2 are expected")},
        {IDS_CSV_NUL_IN_FIELD, QStringLiteral("a NUL byte inside a field")},
        {IDS_CSV_SITE_EMPTY, QStringLiteral("the site name is empty")},
        {IDS_SITE_NAME_CONTROL, QStringLiteral("the site name holds a control character (line break, tab or other)")},
        {IDS_SITE_NAME_CONTROL_KEEP,
         QStringLiteral(
             "The Site window holds a control character (line break, tab or other).\n\nTake it out, then Keep "
             "again.")},
        // Other password managers' exports: why one is refused (the companion prints the same).
        {IDS_IMPORT_EMPTY, QStringLiteral("the file is empty")},
        // %1 says what does not fit, %2 lists the formats.
        {IDS_IMPORT_HEADER_UNKNOWN,
         QStringLiteral("the header matches no format this program reads (%1); it reads %2")},
        {IDS_IMPORT_HEADER_NOT_FORMAT, QStringLiteral("the header is not that of %1 (%2)")},
        {IDS_IMPORT_UNKNOWN_COLUMN, QStringLiteral("the first unknown column is \"%1\"")},
        {IDS_IMPORT_MISSING_COLUMN, QStringLiteral("the column \"%1\" is missing")},
        // %1 is "an object", "an array" or "a string".
        {IDS_IMPORT_EXPECTED, QStringLiteral("%1 is expected here")},
        {IDS_IMPORT_ENCRYPTED, QStringLiteral("the export is encrypted: export the vault again without encryption")},
        {IDS_IMPORT_NOT_KEEPASS,
         QStringLiteral("the document is not a KeePass XML export (its root element is \"%1\")")},
        {IDS_IMPORT_PROTECTED_VALUE,
         QStringLiteral("a protected value: this is a database, not an unencrypted XML export")},
        {IDS_IMPORT_FILTER, QStringLiteral("Exports (*.csv *.json *.xml)")},
        // %1 the file's name, %2 its format.
        {IDS_IMPORT_SOURCE, QStringLiteral("Sites to add from %1, read as %2:")},
        {IDS_IMPORT_COUNTS, QStringLiteral("To add: %1    Skipped identical: %2    Conflicts: %3")},
        {IDS_IMPORT_NOT_LOGINS, QStringLiteral("    Skipped not logins: %1")},
        {IDS_IMPORT_CONFLICTS, QStringLiteral("Both versions are kept of: %1")},
        {IDS_IMPORT_DONE,
         QStringLiteral("Added %1 sites from %2 and skipped %3 identical.\n\n%2 holds every password in clear text. "
                        "Overwrite and delete it now?")},
        {IDS_IMPORT_DELETE_FAILED, QStringLiteral("%1 could not be deleted.\n\n%2")},
        // The first choice of the Import window's format list.
        {IDS_IMPORT_DETECT, QStringLiteral("Detect automatically")},
        // %1 the file's name, %2 the format chosen, %3 the reason.
        {IDS_IMPORT_NOT_AS, QStringLiteral("%1 cannot be read as %2: %3")},
        {IDS_BACKUP_FAILED,
         QStringLiteral("The file was not replaced: its previous version could not be kept as %1.\n\n%2")},
        {IDS_BACKUP_NOT_KEPT,
         QStringLiteral("The file was saved in place, but its previous version could not be kept as %1.\n\n%2")},
        {IDS_BACKUP_NOT_RENAMED,
         QStringLiteral("The file was saved, but no backup of its previous version was kept: %1 could not be "
                        "replaced.\n\n%2")},
        {IDS_FILE_OF_ANOTHER_USER, QStringLiteral("This file belongs to another user (%1); it was not written.")},
    };
    return table;
}

} // namespace

QString LoadString(int nID) {
    return Table().value(nID);
}

QList<int> StringTableIds() {
    return Table().keys();
}

QString PromptOf(int nID) {
    const QString s = LoadString(nID);
    const qsizetype n = s.indexOf(QLatin1Char('\n'));
    return n < 0 ? s : s.left(n);
}

QString TooltipOf(int nID) {
    const QString s = LoadString(nID);
    const qsizetype n = s.indexOf(QLatin1Char('\n'));
    return n < 0 ? QString() : s.mid(n + 1);
}

QString GetDocString(EDocString part) {
    return LoadString(IDR_MAINFRAME).split(QLatin1Char('\n')).value(static_cast<int>(part));
}
