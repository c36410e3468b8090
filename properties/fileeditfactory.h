#pragma once

#include "abstracteditorfactory.h"
#include "filepathmanager.h"

#include <memory>

class FileEditRegistry;

// FileEdit editors for the properties of FilePathManagers, kept in step
// with their manager both ways.
class FileEditFactory : public AbstractEditorFactory<FilePathManager>
{
    Q_OBJECT
public:
    explicit FileEditFactory(QObject* parent = nullptr);
    ~FileEditFactory() override;

    // Copied into every editor made afterwards; off by default, so the
    // button opens a file chooser.
    void setButtonOnly(bool buttonOnly) { m_buttonOnly = buttonOnly; }
    bool isButtonOnly() const { return m_buttonOnly; }

signals:
    void btnClicked(Property* property);

protected:
    void connectPropertyManager(FilePathManager* manager) override;
    QWidget* createEditor(FilePathManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(FilePathManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QString& value);
    void slotFilterChanged(Property* property, const QString& filter);
    void slotSetValue(const QString& value);
    void slotEditorDestroyed(QObject* object);
    void slotBtnClicked();

private:
    bool m_buttonOnly = false;
    std::unique_ptr<FileEditRegistry> d;
};
