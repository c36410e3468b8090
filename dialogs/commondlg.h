#pragma once

#include <QDialog>
#include <QList>
#include <QModelIndex>
#include <QPair>
#include <QString>

class ElementTreeProxyModel;
class Node;
struct TimerData;

namespace Ui {
class CommonDlg;
}

// What the button action page hands back: the target, the CommandSend value
// and the command's list text. All empty unless the page was accepted.
struct ButtonAction
{
    Node* node = nullptr;
    int command = 0;
    QString name;
};

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

    // Element kinds of the element page.
    enum ElementKind { IOCardKind = 1, EnergizerKind = 2, FenceKind = 3, SensorKind = 4 };
    // The state all energizers take after a global command: 2 x on + hi; -1 when cancelled.
    static constexpr int GlobalCommandCancelled = -1;
    static constexpr int ButtonActionWidth = 500;
    static constexpr int ButtonActionHeight = 400;
    static constexpr int WorkspaceWidth = 440;
    static constexpr int WorkspaceHeight = 300;

    // The commands a button may send to a target of this node type, as
    // (list text, CommandSend value) in list order; empty for other types.
    static QList<QPair<QString, int>> commandsFor(int nodeType);

    // Button action page: the caller tests result(); only Accepted makes the record valid.
    ButtonAction selectButtonAction();
    // Element page: the picked node of the kind, null when cancelled.
    Node* selectElement(int kind);
    // Workspace page: on OK writes all three, on Cancel none; returns the dialog result.
    int workspaceSetup(QString& caption, QString& imageFile, int& mode);
    // Global command page: the chosen state 0..3, or GlobalCommandCancelled.
    int globalCommand(int mode);
    // Timer task page: on OK writes every field back, on Cancel none; returns the dialog result.
    int timerSetting(TimerData& timer);

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
    ElementTreeProxyModel* makeElementProxy();
    Node* nodeAt(const QModelIndex& proxyIndex) const;
    QString elementPageProblem() const;

    Ui::CommonDlg* ui;
    int m_editedUserId = 0;
    int m_elementKind = 0;
    ElementTreeProxyModel* m_elementProxy = nullptr;
};
