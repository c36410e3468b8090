#pragma once

#include "abstractpropertybrowser.h"

#include <QColor>

#include <memory>

class QModelIndex;
class QTreeWidgetItem;
class TreePropertyBrowserPrivate;

// The property panel widget: a two-column tree ("Property", "Value") with
// one row per browser item. A single click on a value cell, or Space,
// Return or Enter on a row, opens the editor of the bound factory. Rows can
// carry a background colour that their descendants inherit; group headings
// (properties without a value) can be marked dark across both columns, and
// the names of modified properties are drawn bold.
class TreePropertyBrowser : public AbstractPropertyBrowser
{
    Q_OBJECT
    Q_PROPERTY(int indentation READ indentation WRITE setIndentation)
    Q_PROPERTY(bool rootIsDecorated READ rootIsDecorated WRITE setRootIsDecorated)
    Q_PROPERTY(bool alternatingRowColors READ alternatingRowColors WRITE setAlternatingRowColors)
    Q_PROPERTY(bool headerVisible READ isHeaderVisible WRITE setHeaderVisible)
    Q_PROPERTY(ResizeMode resizeMode READ resizeMode WRITE setResizeMode)
    Q_PROPERTY(int splitterPosition READ splitterPosition WRITE setSplitterPosition)
    Q_PROPERTY(bool propertiesWithoutValueMarked READ propertiesWithoutValueMarked
                   WRITE setPropertiesWithoutValueMarked)
public:
    // A fixed underlying type: a value from a property write or a cast that
    // is not one of these stays a valid value to reject, not undefined.
    enum ResizeMode : int { Interactive, Stretch, Fixed, ResizeToContents };
    Q_ENUM(ResizeMode)

    explicit TreePropertyBrowser(QWidget* parent = nullptr);
    ~TreePropertyBrowser() override;

    int indentation() const;
    void setIndentation(int indentation);

    bool rootIsDecorated() const;
    void setRootIsDecorated(bool show);

    bool alternatingRowColors() const;
    void setAlternatingRowColors(bool enable);

    bool isHeaderVisible() const;
    void setHeaderVisible(bool visible);

    ResizeMode resizeMode() const;
    void setResizeMode(ResizeMode mode);

    int splitterPosition() const;
    void setSplitterPosition(int position);

    bool propertiesWithoutValueMarked() const;
    void setPropertiesWithoutValueMarked(bool mark);

    void setExpanded(BrowserItem* item, bool expanded);
    bool isExpanded(BrowserItem* item) const;

    bool isItemVisible(BrowserItem* item) const;
    void setItemVisible(BrowserItem* item, bool visible);

    void setBackgroundColor(BrowserItem* item, const QColor& color);
    QColor backgroundColor(BrowserItem* item) const;
    QColor calculatedBackgroundColor(BrowserItem* item) const;

    void editItem(BrowserItem* item);

    // The row of the property's last item here, or null.
    QTreeWidgetItem* propertyTreeItem(Property* property) const;

signals:
    void collapsed(BrowserItem* item);
    void expanded(BrowserItem* item);

protected:
    void itemInserted(BrowserItem* item, BrowserItem* afterItem) override;
    void itemRemoved(BrowserItem* item) override;
    void itemChanged(BrowserItem* item) override;

private slots:
    void slotCollapsed(const QModelIndex& index);
    void slotExpanded(const QModelIndex& index);
    void slotCurrentBrowserItemChanged(BrowserItem* item);
    void slotCurrentTreeItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);

private:
    std::unique_ptr<TreePropertyBrowserPrivate> d;
    friend class TreePropertyBrowserPrivate;
};
