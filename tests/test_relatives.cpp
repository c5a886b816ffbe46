// A pad's relatives and its own line among the program's sources, what SDL applies to a pad compared
// with them, and trying a relative's line on a virtual pad.

#include "joystickguid.h"
#include "mappingline.h"
#include "mappingsources.h"
#include "padidentity.h"
#include "padrelatives.h"
#include "relativetrial.h"
#include "sdllinecheck.h"
#include "testfiles.h"
#include "virtualpad.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <SDL.h>

namespace
{
const QString kSnapshot = QStringLiteral(STICKWELL_SHARED_DATA "/gamecontrollerdb.txt");
const QByteArray kBindings = "a:b0,b:b1,leftx:a0,";

// "<origin>|<text>" rows of a table as SourcedLines, lowest priority first.
QList<SourcedLine> sourced(const QStringList& rows)
{
    const QMap<QString, MappingOrigin> origins = {{"community", MappingOrigin::CommunityDatabase},
                                                  {"steam", MappingOrigin::Steam},
                                                  {"local", MappingOrigin::LocalFile},
                                                  {"file", MappingOrigin::ConfiguredFile},
                                                  {"variable", MappingOrigin::ConfiguredVariable}};
    QList<SourcedLine> lines;
    for (const QString& row : rows)
        lines += sourcedLines(origins.value(row.section('|', 0, 0)), row.section('|', 1).toUtf8());
    return lines;
}

// The line SDL applies to a device.
MappingLine applied(int deviceIndex)
{
    MappingLine line;
    parseSdlLine(sdlLineForDevice(deviceIndex), &line);
    return line;
}
} // namespace

class TestRelatives : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(SDL_Init(SDL_INIT_GAMECONTROLLER) == 0, SDL_GetError());
        m_snapshot = sourcedLines(MappingOrigin::CommunityDatabase, readFile(kSnapshot));
    }
    void cleanupTestCase() { SDL_Quit(); }

    void relatives_data();
    void relatives();
    void everySnapshotLineAsAPad();
    void ownLineAndSdlCheck_data();
    void ownLineAndSdlCheck();
    void trial_data();
    void trial();

private:
    QList<SourcedLine> m_snapshot; // the snapshot's lines, read once
};

void TestRelatives::relatives_data()
{
    QTest::addColumn<QByteArray>("sdlGuid");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QStringList>("extra"); // added to the snapshot's lines
    QTest::addColumn<QStringList>("expected");

    const QString community = QStringLiteral("|community database");
    const QByteArray usb64 = "03000000c82d00001930000011010000";
    const QString bluetooth64 = QStringLiteral("05000000c82d00001930000001000000");
    QString bluetooth64Line; // copied into the local file below
    for (const QByteArray& line : readFile(kSnapshot).split('\n'))
        if (line.startsWith(bluetooth64.toLatin1()))
            bluetooth64Line = QString::fromUtf8(line);

    QTest::newRow("over USB: the Bluetooth line")
        << usb64 << QByteArray("8BitDo 64") << QStringList()
        << QStringList{bluetooth64 + "|over Bluetooth, firmware 0x0001" + community};
    QTest::newRow("another name's line")
        << QByteArray("030034124c0500005f0e000011010000") << QByteArray("X") << QStringList()
        << QStringList{"0300004b4c0500005f0e000011010000|another name" + community};
    QTest::newRow("higher sources first, a repeated line once")
        << usb64 << QByteArray("8BitDo 64")
        << QStringList{"steam|" + bluetooth64 + ",8BitDo 64 (Steam)," + kBindings,
                       "local|03000000c82d00001930000010010000,Mine,platform:Linux," + kBindings,
                       "local|" + bluetooth64Line}
        << QStringList{"03000000c82d00001930000010010000|firmware 0x0110|local file",
                       bluetooth64 + "|over Bluetooth, firmware 0x0001|local file",
                       bluetooth64 + "|over Bluetooth, firmware 0x0001|Steam"};
    QTest::newRow("name in the GUID: the same one over Bluetooth")
        << QByteArray("030000004d4f435554452d3035335800") << QByteArray("MOCUTE-053X") << QStringList()
        << QStringList{"050000004d4f435554452d3035335800|over Bluetooth" + community};
    QTest::newRow("name in the GUID: the same name field")
        << QByteArray("03000000537469636b77656c6c000000") << QByteArray("mocute  054x") << QStringList()
        << QStringList{"050000004d4f435554452d3035305800|over Bluetooth" + community};
    QTest::newRow("product 0: by name only") << QByteArray("03000000c82d00000000000011010000")
                                             << QByteArray("Nothing Alike") << QStringList() << QStringList();

    // How a line differs, against a pad on bus 3, CRC 0xbbaa, ids 1234:abcd, version 0x0111.
    const auto differs = [](const char* row, const QByteArray& pad, const QString& guid, const QString& more,
                            const QString& description) {
        QTest::newRow(row) << pad << QByteArray("other")
                           << QStringList{"variable|" + guid + ",Other," + more + kBindings}
                           << QStringList{guid + '|' + description + "|SDL_GAMECONTROLLERCONFIG"};
    };
    const QByteArray pad = "0300aabb34120000cdab000011010000";
    differs("host bus, firmware", pad, "1900000034120000cdab000000010000", "",
            "over bus 0x19, firmware 0x0100");
    differs("another name by crc:", pad, "0300000034120000cdab000011010000", "crc:1111,", "another name");
    differs("HIDAPI", pad, "0300000034120000cdab000011016800", "", "through SDL's HIDAPI driver");
    differs("SDL's virtual joystick", pad, "ff00000034120000cdab000000007601", "",
            "as an SDL virtual joystick, firmware 0x0000");
    differs("ids, for a pad known by name", "05000000537469636b77656c6c000000",
            "0300000034120000cdab000000000000", "", "with ids 1234:abcd, over USB");
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
    const QList<SourcedLine> lines = m_snapshot + sourced(extra);
    for (const PadRelative& relative : findRelatives(padIdentity(sdlGuid, QByteArray()), name, lines))
        found << relative.source.line.left(32) + '|' + relative.description() + '|' +
                     mappingOriginLabel(relative.source.origin);
    QCOMPARE(found, expected);
}

void TestRelatives::everySnapshotLineAsAPad()
{
    if (!QFile::exists(kSnapshot))
        QSKIP("no community database snapshot in ../shared/data");
    const QList<SourcedLine>& lines = m_snapshot;
    int withRelatives = 0;
    for (const SourcedLine& line : lines) {
        // The snapshot's lines carry no crc: field; one carries its CRC in the GUID.
        MappingLine parsed;
        QVERIFY(MappingLine::parse(line.line, &parsed));
        const PadIdentity pad = padIdentity(parsed.guid, QByteArray());
        const QList<PadRelative> relatives = findRelatives(pad, parsed.name, lines);
        for (const PadRelative& relative : relatives)
            QVERIFY2(!isPadLine(relative.source.line, pad), line.line.left(60).constData());
        withRelatives += relatives.isEmpty() ? 0 : 1;
    }
    qInfo("%d of %d Linux lines of the snapshot have a relative", withRelatives, int(lines.size()));
    QCOMPARE(lines.size(), 734);
    QCOMPARE(withRelatives, 250);
}

void TestRelatives::ownLineAndSdlCheck_data()
{
    QTest::addColumn<QStringList>("sources");
    QTest::addColumn<QByteArray>("sdlLine");
    QTest::addColumn<int>("state");
    QTest::addColumn<QByteArray>("padLine");
    QTest::addColumn<QString>("logSays"); // in part; empty: no log line

    // Pad A and pad B have the same ids and different names (CRCs 0xaaaa and 0xbbbb); the check is pad A's.
    const QString guid = "03000000341200007856000001000000";
    const QString lineA = guid + ",Pad A,platform:Linux,crc:aaaa,a:b0,b:b1,";
    const QString lineB = guid + ",Pad B,platform:Linux,crc:bbbb,a:b5,b:b6,";
    const QByteArray sdlB = "0300aaaa341200007856000001000000,Pad B,platform:Linux,crc:bbbb,a:b5,b:b6,";
    const QString fileA = guid + ",File A,platform:Linux,a:b7,";
    const auto a = [&guid](const char* rest) { return (guid + rest).toUtf8(); };

    QTest::newRow("SDL holds the other pad's")
        << QStringList{"community|" + lineA, "community|" + lineB} << sdlB << int(SdlLineCheck::OtherPadsLine)
        << lineA.toUtf8() << "another pad's line to \"Pad A\": that of \"Pad B\" (crc bbbb)";
    QTest::newRow("SDL holds its own, the local file's")
        << QStringList{"community|" + guid + ",Old A,platform:Linux,a:b9,", "local|" + lineA + "\r\n"}
        << QByteArray("0300aaaa341200007856000001000000,Pad A,crc:aaaa,b:b1,a:b0,")
        << int(SdlLineCheck::OwnLine) << lineA.toUtf8() << QString();
    QTest::newRow("the configured file's, for this platform")
        << QStringList{"local|" + lineA, "file|" + fileA + "\n" + guid + ",Win A,platform:Windows,a:b8,"}
        << QByteArray() << int(SdlLineCheck::OwnLineUnused) << a(",File A,platform:Linux,crc:aaaa,a:b7,")
        << "SDL_GAMECONTROLLERCONFIG_FILE holds a line";
    QTest::newRow("the variable's, for any platform")
        << QStringList{"file|" + fileA, "variable|" + guid + ",Variable A,a:b4,platform:Windows,"}
        << QByteArray() << int(SdlLineCheck::OwnLineUnused) << a(",Variable A,platform:Linux,crc:aaaa,a:b4,")
        << "SDL_GAMECONTROLLERCONFIG holds a line";
    QTest::newRow("no own line, SDL holds another pad's")
        << QStringList{"community|" + lineB} << sdlB << int(SdlLineCheck::OtherPadsLine) << QByteArray()
        << "this pad has no line of its own";
    QTest::newRow("SDL only: a relative's line")
        << QStringList{"community|" + guid.left(24) + "10010000,Firmware Pad,platform:Linux,a:b0,b:b1,"}
        << QByteArray("0300aaaa341200007856000001000000,Firmware Pad,a:b0,b:b1,")
        << int(SdlLineCheck::SdlOnly) << a(",Firmware Pad,platform:Linux,crc:aaaa,a:b0,b:b1,")
        << "SDL 2.26 and later, which apply the line of a similar pad to it (\"Firmware Pad\", firmware "
           "0x0110, "
           "from the community database)";
    QTest::newRow("SDL only: a line of its own")
        << QStringList() << QByteArray("0300aaaa341200007856000001000000,Built In,a:b0,")
        << int(SdlLineCheck::SdlOnly) << a(",Built In,platform:Linux,crc:aaaa,a:b0,")
        << "a line of SDL's own (\"Built In\")";
    QTest::newRow("a line that binds nothing maps nothing")
        << QStringList() << QByteArray("0300aaaa341200007856000001000000,Pad A,platform:Linux,crc:aaaa,")
        << int(SdlLineCheck::Unmapped) << QByteArray() << QString();
}

void TestRelatives::ownLineAndSdlCheck()
{
    QFETCH(QStringList, sources);
    QFETCH(QByteArray, sdlLine);
    QFETCH(int, state);
    QFETCH(QByteArray, padLine);
    QFETCH(QString, logSays);
    const PadIdentity padA = padIdentity("0300aaaa341200007856000001000000", QByteArray());
    const SdlLineCheck check = checkSdlLine(padA, "Pad A", sdlLine, sourced(sources));
    QCOMPARE(int(check.state), state);
    QCOMPARE(check.padLine, padLine);
    QVERIFY2(logSays.isEmpty() ? check.logText.isEmpty() : check.logText.contains(logSays),
             qPrintable(check.logText));
}

void TestRelatives::trial_data()
{
    QTest::addColumn<QByteArray>("communityGuid"); // the line of its model the pad is offered
    QTest::addColumn<bool>("gameController");      // SDL makes up a line for it
    QTest::addColumn<bool>("ownLocalLine");
    QTest::addColumn<bool>("keep");

    // Each row another GUID: SDL keeps what a row registers until the end.
    QTest::newRow("no earlier line") << QByteArray("03000000c82d00001930000011010000") << false << false
                                     << false;
    QTest::newRow("its own line") << QByteArray("03000000c82d00001251000011010000") << false << true << false;
    QTest::newRow("SDL's line") << QByteArray("03000000c82d00001930000011010000") << true << false << false;
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

    const JoystickGuid model = JoystickGuid::fromText(communityGuid);
    VirtualPad::Layout layout;
    layout.name = "Stickwell Relative Pad"; // no community line has this name
    layout.vendor = model.vendor;
    layout.product = model.product;
    layout.gameController = gameController;
    VirtualPad virtualPad(layout);
    QVERIFY(virtualPad.attach());
    const PadIdentity pad = joystickIdentity(virtualPad.joystick());
    const int index = virtualPad.deviceIndex();

    QTemporaryDir data;
    QVERIFY(QFile::copy(kSnapshot, data.filePath("gamecontrollerdb.txt")));
    if (ownLocalLine)
        QVERIFY(
            writeFile(data.filePath("gamecontrollerdb.local.txt"),
                      MappingLine::forPad(pad.guid, pad.crc, "Own Line", {"a:b9", "b:b8"}).text() + "\n"));
    const auto files = [&data] {
        return QDir(data.path()).entryList() << readFile(data.filePath("gamecontrollerdb.local.txt"));
    };
    const QStringList filesBefore = files();
    for (const char* file : {"gamecontrollerdb.txt", "gamecontrollerdb.local.txt"})
        SDL_GameControllerAddMappingsFromRW(SDL_RWFromFile(qPrintable(data.filePath(file)), "rb"), 1);
    const bool mappedBefore = sdlMapsDevice(index);
    const MappingLine appliedBefore = applied(index);
    QCOMPARE(mappedBefore, gameController || ownLocalLine);
    QCOMPARE(bool(SDL_IsGameController(index)), mappedBefore);

    // Offered: the community line of its model, whose name differs.
    SourcedLine offered;
    for (const PadRelative& relative :
         findRelatives(pad, layout.name, readMappingSources(data.path(), QProcessEnvironment())))
        if (relative.source.line.startsWith(communityGuid))
            offered = relative.source;
    QCOMPARE(offered.origin, MappingOrigin::CommunityDatabase);

    RelativeTrial trial;
    QString error;
    QVERIFY2(trial.start(index, pad, offered.line, &error), qPrintable(error));
    QVERIFY(sdlMapsDevice(index));
    // SDL applies the relative's bindings: its "a:" button lights "a".
    const int aButton = offered.line.mid(offered.line.indexOf(",a:b") + 4).split(',').first().toInt();
    SDL_GameController* controller = SDL_GameControllerOpen(index);
    QVERIFY(controller);
    virtualPad.setButton(aButton, true);
    SDL_GameControllerUpdate();
    QCOMPARE(SDL_GameControllerGetButton(controller, SDL_CONTROLLER_BUTTON_A), Uint8(1));
    virtualPad.setButton(aButton, false);

    if (keep) {
        // The line for this pad's own GUID, which SDL keeps applying.
        QCOMPARE(trial.keep(), relativeLineForPad(offered.line, pad));
        QVERIFY(!trial.discard());
        QVERIFY(sdlMapsDevice(index));
    } else {
        QVERIFY2(trial.discard(&error), qPrintable(error));
        QCOMPARE(sdlMapsDevice(index), mappedBefore);
        if (mappedBefore)
            QVERIFY(sameMapping(applied(index), appliedBefore));
        // SDL2 cannot forget a line: a pad that had none stays a game controller, with no controls.
        QVERIFY(SDL_IsGameController(index));
        if (!mappedBefore)
            QCOMPARE(SDL_GameControllerGetBindForButton(controller, SDL_CONTROLLER_BUTTON_A).bindType,
                     SDL_CONTROLLER_BINDTYPE_NONE);
    }
    SDL_GameControllerClose(controller);
    QCOMPARE(files(), filesBefore);
}

QTEST_GUILESS_MAIN(TestRelatives)
#include "test_relatives.moc"
