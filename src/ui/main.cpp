#include "core/app/CommandLineInfo.h"
#include "core/platform/DesktopRegistration.h"
#include "core/platform/ProcessHardening.h"
#include "core/resources/Version.h"
#include "ui/app/LockwardenApp.h"
#include "ui/database/FilePasswordDlg.h"
#include "ui/framework/QtPrompts.h"
#include "ui/platform/AutoTypeBus.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

QStringList ArgumentsOf(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.push_back(QString::fromLocal8Bit(argv[i]));
    return args;
}

} // namespace

int main(int argc, char** argv) {
    // Every build: memory will hold file passwords and deciphered records.
    HardenProcess();

    // --help and --version answer without a display.
    CCommandLineInfo info;
    info.ParseCommandLine(ArgumentsOf(argc, argv));
    if (info.m_bShowHelp) {
        std::fputs(CommandLineUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (info.m_bShowVersion) {
        std::printf("Lockwarden %s\n", LOCKWARDEN_VERSION);
        return 0;
    }

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lockwarden"));
    QApplication::setOrganizationName(QStringLiteral("Fernhollow"));
    QApplication::setApplicationVersion(QStringLiteral(LOCKWARDEN_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopAppId));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/lockwarden.svg")));

    // QApplication has taken its own options (-style, --platform...) out of argv by now: a "--" option
    // left over is nobody's.
    const QStringList args = ArgumentsOf(argc, argv);
    CCommandLineInfo checked;
    checked.ParseCommandLine(args);
    if (!checked.m_strBadOption.isEmpty()) {
        std::fprintf(stderr, "lockwarden: unknown option %s\n", checked.m_strBadOption.toLocal8Bit().constData());
        std::fputs(CommandLineUsage().toLocal8Bit().constData(), stderr);
        return 2;
    }
    if (!checked.m_strUsageError.isEmpty()) {
        std::fprintf(stderr, "lockwarden: %s\n", checked.m_strUsageError.toLocal8Bit().constData());
        std::fputs(CommandLineUsage().toLocal8Bit().constData(), stderr);
        return 2;
    }

    // A running window types for --auto-type; without one, this start does once the file is open.
    if (checked.m_bAutoType) {
        std::string strError;
        switch (CAutoTypeBus::AskRunningWindow(strError)) {
        case CAutoTypeBus::EAsked::asked:
            return 0;
        case CAutoTypeBus::EAsked::failed:
            std::fprintf(stderr, "lockwarden: %s\n", strError.c_str());
            return 1;
        case CAutoTypeBus::EAsked::noWindow:
            break;
        }
    }

    CQtPrompts prompts(RunFilePasswordDlg);
    CLockwardenApp app(prompts);
    const bool bStarted = app.InitInstance(args);
    if (bStarted)
        qapp.exec();
    const int nExit = app.ExitInstance();
    return bStarted ? nExit : app.m_nExitCode;
}
