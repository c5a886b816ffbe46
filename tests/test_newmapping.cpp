// A finished mapping through the real window: named, saved, submitted to a loopback server,
// registered with SDL; and the update check's question, answered both ways.

#include "databasefiles.h"
#include "loopbackserver.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "sdllinecheck.h"
#include "testfiles.h"
#include "virtualpad.h"
#include "windowfixture.h"
#include "wizarddriver.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QTcpServer>
#include <QToolButton>
#include <QtTest>
#include <SDL.h>

using namespace wizard;

namespace
{
QJsonObject route(int status, const QByteArray& body, const QJsonObject& extra = QJsonObject())
{
    QJsonObject response = extra;
    response["status"] = status;
    response["body"] = QString::fromLatin1(body);
    return response;
}

bool logHas(const WindowFixture& fixture, const QString& prefix)
{
    for (const QString& line : fixture.logLines())
        if (line.startsWith(prefix))
            return true;
    return false;
}

const QByteArray kCommunityDb = "# community database\n"
                                "03000000aaaa00000000000000000000,Some Pad,a:b0,b:b1,platform:Linux,\n";

// The full pad, with the left stick's left half skipped: its right half is written "+leftx:+a0",
// a binding whose "+" a careless form encoding would turn into a blank.
QList<Step> halfAxisPadSteps()
{
    QList<Step> steps = fullPadSteps();
    steps[15] = skip();
    return steps;
}
const char* const kConfiguredPad = "Configured Pad";

// A 16-bit id as a GUID holds it: little-endian, 4 hex digits.
QByteArray guidId(quint16 id)
{
    return QByteArray::number(quint16((id << 8) | (id >> 8)), 16).rightJustified(4, '0');
}
} // namespace

class NewMappingTest : public QObject
{
    Q_OBJECT

private:
    LoopbackServer server;

    void pointAtServer(WindowFixture& fixture)
    {
        fixture.settings.databaseUrl = QUrl(server.url("/gamecontrollerdb.txt"));
        fixture.settings.submissionUrl = QUrl(server.url("/gamecontrollerdb.php"));
        QVERIFY(writeFile(fixture.settings.seedPath, kCommunityDb));
    }

    // The next POST the server received; Qt sends it from this thread's event loop, so keep it running.
    QJsonObject nextPost()
    {
        QJsonObject post;
        (void)QTest::qWaitFor(
            [&] {
                for (const QJsonObject& request : server.takeRequests())
                    if (post.isEmpty() && request["method"].toString() == "POST")
                        post = request;
                return !post.isEmpty();
            },
            5000);
        return post;
    }

private slots:
    void initTestCase()
    {
        if (!server.start())
            QSKIP(qPrintable("no loopback server: " + server.errorString()));
    }

    void init()
    {
        server.setRoutes(QJsonObject{{"/gamecontrollerdb.txt", route(200, kCommunityDb)},
                                     {"/gamecontrollerdb.php", route(200, "OK")}});
        server.takeRequests();
    }

    void savedSubmittedRegistered()
    {
        Wizard wizard("Saving Test Pad");
        pointAtServer(wizard.fixture);
        QVERIFY(wizard.pad->attach());
        const QByteArray guid = wizard.pad->portableGuidText();
        const QString localPath = wizard.fixture.settings.dataDirectory + "/gamecontrollerdb.local.txt";
        // Another pad's line, and one whose crc: cannot be read: both stay.
        const QByteArray otherLine = "03000000bbbb00000000000000000000,Other Pad,a:b0,platform:Linux,\n"
                                     "03000000dddd00000000000000000000,Bad Pad,a:b0,crc:12,platform:Linux,\n";
        // This pad's line as the program saved it before: SDL's GUID with the CRC inside.
        const QByteArray comment = "# " + wizard.pad->guidText() + " mentioned\n";
        QVERIFY(writeFile(localPath, otherLine + wizard.pad->guidText() + ",Old Name,a:b5,platform:Linux,\n" +
                                         comment +
                                         "03000000cccc00000000000000000000,Third Pad,b:b1,platform:Linux,"));
        QVERIFY(wizard.start());
        // The old line in the local file was loaded at start.
        QCOMPARE(wizard.fixture.entries(), QStringList({"Old Name (mapping available)"}));

        wizard.answers.answerInput("Saved Pad");
        QVERIFY(wizard.perform(halfAxisPadSteps(), 0));
        QVERIFY(wizard.answers.waitAllAnswered());
        QVERIFY(QTest::qWaitFor([&] { return !wizard.mappingLine().isEmpty(); }));
        const QByteArray expected = portableHead(*wizard.pad, "Saved Pad") +
                                    QByteArray(kFullPadBindings).replace("leftx:a0", "+leftx:+a0");
        QCOMPARE(wizard.mappingLine().toUtf8(), expected);

        // The local file: the other lines in order, this pad's line gone, the new line last.
        QCOMPARE(readFile(localPath),
                 otherLine + comment + "03000000cccc00000000000000000000,Third Pad,b:b1,platform:Linux,\n" +
                     expected + "\n");
        QVERIFY(logHas(wizard.fixture, "Line 2 of gamecontrollerdb.local.txt kept as it is: "));

        // The collection service got exactly the GUID and the saved line, "+" included.
        const QJsonObject post = nextPost();
        QCOMPARE(post["path"].toString(), QString("/gamecontrollerdb.php"));
        QCOMPARE(post["content_type"].toString(), QString("application/x-www-form-urlencoded"));
        const QJsonArray items = post["items"].toArray();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0].toArray()[0].toString(), QString("guid"));
        QCOMPARE(items[0].toArray()[1].toString().toUtf8(), guid);
        QCOMPARE(items[1].toArray()[0].toString(), QString("mapping"));
        QCOMPARE(items[1].toArray()[1].toString().toUtf8(), expected);

        // SDL applies it to the pad at once, in place of the older line, and the list says so.
        char* known = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUID(wizard.pad->joystick()));
        QVERIFY(known);
        const QByteArray knownMapping(known);
        SDL_free(known);
        // SDL gives it back under the pad's own GUID, and otherwise exactly as saved (one crc: field).
        QCOMPARE(knownMapping, wizard.pad->guidText() + expected.mid(guid.size()));
        QVERIFY(QTest::qWaitFor(
            [&] { return wizard.fixture.entries() == QStringList({"Saved Pad (mapping available)"}); }));
        QVERIFY(wizard.fixture.button("copyBindingsButton")->isEnabled());
        QVERIFY(QTest::qWaitFor(
            [&] { return logHas(wizard.fixture, "Mapping sent to the collection service"); }));
    }

    void silentServerIsGivenUp()
    {
        // It accepts every connection and never answers.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const QString base = QString("http://127.0.0.1:%1").arg(silent.serverPort());
        Wizard wizard("Silent Server Pad");
        pointAtServer(wizard.fixture);
        wizard.fixture.settings.databaseUrl = QUrl(base + "/gamecontrollerdb.txt");
        wizard.fixture.settings.submissionUrl = QUrl(base + "/gamecontrollerdb.php");
        wizard.fixture.settings.networkTimeoutMs = 300;
        QVERIFY(wizard.start());
        wizard.answers.answerInput("Quiet Pad");
        QVERIFY(wizard.perform(firstButtonOnlySteps(), 0));
        QVERIFY(wizard.answers.waitAllAnswered());
        QVERIFY(QTest::qWaitFor(
            [&] { return logHas(wizard.fixture, "Mapping not sent: no answer within 300 ms"); }, 5000));
        QVERIFY(logHas(wizard.fixture, "Update check failed: no answer within 300 ms"));
    }

    void configuredMappingIsReplaced()
    {
        Wizard wizard(kConfiguredPad);
        pointAtServer(wizard.fixture);
        QVERIFY(wizard.start());
        QCOMPARE(wizard.fixture.entries(), QStringList({"Configured Old (mapping available)"}));
        wizard.answers.answerInput("Configured New");
        QVERIFY(wizard.perform(firstButtonOnlySteps(), 0));
        QVERIFY(wizard.answers.waitAllAnswered());
        QVERIFY(QTest::qWaitFor(
            [&] { return wizard.fixture.entries() == QStringList({"Configured New (mapping available)"}); }));
        char* known = SDL_GameControllerMapping(MainWindowProbe::controller(*wizard.fixture.window));
        QVERIFY(known);
        const QByteArray knownMapping(known);
        SDL_free(known);
        QVERIFY2(knownMapping.contains(",Configured New,") && knownMapping.contains("a:b0"),
                 knownMapping.constData());
        // Games started with the old variable still get the old line: the user is told.
        QVERIFY(logHas(wizard.fixture, "Note: \"SDL_GAMECONTROLLERCONFIG\" holds another mapping"));
    }

    // A click on a control of the picture captures that control again; the rest of the line stays.
    void recaptureOneControl_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QByteArray>("bindings"); // the saved bindings afterwards; empty: file unchanged
        QTest::newRow("one press replaces the wrong button") << "press" << QByteArray("a:b0,b:b1,x:b2,y:b3,");
        QTest::newRow("Cancel changes nothing") << "cancel" << QByteArray();
        QTest::newRow("Escape changes nothing") << "escape" << QByteArray();
    }

    void recaptureOneControl()
    {
        QFETCH(QString, action);
        QFETCH(QByteArray, bindings);
        const QByteArray padName = "Recapture " + QByteArray(QTest::currentDataTag()).left(20);
        Wizard wizard(padName.constData());
        pointAtServer(wizard.fixture);
        QVERIFY(wizard.pad->attach());
        const QByteArray head = portableHead(*wizard.pad, "Fix Pad");
        const QByteArray other = "03000000bbbb00000000000000000000,Other Pad,a:b0,platform:Linux,\n";
        const QByteArray before = other + head + "a:b0,b:b5,x:b2,y:b3,\n";
        const QString localPath = wizard.fixture.settings.dataDirectory + "/gamecontrollerdb.local.txt";
        QVERIFY(writeFile(localPath, before));
        wizard.fixture.open();
        QCOMPARE(wizard.fixture.entries(), QStringList({"Fix Pad (mapping available)"}));
        auto* picture = wizard.fixture.widget<QLabel>("mainImage");
        wizard.overlays = picture->findChildren<QLabel*>();
        QVERIFY(!picture->toolTip().isEmpty());
        QTest::mouseClick(picture, Qt::LeftButton, {}, wizard.overlays.at(1)->geometry().center());
        QVERIFY(wizard.waitForRow(1));
        QVERIFY(logHas(wizard.fixture, "Capturing \"B (right face button)\" again"));
        QCOMPARE(wizard.fixture.status(), QString("Capturing again: B (right face button)"));

        if (action == "press")
            wizard.pad->pressButton(1);
        else if (action == "cancel")
            QTest::mouseClick(wizard.fixture.button("cancelButton"), Qt::LeftButton);
        else {
            // A shortcut reaches the active window only.
            wizard.fixture.window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(wizard.fixture.window.get()));
            QTest::keyClick(wizard.fixture.window.get(), Qt::Key_Escape);
        }

        if (bindings.isEmpty()) {
            QVERIFY(QTest::qWaitFor([&] { return wizard.fixture.button("newBindings")->isVisible(); }));
            QTest::qWait(200);
            QCOMPARE(readFile(localPath), before);
            QCOMPARE(wizard.visibleRow(), -1);
            return;
        }
        const QByteArray expected = head + bindings;
        QVERIFY2(QTest::qWaitFor([&] { return readFile(localPath) == other + expected + "\n"; }, 10000),
                 readFile(localPath).constData());
        QCOMPARE(nextPost()["items"].toArray()[1].toArray()[1].toString().toUtf8(), expected);
        QVERIFY(QTest::qWaitFor([&] { return wizard.fixture.button("newBindings")->isVisible(); }));
        QCOMPARE(wizard.fixture.entries(), QStringList({"Fix Pad (mapping available)"}));
        QCOMPARE(SDL_JoystickInstanceID(MainWindowProbe::joystick(*wizard.fixture.window)),
                 wizard.pad->instanceId());
    }

    // Two pads with the same ids and different names share a GUID, and SDL before 2.30.5 one line for
    // both (the later one's): the first pad's commands still work on its own line, never the other's.
    void padsSharingAGuidKeepTheirOwnLines()
    {
        VirtualPad::Layout layout = padLayout("Twin Pad One");
        VirtualPad first(layout);
        layout.name = "Twin Pad Two";
        VirtualPad second(layout);
        QVERIFY(first.attach() && second.attach());
        QCOMPARE(first.portableGuidText(), second.portableGuidText());
        QVERIFY(first.crcField() != second.crcField());
        WindowFixture fixture;
        pointAtServer(fixture);
        const QByteArray firstHead = portableHead(first, "First Own");
        const QByteArray secondLine = portableHead(second, "Second Own") + "a:b3,b:b4,";
        const QString localPath = fixture.settings.dataDirectory + "/gamecontrollerdb.local.txt";
        writeFile(localPath, firstHead + "a:b0,b:b5,x:b2,\n" + secondLine + "\n");
        fixture.open();
        const QList<PadEntry> entries = MainWindowProbe::roster(*fixture.window).entries();
        for (int i = 0; i < entries.size(); ++i)
            if (entries.at(i).instanceId == first.instanceId())
                fixture.list()->setCurrentIndex(i);
        QCOMPARE(SDL_JoystickInstanceID(MainWindowProbe::joystick(*fixture.window)), first.instanceId());
        SDL_version linked;
        SDL_GetVersion(&linked);
        if (SDL_VERSIONNUM(linked.major, linked.minor, linked.patch) < SDL_VERSIONNUM(2, 30, 5))
            QVERIFY(logHas(fixture, "SDL applies another pad's line to \"Twin Pad One\""));

        ModalAnswerer answers;
        answers.answerMessage(QMessageBox::Ok);
        QTest::mouseClick(fixture.button("copyBindingsButton"), Qt::LeftButton);
        QVERIFY(answers.waitAllAnswered());
        QCOMPARE(QGuiApplication::clipboard()->text().toUtf8(), firstHead + "a:b0,b:b5,x:b2,");

        auto* picture = fixture.widget<QLabel>("mainImage");
        const QList<QLabel*> overlays = picture->findChildren<QLabel*>();
        QTest::mouseClick(picture, Qt::LeftButton, {}, overlays.at(1)->geometry().center());
        QVERIFY(QTest::qWaitFor([&] { return overlays.at(1)->isVisible(); }, 5000));
        first.pressButton(1);
        const QByteArray expected = secondLine + "\n" + firstHead + "a:b0,b:b1,x:b2,\n";
        QVERIFY2(QTest::qWaitFor([&] { return readFile(localPath) == expected; }, 10000),
                 readFile(localPath).constData());
    }

    // Another pad's line for the same model: offered, tried on the picture, then kept (as a new mapping),
    // discarded, or left open when the program closes; nothing is written before Keep. A line that SDL
    // 2.26 and later apply by themselves is offered for keeping at once.
    void trySimilarPad_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QByteArray>("model"); // the community line's GUID, {V} and {P} the pad's ids
        QTest::addColumn<QByteArray>("kept");  // the bindings saved for the pad
        const QByteArray usb = "03000000{V}0000{P}000001000000";
        QTest::newRow("a pad with no relatives: nothing to try") << "none" << QByteArray() << QByteArray();
        QTest::newRow("kept") << "keep" << usb << QByteArray("a:b2,b:b3,");
        QTest::newRow("one binding fixed while trying, then kept")
            << "fix" << usb << QByteArray("a:b2,b:b5,");
        QTest::newRow("discarded") << "discard" << usb << QByteArray();
        QTest::newRow("the program closed while trying") << "close" << usb << QByteArray();
        QTest::newRow("SDL applies it by itself: kept for the pad's own GUID")
            << "sdl" << QByteArray("ff000000{V}0000{P}000001007600") << QByteArray("a:b2,b:b3,");
    }

    void trySimilarPad()
    {
        QFETCH(QString, ending);
        QFETCH(QByteArray, model);
        QFETCH(QByteArray, kept);
        // A model of its own for each row: SDL keeps what a row registers until the end.
        static quint16 product = 0x7b01;
        VirtualPad::Layout layout = padLayout("Stickwell Similar Pad");
        layout.product = product++;
        VirtualPad pad(layout);
        QVERIFY(pad.attach());
        WindowFixture fixture;
        fixture.settings.submissionUrl = QUrl(server.url("/gamecontrollerdb.php"));
        // The same model with another firmware, under another name.
        const QByteArray community =
            model.isEmpty()
                ? QByteArray()
                : model.replace("{V}", guidId(layout.vendor)).replace("{P}", guidId(layout.product)) +
                      ",Community Twin,a:b2,b:b3,platform:Linux,\n";
        const QString communityPath = fixture.settings.dataDirectory + "/gamecontrollerdb.txt";
        const QString localPath = fixture.settings.dataDirectory + "/gamecontrollerdb.local.txt";
        writeFile(communityPath, community);
        fixture.open();
        const QStringList entries = fixture.entries();
        auto* similar = fixture.window->findChild<QToolButton*>("similarButton");
        QCOMPARE(similar->isEnabled(), ending != "none");
        if (ending == "none")
            return;
        const QList<QAction*> offered = similar->menu()->actions();
        ModalAnswerer answers;
        answers.acceptInput(); // the name dialog of Keep, if it comes
        if (ending == "sdl") {
            QVERIFY(logHas(fixture, "\"Stickwell Similar Pad\" is mapped only by SDL 2.26 and later"));
            QCOMPARE(offered.size(), 2);
            QCOMPARE(offered[1]->text(), QString("Community Twin (firmware 0x0001; community database)"));
            offered[0]->trigger();
        } else {
            QCOMPARE(offered.size(), 1);
            QCOMPARE(offered[0]->text(),
                     QString("Community Twin (over USB, firmware 0x0001; community database)"));
            offered[0]->trigger();
            QVERIFY(fixture.button("keepButton")->isVisible() && !fixture.list()->isEnabled());
            QVERIFY2(fixture.status().startsWith("Trying \"Community Twin\""), qPrintable(fixture.status()));
            // The picture lights through the tried line, whose "a" is button 2.
            auto* picture = fixture.widget<QLabel>("mainImage");
            const QList<QLabel*> overlays = picture->findChildren<QLabel*>();
            pad.setButton(2, true);
            QVERIFY(QTest::qWaitFor([&] { return overlays.at(0)->isVisible(); }, 5000));
            pad.setButton(2, false);
            if (ending == "fix") {
                QTest::mouseClick(picture, Qt::LeftButton, {}, overlays.at(1)->geometry().center());
                QVERIFY(QTest::qWaitFor([&] { return fixture.button("cancelButton")->isVisible(); }, 5000));
                pad.pressButton(5);
                QVERIFY(QTest::qWaitFor([&] { return fixture.button("keepButton")->isVisible(); }, 5000));
            }
            QVERIFY(!QFile::exists(localPath));
            if (ending == "discard")
                QTest::mouseClick(fixture.button("discardButton"), Qt::LeftButton);
            else if (ending == "close")
                fixture.close();
            else
                QTest::mouseClick(fixture.button("keepButton"), Qt::LeftButton);
        }

        if (kept.isEmpty()) {
            if (ending == "discard") {
                QVERIFY(fixture.button("newBindings")->isVisible());
                QCOMPARE(fixture.entries(), entries);
                QVERIFY(!sdlMapsDevice(pad.deviceIndex()) && !MainWindowProbe::controller(*fixture.window));
            }
            QVERIFY(!QFile::exists(localPath));
            QCOMPARE(readFile(communityPath), community);
            return;
        }
        QVERIFY(answers.waitAllAnswered());
        QCOMPARE(answers.seen().first().inputText, QString("Community Twin"));
        const QByteArray expected = portableHead(pad, "Community Twin") + kept;
        QVERIFY2(QTest::qWaitFor([&] { return readFile(localPath) == expected + "\n"; }, 5000),
                 readFile(localPath).constData());
        QCOMPARE(nextPost()["items"].toArray()[1].toArray()[1].toString().toUtf8(), expected);
        QCOMPARE(fixture.entries(), QStringList({"Community Twin (mapping available)"}));
    }

    // A fresh account has no ~/.local yet; a file in the way makes the data directory unusable. Either
    // way nothing may land in the folder the program was started from.
    void dataDirectory_data()
    {
        QTest::addColumn<QString>("dataDirectory"); // below the fixture's root; "file" is a plain file
        QTest::addColumn<bool>("usable");
        QTest::newRow("missing parents are created") << "home/.local/share" << true;
        QTest::newRow("a file in the way: said, and offered on the clipboard") << "file/share" << false;
    }

    void dataDirectory()
    {
        QFETCH(QString, dataDirectory);
        QFETCH(bool, usable);
        Wizard wizard("Data Directory Pad");
        pointAtServer(wizard.fixture);
        QVERIFY(writeFile(wizard.fixture.root.filePath("file"), "in the way"));
        wizard.fixture.settings.dataDirectory = wizard.fixture.root.filePath(dataDirectory);
        QTemporaryDir launch;
        QVERIFY(QDir::setCurrent(launch.path()));
        if (!usable)
            wizard.answers.answerMessage(QMessageBox::Ok); // the start-up box
        QVERIFY(wizard.start());
        wizard.answers.answerInput("Data Directory Pad");
        if (!usable)
            wizard.answers.answerMessage(QMessageBox::Yes); // copy the unsaved line
        QVERIFY(wizard.perform(firstButtonOnlySteps(), 0));
        QVERIFY(wizard.answers.waitAllAnswered());
        QVERIFY(QTest::qWaitFor([&] { return !wizard.mappingLine().isEmpty(); }));

        QCOMPARE(QDir(launch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        const QString localPath = wizard.fixture.settings.dataDirectory + "/gamecontrollerdb.local.txt";
        if (usable) {
            QCOMPARE(readFile(localPath), wizard.mappingLine().toUtf8() + '\n');
            return;
        }
        QVERIFY(!QFileInfo::exists(wizard.fixture.settings.dataDirectory));
        QStringList boxes;
        for (const auto& seen : wizard.answers.seen())
            boxes << seen.informativeText;
        QVERIFY2(boxes.filter("Error: the data directory cannot be used").size() == 1,
                 qPrintable(boxes.join('|')));
        QVERIFY2(boxes.filter("It works only until Stickwell closes").size() == 1,
                 qPrintable(boxes.join('|')));
        QCOMPARE(QGuiApplication::clipboard()->text(), wizard.mappingLine());
        QVERIFY(logHas(wizard.fixture, "Error: can't save the mapping"));
    }

    void updateCheck_data()
    {
        QTest::addColumn<QJsonObject>("response");
        QTest::addColumn<int>("answer"); // QMessageBox button, or NoButton when no question is expected
        QTest::addColumn<QString>("logLine");
        QTest::addColumn<bool>("replaced");

        const QByteArray newer =
            kCommunityDb + "03000000dddd00000000000000000000,New Pad,a:b0,platform:Linux,\n";
        QTest::newRow("different, Yes")
            << route(200, newer) << int(QMessageBox::Yes) << "New mappings available" << true;
        QTest::newRow("different, No")
            << route(200, newer) << int(QMessageBox::No) << "New mappings available" << true;
        QTest::newRow("404 page") << route(404, "<html><body>Not Found</body></html>")
                                  << int(QMessageBox::NoButton) << "Update check failed: " << false;
    }

    void updateCheck()
    {
        QFETCH(QJsonObject, response);
        QFETCH(int, answer);
        QFETCH(QString, logLine);
        QFETCH(bool, replaced);
        server.setRoutes(QJsonObject{{"/gamecontrollerdb.txt", response}});

        WindowFixture fixture;
        pointAtServer(fixture);
        ModalAnswerer answers;
        if (answer != QMessageBox::NoButton)
            answers.answerMessage(QMessageBox::StandardButton(answer));
        fixture.open();
        QVERIFY(QTest::qWaitFor([&] { return logHas(fixture, logLine); }, 10000));
        QVERIFY(answers.waitAllAnswered());
        const int searches = fixture.logLines().count("Searching gamepads...");

        const QByteArray stored = readFile(fixture.settings.dataDirectory + "/gamecontrollerdb.txt");
        if (replaced) {
            QCOMPARE(stored.toBase64(), response["body"].toString().toLatin1().toBase64());
            QCOMPARE(answers.seen().size(), 1);
            QCOMPARE(answers.seen().first().informativeText,
                     QString("New mappings available. Do you want to load them?"));
            // Yes reloads both files and rebuilds the list; No leaves that to the next start.
            QCOMPARE(searches, answer == QMessageBox::Yes ? 2 : 1);
            if (answer == QMessageBox::Yes) {
                char* added = SDL_GameControllerMappingForGUID(
                    SDL_JoystickGetGUIDFromString("03000000dddd00000000000000000000"));
                QVERIFY(added);
                SDL_free(added);
            }
        } else {
            QCOMPARE(stored, kCommunityDb);
            QCOMPARE(answers.seen().size(), 0);
            QCOMPARE(searches, 1);
        }
    }
};

int main(int argc, char** argv)
{
    // The process starts as a login with an earlier Set would: SDL_GAMECONTROLLERCONFIG holds an old line
    // for one pad. Its GUID is SDL's to make, so a first SDL session asks for it.
    SDL_Init(SDL_INIT_JOYSTICK);
    {
        VirtualPad pad(padLayout(kConfiguredPad));
        if (pad.attach())
            qputenv("SDL_GAMECONTROLLERCONFIG", pad.guidText() + ",Configured Old,a:b5,platform:Linux,");
    }
    SDL_Quit();
    takeOverConfiguredMappings();
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    QApplication application(argc, argv);
    NewMappingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_newmapping.moc"
