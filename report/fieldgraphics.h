#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPen>
#include <QRect>
#include <QString>

#include <functional>

class QPainter;
class QTextDocument;

// Painting of the graphic kinds of report fields: shapes, pictures and rich
// text. Every function takes the field's device box (left, top, width and
// height in device pixels, worked out by the engine) and paints nothing
// where the box leaves no room.
namespace FieldGraphics {

// Where the text of a field goes inside its device box: indented on both
// sides by a few screen pixels, scaled to the painter's device.
QRect textBox(const QRect& box, const QPainter* painter);

// The shape kinds carry the numbers of their field types.
enum ShapeKind { Rectangle = 5, RoundedRectangle = 6, Circle = 7, Triangle = 8, Rhombus = 9 };

// Corner radius of rounded rectangles, in device pixels.
constexpr qreal CornerRadius = 40.0;

// Fills the shape with `background` and outlines it with `outline`; an
// invalid colour (left out of the template) paints no fill or outline. The
// brush stays set on the painter, as shapes always left it.
void paintShape(QPainter* painter, ShapeKind kind, const QRect& box, const QColor& background,
                QPen outline);

// A picture scaled to fit the box keeping its proportions, placed at the
// box's top-left or centred along the axes whose centre flag `alignment`
// holds. Returns the scaled picture (null when nothing was drawn), which
// the HTML output writes as the field's image.
QImage paintFittedImage(QPainter* painter, const QImage& image, const QRect& box, int alignment);

// A picture stored in the template: stretched over the box, or, already
// fitted to it, at its top-left. A null picture paints nothing.
void paintStoredImage(QPainter* painter, const QImage& picture, const QRect& box, bool stretched);

// Evaluates a field text (references, variables, formulas) for the record
// being painted.
using TextEvaluator = std::function<QString(const QString& text)>;

// Replaces the fragments of a rich text that hold a reference or a formula
// by their values: a value that is a whole HTML body goes in as HTML, an
// empty one as a single space (keeping the words apart).
void substituteFields(QTextDocument& document, const TextEvaluator& evaluate);

// Rich text: the fragments of `html` that hold a reference or a formula are
// replaced by their values (HTML when a value is a whole HTML body), then
// the document is drawn inside the box, indented as labels are. Only the
// substitution runs when `draw` is off.
void paintRichText(QPainter* painter, const QString& html, const QRect& box,
                   const TextEvaluator& evaluate, bool draw);

} // namespace FieldGraphics
