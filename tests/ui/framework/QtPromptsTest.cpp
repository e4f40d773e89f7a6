#include "ui/framework/QtPrompts.h"
#include "core/resources/Resource.h"

#include "WhenModal.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct CBoxSeen {
    QString strTitle;
    QString strText;
    Qt::TextFormat textFormat = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Shows a real message box through the seam; answer acts on it once it is up.
int RunBox(unsigned nType, std::function<void(QMessageBox&)> answer, CBoxSeen* pSeen = nullptr,
           const QString& strText = QStringLiteral("Bad file password !")) {
    WhenModal<QMessageBox>([answer, pSeen](QMessageBox& box) {
        if (pSeen != nullptr)
            *pSeen = {box.windowTitle(),     box.text(),
                      box.textFormat(),      box.icon(),
                      box.standardButtons(), box.standardButton(box.defaultButton())};
        answer(box);
    });
    CQtPrompts prompts;
    return prompts.MessageBox(strText, nType);
}

bool CreateEmptyFile(const QString& strPath) {
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly);
}

void PressEsc(QMessageBox& box) {
    QTest::keyClick(&box, Qt::Key_Escape);
}
void PressEnter(QMessageBox& box) {
    QTest::keyClick(&box, Qt::Key_Return);
}

} // namespace

TEST(QtPromptsMessageBox, MapsButtonsIconDefaultAndEscape) {
    using MB = QMessageBox;
    struct Case {
        unsigned nType;
        MB::StandardButtons buttons;
        MB::StandardButton defaultButton;
        MB::Icon icon;
        int nOnEnter, nOnEsc;
    };
    const Case cases[] = {
        {MB_OK, MB::Ok, MB::Ok, MB::NoIcon, IDOK, IDOK},
        {MB_OK | MB_ICONEXCLAMATION, MB::Ok, MB::Ok, MB::Warning, IDOK, IDOK},
        {MB_OK | MB_ICONSTOP, MB::Ok, MB::Ok, MB::Critical, IDOK, IDOK},
        {MB_OK | MB_ICONINFORMATION, MB::Ok, MB::Ok, MB::Information, IDOK, IDOK},
        {MB_OKCANCEL, MB::Ok | MB::Cancel, MB::Ok, MB::NoIcon, IDOK, IDCANCEL},
        {MB_OKCANCEL | MB_DEFBUTTON2, MB::Ok | MB::Cancel, MB::Cancel, MB::NoIcon, IDCANCEL, IDCANCEL},
        {MB_YESNOCANCEL | MB_ICONQUESTION, MB::Yes | MB::No | MB::Cancel, MB::Yes, MB::Question, IDYES, IDCANCEL},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, MB::Yes | MB::No | MB::Cancel, MB::Cancel, MB::NoIcon, IDCANCEL, IDCANCEL},
        // The two questions of the program: Yes/No with No as the default.
        {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, MB::Yes | MB::No, MB::No, MB::Question, IDNO, IDNO},
        {MB_YESNO | MB_ICONQUESTION, MB::Yes | MB::No, MB::Yes, MB::Question, IDYES, IDNO},
        // A default past the last button falls back to the first, as in Windows.
        {MB_YESNO | MB_DEFBUTTON3, MB::Yes | MB::No, MB::Yes, MB::NoIcon, IDYES, IDNO},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type 0x" << std::hex << c.nType);
        CBoxSeen seen;
        EXPECT_EQ(RunBox(c.nType, PressEnter, &seen), c.nOnEnter);
        EXPECT_EQ(seen.buttons, c.buttons);
        EXPECT_EQ(seen.defaultButton, c.defaultButton);
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.strTitle, QStringLiteral("Lockwarden"));
        EXPECT_EQ(RunBox(c.nType, PressEsc), c.nOnEsc);
        EXPECT_EQ(RunBox(c.nType, [](QMessageBox& box) { box.close(); }), c.nOnEsc) << "close box";
    }
}

TEST(QtPromptsMessageBox, EachButtonAnswersItsId) {
    struct Case {
        unsigned nType;
        QMessageBox::StandardButton button;
        int nId;
    };
    const Case cases[] = {
        {MB_YESNOCANCEL, QMessageBox::Yes, IDYES},       {MB_YESNOCANCEL, QMessageBox::No, IDNO},
        {MB_YESNOCANCEL, QMessageBox::Cancel, IDCANCEL}, {MB_OKCANCEL, QMessageBox::Ok, IDOK},
        {MB_OKCANCEL, QMessageBox::Cancel, IDCANCEL},    {MB_YESNO | MB_DEFBUTTON2, QMessageBox::Yes, IDYES},
    };
    for (const Case& c : cases) {
        const int nResult = RunBox(c.nType, [&c](QMessageBox& box) { box.button(c.button)->click(); });
        EXPECT_EQ(nResult, c.nId) << c.nType << " " << c.button;
    }
}

TEST(QtPromptsMessageBox, ShowsTheTextExactlyAndNeverAsMarkup) {
    const QString strText = QStringLiteral("<b>bank</b> & co.lwd\n\nwas not found.");
    CBoxSeen seen;
    RunBox(MB_OK | MB_ICONSTOP, PressEnter, &seen, strText);
    EXPECT_EQ(seen.strText, strText);
    EXPECT_EQ(seen.textFormat, Qt::PlainText);
}

namespace {
QLineEdit* FileNameEdit(QFileDialog& dlg) {
    return dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}
} // namespace

// The busy cursor covers the whole application while a key is derived, and goes when the work is done.
TEST(QtPromptsWaitCursor, ShowsTheBusyCursorUntilTheWorkEnds) {
    CQtPrompts prompts;
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    prompts.BeginWaitCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    prompts.EndWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtPromptsFileDialogs, SaveAddsTheExtensionAndOffersTheWardenFilter) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString strPath = dir.filePath(QStringLiteral("Untitled.lwd"));
    WhenModal<QFileDialog>([](QFileDialog& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Save As"));
        EXPECT_EQ(dlg.nameFilters(),
                  (QStringList{QStringLiteral("Warden Files (*.lwd)"), QStringLiteral("All Files (*)")}));
        EXPECT_EQ(FileNameEdit(dlg)->text(), QStringLiteral("Untitled.lwd"));
        FileNameEdit(dlg)->setText(QStringLiteral("accounts"));
        static_cast<QDialog&>(dlg).accept(); // QFileDialog::accept, as its Save or Open button does
    });
    CQtPrompts prompts;
    ASSERT_TRUE(prompts.SaveFileDialog(strPath, QStringLiteral("Warden Files (*.lwd)"), QStringLiteral(".lwd")));
    EXPECT_EQ(QDir::cleanPath(strPath), QDir::cleanPath(dir.filePath(QStringLiteral("accounts.lwd"))));
}

TEST(QtPromptsFileDialogs, SaveAsksBeforeReplacingAnExistingFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strExisting = dir.filePath(QStringLiteral("accounts.lwd"));
    ASSERT_TRUE(CreateEmptyFile(strExisting));
    for (bool bReplace : {false, true}) {
        SCOPED_TRACE(bReplace);
        bool bAsked = false;
        WhenModal<QFileDialog>([&bAsked, bReplace](QFileDialog& dlg) {
            FileNameEdit(dlg)->setText(QStringLiteral("accounts"));
            WhenModal<QMessageBox>([&bAsked, bReplace](QMessageBox& box) {
                bAsked = true;
                box.button(bReplace ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            static_cast<QDialog&>(dlg).accept(); // QFileDialog::accept, as its Save or Open button does
            if (dlg.isVisible())                 // not replaced: the user is back in the file dialog
                dlg.reject();
        });
        QString strPath = dir.filePath(QStringLiteral("Untitled.lwd"));
        CQtPrompts prompts;
        EXPECT_EQ(prompts.SaveFileDialog(strPath, QStringLiteral("Warden Files (*.lwd)"), QStringLiteral(".lwd")),
                  bReplace);
        EXPECT_TRUE(bAsked);
        EXPECT_EQ(QDir::cleanPath(strPath),
                  QDir::cleanPath(bReplace ? strExisting : dir.filePath(QStringLiteral("Untitled.lwd"))));
    }
}

TEST(QtPromptsFileDialogs, OpenReturnsTheChosenFileOrNothingWhenCancelled) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strFile = dir.filePath(QStringLiteral("family.lwd"));
    ASSERT_TRUE(CreateEmptyFile(strFile));
    CQtPrompts prompts;
    WhenModal<QFileDialog>([&strFile](QFileDialog& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Open"));
        EXPECT_EQ(dlg.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dlg.nameFilters().value(0), QStringLiteral("Warden Files (*.lwd)"));
        FileNameEdit(dlg)->setText(strFile);
        static_cast<QDialog&>(dlg).accept(); // QFileDialog::accept, as its Save or Open button does
    });
    QString strPath;
    ASSERT_TRUE(prompts.OpenFileDialog(strPath, QStringLiteral("Warden Files (*.lwd)")));
    EXPECT_EQ(QDir::cleanPath(strPath), QDir::cleanPath(strFile));

    WhenModal<QFileDialog>([](QFileDialog& dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); });
    QString strUnchanged = QStringLiteral("before");
    EXPECT_FALSE(prompts.OpenFileDialog(strUnchanged, QStringLiteral("Warden Files (*.lwd)")));
    EXPECT_EQ(strUnchanged, QStringLiteral("before"));
}

TEST(QtPromptsDoModal, AcceptIsOkRejectIsCancelAndOtherEndingsPassThrough) {
    struct Case {
        const char* pszHow;
        std::function<void(QDialog&)> end;
        int nResult;
    };
    const Case cases[] = {
        {"accept", [](QDialog& dlg) { dlg.accept(); }, IDOK},
        {"reject", [](QDialog& dlg) { dlg.reject(); }, IDCANCEL},
        {"Esc", [](QDialog& dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); }, IDCANCEL},
        {"done(IDYES)", [](QDialog& dlg) { dlg.done(IDYES); }, IDYES},
    };
    for (const Case& c : cases) {
        QDialog dlg;
        WhenModal<QDialog>(c.end);
        CQtPrompts prompts;
        EXPECT_EQ(prompts.DoModal(dlg), c.nResult) << c.pszHow;
    }
}
