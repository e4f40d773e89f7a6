#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for. Only the program's own switches count as switches, written with "/" or
// "-" in any case: "/p", "/pt", "/dde", "Unregister", "Unregserver" and "Embedding", and "--auto-type". Every other
// argument is a file name, since a Linux path begins with "/", except an unknown option beginning with "--", which is
// an error; after "--" every argument is a file name.
class CCommandLineInfo {
public:
    enum EShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister };

    // Parses the arguments after the program's name.
    void ParseCommandLine(const QStringList& args);

    EShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    // The printer, driver and port that follow the file name after "/pt".
    QString m_strPrinterName;
    QString m_strDriverName;
    QString m_strPortName;
    bool m_bRunEmbedding = false;
    bool m_bShowHelp = false;
    bool m_bShowVersion = false;
    // --auto-type: type into the focused window for the site it names, through the running window, or through one
    // started for it (with the file named, else the newest recent file).
    bool m_bAutoType = false;
    // The first option beginning with "--" that is none of ours: the command line is in error.
    QString m_strBadOption;
    // Why a printing switch cannot be carried out (/p without a file, /pt without a file or a printer):
    // the command line is in error and nothing is printed. Empty when it can.
    QString m_strUsageError;

private:
    bool ParseParamFlag(const QString& strFlag);
    void ParseParamNotFlag(const QString& strParam);
};

// The text --help prints.
QString CommandLineUsage();
