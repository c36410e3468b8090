// One repaint of a site map, as the one-second tick causes it: 4 gateway
// boxes, 50 text boxes, 20 button boxes and a full-screen background picture
// painted into a 1920 x 1080 image; and the first frame of captions as long
// as a caption may be.
#include "benchmain.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "node.h"
#include "resources.h"

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

struct SiteMap
{
    std::unique_ptr<GraphicsScene> scene;
    QList<GraphicsBox*> textBoxes;
    QList<GraphicsBox*> gateways;
};

QPixmap backgroundPicture()
{
    QImage image(1920, 1080, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 1920, 1080);
    gradient.setColorAt(0, QColor(90, 140, 80));
    gradient.setColorAt(1, QColor(200, 190, 150));
    painter.fillRect(image.rect(), gradient);
    return QPixmap::fromImage(image);
}

SiteMap buildSiteMap()
{
    SiteMap map;
    map.scene = std::make_unique<GraphicsScene>(QStringLiteral("Bench"));
    map.scene->setSceneRect(0, 0, 1920, 1080);

    auto* background = new GraphicsBox(GraphicsBox::ImageBox);
    background->setPicture(backgroundPicture());
    background->setWidth(1920 + 40);
    background->setHeight(1080 + 40);
    background->setElementPos(-23, -23);
    map.scene->insertItem(background);
    background->setZValue(0);

    auto place = [&map](int kind, qreal x, qreal y) {
        auto* box = new GraphicsBox(kind);
        box->setElementPos(x, y);
        map.scene->setUniqueName(box);
        map.scene->insertItem(box);
        box->setZValue(1);
        if (kind == GraphicsBox::ButtonBox) {
            box->addActionButton();
            box->setButtonCaption(QStringLiteral("Zone %1").arg(map.scene->items().size()));
        }
        return box;
    };
    for (int i = 0; i < 4; ++i)
        map.gateways.append(place(GraphicsBox::GatewayBox, 40 + i * 300, 40));
    for (int i = 0; i < 50; ++i) {
        GraphicsBox* box = place(GraphicsBox::TextBox, 40 + (i % 8) * 220, 260 + (i / 8) * 100);
        box->setCaption(QStringLiteral("Sector %1").arg(i + 1));
        map.textBoxes.append(box);
    }
    for (int i = 0; i < 20; ++i)
        place(GraphicsBox::ButtonBox, 40 + (i % 10) * 180, 930 + (i / 10) * 70);
    map.scene->setDesignMode(false);
    return map;
}

void destroySiteMap(SiteMap& map)
{
    for (GraphicsBox* gateway : map.gateways)
        delete gateway->energizerNode();
    map.scene.reset();
}

void BM_PaintSiteMap(benchmark::State& state)
{
    SiteMap map = buildSiteMap();
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&frame);
        map.scene->render(&painter, QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080));
    }
    destroySiteMap(map);
}
BENCHMARK(BM_PaintSiteMap)->Unit(benchmark::kMillisecond);

// The same frame while every text box blinks with an alarm.
void BM_AlarmTickAndPaint(benchmark::State& state)
{
    SiteMap map = buildSiteMap();
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        for (GraphicsBox* box : map.textBoxes)
            box->setStatus(Node::Critical);
        QPainter painter(&frame);
        map.scene->render(&painter, QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080));
    }
    destroySiteMap(map);
}
BENCHMARK(BM_AlarmTickAndPaint)->Unit(benchmark::kMillisecond);

// The frame after every text box was given a caption of one word as long as
// a caption may be: laying the 50 captions out is the cost.
void BM_PaintLongCaptions(benchmark::State& state)
{
    SiteMap map = buildSiteMap();
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    const QString words[] = {QString(GraphicsTextItem::MaxTextLength, QLatin1Char('w')),
                             QString(GraphicsTextItem::MaxTextLength, QLatin1Char('v'))};
    int turn = 0;
    for (auto _ : state) {
        for (GraphicsBox* box : map.textBoxes)
            box->setCaption(words[turn % 2]);
        ++turn;
        QPainter painter(&frame);
        map.scene->render(&painter, QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1080));
    }
    destroySiteMap(map);
}
BENCHMARK(BM_PaintLongCaptions)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
