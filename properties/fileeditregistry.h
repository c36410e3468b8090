#pragma once

#include "editorfactoryprivate.h"
#include "fileedit.h"

// The open FileEdit editors of a factory, by property and by editor, with
// the moves that both file-path factories make on them.
class FileEditRegistry : public EditorFactoryPrivate<FileEdit>
{
public:
    // A new editor showing `path` with `filter`, entered in both maps.
    FileEdit* createEditor(Property* property, QWidget* parent, bool buttonOnly, const QString& path,
                           const QString& filter)
    {
        auto* editor = new FileEdit(parent);
        editor->setButtonOnly(buttonOnly);
        editor->setFilePath(path);
        editor->setFilter(filter);
        registerEditor(property, editor);
        return editor;
    }

    // A programmatic path is no user edit: no filePathChanged comes back.
    void setFilePath(Property* property, const QString& path) const
    {
        forEachEditor(property, [&path](FileEdit* editor) { editor->setFilePath(path); });
    }

    // The property of a sending editor, when its manager is one that the
    // factory serves; null for a stranger.
    template <class Factory>
    Property* servedProperty(const Factory* factory, QObject* sender) const
    {
        Property* property = propertyOfEditor(sender);
        return property && factory->propertyManager(property) ? property : nullptr;
    }

    void setFilter(Property* property, const QString& filter) const
    {
        forEachEditor(property, [&filter](FileEdit* editor) { editor->setFilter(filter); });
    }
};
