// Draws every picture of the desktop program, at scale 1 and again at scale 2
// (name@2x): window backgrounds (JPEG), the image-button faces (PNG, black
// outside the shape) and the small icons.
// Deterministic: the same source gives the same pictures.
//   picgen OUTPUT_DIR ICON_SVG ICON_DIR
// The program icon is drawn from ICON_SVG: app_icon.png (64 pixels) into
// OUTPUT_DIR, and ICON_DIR/<N>x<N>/org.zerath.Zerath.png for the desktop.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgRenderer>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <functional>

namespace {

QString g_out;
int g_scale = 1; // 2 draws the @2x pictures: twice the pixels, the same layout

// An image of w x h logical pixels at the current scale; painters on it draw
// in logical coordinates.
QImage canvas(int w, int h, QImage::Format format)
{
    QImage img(w * g_scale, h * g_scale, format);
    img.setDevicePixelRatio(g_scale);
    return img;
}

// Small deterministic generator for the texture.
struct Lcg {
    std::uint32_t s;
    explicit Lcg(std::uint32_t seed) : s(seed) {}
    std::uint32_t next() { return s = s * 1664525u + 1013904223u; }
    int range(int n) { return int((next() >> 8) % std::uint32_t(n)); }
};

void save(const QImage& img, const QString& name, int quality = -1)
{
    QString file = name;
    if (g_scale > 1) file.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(g_scale));
    const QString path = QDir(g_out).filePath(file);
    if (!img.save(path, nullptr, quality)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::printf("%s %dx%d\n", qPrintable(file), img.width(), img.height());
}

const QColor kDeep(0x0C, 0x16, 0x21);
const QColor kSteel(0x1D, 0x33, 0x48);
const QColor kSteelLight(0x35, 0x58, 0x78);
const QColor kAccent(0x6F, 0xB7, 0xE6);
const QColor kGold(0xE8, 0xB8, 0x4A);

// Fine brushed-metal texture: per-row streaks plus light grain.
void texture(QImage& img, std::uint32_t seed, int strength)
{
    Lcg r(seed);
    std::vector<int> streak(img.height());
    for (auto& s : streak)
        s = r.range(2 * strength + 1) - strength;
    for (int y = 0; y < img.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int d = streak[y] / 2 + r.range(strength + 1) - strength / 2;
            const QRgb c = row[x];
            row[x] = qRgba(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                           std::clamp(qBlue(c) + d, 0, 255), qAlpha(c));
        }
    }
}

void panel(QPainter& p, QRectF r, double radius = 8, int shade = 0)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // soft drop shadow
    for (int i = 3; i >= 1; --i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 18));
        p.drawRoundedRect(r.adjusted(-i + 1, -i + 2, i + 1, i + 2), radius + i, radius + i);
    }
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0x2A + shade, 0x44 + shade, 0x5C + shade, 150));
    g.setColorAt(1, QColor(0x16 + shade, 0x28 + shade, 0x39 + shade, 170));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x8C, 0xB6, 0xD6, 70), 1));
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
    p.restore();
}

// Window background: steel gradient body, brushed texture, a title band with
// a highlight rule, and rounded panels where the controls go.
QImage windowPicture(int w, int h, int band, const QList<QRectF>& panels, std::uint32_t seed)
{
    QImage img = canvas(w, h, QImage::Format_RGB32);
    {
        QPainter p(&img);
        QLinearGradient body(0, 0, w * 0.35, h);
        body.setColorAt(0, QColor(0x1B, 0x2E, 0x41));
        body.setColorAt(0.55, QColor(0x13, 0x22, 0x31));
        body.setColorAt(1, kDeep);
        p.fillRect(img.rect(), body);
        // faint glow in the upper right
        QRadialGradient glow(w * 0.85, band, w * 0.6);
        glow.setColorAt(0, QColor(0x4E, 0x86, 0xB4, 50));
        glow.setColorAt(1, QColor(0x4E, 0x86, 0xB4, 0));
        p.fillRect(img.rect(), glow);
    }
    texture(img, seed, 6);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Title band.
    QLinearGradient tb(0, 0, 0, band);
    tb.setColorAt(0, QColor(0x3C, 0x62, 0x84));
    tb.setColorAt(0.5, QColor(0x2A, 0x4A, 0x67));
    tb.setColorAt(1, QColor(0x1F, 0x38, 0x50));
    p.fillRect(QRect(0, 0, w, band), tb);
    QLinearGradient sheen(0, 0, w, 0);
    sheen.setColorAt(0, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.3, QColor(255, 255, 255, 26));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRect(0, 0, w, band / 2), sheen);
    p.fillRect(QRect(0, band, w, 1), QColor(0x8F, 0xC4, 0xEA, 140));
    p.fillRect(QRect(0, band + 1, w, 2), QColor(0, 0, 0, 90));
    // Diagonal hairlines in the band's right part.
    p.setPen(QPen(QColor(255, 255, 255, 14), 1));
    for (int x = w - 170; x < w + band; x += 6)
        p.drawLine(QPointF(x, band), QPointF(x + band, 0));
    for (const QRectF& r : panels)
        panel(p, r);
    // Outer rim so the cut outline reads as an edge.
    p.setPen(QPen(QColor(0x9C, 0xC8, 0xE8, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 9, 9);
    return img;
}

// ---- glyphs (drawn in a 24 x 24 box at the painter's origin) ----

void glyphPadlock(QPainter& p, bool open, QColor c)
{
    p.setPen(QPen(c, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    if (open) {
        shackle.moveTo(7, 11);
        shackle.lineTo(7, 7);
        shackle.arcTo(QRectF(7, 2, 10, 10), 180, -180);
        shackle.lineTo(17, 6);
        shackle.translate(-4, 0);
    } else {
        shackle.moveTo(7, 11);
        shackle.lineTo(7, 7);
        shackle.arcTo(QRectF(7, 2, 10, 10), 180, -180);
        shackle.lineTo(17, 11);
    }
    p.drawPath(shackle);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(4.5, 10.5, 15, 11), 2, 2);
    p.setBrush(QColor(0x1A, 0x2C, 0x3E));
    p.drawEllipse(QPointF(12, 15), 1.8, 1.8);
    p.drawRect(QRectF(11.3, 15, 1.4, 4));
}

void glyphKey(QPainter& p, QColor c, QColor hole)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(7, 12), 5.2, 5.2);
    p.drawRect(QRectF(10, 10.8, 12, 2.6));
    p.drawRect(QRectF(17, 13, 2.2, 4));
    p.drawRect(QRectF(20.2, 13, 1.8, 3));
    p.setBrush(hole);
    p.drawEllipse(QPointF(6, 12), 1.8, 1.8);
}

void glyphGear(QPainter& p, QColor c, QColor hole)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    QPainterPath path;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = (i * M_PI) / teeth, a1 = ((i + 1) * M_PI) / teeth;
        const double r = (i % 2 == 0) ? 10.0 : 7.6;
        const QPointF p0(12 + r * std::cos(a0), 12 + r * std::sin(a0));
        const QPointF p1(12 + r * std::cos(a1), 12 + r * std::sin(a1));
        if (i == 0)
            path.moveTo(p0);
        else
            path.lineTo(p0);
        path.lineTo(p1);
    }
    path.closeSubpath();
    p.drawPath(path);
    p.setBrush(hole);
    p.drawEllipse(QPointF(12, 12), 3.2, 3.2);
}

void glyphShredder(QPainter& p, QColor c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRect(QRectF(6.5, 1.5, 11, 8));
    p.setBrush(QColor(0xD8, 0xE4, 0xEE));
    p.drawRoundedRect(QRectF(2.5, 9, 19, 4.5), 1.5, 1.5);
    p.setPen(QPen(c, 1.5, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 5; ++i) {
        const double x = 7.5 + i * 2.25;
        p.drawLine(QPointF(x, 14.5), QPointF(x, 22 - (i % 3) * 1.5));
    }
}

void glyphInfo(QPainter& p, QColor c, QColor fg)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    p.setBrush(fg);
    p.drawEllipse(QPointF(12, 7.4), 1.6, 1.6);
    p.drawRoundedRect(QRectF(10.6, 10.2, 2.8, 8.2), 1, 1);
}

void glyphPower(QPainter& p, QColor c)
{
    p.setPen(QPen(c, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 4.5, 16, 16), 120 * 16, 300 * 16);
    p.drawLine(QPointF(12, 2.5), QPointF(12, 11));
}

// ---- image-button faces: black outside the shape ----

using Glyph = std::function<void(QPainter&, QColor)>;

// Keeps the shape's pixels clear of pure black (black marks the outside).
void liftBlack(QImage& img, const QImage& shape)
{
    for (int y = 0; y < img.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        const QRgb* m = reinterpret_cast<const QRgb*>(shape.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(m[x]) < 128) {
                row[x] = qRgb(0, 0, 0);
            } else if ((row[x] & 0xFFFFFF) == 0) {
                row[x] = qRgb(1, 1, 1);
            }
        }
    }
}

QImage commandFace(const Glyph& glyph, bool lit, QColor glyphColour)
{
    const int w = 150, h = 32;
    QImage shape = canvas(w, h, QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    {
        QPainter m(&shape);
        m.setRenderHint(QPainter::Antialiasing, false);
        m.setPen(Qt::NoPen);
        m.setBrush(Qt::white);
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, w, h), 15.5, 15.5);
        m.drawPath(path);
    }
    QImage img = canvas(w, h, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    if (lit) {
        g.setColorAt(0, QColor(0x4F, 0x82, 0xAE));
        g.setColorAt(0.48, QColor(0x2F, 0x5A, 0x82));
        g.setColorAt(0.52, QColor(0x25, 0x4C, 0x72));
        g.setColorAt(1, QColor(0x2D, 0x5C, 0x88));
    } else {
        g.setColorAt(0, QColor(0x36, 0x50, 0x68));
        g.setColorAt(0.48, QColor(0x24, 0x3A, 0x50));
        g.setColorAt(0.52, QColor(0x1D, 0x31, 0x45));
        g.setColorAt(1, QColor(0x22, 0x39, 0x4F));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, w, h), 15.5, 15.5);
    // Glass sheen on the upper half.
    QLinearGradient sheen(0, 1, 0, h / 2);
    sheen.setColorAt(0, QColor(255, 255, 255, lit ? 60 : 30));
    sheen.setColorAt(1, QColor(255, 255, 255, 4));
    p.setBrush(sheen);
    p.drawRoundedRect(QRectF(3, 1.5, w - 6, h / 2 - 2), 12, 8);
    // Glyph well on the left.
    QRadialGradient well(15, 16, 12);
    well.setColorAt(0, lit ? QColor(0x1B, 0x33, 0x4A) : QColor(0x16, 0x26, 0x36));
    well.setColorAt(1, lit ? QColor(0x24, 0x44, 0x62) : QColor(0x1C, 0x2E, 0x40));
    p.setBrush(well);
    p.drawEllipse(QPointF(15, 16), 11, 11);
    p.setPen(QPen(lit ? QColor(0x9C, 0xD4, 0xF6, 150) : QColor(0x80, 0xA0, 0xBA, 70), 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(15, 16), 11, 11);
    p.save();
    p.translate(15 - 8.4, 16 - 8.4);
    p.scale(0.7, 0.7);
    glyph(p, lit ? glyphColour : glyphColour.darker(135));
    p.restore();
    p.end();
    liftBlack(img, shape);
    return img;
}

QImage roundFace(int size, QColor base, bool lit, const std::function<void(QPainter&)>& mark)
{
    QImage shape = canvas(size, size, QImage::Format_ARGB32);
    shape.fill(Qt::transparent);
    {
        QPainter m(&shape);
        m.setPen(Qt::NoPen);
        m.setBrush(Qt::white);
        m.drawEllipse(QRectF(0, 0, size, size));
    }
    QImage img = canvas(size, size, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(size * 0.4, size * 0.3, size * 0.8);
    g.setColorAt(0, lit ? base.lighter(150) : base.lighter(110));
    g.setColorAt(1, lit ? base : base.darker(140));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QRectF(0, 0, size, size));
    mark(p);
    p.end();
    liftBlack(img, shape);
    return img;
}

// ---- icons ----

QImage smallKey(bool pair)
{
    QImage img = canvas(16, 16, QImage::Format_RGB32);
    img.fill(Qt::white); // white is the grid's transparent colour
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    const auto key = [&](double dx, double dy, QColor c, QColor edge) {
        p.save();
        p.translate(dx, dy);
        p.setPen(QPen(edge, 1));
        p.setBrush(c);
        p.drawEllipse(QRect(0, 3, 6, 6));
        p.drawRect(QRect(5, 5, 8, 2));
        p.drawRect(QRect(10, 7, 1, 2));
        p.drawRect(QRect(12, 7, 1, 2));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xF0, 0xF0, 0xEE));
        p.drawRect(QRect(2, 5, 2, 2));
        p.restore();
    };
    if (pair) {
        key(2, -2, QColor(0xB8, 0xC4, 0xCE), QColor(0x4A, 0x58, 0x66));
        key(0, 5, QColor(0xE0, 0x5A, 0x4A), QColor(0x7A, 0x1C, 0x14));
    } else {
        key(1, 2, QColor(0xE8, 0xB8, 0x4A), QColor(0x7A, 0x56, 0x10));
    }
    return img;
}

QImage largeKey(bool pair)
{
    const int w = 110, h = 138;
    QImage img = canvas(w, h, QImage::Format_RGB32);
    {
        QPainter p(&img);
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, pair ? QColor(0x4A, 0x26, 0x2A) : QColor(0x24, 0x40, 0x58));
        g.setColorAt(1, pair ? QColor(0x1E, 0x10, 0x14) : QColor(0x10, 0x1C, 0x28));
        p.fillRect(img.rect(), g);
    }
    texture(img, pair ? 77 : 78, 5);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(3.5, 3.5, w - 7, h - 7), 8, 8);
    QRadialGradient halo(w / 2.0, 58, 48);
    halo.setColorAt(0, pair ? QColor(0xF0, 0x80, 0x70, 90) : QColor(0x80, 0xC8, 0xF0, 90));
    halo.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(img.rect(), halo);
    const auto bigKey = [&](double cx, double cy, double scale, double angle, QColor c) {
        p.save();
        p.translate(cx, cy);
        p.rotate(angle);
        p.scale(scale, scale);
        p.translate(-12, -12);
        QLinearGradient metal(0, 6, 0, 18);
        metal.setColorAt(0, c.lighter(135));
        metal.setColorAt(1, c.darker(130));
        p.setPen(QPen(c.darker(220), 0.35));
        p.setBrush(metal);
        QPainterPath path;
        path.addEllipse(QPointF(7, 12), 5.2, 5.2);
        path.addRect(QRectF(10, 10.8, 12, 2.6));
        path.addRect(QRectF(17, 13, 2.2, 4));
        path.addRect(QRectF(20.2, 13, 1.8, 3));
        path.setFillRule(Qt::WindingFill);
        p.drawPath(path.simplified());
        p.setBrush(pair ? QColor(0x2E, 0x18, 0x1C) : QColor(0x16, 0x28, 0x38));
        p.drawEllipse(QPointF(6, 12), 1.8, 1.8);
        p.restore();
    };
    if (pair) {
        bigKey(w / 2.0 + 6, 50, 3.2, -35, QColor(0xB8, 0xC4, 0xCE));
        bigKey(w / 2.0 - 4, 66, 3.2, -35, QColor(0xE0, 0x5A, 0x4A));
    } else {
        bigKey(w / 2.0, 58, 3.6, -35, kGold);
    }
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0xF2, 0xF6, 0xFA));
    p.drawText(QRectF(0, h - 34, w, 16), Qt::AlignCenter, pair ? QStringLiteral("KEY PAIR") : QStringLiteral("PUBLIC KEY"));
    f.setBold(false);
    f.setPixelSize(10);
    p.setFont(f);
    p.setPen(QColor(0xB0, 0xC0, 0xD0));
    p.drawText(QRectF(0, h - 20, w, 12), Qt::AlignCenter, QStringLiteral("RSA 2048"));
    return img;
}

QImage alphaIcon(int size, const std::function<void(QPainter&)>& draw)
{
    QImage img = canvas(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return img;
}

void emblem(QPainter& p, QPointF c, double r)
{
    // Shield with a keyhole, inside two thin rings.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x8F, 0xC4, 0xEA, 90), 1.2));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(QColor(0x8F, 0xC4, 0xEA, 45), 1));
    p.drawEllipse(c, r + 7, r + 7);
    // tick marks on the outer ring
    for (int i = 0; i < 60; ++i) {
        const double a = i * M_PI / 30;
        const double r0 = r + 10, r1 = r + (i % 5 == 0 ? 16 : 13);
        p.setPen(QPen(QColor(0x8F, 0xC4, 0xEA, i % 5 == 0 ? 110 : 50), 1));
        p.drawLine(QPointF(c.x() + r0 * std::cos(a), c.y() + r0 * std::sin(a)),
                   QPointF(c.x() + r1 * std::cos(a), c.y() + r1 * std::sin(a)));
    }
    QPainterPath shield;
    const double s = r * 0.78;
    shield.moveTo(c.x(), c.y() - s);
    shield.cubicTo(c.x() + s * 0.5, c.y() - s * 0.8, c.x() + s * 0.8, c.y() - s * 0.78, c.x() + s * 0.82, c.y() - s * 0.7);
    shield.cubicTo(c.x() + s * 0.86, c.y() + s * 0.1, c.x() + s * 0.5, c.y() + s * 0.7, c.x(), c.y() + s);
    shield.cubicTo(c.x() - s * 0.5, c.y() + s * 0.7, c.x() - s * 0.86, c.y() + s * 0.1, c.x() - s * 0.82, c.y() - s * 0.7);
    shield.cubicTo(c.x() - s * 0.8, c.y() - s * 0.78, c.x() - s * 0.5, c.y() - s * 0.8, c.x(), c.y() - s);
    QLinearGradient g(c.x() - s, c.y() - s, c.x() + s, c.y() + s);
    g.setColorAt(0, QColor(0x5A, 0x92, 0xC0));
    g.setColorAt(0.5, QColor(0x2A, 0x52, 0x78));
    g.setColorAt(1, QColor(0x14, 0x2A, 0x40));
    p.setPen(QPen(QColor(0xC8, 0xE4, 0xF8, 200), 1.6));
    p.setBrush(g);
    p.drawPath(shield);
    // keyhole
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0A, 0x14, 0x1E));
    p.drawEllipse(QPointF(c.x(), c.y() - s * 0.18), s * 0.2, s * 0.2);
    QPainterPath slot;
    slot.moveTo(c.x() - s * 0.09, c.y() - s * 0.1);
    slot.lineTo(c.x() + s * 0.09, c.y() - s * 0.1);
    slot.lineTo(c.x() + s * 0.15, c.y() + s * 0.45);
    slot.lineTo(c.x() - s * 0.15, c.y() + s * 0.45);
    slot.closeSubpath();
    p.drawPath(slot);
    p.restore();
}

QImage roundPicture(bool splash)
{
    const int n = 360;
    QImage img = canvas(n, n, QImage::Format_RGB32);
    {
        QPainter p(&img);
        QRadialGradient g(n / 2.0, n * 0.38, n * 0.62);
        g.setColorAt(0, QColor(0x2E, 0x50, 0x70));
        g.setColorAt(0.6, QColor(0x16, 0x28, 0x3A));
        g.setColorAt(1, QColor(0x08, 0x10, 0x18));
        p.fillRect(img.rect(), g);
    }
    texture(img, splash ? 11 : 12, 5);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(n / 2.0, n / 2.0);
    // rim
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x9C, 0xD0, 0xF2, 120), 2));
    p.drawEllipse(centre, n / 2.0 - 3, n / 2.0 - 3);
    p.setPen(QPen(QColor(0, 0, 0, 120), 2));
    p.drawEllipse(centre, n / 2.0 - 6, n / 2.0 - 6);
    if (splash) {
        emblem(p, QPointF(n / 2.0, 140), 62);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(40);
        f.setBold(true);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 3);
        p.setFont(f);
        p.setPen(QColor(0, 0, 0, 120));
        p.drawText(QRectF(2, 232, n, 50), Qt::AlignCenter, QStringLiteral("ZERATH"));
        p.setPen(QColor(0xF4, 0xF8, 0xFC));
        p.drawText(QRectF(0, 230, n, 50), Qt::AlignCenter, QStringLiteral("ZERATH"));
        f.setPixelSize(12);
        f.setBold(false);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
        p.setFont(f);
        p.setPen(QColor(0x9E, 0xC2, 0xDE));
        p.drawText(QRectF(0, 278, n, 20), Qt::AlignCenter, QStringLiteral("PUBLIC-KEY FILE ENCRYPTION"));
        p.setPen(QPen(QColor(0x8F, 0xC4, 0xEA, 120), 1));
        p.drawLine(QPointF(120, 304), QPointF(240, 304));
    } else {
        emblem(p, QPointF(n / 2.0, 112), 52);
        // separator above the text block the window writes
        QLinearGradient line(90, 0, 270, 0);
        line.setColorAt(0, QColor(0x8F, 0xC4, 0xEA, 0));
        line.setColorAt(0.5, QColor(0x8F, 0xC4, 0xEA, 150));
        line.setColorAt(1, QColor(0x8F, 0xC4, 0xEA, 0));
        p.fillRect(QRectF(90, 188, 180, 1), line);
    }
    return img;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: picgen OUTPUT_DIR ICON_SVG ICON_DIR\n");
        return 2;
    }
    if (QString::fromLocal8Bit(argv[1]) == QStringLiteral("--sheet") && argc >= 4) {
        // Contact sheet for looking at the results: picgen --sheet OUT.png FILE...
        QList<QImage> images;
        int w = 8, h = 0;
        for (int i = 3; i < argc; ++i) {
            QImage img(QString::fromLocal8Bit(argv[i]));
            if (img.width() <= 32)
                img = img.scaled(img.size() * 4, Qt::KeepAspectRatio, Qt::FastTransformation);
            images << img;
            w += img.width() + 8;
            h = std::max(h, img.height());
        }
        QImage sheet(w, h + 16, QImage::Format_RGB32);
        sheet.fill(QColor(0x60, 0x60, 0x60));
        QPainter p(&sheet);
        int x = 8;
        for (const QImage& img : images) {
            p.drawImage(x, 8, img);
            x += img.width() + 8;
        }
        p.end();
        return sheet.save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    if (argc < 4) {
        std::fprintf(stderr, "usage: picgen OUTPUT_DIR ICON_SVG ICON_DIR\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);
    const QString iconSvg = QString::fromLocal8Bit(argv[2]);
    const QString iconDir = QString::fromLocal8Bit(argv[3]);

    // Every picture at the usual scale, then again at twice it (name@2x.ext),
    // which Qt picks on a screen scaled by 2.
    QSvgRenderer icon(iconSvg);
    if (!icon.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(iconSvg));
        return 1;
    }
    const auto drawIcon = [&icon](int size) {
        QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        icon.render(&p);
        return img;
    };
    for (g_scale = 1; g_scale <= 2; ++g_scale) {
    const int q = 92;
    const int band = 36;
    // Window backgrounds.
    save(windowPicture(609, 467, 40, {QRectF(8, 50, 160, 407), QRectF(174, 50, 427, 407)}, 1), "main.jpg", q);
    save(windowPicture(608, 467, band, {QRectF(8, 44, 592, 415)}, 2), "shredder.jpg", q);
    save(windowPicture(365, 260, band, {QRectF(10, 44, 345, 206)}, 3), "options.jpg", q);
    save(windowPicture(500, 300, band, {QRectF(10, 44, 480, 246)}, 4), "keymanager.jpg", q);
    save(windowPicture(365, 260, band, {QRectF(10, 44, 345, 206)}, 5), "keygen.jpg", q);
    save(windowPicture(365, 260, band, {QRectF(10, 44, 345, 206)}, 6), "changepass.jpg", q);
    save(windowPicture(365, 260, band, {QRectF(10, 44, 345, 206)}, 7), "keyinfo.jpg", q);
    save(windowPicture(365, 150, band, {QRectF(10, 44, 345, 96)}, 8), "fpcheck.jpg", q);
    save(windowPicture(366, 150, band, {QRectF(10, 42, 346, 98)}, 9), "progress.jpg", q);
    save(roundPicture(false), "about.jpg", q);
    save(roundPicture(true), "splash.jpg", q);

    // Command button faces.
    const QColor hole(0x1B, 0x33, 0x4A);
    struct Cmd {
        const char* name;
        Glyph glyph;
        QColor colour;
    };
    const Cmd commands[] = {
        {"encrypt", [](QPainter& p, QColor c) { glyphPadlock(p, false, c); }, kGold},
        {"decrypt", [](QPainter& p, QColor c) { glyphPadlock(p, true, c); }, QColor(0x9E, 0xE0, 0x8A)},
        {"shredder", [](QPainter& p, QColor c) { glyphShredder(p, c); }, QColor(0xF0, 0x8C, 0x6E)},
        {"keys", [&](QPainter& p, QColor c) { glyphKey(p, c, hole); }, kGold},
        {"options", [&](QPainter& p, QColor c) { glyphGear(p, c, hole); }, QColor(0xC8, 0xD8, 0xE6)},
        {"about", [&](QPainter& p, QColor c) { glyphInfo(p, c, hole); }, kAccent},
        {"exit", [](QPainter& p, QColor c) { glyphPower(p, c); }, QColor(0xF0, 0x70, 0x64)},
    };
    for (const Cmd& c : commands) {
        save(commandFace(c.glyph, true, c.colour), QStringLiteral("btn_%1.png").arg(c.name));
        save(commandFace(c.glyph, false, c.colour), QStringLiteral("btn_%1_idle.png").arg(c.name));
    }
    const auto cross = [](QPainter& p) {
        p.setPen(QPen(QColor(0xFA, 0xFA, 0xFA), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6.5, 6.5), QPointF(13.5, 13.5));
        p.drawLine(QPointF(13.5, 6.5), QPointF(6.5, 13.5));
    };
    const auto dash = [](QPainter& p) {
        p.setPen(QPen(QColor(0xFA, 0xFA, 0xFA), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 13), QPointF(14, 13));
    };
    save(roundFace(20, QColor(0xB0, 0x30, 0x2A), true, cross), "btn_close.png");
    save(roundFace(20, QColor(0x6A, 0x3A, 0x3A), false, cross), "btn_close_idle.png");
    save(roundFace(20, QColor(0x2E, 0x6A, 0x9C), true, dash), "btn_minimize.png");
    save(roundFace(20, QColor(0x34, 0x4C, 0x62), false, dash), "btn_minimize_idle.png");

    // Key icons.
    save(smallKey(false), "key_pub_small.png");
    save(smallKey(true), "key_pair_small.png");
    save(largeKey(false), "key_pub_large.png");
    save(largeKey(true), "key_pair_large.png");

    // Fingerprint compare: fingerprint arcs beside a check mark.
    save(alphaIcon(24, [](QPainter& p) {
             p.setBrush(Qt::NoBrush);
             for (int i = 0; i < 4; ++i) {
                 p.setPen(QPen(QColor(0x3A, 0x7C, 0xB4), 1.3, Qt::SolidLine, Qt::RoundCap));
                 const double r = 2.5 + i * 2.3;
                 p.drawArc(QRectF(10 - r, 11 - r, 2 * r, 2 * r), (20 + i * 8) * 16, (250 - i * 20) * 16);
             }
             p.setPen(QPen(QColor(0x2E, 0xA0, 0x4C), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
             p.drawPolyline(QPolygonF({QPointF(13.5, 17), QPointF(16.5, 20.5), QPointF(22, 13)}));
         }),
         "fp_compare.png");
    // File list glyphs.
    save(alphaIcon(16, [](QPainter& p) {
             p.setPen(QPen(QColor(0x2A, 0x44, 0x5E), 1));
             p.setBrush(QColor(0xE8, 0xEE, 0xF4));
             p.drawRect(QRectF(1.5, 2.5, 13, 11));
             p.setBrush(QColor(0x3A, 0x6E, 0xA6));
             p.drawRect(QRectF(1.5, 2.5, 13, 3));
             p.save();
             p.translate(6.2, 6.6);
             p.scale(0.36, 0.36);
             glyphGear(p, QColor(0x4A, 0x5A, 0x6A), QColor(0xE8, 0xEE, 0xF4));
             p.restore();
         }),
         "file_exe.png");
    save(alphaIcon(16, [](QPainter& p) {
             QPainterPath page;
             page.moveTo(3.5, 1.5);
             page.lineTo(10, 1.5);
             page.lineTo(13.5, 5);
             page.lineTo(13.5, 14.5);
             page.lineTo(3.5, 14.5);
             page.closeSubpath();
             p.setPen(QPen(QColor(0x5A, 0x6A, 0x7A), 1));
             p.setBrush(QColor(0xFA, 0xFB, 0xFC));
             p.drawPath(page);
             p.setBrush(QColor(0xD0, 0xD8, 0xE0));
             p.drawPolygon(QPolygonF({QPointF(10, 1.5), QPointF(10, 5), QPointF(13.5, 5)}));
             p.setPen(QPen(QColor(0x9A, 0xAA, 0xBA), 1));
             for (int y = 7; y <= 12; y += 2)
                 p.drawLine(QPointF(5.5, y + 0.5), QPointF(11.5, y + 0.5));
         }),
         "file_other.png");
    const auto folder = [](bool open) {
        return alphaIcon(16, [open](QPainter& p) {
            p.setPen(QPen(QColor(0x9A, 0x6E, 0x14), 1));
            p.setBrush(QColor(0xE8, 0xB8, 0x4A));
            p.drawRoundedRect(QRectF(1.5, 3.5, 6, 3), 1, 1);
            p.drawRect(QRectF(1.5, 5.5, 13, 8.5));
            if (open) {
                p.setBrush(QColor(0xF6, 0xD4, 0x7A));
                p.drawPolygon(QPolygonF({QPointF(3.5, 8), QPointF(15.5, 8), QPointF(13.5, 14), QPointF(1.5, 14)}));
            }
        });
    };
    save(folder(false), "folder_closed.png");
    save(folder(true), "folder_open.png");
    save(drawIcon(64 * g_scale), "app_icon.png");
    }
    // The desktop's icon sizes, once.
    g_scale = 1;
    for (int size : {48, 64, 128, 256}) {
        g_out = QStringLiteral("%1/%2x%2").arg(iconDir).arg(size);
        QDir().mkpath(g_out);
        save(drawIcon(size), "org.zerath.Zerath.png");
    }
    return 0;
}
