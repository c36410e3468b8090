#pragma once

#include <QDialog>
#include <QModelIndex>
#include <QString>

namespace Ui {
class CommonDlg;
}

// The many-purpose dialog: one stacked page per small task, picked by calling
// exactly one mode function on a fresh dialog.
class CommonDlg : public QDialog
{
    Q_OBJECT
public:
    enum Page { UserPage = 0, LoginPage = 1 };

    explicit CommonDlg(QWidget* parent = nullptr);
    ~CommonDlg() override;

    // Log-in page: returns the user name that passed the check, else an empty
    // string; result() is Accepted exactly when the check passed.
    QString login();

    // The check behind the log-in page, usable without showing the dialog.
    static bool checkCredentials(const QString& userName, const QString& password);
    static QString passwordDigest(const QString& password);

public slots:
    void clickOK();
    void showCommands(QModelIndex index);
    void selectFile();
    void selectCard();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Ui::CommonDlg* ui;
    int m_editedUserId = 0;
    int m_elementKind = 0;
};
