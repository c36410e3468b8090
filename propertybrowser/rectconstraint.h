#pragma once

#include <QtGlobal>

// Constraint rules shared by the integer and floating-point rectangle
// managers. A null constraint (zero width and height) constrains nothing.
// The edges are the rectangle type's own: QRect's right edge is inclusive,
// QRectF's is x + width.

// Clips the rectangle to the constraint. False when nothing is left of it
// (a negative width or height); the caller then ignores the request.
template <class RectT>
bool clipToConstraint(RectT &rect, const RectT &constraint)
{
    if (constraint.isNull() || constraint.contains(rect))
        return true;
    RectT clipped = rect;
    clipped.setLeft(qMax(constraint.left(), rect.left()));
    clipped.setRight(qMin(constraint.right(), rect.right()));
    clipped.setTop(qMax(constraint.top(), rect.top()));
    clipped.setBottom(qMin(constraint.bottom(), rect.bottom()));
    if (clipped.width() < 0 || clipped.height() < 0)
        return false;
    rect = clipped;
    return true;
}

// Shrinks the rectangle to the constraint's size, then moves it inside.
template <class RectT>
RectT fitIntoConstraint(RectT rect, const RectT &constraint)
{
    if (constraint.isNull() || constraint.contains(rect))
        return rect;
    if (rect.width() > constraint.width())
        rect.setWidth(constraint.width());
    if (rect.height() > constraint.height())
        rect.setHeight(constraint.height());
    if (rect.left() < constraint.left())
        rect.moveLeft(constraint.left());
    else if (rect.right() > constraint.right())
        rect.moveRight(constraint.right());
    if (rect.top() < constraint.top())
        rect.moveTop(constraint.top());
    else if (rect.bottom() > constraint.bottom())
        rect.moveBottom(constraint.bottom());
    return rect;
}

// The rectangle after its sub-property "Width" (or "Height") was edited:
// when the new size would cross the constraint's far edge, the rectangle
// moves back so that the edges meet.
template <class RectT, class Coordinate>
RectT withWidth(RectT rect, Coordinate width, const RectT &constraint)
{
    rect.setWidth(width);
    if (!constraint.isNull() && constraint.left() + constraint.width() < rect.left() + width)
        rect.moveLeft(constraint.left() + constraint.width() - width);
    return rect;
}

template <class RectT, class Coordinate>
RectT withHeight(RectT rect, Coordinate height, const RectT &constraint)
{
    rect.setHeight(height);
    if (!constraint.isNull() && constraint.top() + constraint.height() < rect.top() + height)
        rect.moveTop(constraint.top() + constraint.height() - height);
    return rect;
}
