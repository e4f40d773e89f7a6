#include "cli/CliArgs.h"

#include <charconv>

bool ParseArgs(const std::vector<std::string>& args, const std::vector<COptionSpec>& specs, CArgs& parsed,
               CUsageError& error) {
    bool bOptions = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        if (bOptions && strArg == "--") {
            bOptions = false;
            continue;
        }
        if (!bOptions || strArg.size() < 2 || strArg[0] != '-') {
            parsed.positional.push_back(strArg);
            continue;
        }
        const std::size_t nEq = strArg.find('=');
        const std::string strName = strArg.substr(0, nEq);
        const COptionSpec* pSpec = nullptr;
        for (const COptionSpec& option : specs)
            if (strName == option.pszName)
                pSpec = &option;
        if (pSpec == nullptr) {
            error.strReason = "unknown option " + strName;
            return false;
        }
        std::optional<std::string> value;
        if (nEq != std::string::npos)
            value = strArg.substr(nEq + 1);
        switch (pSpec->kind) {
        case EArg::flag:
            if (value) {
                error.strReason = strName + " takes no value";
                return false;
            }
            break;
        case EArg::value:
            if (!value) {
                if (i + 1 >= args.size()) {
                    error.strReason = strName + " needs a value";
                    return false;
                }
                value = args[++i];
            }
            break;
        case EArg::optionalValue:
            break;
        }
        parsed.options[strName] = value;
    }
    return true;
}

bool ParseNumber(const std::string& str, std::size_t nMin, std::size_t nMax, std::size_t& n) {
    const char* pEnd = str.data() + str.size();
    const auto [p, ec] = std::from_chars(str.data(), pEnd, n);
    return !str.empty() && ec == std::errc() && p == pEnd && n >= nMin && n <= nMax;
}
