#pragma once

#include <QDialog>
#include <QPoint>

class Node;
class QMenu;
class QTableWidgetItem;
class qtClientTW;

namespace Ui {
class TWSensorsSetupDlg;
}

// Sets up the TW systems: the controller address and enabled flag of the
// chosen system, and the names and enabled flags of its sensors. Every change
// goes into the nodes of the TW sensor model and their twins in the element
// tree at once; there is nothing to confirm. GUI thread only.
class TWSensorsSetupDlg : public QDialog
{
    Q_OBJECT
public:
    // The table's columns.
    enum Column { IdColumn = 0, NameColumn = 1, EnabledColumn = 2 };

    explicit TWSensorsSetupDlg(QWidget* parent = nullptr);
    ~TWSensorsSetupDlg() override;

    // The program's TW client, reconnected when an enabled system gets a new address.
    void setTWClient(qtClientTW* client) { twClient = client; }

    // Opens the dialog on the TW system at `index` (the workspace's) and runs it.
    int execForSystem(int index);

signals:
    // Enabled flags changed: the owner re-filters the element tree and the TW states view.
    void enabledFlagsChanged();
    // The shown TW system was enabled or disabled ("Add TW sector" follows it).
    void twSystemEnabledChanged();

public slots:
    void onTreeViewContextMenu(QPoint point);
    // Ticks every sensor of the table.
    void checkAll();
    void twsystemChanged(int index);
    void setIPaddress();
    void itemClicked(QTableWidgetItem* item);
    void itemChanged(QTableWidgetItem* item);
    void twClicked();

protected:
    void done(int result) override;

private:
    Node* currentSystem() const;
    void setAllChecked(Qt::CheckState state);
    // Sets the address in the field on the system at `index`, and points the
    // client at it when the system is shown enabled. Refuses, with a
    // warning, a text that is no address.
    void setAddressOf(int index);
    // The system at `index` takes `name`, in both models and in the list.
    void setSystemName(int index, const QString& name);
    // An address typed but not set with the button is set as the button
    // would, once the operator moves on: the system is enabled, another
    // system is chosen, or the dialog closes.
    void setTypedAddress();
    void fillTable(Node* system);
    // Writes the table's check states into the sensors and their twins.
    void applyTable();
    static void createTwin(Node* sensor, Node* systemTwin);
    void setControlsEnabled(bool on);

    Ui::TWSensorsSetupDlg* ui;
    QMenu* contextMenu = nullptr;
    bool filling = false;
    qtClientTW* twClient = nullptr;
    // The system whose address the field shows.
    int shownIndex = -1;
    // The field's text as last refused, until the operator edits it.
    QString refusedText;
};
