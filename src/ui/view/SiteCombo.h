#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>

class CSiteListModel;
class CWndPrompts;
class QComboBox;

// The site list's drop-down over the list's model: letters typed on the closed list go to a site, as a
// drop-down list does, and the list opens only while the form is browsing sites; in data entry, or with no
// site at all, opening it says why not.
class CSiteCombo : public QObject {
    Q_OBJECT
public:
    // browsing: whether the form is browsing (else in data entry); select: shows list entry i as if picked.
    CSiteCombo(QComboBox& combo, CSiteListModel& model, CWndPrompts& prompts, std::function<bool()> browsing,
               std::function<void(int)> select);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    bool IsBrowsingWithSites() const;
    // The drop-down guard: may the list open now?
    bool MayDropDown() const;
    void OnDropDownRefused();
    // Letters typed on the closed list while browsing.
    void OnTypeAhead(const QString& strTyped);
    static constexpr int kTypeAheadPause = 1000; // ms

    QComboBox& m_combo;
    CSiteListModel& m_model;
    CWndPrompts& m_prompts;
    std::function<bool()> m_browsing;
    std::function<void(int)> m_select;
    bool m_bRefusalPosted = false;
    QString m_strTypeAhead;
    QElapsedTimer m_typeAheadClock;
};
