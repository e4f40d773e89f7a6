#include "ui/view/SiteFind.h"

#include "core/tools/SiteNameMatch.h"
#include "ui/view/SiteListModel.h"

int FindInSiteList(const CSiteListModel& model, int nCurrent, const std::string& strText, int& pos, int nStep,
                   int nOffset) {
    const int count = model.Count();
    if (strText.empty() || count <= 0 || nCurrent < 0)
        return -1;
    nStep = (nStep > 0) - (nStep < 0);
    const CSiteNameFinder finder(strText); // folded once, not once per entry
    // Reduced into the list at once, so no offset can overflow the sum.
    int i = static_cast<int>((static_cast<long long>(nCurrent) + nOffset) % count);
    for (int n = 0; n < count; ++n) {
        i = (i + count) % count;
        const qsizetype nAt = finder.FindIn(model.ReadyNameAt(i));
        pos = static_cast<int>(nAt);
        if (nAt >= 0)
            return i;
        i += nStep;
    }
    return -1;
}
