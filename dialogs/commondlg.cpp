#include "commondlg.h"
#include "dialogslogging.h"
#include "ui_commondlg.h"

#include "globals.h"
#include "graphicshelperclass.h"
#include "node.h"
#include "programend.h"
#include "property.h"
#include "propertypanelhost.h"
#include "propertyset.h"
#include "sitemutex.h"
#include "treepropertybrowser.h"
#include "variantmanager.h"
#include "selfshownwindow.h"
#include "useraccounts.h"
#include "commandsend.h"
#include "databasealert.h"
#include "elementtreeproxymodel.h"
#include "filechooserhook.h"
#include "timerdata.h"
#include "treemodel.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QGraphicsItem>
#include <QGuiApplication>
#include <QDebug>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QVBoxLayout>
#include <QVariant>
#include <QWindow>

#include <algorithm>

CommonDlg::CommonDlg(QWidget* parent, PropertyPanelHost* panelHost)
    : QDialog(parent)
    , ui(new Ui::CommonDlg)
    , m_panelHost(panelHost)
{
    ui->setupUi(this);
    connect(ui->btnOK, &QPushButton::clicked, this, &CommonDlg::clickOK);
}

CommonDlg::~CommonDlg()
{
    delete ui;
}

namespace {

// Stored digests are of the Latin-1 bytes; anything beyond Latin-1 would
// turn into "?" and match another text.
bool fitsLatin1(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() <= 0xFF; });
}

} // namespace

QString CommonDlg::passwordDigest(const QString& password)
{
    // Empty matches no stored digest.
    if (!fitsLatin1(password))
        return QString();
    return QString::fromLatin1(QCryptographicHash::hash(password.toLatin1(), QCryptographicHash::Md5).toHex());
}

bool CommonDlg::checkCredentials(const QString& userName, const QString& password)
{
    // Bound values: a quote in the typed name is part of the name, never SQL.
    // Names are compared as text, in any script; only the password's digest
    // needs Latin-1. Accounts marked not active (0) are refused; NULL counts
    // as active.
    if (!fitsLatin1(password))
        return false;
    QSqlQuery query;
    // A statement that cannot be prepared (a database without its tables)
    // reports the real cause here; exec() would only add a misleading one.
    // A damaged or unreadable database is not a wrong password: say so.
    if (!query.prepare(QStringLiteral("select * from users where user=? and password=? "
                                      "and (active is null or active<>0)"))) {
        DatabaseAlert::report(DatabaseAlert::Unreadable, query.lastError().text());
        return false;
    }
    query.addBindValue(userName);
    query.addBindValue(passwordDigest(password));
    if (!query.exec() || query.lastError().type() != QSqlError::NoError) {
        DatabaseAlert::report(DatabaseAlert::Unreadable, query.lastError().text());
        return false;
    }
    return query.next();
}

QString CommonDlg::login()
{
    ui->stackedWidget->setCurrentIndex(LoginPage);
    setWindowTitle(QCoreApplication::applicationName());
    setFixedHeight(140);

    if (exec() == 0)
        return QString();

    if (checkCredentials(ui->edtUseName->text(), ui->edtPassword->text())) {
        accept();
        return ui->edtUseName->text();
    }
    reject();
    return QString();
}

void CommonDlg::editUserProperties(int userId)
{
    m_editedUserId = userId;
    ui->stackedWidget->setCurrentIndex(UserPage);
    if (userId != 0) {
        setWindowTitle(tr("User editing"));
        UserAccounts::Account account;
        if (UserAccounts::load(userId, &account)) {
            ui->edtUser->setText(account.name);
            ui->chkActiveUser->setChecked(account.active);
            if (account.roleId >= 0 && account.roleId < UserAccounts::RoleCount)
                ui->cbRole->setCurrentIndex(account.roleId);
        }
    } else {
        setWindowTitle(tr("Add new user"));
    }
    exec();
}

void CommonDlg::warn(const QString& text)
{
    QMessageBox::warning(this, tr("Error"), text, QMessageBox::Ok);
}

// What keeps the typed account from being written, or nothing.
QString CommonDlg::userPageProblem() const
{
    const QString name = ui->edtUser->text();
    const QString password = ui->edtPass1->text();
    if (!password.isEmpty() && password != ui->edtPass2->text())
        return tr("Passwords does not match!");
    if (password.isEmpty() && m_editedUserId == 0)
        return tr("Passwords can not be empty!");
    if (UserAccounts::hasNonLatin1(password))
        return tr("Passwords can hold only Latin-1 characters!");
    if (name.trimmed().isEmpty())
        return tr("User name can not be empty!");
    if (name.size() > UserAccounts::MaxNameLength)
        return tr("User name can not be longer than %1 characters!").arg(UserAccounts::MaxNameLength);
    if (UserAccounts::nameTaken(name, m_editedUserId))
        return tr("User %1 already exists!").arg(name);
    return QString();
}

// The page closes only once the account is in the table, and only then is
// the change logged.
bool CommonDlg::saveUserProperties()
{
    const QString problem = userPageProblem();
    if (!problem.isEmpty()) {
        warn(problem);
        return false;
    }
    const QString name = ui->edtUser->text();
    const QString password = ui->edtPass1->text();
    const QString previousName = m_editedUserId != 0 ? UserAccounts::nameOf(m_editedUserId) : QString();
    const UserAccounts::Account account{name, ui->chkActiveUser->isChecked(), ui->cbRole->currentIndex(),
                                        ui->cbRole->currentText()};
    const UserAccounts::Result result = UserAccounts::save(m_editedUserId, account, password);
    if (result.outcome == UserAccounts::Outcome::LockOut) {
        warn(tr("This change would leave no active user who may edit users!"));
        return false;
    }
    if (!result.ok()) {
        warn(tr("User %1 could not be saved: %2").arg(name, result.error));
        return false;
    }

    // Renaming the logged-in account keeps its rights reachable.
    if (!previousName.isEmpty() && previousName == g_currentUser)
        g_currentUser = name;
    if (m_editedUserId == 0)
        emit writeUserActionLog(QLatin1String(UserLogSubject), tr("New user %1 added").arg(name));
    else
        emit writeUserActionLog(QLatin1String(UserLogSubject), tr("Properties of user %1 is changed").arg(name));
    return true;
}

void CommonDlg::clickOK()
{
    if (ui->stackedWidget->currentIndex() == AlarmConfirmPage) {
        confirmAlarms();
        return;
    }
    if (ui->stackedWidget->currentIndex() == UserPage && !saveUserProperties())
        return;
    if (ui->stackedWidget->currentIndex() == ElementPage) {
        const QString problem = elementPageProblem();
        if (!problem.isEmpty()) {
            warn(problem);
            return;
        }
    }
    accept();
}

QString CommonDlg::alarmLine(Node* node)
{
    if (!node)
        return QString();
    QString kind;
    QString status;
    // The unit threads write status, flags and record together: one lock
    // keeps the line to one heartbeat.
    SiteLocker lock;
    QString detail = node->flagText;
    const Node* device = node->deviceNode;
    if (device && device->type == Node::Energizer) {
        kind = QStringLiteral("Energizer");
        status = alarmStatusText(node->status());
    } else if (device && device->type == Node::IOCard) {
        kind = QStringLiteral("IOCard");
        status = alarmStatusText(node->deviceNode->evaluateIOCardStatus());
    }
    if (node->type == Node::TWSensor) {
        kind = QStringLiteral("Sensor");
        status = sensorStateInfo(node->sensorStateClass()).text;
        detail = status;
    }
    // A row with no flags (a lost link's) ends at its status.
    if (detail.isEmpty())
        return kind + tr(" %1 status: %2").arg(node->data(0).toString(), status);
    return kind + tr(" %1 status: %2 %3").arg(node->data(0).toString(), status, detail);
}

void CommonDlg::showAlarmConfirm(Node* node)
{
    // Nobody is left to confirm it, and a window shown now would keep the
    // end waiting.
    if (ProgramEnd::hasBegun())
        return;
    if (!isVisible()) {
        setWindowTitle(tr("Alarm confirm"));
        setFixedWidth(AlarmConfirmWidth);
    }
    ui->stackedWidget->setCurrentIndex(AlarmConfirmPage);
    // The page comes with no operator action behind it: it never takes the
    // keyboard from the window he is typing in.
    if (!m_selfShown)
        m_selfShown = new SelfShownWindow(this);
    const bool appears = isHidden();
    m_selfShown->show();
    const QString line = alarmLine(node);
    if (soundAlarmActive)
        ui->chkSoundOn->setChecked(soundAlarmActive());
    if (m_alarmLines.contains(line))
        return;
    m_alarmLines.insert(line);
    QTableWidget* table = ui->alarmTable;
    const int row = table->rowCount();
    table->setRowCount(row + 1);
    table->setItem(row, 0, new QTableWidgetItem(line));
    m_linesAdded = true;
    // Repaint at once: the operator is meant to see the alarm now. That
    // also lays out the grown table, which a scroll needs first.
    ++m_repainting;
    QCoreApplication::processEvents();
    --m_repainting;
    // The newest alarm is the one to see, not the routine rows above it
    // (the last row also when a call nested in the repaint added one).
    table->scrollToBottom();
    // Once for the lines of all the calls nested in the repaint, and only
    // while another window has the input: each raise waits on the window
    // system, and a flood brings many lines. Shown now, it came forward.
    if (m_repainting == 0 && std::exchange(m_linesAdded, false) && isVisible() && !appears
        && QGuiApplication::focusWindow() != windowHandle())
        m_selfShown->comeForward();
}

void CommonDlg::clearAlarms()
{
    ui->alarmTable->clearContents();
    ui->alarmTable->setRowCount(0);
    m_alarmLines.clear();
}

void CommonDlg::confirmAlarms()
{
    emit commandSending(nullptr, QVariant(ui->chkSoundOn->isChecked()), SoundAlarmActive);
    ActionMsgList messages;
    QTableWidget* table = ui->alarmTable;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* item = table->item(row, 0);
        messages.append({QStringLiteral("ConfirmAlarm"), tr("Alarm %1 is confirmed").arg(item ? item->text() : QString())});
    }
    emit writeUserActionLogList(messages);
    clearAlarms();
    close();
    hide();
}

void CommonDlg::showCommands(QModelIndex index)
{
    ui->listAction->clear();
    const Node* node = nodeAt(index);
    if (!node)
        return;
    for (const auto& command : commandsFor(node->type)) {
        auto* item = new QListWidgetItem(command.first, ui->listAction);
        item->setData(Qt::UserRole, command.second);
    }
}

void CommonDlg::selectFile()
{
    // A cancelled chooser empties the field: no picture then.
    ui->edtFileName->setText(FileChooserHook::getOpenFileName(this, tr("Choose a file"), QString(), QString()));
}

void CommonDlg::selectCard()
{
    CommonDlg picker(this);
    Node* card = picker.selectElement(IOCardKind);
    if (!card)
        return;
    SiteLocker lock;
    if (!Node::isAlive(card))
        return;
    ui->edtKX4->setText(card->parent() ? card->parent()->data(0).toString() : QString());
    ui->edtCardName->setText(card->data(0).toString());
    ui->edtCardNo->setText(QString::number(card->number()));
}

void CommonDlg::keyPressEvent(QKeyEvent* event)
{
    // Escape never closes the dialog, and Return only submits from the
    // password field; the workspace page takes both as every dialog does.
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (ui->stackedWidget->currentIndex() == WorkspacePage) {
        if (isReturn)
            ui->btnOK->click();
        else if (event->key() == Qt::Key_Escape)
            reject();
        return;
    }
    if (ui->stackedWidget->currentIndex() == LoginPage && isReturn && ui->edtPassword->hasFocus())
        ui->btnOK->click();
}

// ---- element pickers -----------------------------------------------------------------

namespace {

struct ElementKindInfo
{
    const char* title;
    int requiredType;
    const char* word;
};

// Titles and words of the kinds; any other kind filters nothing and wants an IO card.
ElementKindInfo kindInfo(int kind)
{
    switch (kind) {
    case CommonDlg::IOCardKind:
        return {QT_TRANSLATE_NOOP("CommonDlg", "Select IOCard"), Node::IOCard, "IOCard"};
    case CommonDlg::EnergizerKind:
        return {QT_TRANSLATE_NOOP("CommonDlg", "Select Energizer"), Node::Energizer, "Energizer"};
    case CommonDlg::FenceKind:
        return {QT_TRANSLATE_NOOP("CommonDlg", "Select Fence"), Node::FenceLine, "Fence"};
    case CommonDlg::SensorKind:
        return {QT_TRANSLATE_NOOP("CommonDlg", "Select Sensor"), Node::TWSensor, "Sensor"};
    default:
        return {nullptr, Node::IOCard, ""};
    }
}

} // namespace

QList<QPair<QString, int>> CommonDlg::commandsFor(int nodeType)
{
    switch (nodeType) {
    case Node::Energizer:
        return {{QStringLiteral("ActivateEnergZone1"), ActivateEnergZone1},
                {QStringLiteral("ActivateEnergZone2"), ActivateEnergZone2},
                {QStringLiteral("ActivateEnerg"), ActivateEnerg},
                {QStringLiteral("LowVoltageZone1"), LowVoltageZone1},
                {QStringLiteral("LowVoltageZone2"), LowVoltageZone2},
                {QStringLiteral("ClrAlms"), ClrAlms}};
    case Node::MapElement:
        return {{QStringLiteral("SoundAlarmActive"), SoundAlarmActive},
                {QStringLiteral("EnergizersActive"), EnergizersActive},
                {QStringLiteral("EnergizersHi/Lo"), EnergizersHiLo},
                {QStringLiteral("ClrAlms"), ClrAlms}};
    case Node::TWSystem:
        return {{QStringLiteral("SoundAlarmActive"), SoundAlarmActive}, {QStringLiteral("ClrAlms"), ClrAlms}};
    case Node::IOCard: {
        QList<QPair<QString, int>> relays;
        for (int relay = 1; relay <= 8; ++relay)
            relays.append({QStringLiteral("ActivateRelay%1").arg(relay), ActivateRelay1 + relay - 1});
        return relays;
    }
    default:
        return {};
    }
}

ElementTreeProxyModel* CommonDlg::makeElementProxy()
{
    delete m_elementProxy;
    m_elementProxy = new ElementTreeProxyModel(this);
    return m_elementProxy;
}

// The element tree's node behind a row of the picker's proxy; null without a model.
Node* CommonDlg::nodeAt(const QModelIndex& proxyIndex) const
{
    if (!m_elementProxy || !g_elementTreeModel)
        return nullptr;
    return g_elementTreeModel->getNode(m_elementProxy->mapToSource(proxyIndex));
}

ButtonAction CommonDlg::selectButtonAction()
{
    ui->stackedWidget->setCurrentIndex(ButtonActionPage);
    setWindowTitle(tr("Button action selecting"));
    setFixedHeight(ButtonActionHeight);
    setFixedWidth(ButtonActionWidth);

    ElementTreeProxyModel* proxy = makeElementProxy();
    proxy->buttonTargets = true;
    proxy->setSourceModel(g_elementTreeModel);
    ui->treeTarget->setModel(proxy);
    ui->treeTarget->expandAll();
    connect(ui->treeTarget, &QTreeView::clicked, this, &CommonDlg::showCommands);
    // The list follows the current row also when it is moved with the keys,
    // so the command handed back always belongs to the node handed back.
    connect(ui->treeTarget->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { showCommands(current); });

    if (exec() == 0)
        return {};
    Node* node = nodeAt(ui->treeTarget->currentIndex());
    const QListWidgetItem* item = ui->listAction->currentItem();
    const int command = item ? item->data(Qt::UserRole).toInt() : 0;
    const QPair<QString, int> chosen(item ? item->text() : QString(), command);
    if (!item || !node || !commandsFor(node->type).contains(chosen)) {
        setResult(QDialog::Rejected);
        return {};
    }
    return {node, command, chosen.first};
}

Node* CommonDlg::selectElement(int kind, Node* within)
{
    ElementTreeProxyModel* proxy = makeElementProxy();
    m_elementKind = kind;
    ui->stackedWidget->setCurrentIndex(ElementPage);
    proxy->selectIOCard = kind == IOCardKind;
    proxy->selectEnergizer = kind == EnergizerKind;
    proxy->selectFence = kind == FenceKind;
    proxy->selectSensor = kind == SensorKind;
    if (const char* title = kindInfo(kind).title)
        setWindowTitle(tr(title));

    proxy->setSourceModel(g_elementTreeModel);
    ui->treeView->setModel(proxy);
    if (within) {
        const QModelIndex root =
            g_elementTreeModel ? proxy->mapFromSource(g_elementTreeModel->nodeIndex(within)) : QModelIndex();
        if (!root.isValid()) {
            qCWarning(lcDialogs) << "Element page: the element to pick under is not in the element tree";
            return nullptr;
        }
        ui->treeView->setRootIndex(root);
        m_pickWithin = within;
    }
    ui->treeView->expandAll();
    if (exec() == 0)
        return nullptr;
    return nodeAt(ui->treeView->currentIndex());
}

// Why OK may not close the element page yet; empty when the current row fits the kind.
QString CommonDlg::elementPageProblem() const
{
    const ElementKindInfo info = kindInfo(m_elementKind);
    const Node* node = nodeAt(ui->treeView->currentIndex());
    if (node && node->type == info.requiredType && (!m_pickWithin || node->parent() == m_pickWithin))
        return QString();
    return tr("You must select %1").arg(QLatin1String(info.word));
}

// ---- workspace, global command and timer task pages ------------------------------------

int CommonDlg::workspaceSetup(QString& caption, QString& imageFile, int& mode)
{
    QRadioButton* const modeButtons[] = {ui->rbWmode0, ui->rbWmode1, ui->rbWmode2};
    if (mode >= 0 && mode < 3)
        modeButtons[mode]->setChecked(true);
    connect(ui->btnSelectImage, &QToolButton::clicked, this, &CommonDlg::selectFile);
    setWindowTitle(tr("Workspace setup"));
    setFixedHeight(WorkspaceHeight);
    setFixedWidth(WorkspaceWidth);
    fitWorkspaceLogo();
    ui->edtWorkspaceCaption->setText(caption);
    ui->edtFileName->clear();
    ui->stackedWidget->setCurrentIndex(WorkspacePage);
    if (exec() == 0)
        return QDialog::Rejected;

    caption = ui->edtWorkspaceCaption->text();
    imageFile = ui->edtFileName->text();
    for (int i = 0; i < 3; ++i) {
        if (modeButtons[i]->isChecked())
            mode = i;
    }
    return QDialog::Accepted;
}

// The logo takes what the fields leave of the page's width: at its own
// size it squeezed their labels to a few letters.
void CommonDlg::fitWorkspaceLogo()
{
    const QPixmap logo = ui->label_11->pixmap(Qt::ReturnByValue);
    const QMargins dialog = layout()->contentsMargins();
    const QMargins page = ui->page_5->layout()->contentsMargins();
    const int room = WorkspaceWidth - dialog.left() - dialog.right() - page.left() - page.right()
                     - ui->page_5->layout()->spacing() - ui->groupBox_3->sizeHint().width();
    if (!logo.isNull() && room < logo.width())
        ui->label_11->setPixmap(room > 0 ? logo.scaledToWidth(room, Qt::SmoothTransformation) : QPixmap());
}

int CommonDlg::globalCommand(int mode)
{
    setWindowTitle(tr("Global command"));
    if (mode == 1)
        ui->label_14->setText(QStringLiteral("You are going to send a global command. Please mark, what condition "
                                             "should be set for of all energizers"));
    ui->stackedWidget->setCurrentIndex(GlobalCommandPage);
    if (exec() == 0)
        return GlobalCommandCancelled;
    return 2 * int(ui->chkF1On->isChecked()) + int(ui->chkF1Hi->isChecked());
}

namespace {

// The day boxes of the timer page with their flags, Monday to Sunday.
struct DayBox
{
    QCheckBox* box;
    bool TimerData::*flag;
};

} // namespace

int CommonDlg::timerSetting(TimerData& timer)
{
    connect(ui->btnSelectCard, &QPushButton::clicked, this, &CommonDlg::selectCard);
    setWindowTitle(tr("Timer setting"));
    ui->stackedWidget->setCurrentIndex(TimerPage);

    const DayBox days[] = {{ui->chckMon, &TimerData::dayMon}, {ui->chckTue, &TimerData::dayTue},
                           {ui->chckWed, &TimerData::dayWed}, {ui->chckThu, &TimerData::dayThu},
                           {ui->chckFri, &TimerData::dayFri}, {ui->chckSat, &TimerData::daySat},
                           {ui->chckSun, &TimerData::daySun}};
    ui->edtTaskName->setText(timer.name);
    ui->tpFrom->setDateTime(timer.from);
    ui->tpTo->setDateTime(timer.to);
    for (const DayBox& day : days)
        day.box->setChecked(timer.*day.flag);
    ui->chkActive->setChecked(timer.active);
    ui->edtKX4->setText(timer.IP);
    ui->edtCardNo->setText(QString::number(timer.cardNo));
    ui->edtCardName->setText(timer.cardName);
    ui->spnRelayNo->setValue(timer.relayNo);

    if (exec() == 0)
        return QDialog::Rejected;

    // Nothing is checked here: the timer unit sends nothing for a timer without a card.
    timer.name = ui->edtTaskName->text();
    timer.from = ui->tpFrom->dateTime();
    timer.to = ui->tpTo->dateTime();
    timer.active = ui->chkActive->isChecked();
    timer.IP = ui->edtKX4->text();
    timer.cardNo = ui->edtCardNo->text().toInt(nullptr, 10);
    timer.cardName = ui->edtCardName->text();
    timer.relayNo = ui->spnRelayNo->value();
    for (const DayBox& day : days)
        timer.*day.flag = day.box->isChecked();
    return QDialog::Accepted;
}

// ---- energizer properties page -------------------------------------------------

void CommonDlg::energizerProperties(QGraphicsItem* item)
{
    auto* element = dynamic_cast<GraphicsHelperClass*>(item);
    Node* energizer = nullptr;
    {
        SiteLocker lock;
        Node* linked = element ? element->node() : nullptr;
        if (linked && linked->parent())
            energizer = linked->parent()->parent();
    }
    // A line that hangs under no sector would show the tree above it as if it
    // were an energizer.
    if (energizer && energizer->type != Node::Energizer)
        energizer = nullptr;
    PropertyPanelHost* host = m_panelHost;
    if (!energizer || !host) {
        qCWarning(lcDialogs) << "Energizer properties: the item is not linked to an energizer; nothing shown";
        if (element)
            QMessageBox::information(parentWidget(), tr("Energizer property"),
                                     tr("%1 belongs to no sector of an energizer.").arg(element->objectName()));
        deleteLater();
        return;
    }
    setWindowTitle(tr("Energizer property %1").arg(energizer->data(0).toString()));
    layout()->setContentsMargins(0, 0, 0, 0);
    layout()->setSpacing(0);
    setFixedSize(EnergizerPageWidth, EnergizerPageHeight);
    ui->stackedWidget->setCurrentIndex(EnergizerPage);
    ui->btnOK->hide();
    ui->btnCancel->hide();
    delete ui->horizontalLayout;
    ui->horizontalLayout = nullptr;

    // The manager is the dialog's child: the panel, its rows and its editors
    // all go when the dialog closes, and the set leaves the window's list.
    auto* set = new PropertySet(this);
    set->browser = new TreePropertyBrowser(ui->page_9);
    set->currentNode = energizer;
    set->manager = new VariantManager(this);
    connect(set->manager, &VariantPropertyManager::valueChanged, this,
            [host, set](Property* property, const QVariant& value) { host->propertyChanged(set, property, value); });
    host->addPopupSet(set);
    auto* pageLayout = new QVBoxLayout(ui->page_9);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    pageLayout->addWidget(set->browser);
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
    show();
    host->fillPropertyBrowser(set, nullptr, energizer);
}
