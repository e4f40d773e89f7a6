#include "cli/CliSeal.h"

#include "cli/CliArgs.h"
#include "cli/CliSession.h"
#include "core/database/SealedFormat.h"
#include "core/database/SiteDatabaseFormat.h"
#include "core/framework/Archive.h"
#include "core/platform/FileAccess.h"
#include "core/platform/LastError.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QBuffer>

#include <cerrno>

namespace {

std::string MiB(std::uint32_t nKiB) {
    return QString::number(static_cast<double>(nKiB) / 1024, 'g', 10).toStdString();
}

// The site count of a classic file: its records read through, as the program reads them, without their
// password (the names come out enciphered and are only counted).
int ClassicInfo(CCli& cli, QByteArray& bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CSiteNameList names;
    std::string strBanner, strCheck;
    try {
        CArchive ar(&buffer, CArchive::load);
        SiteDatabaseFormat::ReadHeader(ar, strBanner, strCheck);
        if (strBanner != SiteDatabaseFormat::kBanner) {
            cli.Fail(LoadString(IDS_NOT_LOCKWARDEN_FILE).toStdString());
            return kExitFailure;
        }
        SiteDatabaseFormat::ReadSiteNames(ar, std::string(), names);
    } catch (const CArchiveException&) {
        cli.Fail(strBanner == SiteDatabaseFormat::kBanner ? LoadString(AFX_IDP_ARCH_GENERIC).toStdString()
                                                          : LoadString(IDS_NOT_LOCKWARDEN_FILE).toStdString());
        return kExitFailure;
    }
    cli.WriteLine(strCheck.empty() ? "kind: classic, no file password" : "kind: classic");
    cli.WriteLine("sites: " + std::to_string(names.size()));
    return cli.Finish();
}

} // namespace

void ChooseKeyCost(CCli& cli, const CArgs& args) {
    if (args.fCostSeconds)
        cli.m_doc.SetSealCost(SealedFormat::CalibrateCost(*args.fCostSeconds));
}

int CmdSeal(CCli& cli, const CArgs& args) {
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    if (cli.m_doc.IsSealed()) {
        cli.Fail("the file is already sealed");
        return kExitFailure;
    }
    // The sealed file takes a new password, asked for as passwd asks for it.
    cli.m_prompts.ExpectNewPassword();
    ChooseKeyCost(cli, args);
    cli.m_doc.OnSealFile();
    if (!cli.m_doc.IsSealed()) {
        if (!cli.m_prompts.HasFailed())
            cli.Fail("the file was not sealed");
        return kExitFailure;
    }
    return cli.Save() ? cli.Finish() : kExitFailure;
}

int CmdUnseal(CCli& cli, const CArgs& args) {
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    if (!cli.m_doc.IsSealed()) {
        cli.Fail("the file is not sealed");
        return kExitFailure;
    }
    if (!args.Has("--yes")) {
        if (!cli.m_input.IsTerminal()) {
            cli.Fail("unseal asks before it writes a classic file; give --yes to answer from a script");
            return kExitFailure;
        }
        std::string strAnswer;
        const std::string strQuestion = "A classic file only obscures its sites: anyone who has the file can read "
                                        "every password in it.\nSave it as a classic file? [y/N] ";
        if (cli.m_input.ReadAnswer(strQuestion, strAnswer) != CSecretInput::ok ||
            (strAnswer != "y" && strAnswer != "Y" && strAnswer != "yes")) {
            cli.Fail("answered No; the file stays sealed");
            return kExitFailure;
        }
    }
    cli.m_doc.MakeClassic();
    return cli.Save() ? cli.Finish() : kExitFailure;
}

int CmdInfo(CCli& cli, const CArgs& args) {
    // Read as every database is read: a FIFO, a device or a huge file is refused before it is taken in.
    std::string strBytes;
    int nErr = 0;
    if (!FileAccess::ReadRegularFile(PathOf(args.positional[0]), strBytes, nErr)) {
        cli.Fail(GetLastErrorText(nErr).toStdString());
        return kExitFailure;
    }
    if (!SealedFormat::HasBanner(strBytes)) {
        QByteArray bytes(strBytes.data(), static_cast<qsizetype>(strBytes.size()));
        return ClassicInfo(cli, bytes);
    }
    SealedFormat::CHeader header;
    const SealedFormat::EResult result = SealedFormat::ReadHeader(strBytes, header);
    cli.WriteLine("kind: sealed");
    switch (result) {
    case SealedFormat::EResult::ok:
        break;
    case SealedFormat::EResult::costRefused:
        cli.Drain();
        cli.Fail("its key derivation cost is refused: " + std::to_string(header.cost.nOps) + " passes, " +
                 MiB(header.cost.nMemKiB) + " MiB");
        return kExitFailure;
    case SealedFormat::EResult::newerVersion:
        cli.Drain();
        cli.Fail(LoadString(IDS_SEALED_NEWER).toStdString());
        return kExitFailure;
    default:
        cli.Drain();
        cli.Fail(LoadString(IDS_SEALED_DAMAGED).toStdString());
        return kExitFailure;
    }
    // What is sealed stays sealed: info never asks for the password, so a script may run it on any file.
    cli.WriteLine("key derivation: Argon2id, " + std::to_string(header.cost.nOps) + " passes, " +
                  MiB(header.cost.nMemKiB) + " MiB");
    return cli.Finish();
}
