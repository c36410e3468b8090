#include "mappingdlg.h"
#include "dialogslogging.h"
#include "ui_mappingdlg.h"

#include "cellwidgets.h"
#include "node.h"
#include "sitemutex.h"
#include "statusword.h"

#include <QCheckBox>
#include <QDebug>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QTableWidget>

#include <algorithm>

namespace {

const QStringList kConditionHeaders = {
    QStringLiteral("Panic"),         QStringLiteral("Mains\npresent"), QStringLiteral("Fence1\nHV"),
    QStringLiteral("Fence1\nOn"),    QStringLiteral("Fence2\nHV"),     QStringLiteral("Fence2\nOn"),
    QStringLiteral("Sync\nFail"),    QStringLiteral("Tamper\nActive"), QStringLiteral("Service\nAlarm"),
    QStringLiteral("Gate\nAlarm"),   QStringLiteral("Fence1\nAlarm"),  QStringLiteral("Fence2\nAlarm"),
    QStringLiteral("Comms\nFail")};

const QStringList kZoneHeaders = {QStringLiteral("Zone1 On/Off"), QStringLiteral("Zone1 HV/LV"),
                                  QStringLiteral("Zone2 On/Off"), QStringLiteral("Zone2 HV/LV")};

// In the text-file mode each zone function has one input of its own, the
// order in which the gateway's mapping file codes them.
constexpr int kFixedInputOfZone[MappingDlg::ZoneRows] = {0, 2, 1, 3};

const QString kCardIcon = QStringLiteral(":/icons/network_adapter.png");
const QString kEnergizerIcon = QStringLiteral(":/icons/energizer.png");
constexpr int kGroupHeaderHeight = 40;
constexpr int kHeaderWidth = 160;
constexpr int kEnergizerHeaderWidth = 150;
constexpr int kCardHeaderWidth = 200;
constexpr int kCardPageWidth = 700;
constexpr int kBoldWeight = 75;

bool idLess(const MappingRecord& a, const MappingRecord& b)
{
    return a.id < b.id;
}

Node* pickFromGateway(QWidget* parent, int kind, Node* gateway)
{
    if (!gateway)
        return nullptr;
    const int wanted = kind == MappingDlg::PickIOCard ? Node::IOCard : Node::Energizer;
    QStringList names;
    QList<Node*> devices;
    for (Node* child : qAsConst(gateway->children)) {
        if (child->type == wanted && child->enabled) {
            names << QStringLiteral("%1  %2").arg(child->number()).arg(child->data(0).toString());
            devices << child;
        }
    }
    const QString title = kind == MappingDlg::PickIOCard ? QObject::tr("Select IOCard") : QObject::tr("Select Energizer");
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, title, title, names, 0, false, &ok);
    const int index = names.indexOf(chosen);
    return ok && index >= 0 ? devices.at(index) : nullptr;
}

MappingDlg::ElementPicker& elementPicker()
{
    static MappingDlg::ElementPicker picker = pickFromGateway;
    return picker;
}

} // namespace

void MappingDlg::setElementPicker(ElementPicker picker)
{
    elementPicker() = picker ? std::move(picker) : ElementPicker(pickFromGateway);
}

MappingDlg::MappingDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::MappingDlg)
{
    ui->setupUi(this);
    energTable()->setColumnCount(ConditionCount);
    energTable()->setHorizontalHeaderLabels(kConditionHeaders);
    for (QTableWidget* table : {energTable(), cardTable()}) {
        table->verticalHeader()->setFixedWidth(kHeaderWidth);
        connect(table->verticalHeader(), &QHeaderView::sectionDoubleClicked, this,
                [this, table](int row) { showMapping(table, row); });
    }
    connect(ui->btnAddCard, &QToolButton::clicked, this, [this] { addMapping(true); });
    connect(ui->btnAddEnerg, &QToolButton::clicked, this, [this] { addMapping(false); });
    connect(ui->btnDelCard, &QToolButton::clicked, this, [this] { removeMapping(true); });
    connect(ui->btnRemoveEnerg, &QToolButton::clicked, this, [this] { removeMapping(false); });
}

MappingDlg::~MappingDlg()
{
    delete ui;
}

QTableWidget* MappingDlg::energTable() const
{
    return ui->tableEnergMapping;
}

QTableWidget* MappingDlg::cardTable() const
{
    return ui->tableCardMapping;
}

void MappingDlg::showEnergizerMapping(Node* node)
{
    prepareEnergizerPage(node);
    exec();
}

void MappingDlg::showCardMapping(Node* node)
{
    prepareCardPage(node);
    exec();
}

void MappingDlg::prepareEnergizerPage(Node* node)
{
    m_deviceNode = node;
    m_gatewayNode = node && node->type == Node::MapElement ? node : (node ? node->parent() : nullptr);
    ui->stackedWidget->setCurrentIndex(0);
    setWindowTitle(tr("Set Energizer mapping"));
    ui->lblEnerg->setText(tr("Energizer #%1 to IO Card Mapping").arg(node ? node->number() : 0));
    energTable()->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    energTable()->verticalHeader()->setFixedWidth(kEnergizerHeaderWidth);
    fillEnergizerTable();
}

void MappingDlg::prepareCardPage(Node* node)
{
    m_deviceNode = node;
    m_gatewayNode = node ? node->parent() : nullptr;
    ui->stackedWidget->setCurrentIndex(1);
    setWindowTitle(tr("Set IOCard mapping"));
    resize(kCardPageWidth, height());
    ui->lblCard->setText(tr("IO Card Address #%1 Input Mapping").arg(node ? node->number() : 0));
    cardTable()->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    cardTable()->verticalHeader()->setFixedWidth(kCardHeaderWidth);
    fillCardTable();
}

// ---------------------------------------------------------------- table helpers

QCheckBox* MappingDlg::checkBoxAt(QTableWidget* table, int row, int column)
{
    QWidget* cell = table->cellWidget(row, column);
    return cell ? cell->findChild<QCheckBox*>() : nullptr;
}

bool MappingDlg::isTicked(QTableWidget* table, int row, int column)
{
    QCheckBox* box = checkBoxAt(table, row, column);
    return box && box->isChecked();
}

int MappingDlg::headerValue(QTableWidget* table, int row)
{
    QTableWidgetItem* item = table->verticalHeaderItem(row);
    return item ? item->data(HeaderValueRole).toInt() : 0;
}

bool MappingDlg::isGroupHeader(QTableWidget* table, int row)
{
    QTableWidgetItem* item = table->verticalHeaderItem(row);
    return item && item->data(GroupHeaderRole).toBool();
}

// The group's first row, whose header carries the record id; -1 for a row
// outside any group.
int MappingDlg::groupHeaderRow(QTableWidget* table, int row)
{
    if (row < 0 || row >= table->rowCount() || !table->verticalHeaderItem(row))
        return -1;
    if (isGroupHeader(table, row))
        return row;
    const int header = row - headerValue(table, row) - 1;
    return header >= 0 && isGroupHeader(table, header) ? header : -1;
}

void MappingDlg::setGroupHeader(QTableWidget* table, int row, const QString& header, const QString& icon, int id,
                                const QString& cellText)
{
    auto* headerItem = new QTableWidgetItem(QIcon(icon), header);
    headerItem->setData(HeaderValueRole, id);
    headerItem->setData(GroupHeaderRole, true);
    QFont font = headerItem->font();
    font.setWeight(kBoldWeight);
    headerItem->setFont(font);
    table->setVerticalHeaderItem(row, headerItem);
    table->setRowHeight(row, kGroupHeaderHeight);
    table->setSpan(row, 0, 1, table->columnCount());
    auto* cell = new QTableWidgetItem(cellText);
    cell->setTextAlignment(Qt::AlignCenter);
    cell->setFlags(cell->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEditable));
    table->setItem(row, 0, cell);
}

void MappingDlg::setDataHeader(QTableWidget* table, int row, const QString& header, int index)
{
    auto* headerItem = new QTableWidgetItem(header);
    headerItem->setData(HeaderValueRole, index);
    table->setVerticalHeaderItem(row, headerItem);
}

void MappingDlg::addCheckBox(QTableWidget* table, int row, int column, bool on)
{
    table->setCellWidget(row, column, createCheckBoxCell(on, table, [this, table, row, column](bool) {
        cellClicked(table, row, column);
    }));
}

void MappingDlg::cellClicked(QTableWidget* table, int row, int column)
{
    if (table == energTable())
        energizerCellClicked(row, column);
    else
        cardCellClicked(row, column);
}

// Empties the table and sorts the records by id. In the text-file mode a
// device maps one other device at most, so the add button goes once it does.
// False, with the table left empty, when there is no list.
bool MappingDlg::startFill(QTableWidget* table, QList<MappingRecord>* records, QToolButton* addButton)
{
    table->setUpdatesEnabled(false);
    table->clearSpans();
    table->setRowCount(0);
    if (!records) {
        table->setUpdatesEnabled(true);
        return false;
    }
    const bool mapsDevice =
        std::any_of(records->cbegin(), records->cend(), [](const MappingRecord& r) { return r.id != 0; });
    addButton->setVisible(!(textFileMode && mapsDevice));
    if (!std::is_sorted(records->cbegin(), records->cend(), idLess)) {
        SiteLocker lock;
        std::stable_sort(records->begin(), records->end(), idLess);
    }
    return true;
}

// ---------------------------------------------------------------- energizer page

void MappingDlg::fillEnergizerTable()
{
    QTableWidget* table = energTable();
    if (!startFill(table, m_deviceNode ? &m_deviceNode->outputMappings : nullptr, ui->btnAddCard))
        return;
    const QList<MappingRecord>& records = m_deviceNode->outputMappings;
    table->setRowCount(EnergizerGroupRows * records.size());
    for (int i = 0; i < records.size(); ++i) {
        const MappingRecord record = records.at(i);
        const int first = EnergizerGroupRows * i;
        if (record.id == 0)
            setGroupHeader(table, first, tr("Global\nRelay Outputs"), kCardIcon, 0, tr("Mapping to Global Relay"));
        else
            setGroupHeader(table, first, tr("IOCard #%1\nRelay Outputs").arg(record.id), kCardIcon, record.id,
                           tr("Mapping to IOCard #%1").arg(record.id));
        for (int k = 0; k < MappingRecord::kCodedValueCount; ++k) {
            setDataHeader(table, first + 1 + k, tr("Relay %1").arg(k + 1), k);
            for (int c = 0; c < ConditionCount; ++c)
                addCheckBox(table, first + 1 + k, c, (record.codedValue[size_t(k)] >> c) & 1u);
        }
        const int latching = first + 1 + NotLatchingIndex;
        setDataHeader(table, latching, tr("Not latching"), NotLatchingIndex);
        for (int c = 0; c < ConditionCount; ++c)
            addCheckBox(table, latching, c, statusWordBit(record.latchingCode, c));
    }
    table->setUpdatesEnabled(true);
    updateLatchingCells();
}

void MappingDlg::energizerCellClicked(int row, int column)
{
    Q_UNUSED(column)
    QTableWidget* table = energTable();
    const int header = groupHeaderRow(table, row);
    const int index = findOutputRecord(header >= 0 ? headerValue(table, header) : -1);
    if (header < 0 || header == row || index < 0)
        return;
    MappingRecord record = m_deviceNode->outputMappings.at(index);
    const int v = headerValue(table, row);
    if (v < NotLatchingIndex)
        record.codedValue[size_t(v)] = rowBits(table, row, ConditionCount);
    else
        record.latchingCode = quint16(rowConditionBits(row));
    storeOutputRecord(record);
    updateLatchingCells();
}

int MappingDlg::findOutputRecord(int id) const
{
    if (!m_deviceNode || id < 0)
        return -1;
    const QList<MappingRecord>& records = m_deviceNode->outputMappings;
    for (int i = 0; i < records.size(); ++i) {
        if (records.at(i).id == id)
            return i;
    }
    return -1;
}

// The record replaces every record with its id: a list may hold one id twice.
void MappingDlg::storeOutputRecord(const MappingRecord& record)
{
    bool changed = false;
    {
        SiteLocker lock;
        for (MappingRecord& stored : m_deviceNode->outputMappings) {
            if (stored.id == record.id && stored != record) {
                stored = record;
                changed = true;
            }
        }
    }
    if (changed)
        emit mappingChanged();
}

quint32 MappingDlg::rowBits(QTableWidget* table, int row, int columns) const
{
    quint32 bits = 0;
    for (int c = 0; c < columns; ++c) {
        if (isTicked(table, row, c))
            bits |= 1u << c;
    }
    return bits;
}

// The "Not latching" row in the status-word order the latching code uses.
int MappingDlg::rowConditionBits(int row) const
{
    return remapStatusBits(quint16(rowBits(energTable(), row, ConditionCount)));
}

// A condition can be "Not latching" only while a relay of the same card
// follows it; unticking the last such relay clears the latching bit.
void MappingDlg::updateLatchingCells()
{
    QTableWidget* table = energTable();
    for (int header = 0; header + EnergizerGroupRows <= table->rowCount(); header += EnergizerGroupRows) {
        const int latchingRow = header + 1 + NotLatchingIndex;
        for (int c = 0; c < ConditionCount; ++c) {
            bool used = false;
            for (int k = 0; k < MappingRecord::kCodedValueCount; ++k)
                used = used || isTicked(table, header + 1 + k, c);
            if (QCheckBox* box = checkBoxAt(table, latchingRow, c)) {
                box->setEnabled(used);
                if (!used)
                    box->setChecked(false);
            }
        }
        const int index = findOutputRecord(headerValue(table, header));
        if (index < 0)
            continue;
        MappingRecord record = m_deviceNode->outputMappings.at(index);
        record.latchingCode = quint16(rowConditionBits(latchingRow));
        storeOutputRecord(record);
    }
}

// ---------------------------------------------------------------- IO card page

void MappingDlg::fillCardTable()
{
    QTableWidget* table = cardTable();
    if (!startFill(table, m_deviceNode ? &m_deviceNode->inputMappings : nullptr, ui->btnAddEnerg))
        return;
    const QList<MappingRecord>& records = m_deviceNode->inputMappings;
    const int energizerGroups =
        int(std::count_if(records.cbegin(), records.cend(), [](const MappingRecord& r) { return r.id != 0; }));
    table->setRowCount(GlobalRows + CardGroupRows * energizerGroups);
    setGroupHeader(table, 0, tr("Global Energizer Control\nfrom Input Mapping"), kEnergizerIcon, 0,
                   tr("Global Energizers Mapping"));
    setDataHeader(table, 1, tr("Global On/Off"), 0);
    setDataHeader(table, 2, tr("Global HV/LV"), 1);
    bool globalOn = false;
    bool globalHv = false;
    for (const MappingRecord& record : records) {
        if (record.id == 0) {
            globalOn = globalOn || (record.codedValue[GlobalOnOffInput] & 1u);
            globalHv = globalHv || (record.codedValue[GlobalHvLvInput] & 2u);
        }
    }
    addCheckBox(table, 1, GlobalOnOffInput, globalOn);
    addCheckBox(table, 2, GlobalHvLvInput, globalHv);

    const int columns = textFileMode ? ZoneRows : InputCount;
    int header = GlobalRows;
    for (const MappingRecord& record : records) {
        if (record.id == 0)
            continue;
        setGroupHeader(table, header, tr("Energizer Control #%1\nof IOCard").arg(record.id), kEnergizerIcon,
                       record.id, tr("Mapping to Energizer #%1").arg(record.id));
        for (int z = 0; z < ZoneRows; ++z) {
            const int row = header + 1 + z;
            setDataHeader(table, row, kZoneHeaders.at(z), z);
            for (int c = 0; c < columns; ++c) {
                addCheckBox(table, row, c, (record.codedValue[size_t(c)] >> z) & 1u);
                if (textFileMode)
                    checkBoxAt(table, row, c)->setEnabled(c == kFixedInputOfZone[z] && !globalOn && !globalHv);
            }
        }
        header += CardGroupRows;
    }
    table->setUpdatesEnabled(true);

    if (textFileMode) {
        setInputColumnEnabled(0, !globalOn && !globalHv);
    } else {
        setInputColumnEnabled(GlobalOnOffInput, !globalOn);
        setInputColumnEnabled(GlobalHvLvInput, !globalHv);
    }
    storeEnergizerWordsFromScreen();
}

bool MappingDlg::globalTicked(int input) const
{
    return isTicked(cardTable(), input == GlobalOnOffInput ? 1 : 2, input);
}

void MappingDlg::cardCellClicked(int row, int column)
{
    QTableWidget* table = cardTable();
    const int header = groupHeaderRow(table, row);
    if (header < 0 || header == row || !m_deviceNode)
        return;
    const int id = headerValue(table, header);
    if (id == 0) {
        const bool enable = textFileMode ? !globalTicked(GlobalOnOffInput) && !globalTicked(GlobalHvLvInput)
                                         : !isTicked(table, row, column);
        setInputColumnEnabled(column, enable);
        // The zone boxes just unticked must not keep driving the energizers.
        storeEnergizerWordsFromScreen();
    }
    const int rows = id == 0 ? GlobalRows - 1 : ZoneRows;
    storeInputWord(id, column, columnWord(header + 1, rows, column));
}

void MappingDlg::setInputColumnEnabled(int column, bool enable)
{
    QTableWidget* table = cardTable();
    if (!textFileMode) {
        for (int row = GlobalRows; row < table->rowCount(); ++row) {
            if (QCheckBox* box = checkBoxAt(table, row, column)) {
                box->setEnabled(enable);
                if (!enable)
                    box->setChecked(false);
            }
        }
        return;
    }
    const int firstZoneRow = GlobalRows + 1;
    for (int z = 0; z < ZoneRows; ++z) {
        for (int c = 0; c < InputCount; ++c) {
            QCheckBox* box = checkBoxAt(table, firstZoneRow + z, c);
            if (!box)
                continue;
            if (enable) {
                if (c == kFixedInputOfZone[z])
                    box->setEnabled(true);
            } else {
                box->setChecked(false);
                box->setEnabled(false);
            }
        }
    }
}

quint32 MappingDlg::columnWord(int firstDataRow, int rows, int column) const
{
    quint32 word = 0;
    for (int i = 0; i < rows; ++i) {
        if (isTicked(cardTable(), firstDataRow + i, column))
            word |= 1u << i;
    }
    return word;
}

void MappingDlg::storeInputWord(int id, int column, quint32 word)
{
    if (column < 0 || column >= MappingRecord::kCodedValueCount)
        return;
    bool changed = false;
    {
        SiteLocker lock;
        bool found = false;
        for (MappingRecord& record : m_deviceNode->inputMappings) {
            if (record.id != id)
                continue;
            found = true;
            if (record.codedValue[size_t(column)] != word) {
                record.codedValue[size_t(column)] = word;
                changed = true;
            }
        }
        if (!found && id == 0) {
            MappingRecord global;
            global.codedValue[size_t(column)] = word;
            m_deviceNode->inputMappings.append(global);
            changed = true;
        }
    }
    if (changed)
        emit mappingChanged();
}

// Rewrites the words of every energizer group from its boxes, in the
// columns that have boxes.
void MappingDlg::storeEnergizerWordsFromScreen()
{
    QTableWidget* table = cardTable();
    for (int header = GlobalRows; header + CardGroupRows <= table->rowCount(); header += CardGroupRows) {
        for (int c = 0; c < InputCount; ++c) {
            if (checkBoxAt(table, header + 1, c))
                storeInputWord(headerValue(table, header), c, columnWord(header + 1, ZoneRows, c));
        }
    }
}

// ---------------------------------------------------------------- groups

void MappingDlg::addMapping(bool card)
{
    if (!m_deviceNode)
        return;
    if (card && textFileMode && !m_deviceNode->outputMappings.isEmpty()) {
        QMessageBox::warning(this, tr("Warning"),
                             tr("You arleady have one mapped card.\nPlease note:\nNo text file can be created\n"
                                "due to multiple mapping from an energizer"),
                             QMessageBox::Ok);
        return;
    }
    Node* chosen = elementPicker()(this, card ? PickIOCard : PickEnergizer, m_gatewayNode);
    if (!chosen)
        return;
    // A record keeps only the device's position on this gateway.
    if (chosen->parent() != m_gatewayNode) {
        qCWarning(lcDialogs).noquote() << QStringLiteral("Mapping not added: %1 is not a device of this gateway")
                                              .arg(chosen->data(0).toString());
        return;
    }
    MappingRecord record;
    record.id = quint16(chosen->childNumber() + 1);
    {
        SiteLocker lock;
        (card ? m_deviceNode->outputMappings : m_deviceNode->inputMappings).append(record);
    }
    emit mappingChanged();
    if (card)
        fillEnergizerTable();
    else
        fillCardTable();
}

void MappingDlg::removeMapping(bool card)
{
    if (!m_deviceNode)
        return;
    QTableWidget* table = card ? energTable() : cardTable();
    // Any row of a group stands for the group, whose first row carries the id.
    const int header = groupHeaderRow(table, table->currentRow());
    const int id = header >= 0 ? headerValue(table, header) : 0;
    if (id <= 0)
        return;
    QList<MappingRecord>& records = card ? m_deviceNode->outputMappings : m_deviceNode->inputMappings;
    int removed = 0;
    {
        SiteLocker lock;
        const auto end = std::remove_if(records.begin(), records.end(), [id](const MappingRecord& r) { return r.id == id; });
        removed = int(records.end() - end);
        records.erase(end, records.end());
    }
    if (removed > 0)
        emit mappingChanged();
    if (card)
        fillEnergizerTable();
    else
        fillCardTable();
}

void MappingDlg::showMapping(QTableWidget* table, int row)
{
    const bool fromEnergizerPage = table == energTable();
    // Only a group's first row names a device; the others carry row indexes.
    if (!m_gatewayNode || row < 0 || row >= table->rowCount() || !isGroupHeader(table, row))
        return;
    const int n = headerValue(table, row) - 1;
    Node* device = n >= 0 ? m_gatewayNode->child(n) : nullptr;
    const int wanted = fromEnergizerPage ? Node::IOCard : Node::Energizer;
    if (!device || device->type != wanted)
        return;
    MappingDlg nested(this);
    nested.textFileMode = textFileMode;
    connect(&nested, &MappingDlg::mappingChanged, this, &MappingDlg::mappingChanged);
    if (fromEnergizerPage)
        nested.showCardMapping(device);
    else
        nested.showEnergizerMapping(device);
}
