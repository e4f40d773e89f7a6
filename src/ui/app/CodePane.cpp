#include "ui/app/CodePane.h"

#include "core/database/LockwardenDoc.h"
#include "core/platform/SecureWipe.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "ui/framework/CommandRouter.h"
#include "ui/platform/SecretClipboard.h"
#include "ui/view/LockwardenView.h"

#include <QDateTime>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

CShownCode::~CShownCode() {
    WipeString(strCode);
}

CShownCode CodeOfNotes(std::string_view strNotes, std::int64_t nNowMs) {
    CShownCode shown;
    OneTimeCode::CSettings settings;
    shown.line = OneTimeCode::Read(strNotes, settings);
    if (shown.line.kind != OneTimeCode::ELine::code)
        return shown;
    const auto nNow = static_cast<std::uint64_t>(std::max<std::int64_t>(nNowMs, 0));
    shown.strCode = OneTimeCode::Code(settings, nNow / 1000);
    // The seconds left count the one under way whole.
    shown.nLeftMs = static_cast<std::int64_t>(OneTimeCode::SecondsLeft(settings, nNow / 1000) * 1000 - nNow % 1000);
    return shown;
}

QString GroupedCode(const std::string& strCode) {
    const QString strText = QString::fromLatin1(strCode.data(), static_cast<qsizetype>(strCode.size()));
    if (strText.size() < 6)
        return strText;
    const qsizetype nFirst = strText.size() / 2;
    return strText.left(nFirst) + QLatin1Char(' ') + strText.mid(nFirst);
}

CCodePane::CCodePane(CLockwardenDoc& doc, CLockwardenView& view, CSecretClipboard& clipboard, QStatusBar& bar,
                     QObject* pParent)
    : QObject(pParent), m_doc(doc), m_view(view), m_clipboard(clipboard), m_pPane(new QLabel(&bar)),
      m_pTick(new QTimer(this)), m_pCodeEnd(new QTimer(this)),
      m_clock([] { return QDateTime::currentMSecsSinceEpoch(); }) {
    m_pPane->setObjectName(QStringLiteral("ID_%1").arg(ID_INDICATOR_CODE));
    m_pPane->setAlignment(Qt::AlignCenter);
    m_pPane->setFrameShape(QFrame::Panel);
    m_pPane->setFrameShadow(QFrame::Sunken);
    m_pPane->setAccessibleName(LoadString(ID_INDICATOR_CODE));
    // Left of the sites pane: after the message pane, the one widget of the bar that is not permanent.
    bar.insertPermanentWidget(1, m_pPane);
    m_pPane->hide();

    m_pTick->setSingleShot(true);
    connect(m_pTick, &QTimer::timeout, this, &CCodePane::Refresh);
    m_pCodeEnd->setSingleShot(true);
    connect(m_pCodeEnd, &QTimer::timeout, this, [this] {
        if (!m_strCopied.empty() && m_clipboard.Secret() == m_strCopied)
            m_clipboard.Clear();
        WipeString(m_strCopied);
    });
    connect(&m_view, &CLockwardenView::stateChanged, this, &CCodePane::Refresh);
    connect(&m_doc, &CLockwardenDoc::sitesChanged, this, &CCodePane::Refresh);
    connect(&m_doc, &CLockwardenDoc::lockChanged, this, &CCodePane::Refresh);
    Refresh();
}

CCodePane::~CCodePane() {
    WipeString(m_strCopied);
}

void CCodePane::SetClock(Clock clock) {
    m_clock = std::move(clock);
    Refresh();
}

void CCodePane::RegisterCommands(CCommandRouter& router) {
    router.Register(
        ID_EDIT_COPY_CODE, [this] { OnCopyCode(); }, [this](CCmdUI& ui) { OnUpdateCopyCode(ui); });
}

const std::string* CCodePane::ShownNotes() const {
    if (m_doc.IsLocked() || !m_view.IsBrowsing())
        return nullptr;
    const CSiteInfo* pSite = m_view.CurrentSite();
    return pSite != nullptr ? &pSite->m_strNotes : nullptr;
}

void CCodePane::Refresh() {
    m_pTick->stop();
    const std::string* pNotes = ShownNotes();
    const std::int64_t nNow = m_clock();
    const CShownCode shown = CodeOfNotes(pNotes != nullptr ? std::string_view(*pNotes) : std::string_view(), nNow);
    QString strText;
    QString strSpoken;
    switch (shown.line.kind) {
    case OneTimeCode::ELine::none:
        m_pPane->hide();
        m_pPane->clear();
        m_pPane->setAccessibleDescription(QString());
        return;
    case OneTimeCode::ELine::invalid:
        strText = strSpoken = LoadString(IDS_CODE_INVALID);
        break;
    case OneTimeCode::ELine::unsupported:
        strText = strSpoken = LoadString(IDS_CODE_UNSUPPORTED);
        break;
    case OneTimeCode::ELine::code: {
        const QString strCode = GroupedCode(shown.strCode);
        const auto nSeconds = (shown.nLeftMs + 999) / 1000;
        strText = LoadString(IDS_CODE_PANE).arg(strCode).arg(nSeconds);
        strSpoken = LoadString(IDS_CODE_SPOKEN).arg(strCode).arg(nSeconds);
        // Again at the next whole second of the clock.
        m_pTick->start(static_cast<int>(1000 - ((nNow % 1000) + 1000) % 1000));
        break;
    }
    }
    m_pPane->setText(strText);
    m_pPane->setAccessibleDescription(strSpoken);
    m_pPane->show();
}

void CCodePane::OnUpdateCopyCode(CCmdUI& ui) const {
    const std::string* pNotes = ShownNotes();
    OneTimeCode::CSettings settings;
    ui.Enable(pNotes != nullptr && OneTimeCode::Read(*pNotes, settings).kind == OneTimeCode::ELine::code);
}

void CCodePane::OnCopyCode() {
    const std::string* pNotes = ShownNotes();
    if (pNotes == nullptr)
        return;
    const CShownCode shown = CodeOfNotes(*pNotes, m_clock());
    if (shown.line.kind != OneTimeCode::ELine::code || !m_clipboard.Put(shown.strCode, true))
        return;
    AssignSecret(m_strCopied, shown.strCode);
    m_pCodeEnd->start(static_cast<int>(shown.nLeftMs));
}
