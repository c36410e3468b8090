#include "twsensorssetupdlg.h"
#include "ui_twsensorssetupdlg.h"

#include "dottedquad.h"
#include "node.h"
#include "programend.h"
#include "qtclienttw.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>

namespace {
constexpr int IdColumnWidth = 50;
constexpr int NameColumnWidth = 250;

Node* twRoot()
{
    return g_twSensorModel ? g_twSensorModel->rootNode() : nullptr;
}

Node* systemAt(int index)
{
    Node* root = twRoot();
    return root && index >= 0 && index < root->childCount() ? root->child(index) : nullptr;
}

// Sets the flag on the node and on its twin in the other model.
void setPairEnabled(Node* node, bool on)
{
    node->enabled = on;
    if (node->deviceNode)
        node->deviceNode->enabled = on;
}

// A TW system's name: its controller's address once the operator set one,
// until then its workspace's caption. A project may hold a system without
// a name; it is known by its workspace too.
QString labelOf(const Node* system)
{
    SiteLocker lock;
    const QString name = system->data(0).toString();
    return name.isEmpty() ? system->data(2).toString() : name;
}

void refresh(TreeModel* model, Node* node)
{
    if (model && node)
        model->refreshNode(node);
}
} // namespace

TWSensorsSetupDlg::TWSensorsSetupDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::TWSensorsSetupDlg)
    , contextMenu(new QMenu(this))
{
    ui->setupUi(this);
    ui->tableWidget->setColumnWidth(IdColumn, IdColumnWidth);
    ui->tableWidget->setColumnWidth(NameColumn, NameColumnWidth);
    ui->tableWidget->setContextMenuPolicy(Qt::CustomContextMenu);

    if (Node* root = twRoot()) {
        for (const Node* system : qAsConst(root->children))
            ui->cbTWsystem->addItem(labelOf(system));
    }

    connect(ui->cbTWsystem, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &TWSensorsSetupDlg::twsystemChanged);
    connect(ui->btnSetIP, &QToolButton::clicked, this, &TWSensorsSetupDlg::setIPaddress);
    connect(ui->edtIPAddress, &QLineEdit::textEdited, this, [this] { refusedText.clear(); });
    connect(ui->chTWSensorsEnable, &QCheckBox::clicked, this, &TWSensorsSetupDlg::twClicked);
    connect(ui->tableWidget, &QTableWidget::itemClicked, this, &TWSensorsSetupDlg::itemClicked);
    connect(ui->tableWidget, &QTableWidget::itemChanged, this, &TWSensorsSetupDlg::itemChanged);
    connect(ui->tableWidget, &QWidget::customContextMenuRequested, this, &TWSensorsSetupDlg::onTreeViewContextMenu);
}

TWSensorsSetupDlg::~TWSensorsSetupDlg()
{
    delete ui;
}

int TWSensorsSetupDlg::execForSystem(int index)
{
    // An index without a system (none should exist) opens on the first one.
    if (index < 0 || index >= ui->cbTWsystem->count())
        index = 0;
    ui->cbTWsystem->setCurrentIndex(index);
    twsystemChanged(index);
    return exec();
}

Node* TWSensorsSetupDlg::currentSystem() const
{
    return systemAt(ui->cbTWsystem->currentIndex());
}

void TWSensorsSetupDlg::setControlsEnabled(bool on)
{
    ui->btnSetIP->setEnabled(on);
    ui->tableWidget->setEnabled(on);
}

void TWSensorsSetupDlg::twsystemChanged(int index)
{
    Node* system = systemAt(index);
    if (!system)
        return;
    if (index != shownIndex)
        setTypedAddress();
    shownIndex = index;
    ui->chTWSensorsEnable->setChecked(system->enabled);
    fillTable(system);
    setControlsEnabled(ui->chTWSensorsEnable->isChecked());
    ui->edtIPAddress->setText(labelOf(system));
}

void TWSensorsSetupDlg::fillTable(Node* system)
{
    struct Row
    {
        int id;
        QString name;
        bool enabled;
    };
    QVector<Row> rows;
    {
        // The TW unit writes the sensors' columns on its thread.
        SiteLocker lock;
        for (const Node* sensor : qAsConst(system->children))
            rows.append({sensor->number(), sensor->data(0).toString(), sensor->enabled});
    }
    filling = true;
    ui->tableWidget->setRowCount(0);
    for (const Row& row : qAsConst(rows)) {
        const int index = ui->tableWidget->rowCount();
        ui->tableWidget->insertRow(index);
        // Only the name is edited as text; the ID is fixed and "Enabled" is a check box only.
        auto* id = new QTableWidgetItem(QString::number(row.id));
        id->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        auto* enabled = new QTableWidgetItem(tr("Enabled"));
        enabled->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        enabled->setCheckState(row.enabled ? Qt::Checked : Qt::Unchecked);
        ui->tableWidget->setItem(index, IdColumn, id);
        ui->tableWidget->setItem(index, NameColumn, new QTableWidgetItem(row.name));
        ui->tableWidget->setItem(index, EnabledColumn, enabled);
    }
    filling = false;
}

// The sensor's twin in the element tree, made on its first setup.
void TWSensorsSetupDlg::createTwin(Node* sensor, Node* systemTwin)
{
    auto* twin = new Node;
    {
        SiteLocker lock;
        twin->name = sensor->data(0).toString();
        twin->columns = sensor->columns;
        if (twin->columns.size() < 2)
            twin->columns.resize(2);
        twin->columns[0] = twin->name;
        twin->columns[1] = 0;
        twin->type = Node::TWSensor;
        twin->deviceNode = sensor;
        sensor->deviceNode = twin;
    }
    if (g_elementTreeModel)
        g_elementTreeModel->insertNode(systemTwin, -1, twin);
    else
        twin->setParent(systemTwin);
}

void TWSensorsSetupDlg::applyTable()
{
    Node* system = currentSystem();
    if (!system)
        return;
    for (int row = 0; row < ui->tableWidget->rowCount() && row < system->childCount(); ++row) {
        Node* sensor = system->child(row);
        if (!sensor->deviceNode && system->deviceNode)
            createTwin(sensor, system->deviceNode);
        const QTableWidgetItem* item = ui->tableWidget->item(row, EnabledColumn);
        setPairEnabled(sensor, item && item->checkState() == Qt::Checked);
        refresh(g_twSensorModel, sensor);
        refresh(g_elementTreeModel, sensor->deviceNode);
    }
    emit enabledFlagsChanged();
}

void TWSensorsSetupDlg::setIPaddress()
{
    setAddressOf(ui->cbTWsystem->currentIndex());
}

void TWSensorsSetupDlg::setAddressOf(int index)
{
    Node* system = systemAt(index);
    if (!system)
        return;
    const QString address = ui->edtIPAddress->text().trimmed();
    // The address becomes the client's host: refuse what no controller can have.
    if (!isDottedQuad(address)) {
        refusedText = address;
        if (!ProgramEnd::hasBegun())
            QMessageBox::warning(this, tr("Error"), tr("\"%1\" is not a valid IP address!").arg(address),
                                 QMessageBox::Ok);
        return;
    }
    setSystemName(index, address);
    if (ui->chTWSensorsEnable->isChecked() && twClient)
        twClient->moveTo(address);
}

void TWSensorsSetupDlg::setSystemName(int index, const QString& name)
{
    Node* system = systemAt(index);
    {
        SiteLocker lock;
        system->setData(0, name);
        if (system->deviceNode)
            system->deviceNode->setData(0, name);
    }
    refresh(g_twSensorModel, system);
    refresh(g_elementTreeModel, system->deviceNode);
    ui->cbTWsystem->setItemText(index, name);
}

void TWSensorsSetupDlg::setTypedAddress()
{
    const Node* system = systemAt(shownIndex);
    const QString typed = ui->edtIPAddress->text().trimmed();
    // A text refused once, and not edited since, was told already.
    if (system && !typed.isEmpty() && typed != labelOf(system) && typed != refusedText)
        setAddressOf(shownIndex);
}

void TWSensorsSetupDlg::done(int result)
{
    setTypedAddress();
    QDialog::done(result);
}

void TWSensorsSetupDlg::twClicked()
{
    Node* system = currentSystem();
    if (!system)
        return;
    const bool on = ui->chTWSensorsEnable->isChecked();
    // An enabled system is shown by its name: one without takes the name
    // it is known by.
    const bool nameless = [system] {
        SiteLocker lock;
        return system->data(0).toString().isEmpty();
    }();
    if (on && nameless)
        setSystemName(ui->cbTWsystem->currentIndex(), labelOf(system));
    setPairEnabled(system, on);
    refresh(g_twSensorModel, system);
    refresh(g_elementTreeModel, system->deviceNode);
    setControlsEnabled(on);
    applyTable();
    emit twSystemEnabledChanged();
    if (on)
        setTypedAddress();
}

void TWSensorsSetupDlg::itemClicked(QTableWidgetItem* item)
{
    if (item && item->tableWidget() && item->column() == EnabledColumn)
        applyTable();
}

void TWSensorsSetupDlg::itemChanged(QTableWidgetItem* item)
{
    if (filling || !item || !item->tableWidget())
        return;
    // A check toggled from the keyboard is no click: apply it here too.
    if (item->column() == EnabledColumn) {
        applyTable();
        return;
    }
    if (item->column() != NameColumn)
        return;
    Node* system = currentSystem();
    if (!system || item->row() >= system->childCount())
        return;
    Node* sensor = system->child(item->row());
    {
        SiteLocker lock;
        sensor->setData(0, item->text());
        if (sensor->deviceNode)
            sensor->deviceNode->setData(0, item->text());
    }
    refresh(g_twSensorModel, sensor);
    refresh(g_elementTreeModel, sensor->deviceNode);
}

void TWSensorsSetupDlg::onTreeViewContextMenu(QPoint point)
{
    contextMenu->clear();
    QAction* all = contextMenu->addAction(tr("All checked"));
    all->setObjectName(QStringLiteral("AllChecked"));
    QAction* none = contextMenu->addAction(tr("All unchecked"));
    none->setObjectName(QStringLiteral("AllUnChecked"));
    connect(all, &QAction::triggered, this, &TWSensorsSetupDlg::checkAll);
    connect(none, &QAction::triggered, this, [this] { setAllChecked(Qt::Unchecked); });
    contextMenu->exec(ui->tableWidget->mapToGlobal(point));
}

void TWSensorsSetupDlg::checkAll()
{
    setAllChecked(Qt::Checked);
}

void TWSensorsSetupDlg::setAllChecked(Qt::CheckState state)
{
    // One apply for the whole column, not one per row.
    filling = true;
    for (int row = 0; row < ui->tableWidget->rowCount(); ++row) {
        if (QTableWidgetItem* item = ui->tableWidget->item(row, EnabledColumn))
            item->setCheckState(state);
    }
    filling = false;
    applyTable();
}
