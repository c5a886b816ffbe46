#include "padpictures.h"

#include "bindingtable.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstring>

const PadPicture padPictures[PAD_PICTURES] = {
    {"PadSetup-Back-Tp", 550, 360},    {"PadSetup-Button-1", 43, 40},
    {"PadSetup-Button-2", 42, 40},     {"PadSetup-Button-3", 43, 37},
    {"PadSetup-Button-4", 44, 39},     {"PadSetup-Select", 33, 25},
    {"PadSetup-Start", 33, 25},        {"PadSetup-X", 58, 48},
    {"PadSetup-Stick-Left", 76, 68},   {"PadSetup-Stick-Right", 72, 62},
    {"PadSetup-Shift-Left", 101, 47},  {"PadSetup-Shift-Right", 101, 47},
    {"PadSetup-Trigger-Left", 43, 47}, {"PadSetup-Trigger-Right", 43, 47},
    {"PadSetup-Dpad-Up", 34, 35},      {"PadSetup-Dpad-Down", 32, 34},
    {"PadSetup-Dpad-Left", 41, 30},    {"PadSetup-Dpad-Right", 40, 30},
    {"PadSetup-Arrow-Up", 45, 58},     {"PadSetup-Arrow-Down", 45, 58},
    {"PadSetup-Arrow-Left", 58, 45},   {"PadSetup-Arrow-Right", 58, 45},
    {"PadSetup-Stick-LR", 81, 45},     {"PadSetup-Stick-UD", 45, 80},
    {"PadSetup-Share", 26, 21},        {"PadSetup-Touchpad", 100, 44},
    {"PadSetup-Paddle-1", 52, 76},     {"PadSetup-Paddle-2", 52, 76},
    {"PadSetup-Paddle-3", 76, 62},     {"PadSetup-Paddle-4", 76, 62},
};

namespace
{

const double kWidth = 550.0; // the base picture; the pad is symmetric about its middle
const double kMid = kWidth / 2.0;

// How far a highlight's halo reaches beyond its control's shape. The shapes keep at least this much and a
// pixel more from their picture's edges, so no glow is cut off by the label that shows it.
const double kGlowReach = 2.5;

const PadPicture* findPicture(const QString& name)
{
    for (const PadPicture& picture : padPictures)
        if (name == QLatin1String(picture.name))
            return &picture;
    return nullptr;
}

// Where the binding table puts a highlight on the base picture. The control's geometry is taken from this
// rectangle, so the table is the one source of every position. Pictures that serve more than one row
// (the arrows) are drawn in their own coordinates instead and never ask for this.
QRectF placedRect(const char* name)
{
    const PadPicture* picture = findPicture(QString::fromLatin1(name));
    for (const BindingRow& row : bindingTable)
        if (std::strcmp(row.image + 2, name) == 0) // skip the ":/" of the resource path
            return QRectF(row.x, row.y, picture->width, picture->height);
    return QRectF();
}

QPointF centreOf(const char* name)
{
    return placedRect(name).center();
}

// ---- The pad's geometry, all in pixels of the 550x360 base picture ----

struct Geometry {
    QPointF faceA, faceB, faceX, faceY;
    double faceRadius = 14.5;
    QPointF select, start;
    QSizeF pill{24.0, 13.0};
    QPointF guide;
    double guideRadius = 19.0;
    QPointF stickLeft, stickRight;
    double wellRadius = 27.0, capRadius = 20.0;
    QPointF dpad;
    double armHalfWidth = 11.0, armReach = 30.0, armGap = 11.5; // each arm starts past the hub
    double dpadWellRadius = 37.0;
    QRectF shoulderLeft, shoulderRight, triggerLeft, triggerRight;
    QPointF share;
    QSizeF shareSize{16.0, 11.0};
    QRectF touchpad;
    QRectF paddle[4]; // SDL's paddle1 to paddle4

    Geometry()
        : faceA(centreOf("PadSetup-Button-3")), faceB(centreOf("PadSetup-Button-2")),
          faceX(centreOf("PadSetup-Button-4")), faceY(centreOf("PadSetup-Button-1")),
          select(centreOf("PadSetup-Select")), start(centreOf("PadSetup-Start")),
          guide(centreOf("PadSetup-X")), stickLeft(centreOf("PadSetup-Stick-Left")),
          stickRight(centreOf("PadSetup-Stick-Right")),
          // the d-pad's hub: in line with the up and down arms, and with the left and right arms
          dpad(centreOf("PadSetup-Dpad-Up").x(), centreOf("PadSetup-Dpad-Left").y()),
          shoulderLeft(placedRect("PadSetup-Shift-Left")), shoulderRight(placedRect("PadSetup-Shift-Right")),
          triggerLeft(placedRect("PadSetup-Trigger-Left")),
          triggerRight(placedRect("PadSetup-Trigger-Right")), share(centreOf("PadSetup-Share")),
          touchpad(placedRect("PadSetup-Touchpad")
                       .adjusted(kGlowReach + 1.5, kGlowReach + 1.5, -kGlowReach - 1.5, -kGlowReach - 1.5)),
          paddle{placedRect("PadSetup-Paddle-1"), placedRect("PadSetup-Paddle-2"),
                 placedRect("PadSetup-Paddle-3"), placedRect("PadSetup-Paddle-4")}
    {
    }
};

const Geometry& geometry()
{
    static const Geometry g;
    return g;
}

QPointF mirrored(const QPointF& p)
{
    return QPointF(kWidth - p.x(), p.y());
}

// The body's outline, left half from the top middle round to the bottom middle as cubic segments; the
// right half is its mirror image.
struct Cubic {
    QPointF c1, c2, end;
};
const QPointF kBodyTop(kMid, 106);
const Cubic kBodyLeft[] = {
    {{230, 104}, {190, 89}, {150, 87}},      // top edge, rising towards the shoulders
    {{105, 85}, {70, 95}, {52, 121}},        // outer shoulder corner
    {{33, 148}, {21, 198}, {25, 240}},       // side
    {{29, 283}, {42, 320}, {70, 334}},       // grip, outer side
    {{95, 346}, {150, 346}, {186, 337}},     // grip, bottom
    {{221, 332}, {233, 317}, {250, 309}},    // grip, inner side
    {{259, 305.5}, {267, 305}, {kMid, 305}}, // between the grips
};

QPainterPath bodyPath()
{
    QPainterPath path(kBodyTop);
    for (const Cubic& c : kBodyLeft)
        path.cubicTo(c.c1, c.c2, c.end);
    // the right half runs the same segments backwards, mirrored
    const int n = sizeof kBodyLeft / sizeof kBodyLeft[0];
    for (int i = n - 1; i >= 0; --i) {
        const QPointF end = i > 0 ? kBodyLeft[i - 1].end : kBodyTop;
        path.cubicTo(mirrored(kBodyLeft[i].c2), mirrored(kBodyLeft[i].c1), mirrored(end));
    }
    path.closeSubpath();
    return path;
}

// Places a shape drawn for the left-hand control (in coordinates from its rectangle's top-left corner)
// into the rectangle `r`, mirrored for the right-hand one.
QPainterPath placedShape(const QPainterPath& local, const QRectF& r, bool right)
{
    const QTransform place =
        right ? QTransform(-1, 0, 0, 1, r.right(), r.top()) : QTransform::fromTranslate(r.left(), r.top());
    return place.map(local);
}

// A shoulder button, the bar that sits on the body's top edge, within its highlight's rectangle.
QPainterPath shoulderPath(bool right)
{
    const Geometry& g = geometry();
    QPainterPath path(QPointF(8, 42));
    path.cubicTo(QPointF(3, 30), QPointF(9, 13), QPointF(27, 8));
    path.cubicTo(QPointF(45, 4), QPointF(72, 3.5), QPointF(90, 5.5));
    path.cubicTo(QPointF(94.5, 6), QPointF(96, 9), QPointF(96, 13));
    path.lineTo(96, 28);
    path.cubicTo(QPointF(96, 32), QPointF(93, 33), QPointF(89, 33));
    path.cubicTo(QPointF(62, 32), QPointF(33, 33), QPointF(17, 42));
    path.cubicTo(QPointF(13, 44), QPointF(9, 44), QPointF(8, 42));
    path.closeSubpath();
    return placedShape(path, right ? g.shoulderRight : g.shoulderLeft, right);
}

// A trigger, rising above its shoulder button; its foot runs on behind the shoulder and the body.
QPainterPath triggerPath(bool right)
{
    const Geometry& g = geometry();
    // the top slopes up towards the middle of the pad
    QPainterPath path(QPointF(4, 65));
    path.lineTo(4, 22);
    path.cubicTo(QPointF(4, 15), QPointF(8, 12), QPointF(15, 11));
    path.cubicTo(QPointF(24, 9.5), QPointF(31, 7), QPointF(34.5, 7.5));
    path.cubicTo(QPointF(38, 8), QPointF(39, 11), QPointF(39, 16));
    path.lineTo(39, 65);
    path.closeSubpath();
    return placedShape(path, right ? g.triggerRight : g.triggerLeft, right);
}

// The part of a trigger that shows above its shoulder button, which is what its highlight lights up.
QPainterPath triggerShownPath(bool right)
{
    const QRectF r = right ? geometry().triggerRight : geometry().triggerLeft;
    QPainterPath clip;
    clip.addRect(QRectF(r.left(), r.top(), r.width(), r.height() - 4.0));
    return triggerPath(right).intersected(clip);
}

QPainterPath circlePath(const QPointF& centre, double radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

QPainterPath pillPath(const QPointF& centre)
{
    const QSizeF s = geometry().pill;
    QPainterPath path;
    path.addRoundedRect(
        QRectF(centre.x() - s.width() / 2, centre.y() - s.height() / 2, s.width(), s.height()),
        s.height() / 2, s.height() / 2);
    return path;
}

// A back paddle: a lever on the back of a grip, SDL's paddle1 to paddle4 for `number` 1 to 4.
//
// SDL numbers the paddles as the Xbox Elite pad's P1, P3, P2, P4: paddle1 and paddle3 are under the right
// hand (upper and lower), paddle2 and paddle4 under the left. Seen from the back they would swap sides;
// this picture shows the front, so the right-hand paddles are on the right, on the face buttons' side,
// where the player's hand is. Each lever runs down from behind the grip and out past its edge, so, like
// the triggers, it shows where it leaves the body and is drawn faintly through the grip elsewhere.
bool paddleIsRight(int number)
{
    return number == 1 || number == 3;
}

// A paddle's pivot (behind the grip) and its end (past the grip's edge), in the left-hand paddle's
// own rectangle.
void paddleAxis(int number, QPointF* pivot, QPointF* end)
{
    const bool upper = number <= 2;
    *pivot = upper ? QPointF(42, 10) : QPointF(66, 10);
    *end = upper ? QPointF(14, 62) : QPointF(14, 48);
}

// The point a fraction `t` of the way from a paddle's pivot to its end, moved by `offset` (for the left
// hand; mirrored for the right), on the base picture.
QPointF paddlePoint(int number, double t, const QPointF& offset)
{
    QPointF pivot, end;
    paddleAxis(number, &pivot, &end);
    QPainterPath point(pivot + (end - pivot) * t + offset);
    return placedShape(point, geometry().paddle[number - 1], paddleIsRight(number)).currentPosition();
}

QPainterPath paddlePath(int number)
{
    // narrow at its pivot and broad at the end the finger presses
    QPointF pivot, end;
    paddleAxis(number, &pivot, &end);
    const double rPivot = 6.0, rEnd = 10.0;
    const QPointF v = end - pivot;
    const double d = std::hypot(v.x(), v.y());
    const QPointF u = v / d, n(-u.y(), u.x());
    // the two lines that touch both circles
    const double c = (rPivot - rEnd) / d, sn = std::sqrt(1 - c * c);
    const QPointF side1 = u * c + n * sn, side2 = u * c - n * sn;
    QPainterPath hull;
    hull.addPolygon(
        QPolygonF({pivot + side1 * rPivot, end + side1 * rEnd, end + side2 * rEnd, pivot + side2 * rPivot}));
    hull.closeSubpath();
    const QPainterPath lever =
        hull.united(circlePath(pivot, rPivot)).united(circlePath(end, rEnd)).simplified();
    return placedShape(lever, geometry().paddle[number - 1], paddleIsRight(number));
}

QPainterPath sharePath()
{
    const Geometry& g = geometry();
    const QSizeF s = g.shareSize;
    QPainterPath path;
    path.addRoundedRect(
        QRectF(g.share.x() - s.width() / 2, g.share.y() - s.height() / 2, s.width(), s.height()), 3.5, 3.5);
    return path;
}

// A panel narrowing a little towards the bottom, with rounded corners.
QPainterPath touchpadPath()
{
    const QRectF r = geometry().touchpad;
    const double inset = 6.0, round = 7.0;
    const QPointF corners[4] = {r.topLeft(), r.topRight(), r.bottomRight() - QPointF(inset, 0),
                                r.bottomLeft() + QPointF(inset, 0)};
    // each corner is cut by a curve between the points `round` along its two edges
    auto along = [round](const QPointF& from, const QPointF& to) {
        const QPointF v = to - from;
        return from + v * (round / std::hypot(v.x(), v.y()));
    };
    QPainterPath path(along(corners[0], corners[1]));
    for (int i = 1; i <= 4; ++i) {
        const QPointF& c = corners[i % 4];
        path.lineTo(along(c, corners[i - 1]));
        path.quadTo(c, along(c, corners[(i + 1) % 4]));
    }
    path.closeSubpath();
    return path;
}

enum Direction { UP, DOWN, LEFT, RIGHT };

QPointF unitOf(Direction d)
{
    switch (d) {
    case UP:
        return QPointF(0, -1);
    case DOWN:
        return QPointF(0, 1);
    case LEFT:
        return QPointF(-1, 0);
    case RIGHT:
        break;
    }
    return QPointF(1, 0);
}

// One arm of the d-pad, from just outside the hub to its end.
QPainterPath dpadArmPath(Direction d)
{
    const Geometry& g = geometry();
    const QPointF u = unitOf(d);
    const QPointF n(-u.y(), u.x());
    const QPointF a = g.dpad + u * g.armGap + n * g.armHalfWidth;
    const QPointF b = g.dpad + u * g.armReach - n * g.armHalfWidth;
    QPainterPath path;
    path.addRoundedRect(QRectF(a, b).normalized(), 3.5, 3.5);
    return path;
}

// The whole cross: the four arms and the hub between them.
QPainterPath dpadCrossPath()
{
    const Geometry& g = geometry();
    const double w = g.armHalfWidth, r = g.armReach;
    QPainterPath across, upright;
    across.addRoundedRect(QRectF(g.dpad.x() - r, g.dpad.y() - w, 2 * r, 2 * w), 3.5, 3.5);
    upright.addRoundedRect(QRectF(g.dpad.x() - w, g.dpad.y() - r, 2 * w, 2 * r), 3.5, 3.5);
    return across.united(upright).simplified();
}

// An arrow from tail to tip: a shaft and a head.
QPainterPath arrowPath(const QPointF& tail, const QPointF& tip, double headLength = 12.0,
                       double headHalf = 11.0, double shaftHalf = 4.5)
{
    const QPointF v = tip - tail;
    const double length = std::hypot(v.x(), v.y());
    const QPointF u = v / length;
    const QPointF n(-u.y(), u.x());
    const QPointF neck = tip - u * headLength;
    QPolygonF polygon;
    polygon << tail + n * shaftHalf << neck + n * shaftHalf << neck + n * headHalf << tip
            << neck - n * headHalf << neck - n * shaftHalf << tail - n * shaftHalf;
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    return path;
}

// An arrow with a head at both ends, for the two pictures of a whole stick axis.
QPainterPath doubleArrowPath(const QPointF& a, const QPointF& b)
{
    const QPointF middle = (a + b) / 2;
    return arrowPath(middle, a).united(arrowPath(middle, b)).simplified();
}

// The stick-direction arrows are shared by both sticks, so they are drawn in their own picture's
// coordinates; the binding table puts each one just outside the well of either stick.
QPainterPath stickArrowPath(const QString& name)
{
    if (name == QLatin1String("PadSetup-Arrow-Left"))
        return arrowPath(QPointF(39, 18), QPointF(12, 18));
    if (name == QLatin1String("PadSetup-Arrow-Right"))
        return arrowPath(QPointF(17, 18), QPointF(44, 18));
    if (name == QLatin1String("PadSetup-Arrow-Up"))
        return arrowPath(QPointF(22, 31), QPointF(22, 4));
    if (name == QLatin1String("PadSetup-Arrow-Down"))
        return arrowPath(QPointF(22, 14), QPointF(22, 41));
    if (name == QLatin1String("PadSetup-Stick-LR"))
        return doubleArrowPath(QPointF(6, 22.5), QPointF(75, 22.5));
    if (name == QLatin1String("PadSetup-Stick-UD"))
        return doubleArrowPath(QPointF(22.5, 6), QPointF(22.5, 74));
    return QPainterPath();
}

// The shape that a highlight lights up, in its own picture's coordinates; `solid` for the arrows, which
// stand on the bare body rather than over a control and so are filled more strongly.
QPainterPath highlightPath(const QString& name, bool* solid)
{
    const Geometry& g = geometry();
    *solid = false;
    QPainterPath shape;
    if (name == QLatin1String("PadSetup-Button-3"))
        shape = circlePath(g.faceA, g.faceRadius);
    else if (name == QLatin1String("PadSetup-Button-2"))
        shape = circlePath(g.faceB, g.faceRadius);
    else if (name == QLatin1String("PadSetup-Button-4"))
        shape = circlePath(g.faceX, g.faceRadius);
    else if (name == QLatin1String("PadSetup-Button-1"))
        shape = circlePath(g.faceY, g.faceRadius);
    else if (name == QLatin1String("PadSetup-Select"))
        shape = pillPath(g.select);
    else if (name == QLatin1String("PadSetup-Start"))
        shape = pillPath(g.start);
    else if (name == QLatin1String("PadSetup-X"))
        shape = circlePath(g.guide, g.guideRadius);
    else if (name == QLatin1String("PadSetup-Stick-Left"))
        shape = circlePath(g.stickLeft, g.wellRadius);
    else if (name == QLatin1String("PadSetup-Stick-Right"))
        shape = circlePath(g.stickRight, g.wellRadius);
    else if (name == QLatin1String("PadSetup-Shift-Left"))
        shape = shoulderPath(false);
    else if (name == QLatin1String("PadSetup-Shift-Right"))
        shape = shoulderPath(true);
    else if (name == QLatin1String("PadSetup-Trigger-Left"))
        shape = triggerShownPath(false);
    else if (name == QLatin1String("PadSetup-Trigger-Right"))
        shape = triggerShownPath(true);
    else if (name == QLatin1String("PadSetup-Dpad-Up"))
        shape = dpadArmPath(UP);
    else if (name == QLatin1String("PadSetup-Dpad-Down"))
        shape = dpadArmPath(DOWN);
    else if (name == QLatin1String("PadSetup-Dpad-Left"))
        shape = dpadArmPath(LEFT);
    else if (name == QLatin1String("PadSetup-Dpad-Right"))
        shape = dpadArmPath(RIGHT);
    else if (name == QLatin1String("PadSetup-Share"))
        shape = sharePath();
    else if (name == QLatin1String("PadSetup-Touchpad"))
        shape = touchpadPath();
    else if (name.startsWith(QLatin1String("PadSetup-Paddle-")))
        shape = paddlePath(name.right(1).toInt());
    else {
        *solid = true;
        return stickArrowPath(name);
    }
    const QRectF placed = placedRect(name.toLatin1().constData());
    return shape.translated(-placed.topLeft());
}

// ---- Painting ----

const QColor kGlow(255, 146, 28);      // the highlight's orange
const QColor kGlowEdge(255, 206, 120); // its bright rim

void paintHighlight(QPainter& p, const QPainterPath& shape, bool solid)
{
    p.setBrush(Qt::NoBrush);
    QColor halo = kGlow;
    halo.setAlpha(70);
    p.setPen(QPen(halo, 2 * kGlowReach, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(shape);
    QColor fill = kGlow;
    fill.setAlpha(solid ? 215 : 95);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(shape);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kGlowEdge, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(shape);
}

QPen outlinePen(const QColor& colour, double width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QLinearGradient verticalGradient(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

void paintTrigger(QPainter& p, bool right)
{
    const QPainterPath path = triggerPath(right);
    p.setPen(outlinePen(QColor(24, 25, 28), 1.2));
    p.setBrush(verticalGradient(path.boundingRect(), QColor(104, 109, 118), QColor(52, 55, 61)));
    p.drawPath(path);
    // grip ridges across its face, each a dark groove with a lit lower lip
    const QRectF r = path.boundingRect();
    p.save();
    p.setClipPath(path);
    for (int i = 0; i < 3; ++i) {
        const double y = r.top() + 13 + 8 * i;
        p.setPen(outlinePen(QColor(0, 0, 0, 70), 1.4));
        p.drawLine(QPointF(r.left() + 6, y), QPointF(r.right() - 6, y));
        p.setPen(outlinePen(QColor(255, 255, 255, 35), 1.0));
        p.drawLine(QPointF(r.left() + 6, y + 1.3), QPointF(r.right() - 6, y + 1.3));
    }
    p.restore();
}

// The same outline once more, a little lower and clipped to the shape: a thin band along its top edge.
void paintTopEdge(QPainter& p, const QPainterPath& path, const QColor& colour)
{
    p.save();
    p.setClipPath(path);
    p.setPen(outlinePen(colour, 3.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path.translated(0, 1.5));
    p.restore();
}

void paintShoulder(QPainter& p, bool right)
{
    const QPainterPath path = shoulderPath(right);
    const QRectF r = path.boundingRect();
    p.setPen(outlinePen(QColor(22, 23, 26), 1.2));
    p.setBrush(verticalGradient(r, QColor(118, 123, 132), QColor(66, 69, 76)));
    p.drawPath(path);
    // a lit top edge
    paintTopEdge(p, path, QColor(255, 255, 255, 55));
}

void paintBody(QPainter& p)
{
    const QPainterPath body = bodyPath();
    const QRectF r = body.boundingRect();

    // a soft shadow under the pad
    p.setPen(Qt::NoPen);
    for (int i = 3; i >= 1; --i) {
        p.setBrush(QColor(0, 0, 0, 22));
        p.drawPath(body.translated(0, i * 1.2));
    }

    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0.0, QColor(84, 88, 96));
    fill.setColorAt(0.45, QColor(62, 65, 72));
    fill.setColorAt(1.0, QColor(40, 42, 47));
    p.setBrush(fill);
    p.drawPath(body);

    p.save();
    p.setClipPath(body);
    // light from above: a broad glow over the upper middle of the body
    QRadialGradient light(QPointF(kMid, 120), 260);
    light.setColorAt(0.0, QColor(255, 255, 255, 34));
    light.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(light);
    p.drawRect(r);
    // a rim: lit along the top, shaded along the bottom
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(QColor(255, 255, 255, 40), 4.0));
    p.drawPath(body.translated(0, 2));
    p.setPen(outlinePen(QColor(0, 0, 0, 60), 4.0));
    p.drawPath(body.translated(0, -2));
    p.restore();

    p.setPen(outlinePen(QColor(22, 23, 26), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
}

// A shallow round dip in the body, under a stick, the d-pad or the face buttons.
void paintRecess(QPainter& p, const QPointF& centre, double radius)
{
    QRadialGradient dip(centre + QPointF(0, -radius * 0.25), radius * 1.1);
    dip.setColorAt(0.0, QColor(44, 46, 51));
    dip.setColorAt(0.8, QColor(36, 38, 42));
    dip.setColorAt(1.0, QColor(30, 31, 35));
    p.setPen(outlinePen(QColor(255, 255, 255, 28), 1.2));
    p.setBrush(dip);
    p.drawEllipse(centre, radius, radius);
}

void paintStick(QPainter& p, const QPointF& c)
{
    const Geometry& g = geometry();
    // the well the stick moves in
    QRadialGradient well(c, g.wellRadius);
    well.setColorAt(0.0, QColor(16, 17, 19));
    well.setColorAt(0.8, QColor(28, 29, 33));
    well.setColorAt(1.0, QColor(46, 48, 53));
    p.setPen(outlinePen(QColor(255, 255, 255, 35), 1.2));
    p.setBrush(well);
    p.drawEllipse(c, g.wellRadius, g.wellRadius);
    // the cap's shadow in the well
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawEllipse(c + QPointF(0, 2), g.capRadius + 1, g.capRadius + 1);
    // the cap: a dish with a raised rim
    QRadialGradient cap(c + QPointF(-5, -7), g.capRadius * 1.5);
    cap.setColorAt(0.0, QColor(150, 155, 164));
    cap.setColorAt(1.0, QColor(82, 86, 94));
    p.setPen(outlinePen(QColor(20, 21, 24), 1.2));
    p.setBrush(cap);
    p.drawEllipse(c, g.capRadius, g.capRadius);
    QRadialGradient dish(c + QPointF(3, 4), g.capRadius * 0.8);
    dish.setColorAt(0.0, QColor(112, 117, 126));
    dish.setColorAt(1.0, QColor(78, 82, 90));
    p.setPen(outlinePen(QColor(255, 255, 255, 50), 1.0));
    p.setBrush(dish);
    p.drawEllipse(c, g.capRadius * 0.7, g.capRadius * 0.7);
}

void paintDpad(QPainter& p)
{
    const Geometry& g = geometry();
    const QPainterPath cross = dpadCrossPath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 100));
    p.drawPath(cross.translated(0, 2));
    p.setPen(outlinePen(QColor(20, 21, 24), 1.2));
    p.setBrush(verticalGradient(cross.boundingRect(), QColor(176, 180, 188), QColor(120, 124, 132)));
    p.drawPath(cross);
    // a small dimple in the hub and an engraved triangle at the end of each arm
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawEllipse(g.dpad, 4.5, 4.5);
    p.setBrush(QColor(60, 63, 70));
    for (Direction d : {UP, DOWN, LEFT, RIGHT}) {
        const QPointF u = unitOf(d);
        const QPointF n(-u.y(), u.x());
        const QPointF tip = g.dpad + u * (g.armReach - 6);
        const QPointF base = g.dpad + u * (g.armReach - 12);
        QPolygonF triangle;
        triangle << tip << base + n * 4.5 << base - n * 4.5;
        p.drawPolygon(triangle);
    }
}

// The letter on a face button, drawn as strokes round the button's centre.
QPainterPath letterPath(char letter, const QPointF& c)
{
    QPainterPath path;
    auto at = [&c](double x, double y) { return c + QPointF(x, y); };
    switch (letter) {
    case 'A':
        path.moveTo(at(-4.2, 5));
        path.lineTo(at(0, -5.2));
        path.lineTo(at(4.2, 5));
        path.moveTo(at(-2.6, 1.4));
        path.lineTo(at(2.6, 1.4));
        break;
    case 'B':
        path.moveTo(at(-3.4, 0));
        path.lineTo(at(0.6, 0));
        path.cubicTo(at(4.6, 0), at(4.6, 5), at(0.6, 5));
        path.lineTo(at(-3.4, 5));
        path.lineTo(at(-3.4, -5));
        path.lineTo(at(0.2, -5));
        path.cubicTo(at(3.8, -5), at(3.8, 0), at(0.2, 0));
        break;
    case 'X':
        path.moveTo(at(-4, -5));
        path.lineTo(at(4, 5));
        path.moveTo(at(4, -5));
        path.lineTo(at(-4, 5));
        break;
    default: // 'Y'
        path.moveTo(at(-4.2, -5));
        path.lineTo(at(0, 0.2));
        path.lineTo(at(4.2, -5));
        path.moveTo(at(0, 0.2));
        path.lineTo(at(0, 5));
        break;
    }
    return path;
}

void paintFaceButton(QPainter& p, const QPointF& c, char letter, const QColor& ink)
{
    const double r = geometry().faceRadius;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawEllipse(c + QPointF(0, 2), r + 0.5, r + 0.5);
    QRadialGradient cap(c + QPointF(-4, -6), r * 1.6);
    cap.setColorAt(0.0, QColor(246, 247, 249));
    cap.setColorAt(1.0, QColor(170, 174, 182));
    p.setPen(outlinePen(QColor(26, 27, 30), 1.1));
    p.setBrush(cap);
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(ink, 2.1));
    p.drawPath(letterPath(letter, c));
}

void paintPill(QPainter& p, const QPointF& c, bool pointsRight)
{
    const QPainterPath pill = pillPath(c);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 100));
    p.drawPath(pill.translated(0, 1.5));
    p.setPen(outlinePen(QColor(22, 23, 26), 1.1));
    p.setBrush(verticalGradient(pill.boundingRect(), QColor(190, 194, 201), QColor(132, 136, 144)));
    p.drawPath(pill);
    // back points left, start points right
    const double s = pointsRight ? 1.0 : -1.0;
    QPolygonF triangle;
    triangle << c + QPointF(s * 3.5, 0) << c + QPointF(-s * 2.5, -3.5) << c + QPointF(-s * 2.5, 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(58, 61, 68));
    p.drawPolygon(triangle);
}

void paintGuide(QPainter& p)
{
    const Geometry& g = geometry();
    const QPointF c = g.guide;
    const double r = g.guideRadius;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawEllipse(c + QPointF(0, 2), r + 0.5, r + 0.5);
    QRadialGradient ring(c + QPointF(-5, -7), r * 1.6);
    ring.setColorAt(0.0, QColor(236, 238, 242));
    ring.setColorAt(1.0, QColor(150, 154, 162));
    p.setPen(outlinePen(QColor(24, 25, 28), 1.2));
    p.setBrush(ring);
    p.drawEllipse(c, r, r);
    QRadialGradient face(c + QPointF(0, -4), r);
    face.setColorAt(0.0, QColor(80, 84, 92));
    face.setColorAt(1.0, QColor(46, 48, 54));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawEllipse(c, r - 4, r - 4);
    // a small house: the home button
    QPainterPath house;
    house.moveTo(c + QPointF(-6.5, 0.5));
    house.lineTo(c + QPointF(0, -5.5));
    house.lineTo(c + QPointF(6.5, 0.5));
    house.moveTo(c + QPointF(-4.2, -1.5));
    house.lineTo(c + QPointF(-4.2, 6));
    house.lineTo(c + QPointF(4.2, 6));
    house.lineTo(c + QPointF(4.2, -1.5));
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(QColor(226, 229, 234), 1.8));
    p.drawPath(house);
}

// The part of a paddle that shows past the body, drawn behind it like a trigger.
void paintPaddle(QPainter& p, int number)
{
    const QPainterPath path = paddlePath(number);
    p.setPen(outlinePen(QColor(22, 23, 26), 1.2));
    p.setBrush(verticalGradient(path.boundingRect(), QColor(118, 123, 132), QColor(66, 69, 76)));
    p.drawPath(path);
}

// The rest of a paddle, behind the grip: seen through it as a faint shape with a dashed outline.
void paintPaddleThrough(QPainter& p, int number)
{
    p.save();
    p.setClipPath(bodyPath());
    const QPainterPath path = paddlePath(number);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 30));
    p.drawPath(path);
    QPen dashed = outlinePen(QColor(255, 255, 255, 120), 1.2);
    dashed.setDashPattern({3.0, 2.0});
    p.setPen(dashed);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.restore();
}

// Stroke glyphs for the paddles' labels, in a 5 x 8 box from its top-left corner.
QPainterPath glyphPath(char c, const QPointF& at)
{
    QPainterPath path;
    auto pt = [&at](double x, double y) { return at + QPointF(x, y); };
    switch (c) {
    case 'P':
        path.moveTo(pt(0.5, 8));
        path.lineTo(pt(0.5, 0));
        path.lineTo(pt(2.6, 0));
        path.cubicTo(pt(5, 0), pt(5, 4.4), pt(2.6, 4.4));
        path.lineTo(pt(0.5, 4.4));
        break;
    case '1':
        path.moveTo(pt(0.8, 1.8));
        path.lineTo(pt(3, 0));
        path.lineTo(pt(3, 8));
        break;
    case '2':
        path.moveTo(pt(0.3, 1.8));
        path.cubicTo(pt(0.9, -0.4), pt(4.6, -0.5), pt(4.6, 2.2));
        path.cubicTo(pt(4.6, 4), pt(1.4, 5.6), pt(0.2, 8));
        path.lineTo(pt(4.8, 8));
        break;
    case '3':
        path.moveTo(pt(0.4, 1.1));
        path.cubicTo(pt(1.8, -0.5), pt(4.6, -0.2), pt(4.5, 2));
        path.cubicTo(pt(4.4, 3.4), pt(3, 3.9), pt(1.8, 3.9));
        path.cubicTo(pt(5.4, 3.9), pt(5.2, 8.2), pt(2.3, 8));
        path.cubicTo(pt(1.3, 8), pt(0.6, 7.6), pt(0.2, 7));
        break;
    default: // '4'
        path.moveTo(pt(3.6, 8));
        path.lineTo(pt(3.6, 0));
        path.lineTo(pt(0.2, 5.4));
        path.lineTo(pt(5, 5.4));
        break;
    }
    return path;
}

// "P1" to "P4", upright on the grip beside the paddle, where its highlight does not cover it.
void paintPaddleLabel(QPainter& p, int number)
{
    // beside an upper paddle, towards the middle; below a lower one, which lies flatter
    const QPointF at = (number <= 2 ? paddlePoint(number, 0.45, QPointF(19, 0))
                                    : paddlePoint(number, 0.5, QPointF(10, 14))) -
                       QPointF(6.2, 4);
    QPainterPath label = glyphPath('P', at);
    label.addPath(glyphPath(char('0' + number), at + QPointF(7, 0)));
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(QColor(0, 0, 0, 120), 2.8));
    p.drawPath(label);
    p.setPen(outlinePen(QColor(226, 229, 234), 1.6));
    p.drawPath(label);
}

void paintTouchpad(QPainter& p)
{
    const QPainterPath pad = touchpadPath();
    const QRectF r = pad.boundingRect();
    // a panel set into the body with a lit lip below it, matte rather than glossy so it does not read
    // as a screen
    p.setPen(outlinePen(QColor(255, 255, 255, 40), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(pad.translated(0, 1.2));
    p.setPen(outlinePen(QColor(20, 21, 24), 1.2));
    p.setBrush(verticalGradient(r, QColor(70, 74, 82), QColor(56, 59, 66)));
    p.drawPath(pad);
    // a soft inner shade along the top edge, where the panel dips under the body
    paintTopEdge(p, pad, QColor(0, 0, 0, 60));
}

void paintShare(QPainter& p)
{
    const Geometry& g = geometry();
    const QPainterPath button = sharePath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 100));
    p.drawPath(button.translated(0, 1.5));
    p.setPen(outlinePen(QColor(22, 23, 26), 1.1));
    p.setBrush(verticalGradient(button.boundingRect(), QColor(190, 194, 201), QColor(132, 136, 144)));
    p.drawPath(button);
    // the share mark: an arrow rising out of a tray
    const QPointF c = g.share;
    QPainterPath mark;
    mark.moveTo(c + QPointF(0, 2));
    mark.lineTo(c + QPointF(0, -3));
    mark.moveTo(c + QPointF(-2.2, -1));
    mark.lineTo(c + QPointF(0, -3.2));
    mark.lineTo(c + QPointF(2.2, -1));
    mark.moveTo(c + QPointF(-3.5, 0.5));
    mark.lineTo(c + QPointF(-3.5, 3));
    mark.lineTo(c + QPointF(3.5, 3));
    mark.lineTo(c + QPointF(3.5, 0.5));
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(QColor(58, 61, 68), 1.2));
    p.drawPath(mark);
}

void paintBase(QPainter& p)
{
    const Geometry& g = geometry();
    // back to front: triggers behind the body, shoulders on its top edge, controls on its face
    paintTrigger(p, false);
    paintTrigger(p, true);
    for (int paddle = 1; paddle <= 4; ++paddle)
        paintPaddle(p, paddle);
    paintBody(p);
    paintShoulder(p, false);
    paintShoulder(p, true);
    for (int paddle = 1; paddle <= 4; ++paddle) {
        paintPaddleThrough(p, paddle);
        paintPaddleLabel(p, paddle);
    }
    paintTouchpad(p);
    paintShare(p);

    paintRecess(p, g.dpad, g.dpadWellRadius);
    paintStick(p, g.stickLeft);
    paintStick(p, g.stickRight);
    paintDpad(p);

    paintPill(p, g.select, false);
    paintPill(p, g.start, true);
    paintGuide(p);

    paintFaceButton(p, g.faceA, 'A', QColor(62, 150, 72));
    paintFaceButton(p, g.faceB, 'B', QColor(200, 62, 54));
    paintFaceButton(p, g.faceX, 'X', QColor(56, 112, 196));
    paintFaceButton(p, g.faceY, 'Y', QColor(200, 150, 30));
}

QImage blankImage(int width, int height, int scale)
{
    QImage image(width * scale, height * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QImage drawPadPicture(const QString& name, int scale)
{
    const PadPicture* picture = findPicture(name);
    if (!picture || scale < 1)
        return QImage();
    QImage image = blankImage(picture->width, picture->height, scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    if (picture == &padPictures[0]) {
        paintBase(p);
    } else {
        bool solid = false;
        const QPainterPath shape = highlightPath(name, &solid);
        paintHighlight(p, shape, solid);
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage drawPadPreview(int scale)
{
    if (scale < 1)
        return QImage();
    const PadPicture& base = padPictures[0];
    QImage image = blankImage(base.width, base.height, scale);
    image.fill(QColor(239, 239, 239));
    QPainter p(&image);
    p.drawImage(0, 0, drawPadPicture(QString::fromLatin1(base.name), scale));
    for (const BindingRow& row : bindingTable)
        p.drawImage(row.x * scale, row.y * scale, drawPadPicture(QString::fromLatin1(row.image + 2), scale));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// ---- The application icon ----

const int padIconSizes[PAD_ICON_SIZES] = {16, 24, 32, 48, 64, 128, 256};

namespace
{

// The icon is designed on a 256-unit square and scaled to its size; pens are given in pixels of the
// target size so that outlines stay one crisp pixel wide whatever the size.
const double kIconUnits = 256.0;
const double kIconMid = kIconUnits / 2.0;

// The glyph's own outline: a stockier pad than the picture's, so it still reads as one at 16 pixels.
const QPointF kIconBodyTop(kIconMid, 76);
const Cubic kIconBodyLeft[] = {
    {{112, 76}, {98, 68}, {74, 67}},                 // top edge, rising towards the shoulders
    {{46, 66}, {28, 78}, {21, 102}},                 // outer shoulder corner
    {{13, 128}, {8, 166}, {13, 192}},                // side
    {{17, 214}, {32, 226}, {50, 226}},               // grip, outer side
    {{66, 226}, {78, 216}, {88, 202}},               // grip, bottom
    {{96, 190}, {104, 182}, {116, 181}},             // grip, inner side
    {{121, 180.5}, {125, 180.5}, {kIconMid, 180.5}}, // between the grips
};

QPointF iconMirrored(const QPointF& p)
{
    return QPointF(kIconUnits - p.x(), p.y());
}

QPainterPath iconBodyPath()
{
    QPainterPath path(kIconBodyTop);
    for (const Cubic& c : kIconBodyLeft)
        path.cubicTo(c.c1, c.c2, c.end);
    const int n = sizeof kIconBodyLeft / sizeof kIconBodyLeft[0];
    for (int i = n - 1; i >= 0; --i) {
        const QPointF end = i > 0 ? kIconBodyLeft[i - 1].end : kIconBodyTop;
        path.cubicTo(iconMirrored(kIconBodyLeft[i].c2), iconMirrored(kIconBodyLeft[i].c1), iconMirrored(end));
    }
    path.closeSubpath();
    return path;
}

struct IconLayout {
    bool detailed;      // sticks, shoulders, guide and the buttons' caps; from 48 pixels up
    QPointF dpad, face; // centres of the d-pad and the face-button diamond
    double armReach, armHalfWidth;
    double faceSpacing, faceRadius;
    QPointF stickLeft, stickRight;
    double wellRadius, capRadius;
    QPointF guide;
    double guideRadius;
};

IconLayout iconLayout(int size)
{
    IconLayout l;
    l.detailed = size >= 48;
    l.dpad = QPointF(68, 118);
    l.face = QPointF(188, 116);
    // Small sizes trade the sticks for a bigger cross and bigger buttons.
    l.armReach = l.detailed ? 30 : 38;
    l.armHalfWidth = l.detailed ? 10 : 14;
    l.faceSpacing = l.detailed ? 25 : 31;
    l.faceRadius = l.detailed ? 12.5 : 17;
    l.stickLeft = QPointF(98, 164);
    l.stickRight = iconMirrored(l.stickLeft);
    l.wellRadius = 22;
    l.capRadius = 15.5;
    l.guide = QPointF(kIconMid, 112);
    l.guideRadius = 11;
    return l;
}

void paintIconShoulders(QPainter& p, double px)
{
    for (bool right : {false, true}) {
        QPainterPath bar;
        bar.addRoundedRect(QRectF(34, 52, 64, 28), 12, 12);
        if (right)
            bar = QTransform(-1, 0, 0, 1, kIconUnits, 0).map(bar);
        p.setPen(outlinePen(QColor(22, 23, 26), 1.0 * px));
        p.setBrush(verticalGradient(bar.boundingRect(), QColor(118, 123, 132), QColor(66, 69, 76)));
        p.drawPath(bar);
    }
}

void paintIconBody(QPainter& p, double px)
{
    const QPainterPath body = iconBodyPath();
    const QRectF r = body.boundingRect();
    p.setPen(Qt::NoPen);
    for (int i = 2; i >= 1; --i) {
        p.setBrush(QColor(0, 0, 0, 30));
        p.drawPath(body.translated(0, i * px));
    }
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0.0, QColor(84, 88, 96));
    fill.setColorAt(0.45, QColor(62, 65, 72));
    fill.setColorAt(1.0, QColor(40, 42, 47));
    p.setBrush(fill);
    p.drawPath(body);
    p.save();
    p.setClipPath(body);
    QRadialGradient light(QPointF(kIconMid, 84), 150);
    light.setColorAt(0.0, QColor(255, 255, 255, 40));
    light.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(light);
    p.drawRect(r);
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(QColor(255, 255, 255, 45), 2.0 * px));
    p.drawPath(body.translated(0, 1.5 * px));
    p.restore();
    p.setPen(outlinePen(QColor(22, 23, 26), 1.0 * px));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);
}

void paintIconDpad(QPainter& p, const IconLayout& l, double px)
{
    const double w = l.armHalfWidth, r = l.armReach;
    const double round = w * 0.35;
    QPainterPath across, upright;
    across.addRoundedRect(QRectF(l.dpad.x() - r, l.dpad.y() - w, 2 * r, 2 * w), round, round);
    upright.addRoundedRect(QRectF(l.dpad.x() - w, l.dpad.y() - r, 2 * w, 2 * r), round, round);
    const QPainterPath cross = across.united(upright).simplified();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 100));
    p.drawPath(cross.translated(0, 1.2 * px));
    p.setPen(outlinePen(QColor(20, 21, 24), 1.0 * px));
    p.setBrush(verticalGradient(cross.boundingRect(), QColor(196, 200, 208), QColor(132, 136, 144)));
    p.drawPath(cross);
}

void paintIconFaceButtons(QPainter& p, const IconLayout& l, double px)
{
    struct Button {
        QPointF offset;
        QColor ink;
    };
    // Y on top, B right, A below, X left, in the picture's colours
    const Button buttons[] = {{{0, -1}, QColor(200, 150, 30)},
                              {{1, 0}, QColor(200, 62, 54)},
                              {{0, 1}, QColor(62, 150, 72)},
                              {{-1, 0}, QColor(56, 112, 196)}};
    const double r = l.faceRadius;
    for (const Button& b : buttons) {
        const QPointF c = l.face + b.offset * l.faceSpacing;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 110));
        p.drawEllipse(c + QPointF(0, 1.2 * px), r, r);
        p.setPen(outlinePen(QColor(26, 27, 30), 1.0 * px));
        if (l.detailed) {
            // a white cap with a coloured dot, as the picture's lettered buttons read from afar
            QRadialGradient cap(c + QPointF(-r * 0.3, -r * 0.4), r * 1.6);
            cap.setColorAt(0.0, QColor(246, 247, 249));
            cap.setColorAt(1.0, QColor(170, 174, 182));
            p.setBrush(cap);
            p.drawEllipse(c, r, r);
            p.setPen(Qt::NoPen);
            p.setBrush(b.ink);
            p.drawEllipse(c, r * 0.5, r * 0.5);
        } else {
            // too small for a cap: the button is its colour
            p.setBrush(b.ink.lighter(115));
            p.drawEllipse(c, r, r);
        }
    }
}

void paintIconStick(QPainter& p, const IconLayout& l, const QPointF& c, double px)
{
    QRadialGradient well(c, l.wellRadius);
    well.setColorAt(0.0, QColor(16, 17, 19));
    well.setColorAt(0.8, QColor(28, 29, 33));
    well.setColorAt(1.0, QColor(46, 48, 53));
    p.setPen(outlinePen(QColor(255, 255, 255, 40), 1.0 * px));
    p.setBrush(well);
    p.drawEllipse(c, l.wellRadius, l.wellRadius);
    QRadialGradient cap(c + QPointF(-4, -5), l.capRadius * 1.5);
    cap.setColorAt(0.0, QColor(150, 155, 164));
    cap.setColorAt(1.0, QColor(82, 86, 94));
    p.setPen(outlinePen(QColor(20, 21, 24), 1.0 * px));
    p.setBrush(cap);
    p.drawEllipse(c, l.capRadius, l.capRadius);
}

void paintIconGuide(QPainter& p, const IconLayout& l, double px)
{
    QRadialGradient ring(l.guide + QPointF(-3, -4), l.guideRadius * 1.6);
    ring.setColorAt(0.0, QColor(236, 238, 242));
    ring.setColorAt(1.0, QColor(150, 154, 162));
    p.setPen(outlinePen(QColor(24, 25, 28), 1.0 * px));
    p.setBrush(ring);
    p.drawEllipse(l.guide, l.guideRadius, l.guideRadius);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 146, 28)); // the highlights' orange: the one spot of it on the icon
    p.drawEllipse(l.guide, l.guideRadius * 0.45, l.guideRadius * 0.45);
}

} // namespace

QImage drawPadIcon(int size)
{
    if (size < 16)
        return QImage();
    const IconLayout l = iconLayout(size);
    const double px = kIconUnits / size; // one pixel of the icon, in design units
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kIconUnits, size / kIconUnits);
    if (l.detailed)
        paintIconShoulders(p, px);
    paintIconBody(p, px);
    paintIconDpad(p, l, px);
    paintIconFaceButtons(p, l, px);
    if (l.detailed) {
        paintIconStick(p, l, l.stickLeft, px);
        paintIconStick(p, l, l.stickRight, px);
        paintIconGuide(p, l, px);
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QString padIconFileName(int size)
{
    return QStringLiteral("stickwell-%1.png").arg(size);
}
