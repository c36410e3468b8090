// Draws the toolbar and menu icons of the main window as 32x32 PNGs.
// Run by hand when an icon changes:
//   g++ -std=c++17 -fPIC drawicons.cpp $(pkg-config --cflags --libs Qt5Gui) -o drawicons
//   QT_QPA_PLATFORM=offscreen ./drawicons ../
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <map>

namespace {
const QColor Ink(51, 51, 51);
const QColor Paper(250, 250, 245);
const QColor Blue(40, 110, 190);
const QColor Red(192, 48, 48);
const QColor Green(50, 150, 60);
const QColor Amber(230, 160, 40);

void sheet(QPainter& p, const QRectF& r = QRectF(7, 3, 18, 25))
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Paper);
    p.drawRect(r);
}

void letter(QPainter& p, const QString& text, const QFont& font, const QColor& color = Ink)
{
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRectF(0, 0, 32, 28), Qt::AlignCenter, text);
}

QFont font(int size, bool bold = false, bool italic = false, bool underline = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(size);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

void swatch(QPainter& p, const QColor& color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRect(QRectF(4, 26, 24, 5));
}

void lines(QPainter& p, Qt::Alignment align)
{
    p.setPen(QPen(Ink, 2.5, Qt::SolidLine, Qt::FlatCap));
    const int widths[] = {24, 16, 24, 12, 20};
    for (int i = 0; i < 5; ++i) {
        const int w = widths[i];
        const int x = align == Qt::AlignLeft ? 4 : align == Qt::AlignRight ? 28 - w : 16 - w / 2;
        p.drawLine(x, 5 + i * 5, x + w, 5 + i * 5);
    }
}

void arrow(QPainter& p, bool left)
{
    QPainterPath path;
    path.moveTo(left ? 26 : 6, 24);
    path.cubicTo(left ? 26 : 6, 10, left ? 16 : 16, 8, left ? 9 : 23, 12);
    p.setPen(QPen(Blue, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    QPolygonF head;
    if (left)
        head << QPointF(4, 14) << QPointF(12, 6) << QPointF(13, 17);
    else
        head << QPointF(28, 14) << QPointF(20, 6) << QPointF(19, 17);
    p.setPen(Qt::NoPen);
    p.setBrush(Blue);
    p.drawPolygon(head);
}

void magnifier(QPainter& p, bool plus)
{
    p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(20, 20, 28, 28);
    p.setPen(QPen(Ink, 2));
    p.setBrush(QColor(210, 230, 250));
    p.drawEllipse(QPointF(13, 13), 9, 9);
    p.setPen(QPen(Blue, 2.5));
    p.drawLine(9, 13, 17, 13);
    if (plus)
        p.drawLine(13, 9, 13, 17);
}

void disk(QPainter& p, const QPointF& at)
{
    p.setPen(QPen(Ink, 1.2));
    p.setBrush(Blue);
    p.drawRect(QRectF(at, QSizeF(20, 20)));
    p.setBrush(Paper);
    p.drawRect(QRectF(at + QPointF(4, 0), QSizeF(12, 7)));
    p.drawRect(QRectF(at + QPointF(3, 11), QSizeF(14, 9)));
}

// A page with a two-headed arrow across it, lying or standing.
void fitArrows(QPainter& p, bool vertical)
{
    p.save();
    if (vertical) {
        p.translate(32, 0);
        p.rotate(90);
    }
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Paper);
    p.drawRect(QRectF(3, 8, 26, 16));
    p.setPen(QPen(Blue, 2.5));
    p.drawLine(7, 16, 25, 16);
    p.drawLine(7, 16, 11, 12);
    p.drawLine(7, 16, 11, 20);
    p.drawLine(25, 16, 21, 12);
    p.drawLine(25, 16, 21, 20);
    p.restore();
}

void cross(QPainter& p, const QPointF& c, double r)
{
    p.setPen(QPen(Red, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
    p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
}

void gear(QPainter& p, const QPointF& c, double r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(110, 110, 120));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 45);
        p.drawRect(QRectF(-2.5, -r - 3, 5, 6));
        p.restore();
    }
    p.drawEllipse(c, r, r);
    p.setBrush(Paper);
    p.drawEllipse(c, r / 2.5, r / 2.5);
}

using Draw = std::function<void(QPainter&)>;
const std::map<QString, Draw>& icons()
{
    static const std::map<QString, Draw> all{
        {"select", [](QPainter& p) {
             QPolygonF a;
             a << QPointF(8, 4) << QPointF(8, 26) << QPointF(13, 21) << QPointF(17, 29) << QPointF(21, 27)
               << QPointF(17, 19) << QPointF(24, 19);
             p.setPen(QPen(Ink, 1.5));
             p.setBrush(Qt::white);
             p.drawPolygon(a);
         }},
        {"newPageReport", [](QPainter& p) {
             sheet(p);
             p.setPen(QPen(Green, 3));
             p.drawLine(22, 18, 22, 30);
             p.drawLine(16, 24, 28, 24);
         }},
        {"textbold", [](QPainter& p) { letter(p, "B", font(24, true)); }},
        {"textitalic", [](QPainter& p) { letter(p, "I", font(24, false, true)); }},
        {"textunder", [](QPainter& p) { letter(p, "U", font(22, false, false, true)); }},
        {"fontColor", [](QPainter& p) { letter(p, "A", font(22, true)); swatch(p, Red); }},
        {"backgroundColor", [](QPainter& p) {
             p.setPen(QPen(Ink, 1.5));
             p.setBrush(QColor(255, 240, 120));
             p.drawRect(QRectF(5, 4, 22, 20));
             swatch(p, Amber);
         }},
        {"borderColor", [](QPainter& p) {
             p.setPen(QPen(Blue, 3));
             p.setBrush(Qt::NoBrush);
             p.drawRect(QRectF(6, 5, 20, 18));
             swatch(p, Blue);
         }},
        {"copy", [](QPainter& p) { sheet(p, QRectF(4, 3, 16, 20)); sheet(p, QRectF(12, 9, 16, 20)); }},
        {"cut", [](QPainter& p) {
             p.setPen(QPen(Ink, 2.5, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(10, 4, 20, 20);
             p.drawLine(22, 4, 12, 20);
             p.setBrush(Qt::NoBrush);
             p.setPen(QPen(Red, 2.5));
             p.drawEllipse(QPointF(10, 24), 4.5, 4.5);
             p.drawEllipse(QPointF(22, 24), 4.5, 4.5);
         }},
        {"paste", [](QPainter& p) {
             p.setPen(QPen(Ink, 1.5));
             p.setBrush(QColor(190, 140, 80));
             p.drawRoundedRect(QRectF(5, 5, 20, 24), 2, 2);
             p.setBrush(QColor(160, 160, 160));
             p.drawRect(QRectF(11, 2, 8, 5));
             sheet(p, QRectF(13, 12, 15, 17));
         }},
        {"delete", [](QPainter& p) { cross(p, QPointF(16, 16), 9); }},
        {"designForm", [](QPainter& p) {
             sheet(p, QRectF(4, 4, 24, 24));
             p.setPen(QPen(Ink, 1));
             p.drawRect(QRectF(8, 8, 8, 6));
             p.drawLine(8, 19, 24, 19);
             p.drawLine(8, 23, 20, 23);
             p.setPen(QPen(Amber, 3, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(18, 16, 28, 6);
         }},
        {"undo", [](QPainter& p) { arrow(p, true); }},
        {"redo", [](QPainter& p) { arrow(p, false); }},
        {"zoom_in", [](QPainter& p) { magnifier(p, true); }},
        {"zoom_out", [](QPainter& p) { magnifier(p, false); }},
        {"scaleToWidth", [](QPainter& p) { fitArrows(p, false); }},
        {"scaleToHeigth", [](QPainter& p) { fitArrows(p, true); }},
        {"new", [](QPainter& p) {
             sheet(p);
             p.setPen(QPen(Amber, 2));
             p.drawLine(20, 4, 28, 4);
             p.drawLine(24, 0, 24, 8);
         }},
        {"open", [](QPainter& p) {
             p.setPen(QPen(Ink, 1.5));
             p.setBrush(QColor(240, 200, 90));
             p.drawRect(QRectF(3, 8, 24, 18));
             QPolygonF flap;
             flap << QPointF(7, 13) << QPointF(30, 13) << QPointF(26, 26) << QPointF(3, 26);
             p.setBrush(QColor(250, 220, 120));
             p.drawPolygon(flap);
         }},
        {"save", [](QPainter& p) { disk(p, QPointF(6, 6)); }},
        {"saveAll", [](QPainter& p) { disk(p, QPointF(2, 2)); disk(p, QPointF(10, 10)); }},
        {"deletePage", [](QPainter& p) { sheet(p); cross(p, QPointF(22, 23), 5); }},
        {"actionManager", [](QPainter& p) {
             p.setPen(QPen(Ink, 1.5));
             p.setBrush(QColor(255, 220, 80));
             QPolygonF bolt;
             bolt << QPointF(18, 2) << QPointF(7, 18) << QPointF(15, 18) << QPointF(12, 30) << QPointF(25, 12)
                  << QPointF(17, 12);
             p.drawPolygon(bolt);
         }},
        {"setting", [](QPainter& p) { gear(p, QPointF(16, 16), 9); }},
        {"textleft", [](QPainter& p) { lines(p, Qt::AlignLeft); }},
        {"textcenter", [](QPainter& p) { lines(p, Qt::AlignHCenter); }},
        {"textright", [](QPainter& p) { lines(p, Qt::AlignRight); }},
        {"server_stanchion", [](QPainter& p) {
             p.setPen(QPen(Ink, 1.5));
             p.setBrush(QColor(120, 130, 140));
             p.drawRect(QRectF(9, 2, 14, 26));
             p.setBrush(Green);
             p.drawEllipse(QPointF(13, 7), 2, 2);
             p.setBrush(Amber);
             p.drawEllipse(QPointF(13, 13), 2, 2);
             p.setPen(QPen(Ink, 2));
             p.drawLine(6, 30, 26, 30);
         }},
        {"view_fullscreen", [](QPainter& p) {
             p.setPen(QPen(Blue, 3, Qt::SolidLine, Qt::SquareCap));
             for (const QPointF& c : {QPointF(5, 5), QPointF(27, 5), QPointF(5, 27), QPointF(27, 27)}) {
                 const double dx = c.x() < 16 ? 7 : -7;
                 const double dy = c.y() < 16 ? 7 : -7;
                 p.drawLine(c, c + QPointF(dx, 0));
                 p.drawLine(c, c + QPointF(0, dy));
             }
         }},
        {"setWorkspace", [](QPainter& p) {
             p.setPen(QPen(Ink, 1.5));
             p.setBrush(QColor(200, 230, 200));
             p.drawRect(QRectF(2, 4, 22, 18));
             gear(p, QPointF(23, 23), 6);
         }},
        {"time", [](QPainter& p) {
             p.setPen(QPen(Ink, 2));
             p.setBrush(Paper);
             p.drawEllipse(QPointF(16, 16), 13, 13);
             p.setPen(QPen(Ink, 2.5, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(16, 16, 16, 7);
             p.setPen(QPen(Red, 2, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(16, 16, 23, 19);
         }},
        {"readme", [](QPainter& p) {
             sheet(p);
             letter(p, "?", font(18, true), Blue);
         }},
    };
    return all;
}
} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    for (const auto& [name, draw] : icons()) {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
        painter.end();
        if (!image.save(dir + QLatin1Char('/') + name + QStringLiteral(".png")))
            return 1;
    }
    return 0;
}
