#include "cli/CliTotp.h"

#include "cli/CliArgs.h"
#include "cli/CliSession.h"
#include "core/database/SiteInfo.h"
#include "core/platform/SecureWipe.h"
#include "core/tools/OneTimeCode.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace {

// A code line that gives no code, told apart from no code line at all (1).
constexpr int kNoCode = 2;

} // namespace

int CmdTotp(CCli& cli, const CArgs& args) {
    if (!cli.Open(PathOf(args.positional[0])))
        return kExitFailure;
    const CSiteInfo* pSite = cli.FindSite(args.positional[1], args);
    if (pSite == nullptr)
        return kExitFailure;
    OneTimeCode::CSettings settings;
    const OneTimeCode::CLine line = OneTimeCode::Read(pSite->m_strNotes, settings);
    switch (line.kind) {
    case OneTimeCode::ELine::none:
        cli.Fail(pSite->m_strSite + ": no line of the notes is a code line (otpauth://totp/... or totp: SECRET)");
        return kExitFailure;
    case OneTimeCode::ELine::invalid:
    case OneTimeCode::ELine::unsupported:
        cli.Fail(pSite->m_strSite + ": " + line.Problem());
        return kNoCode;
    case OneTimeCode::ELine::code:
        break;
    }
    const std::uint64_t nNow = args.nAt.value_or(static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count()));
    std::string strCode = OneTimeCode::Code(settings, nNow);
    cli.WriteLine(strCode);
    WipeString(strCode);
    return cli.Finish();
}
