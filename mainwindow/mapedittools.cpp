#include "mapedittools.h"

#include "chooserhooks.h"
#include "elementtreeorder.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "node.h"
#include "treemodel.h"
#include "workspacearea.h"

#include <QAction>
#include <QComboBox>
#include <QFontComboBox>
#include <QIntValidator>
#include <QPushButton>
#include <QToolBar>

namespace {
const QStringList LineWidths{QStringLiteral("2"),  QStringLiteral("3"),  QStringLiteral("4"),  QStringLiteral("5"),
                             QStringLiteral("6"),  QStringLiteral("8"),  QStringLiteral("10"), QStringLiteral("12"),
                             QStringLiteral("14"), QStringLiteral("16"), QStringLiteral("18"), QStringLiteral("20")};
const QStringList FontSizes{QStringLiteral("6"),  QStringLiteral("7"),  QStringLiteral("8"),  QStringLiteral("9"),
                            QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("12"), QStringLiteral("14"),
                            QStringLiteral("16"), QStringLiteral("18"), QStringLiteral("20"), QStringLiteral("22"),
                            QStringLiteral("24"), QStringLiteral("26"), QStringLiteral("28"), QStringLiteral("36"),
                            QStringLiteral("48")};
constexpr int BoldWeight = QFont::Bold;
constexpr int AlignCentred = Qt::AlignHCenter | Qt::AlignVCenter;

// After a copy a clone of the item, named anew, `steps` grid steps further
// than the one-step offset of a clone; after a cut the item itself, shown
// again, unless an undo step has taken it off its map since (that step
// holds it now).
template <typename Item>
Item* pastedItem(Item* item, bool copy, int steps, GraphicsScene* scene)
{
    if (!copy) {
        if (!item->scene())
            return nullptr;
        item->show();
        scene->insertItem(item);
        return item;
    }
    item->setSelection(false);
    Item* clone = item->clone();
    clone->setElementPos(clone->pos() + steps * QPointF(GraphicsScene::GridSize, GraphicsScene::GridSize));
    scene->insertItem(clone);
    scene->setUniqueName(clone);
    return clone;
}
} // namespace

MapEditTools::MapEditTools(WorkspaceArea* workspaces, const Widgets& widgets, QObject* parent)
    : QObject(parent)
    , m_workspaces(workspaces)
    , m_widgets(widgets)
{
    createLineWidthCombo();
    createFontCombos();
    connect(m_widgets.cut, &QAction::triggered, this, [this] { copyToClipboard(false); });
    connect(m_widgets.copy, &QAction::triggered, this, [this] { copyToClipboard(true); });
    connect(m_widgets.paste, &QAction::triggered, this, &MapEditTools::paste);
}

void MapEditTools::createLineWidthCombo()
{
    m_lineWidthCombo = new QComboBox(m_widgets.mapEditToolBar);
    m_lineWidthCombo->setToolTip(tr("Line thickness"));
    m_lineWidthCombo->addItems(LineWidths);
    QAction* holder = m_widgets.mapEditToolBar->insertWidget(m_widgets.lineWidthBefore, m_lineWidthCombo);
    holder->setText(tr("Line thickness"));
    connect(m_lineWidthCombo, qOverload<int>(&QComboBox::activated), this, &MapEditTools::changeLineThickenss);
}

void MapEditTools::createFontCombos()
{
    m_fontCombo = new QFontComboBox(m_widgets.fontToolBar);
    m_fontCombo->setEditable(true);
    m_fontCombo->setEnabled(false);
    m_fontCombo->setToolTip(tr("Font name"));
    m_fontSizeCombo = new QComboBox(m_widgets.fontToolBar);
    m_fontSizeCombo->setEditable(true);
    m_fontSizeCombo->setEnabled(false);
    m_fontSizeCombo->setToolTip(tr("Font size"));
    m_fontSizeCombo->addItems(FontSizes);
    m_fontSizeCombo->setValidator(new QIntValidator(6, 48, m_fontSizeCombo));
    m_widgets.fontToolBar->insertWidget(m_widgets.fontBefore, m_fontCombo);
    m_widgets.fontToolBar->insertWidget(m_widgets.fontBefore, m_fontSizeCombo);
    connect(m_fontCombo, qOverload<int>(&QComboBox::activated), this, [this] { handleFontChange(FontFamily); });
    connect(m_fontSizeCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { handleFontChange(FontSize); });
    connect(m_widgets.bold, &QAction::triggered, this, [this] { handleFontChange(FontBold); });
    connect(m_widgets.italic, &QAction::triggered, this, [this] { handleFontChange(FontItalic); });
    connect(m_widgets.underline, &QAction::triggered, this, [this] { handleFontChange(FontUnderline); });
    connect(m_widgets.fontColor, &QAction::triggered, this, [this] { chooseColor(FontColor); });
    connect(m_widgets.backgroundColor, &QAction::triggered, this, [this] { chooseColor(BackgroundColor); });
    connect(m_widgets.borderColor, &QAction::triggered, this, [this] { chooseColor(BorderColor); });
}

void MapEditTools::showFont(const QFont& font)
{
    m_fontCombo->setCurrentFont(font);
    m_fontSizeCombo->setEditText(QString::number(font.pointSize()));
    showStyle(font.weight() == BoldWeight, font.style() != QFont::StyleNormal, font.underline());
}

void MapEditTools::showStyle(bool bold, bool italic, bool underline)
{
    m_widgets.bold->setChecked(bold);
    m_widgets.italic->setChecked(italic);
    m_widgets.underline->setChecked(underline);
}

QList<QAction*> MapEditTools::alignmentActions() const
{
    return {m_widgets.alignLeft, m_widgets.alignCenter, m_widgets.alignRight};
}

void MapEditTools::checkAlignment(QAction* checked)
{
    for (QAction* action : alignmentActions())
        action->setChecked(action == checked);
}

int MapEditTools::alignmentOf(const QAction* action) const
{
    if (action == m_widgets.alignLeft)
        return Qt::AlignLeft;
    if (action == m_widgets.alignCenter)
        return AlignCentred;
    if (action == m_widgets.alignRight)
        return Qt::AlignRight;
    return 0;
}

void MapEditTools::disableTextFormat()
{
    for (QAction* action : {m_widgets.bold, m_widgets.italic, m_widgets.underline, m_widgets.fontColor,
                            m_widgets.backgroundColor, m_widgets.borderColor, m_widgets.alignLeft,
                            m_widgets.alignCenter, m_widgets.alignRight})
        action->setEnabled(false);
    m_fontCombo->setEnabled(false);
    m_fontSizeCombo->setEnabled(false);
}

void MapEditTools::enableTextFormatFor(QGraphicsItem* item)
{
    auto* element = dynamic_cast<GraphicsHelperClass*>(item);
    const int kind = element && element->node() ? element->node()->type : -1;
    if (item->type() == GraphicsHelperClass::LineItemType) {
        m_widgets.borderColor->setEnabled(true);
        return;
    }
    if (kind != Node::TextLabel && kind != Node::Button)
        return;
    for (QAction* action : {m_widgets.bold, m_widgets.italic, m_widgets.underline})
        action->setEnabled(true);
    m_fontCombo->setEnabled(true);
    m_fontSizeCombo->setEnabled(true);
    if (kind == Node::TextLabel) {
        for (QAction* action : {m_widgets.fontColor, m_widgets.backgroundColor, m_widgets.borderColor,
                                m_widgets.alignLeft, m_widgets.alignCenter, m_widgets.alignRight})
            action->setEnabled(true);
    }
}

// Each box keeps the rest of its own font: a family the font combo cannot
// show, which the combo would report as another, stays the box's.
void MapEditTools::handleFontChange(FontPart part)
{
    GraphicsScene* scene = m_workspaces->currentScene();
    if (!scene)
        return;
    const int size = m_fontSizeCombo->currentText().toInt();
    for (QGraphicsItem* item : scene->selectedItems()) {
        if (item->type() != GraphicsBox::Type)
            continue;
        auto* box = static_cast<GraphicsBox*>(item);
        QFont font = box->textFont();
        switch (part) {
        case FontFamily:
            font.setFamily(m_fontCombo->currentFont().family());
            break;
        case FontSize:
            if (size > 0)
                font.setPointSize(size);
            break;
        case FontBold:
            font.setWeight(m_widgets.bold->isChecked() ? QFont::Bold : QFont::Normal);
            break;
        case FontItalic:
            font.setItalic(m_widgets.italic->isChecked());
            break;
        case FontUnderline:
            font.setUnderline(m_widgets.underline->isChecked());
            break;
        }
        box->setTextFont(font);
        emit itemRestyled(box);
    }
    emit projectModified();
}

void MapEditTools::chooseColor(ColorTarget target)
{
    // No colour preselected, whatever the selection holds.
    QColor color;
    if (!ChooserHooks::chooseColor(color, m_widgets.fontToolBar->window()))
        return;
    emit projectModified();
    GraphicsScene* scene = m_workspaces->currentScene();
    if (!scene)
        return;
    for (QGraphicsItem* item : scene->selectedItems()) {
        // A fence line has one colour, its border's.
        if (item->type() == GraphicsLine::Type && target == BorderColor) {
            static_cast<GraphicsLine*>(item)->setColor(color);
        } else if (item->type() == GraphicsBox::Type) {
            auto* box = static_cast<GraphicsBox*>(item);
            if (target == FontColor)
                box->captionItem()->setDefaultTextColor(color);
            else if (target == BackgroundColor)
                box->setBackgroundColor(color);
            else
                box->setColor(color);
        }
    }
}

void MapEditTools::changeLineThickenss()
{
    GraphicsScene* scene = m_workspaces->currentScene();
    if (!scene)
        return;
    const int width = m_lineWidthCombo->currentText().toInt();
    for (QGraphicsItem* item : scene->items()) {
        if (item->type() == GraphicsLine::Type)
            static_cast<GraphicsLine*>(item)->setLineWidth(width);
    }
}

void MapEditTools::copyToClipboard(bool copy)
{
    GraphicsScene* scene = m_workspaces->currentScene();
    // A cut takes items off the map: in design mode only.
    if (!scene || (!copy && !scene->designMode()))
        return;
    QList<QPointer<GraphicsHelperClass>> taken;
    QStringList keptSectors;
    for (QGraphicsItem* item : scene->selectedItems()) {
        auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
        if (!helper)
            continue;
        // A TW sector is not cut on its own: no paste would bring it back.
        // It goes along with the fence line it sits on when that is cut.
        if (!copy && item->type() == GraphicsCircle::Type) {
            if (!item->parentItem() || !item->parentItem()->isSelected())
                keptSectors.append(helper->objectName());
            continue;
        }
        taken.append(helper);
    }
    if (!keptSectors.isEmpty())
        // Short enough to stand whole beside the status fields of a 1280-wide window.
        emit note(tr("Not cut: TW sector %1 moves only with its fence line")
                      .arg(keptSectors.join(QStringLiteral(", "))));
    // A cut of nothing but TW sectors leaves the clipboard as it was.
    if (taken.isEmpty() && !keptSectors.isEmpty())
        return;
    m_clipboardCopy = copy;
    m_pasteCount = 0;
    m_clipboardItems = taken;
    m_widgets.paste->setEnabled(true);
    if (!m_clipboardCopy) {
        for (const auto& helper : qAsConst(m_clipboardItems))
            helper->item()->hide();
    }
}

void MapEditTools::paste()
{
    GraphicsScene* scene = m_workspaces->currentScene();
    if (!scene || !scene->designMode())
        return;
    QStringList lost;
    for (const auto& helper : QList<QPointer<GraphicsHelperClass>>(m_clipboardItems)) {
        if (helper)
            lost += pasteItem(helper, scene);
    }
    ++m_pasteCount;
    if (!lost.isEmpty())
        emit note(lost.join(QStringLiteral("; ")));
}

// Boxes and fence lines only: other items have no node to hang under the workplace.
QStringList MapEditTools::pasteItem(GraphicsHelperClass* helper, GraphicsScene* scene)
{
    QGraphicsItem* item = helper->item();
    QGraphicsItem* pasted = nullptr;
    QStringList lost;
    if (item->type() == GraphicsBox::Type) {
        GraphicsBox* box = pastedItem(static_cast<GraphicsBox*>(item), m_clipboardCopy, m_pasteCount, scene);
        if (box && box->kind() == GraphicsBox::ButtonBox)
            box->addActionButton();
        pasted = box;
    } else if (item->type() == GraphicsLine::Type) {
        pasted = pastedItem(static_cast<GraphicsLine*>(item), m_clipboardCopy, m_pasteCount, scene);
        // A cut line takes its riding circles along (a copy has none).
        if (pasted && !m_clipboardCopy)
            lost = scene->takeInRiders(pasted);
    }
    auto* pastedHelper = dynamic_cast<GraphicsHelperClass*>(pasted);
    if (pastedHelper)
        pastedHelper->setItemSelected(true);
    Node* node = pastedHelper ? pastedHelper->node() : nullptr;
    if (!node || !scene->workplaceNode())
        return lost;
    // A cut element whose node hangs as an action (under a sector, a gate or
    // a TW sector) stays there: that is the link naming it, which the sector
    // follows live and the file keeps. Only a node on a workplace comes here.
    if (m_clipboardCopy || !node->parent() || node->parent()->type == Node::Workplace) {
        ElementTreeOrder::hangSorted(scene->workplaceNode(), node);
        ElementTreeOrder::sortChildren(scene->workplaceNode());
    }
    g_elementTreeModel->refreshNode(node);
    // A copy hangs only in the element tree; the box itself takes its rows along.
    if (!m_clipboardCopy && pasted->type() == GraphicsBox::Type
        && static_cast<GraphicsBox*>(pasted)->kind() == GraphicsBox::GatewayBox)
        emit gatewayRowsWanted();
    emit projectModified();
    return lost;
}
