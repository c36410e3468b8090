#pragma once

#include <QSortFilterProxyModel>
#include <QString>

// Decides which elements the element tree and the element pickers show.
// A picker flag lets through the workplaces and the kinds of element that
// can be picked (the first flag set decides); without one, the tree shows
// one workplace when named, and the current workplace mode hides TW systems
// (mode 1) or map elements (mode 2).
class ElementTreeProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ElementTreeProxyModel(QObject* parent = nullptr);

    bool buttonTargets = false;
    bool selectEnergizer = false;
    bool selectIOCard = false;
    bool selectFence = false;
    bool selectSensor = false;
    int workplaceMode = 0;

    // The one workplace the tree shows, by its caption; empty shows all.
    // Takes effect at the next invalidate().
    void setWorkplaceFilter(const QString& caption) { m_workplaceFilter = caption; }
    QString workplaceFilter() const { return m_workplaceFilter; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString m_workplaceFilter;
};
