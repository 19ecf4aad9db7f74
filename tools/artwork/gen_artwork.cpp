// gen-artwork: draws every picture, the brand banner and the icons that Model
// Cross Reference ships in resources/.
//
//   gen-artwork OUTPUT_DIR
//
// Everything is drawn here with QPainter; the only external input are the
// DejaVu font files, loaded explicitly by path.  Output is byte-for-byte
// reproducible: no timestamps or text chunks, fixed resolutions and encoder
// settings, our own BMP and ICO writers, text rendered from unhinted glyph
// outlines so that no font configuration can change a pixel, and the
// libraries' processor-dependent code paths pinned (see pinCodePaths()).

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QRawFont>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <vector>

#include <unistd.h>

namespace {

// ---------------------------------------------------------------------------
// Small utilities

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "gen-artwork: %s\n", qPrintable(message));
    std::exit(1);
}

QColor mix(const QColor &a, const QColor &b, qreal t)
{
    const auto lerp = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

// f > 0 moves towards white, f < 0 towards black.
QColor shade(const QColor &c, qreal f)
{
    QColor target = f >= 0 ? QColor(255, 255, 255, c.alpha()) : QColor(0, 0, 0, c.alpha());
    return mix(c, target, std::abs(f));
}

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(alpha);
    return c;
}

// Resolution stored in every bitmap we write: 96 dpi.
constexpr int kDotsPerMeter = 3780;

// ---------------------------------------------------------------------------
// Fonts: loaded from fixed files, text turned into outlines.

const char *const kFontDir = "/usr/share/fonts/truetype/dejavu/";

struct Fonts {
    QRawFont serifBoldItalic;   // Brevikant
    QRawFont sansCondBold;      // Ostrum
    QRawFont sansBold;          // Tevra, Dunel
};

QRawFont loadFont(const QString &fileName)
{
    const QString path = QString::fromLatin1(kFontDir) + fileName;
    if (!QFileInfo::exists(path))
        fail(QStringLiteral("font file %1 is missing; install the Debian packages "
                            "fonts-dejavu-core and fonts-dejavu-extra").arg(path));
    if (QFontDatabase::addApplicationFont(path) < 0)
        fail(QStringLiteral("font file %1 could not be loaded").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read font file %1").arg(path));
    QRawFont raw(file.readAll(), 100.0, QFont::PreferNoHinting);
    if (!raw.isValid())
        fail(QStringLiteral("font file %1 is not a usable font").arg(path));
    return raw;
}

// Outline of `text` with its baseline at y = 0 and its pen start at x = 0.
// `tracking` adds space after every letter; `stretch` widens the letters.
QPainterPath textPath(const QRawFont &font, const QString &text, qreal pixelSize,
                      qreal tracking = 0.0, qreal stretch = 1.0)
{
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    const QList<QPointF> advances = font.advancesForGlyphIndexes(
        glyphs, QRawFont::KernedAdvances | QRawFont::UseDesignMetrics);
    const qreal k = pixelSize / font.pixelSize();
    QPainterPath out;
    out.setFillRule(Qt::WindingFill);
    qreal x = 0.0;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        QTransform t;
        t.translate(x, 0.0);
        t.scale(k * stretch, k);
        out.addPath(t.map(font.pathForGlyph(glyphs[i])));
        x += advances[i].x() * k * stretch + tracking;
    }
    return out;
}

// ---------------------------------------------------------------------------
// Raster helpers

QImage newCanvas(int w, int h, const QColor &fill = Qt::transparent)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    img.setDotsPerMeterX(kDotsPerMeter);
    img.setDotsPerMeterY(kDotsPerMeter);
    return img;
}

// One box-blur pass over a premultiplied image; three passes approximate a
// Gaussian.  Integer arithmetic only, pixels outside count as transparent.
void boxBlurPass(QImage &img, int r, bool horizontal)
{
    if (r <= 0)
        return;
    const int w = img.width(), h = img.height();
    const int len = horizontal ? w : h, lines = horizontal ? h : w;
    const int n = 2 * r + 1;
    std::vector<std::array<int, 4>> src(len), dst(len);
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < len; ++i) {
            const QRgb px = horizontal ? reinterpret_cast<const QRgb *>(img.constScanLine(l))[i]
                                       : reinterpret_cast<const QRgb *>(img.constScanLine(i))[l];
            src[i] = {qAlpha(px), qRed(px), qGreen(px), qBlue(px)};
        }
        std::array<int, 4> sum{0, 0, 0, 0};
        for (int i = -r; i <= r; ++i)
            if (i >= 0 && i < len)
                for (int c = 0; c < 4; ++c) sum[c] += src[i][c];
        for (int i = 0; i < len; ++i) {
            for (int c = 0; c < 4; ++c) dst[i][c] = (sum[c] + n / 2) / n;
            const int out = i - r, in = i + r + 1;
            for (int c = 0; c < 4; ++c) {
                if (out >= 0) sum[c] -= src[out][c];
                if (in < len) sum[c] += src[in][c];
            }
        }
        for (int i = 0; i < len; ++i) {
            const QRgb px = qRgba(dst[i][1], dst[i][2], dst[i][3], dst[i][0]);
            if (horizontal)
                reinterpret_cast<QRgb *>(img.scanLine(l))[i] = px;
            else
                reinterpret_cast<QRgb *>(img.scanLine(i))[l] = px;
        }
    }
}

void blur(QImage &img, qreal radius)
{
    const int r = std::max(0, int(std::lround(radius / 1.7)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurPass(img, r, true);
        boxBlurPass(img, r, false);
    }
}

// Drawing context for pictures: logical coordinates are scaled by `s` onto a
// device image of `dev` pixels.
struct Ctx {
    qreal s;
    QSize dev;
};

// Paints `shape` (logical coordinates) in `color`, blurred by `radius`
// logical pixels, underneath whatever is drawn next.
void softShadow(QPainter &p, const Ctx &c, const QPainterPath &shape, const QColor &color,
                qreal radius)
{
    QImage layer = newCanvas(c.dev.width(), c.dev.height());
    {
        QPainter lp(&layer);
        lp.setRenderHint(QPainter::Antialiasing);
        lp.setTransform(p.transform());
        lp.fillPath(shape, color);
    }
    blur(layer, radius * c.s);
    p.save();
    p.resetTransform();
    p.drawImage(0, 0, layer);
    p.restore();
}

QPainterPath polyPath(const QPolygonF &poly)
{
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    return path;
}

// ---------------------------------------------------------------------------
// Oblique boxes: a front face with a narrow side face to the right and the top
// face receding by (dx, dy).

struct Box {
    qreal x, y, w, h, dx, dy;

    qreal right() const { return x + w; }
    qreal bottom() const { return y + h; }
    QPolygonF front() const { return {QPointF(x, y), QPointF(x + w, y), QPointF(x + w, y + h), QPointF(x, y + h)}; }
    QPolygonF top() const
    {
        return {QPointF(x, y), QPointF(x + w, y), QPointF(x + w + dx, y + dy), QPointF(x + dx, y + dy)};
    }
    QPolygonF side() const
    {
        return {QPointF(x + w, y), QPointF(x + w + dx, y + dy), QPointF(x + w + dx, y + h + dy),
                QPointF(x + w, y + h)};
    }
    QPolygonF outline() const
    {
        return {QPointF(x, y + h), QPointF(x, y), QPointF(x + dx, y + dy), QPointF(x + w + dx, y + dy),
                QPointF(x + w + dx, y + h + dy), QPointF(x + w, y + h)};
    }
    // Footprint on the floor, for shadows.
    QPolygonF base() const
    {
        return {QPointF(x, y + h), QPointF(x + w, y + h), QPointF(x + w + dx, y + h + dy),
                QPointF(x + dx, y + h + dy)};
    }
    // Face coordinates: on the top face (u along the width, t from 0 at the
    // front edge to 1 at the back); on the side face (t along the depth, v down).
    QPointF onTop(qreal u, qreal t) const { return {x + u + t * dx, y + t * dy}; }
    QPointF onSide(qreal t, qreal v) const { return {x + w + t * dx, y + v + t * dy}; }
    QTransform topT() const { return QTransform(1, 0, dx, dy, x, y); }
    QTransform sideT() const { return QTransform(dx, dy, 0, 1, x + w, y); }
    // A box standing on this box's top face.
    Box onTopOf(qreal u, qreal t, qreal bw, qreal depth, qreal bh) const
    {
        const QPointF p = onTop(u, t);
        return {p.x(), p.y() - bh, bw, bh, depth * dx, depth * dy};
    }
};

struct BoxLook {
    bool top = true;
    bool side = true;
    bool outline = true;
    qreal sheen = 1.0;    // strength of the highlight along the front top edge
};

void drawBox(QPainter &p, const Box &b, const QColor &c, const BoxLook &look = {})
{
    p.save();
    p.setPen(Qt::NoPen);
    if (look.side && b.dx > 0) {
        QLinearGradient g(b.x + b.w, 0, b.x + b.w + b.dx, 0);
        g.setColorAt(0, shade(c, -0.17));
        g.setColorAt(1, shade(c, -0.27));
        p.setBrush(g);
        p.drawPolygon(b.side());
    }
    if (look.top && b.dy < 0) {
        QLinearGradient g(0, b.y, 0, b.y + b.dy);
        g.setColorAt(0, shade(c, 0.34));
        g.setColorAt(1, shade(c, 0.14));
        p.setBrush(g);
        p.drawPolygon(b.top());
    }
    QLinearGradient g(0, b.y, 0, b.y + b.h);
    g.setColorAt(0, shade(c, 0.14));
    g.setColorAt(std::min(0.3, 2.5 / std::max(1.0, b.h)), shade(c, 0.04));
    g.setColorAt(1, shade(c, -0.08));
    p.setBrush(g);
    p.drawPolygon(b.front());
    if (look.sheen > 0) {
        p.setPen(QPen(QColor(255, 255, 255, int(170 * look.sheen)), 0.5));
        p.drawLine(QPointF(b.x + 0.3, b.y + 0.3), QPointF(b.x + b.w - 0.2, b.y + 0.3));
        if (look.side && b.dx > 0) {
            p.setPen(QPen(QColor(255, 255, 255, int(90 * look.sheen)), 0.4));
            p.drawLine(QPointF(b.x + b.w, b.y + 0.4), QPointF(b.x + b.w, b.y + b.h - 0.3));
        }
    }
    if (look.outline) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(withAlpha(shade(c, -0.55), 150), 0.35, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolygon(look.top ? b.outline() : b.front());
    }
    p.restore();
}

// A horizontal panel seam across the front at height y, continued on the side.
void seamH(QPainter &p, const Box &b, qreal y, qreal x0, qreal x1, bool onSide = true)
{
    p.save();
    p.setPen(QPen(QColor(0, 0, 0, 80), 0.45));
    p.drawLine(QPointF(x0, y), QPointF(x1, y));
    if (onSide && b.dx > 0)
        p.drawLine(b.onSide(0, y - b.y), b.onSide(1, y - b.y));
    p.setPen(QPen(QColor(255, 255, 255, 150), 0.4));
    p.drawLine(QPointF(x0, y + 0.45), QPointF(x1, y + 0.45));
    p.restore();
}

void seamV(QPainter &p, qreal x, qreal y0, qreal y1)
{
    p.save();
    p.setPen(QPen(QColor(0, 0, 0, 75), 0.45));
    p.drawLine(QPointF(x, y0), QPointF(x, y1));
    p.setPen(QPen(QColor(255, 255, 255, 120), 0.4));
    p.drawLine(QPointF(x + 0.45, y0), QPointF(x + 0.45, y1));
    p.restore();
}

// A recessed grip across a drawer or door.
void handle(QPainter &p, const QRectF &r)
{
    p.save();
    p.setPen(Qt::NoPen);
    QLinearGradient g(0, r.top(), 0, r.bottom());
    g.setColorAt(0, QColor(40, 44, 50));
    g.setColorAt(1, QColor(95, 101, 110));
    p.setBrush(g);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    p.setPen(QPen(QColor(255, 255, 255, 170), 0.35));
    p.drawLine(QPointF(r.left() + r.height() / 2, r.bottom() + 0.25),
               QPointF(r.right() - r.height() / 2, r.bottom() + 0.25));
    p.restore();
}

// A drawer front between y0 and y1 of a box: own panel shading, seam, grip and
// a little paper-level window.
void drawer(QPainter &p, const Box &b, qreal y0, qreal y1, const QColor &c, qreal gripWidth,
            bool gauge = true)
{
    p.save();
    p.setPen(Qt::NoPen);
    QLinearGradient g(0, y0, 0, y1);
    g.setColorAt(0, shade(c, 0.16));
    g.setColorAt(0.35, shade(c, 0.04));
    g.setColorAt(1, shade(c, -0.07));
    p.setBrush(g);
    p.drawRect(QRectF(b.x + 0.2, y0, b.w - 0.4, y1 - y0));
    p.restore();
    seamH(p, b, y0, b.x, b.x + b.w);
    const qreal gh = std::clamp((y1 - y0) * 0.22, 0.9, 1.6);
    handle(p, QRectF(b.x + b.w / 2 - gripWidth / 2, y0 + 1.0, gripWidth, gh));
    if (gauge && y1 - y0 > 4) {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(70, 74, 82));
        const QRectF r(b.x + 2.2, y0 + 1.0, 3.2, 1.3);
        p.drawRect(r);
        p.setBrush(QColor(250, 160, 40));
        p.drawRect(QRectF(r.left() + 0.3, r.top() + 0.3, 1.8, r.height() - 0.6));
        p.restore();
    }
}

void caster(QPainter &p, QPointF c, qreal r)
{
    p.save();
    p.setPen(Qt::NoPen);
    QRadialGradient g(c.x() - r * 0.3, c.y() - r * 0.4, r * 1.4);
    g.setColorAt(0, QColor(120, 124, 130));
    g.setColorAt(1, QColor(25, 27, 30));
    p.setBrush(g);
    p.drawEllipse(c, r, r * 0.85);
    p.restore();
}

void button(QPainter &p, QPointF c, qreal r, const QColor &col)
{
    p.save();
    p.setPen(Qt::NoPen);
    QRadialGradient g(c.x() - r * 0.35, c.y() - r * 0.4, r * 1.6);
    g.setColorAt(0, shade(col, 0.55));
    g.setColorAt(0.5, col);
    g.setColorAt(1, shade(col, -0.45));
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.restore();
}

// A small backlit display with a dark bezel.
void display(QPainter &p, const QRectF &r, const QColor &glow, bool colourful = false)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(28, 31, 36));
    p.drawRoundedRect(r.adjusted(-0.45, -0.45, 0.45, 0.45), 0.6, 0.6);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, shade(glow, 0.45));
    g.setColorAt(1, shade(glow, -0.25));
    p.setBrush(g);
    p.drawRect(r);
    if (colourful) {
        // Tiles of a touch screen's home page.
        const std::array<QColor, 4> tiles{QColor(0, 160, 225), QColor(230, 0, 126), QColor(255, 205, 0),
                                          QColor(90, 200, 90)};
        const qreal tw = r.width() / 4.0;
        for (int i = 0; i < 4; ++i) {
            p.setBrush(tiles[i]);
            p.drawRect(QRectF(r.left() + i * tw + tw * 0.15, r.top() + r.height() * 0.35, tw * 0.7,
                              r.height() * 0.45));
        }
    }
    p.setBrush(QColor(255, 255, 255, 70));
    QPolygonF glare{r.topLeft(), QPointF(r.left() + r.width() * 0.55, r.top()),
                    QPointF(r.left() + r.width() * 0.3, r.bottom()), r.bottomLeft()};
    p.drawPolygon(glare);
    p.restore();
}

// A sheet or a stack of paper lying on the top face of `on`.
void paperOn(QPainter &p, const Box &on, qreal u, qreal t, qreal w, qreal depth, qreal thickness,
             const QColor &tint = QColor(252, 252, 250))
{
    Box stack = on.onTopOf(u, t, w, depth, thickness);
    drawBox(p, stack, tint, BoxLook{true, true, false, 0.0});
    p.save();
    p.setPen(QPen(QColor(120, 125, 130, 150), 0.3));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(stack.outline());
    if (thickness > 1.6) {
        p.setPen(QPen(QColor(150, 155, 160, 120), 0.25));
        for (qreal yy = stack.y + 0.8; yy < stack.bottom() - 0.4; yy += 0.8)
            p.drawLine(QPointF(stack.x + 0.2, yy), QPointF(stack.right() - 0.2, yy));
    }
    p.restore();
}

// White background ruled with a light grey grid, drawn in device pixels.
void background(QPainter &p, const Ctx &c)
{
    p.save();
    p.resetTransform();
    p.fillRect(QRect(QPoint(0, 0), c.dev), Qt::white);
    const QColor line(226, 230, 236);
    const int step = int(8 * c.s);
    for (int x = int(5 * c.s); x < c.dev.width(); x += step)
        p.fillRect(QRect(x, 0, 1, c.dev.height()), line);
    for (int y = int(4 * c.s); y < c.dev.height(); y += step)
        p.fillRect(QRect(0, y, c.dev.width(), 1), line);
    p.restore();
}

void floorShadow(QPainter &p, const Ctx &c, const Box &b, qreal spread = 1.5)
{
    QPolygonF f = b.base();
    QPainterPath wide;
    wide.addPolygon(QPolygonF{f[0] + QPointF(-spread, 0.8), f[1] + QPointF(spread + 2, 0.8),
                              f[2] + QPointF(spread + 3, -0.5), f[3] + QPointF(-spread, -0.5)});
    wide.closeSubpath();
    softShadow(p, c, wide, QColor(20, 25, 35, 70), 3.0);
    QPainterPath contact;
    contact.addPolygon(QPolygonF{f[0] + QPointF(-0.5, 0.4), f[1] + QPointF(0.8, 0.4), f[2] + QPointF(0.8, 0),
                                 f[3] + QPointF(-0.5, 0)});
    contact.closeSubpath();
    softShadow(p, c, contact, QColor(10, 12, 18, 120), 1.0);
}

// ---------------------------------------------------------------------------
// Shared parts of the copiers

const QColor kWarmWhite(238, 237, 232);
const QColor kCoolGrey(224, 227, 231);
const QColor kGraphite(66, 71, 79);
const QColor kPlinth(78, 82, 90);

struct CopierLook {
    qreal x, w;
    qreal floorY = 60;
    qreal dx = 10, dy = -6;
    QColor body = kWarmWhite;
    QColor upper = kWarmWhite;      // scanner and document feeder
    QColor feeder = kWarmWhite;
    int engineDrawers = 2;
    int cabinetDrawers = 2;
    bool touchPanel = false;
    bool colourAccents = false;
};

// Tilted operation panel in front of the scanner unit, right half.
void operationPanel(QPainter &p, const Box &scanner, bool touch, bool colour)
{
    const qreal x0 = scanner.x + scanner.w * (touch ? 0.50 : 0.56);
    const qreal x1 = scanner.right() + 0.8;
    const qreal yTop = scanner.y + scanner.h * 0.35, yBot = scanner.bottom() + 2.2;
    QPolygonF face{QPointF(x0 + 1.2, yTop), QPointF(x1 - 0.4, yTop), QPointF(x1, yBot), QPointF(x0, yBot)};
    QPolygonF lip{QPointF(x0, yBot), QPointF(x1, yBot), QPointF(x1, yBot + 0.9), QPointF(x0, yBot + 0.9)};
    p.save();
    p.setPen(Qt::NoPen);
    QLinearGradient g(0, yTop, 0, yBot);
    g.setColorAt(0, QColor(96, 102, 112));
    g.setColorAt(1, QColor(52, 56, 63));
    p.setBrush(g);
    p.drawPolygon(face);
    p.setBrush(QColor(38, 41, 46));
    p.drawPolygon(lip);
    p.setPen(QPen(QColor(255, 255, 255, 110), 0.35));
    p.drawLine(face[0], face[1]);
    p.restore();
    const qreal h = yBot - yTop;
    if (touch) {
        display(p, QRectF(x0 + 2.0, yTop + h * 0.22, (x1 - x0) * 0.52, h * 0.58),
                colour ? QColor(70, 140, 210) : QColor(90, 170, 200), colour);
        for (int i = 0; i < 3; ++i)
            button(p, QPointF(x0 + (x1 - x0) * 0.70 + i * 1.6, yTop + h * 0.38), 0.55, QColor(200, 205, 212));
        button(p, QPointF(x1 - 2.2, yTop + h * 0.70), 0.95, QColor(40, 190, 90));
    } else {
        display(p, QRectF(x0 + 2.0, yTop + h * 0.25, (x1 - x0) * 0.36, h * 0.5), QColor(120, 200, 170));
        for (int r = 0; r < 2; ++r)
            for (int i = 0; i < 3; ++i)
                button(p, QPointF(x0 + (x1 - x0) * 0.55 + i * 1.5, yTop + h * (0.35 + r * 0.32)), 0.45,
                       QColor(210, 214, 220));
        button(p, QPointF(x1 - 2.0, yTop + h * 0.55), 0.9, QColor(40, 190, 90));
    }
}

// Floor-standing copier: paper cabinet, engine with drawers, inner output
// tray, scanner, document feeder and operation panel.
void drawCopier(QPainter &p, const Ctx &c, const CopierLook &L)
{
    const qreal X = L.x, W = L.w, dx = L.dx, dy = L.dy;
    const qreal fy = L.floorY;
    Box plinth{X + 1.2, fy - 3.2, W - 2.4, 2.4, dx, dy};
    Box cabinet{X, fy - 16.5, W, 13.6, dx, dy};
    Box engine{X, fy - 37.0, W, 20.5, dx, dy};
    const qreal gap = 5.6;   // inner output space between engine and scanner
    Box scanner{X, engine.y - gap - 5.4, W, 5.4, dx, dy};
    Box feeder{X + 1.6, scanner.y - 4.6, W - 4.5, 4.6, dx * 0.9, dy * 0.9};

    floorShadow(p, c, Box{X, feeder.y, W, fy - feeder.y, dx, dy});
    // Casters and plinth.
    caster(p, QPointF(plinth.right() + dx - 1.6, fy + dy + 0.2), 1.0);
    drawBox(p, plinth, kPlinth, BoxLook{true, true, false, 0.0});
    caster(p, QPointF(X + 3.0, fy - 0.6), 1.15);
    caster(p, QPointF(X + W - 3.0, fy - 0.6), 1.15);

    // Paper cabinet.
    drawBox(p, cabinet, L.body);
    {
        const qreal step = cabinet.h / L.cabinetDrawers;
        for (int i = 0; i < L.cabinetDrawers; ++i)
            drawer(p, cabinet, cabinet.y + i * step, cabinet.y + (i + 1) * step, L.body, W * 0.3);
    }
    // Engine: front cover on top, drawers below.
    drawBox(p, engine, L.body);
    const qreal coverH = engine.h - L.engineDrawers * 6.0;
    for (int i = 0; i < L.engineDrawers; ++i)
        drawer(p, engine, engine.y + coverH + i * 6.0, engine.y + coverH + (i + 1) * 6.0, L.body, W * 0.3);
    seamV(p, X + W * 0.62, engine.y + 1.5, engine.y + coverH - 0.3);
    handle(p, QRectF(X + W * 0.62 - 4.5, engine.y + coverH - 2.4, 3.6, 1.1));
    if (L.colourAccents) {
        // Toner colours marked on the front cover.
        const std::array<QColor, 4> cmyk{QColor(0, 158, 224), QColor(226, 0, 122), QColor(255, 214, 0),
                                         QColor(35, 31, 32)};
        for (int i = 0; i < 4; ++i) {
            p.save();
            p.setPen(Qt::NoPen);
            p.setBrush(cmyk[i]);
            p.drawRoundedRect(QRectF(X + 3.0 + i * 3.4, engine.y + 2.2, 2.6, 2.2), 0.5, 0.5);
            p.restore();
        }
    } else {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 90, 170));
        p.drawRect(QRectF(X + 3.0, engine.y + 2.6, 6.5, 1.0));
        p.restore();
    }

    // Shadowed floor of the inner output space with a printed sheet.
    p.save();
    p.setPen(Qt::NoPen);
    QLinearGradient g(0, engine.y, 0, engine.y - gap);
    g.setColorAt(0, shade(L.body, -0.30));
    g.setColorAt(1, shade(L.body, -0.62));
    p.setBrush(g);
    p.drawPolygon(engine.top());
    p.restore();
    paperOn(p, engine, 3.5, 0.15, W * 0.42, 0.75, 0.7, QColor(240, 240, 238));
    // Pillar carrying the scanner on the right.
    Box pillar{X + W - 11.0, engine.y - gap, 11.0, gap, dx, dy};
    drawBox(p, pillar, L.upper, BoxLook{false, true, true, 0.5});
    drawBox(p, scanner, L.upper);
    seamH(p, scanner, scanner.bottom() - 1.3, X, X + W);
    drawBox(p, feeder, L.feeder);
    seamH(p, feeder, feeder.y + feeder.h * 0.55, feeder.x, feeder.right());
    // Originals waiting in the feeder tray.
    paperOn(p, feeder, 4.0, 0.18, feeder.w * 0.55, 0.7, 0.9);
    operationPanel(p, scanner, L.touchPanel, L.colourAccents);
}

// Finisher standing to the left of a copier, with output trays sticking out
// of its left side.
void drawFinisher(QPainter &p, const Ctx &c, qreal x, qreal w, qreal topY, const CopierLook &L,
                  bool colourPrints)
{
    const qreal fy = L.floorY;
    Box fin{x, topY, w, fy - 2.0 - topY, L.dx, L.dy};
    floorShadow(p, c, Box{x - 10, topY, w + 10, fy - topY, L.dx, L.dy}, 1.0);
    caster(p, QPointF(x + 2.5, fy - 0.8), 1.05);
    drawBox(p, Box{x + 1, fy - 3.0, w - 1, 2.0, L.dx, L.dy}, kPlinth, BoxLook{true, false, false, 0});
    drawBox(p, fin, L.upper);
    seamV(p, x + w * 0.5, topY + 7, fy - 4);
    handle(p, QRectF(x + w * 0.5 - 3.3, topY + 16, 2.4, 1.0));
    seamH(p, fin, topY + 5.5, x, x + w, false);
    // Output trays: slanted plates with stacks of prints.
    const auto tray = [&](qreal y, qreal length, qreal stack, bool colour) {
        p.save();
        QTransform tilt;
        tilt.translate(x, y);
        tilt.shear(0, 0.16);
        tilt.translate(-x, -y);
        p.setTransform(tilt, true);
        Box plate{x - length, y, length, 1.0, L.dx * 0.8, L.dy * 0.8};
        plate.x += L.dx * 0.1;
        plate.y += L.dy * 0.1;
        drawBox(p, plate, QColor(92, 98, 107), BoxLook{true, false, true, 0.3});
        // End fence.
        drawBox(p, Box{plate.x, plate.y - 2.0, 0.9, 2.0, plate.dx, plate.dy}, QColor(110, 116, 125),
                BoxLook{true, true, false, 0.3});
        if (stack > 0) {
            paperOn(p, plate, 1.6, 0.1, length - 2.4, 0.8, stack);
            if (colour) {
                Box sheet = plate.onTopOf(1.6, 0.1, length - 2.4, 0.8, stack);
                p.save();
                p.setTransform(sheet.topT(), true);
                p.setPen(Qt::NoPen);
                const qreal sw = sheet.w;
                QLinearGradient sky(0, 0.9, 0, 0.45);
                sky.setColorAt(0, QColor(60, 150, 230));
                sky.setColorAt(1, QColor(150, 210, 250));
                p.setBrush(sky);
                p.drawRect(QRectF(sw * 0.12, 0.45, sw * 0.76, 0.45));
                p.setBrush(QColor(60, 170, 70));
                p.drawRect(QRectF(sw * 0.12, 0.12, sw * 0.76, 0.33));
                p.setBrush(QColor(235, 40, 60));
                p.drawEllipse(QPointF(sw * 0.62, 0.55), sw * 0.1, 0.13);
                p.restore();
            }
        }
        p.restore();
    };
    tray(topY + 9.0, 10.5, 1.6, colourPrints);
    tray(topY + 22.0, 10.5, 2.6, colourPrints);
    // Top delivery tray on the finisher itself.
    paperOn(p, fin, 1.5, 0.2, w * 0.6, 0.6, 0.8);
}

// ---------------------------------------------------------------------------
// The eight pictures

void pictureCopier(QPainter &p, const Ctx &c)
{
    CopierLook L{23, 50};
    L.body = kWarmWhite;
    L.upper = kWarmWhite;
    L.feeder = QColor(214, 216, 214);
    drawCopier(p, c, L);
}

void pictureDigitalCopierFinisher(QPainter &p, const Ctx &c)
{
    p.translate(3, 0);
    CopierLook L{34, 46};
    L.body = kCoolGrey;
    L.upper = QColor(110, 116, 125);
    L.feeder = kGraphite;
    L.touchPanel = true;
    L.cabinetDrawers = 1;
    drawFinisher(p, c, 18.0, 16.5, 14.0, L, false);
    drawCopier(p, c, L);
}

void pictureColourCopierFinisher(QPainter &p, const Ctx &c)
{
    p.translate(3, 0);
    CopierLook L{34, 46};
    L.body = QColor(245, 245, 243);
    L.upper = QColor(245, 245, 243);
    L.feeder = QColor(228, 229, 230);
    L.touchPanel = true;
    L.colourAccents = true;
    L.cabinetDrawers = 2;
    drawFinisher(p, c, 18.0, 16.5, 14.0, L, true);
    drawCopier(p, c, L);
}

void pictureFax(QPainter &p, const Ctx &c)
{
    const qreal X = 17, W = 62, dx = 14, dy = -16;
    Box body{X, 40, W, 12, dx, dy};
    floorShadow(p, c, Box{X, 22, W, 30, dx, dy}, 1.5);
    const QColor bodyCol(234, 232, 226);
    drawBox(p, body, bodyCol);
    seamH(p, body, body.y + 2.6, X, X + W);
    // Raised document holder across the back.
    const Box hump = body.onTopOf(15, 0.62, W - 15, 0.38, 3.2);
    // Originals standing in the feed slot of the holder.
    for (int i = 0; i < 3; ++i) {
        const QPointF a = hump.onTop(8 + i * 0.7, 0.35 + i * 0.1);
        const QPointF b = hump.onTop(36 + i * 0.7, 0.35 + i * 0.1);
        const QPointF up(4.0, -15.5);
        QPolygonF sheet{a, b, b + up, a + up};
        p.save();
        p.setPen(QPen(QColor(140, 140, 140, 170), 0.3));
        p.setBrush(shade(QColor(252, 252, 250), -0.04 * (2 - i)));
        p.drawPolygon(sheet);
        if (i == 2) {
            p.setPen(QPen(QColor(110, 115, 125, 150), 0.4));
            for (int l = 0; l < 5; ++l) {
                const QPointF s = a + up * (0.25 + l * 0.13) + QPointF(3, 0);
                p.drawLine(s, s + QPointF((b.x() - a.x()) * (l % 2 ? 0.5 : 0.75), 0));
            }
        }
        p.restore();
    }
    drawBox(p, hump, shade(bodyCol, -0.06));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 43, 48));
    p.drawPolygon(QPolygonF{hump.onTop(7, 0.3), hump.onTop(38, 0.3), hump.onTop(38, 0.45), hump.onTop(7, 0.45)});
    p.restore();

    const QTransform top = body.topT();
    // Handset on the left, resting in its cradle.
    {
        QPainterPath hs;
        // Shape in top-face units: u across, t from the front (0) to the back (1).
        hs.moveTo(2.5, 0.10);
        hs.cubicTo(2.5, 0.0, 12.5, 0.0, 12.5, 0.10);
        hs.lineTo(12.2, 0.28);
        hs.cubicTo(11.0, 0.32, 10.2, 0.36, 10.0, 0.42);
        hs.lineTo(10.0, 0.60);
        hs.cubicTo(10.2, 0.66, 11.0, 0.68, 12.2, 0.72);
        hs.lineTo(12.5, 0.90);
        hs.cubicTo(12.5, 1.0, 2.5, 1.0, 2.5, 0.90);
        hs.lineTo(2.8, 0.72);
        hs.cubicTo(4.0, 0.68, 4.8, 0.66, 5.0, 0.60);
        hs.lineTo(5.0, 0.42);
        hs.cubicTo(4.8, 0.36, 4.0, 0.32, 2.8, 0.28);
        hs.closeSubpath();
        const QPainterPath onBody = top.map(hs);
        QPainterPath cradle;
        cradle.addRect(QRectF(1.5, 0.03, 12, 0.94));
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(186, 184, 178));
        p.drawPath(top.map(cradle));
        p.setBrush(QColor(18, 20, 24));
        p.drawPath(onBody.translated(0.2, 1.8));
        QLinearGradient g(X, 0, X + 20, 0);
        g.setColorAt(0, QColor(110, 115, 124));
        g.setColorAt(1, QColor(40, 44, 50));
        p.setBrush(g);
        p.drawPath(onBody);
        p.setPen(QPen(QColor(255, 255, 255, 100), 0.35));
        p.setBrush(Qt::NoBrush);
        p.drawPath(onBody);
        p.restore();
        // Coiled cord down the left side.
        p.save();
        p.setPen(QPen(QColor(40, 43, 48), 0.55));
        QPainterPath cord;
        const QPointF start = body.onTop(2.5, 0.12) + QPointF(0, 1.6);
        cord.moveTo(start);
        for (int i = 0; i < 7; ++i) {
            const qreal yy = start.y() + 0.6 + i * 0.95;
            cord.quadTo(QPointF(X - 2.4, yy), QPointF(X - 0.5, yy + 0.5));
        }
        p.drawPath(cord);
        p.restore();
    }
    // Operation panel: one-touch keys, display, keypad and start key.
    {
        p.save();
        p.setTransform(top, true);
        p.setPen(Qt::NoPen);
        p.setBrush(shade(bodyCol, -0.12));
        p.drawRect(QRectF(16, 0.06, W - 18, 0.52));
        for (int r = 0; r < 3; ++r)
            for (int i = 0; i < 5; ++i) {
                p.setBrush(QColor(110, 116, 126));
                p.drawRect(QRectF(17.5 + i * 3.3, 0.12 + r * 0.14, 2.4, 0.09));
            }
        for (int r = 0; r < 4; ++r)
            for (int i = 0; i < 3; ++i) {
                const QRectF key(37.5 + i * 3.7, 0.1 + r * 0.11, 2.9, 0.08);
                p.setBrush(QColor(70, 74, 82));
                p.drawRect(key.translated(0, -0.025));
                p.setBrush(QColor(252, 252, 252));
                p.drawRect(key);
            }
        p.setBrush(QColor(30, 180, 85));
        p.drawRect(QRectF(50.5, 0.1, 5.5, 0.2));
        p.setBrush(QColor(230, 70, 60));
        p.drawRect(QRectF(50.5, 0.36, 5.5, 0.12));
        p.restore();
        const QPointF d0 = body.onTop(38, 0.56);
        display(p, QRectF(d0.x(), d0.y() - 2.4, 17, 2.6), QColor(150, 205, 120));
    }
    // Received fax coming out of the front slot onto the desk.
    {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(35, 38, 43));
        p.drawRect(QRectF(X + 17, body.y + 5.2, 28, 1.3));
        QPolygonF sheet{QPointF(X + 18, body.y + 6.2), QPointF(X + 44, body.y + 6.2), QPointF(X + 40.5, 59.5),
                        QPointF(X + 14.5, 59.5)};
        QLinearGradient g(0, body.y + 6, 0, 59.5);
        g.setColorAt(0, QColor(225, 225, 222));
        g.setColorAt(0.3, QColor(252, 252, 250));
        g.setColorAt(1, QColor(246, 246, 244));
        p.setBrush(g);
        p.setPen(QPen(QColor(150, 150, 150, 170), 0.3));
        p.drawPolygon(sheet);
        p.setPen(QPen(QColor(110, 115, 125, 160), 0.4));
        for (int i = 0; i < 4; ++i) {
            const qreal yy = body.y + 9.5 + i * 2.2;
            const qreal sh = (yy - body.y - 6.2) / (59.5 - body.y - 6.2) * 3.5;
            p.drawLine(QPointF(X + 21 - sh, yy), QPointF(X + (i % 2 ? 32 : 39) - sh, yy));
        }
        p.restore();
    }
}

void pictureFloorPrinter(QPainter &p, const Ctx &c)
{
    p.translate(-3, 0);
    const qreal dx = 11, dy = -8, fy = 60;
    Box base{32, 35, 40, 22, dx, dy};
    Box unit{32, 12, 40, 23, dx, dy};
    floorShadow(p, c, Box{32, 12, 40, fy - 12, dx, dy});
    caster(p, QPointF(base.right() + dx - 1.6, fy + dy - 0.3), 1.0);
    drawBox(p, Box{33, fy - 3.2, 38, 2.4, dx, dy}, kPlinth, BoxLook{true, true, false, 0});
    caster(p, QPointF(35, fy - 0.6), 1.15);
    caster(p, QPointF(69, fy - 0.6), 1.15);
    const QColor baseCol(226, 228, 231);
    drawBox(p, base, baseCol);
    for (int i = 0; i < 3; ++i)
        drawer(p, base, base.y + i * base.h / 3, base.y + (i + 1) * base.h / 3, baseCol, 13);
    // The print engine in graphite: front door, main paper tray below it.
    const QColor unitCol(78, 83, 92);
    drawBox(p, unit, unitCol);
    seamV(p, unit.x + 27, unit.y + 5.6, unit.y + 16.0);
    seamH(p, unit, unit.y + 5.2, unit.x, unit.right());
    handle(p, QRectF(unit.x + 23.0, unit.y + 13.8, 3.0, 1.1));
    // Accent stripe along the door.
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 150, 210));
    p.drawRect(QRectF(unit.x + 3, unit.y + 14.2, 14, 0.7));
    p.restore();
    drawer(p, unit, unit.y + 16.5, unit.bottom(), baseCol, 12, true);
    // Output bin sunk into the top, with a printed page lying in it.
    {
        p.save();
        p.setTransform(unit.topT(), true);
        p.setPen(Qt::NoPen);
        QLinearGradient g(0, 0.12, 0, 0.86);
        g.setColorAt(0, QColor(60, 64, 71));
        g.setColorAt(1, QColor(28, 30, 34));
        p.setBrush(g);
        p.drawRect(QRectF(3.0, 0.14, unit.w - 6.0, 0.72));
        p.setBrush(QColor(30, 33, 38));
        p.drawRect(QRectF(3.0, 0.80, unit.w - 6.0, 0.06));
        p.restore();
        const Box page = unit.onTopOf(6.5, 0.18, unit.w - 13.0, 0.62, 0.5);
        drawBox(p, page, QColor(252, 252, 250), BoxLook{true, false, false, 0});
        p.save();
        p.setTransform(page.topT(), true);
        p.setPen(QPen(QColor(90, 95, 105, 170), 0.28));
        for (int i = 0; i < 5; ++i) {
            const qreal t = 0.2 + i * 0.15;
            p.drawLine(QPointF(2.5, t), QPointF(page.w - (i % 2 ? 10 : 3), t));
        }
        p.restore();
    }
    // Small display and keys at the top of the door.
    display(p, QRectF(unit.x + 19, unit.y + 1.3, 10, 2.6), QColor(90, 175, 225));
    button(p, QPointF(unit.x + 32.0, unit.y + 2.6), 0.6, QColor(200, 205, 212));
    button(p, QPointF(unit.x + 34.2, unit.y + 2.6), 0.6, QColor(200, 205, 212));
    button(p, QPointF(unit.x + 37.0, unit.y + 2.6), 0.85, QColor(40, 190, 90));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(190, 196, 204));
    p.drawRect(QRectF(unit.x + 3, unit.y + 2.1, 8, 0.9));
    p.restore();
}

void pictureDuplicator(QPainter &p, const Ctx &c)
{
    const qreal dx = 10, dy = -6, fy = 60;
    Box stand{33, 40, 42, 17.5, dx, dy};
    Box body{30, 20, 48, 20, dx, dy};
    Box lid{30.5, 16.5, 47, 3.5, dx * 0.95, dy * 0.95};
    floorShadow(p, c, Box{8, 16, 92, fy - 16, dx, dy}, 0.5);
    // Receiving tray on the left, rising towards its end fence.
    {
        p.save();
        QTransform tilt;
        tilt.translate(body.x, 34);
        tilt.shear(0, 0.22);
        tilt.translate(-body.x, -34);
        p.setTransform(tilt, true);
        Box plate{body.x - 21, 34, 21, 0.9, dx * 0.8, dy * 0.8};
        plate.x += dx * 0.1;
        plate.y += dy * 0.1;
        drawBox(p, plate, QColor(96, 102, 112), BoxLook{true, false, true, 0.3});
        // Side wing at the back and end fence.
        drawBox(p, Box{plate.x, plate.y - 3.2, 1.0, 3.2, plate.dx, plate.dy}, QColor(120, 126, 135),
                BoxLook{true, true, true, 0.4});
        paperOn(p, plate, 2.0, 0.12, 15.5, 0.76, 3.0);
        p.restore();
    }
    drawBox(p, Box{34, fy - 3.0, 40, 2.2, dx, dy}, kPlinth, BoxLook{true, true, false, 0});
    caster(p, QPointF(36, fy - 0.6), 1.1);
    caster(p, QPointF(72, fy - 0.6), 1.1);
    const QColor standCol(212, 215, 220);
    drawBox(p, stand, standCol);
    seamV(p, stand.x + stand.w / 2, stand.y + 1.2, stand.bottom() - 0.6);
    handle(p, QRectF(stand.x + stand.w / 2 - 2.8, stand.y + 4, 1.0, 3.5));
    handle(p, QRectF(stand.x + stand.w / 2 + 1.8, stand.y + 4, 1.0, 3.5));
    const QColor bodyCol(236, 237, 238);
    drawBox(p, body, bodyCol);
    // Drum door with a coloured ink mark.
    seamV(p, body.x + 14, body.y + 2.0, body.bottom() - 0.8);
    seamV(p, body.x + 36, body.y + 2.0, body.bottom() - 0.8);
    seamH(p, body, body.y + 2.0, body.x, body.right());
    handle(p, QRectF(body.x + 23, body.y + 5, 4.5, 1.1));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 90, 190));
    p.drawRect(QRectF(body.x + 16, body.bottom() - 4.5, 18, 1.4));
    p.restore();
    drawBox(p, lid, QColor(104, 112, 124));
    // Control panel on the front right of the lid.
    display(p, QRectF(body.x + 37, body.y + 3.5, 7.0, 2.6), QColor(120, 200, 170));
    for (int i = 0; i < 3; ++i)
        button(p, QPointF(body.x + 38 + i * 2.2, body.y + 8.0), 0.55, QColor(205, 210, 216));
    button(p, QPointF(body.x + 44.5, body.y + 8.2), 0.9, QColor(40, 190, 90));
    // Paper feed tray on the right, with a thick stack of blank paper.
    {
        Box plate{body.right() + dx * 0.1, 34, 21, 1.0, dx * 0.8, dy * 0.8};
        plate.y += dy * 0.1;
        drawBox(p, plate, QColor(96, 102, 112), BoxLook{true, true, true, 0.3});
        // Back side guide, then the paper standing against it.
        const Box guideBack = plate.onTopOf(1.0, 0.88, 16.5, 0.06, 4.0);
        drawBox(p, guideBack, QColor(70, 76, 86), BoxLook{true, true, false, 0.3});
        paperOn(p, plate, 1.5, 0.1, 15.0, 0.76, 5.0);
        // Front side guide: a low fence in front of the stack.
        const Box guideFront = plate.onTopOf(1.0, 0.02, 16.5, 0.05, 1.2);
        drawBox(p, guideFront, QColor(70, 76, 86), BoxLook{true, true, false, 0.3});
    }
}

void pictureScanner(QPainter &p, const Ctx &c)
{
    const qreal dx = 14, dy = -12;
    Box body{14, 44, 67, 14, dx, dy};
    floorShadow(p, c, Box{14, 20, 67, 38, dx, dy}, 1.5);
    const QColor bodyCol(76, 81, 90);
    drawBox(p, body, bodyCol);
    // Lid: the top face gets a lighter, brushed metal finish.
    {
        p.save();
        p.setPen(Qt::NoPen);
        QLinearGradient g(body.onTop(0, 0), body.onTop(body.w, 1));
        g.setColorAt(0, QColor(214, 218, 224));
        g.setColorAt(1, QColor(170, 176, 186));
        p.setBrush(g);
        QPolygonF lid{body.onTop(0.6, 0.04), body.onTop(body.w - 0.6, 0.04), body.onTop(body.w - 0.6, 0.97),
                      body.onTop(0.6, 0.97)};
        p.drawPolygon(lid);
        p.setPen(QPen(QColor(255, 255, 255, 180), 0.4));
        p.drawLine(lid[0], lid[1]);
        p.restore();
    }
    seamH(p, body, body.y + 3.0, body.x, body.right());
    // Front controls.
    display(p, QRectF(body.right() - 20, body.y + 5.5, 8.5, 3.2), QColor(110, 190, 235));
    button(p, QPointF(body.right() - 8.5, body.y + 7.1), 0.8, QColor(200, 205, 212));
    button(p, QPointF(body.right() - 4.5, body.y + 7.1), 1.3, QColor(40, 130, 230));
    button(p, QPointF(body.x + 4, body.y + 7.1), 0.55, QColor(60, 220, 110));
    // Document feeder across the back of the lid.
    const Box adf = body.onTopOf(6, 0.46, 47, 0.52, 7.5);
    // Output tray on the lid in front of the feeder, with scanned originals.
    paperOn(p, body, 13, 0.12, 30, 0.36, 1.2);
    drawBox(p, adf, QColor(150, 156, 166));
    seamH(p, adf, adf.y + 3.8, adf.x, adf.right());
    // Exit slot.
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(25, 27, 31));
    p.drawRect(QRectF(adf.x + 5, adf.bottom() - 1.6, adf.w - 10, 1.0));
    p.restore();
    // Input tray rising from the top of the feeder with a stack of originals.
    {
        const QPointF a = adf.onTop(5, 0.2), b = adf.onTop(adf.w - 5, 0.2);
        const QPointF up(5.5, -17.0);
        QPolygonF tray{a, b, b + up, a + up};
        p.save();
        p.setPen(QPen(QColor(40, 44, 50), 0.35));
        p.setBrush(QColor(70, 76, 86));
        p.drawPolygon(tray);
        for (int i = 0; i < 4; ++i) {
            const QPointF off(0.5 + i * 0.35, -0.8 - i * 0.45);
            QPolygonF sheet{a + QPointF(2.5, 0) + off, b - QPointF(2.5, 0) + off,
                            b - QPointF(2.5, 0) + up * 0.82 + off, a + QPointF(2.5, 0) + up * 0.82 + off};
            p.setPen(QPen(QColor(150, 150, 150, 180), 0.3));
            p.setBrush(shade(QColor(252, 252, 250), -0.02 * (3 - i)));
            p.drawPolygon(sheet);
        }
        // Lines of text on the top original.
        p.setPen(QPen(QColor(120, 125, 135, 150), 0.4));
        for (int i = 0; i < 5; ++i) {
            const qreal f = 0.25 + i * 0.11;
            const QPointF l = a + QPointF(5.5 + 1.55, -2.2) + up * f * 0.82;
            p.drawLine(l, l + QPointF(b.x() - a.x() - 10 - (i % 2) * 6, 0));
        }
        p.restore();
    }
}

void pictureWideFormat(QPainter &p, const Ctx &c)
{
    const qreal dx = 8, dy = -6, fy = 60;
    Box body{12, 19, 77, 12, dx, dy};
    floorShadow(p, c, Box{10, 19, 81, fy - 19, dx, dy}, 0.5);
    const QColor legCol(92, 98, 108);
    // Stand: two side frames with feet and a cross bar.
    const auto leg = [&](qreal x) {
        drawBox(p, Box{x, 31, 3.2, fy - 33, dx * 0.7, dy * 0.7}, legCol, BoxLook{true, true, true, 0.3});
        drawBox(p, Box{x - 1.5, fy - 3.2, 6.0, 1.8, dx * 0.9, dy * 0.9}, QColor(60, 64, 72),
                BoxLook{true, true, false, 0.2});
        caster(p, QPointF(x + 1.6, fy - 0.8), 1.0);
    };
    // Back cross bar.
    drawBox(p, Box{17, fy - 7, 65, 1.6, 2, -1.5}, QColor(80, 86, 96), BoxLook{true, false, true, 0.2});
    // Roll of paper held between the frames.
    {
        const qreal cy = 44.5, r = 5.0, x0 = 19.0, x1 = 81.0;
        p.save();
        p.setPen(Qt::NoPen);
        QLinearGradient g(0, cy - r, 0, cy + r);
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(0.35, QColor(246, 246, 244));
        g.setColorAt(0.8, QColor(196, 198, 200));
        g.setColorAt(1, QColor(150, 152, 156));
        p.setBrush(g);
        p.drawRect(QRectF(x0, cy - r, x1 - x0, 2 * r));
        // Right end: paper spiral and core.
        QRadialGradient e(x1, cy, r);
        e.setColorAt(0, QColor(236, 236, 232));
        e.setColorAt(1, QColor(206, 206, 202));
        p.setBrush(e);
        p.drawEllipse(QPointF(x1, cy), r * 0.42, r);
        p.setBrush(QColor(170, 130, 80));
        p.drawEllipse(QPointF(x1, cy), r * 0.16, r * 0.36);
        p.setBrush(QColor(60, 50, 40));
        p.drawEllipse(QPointF(x1, cy), r * 0.08, r * 0.2);
        // Spindle holders.
        p.setBrush(QColor(60, 64, 72));
        p.drawEllipse(QPointF(x0 - 0.5, cy), 1.2, 1.6);
        p.restore();
    }
    leg(14);
    leg(83);
    drawBox(p, body, QColor(234, 235, 236));
    seamH(p, body, body.y + 5.0, body.x, body.right());
    // Feed table: a large original sliding into the scanner slot.
    {
        p.save();
        p.setTransform(body.topT(), true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 44, 50));
        p.drawRect(QRectF(6, 0.62, body.w - 22, 0.12));
        p.restore();
        Box sheet = body.onTopOf(10, 0.08, 50, 0.55, 0.4);
        drawBox(p, sheet, QColor(250, 250, 248), BoxLook{true, false, false, 0});
        p.save();
        p.setTransform(sheet.topT(), true);
        p.setPen(QPen(QColor(40, 90, 170, 170), 0.35));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(4, 0.15, 20, 0.7));
        p.drawRect(QRectF(28, 0.15, 18, 0.45));
        p.restore();
    }
    // Drawing delivered from the front outlet, hanging down.
    {
        p.save();
        const qreal y0 = body.y + 7.5;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(25, 27, 31));
        p.drawRect(QRectF(body.x + 8, y0 - 0.6, 56, 1.0));
        QPainterPath sheet;
        sheet.moveTo(body.x + 9, y0);
        sheet.lineTo(body.x + 63, y0);
        sheet.cubicTo(body.x + 63, y0 + 3, body.x + 62, y0 + 6, body.x + 63.5, y0 + 8.0);
        sheet.lineTo(body.x + 10.5, y0 + 8.0);
        sheet.cubicTo(body.x + 9, y0 + 6, body.x + 9, y0 + 3, body.x + 9, y0);
        QLinearGradient g(0, y0, 0, y0 + 8.0);
        g.setColorAt(0, QColor(214, 226, 244));
        g.setColorAt(1, QColor(250, 252, 255));
        p.setBrush(g);
        p.setPen(QPen(QColor(140, 150, 170, 170), 0.3));
        p.drawPath(sheet);
        // Curled lower edge of the drawing.
        QPainterPath curl;
        curl.moveTo(body.x + 10.5, y0 + 8.0);
        curl.lineTo(body.x + 63.5, y0 + 8.0);
        curl.cubicTo(body.x + 64.5, y0 + 9.6, body.x + 62.5, y0 + 10.4, body.x + 61.5, y0 + 9.4);
        curl.lineTo(body.x + 9.5, y0 + 9.4);
        curl.cubicTo(body.x + 8.6, y0 + 10.2, body.x + 9.0, y0 + 8.6, body.x + 10.5, y0 + 8.0);
        p.setBrush(QColor(200, 208, 222));
        p.drawPath(curl);
        p.setPen(QPen(QColor(30, 80, 170, 190), 0.35));
        p.drawLine(QPointF(body.x + 16, y0 + 2.2), QPointF(body.x + 40, y0 + 2.2));
        p.drawLine(QPointF(body.x + 16, y0 + 2.2), QPointF(body.x + 16, y0 + 6.6));
        p.drawLine(QPointF(body.x + 16, y0 + 6.6), QPointF(body.x + 52, y0 + 6.6));
        p.drawRect(QRectF(body.x + 44, y0 + 1.8, 10, 3.4));
        p.drawLine(QPointF(body.x + 24, y0 + 2.2), QPointF(body.x + 24, y0 + 6.6));
        p.restore();
    }
    // Operation panel at the right.
    display(p, QRectF(body.right() - 16, body.y + 1.6, 7, 2.6), QColor(100, 180, 220));
    button(p, QPointF(body.right() - 6.5, body.y + 2.9), 0.6, QColor(205, 210, 216));
    button(p, QPointF(body.right() - 3.4, body.y + 2.9), 0.9, QColor(40, 190, 90));
}

using PictureFn = void (*)(QPainter &, const Ctx &);

const std::array<PictureFn, 8> kPictures{
    pictureCopier,     pictureDigitalCopierFinisher, pictureColourCopierFinisher, pictureFax,
    pictureFloorPrinter, pictureDuplicator,          pictureScanner,              pictureWideFormat,
};

constexpr int kPictureW = 107, kPictureH = 65;

QImage renderPicture(int index, int scale)
{
    const Ctx c{qreal(scale), QSize(kPictureW * scale, kPictureH * scale)};
    QImage img = newCanvas(c.dev.width(), c.dev.height(), Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    background(p, c);
    p.scale(c.s, c.s);
    kPictures[size_t(index)](p, c);
    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// Brand banner

constexpr int kBannerW = 374, kBannerH = 29;

QRectF fitCentered(QPainter &p, const QPainterPath &path, const QPointF &centre)
{
    const QRectF br = path.boundingRect();
    p.translate(centre - br.center());
    return br;
}

QImage renderBanner(const Fonts &f, int scale)
{
    QImage img = newCanvas(kBannerW * scale, kBannerH * scale, Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.setPen(Qt::NoPen);
    const qreal cell = kBannerW / 4.0;
    const qreal mid = kBannerH / 2.0;

    // Separators between the brands.
    for (int i = 1; i < 4; ++i) {
        QLinearGradient g(0, 4, 0, kBannerH - 4);
        g.setColorAt(0, QColor(220, 222, 226, 0));
        g.setColorAt(0.5, QColor(200, 204, 210));
        g.setColorAt(1, QColor(220, 222, 226, 0));
        p.fillRect(QRectF(i * cell - 0.5, 4, 1.0, kBannerH - 8), g);
    }

    // Brevikant: bold serif italic in deep red over a fine rule with a diamond.
    {
        const QPainterPath t = textPath(f.serifBoldItalic, QStringLiteral("Brevikant"), 16.0, 0.3);
        p.save();
        const QRectF br = fitCentered(p, t, QPointF(cell * 0.5, mid - 1.2));
        p.fillPath(t, QColor(139, 18, 32));
        const qreal y = br.bottom() + 2.4;
        p.fillRect(QRectF(br.left() + 2, y, br.width() - 7, 0.7), QColor(139, 18, 32));
        QPolygonF diamond{QPointF(br.right() - 3.5, y - 1.4), QPointF(br.right() - 1.8, y + 0.35),
                          QPointF(br.right() - 3.5, y + 2.1), QPointF(br.right() - 5.2, y + 0.35)};
        p.setBrush(QColor(196, 150, 60));
        p.drawPolygon(diamond);
        p.restore();
    }
    // Ostrum: bold condensed sans in navy with a swoosh underneath.
    {
        const QPainterPath t = textPath(f.sansCondBold, QStringLiteral("Ostrum"), 19.5, -0.2);
        p.save();
        const QRectF br = fitCentered(p, t, QPointF(cell * 1.5, mid - 1.6));
        p.fillPath(t, QColor(22, 42, 110));
        QPainterPath swoosh;
        const qreal y = br.bottom() + 1.2;
        swoosh.moveTo(br.left() - 4, y + 0.6);
        swoosh.cubicTo(br.left() + br.width() * 0.3, y + 5.2, br.right() - 6, y + 3.4, br.right() + 5, y - 2.6);
        swoosh.cubicTo(br.right() - 8, y + 1.4, br.left() + br.width() * 0.3, y + 3.0, br.left() - 4, y + 0.6);
        QLinearGradient g(br.left(), 0, br.right(), 0);
        g.setColorAt(0, QColor(22, 42, 110, 40));
        g.setColorAt(0.6, QColor(30, 110, 200));
        g.setColorAt(1, QColor(60, 170, 240));
        p.fillPath(swoosh, g);
        p.restore();
    }
    // Tevra: wide bold sans with a green-to-teal gradient and a round emblem.
    {
        const QPainterPath t = textPath(f.sansBold, QStringLiteral("Tevra"), 17.0, 0.3, 1.28);
        const qreal emblemR = 6.6;
        const qreal total = emblemR * 2 + 3.5 + t.boundingRect().width();
        const qreal left = cell * 2.5 - total / 2;
        p.save();
        const QPointF ec(left + emblemR, mid);
        QLinearGradient eg(ec.x() - emblemR, ec.y() - emblemR, ec.x() + emblemR, ec.y() + emblemR);
        eg.setColorAt(0, QColor(70, 175, 50));
        eg.setColorAt(1, QColor(0, 135, 140));
        p.setBrush(eg);
        p.drawEllipse(ec, emblemR, emblemR);
        // White leaf with its vein inside the emblem.
        QPainterPath leaf;
        const qreal L = emblemR * 0.78;
        leaf.moveTo(-L, 0);
        leaf.cubicTo(-L * 0.4, -L * 0.75, L * 0.4, -L * 0.75, L, 0);
        leaf.cubicTo(L * 0.4, L * 0.75, -L * 0.4, L * 0.75, -L, 0);
        QTransform lt;
        lt.translate(ec.x(), ec.y());
        lt.rotate(-45);
        p.setBrush(Qt::white);
        p.drawPath(lt.map(leaf));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(20, 150, 110), 0.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(lt.map(QPointF(-L * 0.75, 0)), lt.map(QPointF(L * 0.6, 0)));
        p.setPen(Qt::NoPen);
        const QRectF br = t.boundingRect();
        p.translate(left + emblemR * 2 + 3.5 - br.left(), mid - br.center().y());
        QLinearGradient g(br.left(), 0, br.right(), 0);
        g.setColorAt(0, QColor(60, 165, 45));
        g.setColorAt(1, QColor(0, 128, 140));
        p.fillPath(t, g);
        p.restore();
    }
    // Dunel: widely spaced capitals in black, with an orange chevron and bar.
    {
        const QPainterPath t = textPath(f.sansBold, QStringLiteral("DUNEL"), 13.5, 3.6);
        const QRectF raw = t.boundingRect();
        const qreal chevW = 7.0;
        const qreal total = chevW + 3.5 + raw.width();
        const qreal left = cell * 3.5 - total / 2;
        p.save();
        const QColor orange(242, 120, 20);
        QPolygonF chevron{QPointF(left, mid - 5.5),     QPointF(left + 3.2, mid - 5.5),
                          QPointF(left + chevW, mid),   QPointF(left + 3.2, mid + 5.5),
                          QPointF(left, mid + 5.5),     QPointF(left + chevW - 3.2, mid)};
        p.setBrush(orange);
        p.drawPolygon(chevron);
        p.translate(left + chevW + 3.5 - raw.left(), mid - raw.center().y() - 1.0);
        p.fillPath(t, QColor(24, 24, 24));
        p.fillRect(QRectF(raw.left(), raw.bottom() + 2.0, raw.width(), 1.2), orange);
        p.restore();
    }
    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// Icons

// Outline of the country on the main icon: (longitude, latitude) pairs,
// walked clockwise from the north-west cape.
constexpr std::array<std::array<double, 2>, 87> kCountry{{
    {-124.7, 48.4}, {-123.0, 49.0}, {-110.0, 49.0}, {-95.2, 49.0}, {-95.2, 49.4}, {-94.6, 48.7},
    {-91.5, 48.1}, {-89.6, 48.0}, {-88.4, 48.3}, {-84.8, 46.5}, {-84.1, 46.2}, {-83.4, 45.8},
    {-82.4, 43.0}, {-83.1, 42.1}, {-82.4, 41.7}, {-79.0, 42.9}, {-79.1, 43.3}, {-76.6, 43.6},
    {-76.2, 44.2}, {-74.7, 45.0}, {-71.5, 45.0}, {-70.9, 45.5}, {-70.0, 46.7}, {-69.2, 47.4},
    {-67.8, 47.1}, {-67.8, 45.7}, {-67.0, 44.9}, {-68.8, 44.3}, {-70.2, 43.6}, {-70.6, 42.6},
    {-70.0, 41.8}, {-71.1, 41.5}, {-72.9, 41.2}, {-73.9, 40.6}, {-74.1, 39.7}, {-74.9, 38.9},
    {-75.5, 38.2}, {-76.0, 37.0}, {-75.5, 35.2}, {-76.5, 34.7}, {-78.5, 33.8}, {-79.9, 32.7},
    {-81.1, 32.0}, {-81.4, 30.3}, {-80.6, 28.4}, {-80.1, 26.6}, {-80.4, 25.2}, {-81.1, 25.2},
    {-81.8, 26.1}, {-82.7, 27.7}, {-82.7, 28.9}, {-83.7, 29.9}, {-85.3, 29.7}, {-86.5, 30.4},
    {-88.1, 30.4}, {-89.6, 30.2}, {-89.2, 29.1}, {-90.5, 29.2}, {-92.0, 29.6}, {-93.8, 29.7},
    {-94.8, 29.3}, {-96.4, 28.3}, {-97.4, 27.3}, {-97.2, 25.9}, {-99.1, 26.5}, {-100.3, 28.3},
    {-101.4, 29.8}, {-102.7, 29.7}, {-103.3, 29.0}, {-104.5, 29.7}, {-106.5, 31.8}, {-108.2, 31.8},
    {-108.2, 31.3}, {-111.1, 31.3}, {-114.8, 32.5}, {-117.1, 32.5}, {-118.4, 34.0}, {-120.6, 34.5},
    {-121.9, 36.6}, {-122.5, 37.8}, {-123.8, 39.7}, {-124.4, 40.4}, {-124.2, 42.0}, {-124.1, 44.0},
    {-124.1, 46.2}, {-124.0, 47.5}, {-124.7, 48.4},
}};

// Conic projection of the outline, normalised to the unit width with the
// north-west corner of its bounding box at the origin.
QPolygonF countryOutline()
{
    const double deg = std::numbers::pi / 180.0;
    const double phi1 = 33 * deg, phi2 = 45 * deg, phi0 = 23 * deg, lam0 = -96 * deg;
    const double n = (std::sin(phi1) + std::sin(phi2)) / 2;
    const double C = std::cos(phi1) * std::cos(phi1) + 2 * n * std::sin(phi1);
    const double rho0 = std::sqrt(C - 2 * n * std::sin(phi0)) / n;
    QPolygonF poly;
    const auto add = [&](const std::array<double, 2> &ll) {
        const double lam = ll[0] * deg, phi = ll[1] * deg;
        const double rho = std::sqrt(C - 2 * n * std::sin(phi)) / n;
        const double theta = n * (lam - lam0);
        poly << QPointF(rho * std::sin(theta), -(rho0 - rho * std::cos(theta)));
    };
    for (const auto &ll : kCountry)
        add(ll);
    const QRectF br = poly.boundingRect();
    QTransform t;
    t.scale(1.0 / br.width(), 1.0 / br.width());
    t.translate(-br.left(), -br.top());
    return t.map(poly);
}

// The main icon at `size` pixels.  `crisp` selects the variant meant for a
// 16-colour palette: no antialiasing, stripe edges on whole pixels and a hard
// shadow; otherwise edges are smooth and the shadow is soft.
QImage renderMainIcon(int size, bool crisp)
{
    QImage img = newCanvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, !crisp);
    const qreal k = size / 32.0;
    const QPolygonF unit = countryOutline();
    const qreal aspect = unit.boundingRect().height();
    const qreal margin = crisp ? 0.5 : std::max(0.5, 0.8 * k);
    const qreal shadowD = crisp ? std::max(1.0, std::round(1.0 * k)) : 1.3 * k;
    const qreal mapW = size - 2 * margin - shadowD;
    const qreal mapH = mapW * aspect;
    qreal top0 = (size - mapH - shadowD) / 2;
    if (crisp)
        top0 = std::round(top0);
    QTransform t;
    t.translate(margin, top0);
    t.scale(mapW, mapW);
    const QPainterPath shape = polyPath(t.map(unit));
    const QRectF br = shape.boundingRect();

    // Shadow falling to the lower right.
    if (crisp) {
        p.fillPath(shape.translated(shadowD, shadowD), QColor(128, 128, 132));
    } else {
        QImage layer = newCanvas(size, size);
        {
            QPainter lp(&layer);
            lp.setRenderHint(QPainter::Antialiasing);
            lp.fillPath(shape.translated(shadowD, shadowD), QColor(30, 32, 44, 150));
        }
        blur(layer, std::max(1.0, 1.1 * k));
        p.drawImage(0, 0, layer);
    }

    // Flag: red and white stripes, red at top and bottom, and a blue canton
    // over the upper half of the stripes at the west.
    p.save();
    p.setClipPath(shape);
    const QColor red(200, 16, 46), white(255, 255, 255), blue(30, 45, 110);
    const int stripes = size >= 96 ? 13 : size >= 48 ? 9 : size >= 32 ? 7 : 5;
    const qreal top = std::floor(br.top()), bottom = std::ceil(br.bottom());
    std::vector<qreal> edges(size_t(stripes) + 1);
    for (int i = 0; i <= stripes; ++i) {
        const qreal e = top + (bottom - top) * i / stripes;
        edges[size_t(i)] = std::round(e);
    }
    for (int i = 0; i < stripes; ++i)
        p.fillRect(QRectF(br.left() - 1, edges[size_t(i)], br.width() + 2, edges[size_t(i) + 1] - edges[size_t(i)]),
                   i % 2 == 0 ? red : white);
    const int cantonStripes = (stripes + 1) / 2;
    qreal cantonRight = br.left() + br.width() * 0.42;
    if (crisp)
        cantonRight = std::round(cantonRight);
    const QRectF canton(br.left() - 1, top - 1, cantonRight - br.left() + 1, edges[size_t(cantonStripes)] - top + 1);
    p.fillRect(canton, blue);
    if (size >= 48) {
        // Staggered rows of stars, drawn as dots.
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        const int rows = size >= 128 ? 7 : 3, cols = size >= 128 ? 9 : 5;
        const qreal r = std::max(0.6, 0.0115 * size);
        const QRectF area(br.left() + br.width() * 0.06, canton.top() + canton.height() * 0.22,
                          canton.right() - br.left() - br.width() * 0.10, canton.height() * 0.66);
        for (int row = 0; row < rows; ++row)
            for (int col = 0; col < cols; ++col) {
                if ((row + col) % 2)
                    continue;
                QPointF c(area.left() + area.width() * col / (cols - 1),
                          area.top() + area.height() * row / (rows - 1));
                if (crisp)
                    p.fillRect(QRectF(std::round(c.x()), std::round(c.y()), 1, 1), white);
                else
                    p.drawEllipse(c, r, r);
            }
    }
    if (!crisp) {
        // Soft light from the top left.
        QLinearGradient g(br.topLeft(), br.bottomRight());
        g.setColorAt(0, QColor(255, 255, 255, 60));
        g.setColorAt(0.5, QColor(255, 255, 255, 0));
        g.setColorAt(1, QColor(0, 0, 0, 40));
        p.fillRect(br, g);
    }
    p.restore();

    // Coast and borders.
    p.setBrush(Qt::NoBrush);
    const qreal penW = crisp ? std::max(1.0, std::round(k * 0.9)) : std::clamp(0.45 + size * 0.0095, 0.5, 3.0);
    p.setPen(QPen(QColor(25, 28, 40, !crisp && size <= 24 ? 170 : 255), penW, Qt::SolidLine, Qt::RoundCap,
                  Qt::RoundJoin));
    p.drawPath(crisp ? shape.translated(-0.5, -0.5) : shape);
    p.end();
    return img;
}

// Binoculars for the search window, seen from the front with the large
// objective lenses facing the viewer.  Drawn on a 32-unit grid.
QImage renderSearchIcon(int size)
{
    QImage img = newCanvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal k = size / 32.0;
    p.scale(k, k);
    p.setPen(Qt::NoPen);

    const auto barrel = [&](qreal cx) {
        // Eyepiece with its rubber cup.
        QLinearGradient eg(cx - 3.4, 0, cx + 3.4, 0);
        eg.setColorAt(0, QColor(40, 40, 40));
        eg.setColorAt(0.3, QColor(125, 125, 125));
        eg.setColorAt(1, QColor(10, 10, 10));
        p.setBrush(eg);
        p.drawRoundedRect(QRectF(cx - 3.3, 1.5, 6.6, 8.5), 1.2, 1.2);
        p.setBrush(QColor(0, 0, 0, 140));
        p.drawRect(QRectF(cx - 3.3, 4.2, 6.6, 0.8));
        // Prism housing widening towards the objective.
        QPainterPath body;
        body.moveTo(cx - 4.3, 8.0);
        body.lineTo(cx + 4.3, 8.0);
        body.cubicTo(cx + 6.4, 11.0, cx + 7.3, 15.0, cx + 7.3, 19.5);
        body.lineTo(cx - 7.3, 19.5);
        body.cubicTo(cx - 7.3, 15.0, cx - 6.4, 11.0, cx - 4.3, 8.0);
        QLinearGradient bg(cx - 7.3, 0, cx + 7.3, 0);
        bg.setColorAt(0, QColor(30, 30, 30));
        bg.setColorAt(0.28, QColor(95, 95, 95));
        bg.setColorAt(0.55, QColor(28, 28, 28));
        bg.setColorAt(1, QColor(5, 5, 5));
        p.setBrush(bg);
        p.drawPath(body);
        // Objective: metal rim, dark glass, reflection.
        const QPointF lc(cx, 22.8);
        QRadialGradient rim(lc.x() - 2.5, lc.y() - 3.0, 10.0);
        rim.setColorAt(0, QColor(225, 225, 225));
        rim.setColorAt(0.6, QColor(150, 150, 150));
        rim.setColorAt(1, QColor(70, 70, 70));
        p.setBrush(rim);
        p.drawEllipse(lc, 7.3, 7.3);
        p.setBrush(QColor(12, 12, 12));
        p.drawEllipse(lc, 5.7, 5.7);
        QRadialGradient glass(lc.x() + 1.5, lc.y() + 1.8, 5.2);
        glass.setColorAt(0, QColor(120, 120, 120));
        glass.setColorAt(0.6, QColor(45, 45, 45));
        glass.setColorAt(1, QColor(8, 8, 8));
        p.setBrush(glass);
        p.drawEllipse(lc, 4.7, 4.7);
        p.setBrush(QColor(255, 255, 255, 235));
        p.drawEllipse(QPointF(lc.x() - 1.8, lc.y() - 1.9), 1.35, 1.15);
    };
    barrel(8.3);
    barrel(23.7);
    // Hinge bridge with the ribbed focus wheel.
    QLinearGradient wg(0, 6, 0, 12.5);
    wg.setColorAt(0, QColor(175, 175, 175));
    wg.setColorAt(1, QColor(45, 45, 45));
    p.setBrush(wg);
    p.drawRoundedRect(QRectF(12.4, 6.2, 7.2, 6.0), 1.5, 1.5);
    p.setBrush(QColor(20, 20, 20));
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(13.5 + i * 1.5, 6.8, 0.6, 4.8));
    p.setBrush(QColor(55, 55, 55));
    p.drawRect(QRectF(13.0, 14.0, 6.0, 2.4));
    p.end();
    return img;
}

// The same binoculars laid out on the 16-pixel grid so that each part keeps
// at least a pixel of its own.
QImage renderSearchIconSmall()
{
    QImage img = newCanvas(16, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (qreal cx : {3.5, 12.5}) {
        p.setBrush(QColor(68, 68, 68));
        p.drawRect(QRectF(cx - 2.5, 1, 5, 3));
        p.setBrush(QColor(153, 153, 153));
        p.drawRect(QRectF(cx - 1.5, 1, 1, 3));
        p.setBrush(QColor(17, 17, 17));
        p.drawRect(QRectF(cx - 3.5, 4, 7, 5));
        p.setBrush(QColor(102, 102, 102));
        p.drawRect(QRectF(cx - 2.5, 4, 1, 4));
        p.setBrush(QColor(187, 187, 187));
        p.drawEllipse(QPointF(cx, 12.0), 3.5, 3.5);
        p.setBrush(QColor(0, 0, 0));
        p.drawEllipse(QPointF(cx, 12.0), 2.3, 2.3);
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRectF(cx - 1.5, 10, 1, 1));
    }
    p.setBrush(QColor(119, 119, 119));
    p.drawRect(QRectF(7, 3, 2, 3));
    p.setBrush(QColor(51, 51, 51));
    p.drawRect(QRectF(7, 6, 2, 1));
    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// 16-colour quantisation and the ICO / BMP file formats

using Palette16 = std::array<QRgb, 16>;

// Colours for the main icon's 16-colour images.  Index 0 stays black: it is
// the colour stored under transparent pixels.  The crisp drawing uses black,
// white, red, navy, the shadow grey and the outline colour; the other entries
// are in-between shades so that any stray pixel still finds a close colour.
const Palette16 kMainPalette{
    qRgb(0, 0, 0),       qRgb(255, 255, 255), qRgb(200, 16, 46),   qRgb(140, 20, 40),
    qRgb(30, 45, 110),   qRgb(70, 90, 160),   qRgb(232, 150, 160), qRgb(128, 128, 132),
    qRgb(170, 170, 176), qRgb(212, 212, 216), qRgb(25, 28, 40),    qRgb(85, 85, 92),
    qRgb(160, 172, 215), qRgb(110, 40, 60),   qRgb(60, 40, 80),    qRgb(240, 200, 205),
};

// Sixteen even steps from black to white for the binoculars.
Palette16 greyPalette()
{
    Palette16 pal{};
    for (int i = 0; i < 16; ++i)
        pal[size_t(i)] = qRgb(i * 17, i * 17, i * 17);
    return pal;
}

int nearest(const Palette16 &pal, QRgb c)
{
    int best = 0;
    long bestD = -1;
    for (int i = 0; i < 16; ++i) {
        const long dr = qRed(c) - qRed(pal[size_t(i)]), dg = qGreen(c) - qGreen(pal[size_t(i)]),
                   db = qBlue(c) - qBlue(pal[size_t(i)]);
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestD < 0 || d < bestD) {
            bestD = d;
            best = i;
        }
    }
    return best;
}

struct Indexed {
    int size;
    std::vector<int> index;      // row-major, top row first
    std::vector<bool> clear;     // transparent pixels
    Palette16 palette;
};

Indexed quantize(const QImage &src, const Palette16 &pal)
{
    const QImage img = src.convertToFormat(QImage::Format_ARGB32);
    Indexed out{img.width(), {}, {}, pal};
    for (int y = 0; y < img.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const bool clear = qAlpha(line[x]) < 128;
            out.clear.push_back(clear);
            out.index.push_back(clear ? 0 : nearest(pal, line[x]));
        }
    }
    return out;
}

void put16(QByteArray &b, int v)
{
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}

void put32(QByteArray &b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xff));
}

// BITMAPINFOHEADER, palette, 4-bit colour rows and the 1-bit mask of one
// icon image.  Rows are stored bottom-up; the header height counts both.
QByteArray iconImage4(const Indexed &q)
{
    const int n = q.size;
    const int xorStride = ((n * 4 + 31) / 32) * 4;
    const int andStride = ((n + 31) / 32) * 4;
    QByteArray b;
    put32(b, 40);
    put32(b, quint32(n));
    put32(b, quint32(2 * n));
    put16(b, 1);
    put16(b, 4);
    put32(b, 0);                                    // BI_RGB
    put32(b, quint32((xorStride + andStride) * n)); // image size
    put32(b, 0);
    put32(b, 0);
    put32(b, 16);                                   // colours used
    put32(b, 0);
    for (QRgb c : q.palette) {
        b.append(char(qBlue(c)));
        b.append(char(qGreen(c)));
        b.append(char(qRed(c)));
        b.append(char(0));
    }
    for (int y = n - 1; y >= 0; --y) {
        QByteArray row(xorStride, '\0');
        for (int x = 0; x < n; ++x) {
            const int v = q.index[size_t(y * n + x)];
            row[x / 2] = char(row[x / 2] | (x % 2 == 0 ? v << 4 : v));
        }
        b.append(row);
    }
    for (int y = n - 1; y >= 0; --y) {
        QByteArray row(andStride, '\0');
        for (int x = 0; x < n; ++x)
            if (q.clear[size_t(y * n + x)])
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        b.append(row);
    }
    return b;
}

QByteArray icoFile(const std::vector<Indexed> &images)
{
    QByteArray head, body;
    put16(head, 0);
    put16(head, 1);
    put16(head, int(images.size()));
    qsizetype offset = 6 + 16 * qsizetype(images.size());
    for (const Indexed &q : images) {
        const QByteArray data = iconImage4(q);
        head.append(char(q.size >= 256 ? 0 : q.size));
        head.append(char(q.size >= 256 ? 0 : q.size));
        head.append(char(16));   // colour count
        head.append(char(0));
        put16(head, 1);          // planes
        put16(head, 4);          // bits per pixel
        put32(head, quint32(data.size()));
        put32(head, quint32(offset));
        offset += data.size();
        body.append(data);
    }
    return head + body;
}

// Uncompressed 24-bit BMP, bottom-up rows padded to four bytes.
QByteArray bmp24(const QImage &src)
{
    const QImage img = src.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const int stride = ((w * 3 + 3) / 4) * 4;
    QByteArray b;
    b.append("BM");
    put32(b, quint32(54 + stride * h));
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, quint32(w));
    put32(b, quint32(h));
    put16(b, 1);
    put16(b, 24);
    put32(b, 0);
    put32(b, quint32(stride * h));
    put32(b, kDotsPerMeter);
    put32(b, kDotsPerMeter);
    put32(b, 0);
    put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            row[3 * x] = char(qBlue(line[x]));
            row[3 * x + 1] = char(qGreen(line[x]));
            row[3 * x + 2] = char(qRed(line[x]));
        }
        b.append(row);
    }
    return b;
}

QByteArray encodeWithQt(const QImage &img, const char *format, int quality)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setOptimizedWrite(false);
    writer.setProgressiveScanWrite(false);
    if (!writer.write(img))
        fail(QStringLiteral("cannot encode %1: %2").arg(QString::fromLatin1(format), writer.errorString()));
    return data;
}

QByteArray jpeg(const QImage &src)
{
    QImage img = src.convertToFormat(QImage::Format_RGB32);
    img.setDotsPerMeterX(kDotsPerMeter);
    img.setDotsPerMeterY(kDotsPerMeter);
    return encodeWithQt(img, "jpeg", 92);
}

QByteArray png(const QImage &src)
{
    QImage img = src.convertToFormat(QImage::Format_ARGB32);
    img.setDotsPerMeterX(kDotsPerMeter);
    img.setDotsPerMeterY(kDotsPerMeter);
    return encodeWithQt(img, "png", 0);
}

void writeFile(const QDir &root, const QString &relative, const QByteArray &data)
{
    const QString path = root.filePath(relative);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        fail(QStringLiteral("cannot create the folder for %1").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size())
        fail(QStringLiteral("cannot write %1").arg(path));
}

const char kReadme[] = R"(# Resources

Every file in this folder is generated by `tools/artwork/gen-artwork`
(source: `tools/artwork/gen_artwork.cpp`). Do not edit them by hand: change the
generator and regenerate. Files named `@2x` are drawn at double resolution for
displays with a device-pixel ratio of 2.

| File | What it is |
| --- | --- |
| `pictures/type0.jpg` ... `type7.jpg` (+ `@2x`) | 107 x 65 baseline JPEG pictures of the machine types: 0 office copier, 1 digital copier with finisher, 2 colour copier with finisher, 3 facsimile, 4 floor-standing printer, 5 duplicator, 6 scanner with document feeder, 7 wide-format copier with roll feed |
| `banner.bmp` (+ `@2x`) | 374 x 29 24-bit BMP with the four brand wordmarks: Brevikant, Ostrum, Tevra, Dunel |
| `main.ico` | Main window and application icon: 32 x 32 and 64 x 64, 16 colours each |
| `search.ico` | Search window icon: 16 x 16, 32 x 32 and 64 x 64, 16 colours each |
| `icons/hicolor/<N>x<N>/apps/model-xref.png` | Application icon for the desktop icon theme, full colour with alpha, N = 16 ... 256 |

Regenerate (from the repository root):

    cmake -S tools/artwork -B build-artwork -G Ninja
    cmake --build build-artwork
    build-artwork/gen-artwork resources

or, in a build of the whole project, `cmake --build BUILD_DIR --target regenerate-artwork`.

`tools/artwork/check_artwork.py resources` checks the file formats and
`tools/artwork/verify_artwork.sh build-artwork/gen-artwork resources` checks
that the committed files are exactly what the generator writes.
)";

} // namespace

// The raster engine and the JPEG encoder pick code paths by processor
// features when the libraries are loaded, before main() runs.  To get the same
// pixels and bytes on every x86-64 machine the program restarts itself once
// with those choices pinned to the baseline paths.
void pinCodePaths(char **argv)
{
    const char *const marker = "GEN_ARTWORK_PINNED";
    if (qEnvironmentVariableIsSet(marker))
        return;
    qputenv(marker, "1");
    qputenv("QT_NO_CPU_FEATURE",
            "sse3 ssse3 fma sse4.1 sse4.2 movbe popcnt aes avx f16c rdrnd bmi avx2 bmi2 avx512f avx512dq "
            "rdseed avx512ifma avx512cd sha avx512bw avx512vl avx512vbmi avx512vbmi2 shstk gfni vaes "
            "avx512vnni avx512bitalg avx512vpopcntdq avx512fp16 hybrid");
    qputenv("JSIMD_FORCENONE", "1");
    execv("/proc/self/exe", argv);
    // Restarting failed (no /proc): carry on; the output is then still
    // reproducible on this machine.
}

int main(int argc, char **argv)
{
    pinCodePaths(argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen-artwork OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.absolutePath()))
        fail(QStringLiteral("cannot create %1").arg(out.absolutePath()));

    const Fonts fonts{loadFont(QStringLiteral("DejaVuSerifCondensed-BoldItalic.ttf")),
                      loadFont(QStringLiteral("DejaVuSansCondensed-Bold.ttf")),
                      loadFont(QStringLiteral("DejaVuSans-Bold.ttf"))};

    for (int i = 0; i < int(kPictures.size()); ++i) {
        writeFile(out, QStringLiteral("pictures/type%1.jpg").arg(i), jpeg(renderPicture(i, 1)));
        writeFile(out, QStringLiteral("pictures/type%1@2x.jpg").arg(i), jpeg(renderPicture(i, 2)));
    }

    writeFile(out, QStringLiteral("banner.bmp"), bmp24(renderBanner(fonts, 1)));
    writeFile(out, QStringLiteral("banner@2x.bmp"), bmp24(renderBanner(fonts, 2)));

    writeFile(out, QStringLiteral("main.ico"),
              icoFile({quantize(renderMainIcon(32, true), kMainPalette),
                       quantize(renderMainIcon(64, true), kMainPalette)}));
    for (int n : {16, 22, 24, 32, 48, 64, 128, 256})
        writeFile(out, QStringLiteral("icons/hicolor/%1x%1/apps/model-xref.png").arg(n),
                  png(renderMainIcon(n, false)));

    const Palette16 greys = greyPalette();
    writeFile(out, QStringLiteral("search.ico"),
              icoFile({quantize(renderSearchIcon(32), greys), quantize(renderSearchIconSmall(), greys),
                       quantize(renderSearchIcon(64), greys)}));

    writeFile(out, QStringLiteral("README.md"), QByteArray(kReadme));
    return 0;
}
