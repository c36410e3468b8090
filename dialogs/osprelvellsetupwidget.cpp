#include "osprelvellsetupwidget.h"
#include "dialogslogging.h"
#include "ui_osprelvellsetupwidget.h"

#include "cellwidgets.h"
#include "gatewaysetuphost.h"
#include "mappingdlg.h"
#include "mappingexportfile.h"
#include "node.h"
#include "savefiledialog.h"
#include "settingsfile.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QAbstractItemDelegate>
#include <QAction>
#include <QDebug>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>

namespace {

const QString kWithTextEnergKey = QStringLiteral("withTextEnerg");
const QString kWithTextIOCardKey = QStringLiteral("withTextIOCard");
const QString kGlobalInput1Key = QStringLiteral("GlobalInput1");
const QString kGlobalInput2Key = QStringLiteral("GlobalInput2");
constexpr int kIdColumnWidth = 50;
constexpr int kNameColumnWidth = 140;
constexpr int kBoldWeight = 75;

OsprelVellSetupWidget::SaveFileNameHook& saveFileNameHook()
{
    static OsprelVellSetupWidget::SaveFileNameHook hook;
    return hook;
}

QString askSaveFileName(QWidget* parent, const QString& caption, const QString& name, const QString& filter)
{
    if (saveFileNameHook())
        return saveFileNameHook()(parent, caption, name, filter);
    return SaveFileDialog::getSaveFileName(parent, caption, name, filter, MappingExportFile::FileSuffix);
}

QTableWidgetItem* fixedItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

void OsprelVellSetupWidget::setSaveFileNameHook(SaveFileNameHook hook)
{
    saveFileNameHook() = std::move(hook);
}

OsprelVellSetupWidget::OsprelVellSetupWidget(GatewaySetupHost* host, QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::OsprelVellSetupWidget)
    , m_host(host)
    , m_energizerModel(g_energizerModel)
    , m_elementModel(g_elementTreeModel)
{
    ui->setupUi(this);
    {
        const auto settings = SettingsFile::open();
        m_withTextEnerg = SettingsFile::boolValue(*settings, kWithTextEnergKey, false);
        m_withTextIOCard = SettingsFile::boolValue(*settings, kWithTextIOCardKey, false);
    }
    ui->chckTextFile->setChecked(m_withTextEnerg);

    m_contextMenu = new QMenu(this);
    for (QTableWidget* table : {ui->tableEnergizers, ui->tableIOCards}) {
        table->setContextMenuPolicy(Qt::CustomContextMenu);
        table->setColumnWidth(IdColumn, kIdColumnWidth);
        table->setColumnWidth(NameColumn, kNameColumnWidth);
        connect(table, &QTableWidget::itemDoubleClicked, this, &OsprelVellSetupWidget::showMapping);
        // Check states change by mouse and by keyboard alike.
        connect(table, &QTableWidget::itemChanged, this, &OsprelVellSetupWidget::itemClicked);
        connect(table, &QTableWidget::itemChanged, this, &OsprelVellSetupWidget::nameEdited);
        connect(table, &QWidget::customContextMenuRequested, this, &OsprelVellSetupWidget::onTreeViewContextMenu);
    }
    connect(ui->btnExportMapping, &QToolButton::clicked, this, &OsprelVellSetupWidget::exportMapping);
    connect(ui->cbVells, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &OsprelVellSetupWidget::vellChanged);
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &OsprelVellSetupWidget::currentTabChanged);
    connect(ui->chckTextFile, &QCheckBox::clicked, this, &OsprelVellSetupWidget::withTextClicked);
}

OsprelVellSetupWidget::~OsprelVellSetupWidget()
{
    delete ui;
}

// ---------------------------------------------------------------- gateways

void OsprelVellSetupWidget::fillGateways(const QString& gatewayName, const Node* preferred)
{
    m_root = m_energizerModel ? m_energizerModel->rootNode() : nullptr;
    m_setUpGateway = inWizard() ? preferred : nullptr;
    int selected = 0;
    {
        const QSignalBlocker blocker(ui->cbVells);
        ui->cbVells->clear();
        for (int row = 0; m_root && row < m_root->childCount(); ++row) {
            Node* gateway = m_root->child(row);
            ui->cbVells->addItem(gateway->data(0).toString());
            if (gateway == preferred)
                selected = row;
        }
        const int named = gatewayName.isEmpty() ? -1 : ui->cbVells->findText(gatewayName);
        if (named >= 0 && !(preferred && m_root->children.contains(const_cast<Node*>(preferred))))
            selected = named;
        ui->cbVells->setCurrentIndex(ui->cbVells->count() > 0 ? selected : -1);
    }
    vellChanged(ui->cbVells->currentIndex());
}

void OsprelVellSetupWidget::vellChanged(int index)
{
    m_currentGateway = m_root && index >= 0 ? m_root->child(index) : nullptr;
    ui->tabWidget->setCurrentIndex(0);
    fillEnergizers(m_currentGateway);
    ui->tabWidget->setCurrentIndex(1);
    fillIOCards(m_currentGateway);
    ui->tabWidget->setCurrentIndex(0);
    // In the wizard every device of the new gateway is in use until the
    // operator says otherwise: ticked when the gateway is first shown, its
    // marks are the operator's from then on. The other gateways listed keep
    // their flags.
    if (m_currentGateway && m_currentGateway == m_setUpGateway && m_tickedGateway != m_setUpGateway) {
        m_tickedGateway = m_setUpGateway;
        checkAll();
    }
}

bool OsprelVellSetupWidget::inWizard() const
{
    return parent() && parent()->objectName() == WizardPageName;
}

void OsprelVellSetupWidget::fillEnergizers(Node* gateway)
{
    QTableWidget* table = ui->tableEnergizers;
    m_filling = true;
    table->setRowCount(0);
    if (gateway) {
        table->setRowCount(1);
        table->setItem(0, IdColumn, fixedItem(QStringLiteral("0")));
        QTableWidgetItem* name = fixedItem(tr("Global energizers"));
        QFont font = name->font();
        font.setWeight(kBoldWeight);
        name->setFont(font);
        table->setItem(0, NameColumn, name);
        table->setItem(0, EnabledColumn, fixedItem(tr("Enabled")));
        table->setItem(0, MappingColumn, fixedItem(QString()));
        table->setCellWidget(0, MappingColumn, createEditIconCell());
        for (int row = 0; row < EnergizerRows && row < gateway->childCount(); ++row) {
            Node* child = gateway->child(row);
            if (child->deviceNode && child->deviceNode->type == Node::Energizer)
                appendDeviceRow(table, child);
        }
    }
    m_filling = false;
    setGlobalRowEnabled();
}

void OsprelVellSetupWidget::fillIOCards(Node* gateway)
{
    QTableWidget* table = ui->tableIOCards;
    m_filling = true;
    table->setRowCount(0);
    for (int row = EnergizerRows; gateway && row < gateway->childCount(); ++row) {
        Node* child = gateway->child(row);
        if (child->deviceNode && child->deviceNode->type == Node::IOCard)
            appendDeviceRow(table, child);
    }
    m_filling = false;
}

void OsprelVellSetupWidget::appendDeviceRow(QTableWidget* table, Node* child)
{
    const int row = table->rowCount();
    table->insertRow(row);
    // The ID is the device's address: an edited one would reach another device.
    table->setItem(row, IdColumn, fixedItem(QString::number(child->number())));
    auto* name = new QTableWidgetItem(child->data(0).toString());
    name->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    table->setItem(row, NameColumn, name);
    QTableWidgetItem* enabled = fixedItem(tr("Enabled"));
    enabled->setCheckState(child->enabled ? Qt::Checked : Qt::Unchecked);
    table->setItem(row, EnabledColumn, enabled);
    table->setItem(row, MappingColumn, fixedItem(QString()));
    table->setCellWidget(row, MappingColumn, createEditIconCell());
}

// ---------------------------------------------------------------- devices

// The gateway child a row stands for; -1 for the "Global energizers" row and
// for rows whose ID is not a number.
int OsprelVellSetupWidget::deviceIndex(QTableWidget* table, int row)
{
    QTableWidgetItem* id = table->item(row, IdColumn);
    return id ? id->text().toInt() - 1 : -1;
}

Node* OsprelVellSetupWidget::gatewayChild(int index) const
{
    return m_currentGateway && index >= 0 ? m_currentGateway->child(index) : nullptr;
}

void OsprelVellSetupWidget::setDeviceEnabled(int index, bool state)
{
    Node* child = gatewayChild(index);
    if (!child)
        return;
    child->enabled = state;
    if (Node* device = child->deviceNode) {
        device->enabled = state;
        if (device->deviceNode)
            device->deviceNode->enabled = state;
        if (m_elementModel && m_elementModel->contains(device))
            m_elementModel->refreshNode(device);
    }
    if (m_energizerModel && m_energizerModel->contains(child))
        m_energizerModel->refreshNode(child);
}

void OsprelVellSetupWidget::refreshViews()
{
    if (m_host)
        m_host->deviceEnablingChanged();
}

void OsprelVellSetupWidget::itemClicked(QTableWidgetItem* item)
{
    if (m_filling || !item || item->column() != EnabledColumn)
        return;
    QTableWidget* table = item->tableWidget();
    if (table != ui->tableEnergizers && table != ui->tableIOCards)
        return;
    const int index = deviceIndex(table, item->row());
    if (index < 0)
        return;
    setDeviceEnabled(index, item->checkState() != Qt::Unchecked);
    refreshViews();
}

// A device renamed in its Name cell: its status row and its element node
// take the name, as the map and the property panel show it. A blank name
// is refused and the cell shows the old one again.
void OsprelVellSetupWidget::nameEdited(QTableWidgetItem* item)
{
    if (m_filling || !item || item->column() != NameColumn)
        return;
    Node* child = gatewayChild(deviceIndex(item->tableWidget(), item->row()));
    if (!child)
        return;
    Node* device = child->deviceNode;
    const QString name = item->text().trimmed();
    if (name.isEmpty()) {
        const QSignalBlocker blocker(item->tableWidget());
        item->setText(child->data(0).toString());
        return;
    }
    {
        SiteLocker lock;
        child->setData(0, name);
        if (device) {
            device->setData(0, name);
            device->setData(1, name);
        }
    }
    if (m_energizerModel && m_energizerModel->contains(child))
        m_energizerModel->refreshNode(child);
    if (device && m_elementModel && m_elementModel->contains(device))
        m_elementModel->refreshNode(device);
}

void OsprelVellSetupWidget::commitEdits()
{
    // Editors are children of the viewport; the view ignores any other
    // widget (the cells' icons) handed to it.
    for (QTableWidget* table : {ui->tableEnergizers, ui->tableIOCards}) {
        for (QWidget* editor : table->viewport()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            emit table->itemDelegate()->commitData(editor);
    }
}

void OsprelVellSetupWidget::checkTable(QTableWidget* table, bool state)
{
    const int first = table == ui->tableEnergizers ? 1 : 0;
    for (int row = first; row < table->rowCount(); ++row) {
        if (state) {
            for (int column = IdColumn; column <= MappingColumn; ++column) {
                if (QTableWidgetItem* item = table->item(row, column))
                    item->setFlags(item->flags() | Qt::ItemIsEnabled);
            }
        }
        if (QTableWidgetItem* enabled = table->item(row, EnabledColumn))
            enabled->setCheckState(state ? Qt::Checked : Qt::Unchecked);
        setDeviceEnabled(deviceIndex(table, row), state);
    }
}

void OsprelVellSetupWidget::checkTables(const QList<QTableWidget*>& tables, bool state)
{
    m_filling = true;
    for (QTableWidget* table : tables)
        checkTable(table, state);
    m_filling = false;
    refreshViews();
}

void OsprelVellSetupWidget::checkAll()
{
    checkTables({ui->tableEnergizers, ui->tableIOCards}, true);
}

// The menu's entries set the table of the tab in front; in the wizard, only
// while it shows the gateway the wizard sets up.
void OsprelVellSetupWidget::onTreeViewContextMenu(const QPoint& point)
{
    m_contextMenu->clear();
    QAction* all = m_contextMenu->addAction(tr("All checked"));
    all->setObjectName(QStringLiteral("AllChecked"));
    QAction* none = m_contextMenu->addAction(tr("All unchecked"));
    none->setObjectName(QStringLiteral("AllUnChecked"));
    const bool ownGateway = !inWizard() || (m_currentGateway && m_currentGateway == m_setUpGateway);
    all->setEnabled(ownGateway);
    none->setEnabled(ownGateway);
    const auto shownTable = [this] { return ui->tabWidget->currentIndex() == 0 ? ui->tableEnergizers : ui->tableIOCards; };
    connect(all, &QAction::triggered, this, [this, shownTable] { checkTables({shownTable()}, true); });
    connect(none, &QAction::triggered, this, [this, shownTable] { checkTables({shownTable()}, false); });
    m_contextMenu->exec(ui->tableEnergizers->mapToGlobal(point));
}

// ---------------------------------------------------------------- tabs and text-file mode

void OsprelVellSetupWidget::currentTabChanged(int tab)
{
    ui->chckTextFile->setChecked(tab != 0 ? m_withTextIOCard : m_withTextEnerg);
    setGlobalRowEnabled();
}

// The gateway-wide mapping has no place in the text files.
void OsprelVellSetupWidget::setGlobalRowEnabled()
{
    QTableWidget* table = ui->tableEnergizers;
    if (table->rowCount() == 0)
        return;
    const bool enable = !ui->chckTextFile->isChecked();
    const bool filling = m_filling;
    m_filling = true;
    for (int column = 0; column < table->columnCount(); ++column) {
        if (QTableWidgetItem* item = table->item(0, column))
            item->setFlags(enable ? item->flags() | Qt::ItemIsEnabled : item->flags() & ~Qt::ItemIsEnabled);
    }
    m_filling = filling;
}

void OsprelVellSetupWidget::withTextClicked()
{
    const bool energizers = ui->tabWidget->currentIndex() == 0;
    const QString text = energizers ? tr("All mapping for Energizers will be reset.\nContinue?")
                                    : tr("All mapping for IO Cards will be reset.\nContinue?");
    if (QMessageBox::question(this, tr("Warning"), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton)
        != QMessageBox::Yes) {
        ui->chckTextFile->setChecked(!ui->chckTextFile->isChecked());
        return;
    }
    resetMappings(energizers);
    const bool state = ui->chckTextFile->isChecked();
    (energizers ? m_withTextEnerg : m_withTextIOCard) = state;
    QVariantMap values{{energizers ? kWithTextEnergKey : kWithTextIOCardKey, state}};
    if (!energizers) {
        values.insert(kGlobalInput1Key, false);
        values.insert(kGlobalInput2Key, false);
    }
    storeSettings(values);
}

// The mappings are reset already; the operator must know that the mode
// will not survive a restart.
void OsprelVellSetupWidget::storeSettings(const QVariantMap& values)
{
    if (!SettingsFile::setValues(values))
        QMessageBox::warning(this, tr("Error"), tr("The settings could not be written to\n%1").arg(SettingsFile::path()));
}

void OsprelVellSetupWidget::resetMappings(bool energizers)
{
    QTableWidget* table = energizers ? ui->tableEnergizers : ui->tableIOCards;
    {
        SiteLocker lock;
        for (int row = energizers ? 1 : 0; row < table->rowCount(); ++row) {
            Node* child = gatewayChild(deviceIndex(table, row));
            if (child && child->deviceNode)
                (energizers ? child->deviceNode->outputMappings : child->deviceNode->inputMappings).clear();
        }
    }
    if (energizers)
        setGlobalRowEnabled();
}

// ---------------------------------------------------------------- mapping

void OsprelVellSetupWidget::showMapping(QTableWidgetItem* item)
{
    if (!item || item->column() != MappingColumn || !m_currentGateway)
        return;
    QTableWidget* table = item->tableWidget();
    const bool energizers = table == ui->tableEnergizers;
    if (!energizers && table != ui->tableIOCards)
        return;
    const int index = deviceIndex(table, item->row());
    // The "Global energizers" row edits the gateway's own list.
    Node* child = energizers && index < 0 ? m_currentGateway : gatewayChild(index);
    Node* device = child ? child->deviceNode : nullptr;
    if (!device)
        return;
    MappingDlg dialog(this);
    dialog.textFileMode = ui->chckTextFile->isChecked();
    if (energizers)
        dialog.showEnergizerMapping(device);
    else
        dialog.showCardMapping(device);
}

void OsprelVellSetupWidget::exportMapping()
{
    const bool energizers = ui->tabWidget->currentIndex() == 0;
    const MappingExportFile::Kind kind = energizers ? MappingExportFile::EnergizerFile : MappingExportFile::IOCardFile;
    const QString path = askSaveFileName(this, tr("Save File"), MappingExportFile::proposedName(kind),
                                         tr("TXT Files (*.txt)"));
    if (path.isEmpty())
        return;

    QTableWidget* table = energizers ? ui->tableEnergizers : ui->tableIOCards;
    QList<const Node*> devices;
    for (int row = energizers ? 1 : 0; row < table->rowCount(); ++row) {
        if (Node* child = gatewayChild(deviceIndex(table, row)))
            devices.append(child->deviceNode);
    }
    QByteArray content;
    switch (MappingExportFile::build(kind, devices, &content)) {
    case MappingExportFile::MultipleEnergizerMapping:
        QMessageBox::critical(this, tr("Error"),
                              tr("No text file can be created\ndue to multiple mapping from an energizer"),
                              QMessageBox::Ok);
        return;
    case MappingExportFile::MultipleIOCardMapping:
        QMessageBox::critical(this, tr("Error"), tr("No text file can be created\ndue to multiple mapping from an IOCard"),
                              QMessageBox::Ok);
        return;
    case MappingExportFile::NoFailure:
        break;
    }
    QString error;
    if (!MappingExportFile::write(path, content, &error)) {
        qCWarning(lcDialogs) << "Mapping export to" << path << "failed:" << error;
        QMessageBox::warning(this, tr("Error"), tr("The file %1 could not be written:\n%2").arg(path, error),
                             QMessageBox::Ok);
    }
}
