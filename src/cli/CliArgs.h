#pragma once

#include "core/tools/PasswordPool.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The generator's defaults: all four classes, eight characters.
inline constexpr std::size_t kDefaultLength = 8;
// The same longest password as the generator window's.
inline constexpr std::size_t kMaxLength = PasswordPool::kMaxLength;
inline constexpr std::size_t kMaxCount = 1000000;
// The seconds --cost takes: less would make a key cheaper than the floor's memory alone makes it.
inline constexpr double kMinCostSeconds = 0.1;
inline constexpr double kMaxCostSeconds = 60;
// A place among sites of one name (--nth): from 1, and no more than a file can hold.
inline constexpr std::size_t kMaxPlace = 0xFFFFFFFF;
// The latest time --at takes: any the number type holds, as a code is made for any time.
inline constexpr std::size_t kMaxTime = std::numeric_limits<std::size_t>::max();

enum class EArg { flag, value, optionalValue };

struct COptionSpec {
    const char* pszName;
    EArg kind;
};

struct CArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::optional<std::string>> options;

    // The numbers among the options, read once when the arguments are checked.
    std::optional<std::size_t> nLength; // --length, or --generate's length
    std::optional<double> fCostSeconds; // --cost: how long a new key's derivation should take
    std::optional<std::size_t> nCount;  // --count
    std::optional<std::size_t> nNth;    // --nth
    std::optional<std::uint64_t> nAt;   // --at: a time in seconds since 1970

    bool Has(const char* pszName) const { return options.count(pszName) != 0; }
    std::optional<std::string> Value(const char* pszName) const {
        const auto it = options.find(pszName);
        return it == options.end() ? std::nullopt : it->second;
    }
};

struct CUsageError {
    std::string strReason;
};

// Options may stand anywhere after the command; "--" ends them, for site names that begin with "-".
bool ParseArgs(const std::vector<std::string>& args, const std::vector<COptionSpec>& specs, CArgs& parsed,
               CUsageError& error);

bool ParseNumber(const std::string& str, std::size_t nMin, std::size_t nMax, std::size_t& n);
