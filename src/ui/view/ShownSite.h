#pragma once

#include <string>

class CSiteInfo;
class CSiteListModel;

// What tells the site on show across a change of the records under it (a lock, a reload, the file opened
// again): its record while that lives on, else its name and its place among the sites of that name in list
// order, so the same one of several "Bank" sites comes back. The name is wiped when it is forgotten.
class CShownSite {
public:
    // Whether the records outlive the change: only then is the record itself kept (a record read anew may
    // take a destroyed one's address).
    enum class ERecords { stay, go };

    CShownSite() = default;
    CShownSite(const CSiteListModel& list, int nRow, ERecords records);
    // A site remembered by its name alone (the settings): the first whose name, trimmed, lies within it.
    static CShownSite Remembered(std::string strName);
    CShownSite(const CShownSite&) = delete;
    CShownSite& operator=(const CShownSite&) = delete;
    CShownSite(CShownSite&& other) noexcept;
    CShownSite& operator=(CShownSite&& other) noexcept;
    ~CShownSite() { Forget(); }

    bool IsEmpty() const { return m_pSite == nullptr && m_strName.empty(); }
    // The row that shows it in list now: its record, else its name at its place (the last of that name when
    // fewer are left); -1 when none.
    int FindIn(const CSiteListModel& list) const;
    // The record it was taken from, while the records stay; null otherwise.
    const CSiteInfo* Record() const { return m_pSite; }
    // The records went (a lock that dropped them): only the name and place are left to look for.
    void LoseRecord() { m_pSite = nullptr; }
    void Forget();

private:
    const CSiteInfo* m_pSite = nullptr;
    std::string m_strName;
    int m_nPlace = 0;
    bool m_bLoose = false; // remembered: the name lies within m_strName
};
