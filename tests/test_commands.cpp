// The four clipboard and environment commands through the real window, a virtual pad and a temporary
// environment file: clipboard contents (read back from outside the process too), log lines, message
// boxes, the file and the button states.

#include "environmentcommands.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "testfiles.h"
#include "userenvironment.h"
#include "virtualpad.h"
#include "windowfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <SDL.h>
#include <memory>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const char* const kSetLinePrefix = "Setting environment variable \"SDL_GAMECONTROLLERCONFIG\" to \"";
const char* const kResetLine = "Resetting environment variable \"SDL_GAMECONTROLLERCONFIG\"";
const char* const kConfirmation =
    "This will set mapping for current gamepad as environment variable \"SDL_GAMECONTROLLERCONFIG\", so all "
    "SDL2 games will pick this mapping automatically. Continue?";
// The question when the file holds the line of the pad named replaced: it says so.
QString confirmationReplacing(const QString& replaced)
{
    return QString(kConfirmation)
        .replace("Continue?",
                 "It replaces the mapping for \"" + replaced + "\" that the variable holds now. Continue?");
}
const char* const kRestartAdvice = "You might need to restart your computer for the changes to take effect";
const char* const kSentinel = "clipboard before the command";

// Every pad gets a product id of its own, so that the mappings SDL keeps between tests never meet.
Uint16 nextProduct()
{
    static Uint16 product = 0x5801;
    return product++;
}

const QByteArray kPadBindings = "a:b0,b:b1,x:b2,y:b3,leftx:a0,lefty:a1,";

// A pad SDL knows no mapping for, or one whose GUID SDL is told a mapping for once it is attached.
std::unique_ptr<VirtualPad> attachPad(const QByteArray& name, bool mapped)
{
    VirtualPad::Layout layout;
    layout.name = name.constData();
    layout.product = nextProduct();
    layout.gameController = false;
    auto pad = std::make_unique<VirtualPad>(layout);
    if (!pad->attach())
        return nullptr;
    if (mapped) {
        // The GUID as SDL reports it, CRC inside: SDL's own text then differs from the portable line.
        const QByteArray mapping = pad->guidText() + "," + name + "," + kPadBindings;
        if (SDL_GameControllerAddMapping(mapping.constData()) < 0)
            return nullptr;
    }
    return pad;
}

// The line the commands hand out for a pad of attachPad: SDL's line in the portable form.
QByteArray portableLine(const VirtualPad& pad, const QByteArray& name)
{
    return pad.portableGuidText() + "," + name + ",platform:Linux," + pad.crcField() + "," + kPadBindings;
}

// Opens the window and waits for the update check to fail (nothing serves it), so no later log line
// comes from anything but the command under test.
bool openQuietly(WindowFixture& fixture)
{
    fixture.open();
    return QTest::qWaitFor(
        [&] {
            for (const QString& line : fixture.logLines())
                if (line.startsWith("Update check failed"))
                    return true;
            return false;
        },
        5000);
}

// The X clipboard as another client sees it. This process owns the selection and serves it from its
// event loop, so the loop must keep running while xclip waits for the answer.
bool externalClipboard(QByteArray* text)
{
    QProcess xclip;
    xclip.start("xclip", {"-o", "-selection", "clipboard"});
    if (!xclip.waitForStarted(5000))
        return false;
    if (!QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 5000)) {
        xclip.kill();
        xclip.waitForFinished(1000);
        return false;
    }
    *text = xclip.readAllStandardOutput();
    return xclip.exitStatus() == QProcess::NormalExit && xclip.exitCode() == 0;
}

void invokeSlot(MainWindow& window, const char* slot)
{
    QVERIFY2(QMetaObject::invokeMethod(&window, slot, Qt::DirectConnection), slot);
}

// Clicks an enabled button as the user would, or calls its slot by name when the button is disabled.
void runCommand(WindowFixture& fixture, const char* button)
{
    QPushButton* widget = fixture.button(button);
    if (widget->isEnabled() && widget->isVisible())
        QTest::mouseClick(widget, Qt::LeftButton);
    else
        invokeSlot(*fixture.window, QByteArray("on_" + QByteArray(button) + "_clicked").constData());
}

// Guards against boxes nobody expects: once the answerer has nothing queued, a box that shows is
// recorded and closed instead of blocking the test. It can also close the next box with Escape.
class BoxWatch
{
public:
    explicit BoxWatch(ModalAnswerer& answers) : m_answers(answers)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    void escapeNext() { ++m_escapes; }
    int escapesPending() const { return m_escapes; }

    QStringList escaped;    // informative texts of the boxes closed with Escape
    QStringList unexpected; // informative texts of the boxes nobody answered

private:
    void poll()
    {
        if (m_answers.pending() > 0)
            return;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (m_escapes > 0) {
            --m_escapes;
            escaped << box->informativeText();
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        unexpected << box->informativeText();
        box->reject();
    }

    ModalAnswerer& m_answers;
    QTimer m_timer;
    int m_escapes = 0;
};

// Standard output (fd 1) into a temporary file while in scope.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        m_file.open();
        fflush(stdout);
        m_saved = dup(1);
        dup2(m_file.handle(), 1);
    }
    ~StdoutCapture() { finish(); }
    QByteArray finish()
    {
        if (m_saved >= 0) {
            fflush(stdout);
            dup2(m_saved, 1);
            close(m_saved);
            m_saved = -1;
            m_file.seek(0);
            m_text = m_file.readAll();
        }
        return m_text;
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
    QByteArray m_text;
};

// Sets the variable in the program's own environment for the window's start (which alone does not
// offer Reset any more: no file holds it) and takes it away again.
void openWithProcessVariable(WindowFixture& fixture, bool enabled, bool* ok)
{
    if (enabled)
        setenv("SDL_GAMECONTROLLERCONFIG", "0000,Start Pad,a:b0,", 1);
    *ok = openQuietly(fixture);
    unsetenv("SDL_GAMECONTROLLERCONFIG");
}
} // namespace

class CommandsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        unsetenv("SDL_GAMECONTROLLERCONFIG");
        QCOMPARE(SDL_NumJoysticks(), 0);
    }

    void copyGuid_data()
    {
        QTest::addColumn<QByteArray>("padName");
        QTest::addColumn<bool>("mapped");
        QTest::addColumn<QByteArray>("shownName");
        QTest::newRow("mapped pad") << QByteArray("Commands Guid Pad") << true
                                    << QByteArray("Commands Guid Pad");
        QTest::newRow("mapped pad, UTF-8 name")
            << QByteArray("Pädchen ✓ Guid") << true << QByteArray("Pädchen ✓ Guid");
        QTest::newRow("unmapped pad: no name") << QByteArray("Commands Plain Pad") << false << QByteArray();
    }

    void copyGuid()
    {
        QFETCH(QByteArray, padName);
        QFETCH(bool, mapped);
        QFETCH(QByteArray, shownName);
        auto pad = attachPad(padName, mapped);
        QVERIFY(pad);
        WindowFixture fixture;
        QVERIFY(openQuietly(fixture));
        QVERIFY(fixture.button("copyIdButton")->isEnabled()); // mapped or not
        QVERIFY(MainWindowProbe::joystick(*fixture.window));

        ModalAnswerer answers;
        BoxWatch watch(answers);
        QGuiApplication::clipboard()->setText(kSentinel, QClipboard::Clipboard);
        const int before = fixture.logLines().size();
        answers.answerMessage(QMessageBox::Ok);
        runCommand(fixture, "copyIdButton");
        QVERIFY(answers.waitAllAnswered());

        const QString guid = QString::fromLatin1(pad->portableGuidText());
        QVERIFY2(QRegularExpression("^[0-9a-f]{32}$").match(guid).hasMatch(), qPrintable(guid));
        QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), guid);
        const QString name = QString::fromUtf8(shownName);
        QCOMPARE(fixture.logLines().mid(before),
                 QStringList({"The GUID for \"" + name + "\" is \"" + guid + "\""}));
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.seen().first().text, QString("Stickwell v1.2"));
        QCOMPARE(answers.seen().first().title, QString());
        QCOMPARE(answers.seen().first().informativeText,
                 QString("The GUID for \"" + name + "\" copied to a clipboard buffer"));
        QVERIFY(watch.unexpected.isEmpty());

        if (QStandardPaths::findExecutable("xclip").isEmpty())
            QSKIP("xclip is not installed: the clipboard is not read back from outside");
        QByteArray outside;
        QVERIFY(externalClipboard(&outside));
        QCOMPARE(outside, guid.toLatin1());
    }

    void copyMapping_data()
    {
        QTest::addColumn<QByteArray>("padName");
        QTest::newRow("plain name") << QByteArray("Commands Mapping Pad");
        QTest::newRow("UTF-8 name") << QByteArray("Pädchen ✓ Mapping");
    }

    void copyMapping()
    {
        QFETCH(QByteArray, padName);
        auto pad = attachPad(padName, true);
        QVERIFY(pad);
        WindowFixture fixture;
        QVERIFY(openQuietly(fixture));
        QVERIFY(fixture.button("copyBindingsButton")->isEnabled());

        ModalAnswerer answers;
        BoxWatch watch(answers);
        QGuiApplication::clipboard()->setText(kSentinel, QClipboard::Clipboard);
        const int before = fixture.logLines().size();
        answers.answerMessage(QMessageBox::Ok);
        QTest::mouseClick(fixture.button("copyBindingsButton"), Qt::LeftButton);
        QVERIFY(answers.waitAllAnswered());

        const QByteArray mapping = portableLine(*pad, padName);
        QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), QString::fromUtf8(mapping));
        const QString name = QString::fromUtf8(padName);
        QCOMPARE(fixture.logLines().mid(before), QStringList({"Mapping string for \"" + name + "\" is \"" +
                                                              QString::fromUtf8(mapping) + "\""}));
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.seen().first().text, QString("Stickwell v1.2"));
        QCOMPARE(answers.seen().first().informativeText,
                 QString("Mapping string for \"" + name + "\" copied to a clipboard buffer"));
        QVERIFY(watch.unexpected.isEmpty());

        if (QStandardPaths::findExecutable("xclip").isEmpty())
            QSKIP("xclip is not installed: the clipboard is not read back from outside");
        QByteArray outside;
        QVERIFY(externalClipboard(&outside));
        QCOMPARE(outside, mapping);
    }

    // The Steam menu through the window: add puts the pad's own line into Steam's configuration and
    // remove takes it out again, every other byte kept; without an installation only the launch option
    // is offered. (The editing rules themselves are test_steam's.)
    void steamMenu_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::newRow("Steam installed") << true;
        QTest::newRow("no Steam") << false;
    }

    void steamMenu()
    {
        QFETCH(bool, installed);
        const QByteArray padName = "Commands Steam Pad";
        auto pad = attachPad(padName, true);
        QVERIFY(pad);
        WindowFixture fixture;
        const QString config = fixture.root.filePath("home/.local/share/Steam/config/config.vdf");
        const QByteArray original =
            "\"InstallConfigStore\"\n{\n\t\"Software\"\n\t{\n\t\t\"Valve\"\t\t\"1\"\n\t}\n}\n";
        if (installed) {
            QVERIFY(QDir().mkpath(QFileInfo(config).path()));
            QVERIFY(writeFile(config, original));
        }
        QVERIFY(openQuietly(fixture));
        auto* steam = fixture.window->findChild<QToolButton*>("steamButton");
        QVERIFY(steam && steam->isEnabled() && steam->menu());
        const QList<QAction*> actions = steam->menu()->actions();
        QCOMPARE(actions[0]->isEnabled(), installed);
        QCOMPARE(actions[1]->isEnabled(), installed);
        QVERIFY(actions[2]->isEnabled());
        if (!installed)
            return;

        ModalAnswerer answers;
        answers.answerMessage(QMessageBox::Ok);
        actions[0]->trigger();
        QVERIFY(answers.waitAllAnswered());
        const QByteArray line = portableLine(*pad, padName);
        QCOMPARE(readFile(config),
                 "\"InstallConfigStore\"\n{\n\t\"Software\"\n\t{\n\t\t\"Valve\"\t\t\"1\"\n\t}\n"
                 "\t\"SDL_GamepadBind\"\t\t\"" +
                     line + "\"\n}\n");
        QVERIFY(
            fixture.logLines().contains("Adding the mapping to Steam: '" + QString::fromUtf8(line) + "'"));

        answers.answerMessage(QMessageBox::Ok);
        actions[1]->trigger();
        QVERIFY(answers.waitAllAnswered());
        QVERIFY(!readFile(config).contains(line));
        QCOMPARE(readFile(config + ".stickwell-backup"), original);
    }

    void commandsWithoutTheirHandleDoNothing_data()
    {
        QTest::addColumn<bool>("withPad");
        QTest::addColumn<QStringList>("buttons");
        QTest::newRow("no pad") << false
                                << QStringList({"copyIdButton", "copyBindingsButton", "setEnvVarButton"});
        QTest::newRow("unmapped pad") << true << QStringList({"copyBindingsButton", "setEnvVarButton"});
    }

    void commandsWithoutTheirHandleDoNothing()
    {
        QFETCH(bool, withPad);
        QFETCH(QStringList, buttons);
        std::unique_ptr<VirtualPad> pad;
        if (withPad) {
            pad = attachPad("Commands Idle Pad", false);
            QVERIFY(pad);
        }
        WindowFixture fixture;
        const QByteArray content = "PATH=\"/usr/bin\"\nSDL_GAMECONTROLLERCONFIG=old\n";
        QVERIFY(writeFile(fixture.settings.environmentFile, content));
        QVERIFY(openQuietly(fixture));
        QCOMPARE(MainWindowProbe::joystick(*fixture.window) != nullptr, withPad);
        QVERIFY(!MainWindowProbe::controller(*fixture.window));

        ModalAnswerer answers;
        BoxWatch watch(answers);
        QGuiApplication::clipboard()->setText(kSentinel, QClipboard::Clipboard);
        const QStringList log = fixture.logLines();
        for (const QString& button : buttons) {
            const QByteArray name = button.toLatin1();
            QVERIFY2(!fixture.button(name.constData())->isEnabled(), name.constData());
            invokeSlot(*fixture.window, QByteArray("on_" + name + "_clicked").constData());
            QTest::qWait(50); // room for a box that should not come
            QVERIFY2(watch.unexpected.isEmpty(), qPrintable(watch.unexpected.join(" | ")));
            QCOMPARE(fixture.logLines(), log);
            QCOMPARE(QGuiApplication::clipboard()->text(QClipboard::Clipboard), QString(kSentinel));
            QCOMPARE(readFile(fixture.settings.environmentFile), content);
            QVERIFY(fixture.button("resetEnvVarButton")->isEnabled()); // the file holds the variable
        }
    }

    void setConfirmed_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("kept");
        QTest::newRow("old value replaced, other lines kept")
            << QByteArray(
                   "PATH=\"/usr/local/bin:/usr/bin\"\nSDL_GAMECONTROLLERCONFIG=0300,Old,a:b1,\nLANG=C\n")
            << QByteArray("PATH=\"/usr/local/bin:/usr/bin\"\nLANG=C\n");
        QTest::newRow("empty file") << QByteArray() << QByteArray();
        QTest::newRow("last line without newline") << QByteArray("LANG=C") << QByteArray("LANG=C\n");
    }

    void setConfirmed()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, kept);
        auto pad = attachPad("Commands Set Pad", true);
        QVERIFY(pad);
        WindowFixture fixture;
        QVERIFY(writeFile(fixture.settings.environmentFile, content));
        QVERIFY(openQuietly(fixture));
        QVERIFY(fixture.button("setEnvVarButton")->isEnabled());
        QCOMPARE(fixture.button("resetEnvVarButton")->isEnabled(),
                 content.contains("SDL_GAMECONTROLLERCONFIG="));

        ModalAnswerer answers;
        BoxWatch watch(answers);
        const int before = fixture.logLines().size();
        answers.answerMessage(QMessageBox::Yes);
        QTest::mouseClick(fixture.button("setEnvVarButton"), Qt::LeftButton);
        QVERIFY(answers.waitAllAnswered());
        QTest::qWait(50); // no box follows the write
        QVERIFY2(watch.unexpected.isEmpty(), qPrintable(watch.unexpected.join(" | ")));

        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.seen().first().text, QString("Stickwell v1.2"));
        // Setting this pad drops the line of the pad that had the variable before: the question says so.
        QCOMPARE(answers.seen().first().informativeText, content.contains("SDL_GAMECONTROLLERCONFIG=")
                                                             ? confirmationReplacing("Old")
                                                             : QString(kConfirmation));
        const QByteArray mapping = portableLine(*pad, "Commands Set Pad");
        QCOMPARE(readFile(fixture.settings.environmentFile),
                 kept + "SDL_GAMECONTROLLERCONFIG=" + mapping + "\n");
        QVERIFY(!QFileInfo::exists(fixture.settings.environmentFile + "_new"));
        QCOMPARE(fixture.logLines().mid(before),
                 QStringList({kSetLinePrefix + QString::fromUtf8(mapping) + "\""}));
        QVERIFY(fixture.button("resetEnvVarButton")->isEnabled());
        // The program's own environment stays as it was started.
        QVERIFY(qgetenv("SDL_GAMECONTROLLERCONFIG").isEmpty());
    }

    // Set writes the line of the pad its question was about: unplugged while the question shows, the pad
    // is neither swapped for the one selected then nor for an empty value when none is left.
    void setWritesTheLineItAskedAbout_data()
    {
        QTest::addColumn<bool>("another"); // a second pad stays and takes the selection
        QTest::newRow("another pad stays") << true;
        QTest::newRow("no pad left") << false;
    }

    void setWritesTheLineItAskedAbout()
    {
        QFETCH(bool, another);
        auto first = attachPad("Commands Unplugged Pad", true);
        QVERIFY(first);
        std::unique_ptr<VirtualPad> second;
        if (another) {
            second = attachPad("Commands Remaining Pad", true);
            QVERIFY(second);
        }
        WindowFixture fixture;
        QVERIFY(writeFile(fixture.settings.environmentFile, "PATH=\"/usr/bin\"\n"));
        QVERIFY(openQuietly(fixture));
        QCOMPARE(fixture.list()->currentIndex(), 0);
        const QByteArray line = portableLine(*first, "Commands Unplugged Pad");
        const QStringList left = another ? QStringList({"Commands Remaining Pad (mapping available)"})
                                         : QStringList({"No gamepads found"});

        // The pad goes once the question shows; Yes once the list has followed.
        QTimer driver;
        driver.setInterval(10);
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            if (first->isAttached())
                first->detach();
            else if (fixture.entries() == left || clock.elapsed() > 5000)
                box->button(QMessageBox::Yes)->click();
        });
        driver.start();
        QTest::mouseClick(fixture.button("setEnvVarButton"), Qt::LeftButton);
        QCOMPARE(fixture.entries(), left);
        QCOMPARE(readFile(fixture.settings.environmentFile),
                 "PATH=\"/usr/bin\"\nSDL_GAMECONTROLLERCONFIG=" + line + "\n");
    }

    void setDeclined_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("No") << "no";
        QTest::newRow("Escape key") << "escape";
        QTest::newRow("closed") << "close";
    }

    void setDeclined()
    {
        QFETCH(QString, how);
        auto pad = attachPad("Commands Declined Pad", true);
        QVERIFY(pad);
        WindowFixture fixture;
        const QByteArray content = "PATH=\"/usr/bin\"\nSDL_GAMECONTROLLERCONFIG=0300,Old,a:b1,\n";
        QVERIFY(writeFile(fixture.settings.environmentFile, content));
        QVERIFY(openQuietly(fixture));
        QVERIFY(fixture.button("resetEnvVarButton")->isEnabled());

        ModalAnswerer answers;
        BoxWatch watch(answers);
        const QStringList log = fixture.logLines();
        if (how == "no")
            answers.answerMessage(QMessageBox::No);
        else if (how == "close")
            answers.answerMessage(QMessageBox::NoButton);
        else
            watch.escapeNext();
        QTest::mouseClick(fixture.button("setEnvVarButton"), Qt::LeftButton);
        QVERIFY(answers.waitAllAnswered());
        QVERIFY(QTest::qWaitFor([&] { return watch.escapesPending() == 0; }, 5000));
        QTest::qWait(50);

        QStringList shown = watch.escaped;
        for (const ModalAnswerer::Seen& seen : answers.seen())
            shown << seen.informativeText;
        QCOMPARE(shown, QStringList({confirmationReplacing("Old")}));
        QVERIFY2(watch.unexpected.isEmpty(), qPrintable(watch.unexpected.join(" | ")));
        QCOMPARE(readFile(fixture.settings.environmentFile), content);
        QCOMPARE(fixture.logLines(), log);
        QVERIFY(fixture.button("resetEnvVarButton")->isEnabled());
    }

    void reset_data()
    {
        QTest::addColumn<bool>("withPad");
        QTest::addColumn<bool>("processEnvironment"); // the program starts with the variable set
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray withLine = "PATH=\"/usr/bin\"\nSDL_GAMECONTROLLERCONFIG=0300,Old,a:b1,\nLANG=C\n";
        const QByteArray withoutLine = "PATH=\"/usr/bin\"\nLANG=C\n";
        QTest::newRow("line removed, mapped pad") << true << false << withLine << withoutLine;
        QTest::newRow("line removed, no pad") << false << true << withLine << withoutLine;
        QTest::newRow("no line, no pad: button disabled, runs all the same")
            << false << false << withoutLine << withoutLine;
        QTest::newRow("no line, only the process has it: button disabled")
            << false << true << withoutLine << withoutLine;
    }

    void reset()
    {
        QFETCH(bool, withPad);
        QFETCH(bool, processEnvironment);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, expected);
        std::unique_ptr<VirtualPad> pad;
        if (withPad) {
            pad = attachPad("Commands Reset Pad", true);
            QVERIFY(pad);
        }
        WindowFixture fixture;
        QVERIFY(writeFile(fixture.settings.environmentFile, content));
        bool opened = false;
        openWithProcessVariable(fixture, processEnvironment, &opened);
        QVERIFY(opened);
        // Offered only when a file holds a value to remove.
        QCOMPARE(fixture.button("resetEnvVarButton")->isEnabled(), content != expected);

        ModalAnswerer answers;
        BoxWatch watch(answers);
        const int before = fixture.logLines().size();
        answers.answerMessage(QMessageBox::Ok);
        runCommand(fixture, "resetEnvVarButton");
        QVERIFY(answers.waitAllAnswered());
        QVERIFY2(watch.unexpected.isEmpty(), qPrintable(watch.unexpected.join(" | ")));

        QCOMPARE(readFile(fixture.settings.environmentFile), expected);
        QVERIFY(!QFileInfo::exists(fixture.settings.environmentFile + "_new"));
        QCOMPARE(fixture.logLines().mid(before), QStringList({kResetLine}));
        QCOMPARE(answers.seen().size(), 1);
        QCOMPARE(answers.seen().first().text, QString("Stickwell v1.2"));
        QCOMPARE(answers.seen().first().informativeText, QString(kRestartAdvice));
        QVERIFY(!fixture.button("resetEnvVarButton")->isEnabled());
    }

    void failedEditIsReported_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("processEnvironment");
        QTest::newRow("set, file missing") << "set"
                                           << "environment" << false;
        QTest::newRow("set, directory missing") << "set"
                                                << "missing/environment" << false;
        QTest::newRow("reset, file missing") << "reset"
                                             << "environment" << true;
        QTest::newRow("reset, directory missing") << "reset"
                                                  << "missing/environment" << true;
    }

    void failedEditIsReported()
    {
        QFETCH(QString, command);
        QFETCH(QString, where);
        QFETCH(bool, processEnvironment);
        auto pad = attachPad("Commands Failing Pad", true);
        QVERIFY(pad);
        WindowFixture fixture;
        const QString path = fixture.root.filePath(where);
        fixture.settings.environmentFile = path;
        QVERIFY(!QFileInfo::exists(path));
        bool opened = false;
        openWithProcessVariable(fixture, processEnvironment, &opened);
        QVERIFY(opened);
        QVERIFY(!fixture.button("resetEnvVarButton")->isEnabled()); // no file holds the variable

        ModalAnswerer answers;
        BoxWatch watch(answers);
        const int before = fixture.logLines().size();
        const bool set = command == "set";
        if (set)
            answers.answerMessage(QMessageBox::Yes);
        answers.answerMessage(QMessageBox::Ok);
        StdoutCapture output;
        runCommand(fixture, set ? "setEnvVarButton" : "resetEnvVarButton");
        QVERIFY(answers.waitAllAnswered());
        const QByteArray printed = output.finish();
        QVERIFY2(watch.unexpected.isEmpty(), qPrintable(watch.unexpected.join(" | ")));

        const QStringList lines = fixture.logLines().mid(before);
        QCOMPARE(lines.size(), 2);
        const QString mapping = QString::fromUtf8(portableLine(*pad, "Commands Failing Pad"));
        QCOMPARE(lines.at(0), set ? kSetLinePrefix + mapping + "\"" : QString(kResetLine));
        const QString error = lines.at(1);
        QVERIFY2(error.startsWith("Error: Can't open " + path), qPrintable(error));

        QCOMPARE(answers.seen().size(), set ? 2 : 1);
        if (set)
            QCOMPARE(answers.seen().first().informativeText, QString(kConfirmation));
        QCOMPARE(answers.seen().last().text, QString("Stickwell v1.2"));
        // The box says what failed, and what to do about it.
        QCOMPARE(answers.seen().last().informativeText, error.mid(7) + ". Run 'sudo stickwell'");

        QVERIFY(!fixture.button("resetEnvVarButton")->isEnabled());
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!QFileInfo::exists(path + "_new"));

        QVERIFY2(
            ("\n" + printed)
                .contains("\nERROR: Can't open file " + QFile::encodeName(path) + ". Run 'sudo stickwell'\n"),
            printed.constData());
        QVERIFY2(printed.contains("[LOG] " + error.toUtf8() + "\n"), printed.constData());
    }

    void buttonStatesAcrossModes_data()
    {
        QTest::addColumn<bool>("mapped");
        QTest::newRow("mapped pad") << true;
        QTest::newRow("unmapped pad") << false;
    }

    void buttonStatesAcrossModes()
    {
        QFETCH(bool, mapped);
        auto pad = attachPad(mapped ? "Commands Mode Pad" : "Commands Mode Plain Pad", mapped);
        QVERIFY(pad);
        WindowFixture fixture;
        QVERIFY(writeFile(fixture.settings.environmentFile, "PATH=\"/usr/bin\"\n"));
        QVERIFY(openQuietly(fixture));
        QPushButton* setButton = fixture.button("setEnvVarButton");
        QPushButton* resetButton = fixture.button("resetEnvVarButton");
        QCOMPARE(setButton->isEnabled(), mapped);
        QVERIFY(!resetButton->isEnabled());

        ModalAnswerer answers;
        BoxWatch watch(answers);
        auto enterMappingMode = [&] {
            answers.answerMessage(QMessageBox::Ok);
            QTest::mouseClick(fixture.button("newBindings"), Qt::LeftButton);
            return answers.waitAllAnswered();
        };
        auto inMappingMode = [&] {
            return !setButton->isEnabled() && !resetButton->isEnabled() &&
                   !fixture.button("copyIdButton")->isVisible() &&
                   !fixture.button("copyBindingsButton")->isVisible();
        };

        // Nothing saved: the return to normal mode leaves Reset disabled.
        QVERIFY(enterMappingMode());
        QVERIFY(inMappingMode());
        QTest::mouseClick(fixture.button("cancelButton"), Qt::LeftButton);
        QCOMPARE(setButton->isEnabled(), mapped);
        QVERIFY(!resetButton->isEnabled());

        // A saved value: the return offers Reset again; after the reset, the next return does not.
        QVERIFY(
            writeFile(fixture.settings.environmentFile, "PATH=\"/usr/bin\"\nSDL_GAMECONTROLLERCONFIG=x\n"));
        QVERIFY(enterMappingMode());
        QVERIFY(inMappingMode());
        QTest::mouseClick(fixture.button("cancelButton"), Qt::LeftButton);
        QVERIFY(resetButton->isEnabled());
        answers.answerMessage(QMessageBox::Ok);
        QTest::mouseClick(resetButton, Qt::LeftButton);
        QVERIFY(answers.waitAllAnswered());
        QVERIFY(!resetButton->isEnabled());
        QVERIFY(enterMappingMode());
        QVERIFY(inMappingMode());
        QTest::mouseClick(fixture.button("cancelButton"), Qt::LeftButton);
        QCOMPARE(setButton->isEnabled(), mapped);
        QVERIFY(!resetButton->isEnabled());

        // The end of a capture returns too, and rebuilds the list; the pad then has a mapping, so Set
        // is offered, and Reset follows the file.
        QVERIFY(writeFile(fixture.settings.environmentFile, "SDL_GAMECONTROLLERCONFIG=x\n"));
        QVERIFY(enterMappingMode());
        QVERIFY(inMappingMode());
        answers.answerInput("Commands Captured Pad");
        CapturedBindings captured; // a:b0,b:b1
        captured.bindings[0] = {INPUT_BUTTON, 0, 0, 0, 1};
        captured.bindings[1] = {INPUT_BUTTON, 1, 0, 0, 1};
        emit MainWindowProbe::worker(*fixture.window)->mappingReady(captured);
        QVERIFY(answers.waitAllAnswered());
        QVERIFY(
            QTest::qWaitFor([&] { return fixture.list()->currentText().endsWith("(mapping available)"); }));
        QVERIFY(fixture.button("copyIdButton")->isVisible());
        QVERIFY(setButton->isEnabled());
        QVERIFY(resetButton->isEnabled());
        QVERIFY2(watch.unexpected.isEmpty(), qPrintable(watch.unexpected.join(" | ")));
    }

    // Without root, the mapping goes to the per-user file, and the system file is not touched.
    void perUserRoute()
    {
        const QByteArray padName = "Commands $HOME `User` \"Pad\" \\";
        auto pad = attachPad(padName, true);
        QVERIFY(pad);
        WindowFixture fixture;
        fixture.settings.runningAsRoot = false;
        const QByteArray system = "PATH=\"/usr/bin\"\n";
        const QString systemFile = fixture.settings.environmentFile;
        QVERIFY(writeFile(systemFile, system));
        struct stat systemBefore;
        QCOMPARE(::stat(QFile::encodeName(systemFile).constData(), &systemBefore), 0);
        auto systemUntouched = [&] {
            struct stat now;
            return ::stat(QFile::encodeName(systemFile).constData(), &now) == 0 &&
                   now.st_ino == systemBefore.st_ino && readFile(systemFile) == system;
        };
        const QString userFile = fixture.settings.configHome + "/environment.d/99-stickwell.conf";
        QVERIFY(openQuietly(fixture));
        QVERIFY(!fixture.button("resetEnvVarButton")->isEnabled());

        ModalAnswerer answers;
        BoxWatch watch(answers);
        int before = fixture.logLines().size();
        // Unticked, the box sets the line; ticked (as it comes), the user's mapping file.
        answers.answerMessage(QMessageBox::Yes, false);
        QTest::mouseClick(fixture.button("setEnvVarButton"), Qt::LeftButton);
        QVERIFY(answers.waitAllAnswered());
        const QString confirmation = answers.seen().last().informativeText;
        QVERIFY2(confirmation.contains(userFile) && confirmation.contains("after your next login"),
                 qPrintable(confirmation));
        QCOMPARE(answers.seen().last().checkBoxText, QString(EnvironmentCommands::kAllMappingsOption));
        const QByteArray mapping = portableLine(*pad, padName);
        QCOMPARE(
            fixture.logLines().mid(before),
            QStringList({kSetLinePrefix + QString::fromUtf8(mapping) + "\"",
                         "Saved for your user in " + userFile + "; it takes effect at your next login"}));
        QVERIFY(fixture.button("resetEnvVarButton")->isEnabled());
        QVERIFY(systemUntouched());
        if (QFileInfo::exists(kEnvironmentGenerator))
            QCOMPARE(userEnvironmentValue(fixture.settings.configHome, "SDL_GAMECONTROLLERCONFIG"), mapping);
        answers.answerMessage(QMessageBox::Yes);
        QTest::mouseClick(fixture.button("setEnvVarButton"), Qt::LeftButton);
        QVERIFY(answers.waitAllAnswered());
        const QString mappingFile = fixture.settings.dataDirectory + "/gamecontrollerdb.local.txt";
        QVERIFY(readFile(mappingFile).contains(mapping));
        if (QFileInfo::exists(kEnvironmentGenerator))
            QCOMPARE(userEnvironmentValue(fixture.settings.configHome, "SDL_GAMECONTROLLERCONFIG_FILE"),
                     QFile::encodeName(mappingFile));

        // The next start says where the saved value comes from, and offers Reset.
        fixture.close();
        QVERIFY(openQuietly(fixture));
        QVERIFY(fixture.logLines().contains(
            "Environment variable \"SDL_GAMECONTROLLERCONFIG\" is saved for your user in " + userFile));
        QVERIFY(fixture.button("resetEnvVarButton")->isEnabled());

        answers.answerMessage(QMessageBox::Ok);
        QTest::mouseClick(fixture.button("resetEnvVarButton"), Qt::LeftButton);
        QVERIFY(answers.waitAllAnswered());
        QCOMPARE(answers.seen().last().informativeText,
                 QString("The change takes effect at your next login"));
        QVERIFY(!readFile(userFile).contains("SDL_GAMECONTROLLERCONFIG"));
        QVERIFY(!fixture.button("resetEnvVarButton")->isEnabled());
        QVERIFY(systemUntouched());

        // A failure says why, without advice to run as root, which would not help.
        QVERIFY(QFile::remove(userFile));
        QVERIFY(QDir().mkdir(userFile));
        before = fixture.logLines().size();
        answers.answerMessage(QMessageBox::Yes);
        answers.answerMessage(QMessageBox::Ok);
        QTest::mouseClick(fixture.button("setEnvVarButton"), Qt::LeftButton);
        QVERIFY(answers.waitAllAnswered());
        const QString reason = answers.seen().last().informativeText;
        QVERIFY2(reason.contains("not a regular file") && !reason.contains("sudo"), qPrintable(reason));
        QCOMPARE(fixture.logLines().mid(before).last(), "Error: " + reason);
        QVERIFY(!fixture.button("resetEnvVarButton")->isEnabled());
        QVERIFY(systemUntouched());
        QVERIFY2(watch.unexpected.isEmpty(), qPrintable(watch.unexpected.join(" | ")));
    }
};

int main(int argc, char** argv)
{
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    QApplication application(argc, argv);
    CommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_commands.moc"
