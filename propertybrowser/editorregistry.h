#pragma once

#include <QList>
#include <QMap>
#include <QObject>

class Property;

// The two maps an editor factory keeps between properties and the live
// editors that show them: manager changes reach every editor of a property,
// and an edit goes back to the editor's property. A destroyed editor is
// forgotten at once through slotEditorDestroyed.
template <class Editor>
class EditorRegistry
{
public:
    QMap<Property *, QList<Editor *>> createdEditors;
    QMap<Editor *, Property *> editorToProperty;

    void registerEditor(Property *property, Editor *editor)
    {
        createdEditors[property].append(editor);
        editorToProperty[editor] = property;
    }

    void slotEditorDestroyed(QObject *object)
    {
        // Only pointers are compared: the editor is half destroyed by now.
        for (auto it = editorToProperty.begin(); it != editorToProperty.end(); ++it) {
            if (static_cast<QObject *>(it.key()) != object)
                continue;
            Editor *editor = it.key();
            Property *property = it.value();
            const auto listIt = createdEditors.find(property);
            if (listIt != createdEditors.end()) {
                listIt->removeAll(editor);
                if (listIt->isEmpty())
                    createdEditors.erase(listIt);
            }
            editorToProperty.erase(it);
            return;
        }
    }
};
