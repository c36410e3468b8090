#pragma once

// What opening a project does with the file's bytes, without the window:
// parse within the depth and project limits, read the colours and sound alarms, read each
// workplace into a scene of its own with the real reader (TW systems, every
// item kind), bind the references across them, write every item back as a
// save would, then
// tear the scenes down before the trees. Shared by the libFuzzer target and
// the tests of the project library.

#include "colortext.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "itemxml.h"
#include "node.h"
#include "projectlimits.h"
#include "treemodel.h"
#include "workplacereader.h"
#include "workplacewriter.h"

#include <QDomDocument>

#include <memory>
#include <vector>

namespace ProjectFileFuzz {

// More workspaces than this add nothing to what a run covers.
constexpr int MaxWorkplaces = 4;

inline Node* modelRoot(TreeModel& model, int columns)
{
    auto* root = new Node(QStringLiteral("Name"));
    root->columns = QVector<QVariant>(columns);
    model.setRootNode(root);
    return root;
}

inline void buildDefaultTWTree(Node* twRoot, GraphicsScene* scene, const QString& name, int index)
{
    auto* system = new Node(QStringLiteral("TWSensor1"), twRoot);
    system->columns = {name, 0, name, index};
    system->type = Node::TWSystem;
    auto* twin = new Node(name);
    twin->columns = system->columns;
    twin->type = Node::TWSystem;
    system->deviceNode = twin;
    twin->deviceNode = system;
    ItemXml::placeNode(twin, scene->workplaceNode(), -1);
    for (int n = 1; n <= 31; ++n) {
        auto* sensor = new Node(QStringLiteral("Sensor%1").arg(n), system);
        sensor->columns = {QStringLiteral("Sensor%1").arg(n), 0, QVariant(), QVariant()};
        sensor->type = Node::TWSensor;
    }
}

// True when the run got through; a crash or sanitizer report is the failure.
// `saved`, when given, receives the file with the items a save writes.
inline bool run(const QByteArray& bytes, QDomDocument* saved = nullptr)
{
    QDomDocument document;
    if (!ProjectLimits::refusal(bytes, &document).isEmpty())
        return true;
    const QDomElement root = document.documentElement();
    const QDomElement colors = root.firstChildElement(QStringLiteral("ColorStatus"));
    for (const char* name : {"okStatus", "warningStatus", "criticalStatus", "failureStatus", "tamperStatus"})
        textToColor(colors.attribute(QLatin1String(name)));

    TreeModel elementModel;
    TreeModel energizerModel;
    TreeModel twModel;
    modelRoot(elementModel, 1);
    modelRoot(energizerModel, 12);
    Node* twRoot = modelRoot(twModel, 4);
    g_elementTreeModel = &elementModel;
    g_energizerModel = &energizerModel;
    g_twSensorModel = &twModel;

    std::vector<std::unique_ptr<Node>> soundNodes;
    QList<Node*> sounds;
    for (const QDomElement& element : ItemXml::childElements(root)) {
        if (element.tagName() != QLatin1String("SoundAlarm"))
            continue;
        soundNodes.push_back(std::make_unique<Node>(element.attribute(QStringLiteral("name"))));
        Node* node = soundNodes.back().get();
        node->type = Node::SoundAlarm;
        node->columns = {node->name, QVariant(), element.attribute(QStringLiteral("guid"))};
        sounds.append(node);
    }

    std::vector<std::unique_ptr<GraphicsScene>> scenes;
    QList<GraphicsScene*> site;
    GraphicsScene* reading = nullptr;
    WorkplaceReader::Hooks hooks;
    hooks.buildDefaultTWTree = [twRoot, &reading](const QString& name, int tab) {
        buildDefaultTWTree(twRoot, reading, name, tab);
    };
    WorkplaceReader reader(twRoot, hooks);
    const QList<QDomElement> workplaces = ItemXml::childElements(root.firstChildElement(QStringLiteral("Workplaces")));
    for (int index = 0; index < workplaces.size() && index < MaxWorkplaces; ++index) {
        const QDomElement& workplace = workplaces.at(index);
        scenes.push_back(std::make_unique<GraphicsScene>(workplace.attribute(QStringLiteral("name")), nullptr,
                                                         &elementModel, &energizerModel));
        reading = scenes.back().get();
        reading->setSoundAlarmList(&sounds);
        site.append(reading);
        reader.readItems(workplace, index, reading);
    }
    reader.bindReferences(site);
    // As the window does, each gateway's status row goes into the energizer
    // model, which frees it with the rest of the site.
    for (GraphicsScene* scene : qAsConst(site)) {
        for (GraphicsBox* box : scene->gatewayBoxes()) {
            if (Node* row = box->energizerNode(); row && !row->parent())
                energizerModel.insertNode(energizerModel.rootNode(), -1, row);
        }
    }
    // The file as read, each workplace's items as a save writes them.
    QDomDocument out = document.cloneNode(true).toDocument();
    const QList<QDomElement> written = ItemXml::childElements(out.documentElement().firstChildElement(QStringLiteral("Workplaces")));
    for (int index = 0; index < site.size(); ++index) {
        QDomElement workplace = written.at(index);
        for (const QDomElement& item : ItemXml::childElements(workplace)) {
            if (item.tagName() == QLatin1String("Item"))
                workplace.removeChild(item);
        }
        WorkplaceWriter::writeItems(out, workplace, site.at(index));
    }
    if (saved)
        *saved = out;
    // The map items point at the nodes the models delete.
    scenes.clear();
    elementModel.clear();
    energizerModel.clear();
    twModel.clear();
    g_elementTreeModel = nullptr;
    g_energizerModel = nullptr;
    g_twSensorModel = nullptr;
    return true;
}

} // namespace ProjectFileFuzz
