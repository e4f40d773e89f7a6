#include "ui/view/ShownSite.h"

#include "core/platform/SecureWipe.h"
#include "core/platform/Text.h"
#include "ui/view/SiteListModel.h"

#include <utility>

CShownSite::CShownSite(const CSiteListModel& list, int nRow, ERecords records) {
    if (nRow < 0 || nRow >= list.Count())
        return;
    const CSiteInfo* pSite = list.At(nRow);
    if (records == ERecords::stay)
        m_pSite = pSite;
    m_strName = pSite->m_strSite;
    // Names the list holds equal ("Bank", "bank") may stand between sites of this very name.
    for (int i = 0; i < nRow; ++i)
        if (list.At(i)->m_strSite == m_strName)
            ++m_nPlace;
}

CShownSite CShownSite::Remembered(std::string strName) {
    CShownSite shown;
    shown.m_strName = std::move(strName);
    shown.m_bLoose = true;
    return shown;
}

CShownSite::CShownSite(CShownSite&& other) noexcept
    : m_pSite(std::exchange(other.m_pSite, nullptr)), m_strName(std::move(other.m_strName)),
      m_nPlace(std::exchange(other.m_nPlace, 0)), m_bLoose(std::exchange(other.m_bLoose, false)) {
    other.m_strName.clear();
}

CShownSite& CShownSite::operator=(CShownSite&& other) noexcept {
    if (this != &other) {
        Forget();
        m_pSite = std::exchange(other.m_pSite, nullptr);
        m_strName = std::move(other.m_strName);
        other.m_strName.clear();
        m_nPlace = std::exchange(other.m_nPlace, 0);
        m_bLoose = std::exchange(other.m_bLoose, false);
    }
    return *this;
}

int CShownSite::FindIn(const CSiteListModel& list) const {
    if (m_pSite != nullptr) {
        if (const int i = list.IndexOf(m_pSite); i >= 0)
            return i;
    }
    if (m_strName.empty())
        return -1;
    if (m_bLoose) {
        for (int i = 0; i < list.Count(); ++i)
            if (m_strName.find(TrimWhiteSpace(list.At(i)->m_strSite)) != std::string::npos)
                return i;
        return -1;
    }
    int nFound = -1;
    int nSeen = 0;
    for (int i = 0; i < list.Count(); ++i) {
        if (list.At(i)->m_strSite != m_strName)
            continue;
        nFound = i;
        if (nSeen++ == m_nPlace)
            break;
    }
    return nFound;
}

void CShownSite::Forget() {
    m_pSite = nullptr;
    WipeString(m_strName);
    m_nPlace = 0;
    m_bLoose = false;
}
