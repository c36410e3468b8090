#pragma once

#include "abstractpropertymanager.h"
#include "editorregistry.h"

#include <QList>
#include <QSet>

// The private data of a typed editor factory: the registry of its open
// editors plus the moves every factory makes with it.
template <class Editor>
class EditorFactoryPrivate : public EditorRegistry<Editor>
{
public:
    // Runs `apply` on every open editor of the property, in creation order,
    // on a copy of the list so that an editor dying meanwhile disturbs nothing.
    template <class Apply>
    void forEachEditor(Property* property, Apply apply) const
    {
        const auto it = this->createdEditors.constFind(property);
        if (it == this->createdEditors.constEnd())
            return;
        const QList<Editor*> editors = it.value();
        for (Editor* editor : editors)
            apply(editor);
    }

    // As forEachEditor, with each editor's signals blocked so that pushing a
    // manager value into it never writes the value back.
    template <class Apply>
    void forEachEditorBlocked(Property* property, Apply apply) const
    {
        forEachEditor(property, [&apply](Editor* editor) {
            const bool wasBlocked = editor->blockSignals(true);
            apply(editor);
            editor->blockSignals(wasBlocked);
        });
    }

    bool hasEditors(Property* property) const { return this->createdEditors.contains(property); }

    // The property that a sending editor shows, or null for a stranger.
    Property* propertyOfEditor(QObject* sender) const
    {
        for (auto it = this->editorToProperty.constBegin(); it != this->editorToProperty.constEnd(); ++it) {
            if (static_cast<QObject*>(it.key()) == sender)
                return it.value();
        }
        return nullptr;
    }

    // A property was deleted with editors still open (a panel refilled while
    // editing): its editors stay on screen until their cell closes, but must
    // never reach the freed property again.
    void forgetProperty(Property* property)
    {
        const QList<Editor*> editors = this->createdEditors.take(property);
        for (Editor* editor : editors)
            this->editorToProperty.remove(editor);
    }

    // Follows the manager's property deletions (see forgetProperty) for as
    // long as the factory serves the manager.
    void followDeletions(QObject* factory, AbstractPropertyManager* manager)
    {
        QObject::connect(manager, &AbstractPropertyManager::propertyDestroyed, factory,
                         [this](Property* property) { forgetProperty(property); });
    }

    void stopFollowingDeletions(QObject* factory, AbstractPropertyManager* manager)
    {
        QObject::disconnect(manager, &AbstractPropertyManager::propertyDestroyed, factory, nullptr);
    }

    // Deletes every open editor; each deletion comes back through
    // slotEditorDestroyed and leaves the maps.
    void deleteEditors()
    {
        const QList<Editor*> editors = this->editorToProperty.keys();
        for (Editor* editor : editors)
            delete editor;
    }

    // Writes an editor's value into the manager that owns its property, when
    // the factory still serves that manager. Ownership is checked through the
    // managers' property sets, never by dereferencing the property.
    template <class Factory, class Value>
    void writeBack(Factory* factory, QObject* sender, const Value& value) const
    {
        Property* property = propertyOfEditor(sender);
        if (!property)
            return;
        const auto managers = factory->propertyManagers();
        for (auto* manager : managers) {
            if (manager->properties().contains(property)) {
                manager->setValue(property, value);
                return;
            }
        }
    }
};
