#pragma once

#include <QItemDelegate>
#include <QString>

// A line-edit delegate for numeric text cells: with the type "DBL" only a
// complete decimal number, with "INT" only a complete integer reaches the
// model; any other type writes the text unchecked. The cells hold strings.
class DigDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    static inline const QString DoubleType = QStringLiteral("DBL");
    static inline const QString IntType = QStringLiteral("INT");

    DigDelegate(QObject* parent, const QString& type);

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

signals:
    void editorClose(QItemDelegate* item);

public slots:
    void commitAndCloseEditor();
    void editorClose_(QWidget* editor, QAbstractItemDelegate::EndEditHint hint);

private:
    bool accepts(const QString& text) const;

    QString m_type;
};
