#include "zoomtools.h"

#include "settingsfile.h"
#include "windowsettings.h"
#include "workspacearea.h"

#include <QAction>
#include <QComboBox>
#include <QGraphicsView>
#include <QSettings>
#include <QToolBar>

namespace {
void writeScale(int scale)
{
    WindowSettings::write([scale](QSettings& settings) { settings.setValue(QStringLiteral("Scale"), scale); });
}
} // namespace

ZoomTools::ZoomTools(WorkspaceArea* workspaces, QToolBar* toolBar, QAction* zoomIn, QAction* zoomOut,
                     QAction* scaleToHeight, QAction* scaleToWidth, QObject* parent)
    : QObject(parent)
    , m_workspaces(workspaces)
    , m_toolBar(toolBar)
    , m_scaleToHeight(scaleToHeight)
    , m_scaleToWidth(scaleToWidth)
{
    for (const char* level : {"50%", "75%", "100%", "125%", "150%", "175%", "200%"})
        m_zoomLevels.append(tr(level));
    m_zoomCombo = new QComboBox(m_toolBar);
    m_zoomCombo->setEditable(false);
    m_zoomCombo->addItems(m_zoomLevels);
    m_zoomCombo->setCurrentIndex(DefaultZoomIndex);
    m_toolBar->insertWidget(m_scaleToWidth, m_zoomCombo);
    connect(m_zoomCombo, qOverload<int>(&QComboBox::currentIndexChanged), this, &ZoomTools::changeScale);
    connect(zoomIn, &QAction::triggered, this, [this] { stepZoom(+1); });
    connect(zoomOut, &QAction::triggered, this, [this] { stepZoom(-1); });
    connect(m_scaleToHeight, &QAction::triggered, this, [this] { fitScale(ScaleToHeight); });
    connect(m_scaleToWidth, &QAction::triggered, this, [this] { fitScale(ScaleToWidth); });
}

void ZoomTools::applyStoredScale()
{
    const int scale = SettingsFile::intValue(*SettingsFile::open(), QStringLiteral("Scale"), DefaultZoomIndex, ScaleToWidth,
                                             m_zoomCombo->count() - 1);
    if (scale >= 0) {
        // A stored index beyond the list would leave the view at scale 0.
        m_zoomCombo->setCurrentIndex(scale < m_zoomCombo->count() ? scale : DefaultZoomIndex);
        changeScale();
    } else if (scale == ScaleToHeight) {
        m_scaleToHeight->trigger();
    } else if (scale == ScaleToWidth) {
        m_scaleToWidth->trigger();
    }
}

int ZoomTools::currentZoomIndex() const
{
    return m_zoomCombo->currentIndex();
}

// The combo's own change signal comes back to changeScale, which scales.
// The level in front is stored first: at either end of the list that is all
// a step does, and it replaces a fit stored before.
void ZoomTools::stepZoom(int step)
{
    writeScale(currentZoomIndex());
    const int target = currentZoomIndex() + step;
    if (target >= 0 && target < m_zoomCombo->count())
        m_zoomCombo->setCurrentIndex(target);
}

void ZoomTools::fitScale(int fit)
{
    QGraphicsView* view = m_workspaces->currentView();
    if (view && view->scene()) {
        const QRectF r = view->scene()->itemsBoundingRect();
        view->fitInView(fit == ScaleToHeight ? QRectF(0, 0, r.height() / 2, r.height())
                                             : QRectF(0, 0, r.width(), r.width() / 3),
                        Qt::KeepAspectRatio);
    }
    writeScale(fit);
}

void ZoomTools::changeScale()
{
    writeScale(currentZoomIndex());
    QGraphicsView* view = m_workspaces->currentView();
    if (!view)
        return;
    const double factor = m_zoomCombo->currentText().section(tr("%"), 0, 0).toDouble() / 100.0;
    const QTransform old = view->transform();
    view->resetTransform();
    view->translate(old.dx(), old.dy());
    view->scale(factor, factor);
}
