// The house's one structural rule, checked on the sources themselves: every include names its library,
// and none runs up a layer. Inside core and ui the folders are layers from the bottom up; ui may use all
// of core; the companion uses core and itself; core uses nothing above it.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 6> kCoreLayers = {"resources", "platform", "framework", "app", "database", "tools"};
constexpr std::array<const char*, 6> kUiLayers = {"platform", "framework", "database", "view", "tools", "app"};

// The layer's height in its library, or -1 when the folder is not a layer of it. ui's main.cpp, at the
// library's root, stands above every layer.
template <std::size_t N> int Height(const std::array<const char*, N>& layers, const std::string& strFolder) {
    const auto it = std::find(layers.begin(), layers.end(), strFolder);
    return it == layers.end() ? -1 : static_cast<int>(it - layers.begin());
}

// Why the file at strFrom (relative to src/) may not include strInclude (as written), or nothing.
std::optional<std::string> Violation(const std::string& strFrom, const std::string& strInclude) {
    const auto split = [](const std::string& str) {
        std::vector<std::string> parts;
        std::size_t nStart = 0;
        for (std::size_t n = str.find('/'); n != std::string::npos; n = str.find('/', nStart)) {
            parts.push_back(str.substr(nStart, n - nStart));
            nStart = n + 1;
        }
        parts.push_back(str.substr(nStart));
        return parts;
    };
    const std::vector<std::string> from = split(strFrom);
    const std::vector<std::string> to = split(strInclude);
    if (to.size() < 2 || (to[0] != "core" && to[0] != "ui" && to[0] != "cli"))
        return "does not name its library (core/, ui/ or cli/)";
    const std::string& strLib = from[0];
    if (strLib == "core" && to[0] != "core")
        return "core uses nothing above it";
    if (strLib == "cli" && to[0] == "ui")
        return "the companion uses no windows";
    if (strLib == "ui" && to[0] == "cli")
        return "the windows do not use the companion";
    if (to[0] != strLib || to.size() < 3)
        return std::nullopt;
    const bool bCore = strLib == "core";
    const int nTo = bCore ? Height(kCoreLayers, to[1]) : Height(kUiLayers, to[1]);
    if (nTo < 0)
        return "names a folder that is not a layer of " + strLib;
    if (from.size() < 3)
        return std::nullopt; // the library's root (ui/main.cpp) stands on every layer
    const int nFrom = bCore ? Height(kCoreLayers, from[1]) : Height(kUiLayers, from[1]);
    if (nFrom < 0)
        return "lives in a folder that is not a layer of " + strLib;
    if (nTo > nFrom)
        return "runs up from " + from[1] + " to " + to[1];
    return std::nullopt;
}

TEST(IncludeLayers, TheRuleTellsEveryKindOfInclude) {
    struct Case {
        const char* pszFrom;
        const char* pszInclude;
        bool bAllowed;
    };
    const Case cases[] = {
        {"core/database/LockwardenDoc.cpp", "core/framework/Document.h", true},
        {"core/database/LockwardenDoc.cpp", "core/database/SiteInfo.h", true},
        {"core/framework/Document.cpp", "core/database/SiteInfo.h", false},
        {"core/app/AppState.cpp", "ui/app/MainFrame.h", false},
        {"core/app/AppState.cpp", "app/AppState.h", false},
        {"ui/view/LockwardenView.cpp", "core/tools/SiteNameMatch.h", true},
        {"ui/view/LockwardenView.cpp", "ui/platform/Clipboard.h", true},
        {"ui/view/LockwardenView.cpp", "ui/tools/FindSiteDlg.h", false},
        {"ui/tools/FindSiteDlg.cpp", "ui/view/LockwardenView.h", true},
        {"ui/platform/Shell.cpp", "ui/framework/WndPrompts.h", false},
        {"ui/main.cpp", "ui/app/LockwardenApp.h", true},
        {"ui/app/MainFrame.cpp", "cli/CliArgs.h", false},
        {"cli/CliWrite.cpp", "cli/CliSession.h", true},
        {"cli/CliWrite.cpp", "core/database/LockwardenDoc.h", true},
        {"cli/CliWrite.cpp", "ui/platform/Clipboard.h", false},
        {"ui/view/SiteFind.cpp", "ui/widgets/Thing.h", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(!Violation(c.pszFrom, c.pszInclude).has_value(), c.bAllowed) << c.pszFrom << " -> " << c.pszInclude;
}

TEST(IncludeLayers, NoIncludeInTheSourcesRunsUpALayer) {
    const fs::path src = fs::path(LOCKWARDEN_SOURCE_DIR) / "src";
    ASSERT_TRUE(fs::is_directory(src)) << src;
    const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    int nFiles = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const std::string strExt = entry.path().extension().string();
        if (!entry.is_regular_file() || (strExt != ".h" && strExt != ".cpp"))
            continue;
        ++nFiles;
        const std::string strFrom = fs::relative(entry.path(), src).generic_string();
        std::ifstream in(entry.path());
        std::string strLine;
        for (int nLine = 1; std::getline(in, strLine); ++nLine) {
            std::smatch m;
            if (!std::regex_search(strLine, m, include))
                continue;
            if (const auto why = Violation(strFrom, m[1].str()))
                ADD_FAILURE() << "src/" << strFrom << ":" << nLine << ": \"" << m[1].str() << "\" " << *why;
        }
    }
    // The walk found the tree, not an empty folder.
    EXPECT_GT(nFiles, 50);
}

} // namespace
