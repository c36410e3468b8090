#pragma once

#include "actionmsglist.h"
#include "commandsend.h"

#include <QDialog>
#include <QList>
#include <QModelIndex>
#include <QPair>
#include <QSet>
#include <QString>
#include <QVariant>

#include <functional>

class PropertyPanelHost;
class ElementTreeProxyModel;
class Node;
struct TimerData;

class QGraphicsItem;
class SelfShownWindow;

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
    static constexpr int AlarmConfirmWidth = 600;

    // Only the energizer property page uses `panelHost`.
    explicit CommonDlg(QWidget* parent = nullptr, PropertyPanelHost* panelHost = nullptr);
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
    // Element page: the picked node of the kind, null when cancelled. With
    // `within`, only its children are offered and accepted.
    Node* selectElement(int kind, Node* within = nullptr);
    // Workspace page: on OK writes all three, on Cancel none; returns the dialog result.
    int workspaceSetup(QString& caption, QString& imageFile, int& mode);
    // Global command page: the chosen state 0..3, or GlobalCommandCancelled.
    int globalCommand(int mode);
    // Timer task page: on OK writes every field back, on Cancel none; returns the dialog result.
    int timerSetting(TimerData& timer);
    // Alarm confirmation page (modeless): lists the node's alarm line unless
    // an equal line is listed already, and shows the window. It comes by
    // itself, so it never takes the keyboard (SelfShownWindow): it stands in
    // front of the main window, or beside a modal dialog open now, whose
    // window it is made so that it can be answered at once; a new line
    // brings it to the front, below that dialog only. The operator answers
    // it by a click on it. Once the program's end has begun it does nothing.
    void showAlarmConfirm(Node* node);
    // Empties the alarm confirmation page, confirming nothing.
    void clearAlarms();
    // "<kind> <name> status: <status> <detail>" of a node handed to showAlarmConfirm.
    static QString alarmLine(Node* node);
    // The window's current sound-alarm flag, shown in "Sound is enabled" with every alarm.
    std::function<bool()> soundAlarmActive;

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
    // Confirmation of the alarm page: the sound choice as command 10 for no
    // node, then one ("ConfirmAlarm", …) entry per confirmed line.
    void commandSending(Node* elementNode, QVariant value, CommandSend action);
    void writeUserActionLogList(ActionMsgList messageList);

public slots:
    void clickOK();
    void showCommands(QModelIndex index);
    void selectFile();
    void selectCard();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString userPageProblem() const;
    void fitWorkspaceLogo();
    bool saveUserProperties();
    void warn(const QString& text);
    ElementTreeProxyModel* makeElementProxy();
    Node* nodeAt(const QModelIndex& proxyIndex) const;
    QString elementPageProblem() const;
    void confirmAlarms();

    Ui::CommonDlg* ui;
    PropertyPanelHost* m_panelHost = nullptr;
    // The lines of the alarm table, for a look-up that does not grow with the list.
    QSet<QString> m_alarmLines;
    // Shows the alarm page; made with its first line.
    SelfShownWindow* m_selfShown = nullptr;
    // Lines added since the page last came forward, and how deep calls
    // are nested in the repaint that follows a new line.
    bool m_linesAdded = false;
    int m_repainting = 0;
    int m_editedUserId = 0;
    int m_elementKind = 0;
    Node* m_pickWithin = nullptr;
    ElementTreeProxyModel* m_elementProxy = nullptr;
};
