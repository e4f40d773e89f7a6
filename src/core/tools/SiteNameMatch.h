#pragma once

#include <QString>

#include <string>
#include <string_view>

// "Contains, ignoring case" for finding sites by part of their name: the program's Find Site and
// lockwarden-cli's find both ask here, so they agree on what matches. Like the site list's order (see
// database/SiteOrder.h) it works on the names as displayed (UTF-8, else Windows-1252) with the same simple
// case folding, which makes "É" find "é" and keeps every character's length, so a match found in the
// folded name covers exactly as many units of the displayed one.
//
// A match never begins or ends inside a character as the user sees it (a grapheme: a letter with its
// combining accents, a surrogate pair, CR LF): "e" does not find the "e" of a decomposed "é".
// A name made ready for many searches: an ASCII name as its lower case, which is its folded form, any
// other name as stored. Searching every site reads these from one buffer (see AppendReadyName).
struct CReadyName {
    std::string_view strBytes;
    bool bLowerAscii = false; // strBytes is the name's lower case; else the name as stored
};

// Appends the ready form of strName to strBuffer; returns CReadyName::bLowerAscii for it.
bool AppendReadyName(std::string& strBuffer, std::string_view strName);

class CSiteNameFinder {
public:
    // strFind: the find text as stored (the bytes of the remembered find text or a command-line argument).
    explicit CSiteNameFinder(std::string_view strFind);

    bool IsEmpty() const { return m_strFolded.isEmpty(); }
    // Where the find text first occurs in the displayed name strName, as an index into
    // ToDisplayText(strName) in UTF-16 units; -1 when it does not occur. An empty find text occurs at 0.
    qsizetype FindIn(std::string_view strName) const;
    // The same for a name in its ready form.
    qsizetype FindIn(const CReadyName& name) const;
    // How many units of the displayed name a match covers.
    qsizetype MatchLength() const { return m_strFolded.size(); }

private:
    QString m_strFolded;    // the displayed find text, case-folded
    std::string m_strAscii; // the same as bytes when it is all ASCII, as nearly every find text is
    bool m_bAscii = false;
};

// Whether the displayed site name contains the displayed find text, ignoring case.
bool ContainsIgnoringCase(std::string_view strName, std::string_view strFind);
