#ifndef WIZARDDRIVER_H
#define WIZARDDRIVER_H
// Drives the mapping wizard of a real window with a virtual pad, as a user would: one step per row.

#include "modalanswerer.h"
#include "virtualpad.h"
#include "windowfixture.h"

#include <QLabel>
#include <QtTest>
#include <SDL.h>
#include <functional>
#include <memory>

namespace wizard
{
enum Axis { LeftX = 0, LeftY = 1, LeftTrigger = 2, RightX = 3, RightY = 4, RightTrigger = 5 };

// One step of the wizard as the user performs it on the pad.
using Step = std::function<void(VirtualPad&)>;

inline Step press(int button)
{
    return [button](VirtualPad& pad) { pad.pressButton(button); };
}

inline Step hat(Uint8 value)
{
    return [value](VirtualPad& pad) {
        pad.setHat(0, value);
        SDL_JoystickUpdate();
        pad.setHat(0, SDL_HAT_CENTERED);
        SDL_JoystickUpdate();
    };
}

// Moves an axis out to `to` and back to its rest, each reading reaching SDL's queue in order.
inline Step move(int axis, Sint16 to, Sint16 rest = 0)
{
    return [=](VirtualPad& pad) {
        pad.setAxis(axis, to);
        SDL_JoystickUpdate();
        pad.setAxis(axis, rest);
        SDL_JoystickUpdate();
    };
}

inline Step skip()
{
    return nullptr;
}

inline QList<Step> fullPadSteps()
{
    return {press(0),
            press(1),
            press(2),
            press(3),
            press(6),
            press(8),
            press(7),
            press(9),
            press(10),
            press(4),
            press(5),
            hat(SDL_HAT_UP),
            hat(SDL_HAT_DOWN),
            hat(SDL_HAT_LEFT),
            hat(SDL_HAT_RIGHT),
            move(LeftX, -32768),
            move(LeftX, 32767),
            move(LeftY, -32768),
            move(LeftY, 32767),
            move(RightX, -32768),
            move(RightX, 32767),
            move(RightY, -32768),
            move(RightY, 32767),
            move(LeftTrigger, 32767, -32768),
            move(RightTrigger, 32767, -32768)};
}

// Button 0 for "a", every other control skipped: the shortest run that ends in a mapping.
inline QList<Step> firstButtonOnlySteps()
{
    QList<Step> steps;
    for (int row = 0; row < 25; ++row)
        steps << (row == 0 ? press(0) : skip());
    return steps;
}

inline const char* const kFullPadBindings =
    "a:b0,b:b1,x:b2,y:b3,back:b6,guide:b8,start:b7,leftstick:b9,rightstick:b10,leftshoulder:b4,"
    "rightshoulder:b5,dpup:h0.1,dpdown:h0.4,dpleft:h0.8,dpright:h0.2,leftx:a0,lefty:a1,rightx:a3,righty:a4,"
    "lefttrigger:a2,righttrigger:a5,";

// A pad SDL knows no mapping for, its product id made from its name so that each name has its own GUID.
inline VirtualPad::Layout padLayout(const char* padName)
{
    VirtualPad::Layout layout;
    layout.name = padName;
    layout.product = Uint16(qHash(QByteArray(padName)));
    layout.gameController = false;
    // The triggers rest at their far end, as most pads report them.
    layout.restingAxes = {{LeftTrigger, -32768}, {RightTrigger, -32768}};
    return layout;
}

// The head of a line the program writes for pad: portable GUID, name, platform, the pad's crc: field.
inline QByteArray portableHead(const VirtualPad& pad, const QByteArray& name)
{
    return pad.portableGuidText() + "," + name + ",platform:Linux," + pad.crcField() + ",";
}

class Wizard
{
public:
    explicit Wizard(const char* padName) : Wizard(padLayout(padName)) {}
    explicit Wizard(const VirtualPad::Layout& layout) : pad(std::make_unique<VirtualPad>(layout)) {}

    // Attaches the pad, opens the window, selects the list's entry `entry` and starts the wizard, with
    // the introduction box's extra controls ticked when extras is true.
    bool start(int entry = 0, bool extras = false)
    {
        if (!pad->attach())
            return false;
        fixture.open();
        fixture.list()->setCurrentIndex(entry);
        overlays = fixture.widget<QLabel>("mainImage")->findChildren<QLabel*>();
        answers.answerMessage(QMessageBox::Ok, extras);
        QTest::mouseClick(fixture.button("newBindings"), Qt::LeftButton);
        return answers.waitAllAnswered() && waitForRow(0);
    }

    int visibleRow() const
    {
        int row = -1;
        for (int i = 0; i < overlays.size(); ++i)
            if (overlays.at(i)->isVisible()) {
                if (row >= 0)
                    return -2; // more than one highlight
                row = i;
            }
        return row;
    }

    bool waitForRow(int row)
    {
        return QTest::qWaitFor([&] { return visibleRow() == row; }, 5000);
    }

    // Performs the steps from the current row on; a null step clicks Skip.
    bool perform(const QList<Step>& steps, int firstRow)
    {
        for (int i = 0; i < steps.size(); ++i) {
            const int row = firstRow + i;
            if (!waitForRow(row)) {
                qWarning("the wizard did not reach row %d (shows %d)", row, visibleRow());
                return false;
            }
            if (steps.at(i))
                steps.at(i)(*pad);
            else
                QTest::mouseClick(fixture.button("skipButton"), Qt::LeftButton);
        }
        return true;
    }

    QString mappingLine() const
    {
        for (const QString& line : fixture.logLines())
            if (line.startsWith("Mapping string: '"))
                return line.mid(17, line.size() - 18);
        return QString();
    }

    WindowFixture fixture;
    ModalAnswerer answers;
    std::unique_ptr<VirtualPad> pad;
    QList<QLabel*> overlays;
};
} // namespace wizard

#endif
