#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class GraphicsHelperClass;
class GraphicsScene;
class QAction;
class QComboBox;
class QFont;
class QFontComboBox;
class QGraphicsItem;
class QToolBar;
class WorkspaceArea;

// The map-editing tools of the window's toolbars: the line thickness, the
// text format (font, size, bold, italic, underline, the three colours and
// the alignment) and the clipboard. They act on the selected items of the
// current workspace; the property panel shows a selected item's format on
// them. Every change of the map is announced with projectModified().
class MapEditTools : public QObject
{
    Q_OBJECT
public:
    // The form's widgets these tools own or fill; the combo boxes are made
    // here and put in front of `lineWidthBefore` and `fontBefore`.
    struct Widgets
    {
        QToolBar* mapEditToolBar = nullptr;
        QAction* lineWidthBefore = nullptr;
        QToolBar* fontToolBar = nullptr;
        QAction* fontBefore = nullptr;
        QAction* bold = nullptr;
        QAction* italic = nullptr;
        QAction* underline = nullptr;
        QAction* fontColor = nullptr;
        QAction* backgroundColor = nullptr;
        QAction* borderColor = nullptr;
        QAction* alignLeft = nullptr;
        QAction* alignCenter = nullptr;
        QAction* alignRight = nullptr;
        QAction* cut = nullptr;
        QAction* copy = nullptr;
        QAction* paste = nullptr;
    };
    // What a colour from the text-format tools paints on the selected boxes.
    enum ColorTarget { FontColor, BackgroundColor, BorderColor };
    // The part of the font a font tool changes; the rest of each selected
    // box's font stays as it is.
    enum FontPart { FontFamily, FontSize, FontBold, FontItalic, FontUnderline };

    MapEditTools(WorkspaceArea* workspaces, const Widgets& widgets, QObject* parent = nullptr);

    QComboBox* lineWidthCombo() const { return m_lineWidthCombo; }
    QFontComboBox* fontCombo() const { return m_fontCombo; }
    QComboBox* fontSizeCombo() const { return m_fontSizeCombo; }

    // ---- what the property panel shows on the tools
    // The font of the selected text: name, size and the three style toggles.
    void showFont(const QFont& font);
    void showStyle(bool bold, bool italic, bool underline);
    QList<QAction*> alignmentActions() const;
    // Checks `checked` (one of the alignment actions, or none) alone.
    void checkAlignment(QAction* checked);
    // The Qt alignment an alignment action stands for; 0 for any other action.
    int alignmentOf(const QAction* action) const;
    void disableTextFormat();
    // Enables the tools that fit a map item: a fence line has a colour, a
    // text box everything, a button box a font.
    void enableTextFormatFor(QGraphicsItem* item);

public slots:
    void handleFontChange(FontPart part);
    void chooseColor(ColorTarget target);
    void changeLineThickenss();
    void copyToClipboard(bool copy);
    void paste();

signals:
    void projectModified();
    // A font tool changed `item`: the panels showing it fill again.
    void itemRestyled(QGraphicsItem* item);
    // A cut gateway box came onto another map: its state rows follow it.
    void gatewayRowsWanted();
    // What the operator is told in the status bar: why a cut left something
    // on the map, what a pasted TW sector no longer follows.
    void note(const QString& text);

private:
    void createLineWidthCombo();
    void createFontCombos();
    // Returns what the operator is to be told of the paste: the sensors its TW sectors no longer follow.
    QStringList pasteItem(GraphicsHelperClass* helper, GraphicsScene* scene);

    WorkspaceArea* m_workspaces;
    Widgets m_widgets;
    QComboBox* m_lineWidthCombo = nullptr;
    QFontComboBox* m_fontCombo = nullptr;
    QComboBox* m_fontSizeCombo = nullptr;
    // The items themselves, not copies; an item deleted meanwhile drops out.
    QList<QPointer<GraphicsHelperClass>> m_clipboardItems;
    bool m_clipboardCopy = false;
    // Pastes since the last copy or cut: each copy lands a grid step further.
    int m_pasteCount = 0;
};
