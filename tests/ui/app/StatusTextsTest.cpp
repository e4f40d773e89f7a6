// What the program tells in its status bar is read whole: the first pane's texts fit it at the window's first
// size, and the notices that wait for the user stand whole above it, with the default font and with one half
// again as large (what 144 DPI gives).
#include "EnvOverride.h"
#include "ScriptedWndPrompts.h"

#include "core/database/LockwardenDoc.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/app/LockwardenApp.h"
#include "ui/app/MainFrame.h"
#include "ui/app/MessageBar.h"
#include "ui/view/LockwardenView.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class StatusTextsTest : public ::testing::TestWithParam<double> {
protected:
    void SetUp() override {
        QFont font = m_font;
        font.setPointSizeF(font.pointSizeF() * GetParam());
        QApplication::setFont(font);
        // A database of a few sites, as a user opens it.
        const QString strPath = m_home.filePath(QStringLiteral("a-database-of-our-family.lwd"));
        {
            CAppState state;
            CScriptedPrompts prompts;
            CLockwardenDoc doc(state, prompts);
            doc.SetFileKey(CFileKey::Classic("pw"));
            for (const char* pszName : {"Bank", "Mail", "Shop"})
                doc.AddSite(std::make_unique<CSiteInfo>(pszName, "https://example.org", "ann", "pw-1", ""));
            ASSERT_TRUE(doc.OnSaveDocument(strPath));
        }
        m_prompts.EnterPassword("pw");
        m_pApp = std::make_unique<CLockwardenApp>(m_prompts);
        ASSERT_TRUE(m_pApp->InitInstance({strPath}));
        Frame().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    }
    void TearDown() override {
        m_pApp.reset();
        QApplication::setFont(m_font);
    }
    CMainFrame& Frame() { return *m_pApp->m_pMainFrame; }

    const QFont m_font = QApplication::font();
    QTemporaryDir m_home;
    CTempXdgHome m_xdg;
    CScriptedWndPrompts m_prompts;
    std::unique_ptr<CLockwardenApp> m_pApp;
};

TEST_P(StatusTextsTest, TheFirstPanesTextsFitItWhole) {
    auto* pPane = Frame().findChild<QLabel*>(QStringLiteral("ID_SEPARATOR"));
    ASSERT_NE(pPane, nullptr);
    // Each with the largest figures it is given.
    const QStringList texts = {
        LoadString(AFX_IDS_IDLEMESSAGE),
        LoadString(IDS_FILE_RELOADED),
        LoadString(IDS_NOTE_PASSWORD_COPIED).arg(10),
        LoadString(IDS_NOTE_EXPORTED).arg(100000),
        LoadString(IDS_NOTE_IMPORTED).arg(100000),
        LoadString(IDS_NOTE_SAVED_CLASSIC),
    };
    for (const QString& strText : texts) {
        Frame().ShowNote(strText);
        QApplication::processEvents();
        EXPECT_EQ(Frame().PaneText(0), strText);
        EXPECT_LE(pPane->fontMetrics().horizontalAdvance(strText), pPane->contentsRect().width())
            << strText.toStdString() << " in a pane " << pPane->contentsRect().width() << " px wide";
    }
}

TEST_P(StatusTextsTest, TheNoticesStandWholeAboveTheStatusBarAndLeaveTheFormItsRoom) {
    CMessageBar& bar = Frame().MessageBar();
    // The window at the foot of its screen: grown by the bar, it would leave the screen.
    const QRect screen = Frame().screen()->availableGeometry();
    Frame().move(Frame().x(), screen.bottom() + 1 - Frame().height());
    QApplication::processEvents();
    const QString strName = QStringLiteral("a-database-of-our-family.lwd");
    bar.Show(CMessageBar::ESource::lock, LoadString(IDS_LOCKED_MESSAGE), LoadString(IDS_UNLOCK_BUTTON), [] {});
    bar.Show(CMessageBar::ESource::file,
             LoadString(IDS_FILE_GONE_WHILE_LOCKED).arg(strName, strName + QStringLiteral(".bak")));
    bar.Show(CMessageBar::ESource::clipboard, LoadString(IDS_CLIPBOARD_KEPT_PANE),
             LoadString(IDS_CLIPBOARD_CLEAR_BUTTON), [] {});
    QApplication::processEvents();
    ASSERT_TRUE(bar.isVisible());
    const QList<QLabel*> labels = bar.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 3);
    for (const QLabel* pLabel : labels) {
        SCOPED_TRACE(pLabel->text().toStdString());
        EXPECT_TRUE(pLabel->isVisible());
        // Whole: as high as its text needs at its width, and inside the window.
        EXPECT_GE(pLabel->height(), pLabel->heightForWidth(pLabel->width()));
        EXPECT_LE(pLabel->mapTo(&Frame(), QPoint(pLabel->width(), 0)).x(), Frame().width());
    }
    // The bar takes room of its own: the form keeps the size it needs.
    const CLockwardenView& view = *Frame().GetActiveView();
    EXPECT_GE(view.height(), view.minimumHeight());
    EXPECT_GE(view.width(), view.minimumWidth());
    EXPECT_LE(bar.mapTo(&Frame(), QPoint(0, bar.height())).y(), Frame().statusBar()->y());
    // Grown by the bar, the window stays whole on its screen.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Frame().screen()->availableGeometry().contains(Frame().geometry()); }, 2000))
        << Frame().geometry().y() << "+" << Frame().geometry().height() << " on "
        << Frame().screen()->availableGeometry().height();

    // Cleared, the bar goes and gives its room back.
    for (const auto source : {CMessageBar::ESource::lock, CMessageBar::ESource::file, CMessageBar::ESource::clipboard})
        bar.Clear(source);
    EXPECT_FALSE(bar.isVisible());
}

INSTANTIATE_TEST_SUITE_P(AtEachFontSize, StatusTextsTest, ::testing::Values(1.0, 1.5),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return info.param == 1.0 ? std::string("DefaultFont") : std::string("At144Dpi");
                         });

} // namespace
