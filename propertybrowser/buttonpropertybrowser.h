#pragma once

#include "abstractpropertybrowser.h"

#include <memory>

class ButtonPropertyBrowserPrivate;

// Lays the property tree out as a grid of always-open editors: name in
// column 0, editor (or value text) in column 1. A property with children
// becomes a section that a tool button folds and unfolds.
class ButtonPropertyBrowser : public AbstractPropertyBrowser
{
    Q_OBJECT
public:
    explicit ButtonPropertyBrowser(QWidget* parent = nullptr);
    ~ButtonPropertyBrowser() override;

    void setExpanded(BrowserItem* item, bool expanded);
    bool isExpanded(BrowserItem* item) const;

signals:
    void collapsed(BrowserItem* item);
    void expanded(BrowserItem* item);

protected:
    void itemInserted(BrowserItem* item, BrowserItem* afterItem) override;
    void itemRemoved(BrowserItem* item) override;
    void itemChanged(BrowserItem* item) override;

private slots:
    void slotUpdate();
    void slotEditorDestroyed();
    void slotToggled(bool checked);

private:
    std::unique_ptr<ButtonPropertyBrowserPrivate> d;
    friend class ButtonPropertyBrowserPrivate;
};
