#include "useradmindlg.h"
#include "ui_useradmindlg.h"

#include "cellwidgets.h"
#include "commondlg.h"
#include "globals.h"
#include "mdelegate.h"
#include "useraccounts.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlTableModel>

namespace {
constexpr int RoleColumnWidth = 150;
constexpr int UserColumnWidth = 130;
} // namespace

UserAdminDlg::UserAdminDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::UserAdminDlg)
{
    ui->setupUi(this);

    model = new QSqlTableModel(this, QSqlDatabase::database());
    model->setTable(QStringLiteral("users"));
    model->setSort(0, Qt::AscendingOrder);
    model->select();
    model->setEditStrategy(QSqlTableModel::OnManualSubmit);

    // Columns are found by name; the view shows User, Active and the role's text.
    const int userColumn = model->fieldIndex(QStringLiteral("user"));
    const int activeColumn = model->fieldIndex(QStringLiteral("active"));
    const int roleTextColumn = model->fieldIndex(QStringLiteral("role_text"));
    model->setHeaderData(userColumn, Qt::Horizontal, tr("User"));
    model->setHeaderData(model->fieldIndex(QStringLiteral("password")), Qt::Horizontal, tr("Password"));
    model->setHeaderData(activeColumn, Qt::Horizontal, tr("Active"));
    model->setHeaderData(roleTextColumn, Qt::Horizontal, tr("Role"));

    ui->tableUsers->setModel(model);
    for (const char* hidden : {"id_user", "password", "role_id"})
        ui->tableUsers->hideColumn(model->fieldIndex(QLatin1String(hidden)));
    ui->tableUsers->setColumnWidth(userColumn, UserColumnWidth);

    connect(ui->tableUsers, &QAbstractItemView::doubleClicked, this, [this] { editUser(true); });
    connect(ui->btnAddUser, &QToolButton::clicked, this, [this] { editUser(false); });
    connect(ui->btnEditUser, &QToolButton::clicked, this, [this] { editUser(true); });
    connect(ui->btnDeleteUser, &QToolButton::clicked, this, &UserAdminDlg::deleteUser);

    ui->tableUsers->setItemDelegateForColumn(activeColumn, new mDelegate(this));

    ui->tableRights->setColumnWidth(0, RoleColumnWidth);
    const QList<QPair<int, QString>> twoLineHeaders = {
        {1, QStringLiteral("Edit\nworkspace")}, {3, QStringLiteral("Send\ncommand")},
        {5, QStringLiteral("Connect\nvis.alarm")}, {6, QStringLiteral("KX4\nsetup")},
        {7, QStringLiteral("Timers\nsetup")}, {8, QStringLiteral("Voltage\ndiagrams")},
        {9, QStringLiteral("TW sensors\nsetup")},
    };
    for (const auto& header : twoLineHeaders)
        ui->tableRights->horizontalHeaderItem(header.first)->setText(header.second);
    fillRights();
}

UserAdminDlg::~UserAdminDlg()
{
    delete ui;
}

void UserAdminDlg::warn(const QString& text)
{
    QMessageBox::warning(this, tr("Error"), text, QMessageBox::Ok);
}

void UserAdminDlg::fillRights()
{
    QVector<UserAccounts::RoleRights> rows;
    UserAccounts::readRights(&rows);
    for (const UserAccounts::RoleRights& rights : rows) {
        const int row = ui->tableRights->rowCount();
        ui->tableRights->insertRow(row);
        auto* roleItem = new QTableWidgetItem(rights.roleText);
        roleItem->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        // Each row is written back to the rights row it came from.
        roleItem->setData(Qt::UserRole, rights.idRight);
        ui->tableRights->setItem(row, 0, roleItem);
        for (int i = 0; i < UserAccounts::MatrixRightCount; ++i) {
            ui->tableRights->setCellWidget(row, i + 1, createCheckBoxCell(rights.flags[i] != 0, ui->tableRights,
                                                                          [this](bool) { itemClicked(); }));
        }
    }
}

void UserAdminDlg::reloadRights()
{
    QVector<UserAccounts::RoleRights> rows;
    UserAccounts::readRights(&rows);
    for (int row = 0; row < ui->tableRights->rowCount(); ++row) {
        const int idRight = ui->tableRights->item(row, 0)->data(Qt::UserRole).toInt();
        for (const UserAccounts::RoleRights& rights : qAsConst(rows)) {
            if (rights.idRight != idRight)
                continue;
            for (int i = 0; i < UserAccounts::MatrixRightCount; ++i) {
                if (QCheckBox* box = rightBox(row, i + 1))
                    box->setChecked(rights.flags[i] != 0);
            }
        }
    }
}

QCheckBox* UserAdminDlg::rightBox(int row, int column) const
{
    QWidget* cell = ui->tableRights->cellWidget(row, column);
    return cell ? cell->findChild<QCheckBox*>() : nullptr;
}

void UserAdminDlg::itemClicked()
{
    QVector<UserAccounts::RoleRights> rows;
    for (int row = 0; row < ui->tableRights->rowCount(); ++row) {
        UserAccounts::RoleRights rights;
        rights.idRight = ui->tableRights->item(row, 0)->data(Qt::UserRole).toInt();
        for (int i = 0; i < UserAccounts::MatrixRightCount; ++i) {
            const QCheckBox* box = rightBox(row, i + 1);
            rights.flags[i] = box && box->isChecked() ? 1 : 0;
        }
        rows.append(rights);
    }
    const UserAccounts::Result result = UserAccounts::writeRights(rows);
    if (result.ok())
        return;
    // The boxes show what the database holds, never a refused change.
    reloadRights();
    if (result.outcome == UserAccounts::Outcome::LockOut)
        warn(tr("This change would leave no active user who may edit users!"));
    else
        warn(tr("The rights could not be saved: %1").arg(result.error));
}

void UserAdminDlg::editUser(bool current)
{
    int userId = 0;
    if (current) {
        const QModelIndex current = ui->tableUsers->currentIndex();
        if (!current.isValid())
            return;
        userId = model->index(current.row(), model->fieldIndex(QStringLiteral("id_user"))).data().toInt();
    }

    auto* page = new CommonDlg(this);
    connect(page, &CommonDlg::writeUserActionLog, this, &UserAdminDlg::writeUserActionLog);
    page->editUserProperties(userId);
    if (page->result() == QDialog::Accepted)
        model->select();
    delete page;
}

void UserAdminDlg::deleteUser()
{
    const QModelIndex current = ui->tableUsers->currentIndex();
    if (!current.isValid())
        return;
    const QString name = model->index(current.row(), model->fieldIndex(QStringLiteral("user"))).data().toString();
    if (name == g_currentUser) {
        warn(tr("You can not delete your own account!"));
        return;
    }
    if (QMessageBox::question(this, tr("Warning"), tr("Do you realy want do delete this user?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton)
        != QMessageBox::Yes)
        return;

    const int row = current.row();
    const UserAccounts::Result result = UserAccounts::guardedChange([&](QString* error) {
        if (model->removeRow(row) && model->submitAll())
            return true;
        *error = model->lastError().text();
        return false;
    });
    if (!result.ok()) {
        model->revertAll();
        model->select();
        if (result.outcome == UserAccounts::Outcome::LockOut)
            warn(tr("This change would leave no active user who may edit users!"));
        else
            warn(tr("User %1 could not be deleted: %2").arg(name, result.error));
        return;
    }
    emit writeUserActionLog(QLatin1String(CommonDlg::UserLogSubject), tr("User %1 deleted").arg(name));
}
