#include "core/app/CommandLineInfo.h"

void CCommandLineInfo::ParseCommandLine(const QStringList& args) {
    bool bOnlyFiles = false;
    for (const QString& strArg : args) {
        if (!bOnlyFiles) {
            if (strArg == QLatin1String("--")) {
                bOnlyFiles = true;
                continue;
            }
            if (strArg == QLatin1String("--help") || strArg == QLatin1String("-h")) {
                m_bShowHelp = true;
                continue;
            }
            if (strArg == QLatin1String("--version")) {
                m_bShowVersion = true;
                continue;
            }
            if (strArg == QLatin1String("--auto-type")) {
                m_bAutoType = true;
                continue;
            }
            if ((strArg.startsWith(QLatin1Char('/')) || strArg.startsWith(QLatin1Char('-'))) &&
                ParseParamFlag(strArg.mid(1)))
                continue;
            // "--" starts a long option, never a file name (a file of that name goes after "--").
            if (strArg.startsWith(QLatin1String("--"))) {
                if (m_strBadOption.isEmpty())
                    m_strBadOption = strArg;
                continue;
            }
        }
        ParseParamNotFlag(strArg);
    }
    if (m_nShellCommand == FileNew && !m_strFileName.isEmpty())
        m_nShellCommand = FileOpen;
    // A print with nothing to print, or to nobody, would put a blank form on the default printer.
    if (m_nShellCommand == FilePrint && m_strFileName.isEmpty())
        m_strUsageError = QStringLiteral("/p needs the database file to print");
    else if (m_nShellCommand == FilePrintTo && (m_strFileName.isEmpty() || m_strPrinterName.isEmpty()))
        m_strUsageError = QStringLiteral("/pt needs the database file and the name of the printer");
}

bool CCommandLineInfo::ParseParamFlag(const QString& strFlag) {
    const auto is = [&strFlag](const char* psz) {
        return strFlag.compare(QLatin1String(psz), Qt::CaseInsensitive) == 0;
    };
    if (is("pt"))
        m_nShellCommand = FilePrintTo;
    else if (is("p"))
        m_nShellCommand = FilePrint;
    else if (is("Unregister") || is("Unregserver"))
        m_nShellCommand = AppUnregister;
    else if (is("dde"))
        m_nShellCommand = FileDDE;
    else if (is("Embedding"))
        m_bRunEmbedding = true;
    else
        return false;
    return true;
}

void CCommandLineInfo::ParseParamNotFlag(const QString& strParam) {
    if (m_strFileName.isEmpty())
        m_strFileName = strParam;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.isEmpty())
        m_strPrinterName = strParam;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.isEmpty())
        m_strDriverName = strParam;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.isEmpty())
        m_strPortName = strParam;
}

QString CommandLineUsage() {
    return QStringLiteral("Usage: lockwarden [FILE.lwd]\n"
                          "       lockwarden /p FILE.lwd\n"
                          "       lockwarden /pt FILE.lwd PRINTER [DRIVER PORT]\n"
                          "       lockwarden --auto-type [FILE.lwd]\n"
                          "Keeps internet site logins in one password-protected database file.\n"
                          "\n"
                          "  FILE.lwd       open this database at start\n"
                          "  /p             print the database's shown site on the default printer and exit\n"
                          "  /pt            print it on PRINTER and exit (DRIVER and PORT are ignored)\n"
                          "  -Unregister    remove this user's desktop registration and settings\n"
                          "  --auto-type    type the login of the site the focused window names, through the\n"
                          "                 running window (or one started for it, which asks for the password)\n"
                          "  --help         show this help and exit\n"
                          "  --version      show the version and exit\n");
}
