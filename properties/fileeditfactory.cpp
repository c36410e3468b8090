#include "fileeditfactory.h"

#include "fileeditregistry.h"

FileEditFactory::FileEditFactory(QObject* parent)
    : AbstractEditorFactory<FilePathManager>(parent)
    , d(std::make_unique<FileEditRegistry>())
{
}

FileEditFactory::~FileEditFactory()
{
    d->deleteEditors();
}

void FileEditFactory::connectPropertyManager(FilePathManager* manager)
{
    connect(manager, &FilePathManager::valueChanged, this, &FileEditFactory::slotPropertyChanged);
    connect(manager, &FilePathManager::filterChanged, this, &FileEditFactory::slotFilterChanged);
    d->followDeletions(this, manager);
}

void FileEditFactory::disconnectPropertyManager(FilePathManager* manager)
{
    disconnect(manager, &FilePathManager::valueChanged, this, &FileEditFactory::slotPropertyChanged);
    disconnect(manager, &FilePathManager::filterChanged, this, &FileEditFactory::slotFilterChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* FileEditFactory::createEditor(FilePathManager* manager, Property* property, QWidget* parent)
{
    FileEdit* editor = d->createEditor(property, parent, m_buttonOnly, manager->value(property),
                                       manager->filter(property));
    connect(editor, &FileEdit::btnClicked, this, &FileEditFactory::slotBtnClicked);
    connect(editor, &FileEdit::filePathChanged, this, &FileEditFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &FileEditFactory::slotEditorDestroyed);
    return editor;
}

void FileEditFactory::slotPropertyChanged(Property* property, const QString& value)
{
    d->setFilePath(property, value);
}

void FileEditFactory::slotFilterChanged(Property* property, const QString& filter)
{
    d->setFilter(property, filter);
}

void FileEditFactory::slotSetValue(const QString& value)
{
    d->writeBack(this, sender(), value);
}

void FileEditFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}

void FileEditFactory::slotBtnClicked()
{
    if (Property* property = d->servedProperty(this, sender()))
        emit btnClicked(property);
}
