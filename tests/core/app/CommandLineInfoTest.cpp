#include "core/app/CommandLineInfo.h"

#include <gtest/gtest.h>

namespace {

using E = CCommandLineInfo::EShellCommand;

struct Case {
    std::vector<const char*> args;
    E command;
    const char* pszFile;
    bool bEmbedding = false;
};

class CommandLineInfoParse : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLineInfoParse, OnlyTheProgramsOwnSwitchesAreSwitches) {
    const Case& c = GetParam();
    QStringList args;
    for (const char* psz : c.args)
        args.push_back(QString::fromUtf8(psz));
    CCommandLineInfo info;
    info.ParseCommandLine(args);
    EXPECT_EQ(info.m_nShellCommand, c.command) << args.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(info.m_strFileName, QString::fromUtf8(c.pszFile));
    EXPECT_EQ(info.m_bRunEmbedding, c.bEmbedding);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineInfoParse,
    ::testing::Values(Case{{}, E::FileNew, ""}, Case{{"/home/ann/sites.lwd"}, E::FileOpen, "/home/ann/sites.lwd"},
                      Case{{"sites.lwd"}, E::FileOpen, "sites.lwd"},
                      // A path that happens to be a single letter after the root is still a path.
                      Case{{"/x"}, E::FileOpen, "/x"}, Case{{"-foo"}, E::FileOpen, "-foo"},
                      Case{{"/dde"}, E::FileDDE, ""}, Case{{"-DDE"}, E::FileDDE, ""},
                      Case{{"/p", "/tmp/a.lwd"}, E::FilePrint, "/tmp/a.lwd"},
                      Case{{"-P", "/tmp/a.lwd"}, E::FilePrint, "/tmp/a.lwd"},
                      Case{{"/pt", "/tmp/a.lwd", "printer"}, E::FilePrintTo, "/tmp/a.lwd"},
                      Case{{"/Unregister"}, E::AppUnregister, ""}, Case{{"-unregserver"}, E::AppUnregister, ""},
                      Case{{"-UNREGISTER", "/Embedding"}, E::AppUnregister, "", true},
                      Case{{"/pt/x.lwd"}, E::FileOpen, "/pt/x.lwd"}, Case{{"--", "-p"}, E::FileOpen, "-p"},
                      Case{{"/first.lwd", "/second.lwd"}, E::FileOpen, "/first.lwd"}));

// "--" begins a long option; one the program does not know is an error, not a file named "--foo".
TEST(CommandLineInfo, AnUnknownLongOptionIsAnErrorAndNoFile) {
    struct BadCase {
        std::vector<const char*> args;
        const char* pszBad;
        const char* pszFile;
    };
    const BadCase cases[] = {{{"--foo"}, "--foo", ""},
                             {{"--foo", "--bar", "/a.lwd"}, "--foo", "/a.lwd"},
                             {{"--Unregister"}, "--Unregister", ""},
                             {{"-foo"}, "", "-foo"},
                             {{"--", "--foo"}, "", "--foo"},
                             {{"--help"}, "", ""},
                             {{"--auto-type", "/a.lwd"}, "", "/a.lwd"},
                             {{"--", "--auto-type"}, "", "--auto-type"}};
    for (const BadCase& c : cases) {
        QStringList args;
        for (const char* psz : c.args)
            args.push_back(QString::fromUtf8(psz));
        CCommandLineInfo info;
        info.ParseCommandLine(args);
        EXPECT_EQ(info.m_strBadOption, QString::fromUtf8(c.pszBad)) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(info.m_strFileName, QString::fromUtf8(c.pszFile)) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(info.m_bAutoType, args.value(0) == QLatin1String("--auto-type"))
            << args.join(QLatin1Char(' ')).toStdString();
    }
}

// A print needs its file, and /pt its printer too; without them the command line is in error.
TEST(CommandLineInfo, APrintWithoutItsFileOrPrinterIsAUsageError) {
    struct UsageCase {
        std::vector<const char*> args;
        bool bError;
    };
    const UsageCase cases[] = {{{"/p"}, true},
                               {{"-P"}, true},
                               {{"/pt"}, true},
                               {{"/pt", "/a.lwd"}, true},
                               {{"/a.lwd", "/pt"}, true},
                               {{"/p", "/a.lwd"}, false},
                               {{"/a.lwd", "/p"}, false},
                               {{"/pt", "/a.lwd", "Office"}, false},
                               {{"/a.lwd"}, false},
                               {{}, false}};
    for (const UsageCase& c : cases) {
        QStringList args;
        for (const char* psz : c.args)
            args.push_back(QString::fromUtf8(psz));
        CCommandLineInfo info;
        info.ParseCommandLine(args);
        EXPECT_EQ(!info.m_strUsageError.isEmpty(), c.bError) << args.join(QLatin1Char(' ')).toStdString();
    }
    EXPECT_TRUE(CommandLineUsage().contains(QStringLiteral("\n  /p ")));
    EXPECT_TRUE(CommandLineUsage().contains(QStringLiteral("\n  /pt ")));
}

TEST(CommandLineInfo, HelpVersionAndPrinterArguments) {
    CCommandLineInfo info;
    info.ParseCommandLine({QStringLiteral("--version")});
    EXPECT_TRUE(info.m_bShowVersion);
    EXPECT_EQ(info.m_nShellCommand, E::FileNew);

    CCommandLineInfo help;
    help.ParseCommandLine({QStringLiteral("--help")});
    EXPECT_TRUE(help.m_bShowHelp);

    CCommandLineInfo printTo;
    printTo.ParseCommandLine({QStringLiteral("/pt"), QStringLiteral("/a.lwd"), QStringLiteral("P"), QStringLiteral("D"),
                              QStringLiteral("O")});
    EXPECT_EQ(printTo.m_strPrinterName, QStringLiteral("P"));
    EXPECT_EQ(printTo.m_strDriverName, QStringLiteral("D"));
    EXPECT_EQ(printTo.m_strPortName, QStringLiteral("O"));
}

} // namespace
