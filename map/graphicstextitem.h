#pragma once

#include <QColor>
#include <QFont>
#include <QGraphicsObject>
#include <QStaticText>
#include <QTextCursor>

#include <optional>

class CaptionEditor;
class QGraphicsTextItem;

// `font` sized in points. One sized in pixels (the program's default font
// is) gets the point size that draws it as large on the screen, so that the
// tools, the panel and the project file show the size the text has.
QFont fontInPoints(QFont font);

// The caption of a box. At rest it is plain text, laid out when it is first
// painted (to the caption's width, in its font, colour and alignment) and
// painted only inside the box's inner rectangle. A double click on the box
// edits it in place: only then is an editable text item made, as a child of
// the caption, and when editing ends the text goes back into the box and the
// box's node. A map of thousands of boxes thus holds no text editors and lays
// out only the captions it shows.
//
// A caption's cost stays within what its box shows: only the start of a
// long text that can fill the box is laid out, and a text with a run longer
// than MaxUnbrokenRun without a place to break it (one long word) breaks
// anywhere, since looking for the word's end on every line made its layout
// grow with the square of the word's length.
class GraphicsTextItem : public QGraphicsObject
{
    Q_OBJECT
public:
    enum { Type = 10000 };
    // The margin around the text inside the caption, the one the editor's
    // document has, so that editing does not shift the text.
    static constexpr qreal TextMargin = 4;
    // The longest caption, in UTF-16 units: what the panel's caption row (a
    // line edit) takes. Editing in place keeps a caption within it too.
    static constexpr int MaxTextLength = 32767;
    // No real word is longer: a text holding a longer run that cannot be
    // broken is laid out breaking anywhere.
    static constexpr int MaxUnbrokenRun = 256;

    explicit GraphicsTextItem(QGraphicsItem* parent = nullptr);
    ~GraphicsTextItem() override;

    int type() const override { return Type; }
    QRectF boundingRect() const override { return m_clipRect; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    // The text shown, or being edited.
    QString toPlainText() const;
    void setPlainText(const QString& text);
    // Always sized in points (fontInPoints).
    QFont font() const { return m_font; }
    void setFont(const QFont& font);
    QColor defaultTextColor() const { return m_color; }
    void setDefaultTextColor(const QColor& color);
    qreal textWidth() const { return m_textWidth; }
    void setTextWidth(qreal width);

    // The part of the caption that is painted, in its own coordinates.
    void setClipRect(const QRectF& rect);
    QRectF clipRect() const { return m_clipRect; }

    int alignment() const { return m_alignment; }
    // Takes effect at once, or when editing ends if the text is being edited.
    void setAlignment(int alignment);
    void applyAlignment();

    // Editing in place. Flags other than none start editing the shown text
    // with them; none stops editing, keeping the text as typed.
    Qt::TextInteractionFlags textInteractionFlags() const;
    void setTextInteractionFlags(Qt::TextInteractionFlags flags);
    bool isEditing() const { return m_editor != nullptr; }
    // Starts editing `text` with the keyboard focus in it, the caption selected.
    void startEditing(const QString& text);
    // The editor while the caption is being edited, else null.
    QGraphicsTextItem* editor() const;
    QTextCursor textCursor() const;
    void setTextCursor(const QTextCursor& cursor);

signals:
    void lostFocus(GraphicsTextItem* item);
    void selectedChange(QGraphicsItem* item);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    friend class CaptionEditor;
    void createEditor(Qt::TextInteractionFlags flags);
    void dropEditor();
    // Editing has ended: the text goes into the box and its node.
    void finishEditing();
    const QStaticText& layout();
    // The text, font, width or alignment changed: lay out again when painted.
    void relayout();
    // How much of the text can show in the clip rectangle, at most.
    int shownCapacity() const;

    QString m_text;
    QFont m_font;
    QColor m_color = Qt::black;
    qreal m_textWidth = -1;
    QRectF m_clipRect;
    int m_alignment = Qt::AlignLeft;
    // Made when first painted; a caption never shown holds none.
    std::optional<QStaticText> m_layout;
    // The length of the text's start laid out in it.
    int m_shownLength = 0;
    CaptionEditor* m_editor = nullptr;
};
