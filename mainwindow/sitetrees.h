#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class GraphicsBox;
class Node;
class TreeModel;
class WorkspaceArea;

// The three site trees and their models: the element tree (workplaces, map
// elements, devices, actions), the energizer states (a row per gateway
// device, written by the control unit) and the TW sensors. The models are
// children of `parent` and are the ones the process-wide model pointers
// name while this object lives.
class SiteTrees : public QObject
{
    Q_OBJECT
public:
    static constexpr int TWSensorCount = 31;

    explicit SiteTrees(QObject* parent);
    ~SiteTrees() override;

    TreeModel* elementModel() const { return m_elementModel; }
    TreeModel* energizerModel() const { return m_energizerModel; }
    TreeModel* twSensorModel() const { return m_twSensorModel; }
    Node* elementRoot() const { return m_elementRoot; }
    Node* energizerRoot() const { return m_energizerRoot; }
    Node* twSensorRoot() const { return m_twSensorRoot; }

    // A workspace's TW system with its sensors, all disabled until set up,
    // and its twin under `workplace` (none without one). Its controller
    // address stays empty until the operator gives one.
    Node* buildTWSensorTree(const QString& workspaceName, int index, Node* workplace);
    // The workspace name the TW systems of that tab carry, and their twins.
    void renameTWSystemsOf(int tab, const QString& workspaceName);
    // The energizer states model from the gateway boxes of every tab, in tab
    // order; announced once the site lock is let go.
    void rebuildEnergizerModel(const WorkspaceArea& workspaces);
    // The gateway keypad boxes of that tab's scene as they stand on its map,
    // the lowest (the first placed) first: the order the trees list them in.
    static QList<GraphicsBox*> gatewayBoxesAt(const WorkspaceArea& workspaces, int tab);
    // The addresses of the gateways in the energizer states model, in its
    // order (after a rebuild the order a project file lists their boxes in).
    QStringList gatewayAddresses() const;
    void deleteTWSystemsOf(int tab, bool tabsFollow);

signals:
    void energizerModelRebuilt();

private:
    void refillEnergizerModel(const WorkspaceArea& workspaces);

    TreeModel* m_elementModel = nullptr;
    TreeModel* m_energizerModel = nullptr;
    TreeModel* m_twSensorModel = nullptr;
    Node* m_elementRoot = nullptr;
    Node* m_energizerRoot = nullptr;
    Node* m_twSensorRoot = nullptr;
};
