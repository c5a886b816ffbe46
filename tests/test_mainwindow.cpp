// The window's spine through the real MainWindow under X: start-up log, list, geometry, teardown.

#include "logformat.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "testfiles.h"
#include "tracecapture.h"
#include "virtualpad.h"
#include "windowfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <SDL.h>
#include <memory>
#include <stdlib.h>

namespace
{
const char* const kProjectPageLine = "Checking if new mappings available from github: ";

QString bannerLine()
{
    SDL_version linked;
    SDL_GetVersion(&linked);
    return QString("Stickwell v1.2 by Brightmoor (compiled with SDL version %1.%2.%3, DLL version %4.%5.%6)")
        .arg(SDL_MAJOR_VERSION)
        .arg(SDL_MINOR_VERSION)
        .arg(SDL_PATCHLEVEL)
        .arg(linked.major)
        .arg(linked.minor)
        .arg(linked.patch);
}

// A pad whose GUID SDL is told a mapping for before it is attached.
std::unique_ptr<VirtualPad> mappedPad(const char* name, Uint16 product)
{
    VirtualPad::Layout layout;
    layout.name = name;
    layout.product = product;
    layout.gameController = false;
    auto pad = std::make_unique<VirtualPad>(layout);
    if (!pad->attach())
        return nullptr;
    const QByteArray mapping = pad->guidText() + "," + name + ",a:b0,b:b1,x:b2,y:b3,leftx:a0,lefty:a1,";
    SDL_GameControllerAddMapping(mapping.constData());
    return pad;
}

bool waitForLog(WindowFixture& fixture, const QString& prefix, int timeoutMs = 5000)
{
    return QTest::qWaitFor(
        [&] {
            for (const QString& line : fixture.logLines())
                if (line.startsWith(prefix))
                    return true;
            return false;
        },
        timeoutMs);
}
} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        unsetenv("SDL_GAMECONTROLLERCONFIG");
        QVERIFY(SDL_NumJoysticks() == 0);
    }

    void startupWithoutPad()
    {
        WindowFixture fixture;
        fixture.open();
        QVERIFY(waitForLog(fixture, "Update check failed"));
        QStringList lines = fixture.logLines();
        QCOMPARE(lines.mid(0, 8),
                 QStringList({bannerLine(), "Website: https://stickwell.brightmoor.org", "",
                              "Searching gamepads...", "No gamepads found",
                              "Environment variable \"SDL_GAMECONTROLLERCONFIG\" is not defined",
                              "Environment variable \"SDL_GAMECONTROLLERCONFIG_FILE\" is not defined",
                              QString(kProjectPageLine) + "https://github.com/mdqinc/SDL_GameControllerDB"}));
        QCOMPARE(fixture.entries(), QStringList({"No gamepads found"}));
        QCOMPARE(fixture.status(), QString("No gamepads found"));
        for (const char* name : {"copyBindingsButton", "copyIdButton", "newBindings", "setEnvVarButton"})
            QVERIFY2(!fixture.button(name)->isEnabled(), name);
    }

    void environmentReport_data()
    {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QByteArray>("fileValue"); // SDL_GAMECONTROLLERCONFIG_FILE; empty: unset
        QTest::addColumn<QString>("fileReport");   // its lines, joined by " | "
        QTest::addColumn<QString>("savedIn"); // "system", "user", "user file": which file holds which value
        // Reset is offered only for a value saved in a file, not for one the program was started with.
        const QByteArray none;
        const QString notDefined = "Environment variable \"SDL_GAMECONTROLLERCONFIG_FILE\" is not defined";
        QTest::newRow("unset") << false << none << "is not defined" << none << notDefined << "";
        QTest::newRow("empty") << true << none << "is not defined" << none << notDefined << "";
        QTest::newRow("mapping") << true << QByteArray("0300,Pad,a:b0,") << "is set to: \"0300,Pad,a:b0,\""
                                 << none << notDefined << "";
        QTest::newRow("longer than the format buffer")
            << true << QByteArray(5000, 'x') << "is set to: \"xxxx" << none << notDefined << "";
        QTest::newRow("saved system-wide")
            << false << none << "is not defined" << none << notDefined << "system";
        QTest::newRow("saved for the user, also set")
            << true << QByteArray("0300,Pad,a:b0,") << "is set to: \"0300,Pad,a:b0,\"" << none << notDefined
            << "user";
        QTest::newRow("a mapping file that is not there")
            << false << none << "is not defined" << QByteArray("/nonexistent/pads.txt")
            << "Environment variable \"SDL_GAMECONTROLLERCONFIG_FILE\" is set to: \"/nonexistent/pads.txt\" "
               "| "
               "Warning: \"SDL_GAMECONTROLLERCONFIG_FILE\" gives games no mappings: it points at a file that "
               "does not exist"
            << "";
        QTest::newRow("the mapping file saved for the user")
            << false << none << "is not defined" << none << notDefined << "user file";
    }

    void environmentReport()
    {
        QFETCH(bool, set);
        QFETCH(QByteArray, value);
        QFETCH(QString, line);
        QFETCH(QByteArray, fileValue);
        QFETCH(QString, fileReport);
        QFETCH(QString, savedIn);
        if (set)
            setenv("SDL_GAMECONTROLLERCONFIG", value.constData(), 1);
        if (!fileValue.isEmpty())
            setenv("SDL_GAMECONTROLLERCONFIG_FILE", fileValue.constData(), 1);
        WindowFixture fixture;
        const QString file = savedIn.startsWith("user")
                                 ? fixture.settings.configHome + "/environment.d/99-stickwell.conf"
                                 : fixture.settings.environmentFile;
        const QString variable =
            savedIn == "user file" ? "SDL_GAMECONTROLLERCONFIG_FILE" : "SDL_GAMECONTROLLERCONFIG";
        if (!savedIn.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
            QVERIFY(writeFile(file, "# mine\n" + variable.toUtf8() + "=\"/0300\"\n"));
        }
        fixture.open();
        unsetenv("SDL_GAMECONTROLLERCONFIG");
        unsetenv("SDL_GAMECONTROLLERCONFIG_FILE");
        const QStringList lines = fixture.logLines();
        const QString report = lines.at(5);
        QVERIFY2(report.startsWith("Environment variable \"SDL_GAMECONTROLLERCONFIG\" " + line),
                 qPrintable(report));
        QVERIFY(report.size() <= FORMAT_BUFFER_SIZE - 1);
        const int fileLines = int(fileReport.count(" | ")) + 1;
        QCOMPARE(lines.mid(6, fileLines).join(" | "), fileReport);
        int next = 6 + fileLines;
        if (!savedIn.isEmpty())
            QCOMPARE(lines.at(next++), "Environment variable \"" + variable + "\" is saved " +
                                           (savedIn == "system" ? "system-wide in " : "for your user in ") +
                                           file);
        QCOMPARE(fixture.button("resetEnvVarButton")->isEnabled(), !savedIn.isEmpty());
        // The program goes on after a cut line.
        QVERIFY(lines.at(next).startsWith(kProjectPageLine));
    }

    void formatTextIsBounded_data()
    {
        QTest::addColumn<int>("asciiLength");
        QTest::addColumn<QString>("tail");
        QTest::newRow("fits") << 100 << QString();
        QTest::newRow("exactly full") << int(FORMAT_BUFFER_SIZE - 1) << QString();
        QTest::newRow("one too many") << int(FORMAT_BUFFER_SIZE) << QString();
        QTest::newRow("far too long") << 100000 << QString();
        QTest::newRow("cut inside a two-byte character")
            << int(FORMAT_BUFFER_SIZE - 2) << QString::fromUtf8("é");
        QTest::newRow("cut inside a four-byte character")
            << int(FORMAT_BUFFER_SIZE - 3) << QString::fromUtf8("😀");
    }

    void formatTextIsBounded()
    {
        QFETCH(int, asciiLength);
        QFETCH(QString, tail);
        const QByteArray input = QByteArray(asciiLength, 'a') + tail.toUtf8();
        const char* out = formatText("%s", input.constData());
        const QByteArray result(out);
        QVERIFY(result.size() <= FORMAT_BUFFER_SIZE - 1);
        QVERIFY(input.startsWith(result));
        // Whatever was cut, the result is whole UTF-8.
        QCOMPARE(QString::fromUtf8(result).toUtf8(), result);
    }

    void windowShape()
    {
        WindowFixture fixture;
        MainWindow& window = fixture.open();
        QCOMPARE(window.size(), QSize(570, 640));
        QCOMPARE(window.minimumSize(), QSize(570, 640));
        QCOMPARE(window.maximumSize(), QSize(570, 640));
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(window.windowTitle(), QString("Stickwell"));
        window.resize(800, 800);
        QCOMPARE(window.size(), QSize(570, 640));
        for (const char* name :
             {"centralWidget", "gamepadComboBox", "logTextEdit", "copyIdButton", "newBindings",
              "copyBindingsButton", "mainImage", "skipButton", "previousButton", "cancelButton",
              "setEnvVarButton", "resetEnvVarButton", "statusBar"})
            QVERIFY2(window.findChild<QWidget*>(name), name);
        const QList<QPair<const char*, const char*>> pairs = {{"skipButton", "copyIdButton"},
                                                              {"previousButton", "newBindings"},
                                                              {"cancelButton", "copyBindingsButton"}};
        for (const auto& pair : pairs) {
            QCOMPARE(fixture.button(pair.first)->geometry(), fixture.button(pair.second)->geometry());
            QVERIFY(!fixture.button(pair.first)->isVisible());
            QVERIFY(fixture.button(pair.second)->isVisible());
        }
        auto* picture = fixture.widget<QLabel>("mainImage");
        QVERIFY(!picture->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(picture->pixmap(Qt::ReturnByValue).size(), QSize(550, 360));
        QCOMPARE(picture->findChildren<QLabel*>().size(), int(BINDING_ROWS));
        for (QLabel* overlay : picture->findChildren<QLabel*>())
            QVERIFY(!overlay->isVisible());
        auto* log = fixture.widget<QPlainTextEdit>("logTextEdit");
        QVERIFY(log->isReadOnly());
        QVERIFY(!log->isUndoRedoEnabled());
    }

    void listsPads()
    {
        VirtualPad::Layout layout;
        layout.name = "Unmapped Test Pad";
        layout.gameController = false;
        VirtualPad unmapped(layout);
        QVERIFY(unmapped.attach());
        auto mapped = mappedPad("Mapped Test Pad", 0x5702);
        QVERIFY(mapped);

        WindowFixture fixture;
        fixture.open();
        QCOMPARE(fixture.entries(),
                 QStringList({"Unmapped Test Pad ", "Mapped Test Pad (mapping available)"}));
        const QStringList lines = fixture.logLines();
        QVERIFY(lines.contains("Found 2 gamepad(s):"));
        QVERIFY(lines.contains("\"Unmapped Test Pad\", " + unmapped.portableGuidText()));
        QVERIFY(
            lines.contains("\"Mapped Test Pad\", " + mapped->portableGuidText() + " (mapping available)"));
        QCOMPARE(fixture.status(), QString("Found 2 gamepad(s)"));

        // The first entry is selected at start: no mapping, so the two mapping commands are off; its GUID,
        // what a search of the database needs, can be copied.
        QCOMPARE(fixture.list()->currentIndex(), 0);
        QVERIFY(fixture.button("newBindings")->isEnabled());
        QVERIFY(fixture.button("copyIdButton")->isEnabled());
        for (const char* name : {"copyBindingsButton", "setEnvVarButton"})
            QVERIFY2(!fixture.button(name)->isEnabled(), name);
        QVERIFY(MainWindowProbe::joystick(*fixture.window));

        fixture.list()->setCurrentIndex(1);
        for (const char* name : {"copyBindingsButton", "copyIdButton", "setEnvVarButton"})
            QVERIFY2(fixture.button(name)->isEnabled(), name);
        QCOMPARE(SDL_JoystickInstanceID(MainWindowProbe::joystick(*fixture.window)), mapped->instanceId());

        // A rebuild keeps the selected position and holds its device again.
        MainWindowProbe::session(*fixture.window).applyMappingChanges();
        QCOMPARE(fixture.list()->currentIndex(), 1);
        QCOMPARE(SDL_JoystickInstanceID(MainWindowProbe::joystick(*fixture.window)), mapped->instanceId());
    }

    void rebuildWithFewerPadsLeavesNoSelection()
    {
        auto first = mappedPad("First Test Pad", 0x5711);
        auto second = mappedPad("Second Test Pad", 0x5712);
        auto third = mappedPad("Third Test Pad", 0x5713);
        QVERIFY(first && second && third);
        WindowFixture fixture;
        fixture.open();
        fixture.list()->setCurrentIndex(2);
        // The window follows hot-plug itself; here the rebuild must come from a mapping change, so the
        // worker must not see the removals first.
        MainWindowProbe::worker(*fixture.window)->stop();
        second->detach();
        third->detach();
        MainWindowProbe::roster(*fixture.window).rebuild();
        MainWindowProbe::worker(*fixture.window)->restart(SDLPollEvent::NormalMode);
        QCOMPARE(fixture.list()->count(), 1);
        QCOMPARE(fixture.list()->currentIndex(), -1);
        QCOMPARE(SDL_JoystickInstanceID(MainWindowProbe::joystick(*fixture.window)), first->instanceId());
    }

    void hotPlugRebuildsTheList()
    {
        WindowFixture fixture;
        fixture.open();
        QCOMPARE(fixture.entries(), QStringList({"No gamepads found"}));
        QVERIFY(!fixture.button("newBindings")->isEnabled());

        auto first = mappedPad("Plugged Test Pad", 0x5721);
        QVERIFY(first);
        QVERIFY(QTest::qWaitFor(
            [&] { return fixture.entries() == QStringList({"Plugged Test Pad (mapping available)"}); }));
        // A pad plugged in after a "No gamepads found" start can be mapped.
        QVERIFY(fixture.button("newBindings")->isEnabled());
        QVERIFY(fixture.button("copyIdButton")->isEnabled());

        auto second = mappedPad("Second Plugged Pad", 0x5722);
        QVERIFY(second);
        QVERIFY(QTest::qWaitFor([&] { return fixture.list()->count() == 2; }));
        fixture.list()->setCurrentIndex(1);
        QCOMPARE(SDL_JoystickInstanceID(MainWindowProbe::joystick(*fixture.window)), second->instanceId());

        // Unplugging the first renumbers SDL's devices; the selection stays on the same pad.
        first->detach();
        QVERIFY(QTest::qWaitFor([&] { return fixture.list()->count() == 1; }));
        QCOMPARE(fixture.entries(), QStringList({"Second Plugged Pad (mapping available)"}));
        QCOMPARE(fixture.list()->currentIndex(), 0);
        QCOMPARE(SDL_JoystickInstanceID(MainWindowProbe::joystick(*fixture.window)), second->instanceId());

        second->detach();
        QVERIFY(QTest::qWaitFor([&] { return fixture.entries() == QStringList({"No gamepads found"}); }));
        QVERIFY(!fixture.button("newBindings")->isEnabled());
    }

    void entryOpensItsOwnDevice()
    {
        // Entries keep their SDL device index: selecting one always opens the pad it names.
        auto first = mappedPad("Index Test Pad A", 0x5731);
        auto second = mappedPad("Index Test Pad B", 0x5732);
        QVERIFY(first && second);
        WindowFixture fixture;
        fixture.open();
        for (int entry : {1, 0, 1}) {
            fixture.list()->setCurrentIndex(entry);
            const SDL_JoystickID expected = entry == 0 ? first->instanceId() : second->instanceId();
            QCOMPARE(SDL_JoystickInstanceID(MainWindowProbe::joystick(*fixture.window)), expected);
            QCOMPARE(MainWindowProbe::roster(*fixture.window).entries().at(entry).deviceIndex,
                     entry == 0 ? first->deviceIndex() : second->deviceIndex());
        }
    }

    void closeQuitsAndTearsDownOnce()
    {
        TraceCapture traces;
        {
            WindowFixture fixture;
            MainWindow& window = fixture.open();
            QTimer::singleShot(0, &window, [&window] { window.close(); });
            QCOMPARE(QApplication::exec(), 0);
        }
        QCOMPARE(traces.count("Deleting thread and worker in Thread "), 1);
        const QStringList order =
            traces.texts({"Request worker start in Thread ", "Starting worker process in Thread ",
                          "Request worker aborting in Thread ", "Aborting worker process in Thread ",
                          "Worker process finished in Thread ", "Deleting thread and worker in Thread "});
        QCOMPARE(order.last(), QString("Deleting thread and worker in Thread "));
        QCOMPARE(order.at(order.size() - 2), QString("Worker process finished in Thread "));
    }
};

int main(int argc, char** argv)
{
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    QApplication application(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainwindow.moc"
