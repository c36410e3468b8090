#pragma once

#include <QItemDelegate>

// A plain line-edit delegate that tells its owner when its editor closes.
class ItemDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    explicit ItemDelegate(QObject* parent = nullptr);

signals:
    void editorClose(QItemDelegate* item);

public slots:
    void commitAndCloseEditor();
    void editorClose_(QWidget* editor, QAbstractItemDelegate::EndEditHint hint);
};
