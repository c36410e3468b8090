#include "mapprint.h"
#include "mainwindowlogging.h"

#include "cornergrabber.h"
#include "graphicsline.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGraphicsScene>
#include <QPainter>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace MapPrint {
namespace {

Hook& hook()
{
    static Hook installed;
    return installed;
}

// While it lives the map looks as it prints: as it does unselected, the
// selection handles hidden and a selected fence line at its resting height,
// and every blinking item held in the on phase of its blink, its steady
// alarm look, so that a printout does not depend on the moment it is made.
// What is selected stays selected, and the blinking goes on afterwards.
class PrintedLook
{
public:
    explicit PrintedLook(QGraphicsScene* scene)
    {
        for (QGraphicsItem* item : scene->items()) {
            if (item->isVisible() && dynamic_cast<CornerGrabber*>(item)) {
                item->hide();
                m_handles.append(item);
            } else if (item->type() == GraphicsLine::Type && item->zValue() == GraphicsLine::SelectedZValue) {
                item->setZValue(GraphicsLine::RestingZValue);
                m_raisedLines.append(item);
            }
            auto* element = dynamic_cast<GraphicsHelperClass*>(item);
            if (element && !element->blinkPhase()) {
                element->setBlinkPhase(true);
                m_blinkingOff.append(element);
            }
        }
    }
    ~PrintedLook()
    {
        for (QGraphicsItem* handle : qAsConst(m_handles))
            handle->show();
        for (QGraphicsItem* line : qAsConst(m_raisedLines))
            line->setZValue(GraphicsLine::SelectedZValue);
        for (GraphicsHelperClass* element : qAsConst(m_blinkingOff))
            element->setBlinkPhase(false);
    }

private:
    QList<QGraphicsItem*> m_handles;
    QList<QGraphicsItem*> m_raisedLines;
    QList<GraphicsHelperClass*> m_blinkingOff;
};

// The part of the map that prints: what shows of it, handles left out.
QRectF printedArea(const QGraphicsScene* scene)
{
    QRectF area;
    for (const QGraphicsItem* item : scene->items()) {
        if (item->isVisible() && !dynamic_cast<const CornerGrabber*>(item))
            area |= item->sceneBoundingRect();
    }
    return area;
}

void showDialog(QPrinter* printer, QWidget* parent, const Painter& paint)
{
    QPrintPreviewDialog dialog(printer, parent, Qt::Window);
    dialog.setWindowTitle(QCoreApplication::translate("MapPrint", "Print preview"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
    dialog.exec();
}

} // namespace

void setHook(Hook newHook)
{
    hook() = std::move(newHook);
}

void render(QGraphicsScene* scene, QPrinter* printer)
{
    QPainter painter;
    if (!painter.begin(printer)) {
        qCWarning(lcMainWindow).noquote() << "Map not printed: the printer could not be started"
                                          << printer->outputFileName();
        return;
    }
    if (!scene)
        return;
    const PrintedLook look(scene);
    const QRectF map = printedArea(scene);
    if (!map.isEmpty())
        scene->render(&painter, QRectF(), map, Qt::KeepAspectRatio);
}

void preview(QGraphicsScene* scene, QWidget* parent)
{
    if (!scene)
        return;
    // At the screen's resolution a font sized in points prints as large,
    // against the map, as it shows; at the printer's it would grow with its
    // resolution and leave the boxes.
    QPrinter printer(QPrinter::ScreenResolution);
    const QRectF map = printedArea(scene);
    printer.setPageOrientation(map.width() > map.height() ? QPageLayout::Landscape : QPageLayout::Portrait);
    // The scene may go while the dialog is open (a project opened behind it).
    const QPointer<QGraphicsScene> shown(scene);
    const Painter paint = [shown](QPrinter* target) { render(shown.data(), target); };
    if (hook())
        hook()(&printer, parent, paint);
    else
        showDialog(&printer, parent, paint);
}

} // namespace MapPrint
