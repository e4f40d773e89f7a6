#include "ui/tools/CreatePasswordsDlg.h"

#include "core/app/AppState.h"
#include "core/framework/Prompts.h"
#include "core/platform/LastError.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/tools/PasswordStrength.h"
#include "ui/framework/DialogBuilder.h"
#include "ui/framework/WindowFrame.h"
#include "ui/platform/SecretClipboard.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cerrno>
#include <sodium.h>

#include <sodium.h>

namespace {

constexpr int kPasswordsOnClipboard = 100;

enum class ELength { ok, notANumber, tooLong };

// The length box as an unsigned decimal number: blanks or tabs, an optional plus sign, the digits, blanks
// or tabs. Anything else (nothing at all, a minus sign, a letter) is not a number; a number above the
// longest password is refused on its own, before it could grow into a text that fills the memory.
ELength ReadLength(const QString& strText, std::uint32_t& nLength) {
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < strText.size() && (strText[i] == QLatin1Char(' ') || strText[i] == QLatin1Char('\t')))
            ++i;
    };
    skipBlanks();
    if (i < strText.size() && strText[i] == QLatin1Char('+'))
        ++i;
    const qsizetype nFirstDigit = i;
    std::size_t nValue = 0;
    for (; i < strText.size() && strText[i] >= QLatin1Char('0') && strText[i] <= QLatin1Char('9'); ++i)
        nValue =
            std::min(nValue * 10 + static_cast<std::size_t>(strText[i].unicode() - u'0'), PasswordPool::kMaxLength + 1);
    if (i == nFirstDigit)
        return ELength::notANumber;
    skipBlanks();
    if (i != strText.size())
        return ELength::notANumber;
    if (nValue > PasswordPool::kMaxLength)
        return ELength::tooLong;
    nLength = static_cast<std::uint32_t>(nValue);
    return ELength::ok;
}

} // namespace

CCreatePasswordsDlg::CCreatePasswordsDlg(CAppState& app, CPrompts& prompts, CSecretClipboard& clipboard)
    : m_app(app), m_prompts(prompts), m_clipboard(clipboard) {
    CreateDialogFromTemplate(IDD_CREATE_PASSWORDS, *this);
    m_pLengthEdit = FindControl<QLineEdit>(this, IDC_LENGTH);
    m_pNewPasswordEdit = FindControl<QLineEdit>(this, IDC_NEW_PASSWORD);
    m_pMixedCaseCheck = FindControl<QCheckBox>(this, IDC_MIXED_CASE);
    m_pNumbersCheck = FindControl<QCheckBox>(this, IDC_NUMBERS);
    m_pPunctuationCheck = FindControl<QCheckBox>(this, IDC_PUNCTUATION);
    m_pCreateButton = FindControl<QPushButton>(this, IDC_CREATE_PASSWORD);
    m_pStrengthLabel = FindControl<QLabel>(this, IDC_NEW_PASSWORD_STRENGTH);
    connect(m_pCreateButton, &QPushButton::clicked, this, &CCreatePasswordsDlg::OnCreatePassword);
    connect(FindControl<QPushButton>(this, IDC_PASSWORDS_TO_CLIPBOARD), &QPushButton::clicked, this,
            &CCreatePasswordsDlg::OnPasswordsToClipboard);
}

CCreatePasswordsDlg::~CCreatePasswordsDlg() = default;

void CCreatePasswordsDlg::Create(QWidget* pParentWnd) {
    // A window of its own that stays above its owner, as an owned popup does.
    setParent(pParentWnd, windowFlags());
    OnInitDialog();
}

void CCreatePasswordsDlg::OnInitDialog() {
    // A negative stored length becomes a very large one here, which every use then refuses.
    m_nLength = static_cast<std::uint32_t>(m_app.m_nLength);
    m_bMixedCase = m_app.m_bMixedCase;
    m_bNumbers = m_app.m_bNumbers;
    m_bPunctuation = m_app.m_bPunctuation;
    UpdateData(false);

    // At the owner's upper right, one title bar below its top, right edges flush.
    if (const QWidget* pMain = parentWidget())
        MoveToMainWindowCorner(*this, *pMain, EMainWindowCorner::UpperRight);
    setWindowIcon(QApplication::windowIcon());
    m_pCreateButton->setFocus(Qt::TabFocusReason);
}

bool CCreatePasswordsDlg::UpdateData(bool bSaveAndValidate) {
    return DoDataExchange(bSaveAndValidate);
}

bool CCreatePasswordsDlg::DoDataExchange(bool bSaveAndValidate) {
    if (!bSaveAndValidate) {
        m_pNewPasswordEdit->setText(m_strNewPassword);
        ShowStrength();
        m_pLengthEdit->setText(QString::number(m_nLength));
        m_pMixedCaseCheck->setChecked(m_bMixedCase != 0);
        m_pNumbersCheck->setChecked(m_bNumbers != 0);
        m_pPunctuationCheck->setChecked(m_bPunctuation != 0);
        return true;
    }
    m_strNewPassword = m_pNewPasswordEdit->text();
    // A length that cannot be used stops the reading: the check boxes keep their values of before.
    switch (ReadLength(m_pLengthEdit->text(), m_nLength)) {
    case ELength::notANumber:
        RefuseLength(AFX_IDP_PARSE_UINT);
        return false;
    case ELength::tooLong:
        RefuseLength(IDS_LENGTH_TOO_LONG);
        return false;
    case ELength::ok:
        break;
    }
    m_bMixedCase = m_pMixedCaseCheck->isChecked() ? 1 : 0;
    m_bNumbers = m_pNumbersCheck->isChecked() ? 1 : 0;
    m_bPunctuation = m_pPunctuationCheck->isChecked() ? 1 : 0;
    return true;
}

void CCreatePasswordsDlg::ShowStrength() {
    if (m_strNewPassword.isEmpty()) {
        m_pStrengthLabel->clear();
        return;
    }
    QByteArray bytes = m_strNewPassword.toLatin1();
    const CStrength strength =
        EstimateStrength(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    sodium_memzero(bytes.data(), static_cast<std::size_t>(bytes.size()));
    m_pStrengthLabel->setText(
        LoadString(IDS_NEW_PASSWORD_STRENGTH).arg(QString::fromLatin1(StrengthWord(strength.word))));
}

void CCreatePasswordsDlg::RefuseLength(int nMessage) {
    QString strText = LoadString(nMessage);
    if (nMessage == IDS_LENGTH_TOO_LONG)
        strText = strText.arg(PasswordPool::kMaxLength);
    m_prompts.MessageBox(strText, MB_ICONEXCLAMATION | MB_OK);
    m_pLengthEdit->setFocus(Qt::OtherFocusReason);
    m_pLengthEdit->selectAll();
}

std::string CCreatePasswordsDlg::Pool() const {
    return PasswordPool::BuildPool(m_bMixedCase != 0, m_bNumbers != 0, m_bPunctuation != 0);
}

bool CCreatePasswordsDlg::MakePassword(const std::string& strPool, std::size_t nLength, std::string& strPassword) {
    if (PasswordPool::Generate(strPool, nLength, strPassword, m_random))
        return true;
    const int nError = errno;
    m_prompts.MessageBox(LoadString(IDS_NO_RANDOM_NUMBERS).arg(GetLastErrorText(nError)), MB_ICONSTOP | MB_OK);
    return false;
}

void CCreatePasswordsDlg::OnCreatePassword() {
    // A failed reading has been reported; the command goes on with the values of before.
    const bool bRead = UpdateData(true);
    // Only a stored length can still be too long here, and its reading has said so.
    if (m_nLength <= PasswordPool::kMaxLength) {
        std::string strPassword;
        MakePassword(Pool(), m_nLength, strPassword);
        m_strNewPassword = QString::fromLatin1(strPassword);
    }
    UpdateData(false);
    // The length written back stays selected, so that typing replaces it.
    if (!bRead)
        m_pLengthEdit->selectAll();
}

void CCreatePasswordsDlg::OnPasswordsToClipboard() {
    // The window is not read: the values are those it opened with or last read.
    if (m_nLength > PasswordPool::kMaxLength) {
        RefuseLength(IDS_LENGTH_TOO_LONG);
        return;
    }
    const std::string strPool = Pool();
    std::string strText;
    strText.reserve(kPasswordsOnClipboard * (m_nLength + 2));
    std::string strPassword;
    for (int i = 0; i < kPasswordsOnClipboard; ++i) {
        if (!MakePassword(strPool, m_nLength, strPassword))
            return;
        strText += strPassword;
        strText += "\r\n";
    }
    // They stay until something else is copied or the program ends: a user pastes them somewhere first.
    m_clipboard.Put(strText, false);
    sodium_memzero(strText.data(), strText.size());
    sodium_memzero(strPassword.data(), strPassword.size());
}

void CCreatePasswordsDlg::closeEvent(QCloseEvent* pEvent) {
    // The close box: the window goes at once, asking nothing.
    DestroyWindow();
    pEvent->accept();
}

void CCreatePasswordsDlg::DestroyWindow() {
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    OnDestroy();
    hide();
    PostNcDestroy();
}

void CCreatePasswordsDlg::OnDestroy() {
    // A failed reading is reported, and the values last read go back.
    UpdateData(true);
    m_app.m_nLength = static_cast<int>(m_nLength);
    m_app.m_bMixedCase = m_bMixedCase;
    m_app.m_bNumbers = m_bNumbers;
    m_app.m_bPunctuation = m_bPunctuation;
}

void CCreatePasswordsDlg::PostNcDestroy() {
    Q_EMIT postNcDestroy();
    deleteLater();
}
