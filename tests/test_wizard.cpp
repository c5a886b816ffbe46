// The mapping wizard end to end: the real window, the real worker thread and a virtual pad.

#include "mainwindow.h"
#include "modalanswerer.h"
#include "tracecapture.h"
#include "virtualpad.h"
#include "windowfixture.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QtTest>
#include <SDL.h>
#include <functional>
#include <memory>

namespace {
enum Axis { LeftX = 0, LeftY = 1, LeftTrigger = 2, RightX = 3, RightY = 4, RightTrigger = 5 };

// One step of the wizard as the user performs it on the pad.
using Step = std::function<void(VirtualPad&)>;

Step press(int button)
{
    return [button](VirtualPad& pad) { pad.pressButton(button); };
}

Step hat(Uint8 value)
{
    return [value](VirtualPad& pad) {
        pad.setHat(0, value);
        SDL_JoystickUpdate();
        pad.setHat(0, SDL_HAT_CENTERED);
        SDL_JoystickUpdate();
    };
}

// Moves an axis out to `to` and back to its rest, each reading reaching SDL's queue in order.
Step move(int axis, Sint16 to, Sint16 rest = 0)
{
    return [=](VirtualPad& pad) {
        pad.setAxis(axis, to);
        SDL_JoystickUpdate();
        pad.setAxis(axis, rest);
        SDL_JoystickUpdate();
    };
}

Step skip()
{
    return nullptr;
}

QList<Step> fullPadSteps()
{
    return {press(0),          press(1),          press(2),          press(3),           press(6),
            press(8),          press(7),          press(9),          press(10),          press(4),
            press(5),          hat(SDL_HAT_UP),   hat(SDL_HAT_DOWN), hat(SDL_HAT_LEFT),  hat(SDL_HAT_RIGHT),
            move(LeftX, -32768), move(LeftX, 32767), move(LeftY, -32768), move(LeftY, 32767), move(RightX, -32768),
            move(RightX, 32767), move(RightY, -32768), move(RightY, 32767), move(LeftTrigger, 32767, -32768),
            move(RightTrigger, 32767, -32768)};
}

const char* const kFullPadBindings =
    "a:b0,b:b1,x:b2,y:b3,back:b6,guide:b8,start:b7,leftstick:b9,rightstick:b10,leftshoulder:b4,"
    "rightshoulder:b5,dpup:h0.1,dpdown:h0.4,dpleft:h0.8,dpright:h0.2,leftx:a0,lefty:a1,rightx:a3,righty:a4,"
    "lefttrigger:a2,righttrigger:a5,";

class Wizard
{
public:
    explicit Wizard(const char* padName)
    {
        VirtualPad::Layout layout;
        layout.name = padName;
        layout.product = Uint16(qHash(QByteArray(padName)));
        layout.gameController = false;
        pad = std::make_unique<VirtualPad>(layout);
    }

    bool start()
    {
        if (!pad->attach())
            return false;
        // The triggers rest at their far end, as most pads report them.
        pad->setAxis(LeftTrigger, -32768);
        pad->setAxis(RightTrigger, -32768);
        SDL_JoystickUpdate();
        fixture.open();
        overlays = fixture.widget<QLabel>("mainImage")->findChildren<QLabel*>();
        answers.answerMessage(QMessageBox::Ok);
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

    bool waitForRow(int row) { return QTest::qWaitFor([&] { return visibleRow() == row; }, 5000); }

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
} // namespace

class WizardTest : public QObject
{
    Q_OBJECT

private slots:
    void fullCapture()
    {
        TraceCapture traces;
        Wizard wizard("Wizard Full Pad");
        QVERIFY(wizard.start());
        // Mapping mode: the wizard buttons replace the commands and the list is locked.
        QVERIFY(wizard.fixture.button("skipButton")->isVisible());
        QVERIFY(!wizard.fixture.button("newBindings")->isVisible());
        QVERIFY(!wizard.fixture.list()->isEnabled());
        QVERIFY(!wizard.fixture.button("setEnvVarButton")->isEnabled());
        QVERIFY(!wizard.fixture.button("resetEnvVarButton")->isEnabled());

        wizard.answers.answerInput("My Full Pad");
        QVERIFY(wizard.perform(fullPadSteps(), 0));
        QVERIFY(wizard.answers.waitAllAnswered());
        QVERIFY(QTest::qWaitFor([&] { return !wizard.mappingLine().isEmpty(); }));
        QCOMPARE(wizard.mappingLine(),
                 QString(wizard.pad->guidText() + ",My Full Pad,platform:Linux," + kFullPadBindings));
        QCOMPARE(wizard.answers.seen().last().title, QString("Stickwell v1.2"));
        QCOMPARE(wizard.answers.seen().last().text, QString("Enter gamepad name:"));
        QCOMPARE(wizard.answers.seen().last().inputText, QString("Wizard Full Pad"));

        // Back in normal mode, the pad is now mapped.
        QVERIFY(QTest::qWaitFor(
            [&] { return wizard.fixture.entries() == QStringList({"My Full Pad (mapping available)"}); }));
        QVERIFY(wizard.fixture.button("newBindings")->isVisible());
        QVERIFY(wizard.fixture.list()->isEnabled());
        QCOMPARE(wizard.visibleRow(), -1);

        // The restart into mapping mode was traced in order.
        const QStringList order = traces.texts({"Request worker aborting in Thread ", "Aborting worker process in Thread ",
                                                "Worker process finished in Thread ", "Request worker start in Thread ",
                                                "Starting worker process in Thread "});
        const QStringList restart = {"Request worker aborting in Thread ", "Aborting worker process in Thread ",
                                     "Worker process finished in Thread ", "Request worker start in Thread ",
                                     "Starting worker process in Thread "};
        QVERIFY2(order.join('|').contains(restart.join('|')), qPrintable(order.join('|')));
    }

    void skipsAndPrevious()
    {
        Wizard wizard("Wizard Skipping Pad");
        QVERIFY(wizard.start());
        wizard.answers.answerInput("");
        // Row 3 gets the wrong button first; Previous from row 4 takes it back.
        QVERIFY(wizard.perform({press(0), press(1), press(2), press(9)}, 0));
        QVERIFY(wizard.waitForRow(4));
        QTest::mouseClick(wizard.fixture.button("previousButton"), Qt::LeftButton);
        QList<Step> rest = {press(3), press(6), skip(), press(7), press(9), press(10), press(4), press(5)};
        rest << hat(SDL_HAT_UP) << hat(SDL_HAT_DOWN) << hat(SDL_HAT_LEFT) << hat(SDL_HAT_RIGHT);
        rest << move(LeftX, -32768) << move(LeftX, 32767) << move(LeftY, -32768) << move(LeftY, 32767);
        rest << skip() << skip() << skip() << skip() << skip() << skip();
        QVERIFY(wizard.perform(rest, 3));
        QVERIFY(wizard.answers.waitAllAnswered());
        QVERIFY(QTest::qWaitFor([&] { return !wizard.mappingLine().isEmpty(); }));
        QCOMPARE(wizard.mappingLine(),
                 QString(wizard.pad->guidText() +
                         ",Unknown Gamepad,platform:Linux,a:b0,b:b1,x:b2,y:b3,back:b6,start:b7,leftstick:b9,"
                         "rightstick:b10,leftshoulder:b4,rightshoulder:b5,dpup:h0.1,dpdown:h0.4,dpleft:h0.8,"
                         "dpright:h0.2,leftx:a0,lefty:a1,"));
    }

    void cancelInTheMiddle()
    {
        Wizard wizard("Wizard Cancelled Pad");
        QVERIFY(wizard.start());
        QVERIFY(wizard.perform({press(0), press(1)}, 0));
        QVERIFY(wizard.waitForRow(2));
        QTest::mouseClick(wizard.fixture.button("cancelButton"), Qt::LeftButton);
        QCOMPARE(wizard.visibleRow(), -1);
        for (const char* name : {"copyIdButton", "newBindings", "copyBindingsButton"})
            QVERIFY2(wizard.fixture.button(name)->isVisible(), name);
        for (const char* name : {"skipButton", "previousButton", "cancelButton"})
            QVERIFY2(!wizard.fixture.button(name)->isVisible(), name);
        QVERIFY(wizard.fixture.list()->isEnabled());
        QVERIFY(wizard.fixture.button("resetEnvVarButton")->isEnabled());
        // No mapping and no name dialog follow, even once the pad is pressed again.
        wizard.pad->pressButton(2);
        QTest::qWait(300);
        QCOMPARE(wizard.mappingLine(), QString());
        QCOMPARE(wizard.answers.seen().size(), 1);
    }

    void padUnpluggedInTheMiddle()
    {
        TraceCapture traces;
        Wizard wizard("Wizard Unplugged Pad");
        QVERIFY(wizard.start());
        QVERIFY(wizard.perform({press(0), press(1)}, 0));
        QVERIFY(wizard.waitForRow(2));
        const int finishedBefore = traces.count("Worker process finished in Thread ");
        wizard.pad->detach();
        QVERIFY(QTest::qWaitFor([&] { return traces.count("Worker process finished in Thread ") > finishedBefore; }));
        QCOMPARE(wizard.mappingLine(), QString());
        QCOMPARE(wizard.answers.seen().size(), 1);
        // The wizard stays until the user leaves it; then the list no longer offers the pad.
        QVERIFY(wizard.fixture.button("cancelButton")->isVisible());
        QTest::mouseClick(wizard.fixture.button("cancelButton"), Qt::LeftButton);
        QCOMPARE(wizard.fixture.entries(), QStringList({"No gamepads found"}));
    }
};

int main(int argc, char** argv)
{
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    QApplication application(argc, argv);
    WizardTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_wizard.moc"
