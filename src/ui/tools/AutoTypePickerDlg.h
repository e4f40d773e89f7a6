#pragma once

#include <QDialog>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class QLineEdit;
class QListView;
class CPickerModel;

// The small window over every other that asks which site to type, when the focused window's title names none or
// several: typing in its box narrows the list to the names that hold the text (ignoring case, as Find Site does),
// the arrow keys move in the list, Enter types the chosen site, Esc closes.
class CAutoTypePickerDlg : public QDialog {
    Q_OBJECT
public:
    // names: the sites' names, as stored, in the order to list them; chosen() gives an index into them.
    explicit CAutoTypePickerDlg(const std::vector<std::string_view>& names, QWidget* pParent = nullptr);
    ~CAutoTypePickerDlg() override;

    // What typing strText in the box does: the list narrows to it and its first name is chosen.
    void SetFilter(const QString& strText);
    // The site chosen in the list (an index into the names), or -1 when the list is empty.
    int Chosen() const;
    int ShownCount() const;
    QLineEdit* FilterBox() const { return m_pFilter; }
    QListView* List() const { return m_pList; }

Q_SIGNALS:
    void chosen(int nSite);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void Accept();

    CPickerModel* m_pModel = nullptr;
    QLineEdit* m_pFilter = nullptr;
    QListView* m_pList = nullptr;
};
