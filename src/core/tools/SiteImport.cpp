#include "core/tools/SiteImport.h"

#include "core/database/LockwardenDoc.h"
#include "core/platform/FileAccess.h"
#include "core/platform/LastError.h"
#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QBuffer>
#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringEncoder>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

namespace SiteImport {

namespace {

// ---- one entry on its way to a row ----

// An entry as an export holds it, before it becomes five fields.
struct CEntry {
    std::string strSite, strUser, strEmail, strPassword, strNotes, strTotp;
    std::vector<std::string> urls;
    // "Label: value" lines for the notes, in the order they are added.
    std::vector<std::pair<std::string, std::string>> extras;

    ~CEntry() {
        for (std::string* p : {&strSite, &strUser, &strEmail, &strPassword, &strNotes, &strTotp})
            WipeString(*p);
        for (std::string& str : urls)
            WipeString(str);
        for (auto& [strLabel, strValue] : extras)
            WipeString(strValue);
    }
    void AddExtra(const char* pszLabel, std::string strValue) {
        if (!strValue.empty())
            extras.emplace_back(pszLabel, std::move(strValue));
    }
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return QChar::toLower(static_cast<unsigned char>(x)) == QChar::toLower(static_cast<unsigned char>(y));
           });
}

bool IsTrue(std::string_view strValue) {
    for (const char* psz : {"1", "true", "yes", "on"})
        if (EqualsNoCase(strValue, psz))
            return true;
    return false;
}

// Line breaks as the notes field stores them: CR LF, whatever the export wrote.
void AppendWithBreaks(std::string& strOut, std::string_view strText) {
    for (;;) {
        const std::size_t nBreak = strText.find_first_of("\r\n");
        strOut.append(strText.substr(0, nBreak));
        if (nBreak == std::string_view::npos)
            return;
        strOut += "\r\n";
        const bool bPair = strText[nBreak] == '\r' && nBreak + 1 < strText.size() && strText[nBreak + 1] == '\n';
        strText.remove_prefix(nBreak + (bPair ? 2 : 1));
    }
}

// A time given as seconds or milliseconds since 1970 reads better as a date; any other text stays as given.
std::string TimeText(const std::string& strValue) {
    if (strValue.empty() || strValue.size() > 15 ||
        !std::all_of(strValue.begin(), strValue.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return strValue;
    qint64 n = std::stoll(strValue);
    // Seconds reach twelve digits only in the year 5138; milliseconds have had thirteen since 2001.
    if (strValue.size() <= 11)
        n *= 1000;
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(n, Qt::UTC);
    return time.isValid() ? time.toString(Qt::ISODate).toStdString() : strValue;
}

// The site a URL names: its host, without a leading "www."; the URL itself when it has no host.
std::string HostOf(const std::string& strURL) {
    std::string strHost = QUrl(QString::fromUtf8(strURL)).host().toStdString();
    if (strHost.compare(0, 4, "www.") == 0 && strHost.size() > 4)
        strHost.erase(0, 4);
    return strHost.empty() ? strURL : strHost;
}

// The otpauth:// line of a one-time-password secret: a URI as given, or one built from a bare secret.
std::string TotpLine(const std::string& strSite, const std::string& strTotp) {
    std::string strValue = TrimWhiteSpace(strTotp);
    if (strValue.size() >= 10 && EqualsNoCase(std::string_view(strValue).substr(0, 10), "otpauth://"))
        return strValue;
    std::string strSecret;
    for (char c : strValue)
        if (c != ' ' && c != '\t')
            strSecret += c;
    WipeString(strValue);
    QByteArray site = QUrl::toPercentEncoding(QString::fromStdString(strSite));
    QByteArray secret = QUrl::toPercentEncoding(QString::fromStdString(strSecret));
    WipeString(strSecret);
    std::string strLine = "otpauth://totp/" + site.toStdString() + "?secret=" + secret.toStdString();
    WipeBytes(secret);
    return strLine;
}

// The five fields of an entry, which they leave. With bStrict (the program's own CSV) the fields stay as they are.
bool MakeRow(CEntry& entry, bool bStrict, SiteCsv::Row& row, std::string& strError) {
    const bool bEmailLine = !entry.strUser.empty() && !entry.strEmail.empty();
    if (entry.strUser.empty())
        entry.strUser.swap(entry.strEmail);
    if (entry.strSite.empty() && !bStrict && !entry.urls.empty())
        entry.strSite = HostOf(entry.urls.front());
    if (!SiteCsv::CheckSiteName(entry.strSite, strError))
        return false;
    std::string strNotes;
    if (bStrict) {
        strNotes.swap(entry.strNotes);
    } else {
        // Room for every line at once, its breaks doubled at the most: a buffer that grows leaves its old
        // copy behind in freed memory.
        std::size_t nSize = 2 * entry.strNotes.size() + 2 * entry.strEmail.size() + 16;
        for (std::size_t i = 1; i < entry.urls.size(); ++i)
            nSize += 2 * entry.urls[i].size() + 8;
        for (const auto& [strLabel, strValue] : entry.extras)
            nSize += 2 * (strLabel.size() + strValue.size()) + 4;
        std::string strTotp = TrimWhiteSpace(entry.strTotp);
        if (!strTotp.empty())
            nSize += 2 * (3 * entry.strSite.size() + 3 * strTotp.size() + 32);
        strNotes.reserve(nSize);

        AppendWithBreaks(strNotes, entry.strNotes);
        const auto addLine = [&strNotes](std::string_view strLabel, std::string_view strValue) {
            if (!strNotes.empty())
                strNotes += "\r\n";
            // Bitwarden's CSV gives its custom fields as "name: value" lines already.
            if (!strLabel.empty()) {
                AppendWithBreaks(strNotes, strLabel);
                strNotes += ": ";
            }
            AppendWithBreaks(strNotes, strValue);
        };
        for (std::size_t i = 1; i < entry.urls.size(); ++i)
            addLine("URL", entry.urls[i]);
        if (bEmailLine)
            addLine("Email", entry.strEmail);
        for (const auto& [strLabel, strValue] : entry.extras)
            addLine(strLabel, strValue);
        if (!strTotp.empty()) {
            std::string strLine = TotpLine(entry.strSite, strTotp);
            addLine({}, strLine);
            WipeString(strLine);
        }
        WipeString(strTotp);
    }
    // Swapped, not copied: what is left in the entry is wiped with it.
    row[0].swap(entry.strSite);
    if (!entry.urls.empty())
        row[1].swap(entry.urls.front());
    row[2].swap(entry.strUser);
    row[3].swap(entry.strPassword);
    row[4].swap(strNotes);
    WipeString(strNotes);
    return true;
}

QString Text(int nID) {
    return LoadString(nID);
}

// Text as UTF-8, encoded straight into the string: no QByteArray between, which would be one more copy of a
// password left behind in freed memory.
void AppendUtf8(std::string& strOut, QStringView text) {
    QStringEncoder encoder(QStringEncoder::Utf8);
    const std::size_t nOld = strOut.size();
    strOut.resize(nOld + static_cast<std::size_t>(encoder.requiredSpace(text.size())));
    char* const pStart = strOut.data() + nOld;
    strOut.resize(nOld + static_cast<std::size_t>(encoder.appendToBuffer(pStart, text) - pStart));
}

std::string Utf8Of(QStringView text) {
    std::string strOut;
    AppendUtf8(strOut, text);
    return strOut;
}

// ---- the CSV layouts ----

enum class ERole {
    site,
    url,
    urls, // several URLs, comma-separated: the first is the URL
    user,
    email,
    password,
    notes,
    totp,
    extra,
    flag, // a yes-or-no column: told only when yes
    time,
    type,   // what kind of item the row is: a login, a note, or something else to skip
    fields, // "name: value" lines already
    ignore,
};

struct CColumn {
    const char* pszName;
    ERole role;
    bool bRequired;
    const char* pszLabel = nullptr;
};

struct CCsvLayout {
    EFormat format;
    std::vector<CColumn> columns;
    // Columns the layout does not name are taken too, as "Column: value" lines.
    bool bOpen = false;
};

const std::vector<CCsvLayout>& CsvLayouts() {
    using R = ERole;
    static const std::vector<CCsvLayout> layouts = {
        {EFormat::lockwarden,
         {{"site", R::site, true},
          {"url", R::url, true},
          {"user", R::user, true},
          {"password", R::password, true},
          {"notes", R::notes, true}}},
        {EFormat::chrome,
         {{"name", R::site, true},
          {"url", R::url, true},
          {"username", R::user, true},
          {"password", R::password, true},
          {"note", R::notes, false}}},
        {EFormat::firefox,
         {{"url", R::url, true},
          {"username", R::user, true},
          {"password", R::password, true},
          {"httpRealm", R::extra, true, "HTTP realm"},
          {"formActionOrigin", R::extra, false, "Form action origin"},
          {"guid", R::extra, false, "GUID"},
          {"timeCreated", R::time, false, "Created"},
          {"timeLastUsed", R::time, false, "Last used"},
          {"timePasswordChanged", R::time, false, "Password changed"}}},
        {EFormat::safari,
         {{"Title", R::site, true},
          {"URL", R::url, true},
          {"Username", R::user, true},
          {"Password", R::password, true},
          {"Notes", R::notes, true},
          {"OTPAuth", R::totp, false}}},
        {EFormat::bitwardenCsv,
         {{"name", R::site, true},
          {"login_uri", R::urls, true},
          {"login_username", R::user, true},
          {"login_password", R::password, true},
          {"notes", R::notes, true},
          {"type", R::type, true},
          {"fields", R::fields, false},
          {"folder", R::extra, false, "Folder"},
          {"collections", R::extra, false, "Collections"},
          {"favorite", R::flag, false, "Favorite"},
          {"reprompt", R::flag, false, "Reprompt"},
          {"login_totp", R::totp, false}}},
        {EFormat::keepassxcCsv,
         {{"Title", R::site, true},
          {"URL", R::url, true},
          {"Username", R::user, true},
          {"Password", R::password, true},
          {"Notes", R::notes, true},
          {"Group", R::extra, true, "Group"},
          {"Last Modified", R::extra, false, "Modified"},
          {"Created", R::extra, false, "Created"},
          {"Icon", R::ignore, false},
          {"TOTP", R::totp, false}},
         true},
        {EFormat::onePassword,
         {{"Title", R::site, true},
          {"Website", R::url, true},
          {"Username", R::user, true},
          {"Password", R::password, true},
          {"Notes", R::notes, false},
          {"Tags", R::extra, false, "Tags"},
          {"Favorite", R::flag, false, "Favorite"},
          {"Archived", R::flag, false, "Archived"},
          {"OTPAuth", R::totp, false}}},
        {EFormat::lastPass,
         {{"name", R::site, true},
          {"url", R::url, true},
          {"username", R::user, true},
          {"password", R::password, true},
          {"extra", R::notes, true},
          {"grouping", R::extra, true, "Folder"},
          {"fav", R::flag, false, "Favorite"},
          {"totp", R::totp, false}}},
        {EFormat::protonPass,
         {{"name", R::site, true},
          {"url", R::urls, true},
          {"username", R::user, true},
          {"email", R::email, true},
          {"password", R::password, true},
          {"note", R::notes, true},
          {"type", R::type, true},
          {"vault", R::extra, false, "Vault"},
          {"createTime", R::time, false, "Created"},
          {"modifyTime", R::time, false, "Modified"},
          {"totp", R::totp, false}}},
    };
    return layouts;
}

const CCsvLayout* CsvLayoutOf(EFormat format) {
    for (const CCsvLayout& layout : CsvLayouts())
        if (layout.format == format)
            return &layout;
    return nullptr;
}

// How a header fits a layout: where each of its columns is, and what does not fit.
struct CHeaderFit {
    std::vector<int> columnAt; // per layout column, its place in the header or -1
    std::vector<std::size_t> unknown;
    std::string strFirstUnknown, strFirstMissing;
    std::size_t nMatched = 0;

    bool Fits(const CCsvLayout& layout) const { return strFirstMissing.empty() && (unknown.empty() || layout.bOpen); }
};

CHeaderFit FitHeader(const CCsvLayout& layout, const std::vector<std::string>& header) {
    CHeaderFit fit;
    fit.columnAt.assign(layout.columns.size(), -1);
    for (std::size_t h = 0; h < header.size(); ++h) {
        const std::string strName = TrimWhiteSpace(header[h]);
        bool bKnown = false;
        for (std::size_t c = 0; c < layout.columns.size(); ++c)
            if (fit.columnAt[c] < 0 && EqualsNoCase(strName, layout.columns[c].pszName)) {
                fit.columnAt[c] = static_cast<int>(h);
                bKnown = true;
                ++fit.nMatched;
                break;
            }
        if (!bKnown) {
            if (fit.unknown.empty())
                fit.strFirstUnknown = strName;
            fit.unknown.push_back(h);
        }
    }
    for (std::size_t c = 0; c < layout.columns.size(); ++c)
        if (layout.columns[c].bRequired && fit.columnAt[c] < 0) {
            fit.strFirstMissing = layout.columns[c].pszName;
            break;
        }
    return fit;
}

// What does not fit, as the refusal says it.
QString MisfitText(const CHeaderFit& fit) {
    if (!fit.strFirstUnknown.empty() || fit.strFirstMissing.empty())
        return Text(IDS_IMPORT_UNKNOWN_COLUMN).arg(QString::fromStdString(fit.strFirstUnknown));
    return Text(IDS_IMPORT_MISSING_COLUMN).arg(QString::fromStdString(fit.strFirstMissing));
}

enum class EKind { login, note, other };

EKind KindOf(const std::string& strType) {
    if (strType.empty() || EqualsNoCase(strType, "login") || EqualsNoCase(strType, "alias"))
        return EKind::login;
    if (EqualsNoCase(strType, "note"))
        return EKind::note;
    return EKind::other;
}

void SplitUrls(const std::string& strValue, std::vector<std::string>& urls) {
    std::size_t nStart = 0;
    for (;;) {
        const std::size_t nComma = strValue.find(',', nStart);
        std::string strUrl = TrimWhiteSpace(
            std::string_view(strValue).substr(nStart, nComma == std::string::npos ? nComma : nComma - nStart));
        if (!strUrl.empty())
            urls.push_back(std::move(strUrl));
        if (nComma == std::string::npos)
            return;
        nStart = nComma + 1;
    }
}

bool ReadCsv(std::string_view text, std::optional<EFormat> format, CImport& result, std::string& strError) {
    std::vector<SiteCsv::Record> records;
    std::size_t nLine = 0;
    struct CWipe {
        std::vector<SiteCsv::Record>& records;
        ~CWipe() { SiteCsv::WipeRecords(records); }
    } wipe{records};
    auto fail = [&](std::size_t nAt, const std::string& strReason) {
        strError = SiteCsv::LineErrorText(nAt, strReason).toStdString();
        return false;
    };
    if (!SiteCsv::ReadRecords(text, records, nLine, strError))
        return fail(nLine, strError);
    if (records.empty())
        return fail(1, Text(IDS_IMPORT_EMPTY).toStdString());
    const std::vector<std::string>& header = records.front().fields;

    const CCsvLayout* pLayout = nullptr;
    CHeaderFit fit;
    if (format) {
        pLayout = CsvLayoutOf(*format);
        fit = FitHeader(*pLayout, header);
        if (!fit.Fits(*pLayout))
            return fail(1, Text(IDS_IMPORT_HEADER_NOT_FORMAT)
                               .arg(QString::fromUtf8(FormatOf(*format).pszTitle), MisfitText(fit))
                               .toStdString());
    } else {
        // The layout that takes the header and names most of its columns; a refusal names what does not fit
        // the layout nearest to it.
        const CCsvLayout* pNearest = nullptr;
        CHeaderFit nearest;
        for (const CCsvLayout& layout : CsvLayouts()) {
            CHeaderFit candidate = FitHeader(layout, header);
            if (candidate.Fits(layout) && (pLayout == nullptr || candidate.nMatched > fit.nMatched)) {
                pLayout = &layout;
                fit = candidate;
            }
            if (pNearest == nullptr || candidate.nMatched > nearest.nMatched) {
                pNearest = &layout;
                nearest = std::move(candidate);
            }
        }
        if (pLayout == nullptr)
            return fail(1, Text(IDS_IMPORT_HEADER_UNKNOWN).arg(MisfitText(nearest), FormatTitles()).toStdString());
    }
    result.format = pLayout->format;
    const bool bStrict = pLayout->format == EFormat::lockwarden;

    for (std::size_t n = 1; n < records.size(); ++n) {
        SiteCsv::Record& record = records[n];
        if (!SiteCsv::CheckFieldCount(record, header.size(), strError))
            return fail(record.nLine, strError);
        CEntry entry;
        EKind kind = EKind::login;
        for (std::size_t c = 0; c < pLayout->columns.size(); ++c) {
            if (fit.columnAt[c] < 0)
                continue;
            const CColumn& column = pLayout->columns[c];
            std::string& strValue = record.fields[static_cast<std::size_t>(fit.columnAt[c])];
            // Only our own layout is written with the spreadsheet's guard.
            if (bStrict)
                SiteCsv::Unguard(strValue);
            switch (column.role) {
            case ERole::site:
                entry.strSite = std::move(strValue);
                break;
            case ERole::url:
                if (!strValue.empty())
                    entry.urls.push_back(std::move(strValue));
                break;
            case ERole::urls:
                SplitUrls(strValue, entry.urls);
                break;
            case ERole::user:
                entry.strUser = std::move(strValue);
                break;
            case ERole::email:
                entry.strEmail = std::move(strValue);
                break;
            case ERole::password:
                entry.strPassword = std::move(strValue);
                break;
            case ERole::notes:
                entry.strNotes = std::move(strValue);
                break;
            case ERole::totp:
                entry.strTotp = std::move(strValue);
                break;
            case ERole::extra:
                entry.AddExtra(column.pszLabel, std::move(strValue));
                break;
            case ERole::flag:
                if (IsTrue(strValue))
                    entry.AddExtra(column.pszLabel, "yes");
                break;
            case ERole::time:
                entry.AddExtra(column.pszLabel, TimeText(strValue));
                break;
            case ERole::type:
                kind = KindOf(TrimWhiteSpace(strValue));
                break;
            case ERole::fields:
                if (!strValue.empty())
                    entry.extras.emplace_back(std::string(), std::move(strValue));
                break;
            case ERole::ignore:
                break;
            }
        }
        for (std::size_t h : fit.unknown)
            if (!record.fields[h].empty())
                entry.extras.emplace_back(TrimWhiteSpace(header[h]), std::move(record.fields[h]));
        if (kind == EKind::other) {
            ++result.nNotLogins;
            continue;
        }
        // LastPass marks a secure note with this URL, which is no site's.
        if (pLayout->format == EFormat::lastPass && !entry.urls.empty() && entry.urls.front() == "http://sn")
            entry.urls.clear();
        SiteCsv::Row row;
        if (!MakeRow(entry, bStrict, row, strError))
            return fail(record.nLine, strError);
        result.rows.push_back(std::move(row));
    }
    return true;
}

// ---- Bitwarden's JSON ----

// A fault tells where in the document it is: "items[3].login.uris[0].uri". The path is built only then: for
// every item of a large export, its making would cost more than the reading.
class CJsonReader {
public:
    CJsonReader(CImport& result, std::string& strError) : m_result(result), m_strError(strError) {}

    bool Read(const QByteArray& json) {
        QJsonParseError parseError{};
        const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
        if (parseError.error != QJsonParseError::NoError) {
            const auto nOffset = std::min<qsizetype>(parseError.offset, json.size());
            const std::size_t nLine =
                1 + static_cast<std::size_t>(std::count(json.begin(), json.begin() + nOffset, '\n'));
            m_strError = SiteCsv::LineErrorText(nLine, parseError.errorString().toStdString()).toStdString();
            return false;
        }
        if (!doc.isObject())
            return Fail(QStringLiteral("$"), Expected("an object"));
        const QJsonObject root = doc.object();
        if (root.value(QLatin1String("encrypted")).toBool())
            return Fail(QStringLiteral("encrypted"), Text(IDS_IMPORT_ENCRYPTED));
        const QJsonValue folderList = root.value(QLatin1String("folders"));
        if (!folderList.isUndefined() && !folderList.isNull() && !folderList.isArray())
            return Fail(QStringLiteral("folders"), Expected("an array"));
        const QJsonArray folderArray = folderList.toArray();
        for (qsizetype i = 0; i < folderArray.size(); ++i) {
            const auto path = [i] { return QStringLiteral("folders[%1]").arg(i); };
            if (!folderArray[i].isObject())
                return Fail(path(), Expected("an object"));
            const QJsonObject folder = folderArray[i].toObject();
            if (!String(folder, "name", path, m_folders[folder.value(QLatin1String("id")).toString()]))
                return false;
        }
        const QJsonValue items = root.value(QLatin1String("items"));
        if (!items.isArray())
            return Fail(QStringLiteral("items"), Expected("an array"));
        const QJsonArray array = items.toArray();
        m_result.rows.reserve(static_cast<std::size_t>(array.size()));
        for (qsizetype i = 0; i < array.size(); ++i)
            if (!ReadItem(array[i], i))
                return false;
        return true;
    }

private:
    static QString Expected(const char* pszWhat) { return Text(IDS_IMPORT_EXPECTED).arg(QLatin1String(pszWhat)); }

    bool Fail(const QString& strPath, const QString& strReason) {
        m_strError = (strPath + QStringLiteral(": ") + strReason).toStdString();
        return false;
    }

    // A text member: a string, a number or a yes-or-no as text; absent or null is empty.
    template <typename Path>
    bool String(const QJsonObject& object, const char* pszKey, const Path& path, std::string& strOut) {
        const QJsonValue value = object.value(QLatin1String(pszKey));
        if (value.isString()) {
            QString strText = value.toString();
            strOut = Utf8Of(strText);
            WipeText(strText);
        } else if (value.isDouble()) {
            strOut = QString::number(value.toDouble(), 'g', 17).toStdString();
        } else if (value.isBool()) {
            strOut = value.toBool() ? "true" : "false";
        } else if (!value.isUndefined() && !value.isNull()) {
            return Fail(path() + QLatin1Char('.') + QLatin1String(pszKey), Expected("a string"));
        }
        return true;
    }

    bool ReadItem(const QJsonValue& value, qsizetype nItem) {
        const auto path = [nItem] { return QStringLiteral("items[%1]").arg(nItem); };
        const auto loginPath = [&path] { return path() + QStringLiteral(".login"); };
        if (!value.isObject())
            return Fail(path(), Expected("an object"));
        const QJsonObject item = value.toObject();
        // 1 a login, 2 a secure note; cards, identities and whatever comes later are not sites.
        const int nType = item.value(QLatin1String("type")).toInt(0);
        if (nType != 1 && nType != 2) {
            ++m_result.nNotLogins;
            return true;
        }
        CEntry entry;
        std::string strCreated, strModified;
        if (!String(item, "name", path, entry.strSite) || !String(item, "notes", path, entry.strNotes) ||
            !String(item, "creationDate", path, strCreated) || !String(item, "revisionDate", path, strModified))
            return false;
        const QJsonValue login = item.value(QLatin1String("login"));
        if (login.isObject()) {
            const QJsonObject object = login.toObject();
            if (!String(object, "username", loginPath, entry.strUser) ||
                !String(object, "password", loginPath, entry.strPassword) ||
                !String(object, "totp", loginPath, entry.strTotp))
                return false;
            const QJsonValue uris = object.value(QLatin1String("uris"));
            if (uris.isArray()) {
                const QJsonArray array = uris.toArray();
                for (qsizetype i = 0; i < array.size(); ++i) {
                    const auto uriPath = [&loginPath, i] { return loginPath() + QStringLiteral(".uris[%1]").arg(i); };
                    if (!array[i].isObject())
                        return Fail(uriPath(), Expected("an object"));
                    std::string strUri;
                    if (!String(array[i].toObject(), "uri", uriPath, strUri))
                        return false;
                    if (!strUri.empty())
                        entry.urls.push_back(std::move(strUri));
                }
            } else if (!uris.isUndefined() && !uris.isNull()) {
                return Fail(loginPath() + QStringLiteral(".uris"), Expected("an array"));
            }
        } else if (!login.isUndefined() && !login.isNull()) {
            return Fail(loginPath(), Expected("an object"));
        }
        const QJsonValue fields = item.value(QLatin1String("fields"));
        if (fields.isArray()) {
            const QJsonArray array = fields.toArray();
            for (qsizetype i = 0; i < array.size(); ++i) {
                const auto fieldPath = [&path, i] { return path() + QStringLiteral(".fields[%1]").arg(i); };
                if (!array[i].isObject())
                    return Fail(fieldPath(), Expected("an object"));
                const QJsonObject field = array[i].toObject();
                std::string strName, strValue;
                if (!String(field, "name", fieldPath, strName) || !String(field, "value", fieldPath, strValue))
                    return false;
                if (!strValue.empty())
                    entry.extras.emplace_back(std::move(strName), std::move(strValue));
            }
        } else if (!fields.isUndefined() && !fields.isNull()) {
            return Fail(path() + QStringLiteral(".fields"), Expected("an array"));
        }
        if (!m_folders.empty()) {
            const auto folder = m_folders.find(item.value(QLatin1String("folderId")).toString());
            if (folder != m_folders.end())
                entry.AddExtra("Folder", folder->second);
        }
        if (item.value(QLatin1String("favorite")).toBool())
            entry.AddExtra("Favorite", "yes");
        if (item.value(QLatin1String("reprompt")).toInt(0) != 0)
            entry.AddExtra("Reprompt", "yes");
        entry.AddExtra("Created", std::move(strCreated));
        entry.AddExtra("Modified", std::move(strModified));
        SiteCsv::Row row;
        std::string strReason;
        if (!MakeRow(entry, false, row, strReason))
            return Fail(path(), QString::fromStdString(strReason));
        m_result.rows.push_back(std::move(row));
        return true;
    }

    // The folders' names by their id.
    std::map<QString, std::string> m_folders;
    CImport& m_result;
    std::string& m_strError;
};

// ---- KeePass's XML ----

class CXmlReader {
public:
    // Read through a device, a block at a time: the reader then never holds the whole document as text, and
    // is about twice as fast as when it is given the whole at once.
    CXmlReader(const QByteArray& xml, CImport& result, std::string& strError)
        : m_bytes(xml), m_buffer(&m_bytes), m_result(result), m_strError(strError) {
        m_buffer.open(QIODevice::ReadOnly);
        m_xml.setDevice(&m_buffer);
    }

    bool Read() {
        if (m_xml.readNextStartElement()) {
            if (m_xml.name() != QLatin1String("KeePassFile"))
                return Fail(Text(IDS_IMPORT_NOT_KEEPASS).arg(m_xml.name().toString()));
            m_path << QStringLiteral("KeePassFile");
            while (m_xml.readNextStartElement()) {
                if (m_xml.name() == QLatin1String("Root")) {
                    m_path << QStringLiteral("Root");
                    while (m_xml.readNextStartElement()) {
                        if (m_xml.name() == QLatin1String("Group")) {
                            if (!ReadGroup(std::string()))
                                return false;
                        } else {
                            m_xml.skipCurrentElement();
                        }
                    }
                    m_path.removeLast();
                } else {
                    m_xml.skipCurrentElement();
                }
            }
        }
        // The rest of the document, so a fault after the entries is not taken for the end.
        while (!m_xml.atEnd() && !m_xml.hasError())
            m_xml.readNext();
        if (m_xml.hasError())
            return XmlFault();
        return true;
    }

private:
    bool XmlFault() {
        m_strError =
            SiteCsv::LineErrorText(static_cast<std::size_t>(m_xml.lineNumber()), m_xml.errorString().toStdString())
                .toStdString();
        return false;
    }
    // A fault in the document's shape: where it is, by path and line.
    bool Fail(const QString& strReason) {
        if (m_xml.hasError())
            return XmlFault();
        const auto nLine = static_cast<std::size_t>(m_xml.lineNumber());
        m_strError =
            m_path.isEmpty()
                ? SiteCsv::LineErrorText(nLine, strReason.toStdString()).toStdString()
                : (m_path.join(QLatin1Char('/')) + QStringLiteral(" (line %1): ").arg(nLine) + strReason).toStdString();
        return false;
    }

    // The text of the element just started, as readElementText reads it but into UTF-8 at once, from the
    // reader's own buffer: that would first gather a QString, a copy the import spends a third of its time on.
    void ElementText(std::string& strOut) {
        strOut.clear();
        while (m_xml.readNext() != QXmlStreamReader::NoToken) {
            switch (m_xml.tokenType()) {
            case QXmlStreamReader::Characters:
            case QXmlStreamReader::EntityReference:
                AppendUtf8(strOut, m_xml.text());
                break;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
                break;
            case QXmlStreamReader::EndElement:
                return;
            default:
                m_xml.raiseError(QStringLiteral("Expected character data."));
                return;
            }
        }
    }

    bool ReadGroup(const std::string& strParent) {
        m_path << QStringLiteral("Group");
        std::string strGroup = strParent;
        std::string strName;
        while (m_xml.readNextStartElement()) {
            const auto name = m_xml.name();
            if (name == QLatin1String("Name")) {
                ElementText(strName);
                strGroup = strParent.empty() ? strName : strParent + '/' + strName;
            } else if (name == QLatin1String("Entry")) {
                if (!ReadEntry(strGroup))
                    return false;
            } else if (name == QLatin1String("Group")) {
                if (!ReadGroup(strGroup))
                    return false;
            } else {
                m_xml.skipCurrentElement();
            }
        }
        if (m_xml.hasError())
            return XmlFault();
        m_path.removeLast();
        return true;
    }

    bool ReadEntry(const std::string& strGroup) {
        m_path << QStringLiteral("Entry");
        CEntry entry;
        std::string strTags, strCreated, strModified;
        std::vector<std::pair<std::string, std::string>> custom;
        while (m_xml.readNextStartElement()) {
            const auto name = m_xml.name();
            if (name == QLatin1String("String")) {
                std::string strKey, strValue;
                if (!ReadString(strKey, strValue))
                    return false;
                if (strKey == "Title")
                    entry.strSite = std::move(strValue);
                else if (strKey == "UserName")
                    entry.strUser = std::move(strValue);
                else if (strKey == "Password")
                    entry.strPassword = std::move(strValue);
                else if (strKey == "URL") {
                    if (!strValue.empty())
                        entry.urls.push_back(std::move(strValue));
                } else if (strKey == "Notes")
                    entry.strNotes = std::move(strValue);
                else if ((strKey == "otp" || strKey == "TimeOtp-Secret-Base32") && entry.strTotp.empty())
                    entry.strTotp = std::move(strValue);
                else if (!strValue.empty())
                    custom.emplace_back(std::move(strKey), std::move(strValue));
                WipeString(strValue);
            } else if (name == QLatin1String("Tags")) {
                ElementText(strTags);
            } else if (name == QLatin1String("Times")) {
                while (m_xml.readNextStartElement()) {
                    if (m_xml.name() == QLatin1String("CreationTime"))
                        ElementText(strCreated);
                    else if (m_xml.name() == QLatin1String("LastModificationTime"))
                        ElementText(strModified);
                    else
                        m_xml.skipCurrentElement();
                }
            } else {
                // History (earlier versions), auto-type, attachments, icons.
                m_xml.skipCurrentElement();
            }
        }
        if (m_xml.hasError())
            return XmlFault();
        for (auto& [strKey, strValue] : custom) {
            entry.extras.emplace_back(std::move(strKey), std::move(strValue));
            WipeString(strValue);
        }
        entry.AddExtra("Group", strGroup);
        entry.AddExtra("Tags", std::move(strTags));
        entry.AddExtra("Created", std::move(strCreated));
        entry.AddExtra("Modified", std::move(strModified));
        SiteCsv::Row row;
        std::string strReason;
        if (!MakeRow(entry, false, row, strReason))
            return Fail(QString::fromStdString(strReason));
        m_result.rows.push_back(std::move(row));
        m_path.removeLast();
        return true;
    }

    bool ReadString(std::string& strKey, std::string& strValue) {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == QLatin1String("Key")) {
                ElementText(strKey);
            } else if (m_xml.name() == QLatin1String("Value")) {
                // A protected value of a database file is enciphered with the file's own stream key.
                if (IsTrue(Utf8Of(m_xml.attributes().value(QLatin1String("Protected")))))
                    return Fail(Text(IDS_IMPORT_PROTECTED_VALUE));
                ElementText(strValue);
            } else {
                m_xml.skipCurrentElement();
            }
        }
        if (m_xml.hasError())
            return XmlFault();
        return true;
    }

    QByteArray m_bytes;
    QBuffer m_buffer;
    QXmlStreamReader m_xml;
    QStringList m_path;
    CImport& m_result;
    std::string& m_strError;
};

bool ReadText(std::string_view text, std::optional<EFormat> format, CImport& result, std::string& strError) {
    if (!format) {
        std::string_view rest = text;
        if (rest.substr(0, 3) == "\xEF\xBB\xBF")
            rest.remove_prefix(3);
        const std::size_t nFirst = rest.find_first_not_of(" \t\r\n");
        const char c = nFirst == std::string_view::npos ? '\0' : rest[nFirst];
        if (c == '{')
            format = EFormat::bitwardenJson;
        else if (c == '<')
            format = EFormat::keepassXml;
    }
    if (format == EFormat::bitwardenJson || format == EFormat::keepassXml) {
        result.format = *format;
        // The caller's text, not a copy: it is the caller's to wipe.
        const QByteArray bytes = QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size()));
        if (*format == EFormat::bitwardenJson)
            return CJsonReader(result, strError).Read(bytes);
        return CXmlReader(bytes, result, strError).Read();
    }
    return ReadCsv(text, format, result, strError);
}

} // namespace

const std::vector<CFormat>& Formats() {
    static const std::vector<CFormat> formats = {
        {EFormat::lockwarden, "lockwarden", "Lockwarden CSV"},
        {EFormat::chrome, "chrome", "Chrome, Edge, Brave, Opera or Vivaldi CSV"},
        {EFormat::firefox, "firefox", "Firefox CSV"},
        {EFormat::safari, "safari", "Safari or Apple Passwords CSV"},
        {EFormat::bitwardenCsv, "bitwarden-csv", "Bitwarden CSV"},
        {EFormat::bitwardenJson, "bitwarden-json", "Bitwarden JSON"},
        {EFormat::keepassxcCsv, "keepassxc-csv", "KeePassXC CSV"},
        {EFormat::keepassXml, "keepass-xml", "KeePass XML"},
        {EFormat::onePassword, "1password", "1Password CSV"},
        {EFormat::lastPass, "lastpass", "LastPass CSV"},
        {EFormat::protonPass, "protonpass", "Proton Pass CSV"},
    };
    return formats;
}

std::optional<EFormat> FormatByName(std::string_view strName) {
    for (const CFormat& format : Formats())
        if (EqualsNoCase(strName, format.pszName))
            return format.format;
    return std::nullopt;
}

const CFormat& FormatOf(EFormat format) {
    for (const CFormat& f : Formats())
        if (f.format == format)
            return f;
    return Formats().front();
}

QString FormatTitles() {
    QStringList titles;
    for (const CFormat& format : Formats())
        titles << QString::fromUtf8(format.pszTitle);
    return titles.join(QStringLiteral("; "));
}

CImport::~CImport() {
    SiteCsv::WipeRows(rows);
}

bool CImport::CanSkipNotLogins() const {
    return format == EFormat::bitwardenCsv || format == EFormat::bitwardenJson || format == EFormat::protonPass;
}

bool Read(std::string_view text, std::optional<EFormat> format, CImport& result, std::string& strError) {
    SiteCsv::WipeRows(result.rows);
    result.nNotLogins = 0;
    if (ReadText(text, format, result, strError))
        return true;
    SiteCsv::WipeRows(result.rows);
    result.nNotLogins = 0;
    return false;
}

bool ReadFile(const QString& strPath, std::optional<EFormat> format, CImport& result, QString& strError) {
    std::string strText;
    const CWipeOnExit wipe({&strText});
    int nErr = 0;
    if (!FileAccess::ReadRegularFile(strPath, strText, nErr)) {
        strError = GetLastErrorText(nErr);
        return false;
    }
    std::string strReason;
    if (!Read(strText, format, result, strReason)) {
        strError = QString::fromStdString(strReason);
        return false;
    }
    return true;
}

void PlanImport(const CSiteArray& mine, CImport& imported, CImportPlan& plan) {
    plan.sites.clear();
    plan.sites.reserve(imported.rows.size());
    for (SiteCsv::Row& row : imported.rows)
        plan.sites.push_back(std::make_unique<CSiteInfo>(std::move(row[0]), std::move(row[1]), std::move(row[2]),
                                                         std::move(row[3]), std::move(row[4])));
    // A short field was copied out of its string, not moved: its bytes are still there.
    SiteCsv::WipeRows(imported.rows);
    plan.merge = PlanMerge(mine, plan.sites);
    plan.format = imported.format;
    plan.nNotLogins = imported.nNotLogins;
    plan.bCanSkipNotLogins = imported.CanSkipNotLogins();
}

bool PlanFile(const QString& strPath, std::optional<EFormat> format, const CSiteArray& mine, CImportPlan& plan,
              QString& strError) {
    CImport imported;
    if (!ReadFile(strPath, format, imported, strError))
        return false;
    PlanImport(mine, imported, plan);
    return true;
}

void AddPlanned(CLockwardenDoc& doc, const CImportPlan& plan) {
    for (const CSiteInfo* pSite : plan.merge.toAdd)
        doc.AddSite(std::make_unique<CSiteInfo>(*pSite));
}

std::string CountLines(const CImportPlan& plan) {
    std::string strOut = "added: " + std::to_string(plan.Added()) + "\n" +
                         "skipped identical: " + std::to_string(plan.SkippedIdentical()) + "\n" +
                         "conflicts: " + std::to_string(plan.Conflicts()) + "\n";
    if (plan.bCanSkipNotLogins)
        strOut += "skipped not logins: " + std::to_string(plan.nNotLogins) + "\n";
    return strOut;
}

} // namespace SiteImport
