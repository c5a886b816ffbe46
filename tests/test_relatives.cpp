// A pad's relatives and its own line among the program's sources, what SDL applies to a pad compared
// with them, and trying a relative's line on a virtual pad.

#include "joystickguid.h"
#include "mappingsources.h"
#include "padidentity.h"
#include "padrelatives.h"
#include "relativetrial.h"
#include "sdllinecheck.h"
#include "virtualpad.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <SDL.h>

namespace
{
const QString kSnapshot = QStringLiteral(STICKWELL_SHARED_DATA "/gamecontrollerdb.txt");
const QByteArray kBindings = "a:b0,b:b1,x:b2,y:b3,leftx:a0,lefty:a1,";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The pad a line stands for: its GUID and its CRC (from the GUID, else its crc: field).
PadIdentity linePad(const QByteArray& line)
{
    const QByteArray guid = line.left(line.indexOf(','));
    const int crcAt = line.indexOf(",crc:");
    const int crc = guidCrc(guid) ? guidCrc(guid) : crcAt < 0 ? 0 : line.mid(crcAt + 5, 4).toInt(nullptr, 16);
    PadIdentity pad = padIdentity(guid, QByteArray());
    pad.crc = pad.sdlCrc = quint16(crc);
    return pad;
}

// "<origin>|<line>" rows of a table, as SourcedLines.
QList<SourcedLine> sourced(const QStringList& rows)
{
    const QMap<QString, MappingOrigin> origins = {{"community", MappingOrigin::CommunityDatabase},
                                                  {"steam", MappingOrigin::Steam},
                                                  {"local", MappingOrigin::LocalFile}};
    QList<SourcedLine> lines;
    for (const QString& row : rows)
        lines += sourcedLines(origins.value(row.section('|', 0, 0)), row.section('|', 1).toUtf8());
    return lines;
}

QList<SourcedLine> snapshotLines()
{
    return sourcedLines(MappingOrigin::CommunityDatabase, readAll(kSnapshot));
}

// Every file under path with its content's digest: what "no file changed" compares.
QMap<QString, QByteArray> directoryState(const QString& path)
{
    QMap<QString, QByteArray> state;
    QDirIterator it(path, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        state.insert(file, QCryptographicHash::hash(readAll(file), QCryptographicHash::Sha1));
    }
    return state;
}

// "name|bindings" of SDL's line for a device: what it applies, without the GUID and CRC it writes.
QByteArray appliedMapping(int deviceIndex)
{
    const QByteArray line = sdlLineForDevice(deviceIndex);
    if (line.isEmpty())
        return QByteArray();
    QList<QByteArray> fields = line.split(',').mid(2);
    QList<QByteArray> bindings;
    for (const QByteArray& field : fields)
        if (field.contains(':') && !field.startsWith("platform:") && !field.startsWith("crc:"))
            bindings << field;
    std::sort(bindings.begin(), bindings.end());
    return line.split(',').value(1) + '|' + bindings.join(',');
}
} // namespace

class TestRelatives : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(SDL_Init(SDL_INIT_GAMECONTROLLER) == 0, SDL_GetError()); }
    void cleanupTestCase() { SDL_Quit(); }

    void relatives_data();
    void relatives();
    void everySnapshotLineAsAPad();
    void descriptions_data();
    void descriptions();
    void ownLineAndSdlCheck_data();
    void ownLineAndSdlCheck();
    void trial_data();
    void trial();
    void sdlFallbackIsNamed();
};

void TestRelatives::relatives_data()
{
    QTest::addColumn<QByteArray>("sdlGuid");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QStringList>("extra"); // "<origin>|<line>" added to the snapshot
    QTest::addColumn<QStringList>("expected");

    const QByteArray usb64 = "03000000c82d00001930000011010000";
    QByteArray bluetooth64; // the community line, copied into the local file
    for (const SourcedLine& line : snapshotLines())
        if (line.line.startsWith("05000000c82d00001930000001000000"))
            bluetooth64 = line.line;
    QTest::newRow("over USB: the Bluetooth line")
        << usb64 << QByteArray("8BitDo 64") << QStringList()
        << QStringList{"05000000c82d00001930000001000000|over Bluetooth, firmware 0x0001|community database"};
    QTest::newRow("an SDL virtual joystick: both lines")
        << QByteArray("ff0012aac82d00001930000000007601") << QByteArray("Test Pad") << QStringList()
        << QStringList{"03000000c82d00001930000011010000|over USB, firmware 0x0111|community database",
                       "05000000c82d00001930000001000000|over Bluetooth, firmware 0x0001|community database"};
    QTest::newRow("its own line is none, another name's is")
        << QByteArray("030034124c0500005f0e000011010000") << QByteArray("Renamed Access") << QStringList()
        << QStringList{"0300004b4c0500005f0e000011010000|another name|community database"};
    QTest::newRow("the only line is its own")
        << QByteArray("0300004b4c0500005f0e000011010000") << QByteArray("PS5 Access Controller")
        << QStringList() << QStringList();
    QTest::newRow("higher sources first, a repeated line once")
        << usb64 << QByteArray("8BitDo 64")
        << QStringList{"steam|05000000c82d00001930000001000000,8BitDo 64 (Steam)," + QString(kBindings),
                       "local|03000000c82d00001930000010010000,Mine," + QString(kBindings) +
                           "platform:Linux,",
                       "local|" + QString::fromUtf8(bluetooth64)}
        << QStringList{"03000000c82d00001930000010010000|firmware 0x0110|local file",
                       "05000000c82d00001930000001000000|over Bluetooth, firmware 0x0001|local file",
                       "05000000c82d00001930000001000000|over Bluetooth, firmware 0x0001|Steam"};
    QTest::newRow("name in the GUID: the same name over Bluetooth")
        << QByteArray("030000004d4f435554452d3035335800") << QByteArray("MOCUTE-053X") << QStringList()
        << QStringList{"050000004d4f435554452d3035335800|over Bluetooth|community database"};
    QTest::newRow("name in the GUID: the same name field")
        << QByteArray("03000000537469636b77656c6c000000") << QByteArray("mocute  054x") << QStringList()
        << QStringList{"050000004d4f435554452d3035305800|over Bluetooth|community database"};
    QTest::newRow("product 0: matched by name only, and none has it")
        << QByteArray("03000000c82d00000000000011010000") << QByteArray("Nothing Alike") << QStringList()
        << QStringList();
}

void TestRelatives::relatives()
{
    QFETCH(QByteArray, sdlGuid);
    QFETCH(QByteArray, name);
    QFETCH(QStringList, extra);
    QFETCH(QStringList, expected);
    if (!QFile::exists(kSnapshot))
        QSKIP("no community database snapshot in ../shared/data");

    QStringList found;
    for (const PadRelative& relative :
         findRelatives(padIdentity(sdlGuid, QByteArray()), name, snapshotLines() + sourced(extra)))
        found << relative.source.line.left(32) + '|' + relative.description() + '|' +
                     mappingOriginLabel(relative.source.origin);
    QCOMPARE(found, expected);
}

void TestRelatives::everySnapshotLineAsAPad()
{
    if (!QFile::exists(kSnapshot))
        QSKIP("no community database snapshot in ../shared/data");
    const QList<SourcedLine> lines = snapshotLines();
    int withRelatives = 0;
    for (const SourcedLine& line : lines) {
        const PadIdentity pad = linePad(line.line);
        const QList<PadRelative> relatives = findRelatives(pad, line.line.split(',').value(1), lines);
        for (const PadRelative& relative : relatives) {
            QVERIFY2(!isPadLine(relative.source.line, pad), line.line.left(60).constData());
            QVERIFY(!relative.differences.isEmpty());
        }
        withRelatives += relatives.isEmpty() ? 0 : 1;
    }
    qInfo("%d of %d Linux lines of the snapshot have at least one relative", withRelatives,
          int(lines.size()));
    QCOMPARE(lines.size(), 734);
    QCOMPARE(withRelatives, 250);
}

void TestRelatives::descriptions_data()
{
    QTest::addColumn<QByteArray>("padGuid"); // as SDL writes it, CRC included
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");

    // Bus 3, CRC 0xbbaa, vendor 0x1234, product 0xabcd, version 0x0111.
    const QByteArray pad = "0300aabb34120000cdab000011010000";
    const auto line = [](const QByteArray& guid) { return guid + ",Other," + kBindings; };
    QTest::newRow("Bluetooth") << pad << line("0500000034120000cdab000011010000") << "over Bluetooth";
    QTest::newRow("Linux virtual bus")
        << pad << line("0600000034120000cdab000011010000") << "as a virtual device";
    QTest::newRow("host bus, firmware")
        << pad << line("1900000034120000cdab000000010000") << "over bus 0x19, firmware 0x0100";
    QTest::newRow("another name by crc: field")
        << pad << line("0300000034120000cdab000011010000") + "crc:1111,"
        << "another name";
    QTest::newRow("another name by GUID")
        << pad << line("0300111134120000cdab000011010000") << "another name";
    QTest::newRow("HIDAPI") << pad << line("0300000034120000cdab000011016800")
                            << "through SDL's HIDAPI driver";
    QTest::newRow("the system's driver, seen from HIDAPI")
        << QByteArray("0300aabb34120000cdab000011016800") << line("0300000034120000cdab000011010000")
        << "through the system's driver";
    QTest::newRow("SDL virtual joystick")
        << pad << line("ff00000034120000cdab000000007601") << "as an SDL virtual joystick, firmware 0x0000";
    QTest::newRow("ids for a pad known by name")
        << QByteArray("05000000537469636b77656c6c000000")
        << "0300000034120000cdab000000000000,stickwell," + kBindings << "with ids 1234:abcd, over USB";
}

void TestRelatives::descriptions()
{
    QFETCH(QByteArray, padGuid);
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    const QList<PadRelative> relatives = findRelatives(padIdentity(padGuid, QByteArray()), "Stickwell",
                                                       sourcedLines(MappingOrigin::ConfiguredVariable, line));
    QCOMPARE(relatives.size(), 1);
    QCOMPARE(relatives.first().description(), expected);
}

void TestRelatives::ownLineAndSdlCheck_data()
{
    QTest::addColumn<QByteArray>("community");
    QTest::addColumn<QByteArray>("local");
    QTest::addColumn<QByteArray>("configuredFile");
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QByteArray>("sdlLine");
    QTest::addColumn<int>("state");
    QTest::addColumn<QByteArray>("ownLine");
    QTest::addColumn<QString>("logSays"); // in part; empty: no log line
    const auto row = [](const char* name, const QByteArray& community, const QByteArray& local,
                        const QByteArray& configuredFile, const QByteArray& variable,
                        const QByteArray& sdlLine, SdlLineCheck::State state, const QByteArray& ownLine,
                        const QString& logSays) {
        QTest::newRow(name) << community << local << configuredFile << variable << sdlLine << int(state)
                            << ownLine << logSays;
    };

    // Pad A and pad B have the same ids and different names (CRCs 0xaaaa and 0xbbbb); the check is pad A's.
    const QByteArray guid = "03000000341200007856000001000000";
    const QByteArray lineA = guid + ",Pad A,platform:Linux,crc:aaaa,a:b0,b:b1,";
    const QByteArray lineB = guid + ",Pad B,platform:Linux,crc:bbbb,a:b5,b:b6,";
    const QByteArray sdlGuidA = "0300aaaa341200007856000001000000";
    const QByteArray sdlB = sdlGuidA + ",Pad B,platform:Linux,crc:bbbb,a:b5,b:b6,";
    const QByteArray fileA = guid + ",File A,platform:Linux,a:b7,";

    row("SDL holds the other pad's line", lineA + "\n" + lineB + "\n", "", "", "", sdlB,
        SdlLineCheck::OtherPadsLine, lineA, "another pad's line to \"Pad A\": that of \"Pad B\" (crc bbbb)");
    row("SDL holds its own line", lineB + "\n", lineA + "\r\n", "", "",
        sdlGuidA + ",Pad A,platform:Linux,crc:aaaa,b:b1,a:b0,", SdlLineCheck::OwnLine, lineA, "");
    row("the local file wins over the community database", guid + ",Old A,platform:Linux,a:b9,\n", lineA, "",
        "", sdlB, SdlLineCheck::OtherPadsLine, lineA, "own line is the one in the local file");
    row("the configured file wins, not with another platform's line", "", lineA,
        fileA + "\n" + guid + ",Win A,platform:Windows,a:b8,", "", "", SdlLineCheck::OwnLineUnused, fileA,
        "SDL_GAMECONTROLLERCONFIG_FILE holds a line");
    row("the variable wins and needs no platform", "", lineA, fileA, guid + ",Variable A,a:b4,", "",
        SdlLineCheck::OwnLineUnused, guid + ",Variable A,a:b4,", "SDL_GAMECONTROLLERCONFIG holds a line");
    row("no own line, SDL holds another pad's", lineB, "", "", "", sdlB, SdlLineCheck::OtherPadsLine, "",
        "this pad has no line of its own");
    row("SDL only: a relative's line", guid.left(24) + "10010000,Firmware Pad,platform:Linux,a:b0,b:b1,", "",
        "", "", sdlGuidA + ",Firmware Pad,a:b0,b:b1,platform:Linux,", SdlLineCheck::SdlOnly, "",
        "SDL 2.26 and later, which apply the line of a similar pad to it (\"Firmware Pad\", firmware 0x0110, "
        "from the community database)");
    row("SDL only: a line of its own", "", "", "", "", sdlGuidA + ",Built In,a:b0,", SdlLineCheck::SdlOnly,
        "", "a line of SDL's own (\"Built In\")");
    row("a line that binds nothing maps nothing", "", "", "", "",
        sdlGuidA + ",Pad A,platform:Linux,crc:aaaa,", SdlLineCheck::Unmapped, "", "");
}

void TestRelatives::ownLineAndSdlCheck()
{
    QFETCH(QByteArray, community);
    QFETCH(QByteArray, local);
    QFETCH(QByteArray, configuredFile);
    QFETCH(QByteArray, variable);
    QFETCH(QByteArray, sdlLine);
    QFETCH(int, state);
    QFETCH(QByteArray, ownLine);
    QFETCH(QString, logSays);

    QTemporaryDir data;
    QVERIFY(writeAll(data.filePath("gamecontrollerdb.txt"), community));
    QVERIFY(writeAll(data.filePath("gamecontrollerdb.local.txt"), local));
    QVERIFY(writeAll(data.filePath("configured.txt"), configuredFile));
    QProcessEnvironment environment;
    if (!configuredFile.isEmpty())
        environment.insert("SDL_GAMECONTROLLERCONFIG_FILE", data.filePath("configured.txt"));
    if (!variable.isEmpty())
        environment.insert("SDL_GAMECONTROLLERCONFIG", QString::fromUtf8(variable));

    // Pad A: SDL's GUID carries its CRC.
    const PadIdentity padA = padIdentity("0300aaaa341200007856000001000000", QByteArray());
    const SdlLineCheck check =
        checkSdlLine(padA, "Pad A", sdlLine, readMappingSources(data.path(), environment));
    QCOMPARE(int(check.state), state);
    QCOMPARE(check.ownLine.line, ownLine);
    if (logSays.isEmpty())
        QCOMPARE(check.logText, QString());
    else
        QVERIFY2(check.logText.contains(logSays), qPrintable(check.logText));
}

void TestRelatives::trial_data()
{
    QTest::addColumn<QByteArray>("communityGuid"); // the line of the same model the pad is offered
    QTest::addColumn<bool>("gameController");      // SDL makes up a line for it
    QTest::addColumn<bool>("ownLocalLine");        // the local file has a line for it
    QTest::addColumn<bool>("keep");

    QTest::newRow("no earlier line, discarded")
        << QByteArray("03000000c82d00001930000011010000") << false << false << false;
    QTest::newRow("its own line, discarded")
        << QByteArray("03000000c82d00001251000011010000") << false << true << false;
    QTest::newRow("SDL's made-up line, discarded")
        << QByteArray("03000000c82d00001930000011010000") << true << false << false;
    QTest::newRow("kept") << QByteArray("05000000c82d00001251000000010000") << true << true << true;
}

void TestRelatives::trial()
{
    QFETCH(QByteArray, communityGuid);
    QFETCH(bool, gameController);
    QFETCH(bool, ownLocalLine);
    QFETCH(bool, keep);
    if (!QFile::exists(kSnapshot))
        QSKIP("no community database snapshot in ../shared/data");

    QTemporaryDir data;
    QVERIFY(QFile::copy(kSnapshot, data.filePath("gamecontrollerdb.txt")));
    const JoystickGuid model = JoystickGuid::fromText(communityGuid);
    VirtualPad::Layout layout;
    layout.name = "Stickwell Relative Pad"; // no community line has this name
    layout.vendor = model.vendor;
    layout.product = model.product;
    layout.gameController = gameController;
    VirtualPad virtualPad(layout);
    QVERIFY(virtualPad.attach());
    const PadIdentity pad = joystickIdentity(virtualPad.joystick());
    const QByteArray ownLine = pad.guid + ",Own Line,platform:Linux," + ::crcField(pad.crc) + ",a:b9,b:b8,";
    if (ownLocalLine)
        QVERIFY(writeAll(data.filePath("gamecontrollerdb.local.txt"), ownLine + "\n"));
    // Loaded as the program loads its files.
    for (const char* file : {"gamecontrollerdb.txt", "gamecontrollerdb.local.txt"})
        SDL_GameControllerAddMappingsFromRW(SDL_RWFromFile(qPrintable(data.filePath(file)), "rb"), 1);
    const int index = virtualPad.deviceIndex();
    const bool mappedBefore = sdlMapsDevice(index);
    const bool controllerBefore = SDL_IsGameController(index);
    const QByteArray appliedBefore = appliedMapping(index);
    QCOMPARE(mappedBefore, gameController || ownLocalLine);
    const QMap<QString, QByteArray> filesBefore = directoryState(data.path());

    // Offered: the community line of its model, under another name.
    PadRelative offered;
    for (const PadRelative& relative :
         findRelatives(pad, layout.name, readMappingSources(data.path(), QProcessEnvironment())))
        if (relative.source.line.startsWith(communityGuid))
            offered = relative;
    QCOMPARE(offered.source.origin, MappingOrigin::CommunityDatabase);

    RelativeTrial trial;
    QString error;
    QVERIFY2(trial.start(index, pad, offered.source.line, &error), qPrintable(error));
    QVERIFY(!trial.start(index, pad, offered.source.line)); // one at a time
    QVERIFY(SDL_IsGameController(index));
    QVERIFY(sdlMapsDevice(index));
    // SDL reports the relative's bindings: its "a:" button lights "a".
    const int aButton =
        offered.source.line.mid(offered.source.line.indexOf(",a:b") + 4).split(',').first().toInt();
    SDL_GameController* controller = SDL_GameControllerOpen(index);
    QVERIFY(controller);
    QCOMPARE(SDL_GameControllerName(controller), offered.source.line.split(',').value(1).constData());
    virtualPad.setButton(aButton, true);
    SDL_GameControllerUpdate();
    QCOMPARE(SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_A), Uint8(1));
    virtualPad.setButton(aButton, false);
    SDL_GameControllerUpdate();

    if (keep) {
        const QByteArray kept = trial.keep();
        QVERIFY(!trial.isActive());
        // The pad's own portable line, with the relative's name and bindings.
        QVERIFY(isPadLine(kept, pad));
        QCOMPARE(portableMappingLine(kept), kept);
        QVERIFY(
            kept.startsWith(pad.guid + ',' + offered.source.line.split(',').value(1) + ",platform:Linux,"));
        QVERIFY(!trial.discard());
        QVERIFY(sdlMapsDevice(index));
    } else {
        QVERIFY2(trial.discard(&error), qPrintable(error));
        QCOMPARE(sdlMapsDevice(index), mappedBefore);
        if (mappedBefore)
            QCOMPARE(appliedMapping(index), appliedBefore);
        // SDL2 cannot forget a line: a pad that had none stays a game controller, with no controls.
        QCOMPARE(bool(controllerBefore), mappedBefore);
        QVERIFY(SDL_IsGameController(index));
        if (!mappedBefore)
            QCOMPARE(SDL_GameControllerGetBindForButton(controller, SDL_CONTROLLER_BUTTON_A).bindType,
                     SDL_CONTROLLER_BINDTYPE_NONE);
    }
    SDL_GameControllerClose(controller);
    QCOMPARE(directoryState(data.path()), filesBefore);
}

void TestRelatives::sdlFallbackIsNamed()
{
    SDL_version version;
    SDL_GetVersion(&version);
    if (SDL_VERSIONNUM(version.major, version.minor, version.patch) < SDL_VERSIONNUM(2, 26, 0))
        QSKIP("SDL before 2.26 applies no line of another version");
    VirtualPad::Layout layout;
    layout.name = "Stickwell Fallback Pad";
    layout.vendor = 0x1209;
    layout.product = 0x57ee;
    layout.gameController = false;
    VirtualPad virtualPad(layout);
    QVERIFY(virtualPad.attach());
    const PadIdentity pad = joystickIdentity(virtualPad.joystick());
    // The same bus, ids and driver, another firmware: a virtual joystick's version is 0.
    QByteArray relative = pad.guid + ",Older Firmware,platform:Linux,a:b2,b:b3,";
    relative.replace(24, 4, "1001");
    const QList<SourcedLine> lines = sourcedLines(MappingOrigin::LocalFile, relative);
    QVERIFY(SDL_GameControllerAddMapping(relative.constData()) >= 0);

    const SdlLineCheck check =
        checkSdlLine(pad, layout.name, sdlLineForDevice(virtualPad.deviceIndex()), lines);
    QCOMPARE(int(check.state), int(SdlLineCheck::SdlOnly));
    QVERIFY(check.sdlLineIsRelative);
    QCOMPARE(check.sdlRelative.description(), QStringLiteral("firmware 0x0110"));
}

QTEST_GUILESS_MAIN(TestRelatives)
#include "test_relatives.moc"
