#pragma once

#include <QObject>
#include <QStringList>

class QAction;
class QComboBox;
class QToolBar;
class WorkspaceArea;

// The zoom toolbar: the zoom level combo (made here, in front of the fit to
// width action), zoom in and out, and the fits to the map's height and width.
// The chosen scale is kept in the settings and restored at start-up.
class ZoomTools : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultZoomIndex = 2;
    // Stored as the scale setting instead of a level.
    static constexpr int ScaleToHeight = -1;
    static constexpr int ScaleToWidth = -2;

    ZoomTools(WorkspaceArea* workspaces, QToolBar* toolBar, QAction* zoomIn, QAction* zoomOut, QAction* scaleToHeight,
              QAction* scaleToWidth, QObject* parent = nullptr);

    QComboBox* zoomCombo() const { return m_zoomCombo; }
    const QStringList& zoomLevels() const { return m_zoomLevels; }
    void applyStoredScale();

public slots:
    // Scales the current view to the zoom combo's level.
    void changeScale();
    void stepZoom(int step);
    // Fits the view to the map's height or width (ScaleToHeight, ScaleToWidth).
    void fitScale(int fit);

private:
    int currentZoomIndex() const;

    WorkspaceArea* m_workspaces;
    QToolBar* m_toolBar;
    QAction* m_scaleToHeight;
    QAction* m_scaleToWidth;
    QComboBox* m_zoomCombo = nullptr;
    QStringList m_zoomLevels;
};
