#include "core/database/PasswordDialogue.h"

#include "core/framework/Prompts.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

namespace PasswordDialogue {

QString Label(const QString& strShown, bool bModified) {
    return QStringLiteral("File:  ") + strShown + (bModified ? QStringLiteral("  ") : QString());
}

bool AskUntilRight(CPrompts& prompts, const QString& strLabel, std::string_view strKnown,
                   const std::function<ETry(const std::string&)>& tryEntry) {
    std::string strEntry(strKnown);
    const CWipeOnExit wipe({&strEntry});
    for (bool bKnown = !strEntry.empty();; bKnown = false) {
        if (!bKnown && prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK)
            return false;
        switch (tryEntry(strEntry)) {
        case ETry::right:
            return true;
        case ETry::stop:
            return false;
        case ETry::wrong:
            break;
        }
        if (bKnown)
            WipeString(strEntry);
        else
            prompts.MessageBox(LoadString(IDS_BAD_FILE_PASSWORD), MB_ICONEXCLAMATION | MB_OK);
    }
}

bool AskNewPassword(CPrompts& prompts, const QString& strLabel, std::string_view strStart,
                    const std::function<bool(const std::string&, const std::string&)>& accept,
                    std::string& strPassword) {
    std::string strEntry(strStart);
    std::string strAgain;
    std::string strTrimmed;
    const CWipeOnExit wipe({&strEntry, &strAgain, &strTrimmed});
    if (prompts.FilePasswordPrompt(strEntry, strLabel) != IDOK)
        return false;
    strTrimmed = TrimWhiteSpace(strEntry);
    if (!accept(strEntry, strTrimmed))
        return false;
    // A mistyped new password would lock its owner out of every site: it is asked for twice.
    if (prompts.ConfirmFilePasswordPrompt(strAgain, strLabel) != IDOK)
        return false;
    if (strAgain != strEntry) {
        prompts.MessageBox(LoadString(IDS_PASSWORDS_DIFFER), MB_ICONEXCLAMATION | MB_OK);
        return false;
    }
    // The open takes the password exactly as typed, so the user hears of the blanks before they go.
    if (strTrimmed != strEntry &&
        prompts.MessageBox(LoadString(IDS_PASSWORD_TRIMMED), MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
        return false;
    AssignSecret(strPassword, strTrimmed);
    return true;
}

} // namespace PasswordDialogue
