#pragma once

#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRegion>

// Gathers what the widgets it filters repaint.
struct PaintRecorder : QObject
{
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};
