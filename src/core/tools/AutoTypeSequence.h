#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

// What auto-type types into another program's window: a site's user name, password and URL (and one-time
// code), in the order of a sequence. The default types the user name, Tab, the password and Enter; a notes line
// "autotype: SEQUENCE" gives a site its own.
namespace AutoTypeSequence {

inline constexpr std::string_view kDefault = "{USERNAME}{TAB}{PASSWORD}{ENTER}";

// One step of typing: characters, one named key, or a pause.
struct CStep {
    enum class EKind { text, tab, enter, delay };
    EKind eKind = EKind::text;
    QString strText;       // for text: the characters, as the site's fields show them
    int nMilliseconds = 0; // for delay
    bool operator==(const CStep&) const = default;
};

// The fields a sequence may name, as stored (8-bit texts). strCode is the one-time code; strCodeError says why
// there is none when the site's code line is malformed or missing.
struct CFields {
    std::string strUser;
    std::string strPassword;
    std::string strURL;
    std::string strCode;
    std::string strCodeError;
};

// The sequence of a site: its notes' first "autotype:" line (the word in any case, blanks around the sequence
// ignored), else the default.
std::string SequenceOfNotes(std::string_view strNotes);

// Turns a sequence into steps: {USERNAME}, {PASSWORD}, {URL}, {TOTP}, {TAB}, {ENTER} and {DELAY N} (N
// milliseconds, 0 to 10000), names in any case; {{} and {}} type a brace; other text types as it stands. False
// with the reason for an unknown or malformed placeholder, or {TOTP} for a site without a code: nothing is typed
// then, rather than part of a login.
bool Parse(std::string_view strSequence, const CFields& fields, std::vector<CStep>& steps, std::string& strError);

} // namespace AutoTypeSequence
