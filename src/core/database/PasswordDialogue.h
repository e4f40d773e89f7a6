#pragma once

#include <QString>

#include <functional>
#include <string>
#include <string_view>

class CPrompts;

// The file password dialogues, apart from the document that wants their answers: one label, one loop that
// asks until an entry is right (the open of a classic or a sealed file, Unlock), and one new password asked
// twice and trimmed (Change File Pswd, Seal).
namespace PasswordDialogue {

// "File:  " and the name shown for the file (its title, or the name of the file being opened); a modified
// document's caption marker (" *") stands there blanked out.
QString Label(const QString& strShown, bool bModified = false);

enum class ETry {
    right, // the entry opens the file
    wrong, // "Bad file password !", and the prompt again
    stop,  // the entry cannot be tried (already told): the dialogue ends
};
// Asks until tryEntry finds an entry right: strKnown first when it is not empty, unseen, and when it fails
// the prompt, empty, with nothing said of the try; then one prompt for all tries, each showing the entry
// before it. False on Cancel or a stop.
bool AskUntilRight(CPrompts& prompts, const QString& strLabel, std::string_view strKnown,
                   const std::function<ETry(const std::string& strEntry)>& tryEntry);

// A new password: the prompt (starting with strStart), then accept (given the entry as typed and trimmed)
// may refuse it before the second entry is asked for, telling why or not; the second entry must be the
// same ("The passwords do not match"); blanks around it are taken off after the user agrees. On true
// strPassword holds the new password, trimmed.
bool AskNewPassword(CPrompts& prompts, const QString& strLabel, std::string_view strStart,
                    const std::function<bool(const std::string& strEntry, const std::string& strTrimmed)>& accept,
                    std::string& strPassword);

} // namespace PasswordDialogue
