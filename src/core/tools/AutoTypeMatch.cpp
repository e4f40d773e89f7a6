#include "core/tools/AutoTypeMatch.h"

#include "core/tools/SiteNameMatch.h"

#include <QString>
#include <QUrl>

namespace AutoTypeMatch {

std::string HostOf(std::string_view strURL) {
    QString strText = QString::fromUtf8(strURL.data(), static_cast<qsizetype>(strURL.size())).trimmed();
    if (strText.isEmpty())
        return {};
    if (!strText.contains(QLatin1String("://")))
        strText.prepend(QLatin1String("https://"));
    std::string strHost = QUrl(strText).host().toLower().toStdString();
    if (strHost.size() > 4 && strHost.compare(0, 4, "www.") == 0)
        strHost.erase(0, 4);
    return strHost;
}

std::vector<std::size_t> SitesForTitle(std::string_view strTitle, const std::vector<CSiteKeys>& sites) {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < sites.size(); ++i) {
        const std::string strHost = HostOf(sites[i].strURL);
        const bool bHost = strHost.size() >= kShortestName && ContainsIgnoringCase(strTitle, strHost);
        const bool bName = sites[i].strName.size() >= kShortestName && ContainsIgnoringCase(strTitle, sites[i].strName);
        if (bHost || bName)
            found.push_back(i);
    }
    return found;
}

} // namespace AutoTypeMatch
