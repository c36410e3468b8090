#pragma once

#include <QByteArray>
#include <QStringList>

class QMainWindow;
class QVariant;

// Checks a stored window geometry and dock and toolbar state before Qt
// restores them. Qt trusts both: a state whose dock area index is out of
// range makes QMainWindow::restoreState index past its arrays. Only the
// exact structure that saveGeometry and saveState(version) of this window
// write passes: markers and version, area indices, counts no larger than
// the window's docks and toolbars, names of its own toolbars, each once,
// and positions and sizes a screen can hold. Qt keeps the place of a dock
// it does not know (one an earlier version had) and saves it again, so a
// few dock names of other docks pass too.
class WindowStateCheck
{
public:
    // Positions and sizes beyond this many pixels come from no screen.
    static constexpr int MaxExtent = 32767;
    // Nested dock groups deeper than this are made by no drag.
    static constexpr int MaxNesting = 8;
    // Places kept for docks the window does not have, and their names' length.
    static constexpr int MaxDockPlaces = 16;
    static constexpr int MaxNameLength = 256;

    explicit WindowStateCheck(const QMainWindow& window);

    bool geometryFits(const QByteArray& geometry) const;
    bool stateFits(const QByteArray& state, int version) const;

    // Restores the values of the "geometry" and "windowState" keys (absent:
    // nothing to restore) when they fit. For what does not, the window keeps
    // its defaults and the diagnostic log says so in one line.
    static void restore(QMainWindow& window, const QVariant& geometry, const QVariant& state, int version);

private:
    QStringList m_docks;
    QStringList m_toolBars;
};
