#include "tools/SiteNameMatch.h"

#include "platform/Text.h"

qsizetype FindIgnoringCase(const QString& strText, const QString& strFind) {
    return strText.indexOf(strFind, 0, Qt::CaseInsensitive);
}

bool ContainsIgnoringCase(std::string_view strName, std::string_view strFind) {
    return FindIgnoringCase(ToDisplayText(strName), ToDisplayText(strFind)) >= 0;
}
