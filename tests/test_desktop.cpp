// The program on the desktop: the application icon on the window and on every message box, the icon's
// files against their drawing source, and the pictures at the screen's pixel density. Run once as it is
// and once with QT_SCALE_FACTOR=2 (picturesFollowTheDensity only), where the "@2x" twins must be used.

#include "apppictures.h"
#include "bindingtable.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "padpictures.h"
#include "virtualpad.h"
#include "windowfixture.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QWindow>
#include <QtTest>
#include <SDL.h>
#include <memory>
#include <stdlib.h>

namespace
{
const QList<int> kIconSizes = {16, 24, 32, 48, 64, 128, 256};

QImage argb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage bundledIcon(int size)
{
    return argb(QImage(QStringLiteral(":/icons/stickwell-%1.png").arg(size)));
}

// The largest difference of any channel between two images of one size.
int worstDifference(const QImage& a, const QImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = qMax(worst, qMax(qMax(qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q))),
                                     qMax(qAbs(qBlue(p) - qBlue(q)), qAbs(qAlpha(p) - qAlpha(q)))));
        }
    return worst;
}

// An icon shows the application icon when it offers every drawn size and draws them as bundled.
bool isApplicationIcon(const QIcon& icon, QString* why)
{
    if (icon.isNull()) {
        *why = QStringLiteral("no icon");
        return false;
    }
    QList<int> sizes;
    for (const QSize& size : icon.availableSizes())
        sizes << size.width();
    std::sort(sizes.begin(), sizes.end());
    if (sizes != kIconSizes) {
        QStringList texts;
        for (int size : sizes)
            texts << QString::number(size);
        *why = QStringLiteral("sizes ") + texts.join(',');
        return false;
    }
    // The pixmap is premultiplied: half-transparent pixels may come back a unit off, by machine.
    const QImage drawn = argb(icon.pixmap(QSize(32, 32)).toImage());
    if (drawn.size() != QSize(32, 32) || worstDifference(drawn, bundledIcon(32)) > 1) {
        *why = QStringLiteral("the 32px picture is not the bundled one");
        return false;
    }
    return true;
}

// A pad whose GUID SDL is told a mapping for, so every command of the window is enabled for it.
std::unique_ptr<VirtualPad> mappedPad()
{
    VirtualPad::Layout layout;
    layout.name = "Desktop Test Pad";
    layout.product = 0x5d01;
    layout.gameController = false;
    auto pad = std::make_unique<VirtualPad>(layout);
    if (!pad->attach())
        return nullptr;
    const QByteArray mapping = pad->guidText() + ",Desktop Test Pad,a:b0,b:b1,x:b2,y:b3,leftx:a0,lefty:a1,";
    if (SDL_GameControllerAddMapping(mapping.constData()) < 0)
        return nullptr;
    return pad;
}

// Notes the window icon of every message box as it shows, before the answerer closes it.
class BoxIconWatch : public QObject
{
public:
    BoxIconWatch() { qApp->installEventFilter(this); }
    ~BoxIconWatch() override { qApp->removeEventFilter(this); }
    QList<QIcon> icons;      // the box's own idea of its icon
    QList<QIcon> sentToDesk; // what its native window hands the window manager

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* box = qobject_cast<QMessageBox*>(object)) {
                icons << box->windowIcon();
                sentToDesk << (box->windowHandle() ? box->windowHandle()->icon() : QIcon());
            }
        return false;
    }
};

// The base picture as the window's label shows it, at the given scale, over the label's background:
// the pixels where the picture is opaque must come out exactly as drawn.
double shareOfOpaquePixelsShownAsDrawn(const QImage& shown, const QImage& picture)
{
    int opaque = 0, same = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            if (qAlpha(p) != 255)
                continue;
            ++opaque;
            const QRgb s = shown.pixel(x, y);
            same += qAbs(qRed(p) - qRed(s)) <= 3 && qAbs(qGreen(p) - qGreen(s)) <= 3 &&
                    qAbs(qBlue(p) - qBlue(s)) <= 3;
        }
    return opaque ? double(same) / opaque : 0.0;
}
} // namespace

class DesktopTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        unsetenv("SDL_GAMECONTROLLERCONFIG");
        QVERIFY(SDL_NumJoysticks() == 0);
    }

    void iconFilesMatchTheirSource_data()
    {
        QTest::addColumn<int>("size");
        for (int size : kIconSizes)
            QTest::newRow(qPrintable(QStringLiteral("%1px").arg(size))) << size;
    }

    void iconFilesMatchTheirSource()
    {
        QFETCH(int, size);
        const QImage bundled = bundledIcon(size);
        QCOMPARE(bundled.size(), QSize(size, size));
        QVERIFY(bundled.hasAlphaChannel());
        QVERIFY2(worstDifference(argb(drawPadIcon(size)), bundled) <= 2,
                 "the committed icon is stale; redraw it with: cmake --build build --target pictures");

        // A glyph on transparency, filling most of the width and sitting in the middle (its edge pixels
        // count when at least half covered).
        const QRect r = bundled.rect();
        for (const QPoint& corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            QCOMPARE(qAlpha(bundled.pixel(corner)), 0);
        QRect solid;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (qAlpha(bundled.pixel(x, y)) >= 128)
                    solid |= QRect(x, y, 1, 1);
        QVERIFY2(solid.width() * 100 >= size * 85, qPrintable(QString::number(solid.width())));
        QVERIFY2(solid.height() * 100 >= size * 50, qPrintable(QString::number(solid.height())));
        QVERIFY(qAbs(solid.center().x() - r.center().x()) <= 1 + size / 16);
        QVERIFY(qAbs(solid.center().y() - r.center().y()) <= 1 + size / 16);
    }

    void windowCarriesTheIcon()
    {
        WindowFixture fixture;
        MainWindow& window = fixture.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QString why;
        QVERIFY2(isApplicationIcon(window.windowIcon(), &why), qPrintable(why));
        QVERIFY2(isApplicationIcon(window.windowHandle()->icon(), &why), qPrintable(why));
    }

    void messageBoxesCarryTheIcon_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("answer");
        QTest::newRow("copy GUID") << "copyIdButton" << int(QMessageBox::Ok);
        QTest::newRow("copy mapping") << "copyBindingsButton" << int(QMessageBox::Ok);
        QTest::newRow("set environment variable, declined") << "setEnvVarButton" << int(QMessageBox::No);
    }

    void messageBoxesCarryTheIcon()
    {
        QFETCH(QString, command);
        QFETCH(int, answer);
        auto pad = mappedPad();
        QVERIFY(pad);
        WindowFixture fixture;
        fixture.open();
        QPushButton* button = fixture.button(command.toLatin1().constData());
        QVERIFY(button && button->isEnabled());

        ModalAnswerer answers;
        BoxIconWatch watch;
        answers.answerMessage(QMessageBox::StandardButton(answer));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(answers.waitAllAnswered());
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.seen().first().text, QString("Stickwell v1.2"));
        QCOMPARE(watch.icons.size(), 1);
        QString why;
        QVERIFY2(isApplicationIcon(watch.icons.first(), &why), qPrintable(why));
        QVERIFY2(isApplicationIcon(watch.sentToDesk.first(), &why), qPrintable(why));
    }

    // Also run with QT_SCALE_FACTOR=2: then the window's ratio must be 2 and every picture the "@2x" twin.
    void picturesFollowTheDensity()
    {
        const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
        const qreal expectedRatio = factor.isEmpty() ? 1.0 : factor.toDouble();
        const int scale = expectedRatio > 1.0 ? 2 : 1;

        WindowFixture fixture;
        MainWindow& window = fixture.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.devicePixelRatioF(), expectedRatio);

        auto* picture = fixture.widget<QLabel>("mainImage");
        QVERIFY(picture);
        const QPixmap base = picture->pixmap(Qt::ReturnByValue);
        QVERIFY(!base.isNull());
        QCOMPARE(base.devicePixelRatio(), qreal(scale));
        QCOMPARE(base.size(), QSize(550, 360) * scale);
        QCOMPARE(picture->size(), QSize(550, 360));

        const QList<QLabel*> overlays = picture->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(overlays.size(), int(BINDING_ROWS));
        for (int row = 0; row < BINDING_ROWS; ++row)
            window.showGamepadImage(row, true);
        for (int row = 0; row < BINDING_ROWS; ++row) {
            const BindingRow& r = bindingTable[row];
            QLabel* overlay = overlays.at(row);
            const QSize size = QImage(QString::fromLatin1(r.image) + QStringLiteral(".png")).size();
            const QByteArray where = QByteArray("row ") + QByteArray::number(row) + " " + r.image;
            QVERIFY2(overlay->isVisible(), where.constData());
            const QPixmap shownPicture = overlay->pixmap(Qt::ReturnByValue);
            QVERIFY2(!shownPicture.isNull(), where.constData());
            QCOMPARE(overlay->pos(), QPoint(r.x, r.y));
            QCOMPARE(shownPicture.devicePixelRatio(), qreal(scale));
            QCOMPARE(shownPicture.size(), size * scale);
            QCOMPARE(overlay->size(), size); // shown at the picture's own size, not twice it
        }

        // The screen shows the pictures as drawn at its density: a 1x picture blown up to 2x would not
        // match the "@2x" drawing pixel for pixel.
        const QPixmap whole = window.grab();
        QCOMPARE(whole.devicePixelRatio(), expectedRatio);
        const QByteArray shotPath = qgetenv("STICKWELL_SCREENSHOT");
        if (!shotPath.isEmpty())
            QVERIFY(whole.save(QString::fromLocal8Bit(shotPath)));
        for (int row = 0; row < BINDING_ROWS; ++row)
            window.showGamepadImage(row, false);
        const QImage shown = argb(picture->grab().toImage());
        QCOMPARE(shown.size(), QSize(550, 360) * scale);
        const QImage drawn = argb(QImage(scale == 2 ? QStringLiteral(":/PadSetup-Back-Tp@2x.png")
                                                    : QStringLiteral(":/PadSetup-Back-Tp.png")));
        const double share = shareOfOpaquePixelsShownAsDrawn(shown, drawn);
        QVERIFY2(share >= 0.99,
                 qPrintable(QStringLiteral("only %1% of the picture shows as drawn").arg(share * 100)));
    }
};

int main(int argc, char** argv)
{
    // as the program's main does
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    prepareHighDensityScreens();
    QApplication application(argc, argv);
    QApplication::setWindowIcon(applicationIcon());
    DesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_desktop.moc"
