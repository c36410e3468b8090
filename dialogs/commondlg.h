#pragma once

#include <QDialog>
#include <QModelIndex>
#include <QString>

class QGraphicsItem;

namespace Ui {
class CommonDlg;
}

// The many-purpose dialog: one stacked page per small task, picked by calling
// exactly one mode function on a fresh dialog.
class CommonDlg : public QDialog
{
    Q_OBJECT
public:
    enum Page {
        UserPage = 0,
        LoginPage = 1,
        ButtonActionPage = 2,
        ElementPage = 3,
        WorkspacePage = 4,
        AlarmConfirmPage = 5,
        GlobalCommandPage = 6,
        TimerPage = 7,
        EnergizerPage = 8,
    };
    static constexpr const char* UserLogSubject = "UserControl";

    explicit CommonDlg(QWidget* parent = nullptr);
    ~CommonDlg() override;

    // Log-in page: returns the user name that passed the check, else an empty
    // string; result() is Accepted exactly when the check passed.
    QString login();

    // The check behind the log-in page, usable without showing the dialog.
    static bool checkCredentials(const QString& userName, const QString& password);
    static QString passwordDigest(const QString& password);

    // User properties page: adds an account (id 0) or edits one. The account
    // is written when OK passes its checks; a refused or failed write keeps
    // the page open, so result() is Accepted exactly when it was written.
    void editUserProperties(int userId);

    // Energizer properties page: a small modeless property panel for the
    // energizer of a map item, listed with the window's panels so that live
    // data keeps it current. Returns at once. The dialog deletes itself when
    // closed, and its panel leaves the list with it.
    void energizerProperties(QGraphicsItem* item);
    static constexpr int EnergizerPageWidth = 250;
    static constexpr int EnergizerPageHeight = 450;

signals:
    // One user-action log record; the opener connects it to the log.
    void writeUserActionLog(QString subject, QString message);

public slots:
    void clickOK();
    void showCommands(QModelIndex index);
    void selectFile();
    void selectCard();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString userPageProblem() const;
    bool saveUserProperties();
    void warn(const QString& text);

    Ui::CommonDlg* ui;
    int m_editedUserId = 0;
    int m_elementKind = 0;
};
