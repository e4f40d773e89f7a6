#pragma once

#include <string>

class CSiteListModel;

// Find over the site list: the list position of the first entry whose name holds strText ignoring case
// (folded as the site order folds), searched from nCurrent + nOffset in steps of nStep's sign around
// the list; -1 when none, when strText is empty or when there is no current entry. pos receives where
// the match begins in the entry's displayed name, in QString units.
int FindInSiteList(const CSiteListModel& model, int nCurrent, const std::string& strText, int& pos, int nStep,
                   int nOffset);
