#include "ui/framework/CommandRouter.h"

#include "core/resources/Strings.h"

#include <QAction>
#include <QTimer>

CCommandRouter::CCommandRouter(QObject* pParent) : QObject(pParent) {}

CCommandRouter::~CCommandRouter() = default;

void CCommandRouter::Register(int nID, Handler handler, Updater updater) {
    CEntry& entry = m_entries[nID];
    if (entry.handler)
        return;
    entry.handler = std::move(handler);
    entry.updater = std::move(updater);
}

bool CCommandRouter::HasHandler(int nID) const {
    const auto it = m_entries.find(nID);
    return it != m_entries.end() && it->second.handler;
}

QAction* CCommandRouter::Action(int nID) {
    CEntry& entry = m_entries[nID];
    if (entry.pAction == nullptr) {
        auto* pAction = new QAction(this);
        pAction->setObjectName(QStringLiteral("ID_%1").arg(nID));
        pAction->setData(nID);
        pAction->setStatusTip(PromptOf(nID));
        const QString strTip = TooltipOf(nID);
        if (!strTip.isEmpty())
            pAction->setToolTip(strTip);
        connect(pAction, &QAction::triggered, this, [this, nID] { Execute(nID); });
        entry.pAction = pAction;
        CCmdUI ui = Query(nID);
        pAction->setEnabled(ui.m_bEnabled);
    }
    return entry.pAction;
}

CCmdUI CCommandRouter::Query(int nID) const {
    CCmdUI ui(nID);
    const auto it = m_entries.find(nID);
    if (it == m_entries.end() || !it->second.handler) {
        ui.Enable(false);
        return ui;
    }
    if (it->second.updater)
        it->second.updater(ui);
    if (m_gate && !m_gate(nID))
        ui.Enable(false);
    return ui;
}

bool CCommandRouter::Execute(int nID) {
    const auto it = m_entries.find(nID);
    if (it == m_entries.end() || !it->second.handler || !Query(nID).m_bEnabled) {
        UpdateCommands();
        return false;
    }
    // Copy: the handler may register or replace commands.
    const Handler handler = it->second.handler;
    ++m_nCommandsRunning;
    handler();
    --m_nCommandsRunning;
    UpdateCommands();
    return true;
}

void CCommandRouter::RequestUpdate() {
    if (m_bUpdatePending)
        return;
    m_bUpdatePending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_bUpdatePending)
            UpdateCommands();
    });
}

void CCommandRouter::UpdateCommands() {
    if (m_nCommandsRunning > 0) {
        m_bUpdatePending = true;
        return;
    }
    m_bUpdatePending = false;
    for (auto& [nID, entry] : m_entries) {
        if (entry.pAction == nullptr)
            continue;
        const CCmdUI ui = Query(nID);
        entry.pAction->setEnabled(ui.m_bEnabled);
        if (ui.m_bCheckable || entry.pAction->isCheckable()) {
            entry.pAction->setCheckable(true);
            entry.pAction->setChecked(ui.m_bChecked);
        }
        if (!ui.m_strText.isEmpty())
            entry.pAction->setText(ui.m_strText);
    }
    Q_EMIT commandsUpdated();
}
