// The site on show found again after the records change under it: by its record while that lives, else by
// its name and its place among the sites of that name.
#include "ui/view/ShownSite.h"

#include "core/database/SiteInfo.h"
#include "ui/view/SiteListModel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Sites named as given, each told apart by its notes; listed in the program's order.
struct CList {
    explicit CList(const std::vector<std::string>& names) {
        for (std::size_t i = 0; i < names.size(); ++i)
            sites.push_back(std::make_unique<CSiteInfo>(names[i], "", "", "", "#" + std::to_string(i)));
        list.Reset(sites);
    }
    int RowOfNotes(const std::string& strNotes) const {
        for (int i = 0; i < list.Count(); ++i)
            if (list.At(i)->m_strNotes == strNotes)
                return i;
        return -1;
    }
    std::string NotesAt(int nRow) const { return nRow < 0 ? std::string("none") : list.At(nRow)->m_strNotes; }
    CSiteArray sites;
    CSiteListModel list;
};

TEST(ShownSite, ANameAndItsPlaceFindTheSameOfSeveralNamesakesInARecordSetReadAnew) {
    // "bank" sorts among the "Bank"s; the place counts only the very name.
    const std::vector<std::string> names{"Bank", "bank", "Bank", "alpha", "Bank", "zeta"};
    struct Case {
        std::string strShownNotes;           // the site shown before
        std::vector<std::string> afterNames; // the records read anew
        std::string strExpectedNotes;        // what is shown after
    };
    const std::vector<Case> cases = {
        {"#2", names, "#2"},                            // the second "Bank"
        {"#4", names, "#4"},                            // the third
        {"#1", names, "#1"},                            // "bank" itself
        {"#4", {"Bank", "bank", "Bank", "zeta"}, "#2"}, // fewer left: the last of that name
        {"#3", {"Bank", "zeta"}, "none"},               // gone altogether
        {"#5", {"zeta", "Bank", "zeta", "ZETA"}, "#0"}, // the first "zeta" of the new set
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strShownNotes);
        const CList before(names);
        const CShownSite shown(before.list, before.RowOfNotes(c.strShownNotes), CShownSite::ERecords::go);
        EXPECT_EQ(shown.Record(), nullptr);
        const CList after(c.afterNames);
        EXPECT_EQ(after.NotesAt(shown.FindIn(after.list)), c.strExpectedNotes);
    }
}

TEST(ShownSite, ARecordThatStaysIsFoundWhereverItMovedAndALostOneByItsName) {
    CList records({"Bank", "Bank", "Mail"});
    CShownSite shown(records.list, records.RowOfNotes("#1"), CShownSite::ERecords::stay);
    ASSERT_EQ(shown.Record(), records.sites[1].get());
    // Renamed in the meantime: the record itself is still the one.
    records.sites[1]->m_strSite = "Aardvark";
    records.list.Reset(records.sites);
    EXPECT_EQ(records.NotesAt(shown.FindIn(records.list)), "#1");

    // Its records dropped (a lock that wipes them): only the name and place are left, here "Bank", second.
    CShownSite byName(records.list, records.RowOfNotes("#0"), CShownSite::ERecords::stay);
    byName.LoseRecord();
    const CList after({"Mail", "Bank"});
    EXPECT_EQ(after.NotesAt(byName.FindIn(after.list)), "#1");

    // Moved away, it leaves nothing behind.
    const CShownSite moved(std::move(byName));
    EXPECT_TRUE(byName.IsEmpty()); // NOLINT(bugprone-use-after-move): what is left behind is the point
    EXPECT_FALSE(moved.IsEmpty());
}

TEST(ShownSite, ARememberedNameFindsTheFirstSiteWhoseTrimmedNameLiesWithinIt) {
    const CList list({"  Mail ", "Bank", "Mailbox"});
    const struct {
        std::string strRemembered;
        std::string strExpectedNotes;
    } cases[] = {{"Mailbox", "#0"}, {"Bank", "#1"}, {"Shop", "none"}, {"", "none"}, {"My Bank account", "#1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.strRemembered);
        EXPECT_EQ(list.NotesAt(CShownSite::Remembered(c.strRemembered).FindIn(list.list)), c.strExpectedNotes);
    }
}

TEST(ShownSite, NothingShownFindsNothing) {
    const CList list({"Bank"});
    EXPECT_EQ(CShownSite(list.list, -1, CShownSite::ERecords::stay).FindIn(list.list), -1);
    EXPECT_EQ(CShownSite(list.list, 1, CShownSite::ERecords::stay).FindIn(list.list), -1);
    EXPECT_EQ(CShownSite().FindIn(list.list), -1);
}

} // namespace
