#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QSqlTableModel;

namespace Ui {
class UserAdminDlg;
}

// The accounts and the rights of the three roles. Every change goes to the
// database at once; a change that fails, or that would leave no active
// account able to edit users, is refused with a warning and leaves the
// tables as they were.
class UserAdminDlg : public QDialog
{
    Q_OBJECT
public:
    explicit UserAdminDlg(QWidget* parent = nullptr);
    ~UserAdminDlg() override;

signals:
    // One user-action log record; the opener connects it to the log.
    void writeUserActionLog(QString subject, QString message);

public slots:
    // Writes the whole rights matrix.
    void itemClicked();
    // Opens the user page: for the table's current account with `current`
    // (the edit button, a double click), for a new account otherwise.
    void editUser(bool current);
    void deleteUser();

private:
    void fillRights();
    // Sets every box from the table again (after a refused write).
    void reloadRights();
    QCheckBox* rightBox(int row, int column) const;
    void warn(const QString& text);

    Ui::UserAdminDlg* ui;
    QSqlTableModel* model = nullptr;
};
