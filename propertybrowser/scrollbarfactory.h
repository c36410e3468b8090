#pragma once

#include "abstractsliderfactory.h"

#include <QScrollBar>

// Horizontal scroll-bar editors for integer properties.
class ScrollBarFactory : public AbstractSliderFactory<QScrollBar>
{
    Q_OBJECT
public:
    explicit ScrollBarFactory(QObject* parent = nullptr) : AbstractSliderFactory(parent) {}
};
