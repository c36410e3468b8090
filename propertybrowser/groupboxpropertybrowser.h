#pragma once

#include "abstractpropertybrowser.h"

#include <memory>

class GroupBoxPropertyBrowserPrivate;

// Lays the property tree out as a grid of always-open editors: name in
// column 0, editor (or value text) in column 1. A property with children
// becomes a titled group box that is always open; its own editor, if any,
// heads the box above a separator line.
class GroupBoxPropertyBrowser : public AbstractPropertyBrowser
{
    Q_OBJECT
public:
    explicit GroupBoxPropertyBrowser(QWidget* parent = nullptr);
    ~GroupBoxPropertyBrowser() override;

protected:
    void itemInserted(BrowserItem* item, BrowserItem* afterItem) override;
    void itemRemoved(BrowserItem* item) override;
    void itemChanged(BrowserItem* item) override;

private slots:
    void slotUpdate();
    void slotEditorDestroyed();

private:
    std::unique_ptr<GroupBoxPropertyBrowserPrivate> d;
    friend class GroupBoxPropertyBrowserPrivate;
};
