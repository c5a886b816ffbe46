// The mapping line: its reading and its portable text, the splitting of a file into lines, and which
// lines SDL's own file loader passes over, checked against that loader.

#include "mappingline.h"

#include <QFile>
#include <QtTest>

#include <SDL.h>

namespace
{
const QString kSnapshot = QStringLiteral(STICKWELL_SHARED_DATA "/gamecontrollerdb.txt");

// SDL 2.26's GUID holds the name's CRC 0x322b in digits 5-8, low byte first.
const QByteArray kSdlGuid = "03002b32aaaa00000000bbbb00000000";
const QByteArray kZeroGuid = "03000000aaaa00000000bbbb00000000";

// Whether SDL's loader adds line from a file (the line and its "\n" as the whole file). SDL counts
// only mappings it did not hold yet, so kZeroGuid is replaced by a GUID of its own for each call.
bool sdlLoaderAdds(QByteArray line)
{
    static int calls = 0;
    line.replace(kZeroGuid, "03000000cccc0000" + QByteArray::number(++calls, 16).rightJustified(4, '0') +
                                "000000000000");
    const QByteArray file = line + '\n';
    return SDL_GameControllerAddMappingsFromRW(SDL_RWFromConstMem(file.constData(), int(file.size())), 1) > 0;
}
} // namespace

class TestMappingLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(SDL_Init(SDL_INIT_GAMECONTROLLER), 0); }
    void cleanupTestCase() { SDL_Quit(); }

    // What a line reads as, shown by the text it gives back; refused lines say why.
    void parseAndText_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("text"); // empty: refused
        QTest::addColumn<QString>("why");     // part of the reason for a refusal

        QTest::newRow("built line: CRC moves from the GUID into crc:")
            << kSdlGuid + ",Pad,platform:Linux,a:b0,+leftx:+a0,"
            << kZeroGuid + ",Pad,platform:Linux,crc:322b,a:b0,+leftx:+a0," << QString();
        QTest::newRow("SDL's text: fields in the one order, final comma")
            << QByteArray("03002B32AAAA00000000BBBB00000000,Pad,a:b0,crc:322b,platform:Linux")
            << kZeroGuid + ",Pad,platform:Linux,crc:322b,a:b0," << QString();
        QTest::newRow("crc: field read when the GUID has none")
            << kZeroGuid + ",Pad,a:b0,crc:0A0B,platform:Linux,"
            << kZeroGuid + ",Pad,platform:Linux,crc:0a0b,a:b0," << QString();
        QTest::newRow("CRC 0: no crc: field") << kZeroGuid + ",Pad,a:b0,crc:0000,platform:Linux,"
                                              << kZeroGuid + ",Pad,platform:Linux,a:b0," << QString();
        QTest::newRow("no platform: none written")
            << kZeroGuid + ",Pad,a:b0" << kZeroGuid + ",Pad,a:b0," << QString();
        const QByteArray noCrcForm = "78696e70757401000000000000000000,X,a:b0,";
        QTest::newRow("GUID of a form without CRC kept") << noCrcForm << noCrcForm << QString();
        QTest::newRow("attributes after the bindings, empty fields dropped")
            << kZeroGuid + ",Pad,hint:!SDL_X:=1,a:b0,,misc2:b15,junk,platform:Linux,"
            << kZeroGuid + ",Pad,platform:Linux,a:b0,misc2:b15,hint:!SDL_X:=1,junk," << QString();
        QTest::newRow("XInput line") << QByteArray("xinput,XInput,a:b0,platform:Windows,")
                                     << QByteArray("xinput,XInput,platform:Windows,a:b0,") << QString();
        QTest::newRow("long line cut without splitting a character")
            << kZeroGuid + ',' + QByteArray(983, 'n') + ",a:b0,\xc3\xa9:b1,"
            << kZeroGuid + ',' + QByteArray(983, 'n') + ",a:b0," << QString();
        QTest::newRow("malformed GUID") << QByteArray("0300aaaa,Pad,a:b0,") << QByteArray() << "GUID";
        QTest::newRow("no name") << kZeroGuid << QByteArray() << "no name";
        QTest::newRow("nothing after the name") << kZeroGuid + ",Pad" << kZeroGuid + ",Pad," << QString();
        QTest::newRow("empty name") << kZeroGuid + "," << kZeroGuid + ",," << QString();
        QTest::newRow("crc: not 4 hex digits")
            << kZeroGuid + ",Pad,crc:2b3,a:b0," << QByteArray() << "crc:2b3";
        QTest::newRow("two crc: fields")
            << kZeroGuid + ",Pad,crc:322b,a:b0,crc:322b," << QByteArray() << "more than one crc:";
        QTest::newRow("two platform: fields") << kZeroGuid + ",Pad,platform:Linux,a:b0,platform:Windows,"
                                              << QByteArray() << "more than one platform:";
    }

    void parseAndText()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, text);
        QFETCH(QString, why);
        MappingLine parsed;
        parsed.name = "untouched";
        QString error = QStringLiteral("stale");
        QCOMPARE(MappingLine::parse(line, &parsed, &error), !text.isEmpty());
        // The quick look at a line (its GUID and name fields, whether a later field may refuse it) agrees
        // with the full reading.
        const QByteArray guid = MappingLine::guidField(line), name = MappingLine::nameField(line);
        if (!MappingLine::mayRefuseAfterName(line))
            QCOMPARE((MappingLine::isGuidText(guid) || guid == "xinput") && !name.isNull(), !text.isEmpty());
        if (!text.isEmpty())
            QCOMPARE(guid + ',' + name, parsed.guid + ',' + parsed.name);
        if (text.isEmpty()) {
            QVERIFY2(error.contains(why), qPrintable(error));
            QCOMPARE(parsed.name, QByteArray("untouched"));
            return;
        }
        QVERIFY(error.isEmpty());
        QCOMPARE(parsed.text(), text);
        QVERIFY(parsed.text().size() <= MappingLine::kMaxBytes);
        // The text reads back as itself.
        MappingLine again;
        QVERIFY(MappingLine::parse(text, &again));
        QCOMPARE(again.text(), text);
    }

    // The cut at kMaxBytes never keeps part of a UTF-8 character, whatever its length.
    void fitted_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("fitted");
        const int cap = MappingLine::kMaxBytes;
        const QByteArray two = "\xc3\xa9", three = "\xe2\x82\xac", four = "\xf0\x9f\x8e\xae";
        QTest::newRow("at the cap: kept") << QByteArray(cap, 'a') << QByteArray(cap, 'a');
        QTest::newRow("one byte over: cut") << QByteArray(cap + 1, 'a') << QByteArray(cap, 'a');
        QTest::newRow("2-byte character ending at the cap kept")
            << QByteArray(cap - 2, 'a') + two << QByteArray(cap - 2, 'a') + two;
        QTest::newRow("2-byte character across the cut dropped")
            << QByteArray(cap - 1, 'a') + two << QByteArray(cap - 1, 'a');
        QTest::newRow("3-byte character across the cut dropped")
            << QByteArray(cap - 2, 'a') + three << QByteArray(cap - 2, 'a');
        QTest::newRow("4-byte character across the cut dropped")
            << QByteArray(cap - 1, 'a') + four << QByteArray(cap - 1, 'a');
    }

    void fitted()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, fitted);
        QCOMPARE(MappingLine::fitted(text), fitted);
    }

    void splitLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("nothing") << QByteArray() << QList<QByteArray>();
        QTest::newRow("final newline") << QByteArray("a\nb\n") << QList<QByteArray>{"a", "b"};
        QTest::newRow("no final newline") << QByteArray("a\nb") << QList<QByteArray>{"a", "b"};
        QTest::newRow("Windows line ends") << QByteArray("a\r\nb\r\n") << QList<QByteArray>{"a", "b"};
        QTest::newRow("Windows line end, none at the end")
            << QByteArray("a\r\nb\r") << QList<QByteArray>{"a", "b"};
        QTest::newRow("empty lines kept") << QByteArray("\na\n\r\n\n") << QList<QByteArray>{"", "a", "", ""};
        QTest::newRow("only one CR dropped, inner ones kept")
            << QByteArray("a\r\r\nb\rc\n") << QList<QByteArray>{"a\r", "b\rc"};
    }

    void splitLines()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<QByteArray>, lines);
        QCOMPARE(MappingLine::splitLines(text), lines);
    }

    // Which lines SDL's loader passes over, and why; SDL's own loader agrees wherever it decides.
    void whySdlSkips_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("why");     // part of the reason; empty: SDL adds the line
        QTest::addColumn<bool>("sdlDecides"); // false: SDL adds it too, but it names no device

        QTest::newRow("portable line")
            << kZeroGuid + ",Pad,platform:Linux,crc:322b,a:b0," << QString() << true;
        QTest::newRow("platform last, with its comma")
            << kZeroGuid + ",Pad,a:b0,platform:Linux," << QString() << true;
        QTest::newRow("platform in another case")
            << kZeroGuid + ",Pad,a:b0,platform:linux," << QString() << true;
        QTest::newRow("comment") << QByteArray("  # platform:Windows,") << QString() << true;
        QTest::newRow("blank") << QByteArray(" \t") << QString() << true;
        QTest::newRow("no platform") << kZeroGuid + ",Pad,a:b0,"
                                     << "no platform: field" << true;
        QTest::newRow("platform without a comma after it") << kZeroGuid + ",Pad,a:b0,platform:Linux"
                                                           << "not followed by a comma" << true;
        QTest::newRow("other platform") << kZeroGuid + ",Pad,a:b0,platform:Windows,"
                                        << "\"Windows\", not Linux" << true;
        QTest::newRow("platform that only begins like this one") << kZeroGuid + ",Pad,a:b0,platform:Linux2,"
                                                                 << "\"Linux2\"" << true;
        QTest::newRow("malformed GUID") << QByteArray("0300aaaa,Pad,a:b0,platform:Linux,") << "GUID" << false;
        QTest::newRow("malformed crc:") << kZeroGuid + ",Pad,a:b0,crc:zz,platform:Linux,"
                                        << "crc:zz" << false;
    }

    void whySdlSkips()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, why);
        QFETCH(bool, sdlDecides);
        const QString reason = MappingLine::whySdlSkips(line);
        QVERIFY2(why.isEmpty() ? reason.isEmpty() : reason.contains(why), qPrintable(reason));
        if (sdlDecides && !MappingLine::isBlankOrComment(line))
            QCOMPARE(sdlLoaderAdds(line), why.isEmpty());
    }

    // Every line of the community database for this platform reads, and its text is the same line
    // with the platform moved after the name (and the one GUID that holds a CRC made portable).
    void communityLines()
    {
        QFile snapshot(kSnapshot);
        if (!snapshot.open(QIODevice::ReadOnly))
            QSKIP("no community database snapshot in " STICKWELL_SHARED_DATA);
        int checked = 0;
        QList<QByteArray> converted;
        for (const QByteArray& line : MappingLine::splitLines(snapshot.readAll())) {
            if (MappingLine::isBlankOrComment(line) || !MappingLine::whySdlSkips(line).isEmpty())
                continue;
            MappingLine parsed;
            QString error;
            QVERIFY2(MappingLine::parse(line, &parsed, &error), qPrintable(error));
            QCOMPARE(parsed.platform, QByteArray("Linux"));
            QVERIFY(parsed.otherFields.isEmpty());
            if (!MappingLine::isGuidText(parsed.guid)) // the XInput line
                continue;
            if (line.mid(4, 4) != "0000") {
                converted << parsed.text();
                continue;
            }
            QByteArray moved = line;
            moved.remove(moved.indexOf(",platform:Linux,") + 1, int(qstrlen("platform:Linux,")));
            moved.insert(moved.indexOf(',', 33) + 1, "platform:Linux,");
            QCOMPARE(parsed.text(), moved);
            ++checked;
        }
        QVERIFY(checked > 700);
        QCOMPARE(
            converted,
            {"030000004c0500005f0e000011010000,PS5 Access "
             "Controller,platform:Linux,crc:4b00,a:b1,b:b2,back:b8,"
             "dpdown:h0.4,dpleft:h0.8,dpright:h0.2,dpup:h0.1,guide:b12,leftshoulder:b4,leftstick:b10,"
             "lefttrigger:a3,leftx:a0,lefty:a1,misc1:b14,rightshoulder:b5,rightstick:b11,righttrigger:a4,"
             "rightx:a2,righty:a5,start:b9,touchpad:b13,x:b0,y:b3,"});
    }
};

QTEST_GUILESS_MAIN(TestMappingLine)
#include "test_mappingline.moc"
