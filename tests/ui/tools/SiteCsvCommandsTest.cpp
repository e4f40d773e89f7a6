#include "DocScene.h"
#include "ScriptedWndPrompts.h"

#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/tools/SiteImport.h"
#include "ui/framework/CommandRouter.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/tools/ImportDlg.h"
#include "ui/tools/SiteCsvCommands.h"
#include "ui/view/LockwardenView.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Fields = std::array<std::string, 5>;

// A shown view on a document of sites, with the CSV commands over them and scripted prompts.
struct CCsvScene {
    CAppState app;
    CScriptedWndPrompts prompts;
    CLockwardenDoc doc{app, prompts};
    CSecretClipboard clipboard;
    CLockwardenView view{doc, app, prompts, clipboard};
    CSiteCsvCommands csv{view, doc, prompts};
    QTemporaryDir dir;

    explicit CCsvScene(const std::vector<Fields>& sites) {
        for (const Fields& f : sites)
            doc.AddSite(std::make_unique<CSiteInfo>(f[0], f[1], f[2], f[3], f[4]));
        doc.SetTitle(QStringLiteral("vault.lwd"));
        doc.SetModifiedFlag(false);
        view.show();
        view.OnInitialUpdate();
    }
    QString Path(const char* pszName) const { return dir.filePath(QString::fromLatin1(pszName)); }
    std::vector<Fields> Sites() const {
        std::vector<Fields> sites;
        for (const auto& p : doc.Sites())
            sites.push_back({p->m_strSite, p->m_strURL, p->m_strUser, p->m_strPswd, p->m_strNotes});
        return sites;
    }
};

unsigned ModeOf(const QString& strPath) {
    struct stat st {};
    return ::stat(QFile::encodeName(strPath).constData(), &st) == 0 ? st.st_mode : 0;
}

const Fields kAlpha = {"alpha", "https://alpha.example", "ann", "a-pass", ""};

} // namespace

// Import shows what it would add before anything changes; OK adds through the document (modified, the list
// shows them), and the offer to delete the export says No by default.
TEST(SiteCsvCommands, ImportAddsEveryRowAndMarksTheDocumentModified) {
    CCsvScene scene({kAlpha});
    const QString strCsv = scene.Path("in.csv");
    WriteFile(strCsv, "Site,URL,User,Password,Notes\r\nbeta,,bob,\"b,\"\"pass\"\"\",\"two\r\nlines\"\nalpha,,,x,\n");
    scene.prompts.ChooseFile(strCsv);
    scene.prompts.AnswerDialog(IDOK);

    scene.csv.OnImport();

    EXPECT_EQ(scene.prompts.m_shown.front().strText, QStringLiteral("open:"));
    EXPECT_EQ(scene.prompts.m_dialogsShown, QStringList{QStringLiteral("Import")});
    EXPECT_EQ(scene.prompts.Messages(),
              QStringList{QStringLiteral("Added 2 sites from in.csv and skipped 0 identical.\n\nin.csv holds every "
                                         "password in clear text. Overwrite and delete it now?")});
    EXPECT_EQ(scene.prompts.MessageBoxes().back().nType, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_EQ(
        scene.Sites(),
        (std::vector<Fields>{kAlpha, {"beta", "", "bob", "b,\"pass\"", "two\r\nlines"}, {"alpha", "", "", "x", ""}}));
    EXPECT_TRUE(scene.doc.IsModified());
    EXPECT_EQ(scene.view.SiteList()->count(), 3);
    EXPECT_TRUE(QFile::exists(strCsv));
}

// The preview: the rows to add with the password masked and the notes as they will be stored, the counts and
// the conflicts. Cancel changes nothing; OK and Yes add, then overwrite and delete the export.
TEST(SiteCsvCommands, ImportPreviewsRowsAndCountsAndCancelChangesNothing) {
    const Fields kExample = {"example.com", "https://example.com", "old", "old-pw", ""};
    CCsvScene scene({kAlpha, kExample, {"Plain", "", "", "", ""}});
    const QString strJson = scene.Path("export.json");
    QFile::copy(QStringLiteral(LOCKWARDEN_TEST_DATA "/import/bitwarden.json"), strJson);

    QStringList seen;
    auto look = [&seen](QDialog& dlg) {
        auto& import = static_cast<CImportDlg&>(dlg);
        for (int nRow = 0; nRow < 2; ++nRow)
            for (int nColumn = 0; nColumn < 5; ++nColumn)
                seen << import.CellText(nRow, nColumn);
        for (int nId : {IDC_IMPORT_SOURCE, IDC_IMPORT_COUNTS, IDC_IMPORT_CONFLICTS})
            seen << FindControl<QLabel>(&dlg, nId)->text();
        seen << FindControl<QTreeView>(&dlg, IDC_IMPORT_ROWS)->accessibleName();
    };
    scene.prompts.ChooseFile(strJson);
    scene.prompts.ScriptDialog([&](QDialog& dlg) {
        look(dlg);
        return IDCANCEL;
    });
    scene.csv.OnImport();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("example.com"), QStringLiteral("https://example.com"),
                                 QStringLiteral("ann"), QStringLiteral("****"),
                                 QStringLiteral("line one / line \"two\" / URL: https://sso.example.com / PIN: 1234 / "
                                                "Folder: Work / Favorite: yes / Created: 2024-01-01T00:00:00.000Z / "
                                                "Modified: 2024-02-01T00:00:00.000Z / "
                                                "otpauth://totp/example.com?secret=JBSWY3DPEHPK3PXP"),
                                 QStringLiteral("Wifi"), QString(), QString(), QString(), QStringLiteral("SSID: home"),
                                 QStringLiteral("Sites to add from export.json, read as Bitwarden JSON:"),
                                 QStringLiteral("To add: 3    Skipped identical: 1    Conflicts: 2    "
                                                "Skipped not logins: 2"),
                                 QStringLiteral("Both versions are kept of: example.com, Plain"),
                                 QStringLiteral("Sites to add")}))
        << seen.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scene.Sites(), (std::vector<Fields>{kAlpha, kExample, {"Plain", "", "", "", ""}}));
    EXPECT_FALSE(scene.doc.IsModified());
    EXPECT_EQ(scene.prompts.Messages(), QStringList());

    scene.prompts.ChooseFile(strJson);
    scene.prompts.AnswerDialog(IDOK);
    scene.prompts.AnswerMessage(IDYES);
    scene.csv.OnImport();
    EXPECT_EQ(scene.Sites().size(), 6u);
    EXPECT_EQ(scene.Sites()[3][0], "example.com");
    EXPECT_EQ(scene.Sites()[5], (Fields{"Plain", "", "", "", "Reprompt: yes"}));
    EXPECT_TRUE(scene.doc.IsModified());
    EXPECT_FALSE(QFile::exists(strJson));
}

// The format list reads the file again as the format chosen: one that cannot read it says why and holds OK
// back; choosing again shows the rows again, and OK adds what the list shows. The list is named by its label,
// which also takes the keyboard to it.
TEST(SiteCsvCommands, ImportFormatChoiceReadsTheFileAgain) {
    CCsvScene scene({kAlpha});
    const QString strCsv = scene.Path("in.csv");
    WriteFile(strCsv, "name,url,username,password\nbeta,https://b.example,bob,pw\n");
    const auto indexOf = [](SiteImport::EFormat format) {
        const auto& formats = SiteImport::Formats();
        for (std::size_t i = 0; i < formats.size(); ++i)
            if (formats[i].format == format)
                return static_cast<int>(i) + 1;
        return -1;
    };
    QStringList seen;
    scene.prompts.ChooseFile(strCsv);
    scene.prompts.ScriptDialog([&](QDialog& dlg) {
        auto& import = static_cast<CImportDlg&>(dlg);
        auto* pFormat = FindControl<QComboBox>(&dlg, IDC_IMPORT_FORMAT);
        auto* pOk = FindControl<QWidget>(&dlg, IDOK);
        const auto look = [&] {
            seen << FindControl<QLabel>(&dlg, IDC_IMPORT_SOURCE)->text()
                 << FindControl<QLabel>(&dlg, IDC_IMPORT_COUNTS)->text() << QString::number(import.RowCount())
                 << (pOk->isEnabled() ? QStringLiteral("OK") : QStringLiteral("no OK"));
        };
        EXPECT_EQ(pFormat->accessibleName(), QStringLiteral("Format"));
        EXPECT_TRUE(pFormat->focusPolicy() & Qt::TabFocus);
        const QList<QLabel*> labels = dlg.findChildren<QLabel*>();
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](const QLabel* p) {
            return p->buddy() == pFormat && p->text() == QStringLiteral("&Format:");
        }));
        EXPECT_EQ(pFormat->count(), static_cast<int>(SiteImport::Formats().size()) + 1);
        EXPECT_EQ(pFormat->itemText(0), QStringLiteral("Detect automatically"));
        EXPECT_EQ(pFormat->currentIndex(), 0);
        look();
        pFormat->setCurrentIndex(indexOf(SiteImport::EFormat::firefox));
        look();
        pFormat->setCurrentIndex(indexOf(SiteImport::EFormat::chrome));
        look();
        // Detection again, on a file that went meanwhile, then on the file back as it was.
        QFile::rename(strCsv, strCsv + QStringLiteral(".away"));
        pFormat->setCurrentIndex(0);
        look();
        QFile::rename(strCsv + QStringLiteral(".away"), strCsv);
        pFormat->setCurrentIndex(indexOf(SiteImport::EFormat::chrome));
        pFormat->setCurrentIndex(0);
        look();
        return IDOK;
    });
    scene.csv.OnImport();
    const QString strCounts = QStringLiteral("To add: 1    Skipped identical: 0    Conflicts: 0");
    const QString strChrome =
        QStringLiteral("Sites to add from in.csv, read as Chrome, Edge, Brave, Opera or Vivaldi CSV:");
    EXPECT_EQ(seen,
              (QStringList{strChrome,
                           strCounts,
                           QStringLiteral("1"),
                           QStringLiteral("OK"),
                           QStringLiteral("in.csv cannot be read as Firefox CSV: line 1: the header is not that of "
                                          "Firefox CSV (the first unknown column is \"name\")"),
                           QString(),
                           QStringLiteral("0"),
                           QStringLiteral("no OK"),
                           strChrome,
                           strCounts,
                           QStringLiteral("1"),
                           QStringLiteral("OK"),
                           QStringLiteral("in.csv: No such file or directory"),
                           QString(),
                           QStringLiteral("0"),
                           QStringLiteral("no OK"),
                           strChrome,
                           strCounts,
                           QStringLiteral("1"),
                           QStringLiteral("OK")}))
        << seen.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scene.Sites(), (std::vector<Fields>{kAlpha, {"beta", "https://b.example", "bob", "pw", ""}}));
}

// A wrong line, or a file that cannot be read, adds nothing: the message names the file and gives the line
// and the reason the companion gives.
TEST(SiteCsvCommands, ImportWithAnErrorAddsNothing) {
    struct Case {
        const char* pszName;
        QByteArray csv; // empty: no file
        QString strReason;
    };
    const Case cases[] = {
        {"a short row", "site,url,user,password,notes\r\nbeta,,,b,\r\ngamma,,,\r\n",
         QStringLiteral("line 3: 4 fields where 5 are expected")},
        {"an empty site name", "site,url,user,password,notes\r\n,,,b,\r\n",
         QStringLiteral("line 2: the site name is empty")},
        {"a tab in a site name", "site,url,user,password,notes\r\nbe\tta,,,b,\r\n",
         QStringLiteral("line 2: the site name holds a control character (line break, tab or other)")},
        {"another header", "name,url,user,password,notes\r\n",
         QStringLiteral("line 1: the header matches no format this program reads (the first unknown column is "
                        "\"name\"); it reads ") +
             SiteImport::FormatTitles()},
        {"no file", {}, QStringLiteral("No such file or directory")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CCsvScene scene({kAlpha});
        const QString strCsv = scene.Path("in.csv");
        if (!c.csv.isEmpty())
            WriteFile(strCsv, c.csv);
        scene.prompts.ChooseFile(strCsv);

        scene.csv.OnImport();

        ASSERT_EQ(scene.prompts.MessageBoxes().size(), 1u);
        EXPECT_EQ(scene.prompts.MessageBoxes()[0],
                  (CScriptedPrompts::Shown{QStringLiteral("Nothing was imported from ") + strCsv +
                                               QStringLiteral(".\n\n") + c.strReason,
                                           MB_ICONEXCLAMATION | MB_OK}));
        EXPECT_EQ(scene.Sites(), std::vector<Fields>{kAlpha});
        EXPECT_FALSE(scene.doc.IsModified());
    }
}

// Export asks first, No by default; then writes the sites as the companion does, owner-only, also over a
// file others could read. A file that cannot be made is said so.
TEST(SiteCsvCommands, ExportWarnsWithNoAsDefaultAndWritesTheFileOwnerOnly) {
    CCsvScene scene({kAlpha, {"beta", "", "bob", "b,\"pass\"", "two\r\nlines"}});
    const QString kWarning = QStringLiteral("The CSV file will hold every password in clear text: anyone who can "
                                            "read the file can read them all.\n\nExport the sites anyway?");
    const QString strCsv = scene.Path("out.csv");
    scene.prompts.ChooseFile(strCsv);

    scene.csv.OnExportCsv(); // Enter on the warning: its default, No; the file chosen stays for the next
    ASSERT_EQ(scene.prompts.m_shown.size(), 1u);
    EXPECT_EQ(scene.prompts.m_shown[0],
              (CScriptedPrompts::Shown{kWarning, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2}));
    EXPECT_FALSE(QFile::exists(strCsv));

    const QByteArray kExpected = "site,url,user,password,notes\r\n"
                                 "alpha,https://alpha.example,ann,a-pass,\r\n"
                                 "beta,,bob,\"b,\"\"pass\"\"\",\"two\r\nlines\"\r\n";
    WriteFile(strCsv, "old contents");
    ASSERT_EQ(::chmod(QFile::encodeName(strCsv).constData(), 0644), 0);
    for (const bool bExisting : {true, false}) {
        SCOPED_TRACE(bExisting ? "over a file others may read" : "a new file");
        if (!bExisting) {
            QFile::remove(strCsv);
            scene.prompts.ChooseFile(strCsv);
        }
        scene.prompts.m_shown.clear();
        scene.prompts.AnswerMessage(IDYES);
        scene.csv.OnExportCsv();
        ASSERT_EQ(scene.prompts.m_shown.size(), 2u);
        EXPECT_EQ(scene.prompts.m_shown[1].strText, QStringLiteral("save:vault.csv"));
        EXPECT_EQ(scene.prompts.Messages(), QStringList{kWarning})
            << scene.prompts.Messages().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(ReadFile(strCsv), kExpected);
        EXPECT_EQ(ModeOf(strCsv), S_IFREG | 0600u);
    }
    EXPECT_FALSE(scene.doc.IsModified());

    const QString strNoFolder = scene.Path("missing/out.csv");
    scene.prompts.ChooseFile(strNoFolder);
    scene.prompts.m_shown.clear();
    scene.prompts.AnswerMessage(IDYES);
    scene.csv.OnExportCsv();
    EXPECT_EQ(scene.prompts.Messages(),
              (QStringList{kWarning, QStringLiteral("The sites could not be exported to ") + strNoFolder +
                                         QStringLiteral(".\n\nNo such file or directory")}));
}

// Import while browsing, and on the blank form of an empty database, which then shows the first site
// imported; Export while browsing with sites. Neither in other data entry, where the site on the form is
// not in the document yet.
TEST(SiteCsvCommands, EnabledWhileBrowsingAndOnAnEmptyDatabase) {
    CCsvScene scene({kAlpha});
    CCommandRouter router;
    scene.view.RegisterCommands(router);
    scene.csv.RegisterCommands(router);
    QAction* pImport = router.Action(ID_FILE_IMPORT);
    QAction* pExport = router.Action(ID_FILE_EXPORT_CSV);
    router.UpdateCommands();
    EXPECT_TRUE(pImport->isEnabled());
    EXPECT_TRUE(pExport->isEnabled());
    EXPECT_EQ(pImport->statusTip(),
              QStringLiteral("Add the sites of a CSV file or of another password manager's export to this database"));
    EXPECT_EQ(pExport->statusTip(), QStringLiteral("Write every site, passwords in clear text, to a CSV file"));

    scene.view.OnSiteAdd();
    router.UpdateCommands();
    EXPECT_FALSE(pImport->isEnabled());
    EXPECT_FALSE(pExport->isEnabled());

    CCsvScene empty({});
    CCommandRouter emptyRouter;
    empty.view.RegisterCommands(emptyRouter);
    empty.csv.RegisterCommands(emptyRouter);
    emptyRouter.UpdateCommands();
    ASSERT_TRUE(empty.view.IsDataEntry());
    EXPECT_TRUE(emptyRouter.Action(ID_FILE_IMPORT)->isEnabled());
    EXPECT_FALSE(emptyRouter.Action(ID_FILE_EXPORT_CSV)->isEnabled());
    const QString strCsv = empty.Path("in.csv");
    WriteFile(strCsv, "site,url,user,password,notes\r\nbeta,,,b,\r\n");
    empty.prompts.ChooseFile(strCsv);
    empty.prompts.AnswerDialog(IDOK);
    emptyRouter.Action(ID_FILE_IMPORT)->trigger();
    EXPECT_EQ(empty.Sites(), (std::vector<Fields>{{"beta", "", "", "b", ""}}));
    EXPECT_TRUE(empty.view.IsBrowsing());
    ASSERT_NE(empty.view.CurrentSite(), nullptr);
    EXPECT_EQ(empty.view.CurrentSite()->m_strSite, "beta");
    EXPECT_TRUE(emptyRouter.Action(ID_FILE_EXPORT_CSV)->isEnabled());
}

// The file's type chooses the layout of the program the user moves to.
TEST(SiteCsvCommands, ExportWritesTheLayoutOfTheFileTypeChosen) {
    CCsvScene scene({kAlpha});
    const QString strCsv = scene.Path("out.csv");
    struct Case {
        int nType;
        QByteArray csv;
    } cases[] = {
        {1, "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\r\n"
            ",,login,alpha,,,0,https://alpha.example,ann,a-pass,\r\n"},
        {2, "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\",\"Last "
            "Modified\",\"Created\"\r\n"
            ",alpha,ann,a-pass,https://alpha.example,,,,,\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nType);
        scene.prompts.ChooseFile(strCsv);
        scene.prompts.ChooseFileType(c.nType);
        scene.prompts.AnswerMessage(IDYES);
        scene.csv.OnExportCsv();
        EXPECT_EQ(ReadFile(strCsv), c.csv);
    }
}
