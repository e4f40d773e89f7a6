#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Which sites a window is for, by its title: a browser's title names the page's site or host. Used when auto-type
// is asked for from outside the program, for whatever window has the focus.
namespace AutoTypeMatch {

// A name or host this short is not looked for in a title: two letters turn up in most titles by chance.
inline constexpr std::size_t kShortestName = 3;

// The host a site's URL names, lower case and without a leading "www."; a URL without "://" is read as
// https://URL, as a bare host is meant. Empty when the URL names no host.
std::string HostOf(std::string_view strURL);

// One site as the title is matched against it: its name and its URL, as stored.
struct CSiteKeys {
    std::string_view strName;
    std::string_view strURL;
};

// The indices of the sites whose URL's host or whose name appears in strTitle, ignoring case, in site order.
std::vector<std::size_t> SitesForTitle(std::string_view strTitle, const std::vector<CSiteKeys>& sites);

} // namespace AutoTypeMatch
