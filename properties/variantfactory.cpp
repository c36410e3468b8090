#include "variantfactory.h"

#include "booledit.h"
#include "fileeditregistry.h"
#include "variantmanager.h"

#include <QLineEdit>

const char* const VariantFactory::kButtonOnlyRows[3] = {
    QT_TR_NOOP("GlobalCommand"),
    QT_TR_NOOP("ClearAlarm"),
    QT_TR_NOOP("ClrAlarmHsty"),
};

VariantFactory::VariantFactory(QObject* parent)
    : VariantEditorFactory(parent)
    , d(std::make_unique<FileEditRegistry>())
{
}

VariantFactory::~VariantFactory()
{
    // Check boxes belong to the check-box factory inside the base.
    d->deleteEditors();
}

void VariantFactory::connectPropertyManager(VariantPropertyManager* manager)
{
    connect(manager, &VariantPropertyManager::valueChanged, this, &VariantFactory::slotPropertyChanged);
    connect(manager, &VariantPropertyManager::attributeChanged, this,
            &VariantFactory::slotPropertyAttributeChanged);
    connect(manager, &AbstractPropertyManager::propertyDestroyed, this,
            &VariantFactory::slotPropertyDestroyed);
    VariantEditorFactory::connectPropertyManager(manager);
}

void VariantFactory::disconnectPropertyManager(VariantPropertyManager* manager)
{
    disconnect(manager, &VariantPropertyManager::valueChanged, this, &VariantFactory::slotPropertyChanged);
    disconnect(manager, &VariantPropertyManager::attributeChanged, this,
               &VariantFactory::slotPropertyAttributeChanged);
    disconnect(manager, &AbstractPropertyManager::propertyDestroyed, this,
               &VariantFactory::slotPropertyDestroyed);
    VariantEditorFactory::disconnectPropertyManager(manager);
}

QWidget* VariantFactory::createEditor(VariantPropertyManager* manager, Property* property, QWidget* parent)
{
    if (manager->propertyType(property) == VariantManager::filePathTypeId())
        return createFileEdit(manager, property, parent);
    QWidget* editor = VariantEditorFactory::createEditor(manager, property, parent);
    if (auto* checkBox = qobject_cast<BoolEdit*>(editor))
        followCheckBox(checkBox, property);
    auto* lineEdit = qobject_cast<QLineEdit*>(editor);
    if (lineEdit && m_commitOnFinishRows.contains(property->propertyName()))
        commitOnFinish(lineEdit, property);
    return editor;
}

bool VariantFactory::showsButtonOnly(const QString& rowName)
{
    for (const char* name : kButtonOnlyRows) {
        if (rowName == tr(name))
            return true;
    }
    return false;
}

QWidget* VariantFactory::createFileEdit(VariantPropertyManager* manager, Property* property, QWidget* parent)
{
    const QString path = manager->value(property).toString();
    const QString filter = manager->attributeValue(property, VariantManager::kFilterAttribute).toString();
    FileEdit* editor = d->createEditor(property, parent, m_buttonOnly, path, filter);
    if (showsButtonOnly(property->propertyName()))
        editor->setLineEditHidden(true);
    connect(editor, &FileEdit::btnClicked, this, &VariantFactory::slotBtnClicked);
    connect(editor, &FileEdit::filePathChanged, this, &VariantFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &VariantFactory::slotEditorDestroyed);
    return editor;
}

void VariantFactory::followCheckBox(BoolEdit* editor, Property* property)
{
    // An older entry at the same handle belongs to a dead editor.
    m_checkBoxToProperty[editor] = property;
    connect(editor, &BoolEdit::clicked, this, &VariantFactory::slotChkClicked);
    connect(editor, &QObject::destroyed, this, &VariantFactory::slotCheckBoxDestroyed);
}

// The text factory writes back at every key stroke; this editor's text goes
// to the row only once the operator is done with it.
void VariantFactory::commitOnFinish(QLineEdit* editor, Property* property)
{
    disconnect(editor, &QLineEdit::textChanged, nullptr, nullptr);
    m_finishingEditors.insert(editor, property);
    connect(editor, &QLineEdit::editingFinished, this, &VariantFactory::slotEditingFinished);
    connect(editor, &QObject::destroyed, this, &VariantFactory::slotFinishingEditorDestroyed);
}

void VariantFactory::slotEditingFinished()
{
    handOver(qobject_cast<QLineEdit*>(sender()), m_finishingEditors.value(sender()));
}

// A closed editor waiting to be freed is hidden and hands over nothing. The
// handing over may refill the panel and free editors: each is looked up anew.
void VariantFactory::finishEditing()
{
    for (QObject* editor : m_finishingEditors.keys()) {
        auto* lineEdit = m_finishingEditors.contains(editor) ? qobject_cast<QLineEdit*>(editor) : nullptr;
        if (lineEdit && !lineEdit->isHidden())
            handOver(lineEdit, m_finishingEditors.value(editor));
    }
}

void VariantFactory::handOver(QLineEdit* editor, Property* property)
{
    if (!editor || !property)
        return;
    VariantPropertyManager* manager = propertyManager(property);
    if (!manager)
        return;
    // Typed, or only left: the focus leaving an editor finishes it too.
    const bool typed = editor->isModified();
    editor->setModified(false);
    const QString text = editor->text();
    if (typed && manager->value(property).toString() == text)
        emit textEnteredAgain(property, text);
    else
        manager->setValue(property, text);
}

void VariantFactory::slotFinishingEditorDestroyed(QObject* object)
{
    m_finishingEditors.remove(object);
}

void VariantFactory::slotPropertyChanged(Property* property, const QVariant& value)
{
    if (d->hasEditors(property))
        d->setFilePath(property, value.toString());
}

void VariantFactory::slotPropertyAttributeChanged(Property* property, const QString& attribute,
                                                  const QVariant& value)
{
    if (attribute == VariantManager::kFilterAttribute && d->hasEditors(property))
        d->setFilter(property, value.toString());
}

void VariantFactory::slotSetValue(const QString& value)
{
    d->writeBack(this, sender(), value);
}

void VariantFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}

void VariantFactory::slotBtnClicked()
{
    if (Property* property = d->servedProperty(this, sender()))
        emit btnClicked(property);
}

void VariantFactory::slotChkClicked()
{
    QObject* object = sender();
    for (auto it = m_checkBoxToProperty.constBegin(); it != m_checkBoxToProperty.constEnd(); ++it) {
        if (static_cast<QObject*>(it.key()) != object)
            continue;
        Property* property = it.value();
        if (propertyManager(property))
            emit chckClicked(property, it.key()->isChecked());
        return;
    }
}

void VariantFactory::slotCheckBoxDestroyed(QObject* object)
{
    // Only the handle is compared: the editor is half destroyed by now.
    for (auto it = m_checkBoxToProperty.begin(); it != m_checkBoxToProperty.end(); ++it) {
        if (static_cast<QObject*>(it.key()) == object) {
            m_checkBoxToProperty.erase(it);
            return;
        }
    }
}

void VariantFactory::slotPropertyDestroyed(Property* property)
{
    // A panel refilled while a row was being edited: the editor stays on
    // screen until its cell closes, but its clicks and edits must never
    // reach the deleted property.
    d->forgetProperty(property);
    for (auto it = m_checkBoxToProperty.begin(); it != m_checkBoxToProperty.end();) {
        if (it.value() == property)
            it = m_checkBoxToProperty.erase(it);
        else
            ++it;
    }
    for (auto it = m_finishingEditors.begin(); it != m_finishingEditors.end();) {
        if (it.value() == property)
            it = m_finishingEditors.erase(it);
        else
            ++it;
    }
}
