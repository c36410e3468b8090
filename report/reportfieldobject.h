#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class ReportBandObject;
class ReportEngine;

enum FieldType {
    label = 0,
    labelImage = 1,
    QtChart = 14,
};

// One field of a band: a text, picture or chart in a rectangle of the band.
class ReportFieldObject
{
public:
    ReportFieldObject() = default;

    QString name;
    QString value;
    QRect rect;
    QColor borderTop = Qt::black;
    QColor borderBottom = Qt::black;
    QColor borderLeft = Qt::black;
    QColor borderRight = Qt::black;
    QColor borderColor = Qt::black;
    QColor fontColor = Qt::black;
    QColor backgroundColor = Qt::white;
    int borderWidth = 1;
    bool autoHeight = false;
    bool textWrap = true;
    int rotate = 0;
    int alignment = 129; // left, vertically centred
    QFont font = QFont(QString(), 12);
    int fieldType = label;
    // 1: a picture is stretched to the field; any other value keeps its proportions.
    int ignoreAspectRatio = 0;
    ReportBandObject* parentBand = nullptr;
    ReportEngine* engine = nullptr;
};
