// Draws the program's artwork (window background, chrome buttons, dialog frame, status strips,
// tray icons, server list state icons) with QPainter and writes the PNGs into the resources
// tree; the country flags are taken from Debian's famfamfam-flag-png (public domain) and padded
// to the server list's flag cell. With --icon it draws the program's icon from its SVG in the
// hicolor theme's sizes. Run through tools/artwork.sh; the output is committed so the build needs
// neither the generator nor the flag package.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgRenderer>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <functional>

namespace {

namespace Palette {
const QColor NavyTop(0x15, 0x24, 0x3d);
const QColor NavyBottom(0x0b, 0x14, 0x25);
const QColor Screen(0x07, 0x0f, 0x1c);
const QColor ScreenBottom(0x0a, 0x17, 0x29);
const QColor Teal(0x2d, 0xd4, 0xbf);
const QColor TealDeep(0x0f, 0x9c, 0x8e);
const QColor Green(0x34, 0xd3, 0x89);
const QColor Red(0xef, 0x4d, 0x55);
const QColor Text(0xdc, 0xe8, 0xf0);
const QColor Outline(0x0a, 0x11, 0x1d);
} // namespace Palette

QColor WithAlpha(QColor color, int alpha)
{
    color.setAlpha(alpha);
    return color;
}

QImage NewImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Prepare(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

QPainterPath Rounded(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// A soft halo: the same rounded shape drawn ever wider with falling alpha.
void Glow(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color, int steps, int peakAlpha)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int i = steps; i >= 1; --i) {
        const qreal grow = i;
        const int alpha = peakAlpha * (steps - i + 1) / (steps * steps / 2 + 1);
        painter.setBrush(WithAlpha(color, qMin(255, alpha)));
        painter.drawPath(Rounded(rect.adjusted(-grow, -grow, grow, grow), radius + grow));
    }
    painter.restore();
}

QFont SansFont(int pixelSize, QFont::Weight weight, qreal letterSpacing = 0)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    if (letterSpacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}

// The brand mark: a shield with a keyhole notch, drawn in a box of the given size.
QPainterPath ShieldPath(const QRectF& box)
{
    const qreal w = box.width();
    const qreal h = box.height();
    const qreal x = box.x();
    const qreal y = box.y();
    QPainterPath path;
    path.moveTo(x + w * 0.5, y);
    path.cubicTo(x + w * 0.70, y + h * 0.10, x + w * 0.86, y + h * 0.12, x + w, y + h * 0.13);
    path.cubicTo(x + w, y + h * 0.55, x + w * 0.85, y + h * 0.82, x + w * 0.5, y + h);
    path.cubicTo(x + w * 0.15, y + h * 0.82, x, y + h * 0.55, x, y + h * 0.13);
    path.cubicTo(x + w * 0.14, y + h * 0.12, x + w * 0.30, y + h * 0.10, x + w * 0.5, y);
    path.closeSubpath();
    return path;
}

QImage MainForm()
{
    QImage image = NewImage(581, 203);
    QPainter p(&image);
    Prepare(p);

    const QRectF outer(0.5, 0.5, 580, 202);
    QLinearGradient body(0, 0, 0, 203);
    body.setColorAt(0, Palette::NavyTop);
    body.setColorAt(1, Palette::NavyBottom);
    p.setPen(QPen(WithAlpha(Palette::Teal, 70), 1));
    p.setBrush(body);
    p.drawPath(Rounded(outer, 12));

    // A faint teal light from the top-left corner gives the surface some depth.
    QRadialGradient light(QPointF(90, -40), 360);
    light.setColorAt(0, WithAlpha(Palette::Teal, 38));
    light.setColorAt(1, WithAlpha(Palette::Teal, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(light);
    p.drawPath(Rounded(outer.adjusted(1, 1, -1, -1), 11));

    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawLine(QPointF(14, 1.5), QPointF(567, 1.5));

    // The screen in which the views live.
    const QRectF screen(18.5, 32.5, 554, 137);
    QLinearGradient screenFill(0, 32, 0, 170);
    screenFill.setColorAt(0, Palette::Screen);
    screenFill.setColorAt(1, Palette::ScreenBottom);
    p.setPen(QPen(WithAlpha(Palette::Teal, 85), 1));
    p.setBrush(screenFill);
    p.drawPath(Rounded(screen, 9));

    QRadialGradient screenGlow(QPointF(300, 40), 300);
    screenGlow.setColorAt(0, WithAlpha(Palette::Teal, 26));
    screenGlow.setColorAt(1, WithAlpha(Palette::Teal, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(screenGlow);
    p.drawPath(Rounded(screen.adjusted(1, 1, -1, -1), 8));

    // A dotted grid, very faint, as a hint of a network map.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 9));
    for (int y = 44; y < 164; y += 12)
        for (int x = 30; x < 566; x += 12)
            p.drawEllipse(QPointF(x, y), 0.9, 0.9);

    p.setPen(QPen(QColor(255, 255, 255, 16), 1));
    p.drawLine(QPointF(28, 33.5), QPointF(563, 33.5));
    return image;
}

QImage Logo()
{
    QImage image = NewImage(196, 22);
    QPainter p(&image);
    Prepare(p);
    const QFont font = SansFont(12, QFont::Bold, 3.2);
    const QString word = QStringLiteral("NORVANE");
    const QFontMetricsF metrics(font);
    const qreal textWidth = metrics.horizontalAdvance(word) - 3.2;
    const qreal markWidth = 13;
    const qreal gap = 8;
    const qreal left = (196 - (markWidth + gap + textWidth)) / 2;

    QLinearGradient markFill(0, 3, 0, 19);
    markFill.setColorAt(0, Palette::Teal);
    markFill.setColorAt(1, Palette::TealDeep);
    p.setPen(Qt::NoPen);
    p.setBrush(markFill);
    p.drawPath(ShieldPath(QRectF(left, 3, markWidth, 16)));
    p.setBrush(Palette::NavyBottom);
    p.drawEllipse(QPointF(left + markWidth / 2, 9.5), 2.0, 2.0);
    p.drawRect(QRectF(left + markWidth / 2 - 0.9, 10, 1.8, 4.5));

    p.setFont(font);
    p.setPen(WithAlpha(Palette::Text, 200));
    p.drawText(QPointF(left + markWidth + gap, 15.5), word);
    return image;
}

// Tray icon: a bold shield with a dark rim (reads on light panels) and a bright fill with a
// white glyph (reads on dark panels). Drawn large; the tray host scales it to 16 or 22 px.
QImage TrayIcon(const QColor& fill, bool connected)
{
    QImage image = NewImage(64, 64);
    QPainter p(&image);
    Prepare(p);
    const QRectF box(7, 3, 50, 58);
    const QPainterPath shield = ShieldPath(box);
    QLinearGradient gradient(0, 3, 0, 61);
    gradient.setColorAt(0, fill.lighter(118));
    gradient.setColorAt(1, fill.darker(118));
    p.setPen(QPen(Palette::Outline, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(gradient);
    p.drawPath(shield);

    QPen glyph(Qt::white, 7.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(glyph);
    p.setBrush(Qt::NoBrush);
    if (connected) {
        QPainterPath check;
        check.moveTo(20, 32);
        check.lineTo(29, 41);
        check.lineTo(45, 23);
        p.drawPath(check);
    } else {
        p.drawLine(QPointF(23, 21), QPointF(41, 39));
        p.drawLine(QPointF(41, 21), QPointF(23, 39));
    }
    return image;
}

// A status rail along the bottom of the screen: a thin bright bar with a soft halo.
QImage IndicatorRail(const QColor& color)
{
    QImage image = NewImage(559, 22);
    QPainter p(&image);
    Prepare(p);
    const QRectF rail(10, 9, 539, 4);
    Glow(p, rail, 2, color, 7, 150);
    QLinearGradient fill(10, 0, 549, 0);
    fill.setColorAt(0, WithAlpha(color, 0));
    fill.setColorAt(0.12, color);
    fill.setColorAt(0.5, color.lighter(135));
    fill.setColorAt(0.88, color);
    fill.setColorAt(1, WithAlpha(color, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(Rounded(rail, 2));
    p.setBrush(QColor(255, 255, 255, 120));
    p.drawPath(Rounded(QRectF(120, 10.2, 319, 1.4), 0.7));
    return image;
}

QImage IndicatorEmpty()
{
    QImage image = NewImage(545, 21);
    QPainter p(&image);
    Prepare(p);
    QLinearGradient fill(0, 0, 0, 21);
    fill.setColorAt(0, QColor(0x12, 0x22, 0x3a, 240));
    fill.setColorAt(1, QColor(0x0b, 0x16, 0x28, 240));
    p.setPen(QPen(WithAlpha(Palette::Teal, 150), 1));
    p.setBrush(fill);
    p.drawPath(Rounded(QRectF(0.5, 0.5, 544, 20), 10));
    return image;
}

QImage ConnectingProgress()
{
    QImage image = NewImage(46, 19);
    QPainter p(&image);
    Prepare(p);
    const QRectF pill(4, 7, 38, 5);
    Glow(p, pill, 2.5, Palette::Teal, 4, 120);
    QLinearGradient fill(4, 0, 42, 0);
    fill.setColorAt(0, WithAlpha(Palette::Teal, 40));
    fill.setColorAt(0.5, Palette::Teal.lighter(130));
    fill.setColorAt(1, WithAlpha(Palette::Teal, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(Rounded(pill, 2.5));
    return image;
}

QImage DropDownArrow()
{
    QImage image = NewImage(12, 12);
    QPainter p(&image);
    Prepare(p);
    p.setPen(QPen(Palette::Teal, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath chevron;
    chevron.moveTo(2.5, 4.5);
    chevron.lineTo(6, 8);
    chevron.lineTo(9.5, 4.5);
    p.drawPath(chevron);
    return image;
}

QImage MenuArrow(bool right)
{
    QImage image = NewImage(12, 12);
    QPainter p(&image);
    Prepare(p);
    p.setPen(QPen(Palette::Teal, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath chevron;
    if (right) {
        chevron.moveTo(4.5, 2.5);
        chevron.lineTo(8, 6);
        chevron.lineTo(4.5, 9.5);
    } else {
        chevron.moveTo(7.5, 2.5);
        chevron.lineTo(4, 6);
        chevron.lineTo(7.5, 9.5);
    }
    p.drawPath(chevron);
    return image;
}

QImage RestartIcon()
{
    QImage image = NewImage(16, 16);
    QPainter p(&image);
    Prepare(p);
    p.setPen(QPen(Palette::Teal, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 290 * 16);
    QPainterPath head;
    head.moveTo(10.2, 1.4);
    head.lineTo(11.6, 4.4);
    head.lineTo(8.4, 5.0);
    p.drawPath(head);
    return image;
}

enum class ChromeState
{
    Normal,
    Hover,
    Pressed
};

// Window chrome buttons: a dark chip that reads on the navy window and on the light dialog
// caption; hover and pressed fill it with the button's glow colour.
QImage ChromeButton(int width, bool close, ChromeState state)
{
    QImage image = NewImage(width, 20);
    QPainter p(&image);
    Prepare(p);
    const QColor accent = close ? QColor(207, 47, 47) : QColor(0x0e, 0xb4, 0xcc);
    QColor fill(0x16, 0x27, 0x41, 235);
    QColor rim(255, 255, 255, 36);
    if (state == ChromeState::Hover) {
        fill = accent;
        rim = accent.lighter(130);
    } else if (state == ChromeState::Pressed) {
        fill = accent.darker(135);
        rim = accent;
    }
    p.setPen(QPen(rim, 1));
    p.setBrush(fill);
    p.drawPath(Rounded(QRectF(0.5, 0.5, width - 1, 19), 4));

    p.setPen(QPen(state == ChromeState::Normal ? Palette::Text : QColor(Qt::white), 1.7, Qt::SolidLine,
                  Qt::RoundCap));
    const qreal cx = width / 2.0;
    if (close) {
        p.drawLine(QPointF(cx - 4, 6), QPointF(cx + 4, 14));
        p.drawLine(QPointF(cx + 4, 6), QPointF(cx - 4, 14));
    } else {
        p.drawLine(QPointF(cx - 5, 13.5), QPointF(cx + 5, 13.5));
    }
    return image;
}

// The dialog frame, used as a nine-part border image (50 19 80 19): a light caption strip over
// a navy body, with a soft shadow in the transparent margin.
QImage EmptyDialog()
{
    QImage image = NewImage(526, 551);
    QPainter p(&image);
    Prepare(p);
    const QRectF frame(6.5, 6.5, 513, 538);
    Glow(p, frame, 12, QColor(0, 0, 0), 6, 90);

    QLinearGradient body(0, 0, 0, 551);
    body.setColorAt(0, Palette::NavyTop);
    body.setColorAt(1, Palette::NavyBottom);
    p.setPen(QPen(WithAlpha(Palette::Teal, 80), 1));
    p.setBrush(body);
    p.drawPath(Rounded(frame, 12));

    QPainterPath caption;
    caption.addRoundedRect(QRectF(7, 7, 512, 60), 11.5, 11.5);
    QPainterPath cut;
    cut.addRect(QRectF(0, 44, 526, 60));
    caption = caption.subtracted(cut);
    QLinearGradient captionFill(0, 7, 0, 44);
    captionFill.setColorAt(0, QColor(0xee, 0xf4, 0xf7));
    captionFill.setColorAt(1, QColor(0xd6, 0xe3, 0xea));
    p.setPen(Qt::NoPen);
    p.setBrush(captionFill);
    p.drawPath(caption);

    p.setBrush(Palette::Teal);
    p.drawRect(QRectF(7, 44, 512, 1.5));
    p.setBrush(WithAlpha(Palette::Teal, 40));
    p.drawRect(QRectF(7, 45.5, 512, 2));
    return image;
}

QImage DialogButton(const QColor& base, ChromeState state)
{
    QImage image = NewImage(112, 31);
    QPainter p(&image);
    Prepare(p);
    QColor top = base.lighter(112);
    QColor bottom = base.darker(112);
    if (state == ChromeState::Hover) {
        top = base.lighter(128);
        bottom = base;
    } else if (state == ChromeState::Pressed) {
        top = base.darker(125);
        bottom = base.darker(112);
    }
    QLinearGradient fill(0, 0, 0, 31);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(QPen(base.darker(150), 1));
    p.setBrush(fill);
    p.drawPath(Rounded(QRectF(0.5, 0.5, 111, 30), 5));
    if (state != ChromeState::Pressed) {
        p.setPen(QPen(QColor(255, 255, 255, 50), 1));
        p.drawLine(QPointF(5, 1.5), QPointF(107, 1.5));
    }
    return image;
}

// Server list state icons: 70x25, of which the left 54 pixels carry three marks (favorite
// star, anchor, fastest bolt) and a five-bar load meter; the right 16 pixels stay clear for
// the country flag drawn over them. A mark that is off is a faint outline, so the columns of
// the list line up whatever the marks.
namespace ServerIcon {

const QColor Star(0xf5, 0xc8, 0x4c);
const QColor Anchor(0x2d, 0xd4, 0xbf);
const QColor Bolt(0x00, 0xde, 0xff);
const QColor Off(0xdc, 0xe8, 0xf0, 70);

struct State
{
    const char* name;
    bool anchored;
    bool favorite;
    bool fastest;
};

const State States[] = {
    {"FavoriteOff", false, false, false}, {"FavoriteOn", false, true, false},
    {"Fastest", false, false, true},      {"FavoriteFastest", false, true, true},
    {"Anchor", true, false, false},       {"AnchorFavorite", true, true, false},
    {"AnchorFastest", true, false, true}, {"AnchorFavoriteFastest", true, true, true},
};

// Load buckets in rising order; the index is the number of lit meter bars.
const char* const Buckets[] = {"00", "20", "35", "50", "65", "80"};

QColor LoadColor(int level)
{
    if (level <= 2)
        return Palette::Green;
    if (level == 3)
        return QColor(0xd8, 0xd0, 0x45);
    if (level == 4)
        return QColor(0xf2, 0x9a, 0x3a);
    return Palette::Red;
}

void Mark(QPainter& p, const QPainterPath& path, bool on, const QColor& color, bool filled)
{
    if (on) {
        p.setPen(QPen(color.darker(filled ? 140 : 100), filled ? 0.8 : 1.7, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.setBrush(filled ? QBrush(color) : QBrush(Qt::NoBrush));
    } else {
        p.setPen(QPen(Off, filled ? 1.0 : 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
    }
    p.drawPath(path);
}

QPainterPath StarPath(QPointF center, qreal outer, qreal inner)
{
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = (i % 2 == 0) ? outer : inner;
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(center.x() + radius * std::cos(angle), center.y() + radius * std::sin(angle));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

QPainterPath AnchorPath(qreal cx)
{
    QPainterPath path;
    path.addEllipse(QPointF(cx, 6.5), 1.8, 1.8);
    path.moveTo(cx, 8.3);
    path.lineTo(cx, 19.5);
    path.moveTo(cx - 3.2, 10.5);
    path.lineTo(cx + 3.2, 10.5);
    path.moveTo(cx - 5.2, 14.5);
    path.quadTo(cx - 4.6, 19.5, cx, 19.5);
    path.quadTo(cx + 4.6, 19.5, cx + 5.2, 14.5);
    path.moveTo(cx - 6.4, 16.0);
    path.lineTo(cx - 5.2, 14.2);
    path.lineTo(cx - 3.6, 15.6);
    path.moveTo(cx + 6.4, 16.0);
    path.lineTo(cx + 5.2, 14.2);
    path.lineTo(cx + 3.6, 15.6);
    return path;
}

QPainterPath BoltPath(qreal cx)
{
    QPainterPath path;
    path.moveTo(cx + 2.0, 4.0);
    path.lineTo(cx - 3.6, 13.6);
    path.lineTo(cx - 0.2, 13.6);
    path.lineTo(cx - 2.0, 21.0);
    path.lineTo(cx + 3.6, 11.0);
    path.lineTo(cx + 0.2, 11.0);
    path.closeSubpath();
    return path;
}

QImage StateIcon(const State& state, int level)
{
    QImage image = NewImage(70, 25);
    QPainter p(&image);
    Prepare(p);
    Mark(p, StarPath(QPointF(8, 12.5), 6.4, 2.7), state.favorite, Star, true);
    Mark(p, AnchorPath(22), state.anchored, Anchor, false);
    Mark(p, BoltPath(34), state.fastest, Bolt, true);

    // The meter: five rising bars on whole pixels so they stay crisp at this size.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    const QColor lit = LoadColor(level);
    for (int bar = 0; bar < 5; ++bar) {
        const int height = 5 + 3 * bar;
        const QRect rect(40 + bar * 3, 20 - height, 2, height);
        p.setBrush(bar < level ? lit : WithAlpha(Palette::Text, 45));
        p.drawRect(rect);
    }
    return image;
}

} // namespace ServerIcon

// The country flags of the server list: file name and the famfamfam source (ISO code).
const struct
{
    const char* file;
    const char* code;
} Flags[] = {
    {"usa", "us"},         {"germany", "de"},      {"romania", "ro"},    {"poland", "pl"},
    {"lithuania", "lt"},   {"latvia", "lv"},       {"bulgaria", "bg"},   {"estonia", "ee"},
    {"czech", "cz"},       {"denmark", "dk"},      {"finland", "fi"},    {"italy", "it"},
    {"switzerland", "ch"}, {"netherlands", "nl"},  {"luxembourg", "lu"}, {"belgium", "be"},
    {"uk", "gb"},          {"france", "fr"},       {"ireland", "ie"},    {"spain", "es"},
    {"portugal", "pt"},    {"russia", "ru"},       {"seychelles", "sc"}, {"canada", "ca"},
    {"hong_kong", "hk"},   {"costa_rica", "cr"},   {"argentina", "ar"},  {"brazil", "br"},
    {"mexico", "mx"},      {"south_africa", "za"}, {"singapore", "sg"},  {"japan", "jp"},
    {"australia", "au"},   {"israel", "il"},
};

// A 16x11 flag centred in the 16x25 flag cell.
QImage FlagCell(const QImage& flag)
{
    QImage image = NewImage(16, 25);
    QPainter p(&image);
    p.drawImage(QPoint(0, (25 - flag.height()) / 2), flag);
    return image;
}

// The flag of a server whose country is not in the table: a plain slate flag with a question mark.
QImage UnknownFlag()
{
    QImage flag = NewImage(16, 11);
    QPainter p(&flag);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(QRect(0, 0, 16, 11), QColor(0x4b, 0x5b, 0x72));
    p.setPen(QColor(0x7d, 0x8d, 0xa3));
    p.drawRect(QRect(0, 0, 15, 10));
    p.setPen(Qt::white);
    p.setFont(SansFont(9, QFont::Bold));
    p.drawText(QRect(0, 0, 16, 11), Qt::AlignCenter, QStringLiteral("?"));
    p.end();
    return FlagCell(flag);
}

const char FlagNote[]
    = "Country flags of the server list (all files here except unknown.png): the famfamfam flag\n"
      "icons by Mark James, from the Debian package famfamfam-flag-png. They are public domain,\n"
      "free for any use (attribution appreciated). tools/artwork.sh pads them from 16x11 to 16x25.\n"
      "unknown.png is drawn by the artwork generator.\n";

// The program's icon as PNGs in the hicolor theme's application sizes, for desktops and menus
// that do not draw the scalable one.
int DrawIcons(const QString& svgPath, const QDir& hicolor, QTextStream& err)
{
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid()) {
        err << "cannot read " << svgPath << '\n';
        return 1;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QImage image = NewImage(size, size);
        QPainter p(&image);
        Prepare(p);
        renderer.render(&p);
        p.end();
        const QString path = hicolor.filePath(QStringLiteral("%1x%1/apps/norvane.png").arg(size));
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!image.save(path, "PNG")) {
            err << "cannot write " << path << '\n';
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc == 4 && qstrcmp(argv[1], "--icon") == 0)
        return DrawIcons(QString::fromLocal8Bit(argv[2]), QDir(QString::fromLocal8Bit(argv[3])), err);
    if (argc != 2 && argc != 3) {
        err << "usage: norvane-artwork <resources/images directory> [famfamfam 16x11 flag directory]\n"
               "       norvane-artwork --icon <icon SVG> <hicolor directory>\n";
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    const QDir flagSource(argc == 3 ? QString::fromLocal8Bit(argv[2])
                                    : QStringLiteral("/usr/share/flags/countries/16x11"));
    struct Output
    {
        QString path;
        std::function<QImage()> draw;
    };
    const QColor green(0x1f, 0xb8, 0x8a);
    const QColor grey(0x4b, 0x5b, 0x72);
    QList<Output> outputs = {
        {QStringLiteral("global/MainFormNoLogo.png"), MainForm},
        {QStringLiteral("global/Logo.png"), Logo},
        {QStringLiteral("global/SystrayIconRed.png"), [] { return TrayIcon(Palette::Red, false); }},
        {QStringLiteral("global/SystrayIconGreen.png"), [] { return TrayIcon(Palette::Green, true); }},
        {QStringLiteral("global/IndicatorConnected.png"), [] { return IndicatorRail(Palette::Green); }},
        {QStringLiteral("global/IndicatorDisconnected.png"), [] { return IndicatorRail(Palette::Red); }},
        {QStringLiteral("global/IndicatorEmpty.png"), IndicatorEmpty},
        {QStringLiteral("global/ConnectingProgress.png"), ConnectingProgress},
        {QStringLiteral("global/FormMinimize.png"),
         [] { return ChromeButton(34, false, ChromeState::Normal); }},
        {QStringLiteral("global/FormMinimizeOver.png"),
         [] { return ChromeButton(34, false, ChromeState::Hover); }},
        {QStringLiteral("global/FormMinimizePressed.png"),
         [] { return ChromeButton(34, false, ChromeState::Pressed); }},
        {QStringLiteral("global/FormClose.png"), [] { return ChromeButton(36, true, ChromeState::Normal); }},
        {QStringLiteral("global/FormCloseOver.png"),
         [] { return ChromeButton(36, true, ChromeState::Hover); }},
        {QStringLiteral("global/FormClosePressed.png"),
         [] { return ChromeButton(36, true, ChromeState::Pressed); }},
        {QStringLiteral("main/MenuArrowLeft.png"), [] { return MenuArrow(false); }},
        {QStringLiteral("main/MenuArrowRight.png"), [] { return MenuArrow(true); }},
        {QStringLiteral("main/Restart.png"), RestartIcon},
        {QStringLiteral("main/DropDownArrow.png"), DropDownArrow},
        {QStringLiteral("dialogs/EmptyDialog.png"), EmptyDialog},
        {QStringLiteral("buttons/DialogGreenButton.png"),
         [=] { return DialogButton(green, ChromeState::Normal); }},
        {QStringLiteral("buttons/DialogGreenButtonHover.png"),
         [=] { return DialogButton(green, ChromeState::Hover); }},
        {QStringLiteral("buttons/DialogGreenButtonPressed.png"),
         [=] { return DialogButton(green, ChromeState::Pressed); }},
        {QStringLiteral("buttons/DialogGreyButton.png"),
         [=] { return DialogButton(grey, ChromeState::Normal); }},
        {QStringLiteral("buttons/DialogGreyButtonHover.png"),
         [=] { return DialogButton(grey, ChromeState::Hover); }},
        {QStringLiteral("buttons/DialogGreyButtonPressed.png"),
         [=] { return DialogButton(grey, ChromeState::Pressed); }},
    };
    for (const ServerIcon::State& state : ServerIcon::States) {
        for (int level = 0; level < 6; ++level) {
            outputs.append({QStringLiteral("servers/%1_percent_%2.png")
                                .arg(QLatin1String(state.name), QLatin1String(ServerIcon::Buckets[level])),
                            [state, level] { return ServerIcon::StateIcon(state, level); }});
        }
    }
    for (const auto& flag : Flags) {
        const QString source = flagSource.filePath(QLatin1String(flag.code) + QStringLiteral(".png"));
        const QImage image(source);
        if (image.isNull()) {
            err << "cannot read flag " << source << " (Debian package famfamfam-flag-png)\n";
            return 1;
        }
        outputs.append({QStringLiteral("servers/flags/%1.png").arg(QLatin1String(flag.file)),
                        [image] { return FlagCell(image); }});
    }
    outputs.append({QStringLiteral("servers/flags/unknown.png"), UnknownFlag});

    QFile note(root.filePath(QStringLiteral("servers/flags/README")));
    QDir().mkpath(QFileInfo(note.fileName()).absolutePath());
    if (!note.open(QIODevice::WriteOnly | QIODevice::Truncate) || note.write(FlagNote) < 0) {
        err << "cannot write " << note.fileName() << '\n';
        return 1;
    }
    note.close();

    for (const Output& output : outputs) {
        const QString path = root.filePath(output.path);
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!output.draw().save(path, "PNG")) {
            err << "cannot write " << path << '\n';
            return 1;
        }
    }
    return 0;
}
