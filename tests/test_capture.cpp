// The capture rules and the normal-mode highlight tracker, driven by scripted events and a fake clock.

#include "bindingcapture.h"
#include "bindingfields.h"
#include "controllerhighlights.h"

#include <QStringList>
#include <QtTest>

namespace
{

// Runs a script against a capture. Tokens, separated by blanks:
//   bN        button N pressed          hN=V   hat N at position V       aN=V   axis N reads V
//   skip[K]   Skip (K times)            prev   Previous
//   +T        clock forward T ms, then the settle test     @T   clock set to T, then the settle test
//   |         forget the highlights reported so far
// The clock starts at 1000. Returns the highlights reported after the last "|", as "row+" / "row-".
QString runScript(BindingCapture& capture, QStringList& highlights, const QString& script)
{
    Uint32 now = 1000;
    for (const QString& token : script.split(' ', Qt::SkipEmptyParts)) {
        const QString rest = token.mid(1);
        if (token == "|") {
            highlights.clear();
        } else if (token.startsWith("skip")) {
            const int times = token.size() > 4 ? token.mid(4).toInt() : 1;
            for (int i = 0; i < times; ++i)
                capture.skip();
        } else if (token == "prev") {
            capture.previous();
        } else if (token.startsWith('+')) {
            now += rest.toUInt();
            capture.settle(now);
        } else if (token.startsWith('@')) {
            now = rest.toUInt();
            capture.settle(now);
        } else if (token.startsWith('b')) {
            capture.buttonDown(rest.toInt(), now);
        } else {
            const QStringList parts = rest.split('=');
            if (parts.size() != 2 || (token[0] != 'h' && token[0] != 'a'))
                qFatal("bad script token %s", qPrintable(token));
            if (token[0] == 'h')
                capture.hatMotion(parts[0].toInt(), parts[1].toInt(), now);
            else
                capture.axisMotion(parts[0].toInt(), parts[1].toInt(), now);
        }
    }
    return highlights.join(' ');
}

QString describe(const CapturedInput& in)
{
    switch (in.type) {
    case INPUT_BUTTON:
        return QString("b%1").arg(in.index);
    case INPUT_HAT:
        return QString("h%1.%2").arg(in.index).arg(in.value);
    case INPUT_AXIS:
        return QString("a%1:%2>%3%4").arg(in.index).arg(in.value).arg(in.extreme).arg(in.complete ? "" : "?");
    default:
        return QString();
    }
}

// The non-empty slots as "row=input", e.g. "0=b0 15=a0:0>-32768" ("?" marks an incomplete axis).
QString describeSlots(BindingCapture& capture)
{
    QStringList out;
    for (int row = 0; row < BINDING_ROWS; ++row)
        if (capture.slot(row).type != INPUT_NONE)
            out << QString("%1=%2").arg(row).arg(describe(capture.slot(row)));
    return out.join(' ');
}

// Initial axis states as a comma list: a number is a known rest reading, "?" an unknown one.
BindingCapture::InitialAxisState initialStates(const QString& list)
{
    const QStringList items = list.split(',', Qt::SkipEmptyParts);
    return [items](int axis, Sint16* state) {
        if (axis >= items.size() || items[axis] == "?")
            return false;
        *state = Sint16(items[axis].toInt());
        return true;
    };
}

const char* const SIX_AXES = "0,0,0,0,-32768,-32768";

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT
private slots:
    void captureRules_data();
    void captureRules();
    void beginHighlightsRowZeroAndResets();
    void axisStatesSeededAndResetPerRow();
    void fullRunGivesBindingFields_data();
    void fullRunGivesBindingFields();
    void highlights_data();
    void highlights();
    void singleRow_data();
    void singleRow();
};

void TestCapture::captureRules_data()
{
    QTest::addColumn<int>("axes");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("row"); // the current row at the end; 25 when the capture is complete
    QTest::addColumn<QString>("bindings");
    QTest::addColumn<QString>("highlights"); // reported after the script's "|" (unchecked without one)

    const QString six = SIX_AXES;
    // Buttons.
    QTest::newRow("button settles after 100 ms") << 6 << six << "b0 +99 | +1" << 1 << "0=b0"
                                                 << "0- 1+";
    QTest::newRow("button bound at row 0 ignored at row 1") << 6 << six << "b0 +100 | b0 +200" << 1 << "0=b0"
                                                            << "";
    QTest::newRow("repeated button keeps the settle timer") << 6 << six << "b0 +60 b0 +40" << 1 << "0=b0"
                                                            << "";
    QTest::newRow("second button within settle time dropped")
        << 6 << six << "b0 +50 b1 +49 | +1" << 1 << "0=b0"
        << "0- 1+";
    QTest::newRow("complete input stored at tick 0 still settles")
        << 6 << six << "@0 b0 @100 | @101" << 1 << "0=b0"
        << "0- 1+";
    // Axes.
    QTest::newRow("axis held out is incomplete, timer off")
        << 6 << six << "skip15 a0=-32768 +500" << 15 << "15=a0:0>-32768?"
        << "";
    QTest::newRow("axis returned completes and settles")
        << 6 << six << "skip15 a0=-32768 +200 a0=0 +99 | +1" << 16 << "15=a0:0>-32768"
        << "15- 16+";
    QTest::newRow("axis return of exactly 10000 counts")
        << 6 << six << "skip15 a0=-32768 a0=-10000 +100" << 16 << "15=a0:0>-32768"
        << "";
    QTest::newRow("axis return of 10001 does not")
        << 6 << six << "skip15 a0=-32768 a0=-10001 +100" << 15 << "15=a0:0>-32768?"
        << "";
    QTest::newRow("axis travel below 16000 ignored") << 6 << six << "skip15 a0=-15999 a0=0 +100" << 15 << ""
                                                     << "";
    QTest::newRow("axis travel of 16000 counts, quantised to 0")
        << 6 << six << "skip15 a0=-16000 a0=0 +100" << 16 << "15=a0:0>0"
        << "";
    QTest::newRow("same half again at the next row ignored")
        << 6 << six << "skip15 a0=-32768 a0=0 +100 | a0=-32768 a0=0 +100" << 16 << "15=a0:0>-32768"
        << "";
    QTest::newRow("other half binds after the bound half was repeated")
        << 6 << six << "skip15 a0=-32768 a0=0 +100 | a0=-32768 a0=0 a0=32767 a0=0 +100" << 17
        << "15=a0:0>-32768 16=a0:0>32767"
        << "16- 17+";
    QTest::newRow("other half binds straight from the bound half")
        << 6 << six << "skip15 a0=-32768 a0=0 +100 a0=-32768 a0=32767 a0=0 +100" << 17
        << "15=a0:0>-32768 16=a0:0>32767"
        << "";
    QTest::newRow("repeated axis movement keeps the settle timer")
        << 6 << six << "skip15 a0=-32768 a0=0 +60 a0=-32768 a0=0 +40" << 16 << "15=a0:0>-32768"
        << "";
    QTest::newRow("completed trigger not bound again at the next row")
        << 6 << six << "skip23 a4=32767 a4=-32768 +100 | a4=32767 a4=-32768 +100" << 24
        << "23=a4:-32768>32767"
        << "";
    QTest::newRow("larger movement of an axis bound at another row ignored")
        << 6 << six << "skip23 a4=0 a4=-32768 +100 | a4=32767 a4=-32768 +100" << 24 << "23=a4:-32768>0"
        << "";
    QTest::newRow("known initial state is the rest from the first event")
        << 6 << six << "skip23 a4=32767 a4=-32768 +100" << 24 << "23=a4:-32768>32767"
        << "";
    QTest::newRow("unknown initial state: first reading is rest") << 6 << "0,0,0,0,?"
                                                                  << "skip23 a4=32767 +100" << 23 << ""
                                                                  << "";
    QTest::newRow("unknown initial state: travel from the first reading")
        << 6 << "?"
        << "skip15 a0=20000 a0=-20000 a0=20000 +100" << 16 << "15=a0:32767>-32768"
        << "";
    QTest::newRow("axis numbers outside the table ignored")
        << 6 << six << "skip15 a6=-32768 a6=0 a200=-32768 a-1=-32768 a-1=0 +100" << 15 << ""
        << "";
    QTest::newRow("no axis table: axis events ignored") << 0 << ""
                                                        << "skip15 a0=-32768 a0=0 +100" << 15 << ""
                                                        << "";
    // Which input may replace which.
    QTest::newRow("stick row: an axis replaces a button")
        << 6 << six << "skip15 b4 a0=-32768 a0=0 +100" << 16 << "15=a0:0>-32768"
        << "";
    QTest::newRow("stick row: another axis cannot replace an axis")
        << 6 << six << "skip15 a0=-32768 a1=-32768 a1=0 a0=0 +100" << 16 << "15=a0:0>-32768"
        << "";
    QTest::newRow("button row: a button replaces an axis") << 6 << six << "a0=-32768 b3 +100" << 1 << "0=b3"
                                                           << "";
    QTest::newRow("button row: another axis cannot replace a button")
        << 6 << six << "b3 a0=-32768 a0=0 +100" << 1 << "0=b3"
        << "";
    // Hats.
    QTest::newRow("hat centre ignored") << 6 << six << "skip11 h0=0 +100" << 11 << ""
                                        << "";
    QTest::newRow("hat diagonal at a d-pad row dropped")
        << 6 << six << "skip11 h0=1 +20 h0=3 +20 h0=0 +59 | +1" << 12 << "11=h0.1"
        << "11- 12+";
    QTest::newRow("hat position bound once") << 6 << six << "skip11 h0=1 +100 h0=1 +100" << 12 << "11=h0.1"
                                             << "";
    // Skip and Previous.
    QTest::newRow("skip keeps an incomplete axis")
        << 6 << six << "skip15 a0=-32768 | skip" << 16 << "15=a0:0>-32768?"
        << "15- 16+";
    QTest::newRow("previous at row 0 does nothing") << 6 << six << "| prev" << 0 << ""
                                                    << "";
    QTest::newRow("previous at row 5 empties row 4")
        << 6 << six << "b0 +100 b1 +100 b2 +100 b3 +100 b4 +100 | prev" << 4 << "0=b0 1=b1 2=b2 3=b3"
        << "5- 4+";
    QTest::newRow("previous lets a row be captured again")
        << 6 << six << "b0 +100 | prev b0 +100" << 1 << "0=b0"
        << "1- 0+ 0- 1+";
    QTest::newRow("skip at row 24 completes") << 6 << six << "skip24 | skip" << 25 << ""
                                              << "";
    QTest::newRow("skip at row 24 keeps what was captured")
        << 6 << six << "b0 +100 skip23 | skip" << 25 << "0=b0"
        << "";
    QTest::newRow("settling row 24 completes")
        << 6 << six << "skip24 a5=32767 a5=-32768 | +100" << 25 << "24=a5:-32768>32767"
        << "";
    QTest::newRow("events after completion ignored") << 6 << six << "skip25 | prev skip b0 +100" << 25 << ""
                                                     << "";
}

void TestCapture::captureRules()
{
    QFETCH(int, axes);
    QFETCH(QString, initial);
    QFETCH(QString, script);
    QFETCH(int, row);
    QFETCH(QString, bindings);
    QFETCH(QString, highlights);

    QStringList reported;
    BindingCapture capture(
        [&reported](int r, bool on) { reported << QString("%1%2").arg(r).arg(on ? '+' : '-'); });
    capture.begin(axes, initialStates(initial));
    const QString seen = runScript(capture, reported, script);

    QCOMPARE(capture.isComplete() ? 25 : capture.currentBinding(), row);
    QCOMPARE(describeSlots(capture), bindings);
    if (script.contains('|'))
        QCOMPARE(seen, highlights);
}

void TestCapture::beginHighlightsRowZeroAndResets()
{
    QStringList reported;
    BindingCapture capture(
        [&reported](int r, bool on) { reported << QString("%1%2").arg(r).arg(on ? '+' : '-'); });
    capture.begin(6, initialStates(SIX_AXES));
    QCOMPARE(reported.join(' '), QString("0+"));
    runScript(capture, reported, "b0 +100 b1 skip25");
    QVERIFY(capture.isComplete());

    // A second capture starts over: row 0, empty slots, not complete.
    reported.clear();
    capture.begin(6, initialStates(SIX_AXES));
    QCOMPARE(reported.join(' '), QString("0+"));
    QCOMPARE(capture.currentBinding(), 0);
    QVERIFY(!capture.isComplete());
    QCOMPARE(describeSlots(capture), QString());
    QCOMPARE(capture.bindingTime(), Uint32(0));

    capture.end();
    QCOMPARE(capture.axisState(0), static_cast<const AxisState*>(nullptr));
    capture.end(); // twice is harmless
}

void TestCapture::axisStatesSeededAndResetPerRow()
{
    BindingCapture capture;
    capture.begin(3, initialStates("-32768,?,5"));
    QCOMPARE(capture.numAxes(), 3);
    QCOMPARE(capture.axisState(0)->known, 1);
    QCOMPARE(capture.axisState(0)->start, -32768);
    QCOMPARE(capture.axisState(1)->known, 0);
    QCOMPARE(capture.axisState(2)->extreme, 5);
    QVERIFY(!capture.axisState(3));
    QVERIFY(!capture.axisState(-1));

    capture.axisMotion(0, 32767, 1000);
    QCOMPARE(capture.axisState(0)->extreme, 32767);
    capture.skip();
    QCOMPARE(capture.axisState(0)->extreme, -32768);
    QCOMPARE(capture.axisState(0)->start, -32768);
}

void TestCapture::fullRunGivesBindingFields_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("entries");

    // Every row from the pad: eleven buttons, the hat for the d-pad, two sticks, two triggers.
    const QString buttons =
        "b0 +100 b1 +100 b2 +100 b3 +100 b6 +100 b8 +100 b7 +100 b9 +100 b10 +100 b4 +100 "
        "b5 +100 ";
    const QString hat = "h0=1 +20 h0=0 +80 h0=4 +100 h0=8 +100 h0=2 +100 ";
    QString sticks;
    for (int axis : {0, 1, 3, 4})
        sticks += QString("a%1=-32768 a%1=0 +100 a%1=32767 a%1=0 +100 ").arg(axis);
    const QString triggers = "a2=32767 a2=-32768 +100 a5=32767 a5=-32768 +100";
    QTest::newRow("all 25 rows")
        << buttons + hat + sticks + triggers
        << "a:b0,b:b1,x:b2,y:b3,back:b6,guide:b8,start:b7,leftstick:b9,rightstick:b10,leftshoulder:b4,"
           "rightshoulder:b5,dpup:h0.1,dpdown:h0.4,dpleft:h0.8,dpright:h0.2,leftx:a0,lefty:a1,rightx:a3,"
           "righty:a4,"
           "lefttrigger:a2,righttrigger:a5,";
    QTest::newRow("skipped rows, a Previous, half axes")
        << "b0 +100 b9 +100 prev b1 +100 skip13 a0=-32768 a0=0 +100 skip skip a1=32767 +30 skip skip4 "
           "a2=32767 "
           "skip skip"
        << "a:b0,b:b1,-leftx:-a0,+lefty:+a1,lefttrigger:a2,";
    QTest::newRow("every row skipped") << "skip25"
                                       << "";
}

void TestCapture::fullRunGivesBindingFields()
{
    QFETCH(QString, script);
    QFETCH(QString, entries);

    // Triggers on axes 2 and 5, resting at -32768 and known.
    QStringList reported;
    BindingCapture capture(
        [&reported](int r, bool on) { reported << QString("%1%2").arg(r).arg(on ? '+' : '-'); });
    capture.begin(6, initialStates("0,0,-32768,0,0,-32768"));
    runScript(capture, reported, script);
    QVERIFY(capture.isComplete());

    QString fields;
    for (const QByteArray& field : bindingFields(capture.bindings()))
        fields += QString::fromUtf8(field) + ',';
    QCOMPARE(fields, entries);
}

void TestCapture::highlights_data()
{
    QTest::addColumn<QString>("script");  // aN=V controller axis N reads V; bN+ / bN- button down / up; all-
    QTest::addColumn<QString>("changes"); // reported changes, "row+" / "row-"

    QTest::newRow("stick at 0 from rest emits nothing") << "a0=0 a1=0 a2=0 a3=0"
                                                        << "";
    QTest::newRow("24575 is not pressed, 24576 is") << "a0=24575 a0=24576 a0=24575"
                                                    << "16+ 16-";
    QTest::newRow("negative threshold") << "a0=-24575 a0=-24576 a0=-24575"
                                        << "15+ 15-";
    QTest::newRow("full negative reading") << "a0=-32768"
                                           << "15+";
    QTest::newRow("emits only on change") << "a0=32767 a0=30000 a0=32767 a0=26000"
                                          << "16+";
    QTest::newRow("opposite direction released") << "a0=32767 a0=-32768"
                                                 << "16+ 16- 15+";
    QTest::newRow("opposite released below threshold") << "a0=-32768 a0=100"
                                                       << "15+ 15-";
    QTest::newRow("back to 0 releases") << "a0=32767 a0=0 a0=0"
                                        << "16+ 16-";
    QTest::newRow("left stick y") << "a1=-32768 a1=32767"
                                  << "17+ 17- 18+";
    QTest::newRow("right stick x") << "a2=-32768 a2=32767"
                                   << "19+ 19- 20+";
    QTest::newRow("right stick y") << "a3=-32768 a3=32767"
                                   << "21+ 21- 22+";
    QTest::newRow("left trigger") << "a4=0 a4=24576 a4=32767 a4=24575 a4=0"
                                  << "23+ 23-";
    QTest::newRow("right trigger") << "a5=32767 a5=0"
                                   << "24+ 24-";
    QTest::newRow("other axes ignored") << "a6=32767 a-1=32767"
                                        << "";
    QTest::newRow("buttons") << "b0+ b0+ b14+ b0- b0- b14-"
                             << "0+ 14+ 0- 14-";
    QTest::newRow("share, paddles and touchpad light the extra rows") << "b15+ b16+ b20+ b15-"
                                                                      << "25+ 26+ 30+ 25-";
    QTest::newRow("buttons SDL does not name ignored") << "b21+ b-1+"
                                                       << "";
    QTest::newRow("release all in row order") << "a0=32767 b3+ a5=32767 all- all-"
                                              << "16+ 3+ 24+ 3- 16- 24-";
}

void TestCapture::highlights()
{
    QFETCH(QString, script);
    QFETCH(QString, changes);

    QStringList reported;
    ControllerHighlights tracker(
        [&reported](int r, bool on) { reported << QString("%1%2").arg(r).arg(on ? '+' : '-'); });
    for (const QString& token : script.split(' ', Qt::SkipEmptyParts)) {
        if (token == "all-") {
            tracker.releaseAll();
        } else if (token.startsWith('b')) {
            tracker.buttonChanged(token.mid(1, token.size() - 2).toInt(), token.endsWith('+'));
        } else {
            const QStringList parts = token.mid(1).split('=');
            tracker.axisMotion(parts[0].toInt(), parts[1].toInt());
        }
    }
    QCOMPARE(reported.join(' '), changes);
}

// One control of an existing mapping captured again: only its row changes, under the usual rules.
void TestCapture::singleRow_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("bindings");

    const QString others = "2=b2 15=a0:0>-32768 16=a0:0>32767 23=a2:-32768>32767";
    QTest::newRow("a free button replaces the row") << 1 << "b7 +100" << true << "0=b0 1=b7 " + others;
    QTest::newRow("the row's own button again") << 1 << "b1 +100" << true << "0=b0 1=b1 " + others;
    QTest::newRow("a button bound elsewhere is refused") << 1 << "b0 +100" << false << "0=b0 " + others;
    QTest::newRow("an axis bound elsewhere is refused")
        << 1 << "a0=-32768 +50 a0=0 +100" << false << "0=b0 " + others;
    QTest::newRow("Skip clears the row") << 1 << "skip" << true << "0=b0 " + others;
    QTest::newRow("Previous does nothing") << 1 << "prev +100" << false << "0=b0 " + others;
}

void TestCapture::singleRow()
{
    QFETCH(int, row);
    QFETCH(QString, script);
    QFETCH(bool, complete);
    QFETCH(QString, bindings);
    CapturedInput mapping[BINDING_ROWS];
    parseBindingFields({"a:b0", "b:b1", "x:b2", "leftx:a0", "lefttrigger:a2"}, mapping, nullptr);
    QStringList reported;
    BindingCapture capture([&](int r, bool on) { reported << QString("%1%2").arg(r).arg(on ? '+' : '-'); });
    capture.beginSingle(row, mapping, 6, initialStates(SIX_AXES));
    QCOMPARE(reported, QStringList({QString("%1+").arg(row)}));
    runScript(capture, reported, script);
    QCOMPARE(capture.isComplete(), complete);
    if (!complete)
        QCOMPARE(capture.currentBinding(), row);
    QCOMPARE(describeSlots(capture), bindings);
}

QTEST_APPLESS_MAIN(TestCapture)
#include "test_capture.moc"
