// The gamepad pictures as the program sees them: through the resource bundle, at the binding table's
// positions. Checks the files' names and sizes, that each highlight lies on the pad over its control
// without being cut off, and that the committed files are what their drawing source makes.

#include "bindingtable.h"
#include "padpictures.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QtTest>

namespace
{

// The bundle's contents, written out independently of the drawing source so a wrong size there shows.
struct Expected {
    const char* name;
    int width, height;
};
const Expected kPictures[] = {
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

// A highlight placed on the base picture, as a binding-table row places one.
struct PadHighlight {
    const char* image; // Qt resource path of the highlight picture, without ".png"
    int x, y;          // top-left corner of the highlight on the 550x360 base picture
};

// Every highlight the window places: one per binding-table row.
QVector<PadHighlight> placedHighlights()
{
    QVector<PadHighlight> all;
    for (const BindingRow& row : bindingTable)
        all.append({row.image, row.x, row.y});
    return all;
}

// The resource path of a picture at a scale: ":/NAME.png" or ":/NAME@2x.png".
QString resourcePath(const QString& name, int scale)
{
    return QStringLiteral(":/") + name + (scale == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
}

QImage loadResource(const QString& name, int scale)
{
    return QImage(resourcePath(name, scale)).convertToFormat(QImage::Format_ARGB32);
}

// A base-picture pixel counts as part of the pad when it is (nearly) opaque; the soft shadow does not.
bool onPad(const QImage& base, const QPoint& p)
{
    return base.rect().contains(p) && qAlpha(base.pixel(p)) >= 200;
}

// A highlight pixel is lit when it belongs to the control's shape (its translucent fill or bright rim);
// the faint halo around the shape stays below this.
bool lit(const QImage& highlight, int x, int y)
{
    return qAlpha(highlight.pixel(x, y)) > 80;
}

} // namespace

class TestPictures : public QObject
{
    Q_OBJECT

private slots:
    void bundleHoldsExactlyTheTwinPictures();
    void pictureSizes_data();
    void pictureSizes();
    void basePictureIsPadOnTransparent_data();
    void basePictureIsPadOnTransparent();
    void rowPictureLoadsAsTheWindowLoadsIt_data();
    void rowPictureLoadsAsTheWindowLoadsIt();
    void highlightSitsOnItsControl_data();
    void highlightSitsOnItsControl();
    void highlightsLightSeparateControls();
    void extraControlsFollowSdl_data();
    void extraControlsFollowSdl();
    void picturesMatchTheirSource_data();
    void picturesMatchTheirSource();
};

void TestPictures::bundleHoldsExactlyTheTwinPictures()
{
    QStringList expected;
    for (const Expected& e : kPictures)
        expected << QString::fromLatin1(e.name) + QStringLiteral(".png")
                 << QString::fromLatin1(e.name) + QStringLiteral("@2x.png");
    expected.sort();
    QStringList found = QDir(QStringLiteral(":/")).entryList({QStringLiteral("PadSetup-*")}, QDir::Files);
    found.sort();
    QCOMPARE(found, expected);
    QCOMPARE(found.size(), 60);
}

void TestPictures::pictureSizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    for (const Expected& e : kPictures)
        QTest::newRow(e.name) << QString::fromLatin1(e.name) << QSize(e.width, e.height);
}

void TestPictures::pictureSizes()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const QImage base(resourcePath(name, 1));
    const QImage twin(resourcePath(name, 2));
    QVERIFY2(!base.isNull(), qPrintable(resourcePath(name, 1)));
    QVERIFY2(!twin.isNull(), qPrintable(resourcePath(name, 2)));
    QCOMPARE(base.size(), size);
    QCOMPARE(twin.size(), size * 2);
    // the pictures are laid over one another, so they must carry transparency
    QVERIFY(base.hasAlphaChannel());
    QVERIFY(twin.hasAlphaChannel());
}

void TestPictures::basePictureIsPadOnTransparent_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("1x") << 1;
    QTest::newRow("2x") << 2;
}

void TestPictures::basePictureIsPadOnTransparent()
{
    QFETCH(int, scale);
    const QImage base = loadResource(QStringLiteral("PadSetup-Back-Tp"), scale);
    QVERIFY(!base.isNull());
    const QRect r = base.rect();
    for (const QPoint& corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        QCOMPARE(qAlpha(base.pixel(corner)), 0);
    // the pad fills a good part of the picture and is solid where it is
    int solid = 0;
    for (int y = 0; y < base.height(); ++y)
        for (int x = 0; x < base.width(); ++x)
            solid += qAlpha(base.pixel(x, y)) == 255;
    QVERIFY2(solid > base.width() * base.height() / 2, qPrintable(QString::number(solid)));
}

void TestPictures::rowPictureLoadsAsTheWindowLoadsIt_data()
{
    QTest::addColumn<int>("row");
    const QVector<PadHighlight> all = placedHighlights();
    for (int row = 0; row < all.size(); ++row)
        QTest::newRow(all[row].image) << row;
}

void TestPictures::rowPictureLoadsAsTheWindowLoadsIt()
{
    QFETCH(int, row);
    // the window builds each overlay from the extension-less path; the loader must find the ".png"
    const QString path = QString::fromLatin1(placedHighlights()[row].image);
    const QPixmap pixmap(path);
    QVERIFY2(!pixmap.isNull(), qPrintable(path));
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(pixmap.size(), QImage(path + QStringLiteral(".png")).size());
    QCOMPARE(image.size(), pixmap.size());
    QVERIFY(pixmap.hasAlphaChannel());
}

void TestPictures::highlightSitsOnItsControl_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("scale");
    const QVector<PadHighlight> all = placedHighlights();
    for (int scale = 1; scale <= 2; ++scale)
        for (int row = 0; row < all.size(); ++row)
            QTest::newRow(qPrintable(QStringLiteral("row %1 %2 @%3x")
                                         .arg(row)
                                         .arg(QString::fromLatin1(all[row].image + 2))
                                         .arg(scale)))
                << row << scale;
}

void TestPictures::highlightSitsOnItsControl()
{
    QFETCH(int, row);
    QFETCH(int, scale);
    const PadHighlight r = placedHighlights()[row];
    const QImage base = loadResource(QStringLiteral("PadSetup-Back-Tp"), scale);
    const QImage highlight = loadResource(QString::fromLatin1(r.image + 2), scale);
    QVERIFY(!base.isNull());
    QVERIFY(!highlight.isNull());

    const QRect placed(QPoint(r.x, r.y) * scale, highlight.size());
    QVERIFY2(base.rect().contains(placed), "the highlight reaches past the base picture");

    // Nothing is lit along the picture's edges: a glow that touches them has been cut off by its label.
    const int w = highlight.width(), h = highlight.height();
    for (int x = 0; x < w; ++x) {
        QVERIFY2(qAlpha(highlight.pixel(x, 0)) == 0, "lit on the top edge");
        QVERIFY2(qAlpha(highlight.pixel(x, h - 1)) == 0, "lit on the bottom edge");
    }
    for (int y = 0; y < h; ++y) {
        QVERIFY2(qAlpha(highlight.pixel(0, y)) == 0, "lit on the left edge");
        QVERIFY2(qAlpha(highlight.pixel(w - 1, y)) == 0, "lit on the right edge");
    }

    // Where the highlight shines, the pad is: almost all of its lit shape falls on the pad, not beside it.
    int litCount = 0, litOnPad = 0;
    double cx = 0, cy = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (lit(highlight, x, y)) {
                ++litCount;
                litOnPad += onPad(base, placed.topLeft() + QPoint(x, y));
                cx += x;
                cy += y;
            }
    QVERIFY2(litCount * 10 >= w * h, "the highlight is (nearly) empty");
    QVERIFY2(litOnPad * 100 >= litCount * 90,
             qPrintable(
                 QStringLiteral("only %1% of the lit shape lies on the pad").arg(litOnPad * 100 / litCount)));

    // The pad is under the picture's centre, and the highlight's own lit shape is centred on the pad.
    QVERIFY2(onPad(base, placed.center()), "the base picture is not the pad under the highlight's centre");
    const QPoint centroid(qRound(cx / litCount), qRound(cy / litCount));
    QVERIFY2(lit(highlight, centroid.x(), centroid.y()), "the lit shape does not cover its own centre");
    QVERIFY(onPad(base, placed.topLeft() + centroid));
}

void TestPictures::highlightsLightSeparateControls()
{
    // Each control has its own highlight: two rows' clearly lit areas never share more than a sliver,
    // which would mean one of them sits on the wrong control.
    const QVector<PadHighlight> all = placedHighlights();
    QVector<QImage> mask(all.size());
    for (int row = 0; row < all.size(); ++row) {
        const PadHighlight& r = all[row];
        const QImage highlight = loadResource(QString::fromLatin1(r.image + 2), 1);
        QVERIFY(!highlight.isNull());
        mask[row] = QImage(550, 360, QImage::Format_Grayscale8);
        mask[row].fill(0);
        for (int y = 0; y < highlight.height(); ++y)
            for (int x = 0; x < highlight.width(); ++x)
                if (lit(highlight, x, y))
                    mask[row].setPixel(r.x + x, r.y + y, qRgb(255, 255, 255));
    }
    for (int a = 0; a < all.size(); ++a)
        for (int b = a + 1; b < all.size(); ++b) {
            int shared = 0, litA = 0, litB = 0;
            for (int y = 0; y < 360; ++y) {
                const uchar* pa = mask[a].constScanLine(y);
                const uchar* pb = mask[b].constScanLine(y);
                for (int x = 0; x < 550; ++x) {
                    litA += pa[x] != 0;
                    litB += pb[x] != 0;
                    shared += pa[x] && pb[x];
                }
            }
            QVERIFY2(shared * 50 <= qMin(litA, litB),
                     qPrintable(QStringLiteral("rows %1 and %2 light the same place").arg(a).arg(b)));
        }
}

void TestPictures::extraControlsFollowSdl_data()
{
    // SDL's order, and its paddles as a player holding the pad has them: paddle1 and paddle3 under the
    // right hand, 2 and 4 under the left, the first of each pair above the second. The picture shows the
    // front, so the right hand's paddles are on the right.
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("image");
    QTest::addColumn<int>("side");  // -1 left half, 0 on the middle, +1 right half
    QTest::addColumn<int>("above"); // the index of the paddle below it on the same grip, or -1
    QTest::newRow("misc1: share, in the middle") << 0 << ":/PadSetup-Share" << 0 << -1;
    QTest::newRow("paddle1: right hand, upper") << 1 << ":/PadSetup-Paddle-1" << 1 << 3;
    QTest::newRow("paddle2: left hand, upper") << 2 << ":/PadSetup-Paddle-2" << -1 << 4;
    QTest::newRow("paddle3: right hand, lower") << 3 << ":/PadSetup-Paddle-3" << 1 << -1;
    QTest::newRow("paddle4: left hand, lower") << 4 << ":/PadSetup-Paddle-4" << -1 << -1;
    QTest::newRow("touchpad: in the middle") << 5 << ":/PadSetup-Touchpad" << 0 << -1;
}

void TestPictures::extraControlsFollowSdl()
{
    QFETCH(int, index);
    QFETCH(QString, image);
    QFETCH(int, side);
    QFETCH(int, above);
    auto centre = [](int i) {
        const BindingRow& h = bindingTable[STANDARD_ROWS + i];
        return QRectF(QPointF(h.x, h.y), QImage(QString::fromLatin1(h.image)).size()).center();
    };
    const BindingRow& row = bindingTable[STANDARD_ROWS + index];
    QCOMPARE(QString::fromLatin1(row.image), image);
    QVERIFY(row.kind == RowKind::Button);
    QCOMPARE(row.control, SDL_CONTROLLER_BUTTON_MISC1 + index);
    const double fromMiddle = centre(index).x() - 275;
    if (side == 0)
        QVERIFY2(qAbs(fromMiddle) < 2, qPrintable(QString::number(fromMiddle)));
    else
        QVERIFY2(fromMiddle * side > 100, qPrintable(QString::number(fromMiddle)));
    if (above >= 0)
        QVERIFY(centre(index).y() < centre(above).y());
}

void TestPictures::picturesMatchTheirSource_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("scale");
    for (const PadPicture& p : padPictures) {
        QTest::newRow(p.name) << QString::fromLatin1(p.name) << 1;
        QTest::newRow(qPrintable(QString::fromLatin1(p.name) + QStringLiteral("@2x")))
            << QString::fromLatin1(p.name) << 2;
    }
}

void TestPictures::picturesMatchTheirSource()
{
    // The committed files must be what the drawing source makes today; if not, they are stale.
    QFETCH(QString, name);
    QFETCH(int, scale);
    const QImage drawn = drawPadPicture(name, scale).convertToFormat(QImage::Format_ARGB32);
    const QImage stored = loadResource(name, scale);
    QCOMPARE(stored.size(), drawn.size());
    int worst = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb a = drawn.pixel(x, y), b = stored.pixel(x, y);
            worst = qMax(worst, qMax(qMax(qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b))),
                                     qMax(qAbs(qBlue(a) - qBlue(b)), qAbs(qAlpha(a) - qAlpha(b)))));
        }
    QVERIFY2(worst <= 2,
             qPrintable(QStringLiteral("%1 differs from its source by up to %2; redraw the pictures "
                                       "with: cmake --build build --target pictures")
                            .arg(resourcePath(name, scale))
                            .arg(worst)));
}

QTEST_MAIN(TestPictures)
#include "test_pictures.moc"
