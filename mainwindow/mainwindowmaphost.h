#pragma once

#include "maphost.h"

#include <QObject>

class MainWindow;

// The map's way up to the window it is shown in.
class MainWindowMapHost : public QObject, public MapHost
{
    Q_OBJECT
public:
    explicit MainWindowMapHost(MainWindow* window);

    QWidget* hostWindow() override;
    GraphicsScene* currentScene() override;
    QUndoGroup* undoGroup() override;
    QString alarmCaption() override;
    QColor alarmBackgroundColor() override;
    void writeUserActionLog(const QString& subject, const QString& message) override;
    void mousePos(QPointF pos) override;
    void textChanged(QGraphicsItem* item) override;
    void itemMoved(QGraphicsItem* item) override;
    void showPopupParams(QGraphicsItem* item) override;
    void commandSending(Node* target, const QVariant& value, int command) override;
    void mapEdited() override;
    void insertModeFinished() override;
    void showElementNode(Node* node) override;

signals:
    // A move or an edit on the map left the project with something to save.
    void projectModified();
    // For the panels and the element tree, which the window connects.
    void captionTyped(QGraphicsItem* item);
    void popupParamsRequested(QGraphicsItem* item);
    void elementNodeShown(Node* node);

private:
    MainWindow* m_window;
};
