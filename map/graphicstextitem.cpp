#include "graphicstextitem.h"

#include "graphicsbox.h"
#include "node.h"
#include "sitemutex.h"
#include "textbounds.h"

#include <QFontMetricsF>
#include <QGraphicsTextItem>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTextBlockFormat>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTextOption>

#include <cmath>
#include <utility>

static_assert(GraphicsTextItem::MaxTextLength == MaxFreeTextLength, "a caption is free text of a project");

namespace {

bool hasLongUnbrokenRun(const QString& text)
{
    if (text.size() <= GraphicsTextItem::MaxUnbrokenRun)
        return false;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    int last = 0;
    for (int next = breaks.toNextBoundary(); next >= 0; next = breaks.toNextBoundary()) {
        if (next - last > GraphicsTextItem::MaxUnbrokenRun)
            return true;
        last = next;
    }
    return false;
}

} // namespace

// The editable text of a caption being edited. Losing the keyboard focus
// ends the editing.
class CaptionEditor : public QGraphicsTextItem
{
public:
    explicit CaptionEditor(GraphicsTextItem* caption)
        : QGraphicsTextItem(caption)
        , m_caption(caption)
    {
        // Both before the document lays the text out: a pasted megabyte
        // would hold the window for minutes, and one long word a second at
        // every key.
        connect(document(), &QTextDocument::contentsChange, this, [this](int position, int, int added) {
            keepWithinLimit(position, added);
            breakLongWords();
        });
    }

    // Once dropped, the editor no longer speaks for its caption.
    void release() { m_caption = nullptr; }

protected:
    void focusOutEvent(QFocusEvent* event) override
    {
        QGraphicsTextItem::focusOutEvent(event);
        if (m_caption)
            m_caption->finishEditing();
    }

private:
    // What was typed or pasted past the longest caption is dropped.
    void keepWithinLimit(int position, int added)
    {
        QTextDocument* text = document();
        const int excess = text->characterCount() - 1 - GraphicsTextItem::MaxTextLength;
        if (excess <= 0)
            return;
        // The change may count the document's closing paragraph mark.
        const int to = qMin(position + added, text->characterCount() - 1);
        int from = qMax(0, to - excess);
        if (from > 0 && text->characterAt(from - 1).isHighSurrogate())
            --from;
        QTextCursor cursor(text);
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }

    // As the caption at rest does.
    void breakLongWords()
    {
        QTextOption option = document()->defaultTextOption();
        const QTextOption::WrapMode wrap = hasLongUnbrokenRun(document()->toPlainText()) ? QTextOption::WrapAnywhere
                                                                                         : m_wrap;
        if (option.wrapMode() == wrap)
            return;
        option.setWrapMode(wrap);
        document()->setDefaultTextOption(option);
    }

    GraphicsTextItem* m_caption;
    const QTextOption::WrapMode m_wrap = document()->defaultTextOption().wrapMode();
};

QFont fontInPoints(QFont font)
{
    if (font.pointSizeF() > 0 || font.pixelSize() <= 0)
        return font;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal dotsPerInch = screen ? screen->logicalDotsPerInchY() : 96;
    font.setPointSizeF(font.pixelSize() * 72 / dotsPerInch);
    return font;
}

GraphicsTextItem::GraphicsTextItem(QGraphicsItem* parent)
    : QGraphicsObject(parent)
    , m_font(fontInPoints(QFont()))
{
    // At rest a click on the caption belongs to its box; while editing the
    // editor takes its own, and shows only inside the caption's rectangle.
    setAcceptedMouseButtons(Qt::NoButton);
    setFlag(ItemClipsChildrenToShape);
}

GraphicsTextItem::~GraphicsTextItem()
{
    // The editor goes with this item as its child; its focus loss must not call back.
    if (m_editor)
        m_editor->release();
}

void GraphicsTextItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (m_editor || m_text.isEmpty())
        return;
    painter->setClipRect(m_clipRect, Qt::IntersectClip);
    painter->setFont(m_font);
    painter->setPen(m_color);
    painter->drawStaticText(QPointF(TextMargin, TextMargin), layout());
}

void GraphicsTextItem::relayout()
{
    m_layout.reset();
    update();
}

const QStaticText& GraphicsTextItem::layout()
{
    if (m_layout)
        return *m_layout;
    // A line break of the plain text starts a new line, as a paragraph would.
    QString text = leftWhole(m_text, shownCapacity());
    m_shownLength = text.size();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    m_layout.emplace(text);
    m_layout->setTextFormat(Qt::PlainText);
    QTextOption option(Qt::Alignment(m_alignment) & Qt::AlignHorizontal_Mask);
    option.setWrapMode(hasLongUnbrokenRun(text) ? QTextOption::WrapAnywhere
                                                : QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_layout->setTextOption(option);
    if (m_textWidth >= 0)
        m_layout->setTextWidth(qMax<qreal>(0, m_textWidth - 2 * TextMargin));
    return *m_layout;
}

int GraphicsTextItem::shownCapacity() const
{
    // Unwrapped, a line aligned right shows its end: all of it is laid out.
    if (m_textWidth < 0 || m_clipRect.isNull())
        return m_text.size();
    // Lines that reach into the clip, one more for the line breaking
    // differently at the cut.
    const qreal lineSpacing = qMax<qreal>(1, QFontMetricsF(m_font).lineSpacing());
    const qint64 lines = qint64(std::ceil(m_clipRect.height() / lineSpacing)) + 2;
    return int(qMin<qint64>(m_text.size(), lines * lineCapacity(m_clipRect.width())));
}

QString GraphicsTextItem::toPlainText() const
{
    return m_editor ? m_editor->toPlainText() : m_text;
}

void GraphicsTextItem::setPlainText(const QString& text)
{
    if (m_editor) {
        m_editor->setPlainText(text);
        return;
    }
    if (text == m_text)
        return;
    m_text = text;
    relayout();
}

void GraphicsTextItem::setFont(const QFont& font)
{
    m_font = fontInPoints(font);
    if (m_editor)
        m_editor->setFont(m_font);
    relayout();
}

void GraphicsTextItem::setDefaultTextColor(const QColor& color)
{
    m_color = color;
    if (m_editor)
        m_editor->setDefaultTextColor(color);
    update();
}

void GraphicsTextItem::setTextWidth(qreal width)
{
    if (width == m_textWidth)
        return;
    m_textWidth = width;
    if (m_editor)
        m_editor->setTextWidth(width);
    relayout();
}

void GraphicsTextItem::setClipRect(const QRectF& rect)
{
    if (rect == m_clipRect)
        return;
    prepareGeometryChange();
    const bool cut = m_layout && m_shownLength < m_text.size();
    m_clipRect = rect;
    // A larger box may show more of a text laid out only in part.
    if (cut)
        relayout();
}

void GraphicsTextItem::setAlignment(int alignment)
{
    const bool changed = alignment != m_alignment;
    m_alignment = alignment;
    // While editing, the editor keeps its own until editing ends.
    if (changed && !m_editor)
        relayout();
}

void GraphicsTextItem::applyAlignment()
{
    setAlignment(m_alignment);
}

Qt::TextInteractionFlags GraphicsTextItem::textInteractionFlags() const
{
    return m_editor ? m_editor->textInteractionFlags() : Qt::TextInteractionFlags(Qt::NoTextInteraction);
}

void GraphicsTextItem::setTextInteractionFlags(Qt::TextInteractionFlags flags)
{
    if (flags != Qt::NoTextInteraction) {
        if (m_editor)
            m_editor->setTextInteractionFlags(flags);
        else
            createEditor(flags);
        return;
    }
    if (!m_editor)
        return;
    m_text = m_editor->toPlainText();
    dropEditor();
}

void GraphicsTextItem::startEditing(const QString& text)
{
    setFlag(ItemIsSelectable, true);
    if (m_editor) {
        m_editor->setPlainText(text);
    } else {
        m_text = text;
        createEditor(Qt::TextEditorInteraction);
    }
    setSelected(true);
    m_editor->setFocus();
}

QGraphicsTextItem* GraphicsTextItem::editor() const
{
    return m_editor;
}

QTextCursor GraphicsTextItem::textCursor() const
{
    return m_editor ? m_editor->textCursor() : QTextCursor();
}

void GraphicsTextItem::setTextCursor(const QTextCursor& cursor)
{
    if (m_editor)
        m_editor->setTextCursor(cursor);
}

void GraphicsTextItem::createEditor(Qt::TextInteractionFlags flags)
{
    m_editor = new CaptionEditor(this);
    m_editor->setFont(m_font);
    m_editor->setDefaultTextColor(m_color);
    m_editor->setTextWidth(m_textWidth);
    m_editor->setPlainText(m_text);
    QTextBlockFormat format;
    format.setAlignment(Qt::Alignment(m_alignment));
    QTextCursor cursor(m_editor->document());
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(format);
    m_editor->setTextInteractionFlags(flags);
    update();
}

void GraphicsTextItem::dropEditor()
{
    // Cleared first: hiding a focused editor takes its focus, which ends
    // an editing that is already being ended.
    CaptionEditor* editor = std::exchange(m_editor, nullptr);
    editor->hide();
    editor->release();
    editor->deleteLater();
    relayout();
}

void GraphicsTextItem::finishEditing()
{
    if (!m_editor)
        return;
    const QString text = m_editor->toPlainText();
    dropEditor();
    setFlag(ItemIsSelectable, false);
    m_text = text;

    if (auto* box = dynamic_cast<GraphicsBox*>(parentItem())) {
        box->setCaption(text);
        // Only a text box is named by its caption in the tree; a gateway's
        // label is its address and an image box's its name.
        if (box->kind() == GraphicsBox::TextBox && box->node()) {
            SiteLocker lock;
            box->node()->setData(0, text);
        }
    }
    emit lostFocus(this);
}

void GraphicsTextItem::focusOutEvent(QFocusEvent* event)
{
    finishEditing();
    QGraphicsObject::focusOutEvent(event);
}

QVariant GraphicsTextItem::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemSelectedHasChanged)
        emit selectedChange(this);
    return QGraphicsObject::itemChange(change, value);
}
