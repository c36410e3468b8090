#include "fieldgraphics.h"

#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

namespace FieldGraphics {

namespace {

// Texts start this many screen pixels inside their field and end this many
// before its right edge; on a printer they keep that size, not that count
// of its much smaller pixels.
constexpr int TextIndent = 10;
constexpr int TextRightIndent = 5;
constexpr double ScreenDpi = 96.0;

QPainterPath closedPath(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.moveTo(*points.begin());
    for (auto it = points.begin() + 1; it != points.end(); ++it)
        path.lineTo(*it);
    path.closeSubpath();
    return path;
}

struct Fragment
{
    int position;
    QString text;
};

QList<Fragment> fragmentsToEvaluate(const QTextDocument& document)
{
    QList<Fragment> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString text = it.fragment().text();
            const bool reference = text.contains(QLatin1Char('[')) && text.contains(QLatin1Char(']'));
            const bool formula = text.contains(QLatin1Char('<')) && text.contains(QLatin1Char('>'));
            if (reference || formula)
                found.append({it.fragment().position(), text});
        }
    }
    return found;
}

// Replaced where it stands: searching for its text would miss a fragment
// that follows a word in another format ("<i>total</i> for [x]") and could
// hit an earlier occurrence of the same text.
void replaceFragment(QTextDocument& document, const Fragment& fragment, const QString& value)
{
    QTextCursor cursor(&document);
    cursor.setPosition(fragment.position);
    cursor.setPosition(fragment.position + fragment.text.size(), QTextCursor::KeepAnchor);
    const QString lower = value.toLower();
    const int bodyStart = lower.indexOf(QLatin1String("<body"));
    const int bodyEnd = lower.indexOf(QLatin1String("</body>"));
    if (value.isEmpty())
        cursor.insertText(QStringLiteral(" "));
    else if (bodyStart >= 0 && bodyEnd > bodyStart)
        cursor.insertHtml(value.mid(bodyStart, bodyEnd + 7 - bodyStart));
    else
        cursor.insertText(value);
}

// A rich text that loads only the resources its template names: a value
// from data that brings an image, a style sheet or a link to a local or
// remote file gets nothing. An image must still get something: for a null
// one the document would read the file itself.
class TemplateTextDocument : public QTextDocument
{
public:
    void setTemplate(const QString& templateHtml)
    {
        setHtml(templateHtml);
        for (QTextBlock block = begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                if (format.isImageFormat())
                    m_templateResources.insert(format.toImageFormat().name());
            }
        }
    }

protected:
    QVariant loadResource(int type, const QUrl& name) override
    {
        if (m_templateResources.contains(name.toString()))
            return QTextDocument::loadResource(type, name);
        if (type == ImageResource) {
            QImage blank(1, 1, QImage::Format_ARGB32);
            blank.fill(Qt::transparent);
            return blank;
        }
        return type == StyleSheetResource ? QVariant(QString()) : QVariant();
    }

private:
    QSet<QString> m_templateResources;
};

} // namespace

QRect textBox(const QRect& box, const QPainter* painter)
{
    const QPaintDevice* device = painter ? painter->device() : nullptr;
    const double scale = device && device->logicalDpiX() > 0 ? device->logicalDpiX() / ScreenDpi : 1.0;
    const int left = qRound(TextIndent * scale);
    const int right = qRound(TextRightIndent * scale);
    return QRect(box.left() + left, box.top(), box.width() - left - right, box.height());
}

void paintShape(QPainter* painter, ShapeKind kind, const QRect& box, const QColor& background, QPen outline)
{
    if (!painter->isActive() || box.width() <= 0 || box.height() <= 0)
        return;
    const QBrush brush = background.isValid() ? QBrush(background) : QBrush(Qt::NoBrush);
    if (!outline.color().isValid())
        outline.setStyle(Qt::NoPen);
    const int l = box.left(), t = box.top(), w = box.width(), h = box.height();
    painter->setPen(outline);
    painter->setBrush(brush);
    switch (kind) {
    case Rhombus:
    case Triangle: {
        const QPainterPath path = kind == Rhombus
            ? closedPath({{qreal(l + w / 2), qreal(t + h - 1)}, {qreal(l + w), qreal(t + h / 2)},
                          {qreal(l + w / 2), qreal(t + 1)}, {qreal(l + 1), qreal(t + h / 2)}})
            : closedPath({{qreal(l), qreal(t + h - 1)}, {qreal(l + w), qreal(t + h - 1)}, {qreal(l + w / 2), qreal(t)}});
        // Outline first, then the fill over its inner half.
        painter->drawPath(path);
        painter->fillPath(path, brush);
        break;
    }
    case RoundedRectangle:
        painter->drawRoundedRect(QRect(l, t, w - 2, h - 2), CornerRadius, CornerRadius, Qt::AbsoluteSize);
        break;
    case Rectangle:
        painter->drawRect(QRect(l, t, w - 2, h - 2));
        break;
    case Circle:
        painter->drawEllipse(box);
        break;
    }
}

QImage paintFittedImage(QPainter* painter, const QImage& image, const QRect& box, int alignment)
{
    if (image.isNull() || box.width() <= 0 || box.height() <= 0)
        return QImage();
    const QImage scaled = image.scaled(box.size(), Qt::KeepAspectRatio, Qt::FastTransformation);
    if (scaled.isNull())
        return QImage();
    int x = box.left();
    int y = box.top();
    if (alignment & Qt::AlignHCenter)
        x += (box.width() - scaled.width()) / 2;
    if (alignment & Qt::AlignVCenter)
        y += (box.height() - scaled.height()) / 2;
    if (painter && painter->isActive())
        painter->drawImage(QPoint(x, y), scaled);
    return scaled;
}

void paintStoredImage(QPainter* painter, const QImage& picture, const QRect& box, bool stretched)
{
    if (picture.isNull() || !painter->isActive() || box.width() <= 0 || box.height() <= 0)
        return;
    if (stretched)
        painter->drawImage(box, picture);
    else
        painter->drawImage(box.topLeft(), picture);
}

void substituteFields(QTextDocument& document, const TextEvaluator& evaluate)
{
    // Collected first, since replacing changes the fragments being walked;
    // evaluated in document order, replaced from the end so that the
    // positions of those before stay valid.
    const QList<Fragment> fragments = fragmentsToEvaluate(document);
    QStringList values;
    for (const Fragment& fragment : fragments)
        values.append(evaluate ? evaluate(fragment.text) : QString());
    for (int i = fragments.size() - 1; i >= 0; --i)
        replaceFragment(document, fragments.at(i), values.at(i));
}

void paintRichText(QPainter* painter, const QString& html, const QRect& box, const TextEvaluator& evaluate,
                   bool draw)
{
    TemplateTextDocument document;
    if (painter->isActive())
        document.setDefaultFont(painter->font());
    document.setTemplate(html);
    substituteFields(document, evaluate);
    const QRect text = textBox(box, painter);
    if (!draw || !painter->isActive() || text.width() <= 0 || text.height() <= 0)
        return;
    document.setTextWidth(text.width());
    painter->save();
    painter->translate(text.topLeft());
    document.drawContents(painter, QRectF(0, 0, text.width(), text.height()));
    painter->restore();
}

} // namespace FieldGraphics
