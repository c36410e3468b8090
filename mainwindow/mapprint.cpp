#include "mapprint.h"
#include "mainwindowlogging.h"

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
    const QRectF map = scene ? scene->itemsBoundingRect() : QRectF();
    if (!map.isEmpty())
        scene->render(&painter, QRectF(), map, Qt::KeepAspectRatio);
}

void preview(QGraphicsScene* scene, QWidget* parent)
{
    if (!scene)
        return;
    QPrinter printer(QPrinter::HighResolution);
    const QRectF map = scene->itemsBoundingRect();
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
