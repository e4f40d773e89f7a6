#include "ui/framework/DialogBuilder.h"
#include "core/resources/DialogTemplates.h"
#include "core/resources/Resource.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <vector>

namespace {

QFont KnownFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    return font;
}

// The control that has the keyboard focus (an editable combo box's edit part counts as the combo box).
int FocusedControlId() {
    for (QWidget* p = QApplication::focusWidget(); p != nullptr; p = p->parentWidget())
        if (ControlId(p) != 0)
            return ControlId(p);
    return 0;
}

bool ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

QString AccessibleName(QWidget* p) {
    QAccessibleInterface* pInterface = QAccessible::queryAccessibleInterface(p);
    return pInterface != nullptr ? pInterface->text(QAccessible::Name) : QString();
}

std::vector<int> TabStopsOf(const CDialogTemplate& tmpl) {
    std::vector<int> ids;
    for (const CDialogItem& item : tmpl.items)
        if (item.kind != EControlKind::Static && (item.nStyle & WS_TABSTOP))
            ids.push_back(item.nID);
    return ids;
}

} // namespace

// Windows converts each length on its own: x * base width / 4 and y * base height / 8, rounded to the
// nearest pixel with halves away from zero (MulDiv).
TEST(DialogUnits, ConvertAsWindowsDoes) {
    struct Case {
        int nUnits, nBase, nX, nY;
    };
    const Case cases[] = {
        {0, 7, 0, 0},    {16, 7, 28, 14},   {128, 7, 224, 112}, {1, 6, 2, 1},  // 1.5 -> 2, 0.75 -> 1
        {3, 6, 5, 2},    {12, 15, 45, 23},  {8, 13, 26, 13},    {1, 13, 3, 2}, // 22.5 -> 23, 1.625 -> 2
        {-1, 6, -2, -1}, {-3, 13, -10, -5},                                    // halves go away from zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nUnits << " units, base " << c.nBase);
        EXPECT_EQ(DialogUnitsToPixelsX(c.nUnits, QSize(c.nBase, c.nBase)), c.nX);
        EXPECT_EQ(DialogUnitsToPixelsY(c.nUnits, QSize(c.nBase, c.nBase)), c.nY);
    }
    // A rectangle maps its position and its size each on its own, not its edges.
    EXPECT_EQ(MapDialogRect(QRect(1, 1, 1, 1), QSize(6, 12)), QRect(2, 2, 2, 2));
}

TEST(DialogUnits, BaseUnitsAreTheRoundedLetterAverageAndTheCharacterHeight) {
    for (int nPixels : {10, 13, 16, 23}) {
        QFont font = KnownFont();
        font.setPixelSize(nPixels);
        const QFontMetrics metrics(font);
        const double dAverage =
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0;
        const QSize base = DialogBaseUnits(font);
        EXPECT_LE(std::abs(base.width() - dAverage), 0.5 + 1.0 / 26) << nPixels << " px";
        EXPECT_EQ(base.height(), metrics.ascent() + metrics.descent()) << nPixels << " px";
    }
}

namespace {
// Short captions that fit in any font: the layout must be exactly Windows'.
constexpr std::array kFittingItems = {
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 4, 6, 40, 8, "N:"},
    CDialogItem{1100, EControlKind::Edit, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 50, 5, 77, 13, ""},
    CDialogItem{1101, EControlKind::PushButton, WS_TABSTOP, 3, 23, 61, 15, "A"},
};
constexpr CDialogTemplate kFitting{9001, "Fitting", 131, 43, "MS Sans Serif", 12, WS_POPUP, kFittingItems};

// One caption far too wide for its button.
constexpr std::array kCrampedItems = {
    CDialogItem{1200, EControlKind::PushButton, WS_TABSTOP, 10, 10, 40, 14, "Caption too wide"},
    CDialogItem{1201, EControlKind::CheckBox, WS_TABSTOP, 10, 30, 80, 10, "Short"},
};
constexpr CDialogTemplate kCramped{9002, "Cramped", 100, 50, "MS Sans Serif", 12, WS_POPUP, kCrampedItems};
} // namespace

TEST(DialogBuilder, PlacesControlsInWindowsUnitsWhenTheCaptionsFit) {
    QWidget parent;
    const QFont font = KnownFont();
    const QSize base = DialogBaseUnits(font);
    const QSize size = CreateDialogControls(kFitting, parent, font);
    EXPECT_EQ(size, QSize(DialogUnitsToPixelsX(131, base), DialogUnitsToPixelsY(43, base)));
    for (const CDialogItem& item : kFittingItems) {
        if (item.nID == IDC_STATIC)
            continue;
        QWidget* pControl = FindControl(&parent, item.nID);
        ASSERT_NE(pControl, nullptr) << item.nID;
        EXPECT_EQ(pControl->geometry(), MapDialogRect(QRect(item.x, item.y, item.cx, item.cy), base)) << item.nID;
    }
    EXPECT_EQ(parent.font(), font);
}

TEST(DialogBuilder, WidensTheWholeDialogUntilEveryCaptionFits) {
    QWidget parent;
    const QFont font = KnownFont();
    const QSize base = DialogBaseUnits(font);
    const QSize size = CreateDialogControls(kCramped, parent, font);
    auto* pButton = FindControl<QPushButton>(&parent, 1200);
    ASSERT_NE(pButton, nullptr);
    EXPECT_GE(pButton->width(), QFontMetrics(font).horizontalAdvance(pButton->text()));
    // Proportions are kept: the dialog and every position grow by the same factor, heights do not.
    EXPECT_GT(size.width(), DialogUnitsToPixelsX(100, base));
    EXPECT_EQ(size.height(), DialogUnitsToPixelsY(50, base));
    auto* pCheck = FindControl<QCheckBox>(&parent, 1201);
    ASSERT_NE(pCheck, nullptr);
    EXPECT_EQ(pCheck->geometry(), MapDialogRect(parent, QRect(10, 30, 80, 10)));
    EXPECT_NEAR(double(pCheck->width()) / pButton->width(), 2.0, 0.1);
}

// The site form's notes are 12 units high, a line and a half: with a small font against the style's scroll
// bar (or a large desktop font against a style scaled further) that is less than the framed field with its two
// arrows needs. Built at any size, the field is whole, and the form holds it.
TEST(DialogBuilder, AMultiLineEditWithItsScrollBarIsWholeAtAnyFontSize) {
    for (const int nPixels : {8, 13, 26}) {
        QWidget parent;
        QFont font = KnownFont();
        font.setPixelSize(nPixels);
        const QSize size = CreateDialogControls(FindDialogTemplate(IDD_LOCKWARDEN_FORM), parent, font);
        auto* pNotes = FindControl<QPlainTextEdit>(&parent, IDC_NOTES);
        ASSERT_NE(pNotes, nullptr);
        parent.resize(size);
        parent.show();
        QCoreApplication::processEvents();
        const QScrollBar* pBar = pNotes->verticalScrollBar();
        const int nArrow = pBar->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, pBar);
        EXPECT_GE(pBar->height(), 2 * nArrow) << nPixels << " px: the arrows are squashed";
        EXPECT_EQ(pNotes->contentsRect().top(), pNotes->frameWidth()) << nPixels << " px";
        EXPECT_GT(pNotes->frameWidth(), 0) << nPixels << " px";
        EXPECT_GE(size.height(), pNotes->geometry().bottom() + 1) << nPixels << " px: the form holds the field";
    }
}

// How a text box shows many lines: how many whole ones, and how much of the next one shows below them
// (0 when none does).
struct CLinesShown {
    int nWhole = 0;
    int nCut = 0;
};
CLinesShown LinesShown(QPlainTextEdit& edit) {
    QStringList lines;
    for (int i = 1; i <= 60; ++i)
        lines << QStringLiteral("Line %1 Qjgy").arg(i);
    edit.setPlainText(lines.join(QLatin1Char('\n')));
    edit.verticalScrollBar()->setValue(0);
    const int nBottom = edit.viewport()->height() - 1;
    CLinesShown shown;
    QTextCursor cursor(edit.document());
    for (int i = 0; i < 60; ++i, cursor.movePosition(QTextCursor::NextBlock)) {
        const QRect rc = edit.cursorRect(cursor);
        if (rc.bottom() < nBottom + 1) {
            ++shown.nWhole;
            continue;
        }
        shown.nCut = std::max(0, nBottom + 1 - rc.top());
        break;
    }
    return shown;
}

// The site form's notes and the Notes window show whole lines at every font size: no line is cut at the
// bottom of the box, and at least one shows.
TEST(DialogBuilder, TextBoxesShowWholeLinesAtEveryFontSize) {
    for (const int nID : {IDD_LOCKWARDEN_FORM, IDD_NOTES}) {
        for (const int nPixels : {8, 11, 13, 16, 19, 22, 26, 32}) {
            SCOPED_TRACE(testing::Message() << "template " << nID << ", " << nPixels << " px");
            QWidget parent;
            QFont font = KnownFont();
            font.setPixelSize(nPixels);
            const QSize size = CreateDialogControls(FindDialogTemplate(nID), parent, font);
            auto* pText = parent.findChild<QPlainTextEdit*>();
            ASSERT_NE(pText, nullptr);
            parent.resize(size);
            parent.show();
            QCoreApplication::processEvents();
            const CLinesShown shown = LinesShown(*pText);
            EXPECT_GE(shown.nWhole, 1);
            EXPECT_EQ(shown.nCut, 0);
            EXPECT_GE(size.height(), pText->geometry().bottom() + 1) << "the form holds the box";
            // A box that grows with its window keeps to whole lines as well.
            for (const int nMore : {1, 7, 30, 61}) {
                pText->resize(pText->width(), WholeLinesHeight(*pText, pText->height() + nMore, false));
                QCoreApplication::processEvents();
                EXPECT_EQ(LinesShown(*pText).nCut, 0) << nMore << " px more";
            }
        }
    }
}

namespace {
// A control of each anchoring, the text box several lines deep so that it deepens by whole lines.
constexpr std::array kAnchoredItems = {
    CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 4, 6, 30, 8, "Name"},
    CDialogItem{1300, EControlKind::Edit, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 36, 5, 80, 12, "", nullptr,
                ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT},
    CDialogItem{1301, EControlKind::PushButton, WS_TABSTOP, 122, 4, 40, 14, "Go", nullptr, ANCHOR_TOP | ANCHOR_RIGHT},
    CDialogItem{1302, EControlKind::Edit, WS_BORDER | ES_MULTILINE | WS_VSCROLL | ES_WANTRETURN | WS_TABSTOP, 36, 22,
                80, 40, "", "Text", ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM},
    CDialogItem{1303, EControlKind::PushButton, WS_TABSTOP, 122, 70, 40, 14, "Done", nullptr,
                ANCHOR_RIGHT | ANCHOR_BOTTOM},
    CDialogItem{1304, EControlKind::PushButton, WS_TABSTOP, 4, 70, 40, 14, "Help", nullptr,
                ANCHOR_LEFT | ANCHOR_BOTTOM},
    CDialogItem{1305, EControlKind::PushButton, WS_TABSTOP, 60, 70, 40, 14, "Mid", nullptr, ANCHOR_TOP},
    CDialogItem{1306, EControlKind::PushButton, WS_TABSTOP, 4, 22, 28, 14, "Stay"},
};
constexpr CDialogTemplate kAnchored{9003, "Anchored", 168, 90, "MS Sans Serif", 12, WS_CHILD, kAnchoredItems};
} // namespace

// A window grown beyond its template moves and widens each control by the edges the template anchors it to,
// at the desktop's font and one and a half times it; made small again, or smaller than the template, every
// control is back where the builder put it.
TEST(DialogBuilder, AnchoredControlsFollowTheEdgesOfAGrowingWindow) {
    struct Case {
        int nID;
        int nMoveX, nWiden, nMoveY, nDeepen; // in halves of the window's growth
    };
    const Case cases[] = {
        {1300, 0, 2, 0, 0}, {1301, 2, 0, 0, 0}, {1302, 0, 2, 0, 2}, {1303, 2, 0, 2, 0},
        {1304, 0, 0, 2, 0}, {1305, 1, 0, 0, 0}, {1306, 0, 0, 0, 0},
    };
    for (const double dScale : {1.0, 1.5}) {
        QFont font = DialogFont(kAnchored);
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * dScale);
        else
            font.setPixelSize(qRound(font.pixelSize() * dScale));
        QWidget parent;
        const QSize size = CreateDialogControls(kAnchored, parent, font);
        parent.resize(size);
        parent.show();
        std::map<int, QRect> built;
        for (const Case& c : cases) {
            ASSERT_NE(FindControl(&parent, c.nID), nullptr) << c.nID;
            built[c.nID] = FindControl(&parent, c.nID)->geometry();
        }
        const QRect label = parent.findChild<QLabel*>()->geometry();
        auto* pText = FindControl<QPlainTextEdit>(&parent, 1302);
        ASSERT_NE(pText, nullptr);
        for (const QSize grow :
             {QSize(120, 90), QSize(1, 1), QSize(37, 0), QSize(0, 61), QSize(0, 0), QSize(-40, -30)}) {
            SCOPED_TRACE(testing::Message()
                         << "font x" << dScale << ", grown by " << grow.width() << " x " << grow.height());
            parent.resize(size + grow);
            const int dx = std::max(0, grow.width());
            const int dy = std::max(0, grow.height());
            for (const Case& c : cases) {
                const QRect rc = built[c.nID];
                int nHeight = rc.height() + c.nDeepen * dy / 2;
                // The text box shows whole lines, never fewer than it had at the template's size.
                if (c.nID == 1302 && dy > 0)
                    nHeight = WholeLinesHeight(*pText, nHeight, false);
                EXPECT_EQ(FindControl(&parent, c.nID)->geometry(),
                          QRect(rc.x() + c.nMoveX * dx / 2, rc.y() + c.nMoveY * dy / 2, rc.width() + c.nWiden * dx / 2,
                                nHeight))
                    << c.nID;
            }
            EXPECT_GE(pText->height(), built[1302].height());
            EXPECT_GT(pText->height() + QFontMetrics(font).lineSpacing(), built[1302].height() + dy);
            EXPECT_EQ(parent.findChild<QLabel*>()->geometry(), label);
        }
    }
}

TEST(DialogBuilder, GivesEveryControlItsIdAndKind) {
    QWidget form;
    CreateFormFromTemplate(IDD_LOCKWARDEN_FORM, form);
    const struct {
        int nID;
        const char* pszClass;
    } expected[] = {
        {IDC_SITE, "QComboBox"},     {IDC_URL, "QLineEdit"},        {IDC_USER, "QLineEdit"},
        {IDC_PSWD, "QLineEdit"},     {IDC_NOTES, "QPlainTextEdit"}, {IDC_ADD, "QPushButton"},
        {IDC_EDIT, "QPushButton"},   {IDC_REMOVE, "QPushButton"},   {IDC_KEEP, "QPushButton"},
        {IDC_CANCEL, "QPushButton"}, {IDC_GO_URL, "QPushButton"},   {IDC_NOTES_BUTTON, "QPushButton"},
        {IDC_FIND, "QPushButton"},
    };
    for (const auto& e : expected) {
        QWidget* pControl = FindControl(&form, e.nID);
        ASSERT_NE(pControl, nullptr) << e.nID;
        EXPECT_STREQ(pControl->metaObject()->className(), e.pszClass) << e.nID;
        EXPECT_EQ(pControl->objectName(), QStringLiteral("IDC_%1").arg(e.nID));
    }
    EXPECT_EQ(FindControl<QLineEdit>(&form, IDC_ADD), nullptr);
    EXPECT_EQ(FindControl(&form, 4242), nullptr);

    // The styles the form's workflow relies on.
    auto* pUser = FindControl<QLineEdit>(&form, IDC_USER);
    EXPECT_TRUE(pUser->alignment() & Qt::AlignHCenter);
    EXPECT_FALSE(FindControl<QLineEdit>(&form, IDC_URL)->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(FindControl<QLineEdit>(&form, IDC_PSWD)->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(FindControl<QComboBox>(&form, IDC_SITE)->isEditable());
    EXPECT_GT(pUser->maxLength(), 1 << 20); // fields of any length are not cut
}

TEST(DialogBuilder, TabOrderFollowsTheTemplate) {
    for (int nID : {IDD_LOCKWARDEN_FORM, IDD_FILE_PASSWORD, IDD_CREATE_PASSWORDS, IDD_ABOUTBOX}) {
        SCOPED_TRACE(nID);
        QDialog dlg;
        CreateDialogControls(FindDialogTemplate(nID), dlg);
        ASSERT_TRUE(ShowActive(dlg));
        const std::vector<int> expected = TabStopsOf(FindDialogTemplate(nID));
        FindControl(&dlg, expected.front())->setFocus(Qt::TabFocusReason);
        std::vector<int> visited;
        for (std::size_t i = 0; i <= expected.size(); ++i) {
            visited.push_back(FocusedControlId());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        std::vector<int> cycle = expected;
        cycle.push_back(expected.front());
        EXPECT_EQ(visited, cycle);
    }
}

TEST(DialogBuilder, NamesControlsForScreenReaders) {
    struct Case {
        int nTemplate, nID;
        const char* pszName;
    };
    const Case cases[] = {
        {IDD_LOCKWARDEN_FORM, IDC_SITE, "Site"},
        {IDD_LOCKWARDEN_FORM, IDC_URL, "URL"},
        {IDD_LOCKWARDEN_FORM, IDC_USER, "User"},
        {IDD_LOCKWARDEN_FORM, IDC_PSWD, "Pswd"},
        {IDD_LOCKWARDEN_FORM, IDC_NOTES, "Notes"},
        {IDD_LOCKWARDEN_FORM, IDC_ADD, "Add"},
        {IDD_LOCKWARDEN_FORM, IDC_KEEP, "Keep"},
        {IDD_LOCKWARDEN_FORM, IDC_GO_URL, "Go URL"},
        {IDD_LOCKWARDEN_FORM, IDC_NOTES_BUTTON, "Notes..."},
        {IDD_FILE_PASSWORD, IDC_FILE_PASSWORD, "File Password"},
        {IDD_FILE_PASSWORD, IDOK, "OK"},
        {IDD_FILE_PASSWORD, IDCANCEL, "Cancel"},
        {IDD_CREATE_PASSWORDS, IDC_LENGTH, "Length (5 - 20)"},
        {IDD_CREATE_PASSWORDS, IDC_PUNCTUATION, "Include  !@#$%&*?+-=_"},
        // A caption's Alt letter is no part of its name.
        {IDD_LOCKWARDEN_FORM, IDC_EDIT, "Edit"},
        {IDD_LOCKWARDEN_FORM, IDC_FIND, "Find"},
        {IDD_CREATE_PASSWORDS, IDC_NUMBERS, "Include  1234567890"},
        {IDD_CREATE_PASSWORDS, IDC_PASSWORDS_TO_CLIPBOARD, "100 Pswds on Clipboard"},
        {IDD_FIND_SITE, IDC_PREVIOUS, "Previous"},
        {IDD_PASSWORD_HEALTH, IDC_HEALTH_CHECK_AGAIN, "Check Again"},
    };
    for (const Case& c : cases) {
        QWidget parent;
        CreateDialogControls(FindDialogTemplate(c.nTemplate), parent);
        QWidget* pControl = FindControl(&parent, c.nID);
        ASSERT_NE(pControl, nullptr) << c.nID;
        EXPECT_EQ(AccessibleName(pControl), QString::fromUtf8(c.pszName)) << c.nID;
    }
}

// Every button and check box of every dialog and of the form is pressed with an Alt letter of its own within
// its window (a label's letter, which moves to its field, counts too); the picture button draws no caption to
// underline a letter in. Lists what is wrong, one line each.
TEST(DialogTemplates, EveryButtonHasAnAltLetterOfItsOwnInItsWindow) {
    QStringList faults;
    for (const CDialogTemplate& tmpl : AllDialogTemplates()) {
        QWidget parent;
        CreateDialogControls(tmpl, parent);
        std::map<QKeySequence, QString> owners;
        const auto claim = [&](const QString& strText) {
            const QKeySequence key = QKeySequence::mnemonic(strText);
            if (key.isEmpty())
                return false;
            const auto [it, bNew] = owners.emplace(key, strText);
            if (!bNew)
                faults << QStringLiteral("%1: \"%2\" and \"%3\" share %4")
                              .arg(tmpl.nID)
                              .arg(it->second, strText, key.toString(QKeySequence::PortableText));
            return true;
        };
        for (const QWidget* pControl : parent.findChildren<QWidget*>()) {
            if (const auto* pLabel = qobject_cast<const QLabel*>(pControl)) {
                claim(pLabel->text());
                continue;
            }
            const auto* pButton = qobject_cast<const QAbstractButton*>(pControl);
            if (pButton == nullptr || pButton->property("ownerDraw").toBool())
                continue;
            if (!claim(pButton->text()))
                faults << QStringLiteral("%1: \"%2\" has no Alt letter").arg(tmpl.nID).arg(pButton->text());
        }
    }
    EXPECT_EQ(faults.join(QLatin1Char('\n')).toStdString(), "");
}

TEST(DialogBuilder, LabelsBecomeBuddiesAndLoseMnemonicsAndColonsInNames) {
    static constexpr std::array items = {
        CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 4, 4, 40, 8, "&User name:"},
        CDialogItem{1300, EControlKind::Edit, WS_BORDER | WS_TABSTOP, 50, 4, 60, 12, ""},
        CDialogItem{1301, EControlKind::PushButton, WS_TABSTOP, 4, 20, 40, 14, "Save && &Close"},
        CDialogItem{IDC_STATIC, EControlKind::Static, SS_LEFT, 4, 40, 40, 8, "Tom && Jerry"},
        CDialogItem{1302, EControlKind::Edit, WS_BORDER | WS_TABSTOP, 50, 40, 60, 12, "", "Given name"},
    };
    static constexpr CDialogTemplate tmpl{9003, "Labels", 120, 60, "MS Sans Serif", 12, WS_POPUP, items};
    QWidget parent;
    CreateDialogControls(tmpl, parent, KnownFont());
    EXPECT_EQ(AccessibleName(FindControl(&parent, 1300)), QStringLiteral("User name"));
    EXPECT_EQ(AccessibleName(FindControl(&parent, 1301)), QStringLiteral("Save & Close"));
    EXPECT_EQ(AccessibleName(FindControl(&parent, 1302)), QStringLiteral("Given name"));
    const QList<QLabel*> labels = parent.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->buddy(), FindControl(&parent, 1300));
    EXPECT_EQ(labels[1]->buddy(), FindControl(&parent, 1302));
    // The buddy's mnemonic moves the focus to its field.
    ASSERT_TRUE(ShowActive(parent));
    QTest::keyClick(&parent, Qt::Key_U, Qt::AltModifier);
    EXPECT_EQ(FocusedControlId(), 1300);
}

TEST(DialogBuilder, StaticsShowMarkupAsPlainText) {
    QDialog dlg;
    CreateDialogControls(FindDialogTemplate(IDD_FILE_PASSWORD), dlg);
    auto* pLabel = FindControl<QLabel>(&dlg, IDC_FILE_LABEL);
    ASSERT_NE(pLabel, nullptr);
    EXPECT_EQ(pLabel->textFormat(), Qt::PlainText);
    EXPECT_TRUE(pLabel->alignment() & Qt::AlignHCenter);
}

TEST(DialogBuilder, StripMnemonic) {
    const std::pair<const char*, const char*> cases[] = {
        {"&Open", "Open"}, {"A&&B", "A&B"}, {"Save &As...", "Save As..."}, {"end&", "end"}, {"", ""}, {"&&&x", "&x"},
    };
    for (const auto& [pszIn, pszOut] : cases)
        EXPECT_EQ(StripMnemonic(QString::fromUtf8(pszIn)), QString::fromUtf8(pszOut)) << pszIn;
}

TEST(DialogBuilder, SortedComboAddsInCaseInsensitiveOrderWithoutSelectingOrNotifying) {
    QWidget form;
    CreateFormFromTemplate(IDD_LOCKWARDEN_FORM, form);
    auto* pCombo = FindControl<QComboBox>(&form, IDC_SITE);
    ASSERT_NE(pCombo, nullptr);
    pCombo->setEditText(QStringLiteral("typed"));
    QSignalSpy spy(pCombo, &QComboBox::currentIndexChanged);
    struct Step {
        const char* pszName;
        int nIndex;
    };
    const Step steps[] = {{"delta", 0}, {"Alpha", 0}, {"charlie", 1}, {"Bravo", 1}, {"alpha", 1}, {"zulu", 5}};
    for (const Step& s : steps)
        EXPECT_EQ(ComboAddString(*pCombo, QString::fromUtf8(s.pszName), s.nIndex * 10), s.nIndex) << s.pszName;
    QStringList order;
    for (int i = 0; i < pCombo->count(); ++i)
        order << pCombo->itemText(i);
    EXPECT_EQ(order, (QStringList{QStringLiteral("Alpha"), QStringLiteral("alpha"), QStringLiteral("Bravo"),
                                  QStringLiteral("charlie"), QStringLiteral("delta"), QStringLiteral("zulu")}));
    EXPECT_EQ(pCombo->itemData(2).toInt(), 10); // item data stays with its item
    EXPECT_EQ(pCombo->currentIndex(), -1);
    EXPECT_EQ(pCombo->currentText(), QStringLiteral("typed"));
    EXPECT_EQ(spy.count(), 0);

    // A selected item stays selected as others are inserted before it.
    pCombo->setCurrentIndex(2);
    ComboAddString(*pCombo, QStringLiteral("aardvark"));
    EXPECT_EQ(pCombo->currentText(), QStringLiteral("Bravo"));
}

TEST(DialogBuilder, EditableComboKeepsWhatIsTypedWithoutCompletingIt) {
    QWidget form;
    CreateFormFromTemplate(IDD_LOCKWARDEN_FORM, form);
    auto* pCombo = FindControl<QComboBox>(&form, IDC_SITE);
    ComboAddString(*pCombo, QStringLiteral("Bank of X"));
    ASSERT_TRUE(ShowActive(form));
    pCombo->setFocus();
    QTest::keyClicks(pCombo->lineEdit(), QStringLiteral("Ba"));
    QTest::keyClick(pCombo->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(pCombo->currentText(), QStringLiteral("Ba"));
    EXPECT_EQ(pCombo->count(), 1);
}

TEST(DialogBuilder, EnterInAMultiLineEditBreaksTheLineOnlyWithWantReturn) {
    for (bool bWantReturn : {true, false}) {
        SCOPED_TRACE(bWantReturn);
        const std::array items = {
            CDialogItem{1400, EControlKind::Edit,
                        WS_BORDER | ES_MULTILINE | WS_VSCROLL | WS_TABSTOP | (bWantReturn ? ES_WANTRETURN : 0u), 4, 4,
                        80, 24, ""},
            CDialogItem{IDOK, EControlKind::DefPushButton, WS_TABSTOP, 4, 32, 40, 14, "OK"},
        };
        const CDialogTemplate tmpl{9004, "Notes", 90, 50, "MS Sans Serif", 12, WS_POPUP, items};
        QDialog dlg;
        CreateDialogControls(tmpl, dlg);
        auto* pEdit = FindControl<QPlainTextEdit>(&dlg, 1400);
        bool bStillOpen = false;
        QTimer::singleShot(0, &dlg, [&] {
            pEdit->setFocus();
            QTest::keyClicks(pEdit, QStringLiteral("one"));
            QTest::keyClick(pEdit, Qt::Key_Return);
            QTest::keyClicks(pEdit, QStringLiteral("two"));
            bStillOpen = dlg.isVisible();
            if (bStillOpen)
                dlg.reject();
        });
        const int nResult = dlg.exec();
        EXPECT_EQ(bStillOpen, bWantReturn);
        EXPECT_EQ(nResult, bWantReturn ? QDialog::Rejected : QDialog::Accepted);
        if (bWantReturn) {
            EXPECT_EQ(pEdit->toPlainText(), QStringLiteral("one\ntwo"));
        }
    }
}

TEST(DialogBuilder, DialogTemplateGivesACaptionedFixedSizeFrameWithOnlyACloseBox) {
    QDialog dlg;
    CreateDialogFromTemplate(IDD_FILE_PASSWORD, dlg);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Enter File Password"));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_FALSE(dlg.isSizeGripEnabled());
    const Qt::WindowFlags flags = dlg.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowContextHelpButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
}
