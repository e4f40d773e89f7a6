#include "ScriptedPrompts.h"

#include "core/framework/Archive.h"
#include "core/framework/Document.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A document whose records fail to be written in the way the test chooses.
class CFailingDocument : public CDocument {
public:
    CFailingDocument(CPrompts& prompts, CArchiveException::Cause cause) : CDocument(prompts), m_cause(cause) {}
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring())
            throw CArchiveException(m_cause);
    }

private:
    CArchiveException::Cause m_cause;
};

// A save whose records cannot be written says what failed, names the file, and leaves it alone; only a
// device refusing bytes (memory running out) is told as the system's lack of memory.
TEST(Document, AFailedSaveSaysWhatFailedAndLeavesTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strPath = dir.filePath(QStringLiteral("sites.lwd"));
    {
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("before");
    }
    const struct {
        CArchiveException::Cause cause;
        const char* pszReason;
    } cases[] = {
        {CArchiveException::generic, "The records could not be written (archive: unexpected format)."},
        {CArchiveException::writeError, "Cannot allocate memory"},
    };
    for (const auto& c : cases) {
        CScriptedPrompts prompts;
        CFailingDocument doc(prompts, c.cause);
        doc.SetModifiedFlag(true);
        EXPECT_FALSE(doc.OnSaveDocument(strPath));
        EXPECT_EQ(prompts.Messages(), QStringList{LoadString(AFX_IDP_FAILED_TO_SAVE_DOC) + QStringLiteral("\n\n") +
                                                  strPath + QStringLiteral(": ") + QString::fromUtf8(c.pszReason)});
        EXPECT_TRUE(doc.IsModified());
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArray("before"));
    }
}

} // namespace
