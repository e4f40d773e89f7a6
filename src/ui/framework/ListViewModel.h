#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTreeView>

// A table model for a template's list view (EControlKind::ListView): its column titles are the ones the
// template names, so a dialog's own model only says what its rows hold.
class CListViewModel : public QAbstractTableModel {
public:
    CListViewModel(QStringList columns, QObject* pParent)
        : QAbstractTableModel(pParent), m_columns(std::move(columns)) {}

    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
    }
    QVariant headerData(int nSection, Qt::Orientation orientation, int nRole) const override {
        if (orientation == Qt::Horizontal && nRole == Qt::DisplayRole && nSection >= 0 && nSection < m_columns.size())
            return m_columns[nSection];
        return {};
    }

    // The column titles of the model the builder gave the list.
    static QStringList ColumnsOf(const QTreeView& list) {
        QStringList columns;
        for (int i = 0; i < list.model()->columnCount(); ++i)
            columns << list.model()->headerData(i, Qt::Horizontal).toString();
        return columns;
    }
    // Puts pModel in the place of the builder's model, which goes.
    static void Install(QTreeView& list, CListViewModel* pModel) {
        QAbstractItemModel* pTemplateModel = list.model();
        list.setModel(pModel);
        delete pTemplateModel;
    }

private:
    QStringList m_columns;
};
