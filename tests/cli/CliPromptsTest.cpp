// The companion's prompts under the program's own document, for what a run of the executable cannot
// stage without racing it: another program changing the file between the open and the save.
#include "cli/CliPrompts.h"
#include "CliRun.h"
#include "cli/SecretInput.h"
#include "core/app/AppState.h"
#include "core/database/LockwardenDoc.h"
#include "core/framework/DocTemplate.h"

#include <cstdio>
#include <cstdlib>
#include <sys/time.h>

TEST(CliPrompts, AFileChangedOnDiskIsNotOverwritten) {
    QTemporaryDir dir;
    const QString strDb = CopyOfFixture(dir, "list-order-mixed-case-with-password.lwd");

    char szInput[] = "fixture\n";
    std::FILE* pIn = ::fmemopen(szInput, sizeof szInput - 1, "r");
    char* pszErr = nullptr;
    std::size_t nErr = 0;
    std::FILE* pErr = ::open_memstream(&pszErr, &nErr);
    ASSERT_TRUE(pIn != nullptr && pErr != nullptr);
    {
        CSecretInput input(pIn, pErr);
        CCliPrompts prompts(input, pErr);
        prompts.SetFile(QStringLiteral("sites.lwd"));
        CAppState app;
        CLockwardenDoc doc(app, prompts);
        CSingleDocTemplate docTemplate(doc, prompts);
        ASSERT_TRUE(docTemplate.OpenDocumentFile(strDb));
        EXPECT_FALSE(prompts.HasFailed());

        // Another program writes the file; its time moves away from the one the document saw.
        const QByteArray theirs = "their bytes";
        WriteFile(strDb, theirs);
        const timeval times[2] = {{doc.FileTime() - 100, 0}, {doc.FileTime() - 100, 0}};
        ASSERT_EQ(::utimes(QFile::encodeName(strDb).constData(), times), 0);

        doc.AddSite(std::make_unique<CSiteInfo>("mine", "", "", "", ""));
        doc.SetModifiedFlag(true);
        EXPECT_FALSE(doc.DoFileSave());
        EXPECT_TRUE(prompts.HasFailed());
        EXPECT_EQ(ReadFile(strDb), theirs);
        EXPECT_TRUE(doc.IsModified());
    }
    std::fclose(pIn);
    std::fclose(pErr);
    const QByteArray err(pszErr, static_cast<qsizetype>(nErr));
    std::free(pszErr);
    EXPECT_EQ(err, "lockwarden-cli: sites.lwd: The file on disk has changed!\nOverwrite with current document?\n"
                   "lockwarden-cli: sites.lwd: answered No; the file on disk was left as it is.\n");
}
