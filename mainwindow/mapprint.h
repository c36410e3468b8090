#pragma once

#include <functional>

class QGraphicsScene;
class QPrinter;
class QWidget;

// File -> Print preview: a workspace's map in the print preview dialog,
// from which the operator prints it or prints it to a PDF file. The
// preview runs through a replaceable hook; tests put one in that renders
// to a PDF printer instead of opening a dialog.
namespace MapPrint {

// Draws the pages on the printer it is given.
using Painter = std::function<void(QPrinter* printer)>;
// Shows `printer`'s pages as `paint` draws them, until the operator is done.
using Hook = std::function<void(QPrinter* printer, QWidget* parent, const Painter& paint)>;

// An empty hook brings back the print preview dialog.
void setHook(Hook hook);

// The scene's items on one page, as large as the page allows, in their
// proportions, as they look unselected and with every blinking item in its
// steady alarm look; the selection and the blinking on screen go on. An
// empty map gives an empty page.
void render(QGraphicsScene* scene, QPrinter* printer);

// Previews the scene's map, on a page turned the way the map is wider.
void preview(QGraphicsScene* scene, QWidget* parent);

} // namespace MapPrint
