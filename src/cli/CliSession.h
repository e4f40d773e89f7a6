#pragma once

#include "cli/CliPrompts.h"
#include "cli/SecretInput.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/DocTemplate.h"

#include <QString>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

struct CArgs;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The program's document, which can also load the site names alone: list and find need nothing else,
// and a large database then opens without building a record per site. The open check, the reading and
// every failure are the document's own.
class CCliDoc : public CLockwardenDoc {
public:
    CCliDoc(CAppState& app, CPrompts& prompts) : CLockwardenDoc(app, prompts) {}

    void Serialize(CArchive& ar) override;
    // The window's setting bBackupOnSave, read from its settings file when a save asks.
    bool KeepsBackupOnSave() const override;

    // While set, loading fills this with the site names in file order and leaves the sites empty.
    CSiteNameList* m_pNames = nullptr;
};

// One run of the companion: one document opened and saved exactly as the program does it, its prompts
// on the terminal, and the command's output.
class CCli {
public:
    CCli(std::FILE* pIn, std::FILE* pOut, std::FILE* pErr);
    ~CCli();
    CCli(const CCli&) = delete;
    CCli& operator=(const CCli&) = delete;

    // Opens the database. Without a terminal the first line of standard input is always the file password's:
    // for a file without one it must be empty (or absent), so the lines after it keep their meaning.
    bool Open(const QString& strPath);
    // Opens for reading the site names alone, in file order.
    bool OpenNames(const QString& strPath, CSiteNameList& names);
    bool Save() { return m_doc.DoFileSave(); }
    // After a change to the records: marked as the view marks it, saved, and the command ends.
    int SaveChanges();

    // A failure about the database, or about another file or none (FailAbout with an empty name).
    void Fail(const std::string& str);
    void FailAbout(const std::string& strFile, const std::string& str);

    // The record named exactly strSite, else, when none is, the one named so in the list's case-folded
    // comparison; when several are, the one that --nth chooses by its place among them in list order.
    // Equal names sort together and keep their record order, so that place is their place in the file too.
    CSiteInfo* FindSite(const std::string& strSite, const CArgs& args);

    // A new site password: generated when --generate is given, else read as a secret.
    bool NewSitePassword(const CArgs& args, const std::string& strSite, std::string& strPassword);
    bool Generate(const std::string& strPool, std::size_t nLength, std::string& strPassword);

    // Output is collected and handed on in large pieces; a failure to write it (a full disk) is reported
    // once, at the end.
    void WriteLine(std::string_view str);
    // A line of stored text after strLabel: as stored, or escaped when standard output is a terminal.
    void WriteField(std::string_view strLabel, std::string_view strField, bool bKeepLines = false);
    // WriteField of a field that comes with its line feed (strLine ends in '\n').
    void WriteFieldLine(std::string_view strLine);
    void Drain();
    int Finish();

    std::FILE* m_pOut;
    std::FILE* m_pErr;
    bool m_bTerminalOut;
    CAppState m_app;
    CSecretInput m_input;
    CCliPrompts m_prompts;
    CCliDoc m_doc;
    CSingleDocTemplate m_template;
    std::string m_strOut; // wiped as it goes: an export holds every password
    int m_nOutError = 0;
    // The first line of standard input gave a password to a file without one: the command was misused.
    bool m_bInputRefused = false;

private:
    bool TakeEmptyPasswordLine();
};

// A path argument as the document takes it.
QString PathOf(const std::string& strArg);
