#pragma once

#include <QItemDelegate>

// A decimal spin-box delegate with a fixed range, step and precision.
class SpinDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    SpinDelegate(double minimum, double maximum, double step, int decimals, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

public slots:
    void commitAndCloseEditor();

private:
    double m_minimum;
    double m_maximum;
    double m_step;
    int m_decimals;
};
