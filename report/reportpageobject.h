#pragma once

#include <QColor>
#include <QDebug>
#include <QDomElement>
#include <QList>
#include <QString>

class ReportBandObject;
class ReportEngine;
class ReportFieldObject;

// One report page: paper size and margins in report units (a quarter
// millimetre) and its bands, which it owns. A page read from a template
// takes only what the template says; one built in code starts as A4.
class ReportPageObject
{
public:
    explicit ReportPageObject(ReportEngine* engine = nullptr);
    ~ReportPageObject();

    ReportPageObject(const ReportPageObject&) = delete;
    ReportPageObject& operator=(const ReportPageObject&) = delete;

    void loadXml(ReportEngine* engine, const QDomElement& e);
    void addBand(ReportBandObject* band);
    ReportBandObject* getBand(int type) const;
    ReportFieldObject* findFieldByName(const QString& name) const;
    ReportPageObject* clone() const;

    static constexpr int DefaultHeight = 1188;
    static constexpr int DefaultWidth = 840;
    static constexpr int DefaultMargin = 40;
    // Past any paper a report prints on (a roll of 100 m): a page whose size
    // or a margin is larger, or negative, is refused its size as it is read,
    // and prints as A4 like a page without one. Its dots on a printer would
    // overflow. A field's place and size stay within it too.
    static constexpr int MaxSize = 400'000;

    int pageNo = 0;
    // 0 portrait, 1 landscape.
    int orientation = 0;
    int pageHeight = DefaultHeight;
    int pageWidth = DefaultWidth;
    int marginsLeft = DefaultMargin;
    int marginsRight = DefaultMargin;
    int marginsTop = DefaultMargin;
    int marginsBottom = DefaultMargin;
    bool border = false;
    int borderWidth = 1;
    QColor borderColor = Qt::black;
    QString borderStyle = QStringLiteral("solid");
    QList<ReportBandObject*> bandList;
    ReportEngine* engine = nullptr;

private:
    void refuseSizePastPaper();
};

QDebug operator<<(QDebug debug, const ReportPageObject& page);
