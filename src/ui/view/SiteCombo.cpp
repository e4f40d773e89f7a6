#include "ui/view/SiteCombo.h"

#include "core/platform/Text.h"
#include "core/resources/Resource.h"
#include "core/resources/Strings.h"
#include "core/tools/SiteNameMatch.h"
#include "ui/framework/WndPrompts.h"
#include "ui/view/SiteListModel.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>

CSiteCombo::CSiteCombo(QComboBox& combo, CSiteListModel& model, CWndPrompts& prompts, std::function<bool()> browsing,
                       std::function<void(int)> select)
    : m_combo(combo), m_model(model), m_prompts(prompts), m_browsing(std::move(browsing)), m_select(std::move(select)) {
    m_combo.setModel(&m_model);
    m_combo.setInsertPolicy(QComboBox::NoInsert);
    m_combo.setCompleter(nullptr);
    m_combo.setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_combo.setMaxVisibleItems(12);
    if (auto* pListView = qobject_cast<QListView*>(m_combo.view()))
        pListView->setUniformItemSizes(true);
    // A typed name that happens to match an item must not select it when the field is left: that would
    // load another site over the entry and make Keep replace that site instead of the one being edited.
    disconnect(m_combo.lineEdit(), &QLineEdit::editingFinished, &m_combo, nullptr);
    m_combo.installEventFilter(this);
    m_combo.view()->window()->installEventFilter(this);
    m_combo.lineEdit()->installEventFilter(this);
}

bool CSiteCombo::IsBrowsingWithSites() const {
    return m_browsing() && m_model.Count() != 0;
}

bool CSiteCombo::MayDropDown() const {
    return IsBrowsingWithSites();
}

void CSiteCombo::OnDropDownRefused() {
    m_bRefusalPosted = false;
    m_combo.hidePopup();
    m_prompts.MessageBox(LoadString(m_model.Count() == 0 ? IDS_NO_SITES : IDS_NO_CHANGE_WHILE_ENTERING),
                         MB_ICONEXCLAMATION | MB_OK);
}

bool CSiteCombo::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // Browsing, letters typed on the closed list go to the first site whose name begins with them, as a
    // drop-down list does; a pause of a second starts a new word.
    if (pEvent->type() == QEvent::KeyPress && IsBrowsingWithSites() &&
        (pWatched == &m_combo || pWatched == m_combo.lineEdit())) {
        const auto* pKey = static_cast<QKeyEvent*>(pEvent);
        const QString strText = pKey->text();
        if (!strText.isEmpty() && strText.front().isPrint() &&
            (pKey->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0) {
            OnTypeAhead(strText);
            return true;
        }
    }
    bool bOpening = false;
    if (pWatched == &m_combo) {
        if (pEvent->type() == QEvent::MouseButtonPress || pEvent->type() == QEvent::MouseButtonDblClick) {
            bOpening = true;
        } else if (pEvent->type() == QEvent::KeyPress) {
            const auto* pKey = static_cast<QKeyEvent*>(pEvent);
            bOpening = pKey->key() == Qt::Key_F4 || ((pKey->key() == Qt::Key_Down || pKey->key() == Qt::Key_Up) &&
                                                     (pKey->modifiers() & Qt::AltModifier));
        }
    } else if (pWatched == m_combo.view()->window() && pEvent->type() == QEvent::Show) {
        bOpening = true; // the list's popup opened by any other road (a screen reader's action)
    }
    if (bOpening && !MayDropDown()) {
        // Posted, so the list has finished whatever it was doing before it is closed again.
        if (!m_bRefusalPosted) {
            m_bRefusalPosted = true;
            QMetaObject::invokeMethod(this, &CSiteCombo::OnDropDownRefused, Qt::QueuedConnection);
        }
        return pWatched == &m_combo;
    }
    return QObject::eventFilter(pWatched, pEvent);
}

void CSiteCombo::OnTypeAhead(const QString& strTyped) {
    if (!m_typeAheadClock.isValid() || m_typeAheadClock.elapsed() > kTypeAheadPause)
        m_strTypeAhead.clear();
    m_typeAheadClock.start();
    // The whole word typed so far, else the last letter alone (a new word started without a pause).
    for (const QString& strPrefix : {m_strTypeAhead + strTyped, strTyped}) {
        const CSiteNameFinder finder(FromDisplayText(strPrefix));
        for (int i = 0; i < m_model.Count(); ++i) {
            if (finder.FindIn(m_model.ReadyNameAt(i)) == 0) {
                m_strTypeAhead = strPrefix;
                m_select(i);
                return;
            }
        }
    }
    m_strTypeAhead.clear();
    m_prompts.MessageBeep();
}
