// The binding fields of the 31 slots: their exact text for every kind of binding, their reading back,
// and SDL's own reading of a line made of them, on a virtual pad, for hand-written captures and for
// random ones.

#include "bindingfields.h"
#include "mappingline.h"
#include "virtualpad.h"

#include <QtTest>
#include <random>

namespace
{

const int PAD_AXES = 8;
const int PAD_BUTTONS = 24;
const int PAD_HATS = 2;

// 31 binding slots as a capture leaves them, written row by row.
struct SlotSet {
    CapturedInput slot[BINDING_ROWS] = {};

    SlotSet& button(int row, int index)
    {
        slot[row] = CapturedInput{INPUT_BUTTON, index, 0, 0, 1};
        return *this;
    }
    SlotSet& hat(int row, int index, int position)
    {
        slot[row] = CapturedInput{INPUT_HAT, index, position, 0, 1};
        return *this;
    }
    SlotSet& axis(int row, int index, int rest, int end, int complete = 1)
    {
        slot[row] = CapturedInput{INPUT_AXIS, index, rest, end, complete};
        return *this;
    }
};

// True when field binds a control that one of the 31 rows stands for.
bool bindingKey(const QByteArray& field)
{
    QByteArray key = field.left(field.indexOf(':'));
    if (key.startsWith('+') || key.startsWith('-'))
        key.remove(0, 1);
    const SDL_GameControllerButton button = SDL_GameControllerGetButtonFromString(key.constData());
    return (button != SDL_CONTROLLER_BUTTON_INVALID && bindingRowOfButton(button) >= 0) ||
           SDL_GameControllerGetAxisFromString(key.constData()) != SDL_CONTROLLER_AXIS_INVALID;
}

// The binding fields of set, each followed by a comma, as a line carries them.
QByteArray entries(const CapturedInput input[BINDING_ROWS])
{
    QByteArray text;
    for (const QByteArray& field : bindingFields(input))
        text += field + ',';
    return text;
}

// The line for pad with the binding fields of set, as the program writes it.
QByteArray padLine(const SlotSet& set, VirtualPad& pad)
{
    return MappingLine::forPad(pad.guidText(), MappingLine::guidCrc(pad.guidText()), "Binding Fields Pad",
                               bindingFields(set.slot))
        .text();
}

// The slots that fields read back into; fields no row takes go to others.
SlotSet readBack(const QList<QByteArray>& fields, QList<QByteArray>* others)
{
    SlotSet set;
    parseBindingFields(fields, set.slot, others);
    return set;
}

bool isDegenerateAxis(const CapturedInput& c)
{
    // Rest and end quantised alike: the capture kept no direction for this movement.
    return c.type == INPUT_AXIS && c.value == c.extreme;
}

bool sameAxis(const CapturedInput& a, const CapturedInput& b)
{
    return a.type == INPUT_AXIS && b.type == INPUT_AXIS && a.index == b.index && a.value == b.value;
}

// Asks SDL how it reads a built mapping on the virtual pad: every non-empty row's raw input is performed
// (button pressed, hat set, axis moved from its captured rest to its captured end) and the row's
// control must follow it, then let go and the control must return to rest.
class SdlReader
{
public:
    explicit SdlReader(VirtualPad& pad) : m_pad(pad) {}

    int checked = 0;
    int skipped = 0;

    // Empty when SDL reads every row as captured; otherwise what it read differently.
    QString misreads(const SlotSet& captured, const QByteArray& mapping)
    {
        if (SDL_GameControllerAddMapping(mapping.constData()) < 0)
            return QString("SDL rejects %1: %2").arg(QString(mapping), SDL_GetError());
        restPad(captured);
        SDL_GameController* gc = SDL_GameControllerOpen(m_pad.deviceIndex());
        if (!gc)
            return QString("no game controller for %1: %2").arg(QString(mapping), SDL_GetError());
        // Opening resets trigger axes to their mapped rest; the next update brings the pad's state back.
        SDL_JoystickUpdate();

        QString problem = usesMapping(gc, mapping);
        for (int row = 0; row < BINDING_ROWS && problem.isEmpty(); ++row)
            problem = checkRow(gc, captured, row);
        if (!problem.isEmpty())
            problem += QString("\n  mapping: %1").arg(QString(mapping));

        SDL_GameControllerClose(gc);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        return problem;
    }

private:
    VirtualPad& m_pad;

    void restPad(const SlotSet& captured)
    {
        int rest[PAD_AXES] = {};
        for (const CapturedInput& c : captured.slot)
            if (c.type == INPUT_AXIS && c.index < PAD_AXES)
                rest[c.index] = c.value;
        for (int a = 0; a < PAD_AXES; ++a)
            m_pad.setAxis(a, Sint16(rest[a]));
        for (int b = 0; b < PAD_BUTTONS; ++b)
            m_pad.setButton(b, false);
        for (int h = 0; h < PAD_HATS; ++h)
            m_pad.setHat(h, SDL_HAT_CENTERED);
        SDL_JoystickUpdate();
    }

    QString usesMapping(SDL_GameController* gc, const QByteArray& mapping)
    {
        // SDL moves the GUID's name checksum into a "crc:" field, so compare from the name on.
        char* stored = SDL_GameControllerMapping(gc);
        const QByteArray text(stored ? stored : "");
        SDL_free(stored);
        const int comma = mapping.indexOf(',');
        if (!text.mid(text.indexOf(',')).startsWith(mapping.mid(comma)))
            return QString("the controller uses another mapping: %1").arg(QString(text));
        return QString();
    }

    void perform(const CapturedInput& c, bool active)
    {
        switch (c.type) {
        case INPUT_BUTTON:
            m_pad.setButton(c.index, active);
            break;
        case INPUT_HAT:
            m_pad.setHat(c.index, Uint8(active ? c.value : SDL_HAT_CENTERED));
            break;
        case INPUT_AXIS:
            m_pad.setAxis(c.index, Sint16(active ? c.extreme : c.value));
            break;
        }
        SDL_JoystickUpdate();
    }

    // Whether a row can be judged at all. SDL reports the first non-zero binding of a controller axis,
    // so the other half of a stick axis must stay quiet while this one is performed.
    bool judgeable(const SlotSet& captured, int row, bool* checkRest) const
    {
        const CapturedInput& s = captured.slot[row];
        *checkRest = true;
        if (isDegenerateAxis(s))
            return false;
        const BindingRow& r = bindingTable[row];
        if (r.kind != RowKind::StickHalf)
            return true;
        const CapturedInput& p = captured.slot[bindingRowOfAxis(r.control, -r.direction)];
        const bool merged = sameAxis(s, p);
        if (isDegenerateAxis(p)) {
            // Merged with a half that never left its quantised rest, the entry's input half starts
            // at that end: the captured end is read, the rest is not.
            if (!merged || s.value != 0)
                return false;
            *checkRest = false;
        }
        // SDL's hat bindings react to any shared direction bit (a diagonal and its straight parts).
        if (s.type == INPUT_HAT && p.type == INPUT_HAT && s.index == p.index && (s.value & p.value))
            return false;
        return true;
    }

    QString checkRow(SDL_GameController* gc, const SlotSet& captured, int row)
    {
        const CapturedInput& s = captured.slot[row];
        if (s.type == INPUT_NONE)
            return QString();
        bool checkRest = true;
        if (!judgeable(captured, row, &checkRest)) {
            ++skipped;
            return QString();
        }
        ++checked;

        perform(s, true);
        const int pressed = read(gc, row);
        perform(s, false);
        const int released = read(gc, row);

        const QString what = QString("row %1 (type %2 index %3 value %4 extreme %5)")
                                 .arg(row)
                                 .arg(s.type)
                                 .arg(s.index)
                                 .arg(s.value)
                                 .arg(s.extreme);
        if (!isAxisRow(row)) {
            if (pressed != 1 || released != 0)
                return QString("%1: button read %2 when performed, %3 at rest")
                    .arg(what)
                    .arg(pressed)
                    .arg(released);
            return QString();
        }

        const int sign = bindingTable[row].direction < 0 ? -1 : 1;
        // A movement from one extreme to the centre covers half of the input range SDL maps.
        const bool half = s.type == INPUT_AXIS && s.value != 0 && s.extreme == 0;
        const int low = half ? 15000 : 32000;
        const int high = half ? 17500 : 32768;
        const int magnitude = pressed * sign;
        if (magnitude < low || magnitude > high)
            return QString("%1: axis read %2 at the captured end, expected %3 to %4")
                .arg(what)
                .arg(pressed)
                .arg(sign * low)
                .arg(sign * high);
        if (checkRest && qAbs(released) > 64)
            return QString("%1: axis read %2 at rest, expected about 0").arg(what).arg(released);
        return QString();
    }

    int read(SDL_GameController* gc, int row) const
    {
        const int control = bindingTable[row].control;
        if (!isAxisRow(row))
            return SDL_GameControllerGetButton(gc, SDL_GameControllerButton(control));
        return SDL_GameControllerGetAxis(gc, SDL_GameControllerAxis(control));
    }
};

// Fills slots the way the capture can: each button and each hat position at most once, one rest
// position per axis, each direction of an axis bound at most once, ends at least the axis travel
// away from rest (so quantised), and the capture's rule that a completed axis movement drops a later
// one whose range it contains. Any kind of input may land in any row; rows may stay empty.
class RandomCapture
{
public:
    explicit RandomCapture(quint32 seed) : m_rng(seed) {}

    SlotSet next()
    {
        SlotSet set;
        int rest[PAD_AXES];
        for (int& r : rest) {
            const int pick = roll(100);
            r = pick < 70 ? 0 : pick < 85 ? -32768 : 32767;
        }
        bool directionUsed[PAD_AXES][2] = {};
        bool buttonUsed[PAD_BUTTONS] = {};
        bool hatUsed[PAD_HATS][16] = {};

        for (int row = 0; row < BINDING_ROWS; ++row) {
            const int pick = roll(100);
            const bool stickOrTrigger = isAxisRow(row);
            const int kind = stickOrTrigger ? (pick < 60   ? INPUT_AXIS
                                               : pick < 72 ? INPUT_BUTTON
                                               : pick < 82 ? INPUT_HAT
                                                           : INPUT_NONE)
                                            : (pick < 55   ? INPUT_BUTTON
                                               : pick < 70 ? INPUT_HAT
                                               : pick < 85 ? INPUT_AXIS
                                                           : INPUT_NONE);
            for (int attempt = 0; attempt < 4 && set.slot[row].type == INPUT_NONE; ++attempt) {
                if (kind == INPUT_BUTTON) {
                    const int b = roll(PAD_BUTTONS);
                    if (!buttonUsed[b]) {
                        buttonUsed[b] = true;
                        set.button(row, b);
                    }
                } else if (kind == INPUT_HAT) {
                    static const int positions[8] = {1, 2, 4, 8, 3, 6, 12, 9};
                    const int h = roll(PAD_HATS);
                    const int p = positions[roll(8)];
                    if (!hatUsed[h][p]) {
                        hatUsed[h][p] = true;
                        set.hat(row, h, p);
                    }
                } else if (kind == INPUT_AXIS) {
                    const int a = roll(PAD_AXES);
                    const int up = roll(2);
                    if (directionUsed[a][up])
                        continue;
                    const CapturedInput input{INPUT_AXIS, a, rest[a], endOf(rest[a], up),
                                              roll(100) < 85 ? 1 : 0};
                    if (droppedByCapture(set, input))
                        continue;
                    directionUsed[a][up] = true;
                    set.slot[row] = input;
                }
            }
        }
        return set;
    }

private:
    std::mt19937 m_rng;

    int roll(int n) { return int(m_rng() % quint32(n)); }

    // The quantised end of a movement of at least the axis travel (16000) in one direction. A movement
    // that stays within one quantisation band (both ends alike) is possible but rare.
    int endOf(int rest, int up)
    {
        const bool sameBand = roll(100) < 8;
        if (rest == 0)
            return sameBand ? 0 : (up ? 32767 : -32768);
        if (rest == -32768)
            return up ? (roll(100) < 70 ? 32767 : 0) : -32768;
        return up ? 32767 : (roll(100) < 70 ? -32768 : 0);
    }

    static bool droppedByCapture(const SlotSet& set, const CapturedInput& input)
    {
        for (const CapturedInput& s : set.slot) {
            if (s.type != INPUT_AXIS || s.index != input.index || !s.complete)
                continue;
            if (qMin(s.value, s.extreme) <= qMin(input.value, input.extreme) &&
                qMax(s.value, s.extreme) >= qMax(input.value, input.extreme))
                return true;
        }
        return false;
    }
};

} // namespace

Q_DECLARE_METATYPE(SlotSet)

class TestBindingFields : public QObject
{
    Q_OBJECT

private:
    VirtualPad* m_pPad = nullptr;

private slots:
    void initTestCase()
    {
        QCOMPARE(SDL_Init(SDL_INIT_GAMECONTROLLER), 0);
        VirtualPad::Layout layout;
        layout.name = "Stickwell Binding Fields Pad";
        layout.axes = PAD_AXES;
        layout.buttons = PAD_BUTTONS;
        layout.hats = PAD_HATS;
        m_pPad = new VirtualPad(layout);
        QVERIFY(m_pPad->attach());
        QCOMPARE(QByteArray(SDL_GetPlatform()), QByteArray("Linux"));
    }

    void cleanupTestCase()
    {
        delete m_pPad;
        m_pPad = nullptr;
    }

    void mergeAxisHalves_data()
    {
        QTest::addColumn<SlotSet>("captured");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("merged");
        QTest::addColumn<SlotSet>("after");

        QTest::newRow("halves of one axis") << SlotSet().axis(15, 0, 0, -32768).axis(16, 0, 0, 32767) << 15
                                            << true << SlotSet().axis(15, 0, -32768, 32767);
        QTest::newRow("inverted halves keep their order")
            << SlotSet().axis(21, 4, 0, 32767).axis(22, 4, 0, -32768) << 21 << true
            << SlotSet().axis(21, 4, 32767, -32768);
        QTest::newRow("incomplete halves merge too")
            << SlotSet().axis(17, 1, 0, -32768, 0).axis(18, 1, 0, 32767, 0) << 17 << true
            << SlotSet().axis(17, 1, -32768, 32767, 0);
        QTest::newRow("different axes") << SlotSet().axis(19, 3, 0, -32768).axis(20, 6, 0, 32767) << 19
                                        << false << SlotSet().axis(19, 3, 0, -32768).axis(20, 6, 0, 32767);
        QTest::newRow("different rest")
            << SlotSet().axis(15, 0, 0, -32768).axis(16, 0, -32768, 32767) << 15 << false
            << SlotSet().axis(15, 0, 0, -32768).axis(16, 0, -32768, 32767);
        QTest::newRow("button in the positive row")
            << SlotSet().axis(15, 0, 0, -32768).button(16, 0) << 15 << false
            << SlotSet().axis(15, 0, 0, -32768).button(16, 0);
        QTest::newRow("positive row empty")
            << SlotSet().axis(15, 0, 0, -32768) << 15 << false << SlotSet().axis(15, 0, 0, -32768);
        QTest::newRow("hat and axis with equal numbers")
            << SlotSet().hat(17, 1, 1).axis(18, 1, 0, 32767) << 17 << false
            << SlotSet().hat(17, 1, 1).axis(18, 1, 0, 32767);
    }

    void mergeAxisHalves()
    {
        QFETCH(SlotSet, captured);
        QFETCH(int, row);
        QFETCH(bool, merged);
        QFETCH(SlotSet, after);

        QCOMPARE(::mergeAxisHalves(captured.slot, row), merged);
        for (int i = 0; i < BINDING_ROWS; ++i) {
            QCOMPARE(captured.slot[i].type, after.slot[i].type);
            if (after.slot[i].type == INPUT_NONE)
                continue;
            QCOMPARE(captured.slot[i].index, after.slot[i].index);
            QCOMPARE(captured.slot[i].value, after.slot[i].value);
            QCOMPARE(captured.slot[i].extreme, after.slot[i].extreme);
            QCOMPARE(captured.slot[i].complete, after.slot[i].complete);
        }
    }

    // Every case is a capture the worker can make on the test pad (8 axes, 24 buttons, 2 hats).
    void tableForms_data()
    {
        QTest::addColumn<SlotSet>("captured");
        QTest::addColumn<QByteArray>("entries");

        QTest::newRow("every control skipped") << SlotSet() << QByteArray("");
        SlotSet allButtons;
        for (int row = 0; row <= 14; ++row)
            allButtons.button(row, row);
        QTest::newRow("every button row")
            << allButtons
            << QByteArray("a:b0,b:b1,x:b2,y:b3,back:b4,guide:b5,start:b6,leftstick:b7,rightstick:b8,"
                          "leftshoulder:b9,rightshoulder:b10,dpup:b11,dpdown:b12,dpleft:b13,dpright:b14,");
        QTest::newRow("d-pad from a hat") << SlotSet().hat(11, 0, 1).hat(12, 0, 4).hat(13, 0, 8).hat(14, 0, 2)
                                          << QByteArray("dpup:h0.1,dpdown:h0.4,dpleft:h0.8,dpright:h0.2,");
        QTest::newRow("hat diagonals") << SlotSet().hat(0, 0, 3).hat(1, 1, 12).hat(2, 1, 6).hat(3, 0, 9)
                                       << QByteArray("a:h0.3,b:h1.12,x:h1.6,y:h0.9,");
        QTest::newRow("full axis from two halves")
            << SlotSet().axis(15, 0, 0, -32768).axis(16, 0, 0, 32767) << QByteArray("leftx:a0,");
        QTest::newRow("inverted full axis")
            << SlotSet().axis(17, 1, 0, 32767).axis(18, 1, 0, -32768) << QByteArray("lefty:a1~,");
        QTest::newRow("each stick axis merged") << SlotSet()
                                                       .axis(15, 0, 0, -32768)
                                                       .axis(16, 0, 0, 32767)
                                                       .axis(17, 1, 0, -32768)
                                                       .axis(18, 1, 0, 32767)
                                                       .axis(19, 3, 0, -32768)
                                                       .axis(20, 3, 0, 32767)
                                                       .axis(21, 4, 0, 32767)
                                                       .axis(22, 4, 0, -32768)
                                                << QByteArray("leftx:a0,lefty:a1,rightx:a3,righty:a4~,");
        QTest::newRow("negative half alone") << SlotSet().axis(15, 0, 0, -32768) << QByteArray("-leftx:-a0,");
        QTest::newRow("positive half alone") << SlotSet().axis(16, 0, 0, 32767) << QByteArray("+leftx:+a0,");
        QTest::newRow("halves on two axes") << SlotSet().axis(19, 3, 0, -32768).axis(20, 6, 0, 32767)
                                            << QByteArray("-rightx:-a3,+rightx:+a6,");
        QTest::newRow("negative direction on the plus half")
            << SlotSet().axis(21, 4, 0, 32767) << QByteArray("-righty:+a4,");
        QTest::newRow("positive direction on the minus half")
            << SlotSet().axis(22, 4, 0, -32768) << QByteArray("+righty:-a4,");
        QTest::newRow("positive row alone with a full-range axis")
            << SlotSet().axis(16, 2, -32768, 32767) << QByteArray("+leftx:a2,");
        QTest::newRow("negative row alone with an axis resting high")
            << SlotSet().axis(17, 5, 32767, -32768) << QByteArray("-lefty:a5~,");
        QTest::newRow("no merge across two sticks")
            << SlotSet().axis(16, 1, 0, 32767).axis(17, 1, 0, -32768) << QByteArray("+leftx:+a1,-lefty:-a1,");
        QTest::newRow("trigger resting low")
            << SlotSet().axis(23, 2, -32768, 32767) << QByteArray("lefttrigger:a2,");
        QTest::newRow("trigger resting high")
            << SlotSet().axis(24, 5, 32767, -32768) << QByteArray("righttrigger:a5~,");
        QTest::newRow("trigger resting at centre, pulled up")
            << SlotSet().axis(23, 2, 0, 32767) << QByteArray("lefttrigger:+a2,");
        QTest::newRow("trigger resting at centre, pulled down")
            << SlotSet().axis(24, 5, 0, -32768) << QByteArray("righttrigger:-a5,");
        QTest::newRow("triggers pulled half way") << SlotSet().axis(23, 2, -32768, 0).axis(24, 5, 32767, 0)
                                                  << QByteArray("lefttrigger:a2,righttrigger:a5~,");
        QTest::newRow("stick directions from buttons")
            << SlotSet().button(15, 4).button(16, 5) << QByteArray("-leftx:b4,+leftx:b5,");
        QTest::newRow("stick directions from hats")
            << SlotSet().hat(21, 0, 1).hat(22, 0, 4) << QByteArray("-righty:h0.1,+righty:h0.4,");
        QTest::newRow("triggers from buttons")
            << SlotSet().button(23, 6).button(24, 7) << QByteArray("lefttrigger:b6,righttrigger:b7,");
        QTest::newRow("d-pad on an axis")
            << SlotSet().axis(11, 7, 0, -32768).axis(12, 7, 0, 32767) << QByteArray("dpup:-a7,dpdown:+a7,");
        QTest::newRow("buttons from trigger axes")
            << SlotSet().axis(0, 2, -32768, 32767).axis(1, 5, 32767, -32768) << QByteArray("a:a2,b:a5~,");
        QTest::newRow("merged, negative end at rest, positive end up")
            << SlotSet().axis(15, 0, 0, 0).axis(16, 0, 0, 32767) << QByteArray("leftx:+a0,");
        QTest::newRow("merged, negative end at rest, positive end down")
            << SlotSet().axis(15, 0, 0, 0).axis(16, 0, 0, -32768) << QByteArray("leftx:-a0,");
        QTest::newRow("merged, positive end at rest")
            << SlotSet().axis(19, 3, 0, -32768).axis(20, 3, 0, 0) << QByteArray("rightx:a3,");
        QTest::newRow("rest and end both centre")
            << SlotSet().axis(15, 0, 0, 0).axis(23, 2, 0, 0) << QByteArray("-leftx:a0,lefttrigger:a2,");
        QTest::newRow("rest and end both high")
            << SlotSet().axis(24, 5, 32767, 32767) << QByteArray("righttrigger:a5,");
        QTest::newRow("incomplete axis binding")
            << SlotSet().axis(15, 0, 0, -32768, 0) << QByteArray("-leftx:-a0,");
        QTest::newRow("every kind, with gaps") << SlotSet()
                                                      .button(0, 23)
                                                      .axis(3, 6, 0, 32767)
                                                      .hat(12, 1, 4)
                                                      .button(18, 9)
                                                      .axis(19, 0, 0, -32768)
                                                      .axis(24, 5, -32768, 32767)
                                               << QByteArray("a:b23,y:+a6,dpdown:h1.4,+lefty:b9,-rightx:-a0,"
                                                             "righttrigger:a5,");
        QTest::newRow("fully captured pad") << examplePad() << exampleEntries();
    }

    // Real lines read back: the bindings of the rows survive a rewrite, and every other field stays.
    void communityLinesReadBack_data()
    {
        QTest::addColumn<QByteArray>("line");
        QFile snapshot(QStringLiteral(STICKWELL_SHARED_DATA "/gamecontrollerdb.txt"));
        if (!snapshot.open(QIODevice::ReadOnly))
            QSKIP("no community database snapshot in " STICKWELL_SHARED_DATA);
        for (const QByteArray& line : MappingLine::splitLines(snapshot.readAll()))
            if (!MappingLine::isBlankOrComment(line) && MappingLine::whySdlSkips(line).isEmpty())
                QTest::newRow(line.left(60).constData()) << line;
    }

    void communityLinesReadBack()
    {
        QFETCH(QByteArray, line);
        MappingLine parsed;
        QVERIFY(MappingLine::parse(line, &parsed));
        QList<QByteArray> others, againOthers;
        const SlotSet first = readBack(parsed.bindings, &others);
        const SlotSet again = readBack(bindingFields(first.slot) + others, &againOthers);
        for (int row = 0; row < BINDING_ROWS; ++row)
            QVERIFY2(SDL_memcmp(&again.slot[row], &first.slot[row], sizeof(CapturedInput)) == 0,
                     qPrintable(QString("row %1").arg(row)));
        QCOMPARE(againOthers, others);
        // Only controls no row stands for are left over: the wizard's forms cover what real pads use.
        for (const QByteArray& field : others)
            QVERIFY2(!bindingKey(field), field.constData());
    }

    // What the wizard never writes is no binding: such a field is kept as it stands instead.
    void parseInputRefusesOtherForms_data()
    {
        QTest::addColumn<QByteArray>("token");
        for (const char* token : {"", "b", "b-1", "b12345", "bx", "h0", "h0.0", "h0.16", "h.1", "a", "+a2~",
                                  "a2~~", "-b3", "a0:1", "x1"})
            QTest::newRow(token) << QByteArray(token);
    }

    void parseInputRefusesOtherForms()
    {
        QFETCH(QByteArray, token);
        CapturedInput input;
        QVERIFY(!parseInput(token, &input));
    }

    // The exact fields; read back, every form gives the same fields again.
    void tableForms()
    {
        QFETCH(SlotSet, captured);
        QFETCH(QByteArray, entries);
        QCOMPARE(::entries(captured.slot), entries);
        QCOMPARE(::entries(captured.slot), entries); // merging left the slots alone
        QList<QByteArray> others;
        const SlotSet again = readBack(entries.split(','), &others);
        QCOMPARE(::entries(again.slot), entries);
        QCOMPARE(others, QList<QByteArray>());
    }

    void sdlReadsTableForms_data() { tableForms_data(); }

    void sdlReadsTableForms()
    {
        QFETCH(SlotSet, captured);
        SdlReader reader(*m_pPad);
        const QString problem = reader.misreads(captured, padLine(captured, *m_pPad));
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void boundsEachToken_data()
    {
        QTest::addColumn<SlotSet>("captured");
        QTest::addColumn<QByteArray>("entries");
        QTest::newRow("widest button") << SlotSet().button(0, 2147483647) << QByteArray("a:b2147483647,");
        QTest::newRow("half axis cut")
            << SlotSet().axis(15, 2147483647, 0, -32768) << QByteArray("-leftx:-a214748364,");
        QTest::newRow("inversion mark dropped")
            << SlotSet().axis(23, 2147483647, 32767, -32768) << QByteArray("lefttrigger:a2147483647,");
        QTest::newRow("hat cut") << SlotSet().hat(11, 2147483647, 1) << QByteArray("dpup:h2147483647,");
    }

    void boundsEachToken()
    {
        QFETCH(SlotSet, captured);
        QFETCH(QByteArray, entries);
        QCOMPARE(::entries(captured.slot), entries);
    }

    // SDL accepts every line built from random captures, and reads a sample of them on the pad as
    // captured.
    void sdlReadsRandomCaptures()
    {
        quint32 seed = 20240611;
        if (qEnvironmentVariableIsSet("STICKWELL_TEST_SEED"))
            seed = quint32(qEnvironmentVariableIntValue("STICKWELL_TEST_SEED"));
        qInfo("random captures: seed %u (set STICKWELL_TEST_SEED to change)", seed);

        const int sets = 3000;
        const int everyNth = 10;
        RandomCapture capture(seed);
        SdlReader reader(*m_pPad);
        for (int n = 0; n < sets; ++n) {
            const SlotSet set = capture.next();
            const QByteArray mapping = padLine(set, *m_pPad);
            QVERIFY2(mapping.endsWith(','), mapping.constData());
            if (n % everyNth == 0) {
                const QString problem = reader.misreads(set, mapping);
                QVERIFY2(problem.isEmpty(),
                         qPrintable(QString("set %1, seed %2: %3").arg(n).arg(seed).arg(problem)));
            } else {
                QVERIFY2(SDL_GameControllerAddMapping(mapping.constData()) >= 0,
                         qPrintable(QString("set %1, seed %2: SDL rejects %3: %4")
                                        .arg(n)
                                        .arg(seed)
                                        .arg(QString(mapping), SDL_GetError())));
            }
        }
        qInfo("%d sets accepted; %d sampled rows read as captured, %d rows without a direction to check",
              sets, reader.checked, reader.skipped);
        QVERIFY(reader.checked > 1000);
    }

private:
    static SlotSet examplePad()
    {
        SlotSet pad;
        const int buttons[11] = {0, 1, 2, 3, 6, 8, 7, 9, 10, 4, 5};
        for (int row = 0; row < 11; ++row)
            pad.button(row, buttons[row]);
        pad.hat(11, 0, 1).hat(12, 0, 4).hat(13, 0, 8).hat(14, 0, 2);
        pad.axis(15, 0, 0, -32768).axis(16, 0, 0, 32767).axis(17, 1, 0, -32768).axis(18, 1, 0, 32767);
        pad.axis(19, 3, 0, -32768).axis(20, 3, 0, 32767).axis(21, 4, 0, -32768).axis(22, 4, 0, 32767);
        pad.axis(23, 2, -32768, 32767).axis(24, 5, -32768, 32767);
        return pad;
    }

    static QByteArray exampleEntries()
    {
        return "a:b0,b:b1,x:b2,y:b3,back:b6,guide:b8,start:b7,leftstick:b9,rightstick:b10,leftshoulder:b4,"
               "rightshoulder:b5,dpup:h0.1,dpdown:h0.4,dpleft:h0.8,dpright:h0.2,leftx:a0,lefty:a1,rightx:a3,"
               "righty:a4,lefttrigger:a2,righttrigger:a5,";
    }
};

QTEST_GUILESS_MAIN(TestBindingFields)
#include "test_bindingfields.moc"
