// Moving in with a large keeper: 100,000 sites exported by another manager, read and planned against an
// empty database (every row compared by the merge's rule), and once against the same sites with other
// passwords, where every row is a conflict. The layouts measured are the largest per site:
// Bitwarden's JSON and KeePass's XML, and Bitwarden's CSV, the widest CSV layout.
#include "BenchData.h"
#include "core/tools/SiteImport.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <benchmark/benchmark.h>

namespace {

constexpr std::size_t kSites = 100000;

QString Q(const std::string& str) {
    return QString::fromStdString(str);
}

std::string BitwardenJson(const CSiteArray& sites) {
    QJsonArray items;
    for (const auto& p : sites) {
        QJsonObject login{{QStringLiteral("username"), Q(p->m_strUser)},
                          {QStringLiteral("password"), Q(p->m_strPswd)},
                          {QStringLiteral("totp"), QJsonValue()},
                          {QStringLiteral("uris"), QJsonArray{QJsonObject{{QStringLiteral("uri"), Q(p->m_strURL)}}}}};
        items.append(QJsonObject{{QStringLiteral("type"), 1},
                                 {QStringLiteral("name"), Q(p->m_strSite)},
                                 {QStringLiteral("notes"), Q(p->m_strNotes)},
                                 {QStringLiteral("favorite"), false},
                                 {QStringLiteral("login"), login},
                                 {QStringLiteral("creationDate"), QStringLiteral("2024-01-01T00:00:00.000Z")},
                                 {QStringLiteral("revisionDate"), QStringLiteral("2024-02-01T00:00:00.000Z")}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("encrypted"), false}, {QStringLiteral("items"), items}})
        .toJson()
        .toStdString();
}

std::string Escaped(const std::string& str) {
    return Q(str).toHtmlEscaped().toStdString();
}

std::string KeePassXml(const CSiteArray& sites) {
    std::string strXml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<KeePassFile><Root><Group><Name>Root</Name>\n";
    for (const auto& p : sites) {
        strXml += "<Entry><Times><CreationTime>2024-01-01T00:00:00Z</CreationTime></Times>";
        const std::pair<const char*, const std::string*> strings[] = {{"Title", &p->m_strSite},
                                                                      {"URL", &p->m_strURL},
                                                                      {"UserName", &p->m_strUser},
                                                                      {"Password", &p->m_strPswd},
                                                                      {"Notes", &p->m_strNotes}};
        for (const auto& [pszKey, pValue] : strings)
            strXml += std::string("<String><Key>") + pszKey + "</Key><Value>" + Escaped(*pValue) + "</Value></String>";
        strXml += "</Entry>\n";
    }
    return strXml + "</Group></Root></KeePassFile>\n";
}

std::string BitwardenCsv(const CSiteArray& sites) {
    std::string strCsv = "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,"
                         "login_totp\r\n";
    for (const auto& p : sites)
        SiteCsv::AppendFields(strCsv, {"Work", "", "login", p->m_strSite, p->m_strNotes, "", "0", p->m_strURL,
                                       p->m_strUser, p->m_strPswd, ""});
    return strCsv;
}

void ReadAndPlan(benchmark::State& state, const std::string& strText, const CSiteArray& mine = {}) {
    for (auto _ : state) {
        SiteImport::CImport imported;
        std::string strError;
        if (!SiteImport::Read(strText, std::nullopt, imported, strError))
            state.SkipWithError(strError.c_str());
        SiteImport::CImportPlan plan;
        SiteImport::PlanImport(mine, imported, plan);
        benchmark::DoNotOptimize(plan.Added());
    }
    state.counters["bytes"] = static_cast<double>(strText.size());
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSites));
}

void BM_ImportBitwardenJson(benchmark::State& state) {
    static const std::string strText = BitwardenJson(BenchData::MakeSites(kSites));
    ReadAndPlan(state, strText);
}

void BM_ImportKeePassXml(benchmark::State& state) {
    static const std::string strText = KeePassXml(BenchData::MakeSites(kSites));
    ReadAndPlan(state, strText);
}

void BM_ImportBitwardenCsv(benchmark::State& state) {
    static const std::string strText = BitwardenCsv(BenchData::MakeSites(kSites));
    ReadAndPlan(state, strText);
}

// The same export again after every password changed: each row is a conflict, told once by its name.
void BM_ImportBitwardenCsvOverChangedSites(benchmark::State& state) {
    static const std::string strText = BitwardenCsv(BenchData::MakeSites(kSites));
    static const CSiteArray mine = [] {
        CSiteArray sites = BenchData::MakeSites(kSites);
        for (auto& p : sites)
            p->m_strPswd += "-old";
        return sites;
    }();
    ReadAndPlan(state, strText, mine);
}

} // namespace

BENCHMARK(BM_ImportBitwardenJson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportKeePassXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportBitwardenCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportBitwardenCsvOverChangedSites)->Unit(benchmark::kMillisecond);
