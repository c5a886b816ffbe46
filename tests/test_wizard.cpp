// The mapping wizard end to end: the real window, the real worker thread and a virtual pad.

#include "mainwindow.h"
#include "modalanswerer.h"
#include "tracecapture.h"
#include "virtualpad.h"
#include "windowfixture.h"
#include "wizarddriver.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QtTest>
#include <SDL.h>
#include <functional>
#include <memory>

using namespace wizard;

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
        QCOMPARE(wizard.mappingLine(), QString(portableHead(*wizard.pad, "My Full Pad") + kFullPadBindings));
        QCOMPARE(wizard.answers.seen().last().title, QString("Stickwell v1.2"));
        QCOMPARE(wizard.answers.seen().last().text, QString("Enter gamepad name:"));
        QCOMPARE(wizard.answers.seen().last().inputText, QString("Wizard Full Pad"));

        // Back in normal mode, the pad is now mapped.
        QVERIFY(QTest::qWaitFor(
            [&] { return wizard.fixture.entries() == QStringList({"My Full Pad (mapping available)"}); }));
        QVERIFY(wizard.fixture.button("newBindings")->isVisible());
        QVERIFY(wizard.fixture.list()->isEnabled());
        QCOMPARE(wizard.visibleRow(), -1);

        // The restart into mapping mode was traced in order: the request, then the worker's switch.
        const QStringList order =
            traces.texts({"Request worker aborting in Thread ", "Aborting worker process in Thread ",
                          "Worker process finished in Thread ", "Request worker start in Thread ",
                          "Starting worker process in Thread "});
        const QStringList restart = {"Request worker aborting in Thread ", "Request worker start in Thread ",
                                     "Aborting worker process in Thread ",
                                     "Worker process finished in Thread ",
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
                 QString(portableHead(*wizard.pad, "Unknown Gamepad") +
                         "a:b0,b:b1,x:b2,y:b3,back:b6,start:b7,leftstick:b9,"
                         "rightstick:b10,leftshoulder:b4,rightshoulder:b5,dpup:h0.1,dpdown:h0.4,dpleft:h0.8,"
                         "dpright:h0.2,leftx:a0,lefty:a1,"));
    }

    // The status line names each step and its control, of 25 or, with the extras ticked, of 31; back in
    // normal mode it counts the gamepads again.
    void statusLineFollowsTheSteps_data()
    {
        QTest::addColumn<bool>("extras");
        QTest::addColumn<QString>("of");
        QTest::newRow("standard controls") << false << "of 25";
        QTest::newRow("extra controls ticked") << true << "of 31";
    }

    void statusLineFollowsTheSteps()
    {
        QFETCH(bool, extras);
        QFETCH(QString, of);
        Wizard wizard("Wizard Status Pad");
        QVERIFY(wizard.start(0, extras));
        QCOMPARE(wizard.answers.seen().first().checkBoxText,
                 QString("My gamepad has extra buttons (share, back paddles, touchpad)"));
        // The introduction names the wizard's buttons as the window shows them.
        const QString introduction = wizard.answers.seen().first().informativeText;
        for (const char* name : {"skipButton", "previousButton", "cancelButton"})
            QVERIFY2(introduction.contains("click '" + wizard.fixture.button(name)->text() + "' button"),
                     name);
        auto shows = [&](const QString& text) {
            return QTest::qWaitFor([&] { return wizard.fixture.status() == text; }, 5000);
        };
        QVERIFY(shows("Step 1 " + of + ": A (bottom face button)"));
        QVERIFY(wizard.perform({press(0), press(1), press(2)}, 0));
        QVERIFY(shows("Step 4 " + of + ": Y (top face button)"));
        QTest::mouseClick(wizard.fixture.button("previousButton"), Qt::LeftButton);
        QVERIFY(shows("Step 3 " + of + ": X (left face button)"));
        QTest::mouseClick(wizard.fixture.button("skipButton"), Qt::LeftButton);
        QVERIFY(shows("Step 4 " + of + ": Y (top face button)"));
        QTest::mouseClick(wizard.fixture.button("cancelButton"), Qt::LeftButton);
        QCOMPARE(wizard.fixture.status(), QString("Found 1 gamepad(s)"));
    }

    // Ticked, the wizard goes on past the right trigger to share, the four paddles and the touchpad;
    // SDL then reads those buttons through the saved mapping, and the picture lights them.
    void extraControls()
    {
        VirtualPad::Layout layout = padLayout("Wizard Extras Pad");
        layout.buttons = 20;
        Wizard wizard(layout);
        QVERIFY(wizard.start(0, true));
        wizard.answers.answerInput("My Extras Pad");
        QVERIFY(wizard.perform(fullPadSteps(), 0));
        QVERIFY(wizard.waitForRow(25));
        // Previous from the first extra row reopens the right trigger.
        QTest::mouseClick(wizard.fixture.button("previousButton"), Qt::LeftButton);
        QVERIFY(wizard.perform({move(RightTrigger, 32767, -32768), press(14), press(15), press(16), press(17),
                                press(18), press(19)},
                               24));
        QVERIFY(wizard.answers.waitAllAnswered());
        QVERIFY(QTest::qWaitFor([&] { return !wizard.mappingLine().isEmpty(); }));
        QCOMPARE(wizard.mappingLine(),
                 QString(portableHead(*wizard.pad, "My Extras Pad") + kFullPadBindings +
                         "misc1:b14,paddle1:b15,paddle2:b16,paddle3:b17,paddle4:b18,touchpad:b19,"));
        QVERIFY(QTest::qWaitFor(
            [&] { return wizard.fixture.entries() == QStringList({"My Extras Pad (mapping available)"}); }));

        SDL_GameController* controller = SDL_GameControllerOpen(wizard.pad->deviceIndex());
        QVERIFY(controller);
        for (int i = 0; i < 6; ++i) {
            const auto button = SDL_GameControllerButton(SDL_CONTROLLER_BUTTON_MISC1 + i);
            wizard.pad->setButton(14 + i, true);
            QVERIFY(QTest::qWaitFor([&] { return SDL_GameControllerGetButton(controller, button) == 1; }));
            QVERIFY2(wizard.waitForRow(25 + i), qPrintable(QString::number(wizard.visibleRow())));
            wizard.pad->setButton(14 + i, false);
            QVERIFY(wizard.waitForRow(-1));
        }
        SDL_GameControllerClose(controller);
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
        QVERIFY(!wizard.fixture.button("resetEnvVarButton")->isEnabled()); // nothing saved to reset
        // No mapping and no name dialog follow, even once the pad is pressed again.
        wizard.pad->pressButton(2);
        QTest::qWait(300);
        QCOMPARE(wizard.mappingLine(), QString());
        QCOMPARE(wizard.answers.seen().size(), 1);
    }

    void padUnpluggedInTheMiddle()
    {
        Wizard wizard("Wizard Unplugged Pad");
        QVERIFY(wizard.start());
        QVERIFY(wizard.perform({press(0), press(1)}, 0));
        QVERIFY(wizard.waitForRow(2));
        wizard.answers.answerMessage(QMessageBox::Ok);
        wizard.pad->detach();
        // The wizard ends by itself and says why; the list is true and hot-plug is followed again.
        QVERIFY(wizard.answers.waitAllAnswered());
        QCOMPARE(wizard.answers.seen().last().informativeText,
                 QString("The gamepad was unplugged: the new mapping was not finished"));
        QCOMPARE(wizard.visibleRow(), -1);
        QVERIFY(wizard.fixture.button("newBindings")->isVisible());
        QCOMPARE(wizard.fixture.entries(), QStringList({"No gamepads found"}));
        VirtualPad another(padLayout("Wizard Replugged Pad"));
        QVERIFY(another.attach());
        QVERIFY(QTest::qWaitFor(
            [&] { return wizard.fixture.entries() == QStringList({"Wizard Replugged Pad "}); }));
        QCOMPARE(wizard.mappingLine(), QString());
    }

    // Pads plugged in and out during the wizard move the rows: every way out of it must leave a true
    // list with the captured pad still selected.
    void hotPlugDuringTheWizard_data()
    {
        QTest::addColumn<QByteArray>("pad"); // a name of its own per row: a saved mapping stays with SDL
        QTest::addColumn<bool>("named");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("mapping saved")
            << QByteArray("Hotplug Saved Pad") << true
            << QStringList({"Hotplug Saved (mapping available)", "Hotplug Third Pad "});
        QTest::newRow("name dialog cancelled") << QByteArray("Hotplug Unnamed Pad") << false
                                               << QStringList({"Hotplug Unnamed Pad ", "Hotplug Third Pad "});
    }

    void hotPlugDuringTheWizard()
    {
        QFETCH(QByteArray, pad);
        QFETCH(bool, named);
        QFETCH(QStringList, entries);
        VirtualPad first(padLayout("Hotplug First Pad"));
        QVERIFY(first.attach());
        Wizard wizard(pad.constData());
        QVERIFY(wizard.start(1));
        first.detach();
        VirtualPad third(padLayout("Hotplug Third Pad"));
        QVERIFY(third.attach());
        wizard.answers.answerInput("Hotplug Saved", named);
        QVERIFY(wizard.perform(firstButtonOnlySteps(), 0));
        QVERIFY(wizard.answers.waitAllAnswered());
        QVERIFY2(QTest::qWaitFor([&] { return wizard.fixture.entries() == entries; }),
                 qPrintable(wizard.fixture.entries().join('|')));
        QCOMPARE(wizard.fixture.list()->currentIndex(), 0);
        QCOMPARE(SDL_JoystickInstanceID(MainWindowProbe::joystick(*wizard.fixture.window)),
                 wizard.pad->instanceId());
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
