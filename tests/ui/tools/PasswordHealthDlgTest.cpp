#include "ui/tools/PasswordHealthDlg.h"

#include "BreachListFiles.h"
#include "ScriptedPrompts.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/resources/Resource.h"
#include "ui/framework/DialogBuilder.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

const char* const kStrong = "q7#Vk2!pL9xZw4";

// The report over a document the test fills, driven offscreen.
class PasswordHealthDlgTest : public ::testing::Test {
protected:
    void Add(const char* pszSite, const char* pszPswd) {
        m_doc.AddSite(std::make_unique<CSiteInfo>(pszSite, "", "", pszPswd, ""));
    }
    CPasswordHealthDlg& Open() {
        m_pDlg = std::make_unique<CPasswordHealthDlg>(m_doc, m_app, m_prompts);
        m_pDlg->show();
        return *m_pDlg;
    }
    void WaitUntilChecked() {
        for (int i = 0; i < 10000 && m_pDlg->IsChecking(); ++i)
            QCoreApplication::processEvents();
        ASSERT_FALSE(m_pDlg->IsChecking());
    }
    QTreeView* List() const { return FindControl<QTreeView>(m_pDlg.get(), IDC_HEALTH_FINDINGS); }
    QString Status() const { return FindControl<QLabel>(m_pDlg.get(), IDC_HEALTH_STATUS)->text(); }
    // The rows as "site | kind | detail".
    QStringList Rows() const {
        const QAbstractItemModel* pModel = List()->model();
        QStringList rows;
        for (int r = 0; r < pModel->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < pModel->columnCount(); ++c)
                cells << pModel->index(r, c).data().toString();
            rows << cells.join(QStringLiteral(" | "));
        }
        return rows;
    }
    QStringList Kinds() const {
        QStringList kinds;
        for (const QString& strRow : Rows())
            kinds << strRow.section(QStringLiteral(" | "), 1, 1);
        return kinds;
    }

    CAppState m_app;
    CScriptedPrompts m_prompts;
    CLockwardenDoc m_doc{m_app, m_prompts};
    std::unique_ptr<CPasswordHealthDlg> m_pDlg;
};

TEST_F(PasswordHealthDlgTest, ListsSiteKindDetailWorstFirstNamedForScreenReaders) {
    Add("mail", kStrong);
    Add("forum", "password");
    Add("shop", "");
    Add("bank", kStrong);
    Add("fine", "Zr8$mW2#kQ5!x");
    CPasswordHealthDlg& dlg = Open();
    WaitUntilChecked();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Password Health"));
    EXPECT_EQ(Rows(), (QStringList{
                          QStringLiteral("shop | empty | no password"),
                          QStringLiteral("forum | weak | very weak, about 10^0 guesses"),
                          QStringLiteral("bank | reused | same password as 1 other site: mail"),
                          QStringLiteral("mail | reused | same password as 1 other site: bank"),
                      }));
    const QAbstractItemModel* pModel = List()->model();
    EXPECT_EQ(pModel->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Site"));
    EXPECT_EQ(pModel->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Detail"));
    // Three passwords to change (none, "password" and the one mail and bank share) on four sites.
    EXPECT_EQ(Status(), QStringLiteral("3 passwords to change on 4 sites\n"
                                       "No breach list chosen: breached passwords are not looked for"));
    EXPECT_EQ(List()->accessibleName(), QStringLiteral("Passwords to change"));
    EXPECT_EQ(FindControl<QLineEdit>(&dlg, IDC_BREACH_LIST)->accessibleName(), QStringLiteral("Breach list"));
    EXPECT_EQ(FindControl<QPushButton>(&dlg, IDC_BREACH_LIST_BROWSE)->accessibleName(), QStringLiteral("Choose..."));
    EXPECT_EQ(FindControl<QPushButton>(&dlg, IDC_HEALTH_CHECK_AGAIN)->accessibleName(), QStringLiteral("Check Again"));
    EXPECT_EQ(FindControl<QLabel>(&dlg, IDC_HEALTH_STATUS)->accessibleName(), QStringLiteral("Progress"));
    for (const QString& strRow : Rows())
        EXPECT_FALSE(strRow.contains(QLatin1String(kStrong)));
}

// The strength estimates come a slice at a time: the quick findings show at once, the weak ones join them
// in their places as they are found, and the window answers in between.
TEST_F(PasswordHealthDlgTest, FillsInAsItGoesWorstFirstAtEveryStep) {
    Add("empty", "");
    for (int i = 0; i < 200; ++i)
        Add(("site" + std::to_string(i)).c_str(), ("dragon" + std::to_string(i)).c_str());
    m_app.m_strBreachList.clear();
    m_pDlg = std::make_unique<CPasswordHealthDlg>(m_doc, m_app, m_prompts);
    m_pDlg->m_nSliceMilliseconds = 0; // one piece a step
    m_pDlg->show();
    EXPECT_TRUE(m_pDlg->IsChecking());
    EXPECT_EQ(Kinds(), QStringList{QStringLiteral("empty")});
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Checking: 0 of 200 passwords"))) << Status().toStdString();
    int nSteps = 0;
    qsizetype nLastRows = Rows().size();
    while (m_pDlg->IsChecking() && nSteps < 1000) {
        QCoreApplication::processEvents();
        ++nSteps;
        const QStringList kinds = Kinds();
        ASSERT_GE(kinds.size(), nLastRows);
        nLastRows = kinds.size();
        ASSERT_EQ(kinds.value(0), QStringLiteral("empty"));
        for (qsizetype i = 1; i < kinds.size(); ++i)
            ASSERT_EQ(kinds[i], QStringLiteral("weak"));
        // The weakest first among the weak.
        const auto& findings = m_pDlg->Findings();
        for (std::size_t i = 2; i < findings.size(); ++i)
            ASSERT_LE(findings[i - 1].dRank, findings[i].dRank);
    }
    EXPECT_GE(nSteps, 200 / 16) << "filled in one piece at a time";
    EXPECT_EQ(Rows().size(), 201);
}

// A site kept after Edit while the check is under way replaces its record (the old one is destroyed) and
// leaves the count as it was: the check starts over on the records there are, never reading the old one.
TEST_F(PasswordHealthDlgTest, ASiteReplacedDuringTheCheckStartsItOver) {
    for (int i = 0; i < 200; ++i)
        Add(("site" + std::to_string(i)).c_str(), ("dragon" + std::to_string(i)).c_str());
    m_pDlg = std::make_unique<CPasswordHealthDlg>(m_doc, m_app, m_prompts);
    m_pDlg->m_nSliceMilliseconds = 0; // one piece a step
    m_pDlg->show();
    QCoreApplication::processEvents();
    ASSERT_TRUE(m_pDlg->IsChecking());
    CSiteInfo* pLast = m_doc.Sites().back().get();
    m_doc.ReplaceSite(pLast, std::make_unique<CSiteInfo>("site199", "", "", kStrong, ""));
    WaitUntilChecked();
    ASSERT_EQ(m_pDlg->Check()->Sites().size(), 200U);
    EXPECT_EQ(m_pDlg->Check()->Sites().back(), m_doc.Sites().back().get());
    EXPECT_EQ(Rows().size(), 199);
    for (const QString& strRow : Rows())
        EXPECT_FALSE(strRow.startsWith(QStringLiteral("site199 "))) << strRow.toStdString();
}

TEST_F(PasswordHealthDlgTest, ChoosingARowAsksForItsSiteAndRefreshFollowsTheDocument) {
    Add("alpha", "password");
    CSiteInfo* pBeta = m_doc.AddSite(std::make_unique<CSiteInfo>("beta", "", "", "", ""));
    Open();
    WaitUntilChecked();
    QSignalSpy chosen(m_pDlg.get(), &CPasswordHealthDlg::siteChosen);
    List()->setFocus();
    List()->setCurrentIndex(List()->model()->index(0, 0));
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].value<const CSiteInfo*>(), pBeta);

    // Nothing changed: the report stands as it is, its chosen row too.
    m_pDlg->Refresh();
    EXPECT_FALSE(m_pDlg->IsChecking());
    EXPECT_EQ(List()->currentIndex().row(), 0);

    // A site removed and one changed in place: the report follows, and the chosen row is not chosen again.
    m_doc.RemoveSite(pBeta);
    m_doc.Sites().front()->m_strPswd = kStrong;
    Add("gamma", kStrong);
    m_pDlg->Refresh();
    WaitUntilChecked();
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("alpha | reused | same password as 1 other site: gamma"),
                                   QStringLiteral("gamma | reused | same password as 1 other site: alpha")}));
    EXPECT_EQ(chosen.size(), 1);
}

// A code line that gives no code is a row of its own and a line of the status, no password to change; the
// notes count for Refresh like the other fields.
TEST_F(PasswordHealthDlgTest, AnInvalidCodeLineIsListedAndNotesEditedInPlaceAreSeen) {
    CSiteInfo* pSite = m_doc.AddSite(std::make_unique<CSiteInfo>("mail", "", "", kStrong, "totp: JBSWY3DPEHPK3PX1"));
    Open();
    WaitUntilChecked();
    EXPECT_EQ(Rows(), QStringList{QStringLiteral("mail | code | line 1 of the notes: the secret is not base32")});
    EXPECT_EQ(Status(), QStringLiteral("No password to change\n1 code lines give no one-time code\n"
                                       "No breach list chosen: breached passwords are not looked for"));

    pSite->m_strNotes = "totp: JBSWY3DPEHPK3PXP";
    m_pDlg->Refresh();
    WaitUntilChecked();
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_TRUE(Status().startsWith(QStringLiteral("No password to change\nNo breach list"))) << Status().toStdString();
}

TEST_F(PasswordHealthDlgTest, TheBreachListIsASettingChosenHere) {
    Add("forum", "password");
    QTemporaryDir dir;
    auto entries = BreachListFiles::RandomEntries(2000, 9, {"5BAA6", "00000"});
    entries.emplace_back(PasswordHashHex("password"), 9545824);
    std::sort(entries.begin(), entries.end());
    const QString strFolder = dir.filePath(QStringLiteral("ranges"));
    ASSERT_TRUE(BreachListFiles::WriteRangeFolder(strFolder, entries));
    Open();
    WaitUntilChecked();
    EXPECT_EQ(Kinds(), QStringList{QStringLiteral("weak")});

    // Choosing one of the downloaded range files chooses their folder.
    m_prompts.ChooseFile(QDir(strFolder).filePath(QStringLiteral("00000.txt")));
    QTest::mouseClick(FindControl<QPushButton>(m_pDlg.get(), IDC_BREACH_LIST_BROWSE), Qt::LeftButton);
    WaitUntilChecked();
    EXPECT_EQ(m_app.m_strBreachList, strFolder.toStdString());
    EXPECT_EQ(FindControl<QLineEdit>(m_pDlg.get(), IDC_BREACH_LIST)->text(), strFolder);
    EXPECT_EQ(Rows(), (QStringList{QStringLiteral("forum | breached | seen 9545824 times in the breach list"),
                                   QStringLiteral("forum | weak | very weak, about 10^0 guesses")}));
    // Two findings, one password to change.
    EXPECT_EQ(Status(), QStringLiteral("1 passwords to change on 1 sites"));

    // A list typed in that is not sorted: the reason shows, and no breach is claimed.
    const QString strUnsorted = dir.filePath(QStringLiteral("unsorted.txt"));
    std::reverse(entries.begin(), entries.end());
    ASSERT_TRUE(BreachListFiles::WriteBytes(strUnsorted, BreachListFiles::Lines(entries, 0)));
    QLineEdit* pEdit = FindControl<QLineEdit>(m_pDlg.get(), IDC_BREACH_LIST);
    const std::size_t nShownBefore = m_prompts.m_shown.size();
    pEdit->setFocus();
    pEdit->selectAll();
    QTest::keyClicks(pEdit, strUnsorted);
    QTest::keyClick(pEdit, Qt::Key_Return);
    WaitUntilChecked();
    EXPECT_EQ(m_app.m_strBreachList, strUnsorted.toStdString());
    EXPECT_EQ(Kinds(), QStringList{QStringLiteral("weak")});
    EXPECT_TRUE(Status().contains(QStringLiteral("Breached passwords are not looked for: the breach list ")))
        << Status().toStdString();
    EXPECT_TRUE(Status().contains(QStringLiteral("unsorted.txt is not sorted by hash: line ")))
        << Status().toStdString();
    // Enter applied the path; it opened no file dialog.
    for (std::size_t i = nShownBefore; i < m_prompts.m_shown.size(); ++i)
        EXPECT_FALSE(m_prompts.m_shown[i].strText.startsWith(QStringLiteral("open:")))
            << m_prompts.m_shown[i].strText.toStdString();
}

// The window grows with the user's wish; the Detail column is as wide as its longest text, never ending in
// "..."; sites of one name are told apart as the companion does; the summary counts passwords, not findings.
TEST_F(PasswordHealthDlgTest, ResizableWithWholeDetailsAndCountsPasswordsToChange) {
    for (int i = 0; i < 12; ++i)
        Add(("an online shop with a rather long name, number " + std::to_string(i)).c_str(), kStrong);
    Add("bank", "password");
    Add("bank", "password");
    CPasswordHealthDlg& dlg = Open();
    WaitUntilChecked();
    EXPECT_NE(dlg.minimumSize(), dlg.maximumSize());
    QTreeView* pList = List();
    const QRect rcList = pList->geometry();
    QPushButton* pAgain = FindControl<QPushButton>(&dlg, IDC_HEALTH_CHECK_AGAIN);
    const QRect rcAgain = pAgain->geometry();
    dlg.resize(dlg.size() + QSize(200, 150));
    QCoreApplication::processEvents();
    EXPECT_EQ(pList->geometry().size(), rcList.size() + QSize(200, 150));
    EXPECT_EQ(pAgain->geometry(), rcAgain.translated(200, 150));

    const QAbstractItemModel* pModel = pList->model();
    ASSERT_EQ(pModel->rowCount(), 16);
    const int nDetail = pList->header()->sectionSize(2);
    for (int r = 0; r < pModel->rowCount(); ++r) {
        const QModelIndex index = pModel->index(r, 2);
        EXPECT_LE(pList->sizeHintForIndex(index).width(), nDetail) << index.data().toString().toStdString();
        EXPECT_EQ(index.data(Qt::ToolTipRole), index.data());
    }
    // The list scrolls sideways to the end of the longest detail.
    EXPECT_GT(nDetail, pList->viewport()->width());
    EXPECT_EQ(
        Rows().filter(QStringLiteral("bank --nth 2 | reused | same password as 1 other site: bank --nth 1")).size(), 1);
    // 16 findings: two weak and reused sites, twelve reused; two passwords on 14 sites.
    EXPECT_TRUE(Status().startsWith(QStringLiteral("2 passwords to change on 14 sites"))) << Status().toStdString();
}

// A reason the list cannot be used shows whole, however long the path in it.
TEST_F(PasswordHealthDlgTest, TheBreachListsTroubleShowsWhole) {
    Add("forum", "password");
    m_app.m_strBreachList = "/no/such/folder/of/downloads/with/a/rather/long/name/for/the/breach/list/"
                            "that/the/user/typed/pwned-passwords-sha1-ordered-by-hash-v8.txt";
    CPasswordHealthDlg& dlg = Open();
    WaitUntilChecked();
    QLabel* pStatus = FindControl<QLabel>(&dlg, IDC_HEALTH_STATUS);
    ASSERT_TRUE(pStatus->toolTip().contains(QStringLiteral("cannot be read"))) << pStatus->toolTip().toStdString();
    EXPECT_TRUE(pStatus->toolTip().contains(QString::fromStdString(m_app.m_strBreachList)));
    const QRect rcNeeded =
        pStatus->fontMetrics().boundingRect(QRect(0, 0, pStatus->width(), 100000), Qt::TextWordWrap, pStatus->text());
    EXPECT_LE(rcNeeded.width(), pStatus->width());
    EXPECT_LE(rcNeeded.height(), pStatus->height());
    // The list makes room for it, and the status line stays inside the window.
    EXPECT_LE(List()->geometry().bottom(), pStatus->geometry().top());
    EXPECT_LE(pStatus->geometry().bottom(), dlg.height());
}

} // namespace
