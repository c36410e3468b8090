#pragma once

#include "abstractgraphicselement.h"
#include "itemxml.h"
#include "node.h"

#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

class GraphicsTextItem;
struct MappingRecord;
class QGraphicsPixmapItem;
class QGraphicsProxyWidget;
class QLabel;

// The rectangular map element in four kinds fixed at construction: a gateway
// keypad box (which owns the site-model nodes of its gateway's 32 energizers
// and 31 IO cards), a text box that can show a fence sector's alarm, a button
// box that sends one command to one node, and an image box.
class GraphicsBox : public AbstractGraphicsElement
{
public:
    enum Kind { GatewayBox = 1, TextBox = 2, ButtonBox = 4, ImageBox = 14 };
    enum { Type = GraphicsHelperClass::BoxItemType };

    static constexpr qreal GatewayWidth = 250;
    static constexpr qreal GatewayHeight = 150;
    // Offset of a pasted copy from its original: one grid step.
    static constexpr qreal CloneOffset = 25;
    // Largest side a picture is scaled to, whatever size the box is given.
    static constexpr int MaxScaledSide = 16384;
    // Most pixels a picture may have, read from a file or shown scaled
    // (256 MiB at 32 bits a pixel).
    static constexpr qint64 MaxPicturePixels = qint64(8192) * 8192;
    // Geometry of a box of width W and height H: the body is the rectangle at
    // (23, 23) of (W - 40) x (H - 40); the caption sits at (25, 20), W - 45
    // wide; a button box's button at (25, 25), (W - 45) x (H - 45).
    static constexpr qreal BodyInset = 23;
    static constexpr qreal BodyShrink = 40;
    static constexpr qreal CaptionShrink = 45;
    static constexpr qreal ButtonInset = 25;
    static constexpr qreal ButtonShrink = 45;
    static constexpr int HandleCount = 8;
    // What readXml gives a box; the workspace reader then sets a read box's z as a placed one's.
    static constexpr qreal ReadZValue = 10;
    // A map's picture (an image box) lies beneath every other item of its
    // map, also when it is given after they were placed: a box stands above
    // it from the start, as one read from a project file does.
    static constexpr qreal PictureZValue = 0;
    static constexpr qreal PlacedZValue = 1;
    // A font heavier than this is written as bold.
    static constexpr int BoldWeightThreshold = 57;
    static const QPointF CaptionPos;
    // Fill of the keypad's three panels, left to right.
    static const QColor PanelColors[3];
    // The dynamic property of an action button that points back at its box.
    static const char* const ButtonBoxProperty; // "g.o."
    static const QString BulbOnIcon;
    static const QString BulbOffIcon;
    static const QString DefaultIP;        // "192.168.100.100"
    static const QString DefaultCaption;   // "text goes here"
    static const QStringList LogoMakes;    // "Brenik", "Energizer", "Osprel"

    explicit GraphicsBox(int kind);
    ~GraphicsBox() override;

    int type() const override { return Type; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;
    void adjustSize(int dx, int dy) override;

    GraphicsBox* clone() const;
    void addActionButton();

    void setCaption(const QString& caption);
    QString caption() const { return m_caption; }
    void setButtonCaption(const QString& caption);
    QString buttonCaption() const { return m_buttonCaption; }
    void setBorderVisible(bool visible);
    bool borderVisible() const { return m_borderVisible; }
    void setAllEnergisersActive(bool active) { m_allEnergisersActive = active; }
    bool allEnergisersActive() const { return m_allEnergisersActive; }
    void setAllEnergisersLowVoltage(bool low) { m_allEnergisersLowVoltage = low; }
    bool allEnergisersLowVoltage() const { return m_allEnergisersLowVoltage; }
    void setIP(const QString& ip);
    QString ip() const { return m_ip; }
    void setWorkspaceName(const QString& name);
    void setLogo(const QString& make);
    void setLogoByIndex(int index);
    int logoIndex() const;
    QString logoMake() const { return m_logoMake; }
    QPixmap logoPixmap() const { return m_logoPixmap; }
    void setStatus(int status);
    QList<Node*> findActionOwners(Node* target) const;

    // The picture of an image box, kept unscaled; the box shows it scaled to its body.
    void setPicture(const QPixmap& picture);
    QPixmap picture() const { return m_picture; }
    QGraphicsPixmapItem* pictureItem() const { return m_pictureItem; }

    GraphicsTextItem* captionItem() const { return m_captionItem; }
    // The font the box shows its text in: a button box's button's, another box's caption's.
    QFont textFont() const;
    // The caption's font and, in a button box, the button's and that of the
    // label standing in for it in design mode.
    void setTextFont(const QFont& font);
    QPushButton* actionButton() const { return m_actionButton; }
    QLabel* buttonLabel() const { return m_buttonLabel; }
    // The device the button commands: null once that node is freed, and
    // while it stands off the site its map shows (its gateway's placing
    // undone, its deletion standing). It never comes to name another node.
    Node* actionTarget() const;
    void setActionTarget(Node* target) { m_actionTarget = NodeHandle(target); }
    int actionCommand() const { return m_actionCommand; }
    void setActionCommand(int command) { m_actionCommand = command; }
    QString actionCommandName() const { return m_actionCommandName; }
    void setActionCommandName(const QString& name) { m_actionCommandName = name; }

    // The colour the body is painted in at rest: the configured background,
    // or white while the box shows a failure, tamper or off status.
    QColor displayBackgroundColor() const;

    // Shows the button or, in design mode, the label that stands in for it.
    void applyButtonDesignMode(bool design);
    // Hands the button's command to the main window (the button's click in operation mode).
    void sendActionCommand();
    // The box a button belongs to, from the button's "g.o." property.
    static GraphicsBox* boxOfButton(QObject* button);

    // The box's "Item" element of the project file, and its reading. A
    // gateway box's sector actions are bound to the elements they name as
    // `binding` says: at once against the box's own map, or by bindActions.
    QDomElement toXml(QDomDocument& document);
    void readXml(const QDomElement& item, ItemXml::ActionBinding binding = ItemXml::ActionBinding::Now);
    // Hangs the actions `item` names under the gateway's sectors, in the file's order.
    void bindActions(const QDomElement& item, const ItemXml::ReferenceIndex& index);
    void readOutputMapping(Node* node, const QDomElement& mapElement);
    void readInputMapping(Node* node, const QDomElement& mapElement);

protected:
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
    // The caption shows the alarm caption in the on phase of an alarm.
    void followBlinkPhase() override;

private:
    void sendCommand(bool value);
    void createNode();
    QPushButton* createActionButton();
    void layoutButton();
    void updateScaledPicture();
    void paintKeypad(QPainter* painter);
    const QPixmap& scaledLogo(const QSize& box);
    QRectF bodyRect() const;
    void writeKindAttributes(QDomDocument& document, QDomElement& item, QFont& font);
    void writeCommonAttributes(QDomElement& item, const QFont& font);
    void writeGatewayChildren(QDomDocument& document, QDomElement& item);
    void readFont(const QDomElement& item, QFont font);
    void readImage(const QDomElement& item);
    void readGateway(const QDomElement& item);
    void readDevice(const QDomElement& element);
    // The device and the sector an "Energizer" and a "Sector" element name by
    // "id"; null, with a diagnostic line when `warn`, for an id there is none of.
    Node* deviceOf(const QDomElement& element, bool warn) const;
    Node* sectorOf(Node* device, const QDomElement& sectorElement, bool warn) const;
    void bindSectorActions(Node* sector, const QDomElement& sectorElement, const ItemXml::ReferenceIndex& index);
    // One mapping element into `record`; false when it is left out.
    bool readMapping(Node* node, const QDomElement& mapElement, bool output, MappingRecord* record) const;

    GraphicsTextItem* m_captionItem = nullptr;
    QGraphicsPixmapItem* m_pictureItem = nullptr;
    // A picture box's node hangs in no tree unless a paste put it there;
    // until then the box is its only holder.
    NodeHandle m_pictureNode;
    QPixmap m_picture;
    QStringList m_logoList;
    QString m_logoMake;
    QPixmap m_logoPixmap;
    QPixmap m_scaledLogo;
    QSize m_scaledLogoFor;
    QPointer<QPushButton> m_actionButton;
    QLabel* m_buttonLabel = nullptr;
    QGraphicsProxyWidget* m_buttonProxy = nullptr;
    QGraphicsProxyWidget* m_labelProxy = nullptr;
    NodeHandle m_actionTarget;
    int m_actionCommand = 0;
    QString m_actionCommandName;
    QString m_ip;
    QString m_panelTexts[3];
    bool m_allEnergisersActive = true;
    bool m_allEnergisersLowVoltage = false;
    QString m_buttonCaption;
    QString m_caption;
    bool m_borderVisible = true;
};
