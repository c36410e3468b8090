#pragma once

#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <functional>

class GatewaySetupHost;
class Node;
class QMenu;
class QTableWidget;
class QTableWidgetItem;
class TreeModel;

namespace Ui {
class OsprelVellSetupWidget;
}

// Sets up the devices behind one gateway: enables or disables each energizer
// and IO card, opens a device's mapping dialog, switches the "with text file"
// mode of each table and exports the mappings to the gateway's text files.
// Every change goes into the nodes of the energizer states model and the
// element tree at once.
//
// The gateway shown is always the one at the combo box's index under the
// energizer model's root: several gateways may carry the same address.
class OsprelVellSetupWidget : public QWidget
{
    Q_OBJECT
public:
    // The parent object name of the wizard page, in which every device of
    // the gateway the wizard sets up ends enabled.
    static inline const QString WizardPageName = QStringLiteral("VellSetUpPage");
    static constexpr int IdColumn = 0;
    static constexpr int NameColumn = 1;
    static constexpr int EnabledColumn = 2;
    static constexpr int MappingColumn = 3;
    static constexpr int EnergizerRows = 32;

    // Asks for the export file's name; empty when cancelled.
    using SaveFileNameHook =
        std::function<QString(QWidget* parent, const QString& caption, const QString& name, const QString& filter)>;
    static void setSaveFileNameHook(SaveFileNameHook hook);

    explicit OsprelVellSetupWidget(GatewaySetupHost* host, QWidget* parent = nullptr);
    ~OsprelVellSetupWidget() override;

    // Lists every gateway and shows the one named `gatewayName` (the first
    // when none is named or found); `preferred`, when listed, wins over the
    // name. In the wizard `preferred` is the gateway it sets up.
    void fillGateways(const QString& gatewayName, const Node* preferred = nullptr);
    Node* currentGateway() const { return m_currentGateway; }
    // Commits a Name cell still being edited, before the frame closes.
    void commitEdits();

public slots:
    void vellChanged(int index);
    void itemClicked(QTableWidgetItem* item);
    void onTreeViewContextMenu(const QPoint& point);
    // Ticks and enables every device of both tables.
    void checkAll();
    void showMapping(QTableWidgetItem* item);
    void exportMapping();
    void currentTabChanged(int tab);
    void withTextClicked();
    void nameEdited(QTableWidgetItem* item);

private:
    void fillEnergizers(Node* gateway);
    void fillIOCards(Node* gateway);
    void appendDeviceRow(QTableWidget* table, Node* child);
    bool inWizard() const;
    static int deviceIndex(QTableWidget* table, int row);
    Node* gatewayChild(int index) const;
    void setDeviceEnabled(int index, bool state);
    void refreshViews();
    void setGlobalRowEnabled();
    void checkTable(QTableWidget* table, bool state);
    void checkTables(const QList<QTableWidget*>& tables, bool state);
    void resetMappings(bool energizers);
    void storeSettings(const QVariantMap& values);

    Ui::OsprelVellSetupWidget* ui;
    GatewaySetupHost* m_host;
    TreeModel* m_energizerModel = nullptr;
    TreeModel* m_elementModel = nullptr;
    Node* m_root = nullptr;
    Node* m_currentGateway = nullptr;
    // The gateway the wizard sets up (its row lives while the wizard runs);
    // null outside the wizard.
    const Node* m_setUpGateway = nullptr;
    // The gateway the wizard has ticked; from then on its marks are the operator's.
    const Node* m_tickedGateway = nullptr;
    QMenu* m_contextMenu = nullptr;
    bool m_withTextEnerg = false;
    bool m_withTextIOCard = false;
    // Set while the tables are written by the program, whose check-state
    // changes are no operator's toggles.
    bool m_filling = false;
};
