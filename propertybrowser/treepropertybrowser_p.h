#pragma once

#include "treepropertybrowser.h"

#include <QIcon>
#include <QMap>

class PropertyEditorDelegate;
class PropertyEditorView;
class QTreeWidgetItem;

// The record that the tree browser shares with its view and delegate.
class TreePropertyBrowserPrivate
{
public:
    explicit TreePropertyBrowserPrivate(TreePropertyBrowser* browser) : q(browser) {}

    QWidget* createEditor(Property* property, QWidget* parent);

    QTreeWidgetItem* indexToRow(const QModelIndex& index) const;
    BrowserItem* indexToBrowserItem(const QModelIndex& index) const;
    Property* indexToProperty(const QModelIndex& index) const;
    QTreeWidgetItem* editedRow() const;
    bool isLastColumn(int column) const;
    QColor calculatedBackgroundColor(BrowserItem* item) const;
    bool markPropertiesWithoutValue() const { return propertiesWithoutValueMarked; }

    void updateRow(QTreeWidgetItem* row);
    void refreshValuelessRows();
    void enableRow(QTreeWidgetItem* row);
    void disableRow(QTreeWidgetItem* row);
    void drawExpandIcon();

    TreePropertyBrowser* q;
    QMap<BrowserItem*, QTreeWidgetItem*> rowByItem;
    QMap<QTreeWidgetItem*, BrowserItem*> itemByRow;
    QMap<BrowserItem*, QColor> backgroundByItem;
    PropertyEditorView* view = nullptr;
    bool headerVisible = true;
    TreePropertyBrowser::ResizeMode resizeMode = TreePropertyBrowser::Stretch;
    PropertyEditorDelegate* delegate = nullptr;
    bool propertiesWithoutValueMarked = false;
    bool echoGuard = false;
    QIcon expandIcon;
};
