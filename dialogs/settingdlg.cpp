#include "settingdlg.h"

#include "maphost.h"
#include "settingsfile.h"
#include "ui_settingdlg.h"

#include "alarmconditionarray.h"
#include "apppaths.h"
#include "btndelegate.h"
#include "cellwidgets.h"
#include "chooserhooks.h"
#include "colortext.h"
#include "comboboxdelegate.h"
#include "filechooserhook.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "itemdelegate.h"
#include "nightlycleanup.h"
#include "node.h"
#include "sitemutex.h"
#include "soundpath.h"
#include "treemodel.h"

#include <QBrush>
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QSettings>
#include <QUuid>

namespace {

const QString SoundFilter = QStringLiteral("Sound (*.wav)");

QColor colorOf(const QVariant& value)
{
    if (value.userType() == QMetaType::QColor)
        return value.value<QColor>();
    if (value.userType() == QMetaType::QBrush)
        return value.value<QBrush>().color();
    return QColor();
}

QList<ComboboxItem> statusItems()
{
    return {
        {QStringLiteral("OK"), 0, QColor(0, 255, 0, 255)},
        {QStringLiteral("Warning"), 1, QColor(232, 183, 98, 255)},
        {QStringLiteral("Critical"), 2, QColor(255, 0, 0, 255)},
        {QStringLiteral("Failure"), 3, QColor(255, 165, 0, 255)},
        {QStringLiteral("Tamper"), 4, QColor(255, 0, 255, 255)},
    };
}

const QString& conditionArray(int part)
{
    return part == AlarmCondition::EnergizerPart ? SettingDlg::EnergizerConditionArray
                                                 : SettingDlg::SensorConditionArray;
}

void refreshInModel(Node* node)
{
    if (TreeModel* model = TreeModel::modelOf(node))
        model->refreshNode(node);
}

// Whether a sound-alarm node standing for `sound` hangs anywhere under `node`.
bool holdsSoundReference(const Node* node, const Node* sound, const QString& identity)
{
    for (const Node* child : node->children) {
        if (child->type == Node::SoundAlarm
            && (child == sound || (!identity.isEmpty() && child->data(2).toString() == identity)))
            return true;
        if (holdsSoundReference(child, sound, identity))
            return true;
    }
    return false;
}

} // namespace

SettingDlg::SettingDlg(QWidget* parent)
    : QDialog(parent)
    , form(new Ui::SettingDlg)
{
    form->setupUi(this);
    const auto settings = openSettings();
    readMiscellaneous(*settings);

    QTreeWidget* tree = form->treeWidget;
    connect(tree, &QTreeWidget::itemDoubleClicked, this, &SettingDlg::treeDoubleClicked);
    connect(tree, &QTreeWidget::itemChanged, this, &SettingDlg::itemChanged);
    connect(tree, &QTreeWidget::currentItemChanged, this, &SettingDlg::currentItemChanged);
    connect(form->btnAddSoundAlarm, &QToolButton::clicked, this, &SettingDlg::addAlarmAction);
    connect(form->btnDelete, &QToolButton::clicked, this, &SettingDlg::deleteAction);

    btnDelegate = new BtnDelegate(tree);
    tree->setItemDelegateForColumn(1, btnDelegate);
    tree->setColumnWidth(0, 200);
    connect(btnDelegate, &BtnDelegate::clicked, this, &SettingDlg::selectFile);

    itemDelegate = new ItemDelegate(tree);
    connect(itemDelegate, &ItemDelegate::editorClose, this, &SettingDlg::editorClosed);

    setUpConditionTable();
    loadConditions(*settings);
}

SettingDlg::~SettingDlg() = default;

std::unique_ptr<QSettings> SettingDlg::openSettings()
{
    auto settings = std::make_unique<QSettings>(AppPaths::settings(), QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    return settings;
}

void SettingDlg::readMiscellaneous(QSettings& settings)
{
    // A stored retention above the spin box's usual range is shown and kept
    // as it stands: cutting it to 99 would delete older logs at the next night.
    const auto setKeepDays = [&settings](QSpinBox* spin, const QString& key) {
        const int days = NightlyCleanup::keepDays(settings, key);
        spin->setMaximum(qMax(KeepDaysSpinMaximum, days));
        spin->setValue(days);
    };
    setKeepDays(form->spnAlarm, QStringLiteral("AL_KeepDays"));
    setKeepDays(form->spnUser, QStringLiteral("UL_KeepDays"));
    setKeepDays(form->spnVoltage, QStringLiteral("VL_KeepDays"));
    form->chkReverse->setChecked(SettingsFile::boolValue(settings, QStringLiteral("ReverseLogic"), false));
    form->chkLoadLastFile->setChecked(SettingsFile::boolValue(settings, QStringLiteral("LoadLastFile"), true));
    form->chkSensorMode->setChecked(SettingsFile::boolValue(settings, QStringLiteral("SensorMode"), false));
}

// ---------------------------------------------------------------------------
// Alarm conditions

void SettingDlg::setUpConditionTable()
{
    QTableWidget* table = form->tableAlarmCond;
    connect(table, &QTableWidget::cellDoubleClicked, this, &SettingDlg::selectColor);
    statusDelegate = new ComboboxDelegate(statusItems(), table);
    table->setItemDelegateForColumn(PriorityColumn, statusDelegate);
    connect(statusDelegate, &ComboboxDelegate::editorClose, this, &SettingDlg::comboClosed);
    table->setColumnWidth(PriorityColumn, 120);
    table->setColumnWidth(ColorColumn, 70);
}

// An array the file cannot hold shows the conditions in force, which the
// window took from the defaults for it.
void SettingDlg::loadConditions(QSettings& settings)
{
    for (int part : {AlarmCondition::EnergizerPart, AlarmCondition::SensorPart}) {
        const std::optional<AlarmConditionList> stored = AlarmConditionArray::read(settings, conditionArray(part), part);
        for (const AlarmCondition& condition : stored ? *stored : alarmConditions()) {
            if (stored || condition.AlarmPart == part)
                appendConditionRow(condition, part);
        }
    }
}

void SettingDlg::appendConditionRow(const AlarmCondition& condition, int part)
{
    QTableWidget* table = form->tableAlarmCond;
    const int row = table->rowCount();
    table->setRowCount(row + 1);

    auto* name = new QTableWidgetItem(condition.EnergParamName);
    name->setData(Qt::UserRole, condition.EnergParam);
    name->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    table->setItem(row, ConditionNameColumn, name);

    // Only the array a row came from decides its part; the stored status is
    // kept for a status name the list does not know.
    auto* priority = new QTableWidgetItem(condition.AlarmStatusName);
    priority->setData(Qt::UserRole, part);
    priority->setData(LoadedStatusRole, condition.AlarmStatus);
    priority->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
    table->setItem(row, PriorityColumn, priority);

    auto* color = new QTableWidgetItem;
    color->setData(Qt::BackgroundRole, condition.AlarmColor);
    color->setFlags(color->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEditable));
    table->setItem(row, ColorColumn, color);

    table->setCellWidget(row, ActiveColumn, createCheckBoxCell(condition.Active, table, {}));
}

void SettingDlg::selectColor(int row, int col)
{
    if (col != ColorColumn)
        return;
    QTableWidgetItem* item = form->tableAlarmCond->item(row, ColorColumn);
    if (!item)
        return;
    QColor color = colorOf(item->data(Qt::BackgroundRole));
    if (ChooserHooks::chooseColor(color, this))
        item->setData(Qt::BackgroundRole, color);
}

void SettingDlg::comboClosed()
{
    QTableWidget* table = form->tableAlarmCond;
    const int row = table->currentRow();
    if (row < 0)
        return;
    // Moving the current cell ends the editor, which stores the chosen status.
    table->setCurrentCell(row, ConditionNameColumn);
    const QTableWidgetItem* name = table->item(row, ConditionNameColumn);
    const QTableWidgetItem* priority = table->item(row, PriorityColumn);
    QColor color = statusDelegate->itemColor(priority ? priority->text() : QString());
    if (name && name->text().contains(OffMarker))
        color = OffColor;
    if (QTableWidgetItem* colorItem = table->item(row, ColorColumn))
        colorItem->setData(Qt::BackgroundRole, color);
    table->setCurrentCell(row, PriorityColumn);
}

AlarmConditionList SettingDlg::tableConditions() const
{
    const QTableWidget* table = form->tableAlarmCond;
    AlarmConditionList conditions;
    for (int part : {AlarmCondition::EnergizerPart, AlarmCondition::SensorPart}) {
        for (int row = 0; row < table->rowCount(); ++row) {
            const QTableWidgetItem* name = table->item(row, ConditionNameColumn);
            const QTableWidgetItem* priority = table->item(row, PriorityColumn);
            if (!name || !priority || priority->data(Qt::UserRole).toInt() != part)
                continue;
            AlarmCondition condition;
            condition.AlarmPart = part;
            condition.EnergParam = name->data(Qt::UserRole).toInt();
            condition.EnergParamName = name->text();
            condition.AlarmStatusName = priority->text();
            const QVariant status = statusDelegate->itemValue(condition.AlarmStatusName);
            // A status the list does not offer ("Off", say) keeps its stored
            // number: saving it as 0 would silence the condition.
            condition.AlarmStatus = status.isValid() ? status.toInt() : priority->data(LoadedStatusRole).toInt();
            if (const QTableWidgetItem* color = table->item(row, ColorColumn))
                condition.AlarmColor = colorOf(color->data(Qt::BackgroundRole));
            const QWidget* cell = table->cellWidget(row, ActiveColumn);
            const auto* box = cell ? cell->findChild<QCheckBox*>() : nullptr;
            condition.Active = box && box->isChecked();
            conditions.append(condition);
        }
    }
    return conditions;
}

// ---------------------------------------------------------------------------
// Running and saving

int SettingDlg::execSettings(GraphicsScene* currentScene)
{
    const auto settings = openSettings();
    scene = currentScene;
    soundAlarms = scene ? scene->soundAlarmList() : nullptr;

    rootItem = new QTreeWidgetItem(form->treeWidget);
    rootItem->setText(0, tr("Frontend failure action"));
    rootItem->setIcon(0, QIcon(QStringLiteral(":/icons/actionFrontEnd.png")));
    rootItem->setExpanded(true);
    listSoundAlarms();
    form->btnAddSoundAlarm->setEnabled(soundAlarms != nullptr);
    addTextAction(*settings);

    const int result = exec();
    if (result == QDialog::Accepted)
        saveAccepted();
    return result;
}

void SettingDlg::addTextAction(QSettings& settings)
{
    const TextAlarmSettings stored = TextAlarmSettings::read(settings);
    textAlarmMode = stored.mode;
    textAlarmBackground = stored.background;
    alarmCaption = stored.caption;

    auto* mode = new QComboBox(this);
    mode->addItem(tr("Blink background"));
    mode->addItem(tr("Change caption"));
    mode->setCurrentIndex(textAlarmMode);
    connect(mode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SettingDlg::currentTextAlarmModeChanged);

    auto* textAction = new QTreeWidgetItem(rootItem);
    textAction->setText(0, tr("Text action"));
    textAction->setIcon(0, QIcon(QStringLiteral(":/icons/label.png")));
    form->treeWidget->setItemWidget(textAction, 1, mode);

    auto* background = new QTreeWidgetItem(textAction);
    background->setText(0, tr("Background color"));
    background->setData(1, Qt::BackgroundRole, textAlarmBackground);
    background->setData(1, Qt::UserRole, ColorKey);
    background->setFlags(textAction->flags() & ~Qt::ItemIsSelectable);
    background->setIcon(0, QIcon(QStringLiteral(":/icons/borderColor.png")));

    auto* caption = new QTreeWidgetItem(textAction);
    caption->setText(0, tr("Alarm caption"));
    // The caption the window shows now, which may differ from the stored one.
    MapHost* host = scene ? scene->host() : nullptr;
    caption->setText(1, host ? host->alarmCaption() : alarmCaption);
    caption->setData(1, Qt::UserRole, CaptionKey);
}

void SettingDlg::saveAccepted()
{
    const AlarmConditionList conditions = tableConditions();
    m_settingsWritten = writeSettings(conditions);
    // Only what was written is put in force, so the program never runs on
    // half the new settings. Replaced as a whole: the unit threads take the
    // new list at their next evaluation.
    if (m_settingsWritten)
        setAlarmConditions(conditions);
}

bool SettingDlg::writeSettings(const AlarmConditionList& conditions)
{
    const bool written = SettingsFile::write([&](QSettings& store) {
        QSettings* settings = &store;
        settings->setValue(QStringLiteral("AL_KeepDays"), form->spnAlarm->value());
        settings->setValue(QStringLiteral("UL_KeepDays"), form->spnUser->value());
        settings->setValue(QStringLiteral("VL_KeepDays"), form->spnVoltage->value());
        settings->setValue(QStringLiteral("ReverseLogic"), form->chkReverse->isChecked());
        settings->setValue(QStringLiteral("LoadLastFile"), form->chkLoadLastFile->isChecked());
        settings->setValue(QStringLiteral("SensorMode"), form->chkSensorMode->isChecked());
        TextAlarmSettings{textAlarmMode, textAlarmBackground, alarmCaption}.write(*settings);

        for (int part : {AlarmCondition::EnergizerPart, AlarmCondition::SensorPart}) {
            const QString& name = conditionArray(part);
            settings->beginGroup(name);
            // Rewritten whole: entries of a longer earlier array must not linger.
            settings->remove(QString());
            settings->beginWriteArray(name);
            int index = 0;
            for (const AlarmCondition& condition : conditions) {
                if (condition.AlarmPart != part)
                    continue;
                settings->setArrayIndex(index++);
                settings->setValue(QStringLiteral("AlarmPart"), condition.AlarmPart);
                settings->setValue(QStringLiteral("EnergParam"), condition.EnergParam);
                settings->setValue(QStringLiteral("EnergParamName"), condition.EnergParamName);
                settings->setValue(QStringLiteral("AlarmStatus"), condition.AlarmStatus);
                settings->setValue(QStringLiteral("AlarmStatusName"), condition.AlarmStatusName);
                settings->setValue(QStringLiteral("Active"), condition.Active);
                settings->setValue(QStringLiteral("AlarmColor"), colorToText(condition.AlarmColor));
            }
            settings->endArray();
            settings->endGroup();
        }
    });
    if (written)
        return true;
    QMessageBox::warning(this, tr("Error"),
                         tr("The settings could not be written to\n%1\nThe settings in force stay as they were.")
                             .arg(SettingsFile::path()));
    return false;
}

// ---------------------------------------------------------------------------
// The alarm-action tree

void SettingDlg::treeDoubleClicked(QTreeWidgetItem* item, int col)
{
    if (!item)
        return;
    item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEditable));
    if (col != 1)
        return;
    const QString key = item->data(1, Qt::UserRole).toString();
    QTreeWidget* tree = form->treeWidget;
    const auto makeEditable = [item] { item->setFlags(item->flags() | Qt::ItemIsSelectable | Qt::ItemIsEditable); };

    if (key == CaptionKey) {
        tree->setItemDelegateForColumn(1, itemDelegate);
        makeEditable();
        editing = true;
    } else if (key == ColorKey) {
        editing = true;
        selectFile();
        if (QTreeWidgetItem* current = tree->currentItem())
            tree->closePersistentEditor(current, 1);
    } else if (key == SoundKey) {
        tree->setItemDelegateForColumn(1, btnDelegate);
        makeEditable();
        editing = true;
    }
    // A sound alarm's own row edits its name.
    if (soundNodeOf(item)) {
        tree->setItemDelegateForColumn(1, itemDelegate);
        makeEditable();
        editing = true;
    }
}

void SettingDlg::selectFile()
{
    QTreeWidget* tree = form->treeWidget;
    QTreeWidgetItem* current = tree->currentItem();
    if (!current)
        return;
    if (current->data(1, Qt::UserRole).toString() == ColorKey) {
        QColor color = colorOf(current->data(1, Qt::BackgroundRole));
        if (ChooserHooks::chooseColor(color, this))
            current->setData(1, Qt::BackgroundRole, color);
    } else {
        const QString path = FileChooserHook::getOpenFileName(this, tr("Select File"),
                                                              AppPaths::homeDir(), SoundFilter);
        if (path.isEmpty())
            return;
        current->setText(1, path);
    }
    // Cleared only now, so that the change just made is still applied.
    tree->closePersistentEditor(current, 1);
    editing = false;
}

void SettingDlg::itemChanged(QTreeWidgetItem* item, int)
{
    if (!editing || !item)
        return;
    // The changed item says what it is; the current item may be another one.
    const QString key = item->data(1, Qt::UserRole).toString();
    if (key == CaptionKey) {
        alarmCaption = item->text(1);
    } else if (key == ColorKey) {
        if (item->text(0) == tr("Background color"))
            textAlarmBackground = colorOf(item->data(1, Qt::BackgroundRole));
    } else if (key == SoundKey) {
        applySoundFile(item);
    } else {
        applySoundName(item);
    }
}

void SettingDlg::editorClosed(QItemDelegate*)
{
    editing = false;
}

void SettingDlg::currentTextAlarmModeChanged(int index)
{
    textAlarmMode = index;
}

// ---------------------------------------------------------------------------
// Sound alarms

Node* SettingDlg::soundNodeOf(const QTreeWidgetItem* item) const
{
    if (!item || !soundAlarms)
        return nullptr;
    auto* node = static_cast<Node*>(item->data(0, Qt::UserRole).value<void*>());
    // Only a node still in the main window's list: a stale pointer is never followed.
    return node && soundAlarms->contains(node) && node->type == Node::SoundAlarm ? node : nullptr;
}

void SettingDlg::listSoundAlarms()
{
    if (!soundAlarms)
        return;
    for (Node* node : qAsConst(*soundAlarms)) {
        if (node && node->type == Node::SoundAlarm)
            addSoundAlarmItem(node, rootItem->childCount());
    }
}

QTreeWidgetItem* SettingDlg::addSoundAlarmItem(Node* node, int index)
{
    auto* item = new QTreeWidgetItem;
    rootItem->insertChild(index, item);
    item->setText(0, tr("Sound action"));
    item->setIcon(0, QIcon(QStringLiteral(":/icons/alarmStates.png")));
    item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(node)));
    item->setText(1, node->data(0).toString());

    const SoundPath sounds = node->data(1).value<SoundPath>();
    const std::pair<QString, QString> rows[] = {
        {tr("OK sound"), sounds.okSound},
        {tr("Warning sound"), sounds.warningSound},
        {tr("Critical sound"), sounds.criticalSound},
    };
    for (const auto& [label, path] : rows) {
        auto* fileRow = new QTreeWidgetItem(item);
        fileRow->setText(0, label);
        fileRow->setText(1, path);
        fileRow->setToolTip(1, path);
        fileRow->setData(1, Qt::UserRole, SoundKey);
        fileRow->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    return item;
}

void SettingDlg::addAlarmAction()
{
    if (!soundAlarms)
        return;
    auto* node = new Node;
    node->type = Node::SoundAlarm;
    node->columns = {tr("new Sound alarm"), QVariant::fromValue(SoundPath()), QUuid::createUuid()};
    node->name = node->columns.at(0).toString();
    soundAlarms->append(node);
    m_soundAlarmsChanged = true;

    // New alarms go on top of the tree; the list keeps them in creation order.
    QTreeWidgetItem* item = addSoundAlarmItem(node, 0);
    item->setFlags(item->flags() | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    QTreeWidget* tree = form->treeWidget;
    tree->setItemDelegateForColumn(1, itemDelegate);
    item->setExpanded(true);
    // Set before the editor opens, so that the first name given reaches the node.
    editing = true;
    tree->editItem(item, 1);
}

void SettingDlg::currentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem*)
{
    form->btnDelete->setEnabled(current && current->text(0) == tr("Sound action"));
}

void SettingDlg::deleteAction()
{
    if (QMessageBox::question(this, tr("Delete"), tr("Realy delete this alarm action?"),
                              QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    QTreeWidgetItem* current = form->treeWidget->currentItem();
    if (!current || current->text(0) != tr("Sound action"))
        return;
    Node* node = soundNodeOf(current);
    if (!node)
        return;
    if (isSoundAlarmReferenced(node)) {
        QMessageBox::warning(this, tr("Error"), tr("Could not delete alarm action\n as there is reference with energizers"),
                             QMessageBox::Ok);
        return;
    }
    soundAlarms->removeOne(node);
    delete current;
    delete node;
    m_soundAlarmsChanged = true;
}

// Referenced when any element of the project still carries the alarm: its
// reference list, the keypad boxes of the scene, or a copy of it anywhere in
// the element tree (on any workspace). Deleting it then would leave the
// elements pointing at a freed node.
bool SettingDlg::isSoundAlarmReferenced(Node* sound) const
{
    SiteLocker lock;
    if (!sound->children.isEmpty())
        return true;
    if (scene) {
        const QList<GraphicsBox*> boxes = scene->gatewayBoxes();
        for (GraphicsBox* box : boxes) {
            if (!box->findActionOwners(sound).isEmpty())
                return true;
        }
    }
    const Node* root = g_elementTreeModel ? g_elementTreeModel->rootNode() : nullptr;
    return root && holdsSoundReference(root, sound, sound->data(2).toString());
}

void SettingDlg::applySoundName(QTreeWidgetItem* item)
{
    Node* node = soundNodeOf(item);
    if (!node)
        return;
    const QString name = item->text(1);
    QList<Node*> references;
    {
        SiteLocker lock;
        node->setData(0, name);
        references = node->children;
        for (Node* reference : qAsConst(references))
            reference->setData(0, name);
    }
    for (Node* reference : qAsConst(references))
        refreshInModel(reference);
    m_soundAlarmsChanged = true;
}

void SettingDlg::applySoundFile(QTreeWidgetItem* item)
{
    Node* node = soundNodeOf(item->parent());
    if (!node)
        return;
    SiteLocker lock;
    SoundPath sounds = node->data(1).value<SoundPath>();
    const QString label = item->text(0);
    const QString path = item->text(1);
    if (label == tr("OK sound"))
        sounds.okSound = path;
    else if (label == tr("Warning sound"))
        sounds.warningSound = path;
    else if (label == tr("Critical sound"))
        sounds.criticalSound = path;
    const QVariant value = QVariant::fromValue(sounds);
    node->setData(1, value);
    for (Node* reference : qAsConst(node->children))
        reference->setData(1, value);
    m_soundAlarmsChanged = true;
}
