// Prints the fixed words of every message the program can show, for the manual's check: one piece a line,
// after the string's number and a tab. A message is cut at its placeholders and line breaks, since the
// manual writes a file's name in place of "%1" and " / " between paragraphs.
#include "core/resources/MenuTemplates.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// A caption without its "&" marks ("&&" stands for one "&").
QString Plain(const char* psz) {
    QString str = QString::fromUtf8(psz);
    str.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    str.remove(QLatin1Char('&'));
    str.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return str;
}

// Every entry of the menus, one a line by its path ("File > Printing > Print..."), in menu order; the
// recent files' run of entries, which shows file names, is left out.
void PrintMenus() {
    for (const CCommandItem& item : MainFrameCommands()) {
        if (item.pszMenu == nullptr || item.pszCaption == nullptr || item.nCount > 1)
            continue;
        const QString strPath = Plain(item.pszMenu).replace(QLatin1Char('|'), QStringLiteral(" > ")) +
                                QStringLiteral(" > ") + Plain(item.pszCaption);
        std::printf("%s\n", strPath.toUtf8().constData());
    }
}

} // namespace

// With --menus, the menu entries instead.
int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--menus") == 0) {
        PrintMenus();
        return 0;
    }
    // Names, titles and the status bar's panes: the string table holds them too, and they are no message.
    QSet<int> notMessages = {IDR_MAINFRAME,        AFX_IDS_APP_TITLE, AFX_IDS_IDLEMESSAGE, AFX_IDS_COMPANY_NAME,
                             AFX_IDS_OPENFILE,     AFX_IDS_SAVEFILE,  AFX_IDS_ALLFILTER,   AFX_IDS_UNTITLED,
                             AFX_IDS_UNNAMED_FILE, ID_NEXT_PANE,      ID_PREV_PANE,        ID_INDICATOR_SITES,
                             ID_INDICATOR_CAPS,    ID_INDICATOR_NUM,  ID_FILE_MRU_FILE1};
    // The password health window's own lines and its file filter, and the generator's strength line: texts
    // of a window, not messages.
    for (const int nID : {IDS_BREACH_LIST_FILTER, IDS_HEALTH_CHECKING, IDS_HEALTH_DONE, IDS_HEALTH_NOTHING,
                          IDS_HEALTH_NO_LIST, IDS_HEALTH_LIST_FAILED, IDS_HEALTH_CODES, IDS_NEW_PASSWORD_STRENGTH})
        notMessages.insert(nID);
    // The file dialogs' filters, and the Import window's own lines.
    for (const int nID : {IDS_CSV_FILTER, IDS_IMPORT_FILTER, IDS_IMPORT_SOURCE, IDS_IMPORT_COUNTS,
                          IDS_IMPORT_NOT_LOGINS, IDS_IMPORT_CONFLICTS, IDS_IMPORT_DETECT})
        notMessages.insert(nID);
    // The status bar's pane that names the open file's kind, and its two texts while the window is locked.
    for (const int nID : {ID_INDICATOR_KIND, IDS_KIND_SEALED, IDS_KIND_CLASSIC, IDS_KIND_NO_PASSWORD,
                          IDS_LOCKED_MESSAGE, IDS_LOCKED_PANE})
        notMessages.insert(nID);
    // The Resolve Conflicts window's own lines.
    for (const int nID : {IDS_RESOLVE_PAIR, IDS_RESOLVE_LEFT, IDS_RESOLVE_NONE, IDS_RESOLVE_DIFFERS})
        notMessages.insert(nID);
    // The status bar's line and the desktop notice's button when the desktop kept a password on the clipboard.
    for (const int nID : {IDS_CLIPBOARD_KEPT_PANE, IDS_CLIPBOARD_CLEAR_ACTION})
        notMessages.insert(nID);
    // The kind pane's tips and its mark of a kind not saved, the notices' buttons and the first pane's short
    // notes: the manual's status bar and kind sections name them, not its table of messages.
    for (const int nID :
         {IDS_KIND_UNSAVED, IDS_KIND_SEALED_TIP, IDS_KIND_CLASSIC_TIP, IDS_KIND_NO_PASSWORD_TIP, IDS_KIND_UNSAVED_TIP,
          IDS_UNLOCK_BUTTON, IDS_CLIPBOARD_CLEAR_BUTTON, IDS_SAVE_BUTTON, IDS_MERGE_COPIES_BUTTON, IDS_DISMISS_BUTTON,
          IDS_NOTE_PASSWORD_COPIED, IDS_NOTE_EXPORTED, IDS_NOTE_IMPORTED, IDS_NOTE_SAVED_CLASSIC})
        notMessages.insert(nID);
    // The one-time code's pane: its name, its texts, and what a screen reader hears of it.
    for (const int nID : {ID_INDICATOR_CODE, IDS_CODE_PANE, IDS_CODE_SPOKEN})
        notMessages.insert(nID);
    // A command's prompt string is its status-bar prompt and tooltip.
    for (const CCommandItem& item : MainFrameCommands())
        for (int i = 0; i < item.nCount; ++i)
            notMessages.insert(item.nID + i);
    QList<int> ids = StringTableIds();
    std::sort(ids.begin(), ids.end());
    static const QRegularExpression cut(QStringLiteral("%[0-9]|\\n+"));
    static const QRegularExpression letter(QStringLiteral("[A-Za-z]"));
    for (const int nID : ids) {
        if (notMessages.contains(nID))
            continue;
        for (QString strPiece : LoadString(nID).split(cut)) {
            strPiece = strPiece.trimmed();
            while (!strPiece.isEmpty() && (strPiece.front() == u'"' || strPiece.front() == u' '))
                strPiece.remove(0, 1);
            while (!strPiece.isEmpty() && (strPiece.back() == u'"' || strPiece.back() == u' '))
                strPiece.chop(1);
            // "?", ")." and the like are left between placeholders; they say nothing on their own.
            if (strPiece.count(letter) < 4)
                continue;
            std::printf("%d\t%s\n", nID, strPiece.toUtf8().constData());
        }
    }
    return 0;
}
