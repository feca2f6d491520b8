// Draws the program's pictures. Run once by hand (see make_pictures.sh); the
// results are committed under resources/img and carried by verdane.qrc.
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtEndian>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString outDir;

void save(const QImage &img, const QString &name)
{
    const QString path = outDir + u'/' + name;
    if (!img.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// ---- logo ----------------------------------------------------------------
// The acronym in large purple lower case with a yellow-green "s"; under it a
// thin green bar and the full name on two lines of small purple text.
QImage logo()
{
    QImage img(233, 80, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QColor purple(0x6b, 0x1f, 0x7c);
    const QColor yellowGreen(0xa4, 0xc4, 0x1c);
    const QColor green(0x3c, 0x9a, 0x3c);

    QFont big(u"DejaVu Sans"_s);
    big.setPixelSize(50);
    big.setBold(true);
    big.setLetterSpacing(QFont::AbsoluteSpacing, -2.5);
    p.setFont(big);
    const QFontMetricsF fm(big);
    qreal x = 6;
    const qreal base = 42;
    const QString letters = u"ansm"_s;
    for (QChar c : letters) {
        p.setPen(c == u's' ? yellowGreen : purple);
        p.drawText(QPointF(x, base), QString(c));
        x += fm.horizontalAdvance(c) - 2.5;
    }

    // Thin green vertical bar before the name.
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    p.drawRect(QRectF(8, 52, 2, 24));

    QFont small(u"DejaVu Sans"_s);
    small.setPixelSize(9);
    p.setFont(small);
    p.setPen(purple);
    p.drawText(QPointF(15, 62), u"Agence nationale de sécurité du médicament"_s);
    p.drawText(QPointF(15, 74), u"et des produits de santé"_s);
    return img;
}

// ---- the two 128 x 128 pictures ------------------------------------------
QImage glossySquare(const QColor &light, const QColor &dark, const QColor &rim)
{
    QImage img(128, 128, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF body(6, 6, 116, 116);
    const qreal radius = 22;

    // Soft shadow under the square.
    for (int i = 4; i >= 1; --i) {
        QColor s(0, 0, 0, 18);
        p.setPen(Qt::NoPen);
        p.setBrush(s);
        p.drawRoundedRect(body.translated(0, 1.5).adjusted(-i * 0.7, -i * 0.2, i * 0.7, i * 0.9),
                          radius + i, radius + i);
    }

    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0.0, light);
    fill.setColorAt(0.55, dark);
    fill.setColorAt(1.0, dark.darker(125));
    p.setBrush(fill);
    p.setPen(QPen(rim, 2));
    p.drawRoundedRect(body, radius, radius);

    // A light glow in the lower part gives depth.
    QRadialGradient glow(QPointF(64, 118), 60);
    glow.setColorAt(0.0, QColor(255, 255, 255, 70));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawRoundedRect(body.adjusted(2, 2, -2, -2), radius - 2, radius - 2);

    // Gloss: a bright band over the upper half, clipped to the square.
    QPainterPath clip;
    clip.addRoundedRect(body.adjusted(3, 3, -3, -3), radius - 3, radius - 3);
    QPainterPath gloss;
    gloss.moveTo(9, 64);
    gloss.cubicTo(40, 52, 88, 52, 119, 62);
    gloss.lineTo(119, 0);
    gloss.lineTo(9, 0);
    gloss.closeSubpath();
    QLinearGradient shine(QPointF(0, 8), QPointF(0, 64));
    shine.setColorAt(0.0, QColor(255, 255, 255, 170));
    shine.setColorAt(1.0, QColor(255, 255, 255, 25));
    p.setBrush(shine);
    p.drawPath(gloss.intersected(clip));
    return img;
}

QImage yesPicture()
{
    QImage img = glossySquare(QColor(0x7e, 0xe0, 0x5a), QColor(0x1f, 0x9a, 0x22),
                              QColor(0x11, 0x5e, 0x14));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f(u"DejaVu Sans"_s);
    f.setPixelSize(54);
    f.setBold(true);
    QPainterPath text;
    text.addText(0, 0, f, u"OK"_s);
    const QRectF b = text.boundingRect();
    text.translate(64 - b.center().x(), 68 - b.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 60, 0, 90));
    p.drawPath(text.translated(1.5, 2));
    p.setBrush(QColor(0xec, 0xff, 0xe6)); // pale, almost white green
    p.drawPath(text);
    return img;
}

QImage noPicture()
{
    QImage img = glossySquare(QColor(0xff, 0x7a, 0x6e), QColor(0xc8, 0x16, 0x10),
                              QColor(0x7a, 0x0c, 0x08));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    auto cross = [&](const QColor &c, qreal dx, qreal dy) {
        p.setPen(QPen(c, 17, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(40 + dx, 40 + dy), QPointF(88 + dx, 88 + dy));
        p.drawLine(QPointF(88 + dx, 40 + dy), QPointF(40 + dx, 88 + dy));
    };
    cross(QColor(80, 0, 0, 90), 1.5, 2);
    cross(Qt::white, 0, 0);
    return img;
}

// ---- copy symbol, 16 x 16 ------------------------------------------------
QImage copyPicture()
{
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    auto sheet = [&](const QRect &r, const QColor &outline, const QColor &lines) {
        p.setPen(outline);
        p.setBrush(Qt::white);
        p.drawRect(r); // outline on r, inner area white
        p.setPen(lines);
        for (int y = r.top() + 2; y <= r.bottom() - 2; y += 2)
            p.drawLine(r.left() + 2, y, r.right() - (y % 4 == 0 ? 3 : 2), y);
    };
    sheet(QRect(0, 0, 9, 11), Qt::black, QColor(0x80, 0x80, 0x80));                // rear
    sheet(QRect(6, 4, 9, 11), QColor(0x00, 0x00, 0x80), QColor(0x40, 0x60, 0xa0)); // front
    return img;
}

// ---- 16-colour glyph pairs ------------------------------------------------
// The standard 16-colour palette; fuchsia fills the ground, which the
// bottom-left pixel makes transparent.
const QRgb kPalette[16] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};
enum Pal {
    Black,
    Maroon,
    Green,
    Olive,
    Navy,
    Purple,
    Teal,
    Silver,
    Gray,
    Red,
    Lime,
    Yellow,
    Blue,
    Fuchsia,
    Aqua,
    White
};

using Glyph = std::array<std::array<int, 18>, 18>;

Glyph fromRows(const char *const rows[18])
{
    // Letters: . ground, k black, g green, l lime, d gray, s silver, w white,
    // o olive, m maroon, y yellow, n navy, t teal.
    Glyph g{};
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 18; ++x) {
            int c = Fuchsia;
            switch (rows[y][x]) {
            case 'k':
                c = Black;
                break;
            case 'g':
                c = Green;
                break;
            case 'l':
                c = Lime;
                break;
            case 'd':
                c = Gray;
                break;
            case 's':
                c = Silver;
                break;
            case 'w':
                c = White;
                break;
            case 'o':
                c = Olive;
                break;
            case 'm':
                c = Maroon;
                break;
            case 'y':
                c = Yellow;
                break;
            case 'n':
                c = Navy;
                break;
            case 't':
                c = Teal;
                break;
            default:
                break;
            }
            g[y][x] = c;
        }
    return g;
}

// The disabled form: the shape's pixels in gray with a white etch one pixel
// down and right, the usual look of a greyed glyph.
Glyph greyed(const Glyph &g)
{
    Glyph out{};
    for (auto &row : out)
        row.fill(Fuchsia);
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 18; ++x)
            if (g[y][x] != Fuchsia && y + 1 < 18 && x + 1 < 18)
                out[y + 1][x + 1] = White;
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 18; ++x)
            if (g[y][x] != Fuchsia)
                out[y][x] = (g[y][x] == Black || g[y][x] == Navy || g[y][x] == Maroon
                             || g[y][x] == Green)
                                ? Gray
                                : Silver;
    return out;
}

// Writes a 4-bit BMP (BITMAPINFOHEADER, bottom-up rows, 16-entry palette).
bool writeBmp16(const QString &path, const Glyph &a, const Glyph &b)
{
    const int w = 36, h = 18;
    const int rowBytes = ((w * 4 + 31) / 32) * 4;
    const int paletteBytes = 16 * 4;
    const int dataOffset = 14 + 40 + paletteBytes;
    const int fileSize = dataOffset + rowBytes * h;
    QByteArray out(fileSize, '\0');
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, out.data() + at); };
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, out.data() + at); };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, fileSize);
    put32(10, dataOffset);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    put16(26, 1);
    put16(28, 4);
    put32(30, 0);
    put32(34, rowBytes * h);
    put32(38, 3780);
    put32(42, 3780);
    put32(46, 16);
    put32(50, 0);
    for (int i = 0; i < 16; ++i) {
        out[54 + i * 4] = char(qBlue(kPalette[i]));
        out[54 + i * 4 + 1] = char(qGreen(kPalette[i]));
        out[54 + i * 4 + 2] = char(qRed(kPalette[i]));
    }
    for (int y = 0; y < h; ++y) {
        const int fileRow = h - 1 - y;
        char *row = out.data() + dataOffset + fileRow * rowBytes;
        for (int x = 0; x < w; ++x) {
            const int c = x < 18 ? a[y][x] : b[y][x - 18];
            if (x % 2 == 0)
                row[x / 2] = char((c & 0xf) << 4);
            else
                row[x / 2] = char(row[x / 2] | (c & 0xf));
        }
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size();
}

const char *const kTick[18] = {
    "..................", "..................", "..................", "..............k...",
    ".............kgk..", "............kglgk.", "...........kglgk..", "..k.......kglgk...",
    ".kgk.....kglgk....", "kglgk...kglgk.....", ".kglgk.kglgk......", "..kglgkglgk.......",
    "...kglglgk........", "....kglgk.........", ".....kgk..........", "......k...........",
    "..................", "..................",
};

// The door: a frame with the dark opening, the door swung open towards the
// viewer on its right-hand hinge, a small green light above.
const char *const kDoor[18] = {
    "......kkk.........", ".....klllk........", "......kkk.........", "..............mmm.",
    "..kkkkkkkkkkmmoom.", "..kddddddddkoooom.", "..ksnnnnnnnkoooom.", "..ksnnnnnnnkoooom.",
    "..ksnnnnnnnkoooom.", "..ksnnnnnnnkoooom.", "..ksnnnnnnnkooyom.", "..ksnnnnnnnkoooom.",
    "..ksnnnnnnnkoooom.", "..ksnnnnnnnkoooom.", "..ksnnnnnnnkoooom.", "..ksnnnnnnnkoooom.",
    "..kkkkkkkkkkmmoom.", "..............mmm.",
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    save(logo(), u"logo.png"_s); // turned into GIF by the script
    save(yesPicture(), u"yes.png"_s);
    save(noPicture(), u"no.png"_s);
    save(copyPicture(), u"copy.png"_s);
    const Glyph tick = fromRows(kTick);
    const Glyph door = fromRows(kDoor);
    if (!writeBmp16(outDir + u"/tick.bmp"_s, tick, greyed(tick))
        || !writeBmp16(outDir + u"/door.bmp"_s, door, greyed(door))) {
        std::fprintf(stderr, "cannot write the glyphs\n");
        return 1;
    }
    return 0;
}
