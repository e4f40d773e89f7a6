#pragma once

#include "core/tools/SiteConflicts.h"

#include <QDialog>
#include <QObject>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

class CCommandRouter;
class CLockwardenDoc;
class CLockwardenView;
class CSiteInfo;
class CWndPrompts;
class QTreeView;

// "Resolve Conflicts": the pairs of same-name sites whose logins differ, listed as "Bank: 1 of 3", and the
// chosen pair side by side: site, URL, user name, password (masked unless "Show passwords" is checked) and
// notes. A field that differs is marked in more than colour: its label starts with "≠", the label and both
// values are bold, and the values tell a screen reader "differs". Keep Left or Keep Right removes the other
// version (with any exact copies of it) through the document; Keep Both settles the pair and changes
// nothing; Skip goes on to the next pair. The pairs follow the document, whoever changes it.
class CResolveConflictsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CResolveConflictsDlg(CLockwardenDoc& doc, QWidget* pParent = nullptr);
    ~CResolveConflictsDlg() override;

    // The pairs as the list shows them, and the row chosen (-1 when none).
    QStringList PairTexts() const;
    int CurrentRow() const;

private:
    class CPairsModel;
    // One pair of the list: the conflict's index, the pair's index in it, and its number among the pairs of
    // the conflict still listed.
    struct CRow {
        std::size_t nConflict;
        std::size_t nPair;
        std::size_t nNumber;
        std::size_t nCount;
    };
    // Both sites of a pair kept: the first site of each version, left and right.
    using CSettled = std::pair<const CSiteInfo*, const CSiteInfo*>;

    // The conflicts found anew in the document, less the pairs kept both; the row nRow (or the last) chosen.
    void Rebuild(int nRow);
    void ShowPair();
    void ShowPassword();
    void Keep(bool bLeft);
    void KeepBoth();
    void Skip();
    const std::vector<const CSiteInfo*>& Version(const CRow& row, bool bLeft) const;
    CSettled SettledOf(const CRow& row) const;

    CLockwardenDoc& m_doc;
    std::vector<CSiteConflict> m_conflicts;
    std::vector<CRow> m_rows;
    std::set<CSettled> m_settled;
    CPairsModel* m_pModel = nullptr;
    QTreeView* m_pPairs = nullptr;
    bool m_bRemoving = false; // this window is removing sites: the pairs are found again once it is done
};

// View > Resolve Conflicts...: enabled while browsing and same-name sites differ, and offered after a merge
// that added versions of names already there.
class CResolveConflictsCommand : public QObject {
    Q_OBJECT
public:
    CResolveConflictsCommand(CLockwardenView& view, CLockwardenDoc& doc, CWndPrompts& prompts);

    void RegisterCommands(CCommandRouter& router);
    bool CanResolve() const;
    void OnResolveConflicts();

public Q_SLOTS:
    // "Same-name sites differ after the merge. Resolve them now?": Yes opens the window.
    void OfferAfterMerge();

private:
    bool HasConflicts() const;

    CLockwardenView& m_view;
    CLockwardenDoc& m_doc;
    CWndPrompts& m_prompts;
    // The answer for the document's revision it was found on: the menu asks after every command.
    mutable std::uint64_t m_nRevision = UINT64_MAX;
    mutable bool m_bHasConflicts = false;
};
