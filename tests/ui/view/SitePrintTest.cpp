#include "PrintedPage.h"
#include "ScriptedWndPrompts.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/resources/Resource.h"
#include "ui/framework/CommandRouter.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/LockwardenView.h"
#include "ui/view/SitePrint.h"

#include <QComboBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

namespace {

// A view whose printer writes a PDF file, read back as numbered lines: line n of the page is the text
// whose top lies n - 1 line heights below the first line's.
class SitePrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(PdfPath());
        // The margins measured are then the page's own, from the paper's edge.
        m_printer.setFullPage(true);
    }

    void Open(const std::string& strNotes, const std::string& strPswd = "pw12") {
        m_doc.AddSite(std::make_unique<CSiteInfo>("zulu", "https://z.example", "zed", "zz", "z"));
        m_doc.AddSite(std::make_unique<CSiteInfo>("alpha", "https://a.example", "ann", strPswd, strNotes));
        m_app.m_strSiteName = "alpha";
        m_view.OnInitialUpdate();
    }

    QString PdfPath() const { return m_dir.filePath(QStringLiteral("page.pdf")); }

    // Prints and reads back the numbered lines; checks the geometry that every page shares on the way.
    std::map<int, QString> PrintedLines() {
        EXPECT_TRUE(m_sitePrinter.OnFilePrintDirect());
        const CPrintedPage page = CPrintedPage::Read(PdfPath());
        EXPECT_EQ(page.strError, QString());
        EXPECT_EQ(page.nPages, 1);
        std::map<int, QString> lines;
        if (page.lines.empty()) {
            ADD_FAILURE() << "nothing printed";
            return lines;
        }
        const double h = PrintedLineHeight(m_printer);
        const double y1 = page.lines.front().y;
        for (const CPrintedLine& line : page.lines) {
            // Three quarters of an inch from the paper's left edge, for every line.
            EXPECT_NEAR(line.x, 54.0, 0.05) << line.strText.toStdString();
            const double steps = (line.y - y1) / h;
            EXPECT_NEAR(steps, std::round(steps), 0.01) << line.strText.toStdString();
            lines[static_cast<int>(std::lround(steps)) + 1] = line.strText;
        }
        return lines;
    }

    QTemporaryDir m_dir;
    CAppPrinter m_appPrinter;
    QPrinter& m_printer = m_appPrinter.Get();
    CAppState m_app;
    CScriptedWndPrompts m_prompts;
    CLockwardenDoc m_doc{m_app, m_prompts};
    CSecretClipboard m_clipboard;
    CLockwardenView m_view{m_doc, m_app, m_prompts, m_clipboard};
    CSitePrinter m_sitePrinter{m_view, m_prompts, m_appPrinter};
};

std::map<int, QString> Labelled(std::map<int, QString> notes, const QString& strPswd = QStringLiteral("****")) {
    notes[1] = QStringLiteral("Site: alpha");
    notes[2] = QStringLiteral("URL: https://a.example");
    notes[3] = QStringLiteral("User: ann");
    notes[4] = QStringLiteral("Pswd: ") + strPswd;
    return notes;
}

struct NotesCase {
    const char* name;
    std::string strNotes;
    std::map<int, QString> expected; // the visible lines from the sixth on
};

class SitePrintNotes : public SitePrintTest, public ::testing::WithParamInterface<NotesCase> {};

TEST_P(SitePrintNotes, PrintsTheLabelledLinesThenOneLineForEachLineOfTheNotes) {
    Open(GetParam().strNotes);
    EXPECT_EQ(PrintedLines(), Labelled(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Notes, SitePrintNotes,
    ::testing::Values(NotesCase{"CrLfBetween", "a\r\nb", {{6, QStringLiteral("a")}, {7, QStringLiteral("b")}}},
                      // Line 7 is drawn empty: nothing shows after a.
                      NotesCase{"CrLfAtTheEnd", "a\r\n", {{6, QStringLiteral("a")}}}, NotesCase{"Empty", "", {}},
                      NotesCase{"TwoLineFeeds", "a\n\nb", {{6, QStringLiteral("a")}, {8, QStringLiteral("b")}}},
                      NotesCase{"LoneCarriageReturnIsIgnored", "a\rb\r", {{6, QStringLiteral("ab")}}},
                      NotesCase{"LeadingLineFeed", "\nx", {{7, QStringLiteral("x")}}},
                      NotesCase{"WordsKeepTheirBlanks",
                                "two  blanks\nlast",
                                {{6, QStringLiteral("two blanks")}, {7, QStringLiteral("last")}}}),
    [](const ::testing::TestParamInfo<NotesCase>& info) { return std::string(info.param.name); });

// A tab is exactly eight blanks wherever it stands: each tabbed line prints its words where a twin line
// written with eight literal blanks prints them (one blank more or less moves a word by three points).
TEST_F(SitePrintTest, ATabIsEightBlanksWhereverItStands) {
    Open("x\ty\nx        y\n\tz\n        z\nab\t\tw\nab                w\ncd\t\n");
    EXPECT_TRUE(m_sitePrinter.OnFilePrintDirect());
    const CPrintedPage page = CPrintedPage::Read(PdfPath());
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), PdfPath(), QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    const QString strOut = QString::fromUtf8(pdftotext.readAllStandardOutput());
    // Where each word begins, in order.
    std::vector<std::pair<QString, double>> words;
    static const QRegularExpression word(QStringLiteral(R"re(<word xMin="([\d.]+)"[^>]*>([^<]*)</word>)re"));
    for (auto it = word.globalMatch(strOut); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        words.emplace_back(m.captured(2), m.captured(1).toDouble());
    }
    const auto xOf = [&words](const QString& strWord, int nOccurrence) {
        for (const auto& [strText, x] : words) {
            if (strText == strWord && nOccurrence-- == 0)
                return x;
        }
        return -1.0;
    };
    const double space = PrintedLineHeight(m_printer) / 4; // far above any rounding, far below a blank's width
    for (const char* psz : {"y", "z", "w"}) {
        const QString strWord = QString::fromLatin1(psz);
        ASSERT_GT(xOf(strWord, 1), 0.0) << psz;
        EXPECT_NEAR(xOf(strWord, 0), xOf(strWord, 1), 0.01) << psz;
        EXPECT_GT(xOf(strWord, 0) - 54.0, space) << psz << " stands after blanks";
    }
    EXPECT_EQ(page.lines.back().strText, QStringLiteral("cd")) << "a tab at the end adds no word";
}

TEST_F(SitePrintTest, PrintsInArialThatIsLiberationSansHere) {
    Open("n");
    QFont font(QStringLiteral("Arial"));
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans"))
        << "fonts-liberation gives Arial's metrics (scripts/setup installs it)";
    EXPECT_TRUE(m_sitePrinter.OnFilePrintDirect());
    QProcess pdffonts;
    pdffonts.start(QStringLiteral("pdffonts"), {PdfPath()});
    ASSERT_TRUE(pdffonts.waitForFinished(30000));
    EXPECT_TRUE(pdffonts.readAllStandardOutput().contains("LiberationSans"));
}

TEST_F(SitePrintTest, ThePasswordIsMaskedWhileBrowsingAndPlainAfterEdit) {
    Open("n", "s3cret");
    EXPECT_EQ(PrintedLines(), Labelled({{6, QStringLiteral("n")}}, QStringLiteral("******")));
    m_view.OnSiteEdit();
    EXPECT_EQ(PrintedLines(), Labelled({{6, QStringLiteral("n")}}, QStringLiteral("s3cret")));
}

// The values are the view's members: typing changes nothing until the form is pulled, and right after
// Add the fields print empty while the first line names the site shown before.
TEST_F(SitePrintTest, PrintsTheMembersNotTheControls) {
    Open("n");
    m_view.OnSiteAdd();
    m_view.SiteList()->setEditText(QStringLiteral("typed"));
    const std::map<int, QString> afterAdd = {{1, QStringLiteral("Site: alpha")},
                                             {2, QStringLiteral("URL:")},
                                             {3, QStringLiteral("User:")},
                                             {4, QStringLiteral("Pswd:")}};
    EXPECT_EQ(PrintedLines(), afterAdd);
    m_view.OnSiteCancel();
    m_view.OnSiteEdit();
    m_view.findChild<QLineEdit*>(QStringLiteral("IDC_%1").arg(IDC_USER))->setText(QStringLiteral("typed"));
    EXPECT_EQ(PrintedLines(), Labelled({{6, QStringLiteral("n")}}, QStringLiteral("pw12")));
    m_view.UpdateData(true);
    std::map<int, QString> pulled = Labelled({{6, QStringLiteral("n")}}, QStringLiteral("pw12"));
    pulled[3] = QStringLiteral("User: typed");
    EXPECT_EQ(PrintedLines(), pulled);
}

TEST_F(SitePrintTest, NotesLongerThanThePageStayOnOnePage) {
    std::string strNotes;
    for (int i = 1; i <= 150; ++i)
        strNotes += "line " + std::to_string(i) + "\n";
    Open(strNotes);
    std::map<int, QString> lines = PrintedLines();
    ASSERT_FALSE(lines.empty());
    // What fits shows, in order; nothing goes on to a second page (checked in PrintedLines).
    EXPECT_EQ(lines[6], QStringLiteral("line 1"));
    EXPECT_LT(lines.rbegin()->first, 150);
}

TEST_F(SitePrintTest, DirectPrintOfAnEmptyListPrintsTheLabelsAlone) {
    m_view.OnInitialUpdate();
    const std::map<int, QString> labels = {{1, QStringLiteral("Site:")},
                                           {2, QStringLiteral("URL:")},
                                           {3, QStringLiteral("User:")},
                                           {4, QStringLiteral("Pswd:")}};
    EXPECT_EQ(PrintedLines(), labels);
}

TEST_F(SitePrintTest, AJobThatCannotStartIsReported) {
    Open("n");
    m_printer.setOutputFileName(m_dir.filePath(QStringLiteral("no-such-folder/page.pdf")));
    EXPECT_FALSE(m_sitePrinter.OnFilePrintDirect());
    const CScriptedPrompts::Shown expected{
        QStringLiteral("The page could not be printed on \"%1\".").arg(m_printer.outputFileName()),
        MB_ICONSTOP | MB_OK};
    EXPECT_EQ(m_prompts.MessageBoxes(), std::vector<CScriptedPrompts::Shown>{expected});
}

// Print and Print Preview need a site, in either mode; the direct print has no rule.
TEST_F(SitePrintTest, PrintAndPreviewAreEnabledExactlyWhileTheListHasSites) {
    CCommandRouter router;
    m_view.RegisterCommands(router);
    m_sitePrinter.RegisterCommands(router);
    const auto enabled = [&router](int nID) { return router.Query(nID).m_bEnabled; };
    m_view.OnInitialUpdate();
    ASSERT_FALSE(m_view.IsBrowsing());
    for (int nID : {ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW})
        EXPECT_FALSE(enabled(nID)) << "empty list, data entry: " << nID;
    EXPECT_TRUE(enabled(ID_FILE_PRINT_DIRECT));
    m_view.OnSiteAdd();
    m_view.SiteList()->setEditText(QStringLiteral("first"));
    m_view.OnSiteKeep();
    ASSERT_TRUE(m_view.IsBrowsing());
    for (int nID : {ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW})
        EXPECT_TRUE(enabled(nID)) << "browsing: " << nID;
    m_view.OnSiteAdd();
    for (int nID : {ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW})
        EXPECT_TRUE(enabled(nID)) << "adding: " << nID;
    m_view.OnSiteCancel();
    m_view.OnSiteEdit();
    for (int nID : {ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW})
        EXPECT_TRUE(enabled(nID)) << "editing: " << nID;
}

// The preview runs through the prompts seam, shows one page, and prints nothing by itself.
TEST_F(SitePrintTest, PreviewShowsOnePage) {
    Open("a\nb");
    int nPages = -1;
    m_prompts.ScriptDialog([&nPages](QDialog& dlg) {
        if (auto* pPreview = dlg.findChild<QPrintPreviewWidget*>())
            nPages = pPreview->pageCount();
        return IDCANCEL;
    });
    m_sitePrinter.OnFilePrintPreview();
    EXPECT_EQ(nPages, 1);
    EXPECT_EQ(m_prompts.m_dialogsShown.size(), 1);
    EXPECT_FALSE(QFile::exists(PdfPath()));
}

// Print runs the print dialog through the seam; Cancel prints nothing, OK prints the page.
TEST_F(SitePrintTest, PrintAsksThePrintDialogFirst) {
    Open("a");
    m_prompts.AnswerDialog(IDCANCEL);
    m_sitePrinter.OnFilePrint();
    EXPECT_FALSE(QFile::exists(PdfPath()));
    m_prompts.AnswerDialog(IDOK);
    m_sitePrinter.OnFilePrint();
    const CPrintedPage page = CPrintedPage::Read(PdfPath());
    EXPECT_EQ(page.nPages, 1);
    ASSERT_EQ(page.lines.size(), 5U);
    EXPECT_EQ(page.lines[0].strText, QStringLiteral("Site: alpha"));
}

} // namespace
