#include "PrintedPage.h"
#include "ScriptedWndPrompts.h"

#include "core/database/LockwardenDoc.h"
#include "core/resources/Resource.h"
#include "ui/app/LockwardenApp.h"
#include "ui/app/MainFrame.h"
#include "ui/framework/CommandRouter.h"
#include "ui/platform/Printers.h"
#include "ui/view/LockwardenView.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

// Printing for real, on the print service that tests/ui/print/with-cups starts: a cups-pdf queue whose
// PDFs are read back. The words of such a PDF pass through Ghostscript and are not readable as text
// there, so these tests check the page's geometry; the words are checked on Qt's own PDFs (SitePrintTest).

namespace {

const QString kQueue = QStringLiteral("LockwardenPDF");

// The application on a settings folder of its own, with scripted prompts.
class PrintTestBase : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_home.isValid());
        m_oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
    }
    void TearDown() override {
        m_pApp.reset();
        qputenv("XDG_CONFIG_HOME", m_oldConfig);
    }

    // A database of one site, protected by "pw".
    QString MakeDatabase() {
        const QString strPath = m_home.filePath(QStringLiteral("sites.lwd"));
        CAppState state;
        CScriptedPrompts prompts;
        CLockwardenDoc doc(state, prompts);
        doc.SetFileKey(CFileKey::Classic("pw"));
        doc.AddSite(std::make_unique<CSiteInfo>("alpha", "https://a.example", "ann", "secret", "one\ntwo\nthree"));
        EXPECT_TRUE(doc.OnSaveDocument(strPath));
        return strPath;
    }

    bool Start(const QStringList& args) {
        m_pApp = std::make_unique<CLockwardenApp>(m_prompts);
        return m_pApp->InitInstance(args);
    }

    QTemporaryDir m_home;
    QByteArray m_oldConfig;
    CScriptedWndPrompts m_prompts;
    std::unique_ptr<CLockwardenApp> m_pApp;
};

class PrintWithCups : public PrintTestBase {
protected:
    void SetUp() override {
        m_strOut = qEnvironmentVariable("LOCKWARDEN_PDF_OUT");
        if (m_strOut.isEmpty()) {
            const QString strWhy =
                qEnvironmentVariable("LOCKWARDEN_CUPS_MISSING", QStringLiteral("not run by with-cups"));
            if (qEnvironmentVariable("LOCKWARDEN_REQUIRE_CUPS") == QLatin1String("1"))
                FAIL() << "no print service to print on: " << strWhy.toStdString();
            GTEST_SKIP() << "no print service to print on (" << strWhy.toStdString()
                         << "); run as root through ctest, which starts one";
        }
        PrintTestBase::SetUp();
        for (const QString& strOld : QDir(m_strOut).entryList(QDir::Files))
            QFile::remove(QDir(m_strOut).filePath(strOld));
    }

    // Waits, at most half a minute, for the queue's next PDF, which appears only once it is complete.
    QString NextPdf() {
        const QDir out(m_strOut);
        QFileSystemWatcher watcher({m_strOut});
        QEventLoop loop;
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, &QEventLoop::quit);
        QStringList pdfs = out.entryList({QStringLiteral("*.pdf")}, QDir::Files);
        while (pdfs.isEmpty()) {
            loop.exec();
            pdfs = out.entryList({QStringLiteral("*.pdf")}, QDir::Files);
            if (pdfs.isEmpty() && !watcher.directories().isEmpty())
                continue;
            break;
        }
        return pdfs.isEmpty() ? QString() : out.filePath(pdfs.front());
    }

    // One page; the seven lines that show (line 5 is empty), each a whole number of line heights of the
    // queue's resolution below the first, all from one left edge. Ghostscript places each glyph to one dot
    // of its 300 dpi device, and moves the box of its re-encoded "S" to the right, so the edge is the one
    // of lines 2 to 8, and places hold to half a point.
    void ExpectTheSitesPage(const QString& strPdf) {
        ASSERT_FALSE(strPdf.isEmpty()) << "no PDF came out of the queue";
        const CPrintedPage page = CPrintedPage::Read(strPdf, 0.5);
        EXPECT_EQ(page.strError, QString());
        EXPECT_EQ(page.nPages, 1);
        std::string strLines;
        for (const CPrintedLine& line : page.lines)
            strLines += QStringLiteral("%1,%2 %3\n").arg(line.x).arg(line.y).arg(line.strText).toStdString();
        ASSERT_EQ(page.lines.size(), 7U) << strLines;
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(kQueue);
        const double h = PrintedLineHeight(printer);
        const int lineNumbers[] = {1, 2, 3, 4, 6, 7, 8};
        for (std::size_t i = 0; i < page.lines.size(); ++i) {
            if (i > 0) {
                EXPECT_NEAR(page.lines[i].x, page.lines[1].x, 0.5) << "line " << lineNumbers[i];
            }
            EXPECT_NEAR(page.lines[i].y - page.lines[0].y, (lineNumbers[i] - 1) * h, 0.5) << "line " << lineNumbers[i];
        }
        // Three quarters of an inch inside the printable area, which itself lies inside the paper's edge.
        EXPECT_GT(page.lines[1].x, 54.0);
    }

    QString m_strOut;
};

struct CommandLineCase {
    const char* name;
    QStringList args; // "FILE" stands for the database
};

class PrintFromTheCommandLine : public PrintWithCups, public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(PrintFromTheCommandLine, OpensPrintsTheShownSiteAndEndsWell) {
    const QString strFile = MakeDatabase();
    QStringList args = GetParam().args;
    args.replaceInStrings(QStringLiteral("FILE"), strFile);
    m_prompts.EnterPassword("pw");
    EXPECT_FALSE(Start(args)) << "the program ends after printing";
    EXPECT_EQ(m_pApp->m_nExitCode, 0);
    EXPECT_EQ(m_prompts.Messages(), QStringList());
    ExpectTheSitesPage(NextPdf());
}

INSTANTIATE_TEST_SUITE_P(
    Queue, PrintFromTheCommandLine,
    ::testing::Values(CommandLineCase{"DefaultPrinter", {QStringLiteral("/p"), QStringLiteral("FILE")}},
                      CommandLineCase{"NamedPrinter",
                                      {QStringLiteral("/pt"), QStringLiteral("FILE"), kQueue, QStringLiteral("driver"),
                                       QStringLiteral("port")}}),
    [](const ::testing::TestParamInfo<CommandLineCase>& info) { return std::string(info.param.name); });

TEST_F(PrintWithCups, AnUnknownPrinterIsNamedAndTheStartFails) {
    const QString strFile = MakeDatabase();
    EXPECT_FALSE(Start(
        {QStringLiteral("/pt"), strFile, QStringLiteral("NoSuchPrinter"), QStringLiteral("d"), QStringLiteral("p")}));
    EXPECT_EQ(m_pApp->m_nExitCode, 1);
    const CScriptedPrompts::Shown expected{
        QStringLiteral("Nothing was printed: there is no printer named \"NoSuchPrinter\"."), MB_ICONSTOP | MB_OK};
    EXPECT_EQ(m_prompts.MessageBoxes(), std::vector<CScriptedPrompts::Shown>{expected});
    EXPECT_TRUE(m_prompts.m_passwordFieldsShown.empty()) << "no password asked for a page that cannot print";
}

// Print Setup chooses the queue; Print, with the print dialog accepted, prints there.
TEST_F(PrintWithCups, PrintThroughTheViewGoesToThePrinterChosenInPrintSetup) {
    const QString strFile = MakeDatabase();
    m_prompts.EnterPassword("pw");
    ASSERT_TRUE(Start({strFile}));
    bool bChosen = false;
    m_prompts.ScriptDialog([&bChosen](QDialog& dlg) {
        for (QComboBox* pCombo : dlg.findChildren<QComboBox*>()) {
            const int i = pCombo->findText(kQueue);
            if (i >= 0) {
                pCombo->setCurrentIndex(i);
                bChosen = true;
            }
        }
        return IDOK;
    });
    ASSERT_TRUE(m_pApp->m_pRouter->Execute(ID_FILE_PRINT_SETUP));
    EXPECT_TRUE(bChosen);
    EXPECT_EQ(m_pApp->Printer().printerName(), kQueue);
    m_prompts.AnswerDialog(IDOK);
    ASSERT_TRUE(m_pApp->m_pRouter->Execute(ID_FILE_PRINT));
    EXPECT_EQ(m_prompts.m_dialogsShown.size(), 2);
    ExpectTheSitesPage(NextPdf());
}

// The queue made to refuse: cupsreject (it takes no jobs) or cupsdisable (it is stopped and holds them).
// Each test puts the queue back as it was.
struct RefusalCase {
    const char* name;
    const char* pszRefuse; // the command that makes the queue refuse
    const char* pszUndo;
    QString message;
};

class PrintOnARefusingQueue : public PrintWithCups, public ::testing::WithParamInterface<RefusalCase> {
protected:
    void SetUp() override {
        PrintWithCups::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_EQ(QProcess::execute(QString::fromLatin1(GetParam().pszRefuse), {kQueue}), 0);
        m_bRefusing = true;
        m_nLastJob = LastPrintJob(kQueue);
    }
    void TearDown() override {
        if (m_bRefusing) {
            EXPECT_EQ(QProcess::execute(QString::fromLatin1(GetParam().pszUndo), {kQueue}), 0);
        }
        PrintWithCups::TearDown();
    }
    static CScriptedPrompts::Shown Refused() { return {GetParam().message, MB_ICONSTOP | MB_OK}; }
    void ExpectNothingPrinted() {
        EXPECT_EQ(LastPrintJob(kQueue), m_nLastJob) << "a job was made";
        EXPECT_TRUE(QDir(m_strOut).entryList(QDir::Files).isEmpty());
    }

    bool m_bRefusing = false;
    int m_nLastJob = 0;
};

TEST_P(PrintOnARefusingQueue, TheCommandLineSaysSoAndEndsWithStatus1) {
    const QString strFile = MakeDatabase();
    for (const QStringList& args :
         {QStringList{QStringLiteral("/p"), strFile},
          QStringList{QStringLiteral("/pt"), strFile, kQueue, QStringLiteral("d"), QStringLiteral("p")}}) {
        SCOPED_TRACE(args.front().toStdString());
        m_prompts.m_shown.clear();
        EXPECT_FALSE(Start(args));
        EXPECT_EQ(m_pApp->m_nExitCode, 1);
        EXPECT_EQ(m_prompts.MessageBoxes(), std::vector<CScriptedPrompts::Shown>{Refused()});
        EXPECT_TRUE(m_prompts.m_passwordFieldsShown.empty()) << "no password asked for a page that cannot print";
        m_pApp->ExitInstance();
        m_pApp.reset();
    }
    ExpectNothingPrinted();
}

TEST_P(PrintOnARefusingQueue, PrintInTheWindowSaysSo) {
    const QString strFile = MakeDatabase();
    m_prompts.EnterPassword("pw");
    ASSERT_TRUE(Start({strFile}));
    m_pApp->Printer().setPrinterName(kQueue);
    m_prompts.AnswerDialog(IDOK);
    ASSERT_TRUE(m_pApp->m_pRouter->Execute(ID_FILE_PRINT));
    EXPECT_EQ(m_prompts.MessageBoxes(), std::vector<CScriptedPrompts::Shown>{Refused()});
    ExpectNothingPrinted();
}

INSTANTIATE_TEST_SUITE_P(
    Queue, PrintOnARefusingQueue,
    ::testing::Values(RefusalCase{"Rejecting", "cupsreject", "cupsaccept",
                                  QStringLiteral("Nothing was printed: the printer \"LockwardenPDF\" is not accepting "
                                                 "jobs.\n\nLet it accept jobs again, or choose another printer.")},
                      RefusalCase{"Stopped", "cupsdisable", "cupsenable",
                                  QStringLiteral("Nothing was printed: the printer \"LockwardenPDF\" is stopped.\n\n"
                                                 "Start it again, or choose another printer.")}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

// A page Qt reports as printed, on a queue that took it and on one that refused it after the question
// before the print: only the job the print service made counts.
TEST_F(PrintWithCups, AfterThePrintOnlyAJobTheServiceMadeCounts) {
    const auto printThroughQt = [] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(kQueue);
        EXPECT_TRUE(PrintsToService(printer));
        QPainter dc;
        EXPECT_TRUE(dc.begin(&printer));
        dc.drawText(100, 100, QStringLiteral("page"));
        EXPECT_TRUE(dc.end()) << "Qt says it printed";
    };
    const int nBefore = LastPrintJob(kQueue);
    printThroughQt();
    EXPECT_EQ(PrintJobMissing(kQueue, nBefore), QString());
    EXPECT_GT(LastPrintJob(kQueue), nBefore);
    EXPECT_FALSE(NextPdf().isEmpty());

    ASSERT_EQ(QProcess::execute(QStringLiteral("cupsreject"), {kQueue}), 0);
    const int nRefused = LastPrintJob(kQueue);
    printThroughQt();
    const QString strMissing = PrintJobMissing(kQueue, nRefused);
    EXPECT_EQ(QProcess::execute(QStringLiteral("cupsaccept"), {kQueue}), 0);
    EXPECT_TRUE(strMissing.startsWith(
        QStringLiteral("Nothing was printed: the print service made no job for \"LockwardenPDF\".\n\n")))
        << strMissing.toStdString();
    EXPECT_TRUE(strMissing.contains(QStringLiteral("not accepting jobs"))) << strMissing.toStdString();
    EXPECT_EQ(LastPrintJob(kQueue), nRefused);
}

// Print Preview paints the page for the screen only: no job is looked for, and none is made.
TEST_F(PrintWithCups, PreviewOnTheQueueMakesNoJobAndSaysNothing) {
    const QString strFile = MakeDatabase();
    m_prompts.EnterPassword("pw");
    ASSERT_TRUE(Start({strFile}));
    m_pApp->Printer().setPrinterName(kQueue);
    const int nLastJob = LastPrintJob(kQueue);
    int nPages = -1;
    m_prompts.ScriptDialog([&nPages](QDialog& dlg) {
        if (auto* pPreview = dlg.findChild<QPrintPreviewWidget*>())
            nPages = pPreview->pageCount();
        return IDCANCEL;
    });
    ASSERT_TRUE(m_pApp->m_pRouter->Execute(ID_FILE_PRINT_PREVIEW));
    EXPECT_EQ(nPages, 1);
    EXPECT_EQ(m_prompts.Messages(), QStringList());
    EXPECT_EQ(LastPrintJob(kQueue), nLastJob);
}

// Run by ctest with CUPS_SERVER on a socket where nothing listens: the print service is not running.
class PrintWithoutService : public PrintTestBase, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("LOCKWARDEN_NO_PRINT_SERVICE") != QLatin1String("1"))
            GTEST_SKIP() << "runs under ctest, with CUPS_SERVER on a socket where no print service listens";
        PrintTestBase::SetUp();
    }
};

TEST_P(PrintWithoutService, SaysSoAtOnceAndTheStartFails) {
    const QString strFile = MakeDatabase();
    QStringList args = QString::fromLatin1(GetParam()).split(QLatin1Char(' '));
    args.replaceInStrings(QStringLiteral("FILE"), strFile);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(Start(args));
    RecordProperty("milliseconds", static_cast<int>(timer.elapsed()));
    EXPECT_EQ(m_pApp->m_nExitCode, 1);
    const CScriptedPrompts::Shown expected{QStringLiteral("Nothing was printed: no printer is installed, or the print "
                                                          "service is not running.\n\nInstall a printer, or start the "
                                                          "print service (CUPS)."),
                                           MB_ICONSTOP | MB_OK};
    EXPECT_EQ(m_prompts.MessageBoxes(), std::vector<CScriptedPrompts::Shown>{expected});
    m_pApp->ExitInstance();
    EXPECT_TRUE(QFile::exists(strFile)) << "the database is left as it was";
}

INSTANTIATE_TEST_SUITE_P(NoCupsd, PrintWithoutService,
                         ::testing::Values("/p FILE", "/pt FILE LockwardenPDF driver port"));

} // namespace
