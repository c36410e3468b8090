#pragma once

#include "abstractsliderfactory.h"

#include <QSlider>

// Horizontal slider editors for integer properties.
class SliderFactory : public AbstractSliderFactory<QSlider>
{
    Q_OBJECT
public:
    explicit SliderFactory(QObject* parent = nullptr) : AbstractSliderFactory(parent) {}
};
