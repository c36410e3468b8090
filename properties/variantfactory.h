#pragma once

#include "varianteditorfactory.h"

#include <QMap>
#include <QStringList>

#include <memory>

class BoolEdit;
class FileEditRegistry;
class QLineEdit;

// The editor factory of the property panels. File-path rows get a FileEdit
// whose button reports its click as btnClicked(property) instead of opening
// a file chooser; the command rows "GlobalCommand", "ClearAlarm" and
// "ClrAlarmHsty" show the bare button. Every check box of a boolean row
// reports the operator's clicks as chckClicked(property, checked), never a
// programmatic change of its state. The text editors of the rows named in
// setCommitOnFinishRows write their value only when editing finishes
// (Return, or the editor losing the focus), not at every key stroke; a text
// the operator typed that ends as the row's value, which the manager takes
// as no change, is reported as textEnteredAgain(property, text).
class VariantFactory : public VariantEditorFactory
{
    Q_OBJECT
public:
    explicit VariantFactory(QObject* parent = nullptr);
    ~VariantFactory() override;

    bool isButtonOnly() const { return m_buttonOnly; }
    // Row names (untranslated) whose text is taken only once it is complete.
    void setCommitOnFinishRows(const QStringList& rowNames) { m_commitOnFinishRows = rowNames; }
    // The open editors of those rows hand over their text, as their losing
    // the focus would; they stay open.
    void finishEditing();

    // Row names (untranslated) whose file-path editor shows only its button.
    static const char* const kButtonOnlyRows[3];

signals:
    void btnClicked(Property* property);
    void chckClicked(Property* property, bool checked);
    void textEnteredAgain(Property* property, const QString& text);

protected:
    void connectPropertyManager(VariantPropertyManager* manager) override;
    QWidget* createEditor(VariantPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(VariantPropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QVariant& value);
    void slotPropertyAttributeChanged(Property* property, const QString& attribute, const QVariant& value);
    void slotSetValue(const QString& value);
    void slotEditorDestroyed(QObject* object);
    void slotBtnClicked();
    void slotChkClicked();
    void slotCheckBoxDestroyed(QObject* object);
    void slotEditingFinished();
    void slotFinishingEditorDestroyed(QObject* object);
    void slotPropertyDestroyed(Property* property);

private:
    static bool showsButtonOnly(const QString& rowName);
    QWidget* createFileEdit(VariantPropertyManager* manager, Property* property, QWidget* parent);
    void followCheckBox(BoolEdit* editor, Property* property);
    void commitOnFinish(QLineEdit* editor, Property* property);
    void handOver(QLineEdit* editor, Property* property);

    bool m_buttonOnly = true;
    std::unique_ptr<FileEditRegistry> d;
    QMap<BoolEdit*, Property*> m_checkBoxToProperty;
    QStringList m_commitOnFinishRows;
    QMap<QObject*, Property*> m_finishingEditors;
};
