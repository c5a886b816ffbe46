// The session layer without a window: a finished capture's way to its line, the save pipeline, the
// update policy and the Set command's question, over virtual pads, temporary files and scripted answers.

#include "bindingfields.h"
#include "databaseupdate.h"
#include "environmentcommands.h"
#include "environmentfile.h"
#include "gameprobe.h"
#include "mappingsession.h"
#include "mappingstore.h"
#include "padroster.h"
#include "scripteddialogs.h"
#include "sdlpollevent.h"
#include "testfiles.h"
#include "userenvironment.h"
#include "virtualpad.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <SDL.h>
#include <memory>
#include <optional>

namespace
{
const char* const kNameSimplified = "The name was simplified there: \"#\", \"$\", \"\\\" and "
                                    "quotes became blanks, as pam_env and systemd read "
                                    "them differently";
// A GUID of its own for each number, so that the lines SDL keeps between rows never meet.
QByteArray testGuid(int n)
{
    return "03000000" + QByteArray::number(n, 16).rightJustified(4, '0') + QByteArray(20, '0');
}

// Every pad gets a product id of its own, for the same reason.
std::unique_ptr<VirtualPad> attachPad(const char* name)
{
    static Uint16 product = 0x5c01;
    VirtualPad::Layout layout;
    layout.name = name;
    layout.product = product++;
    layout.gameController = false;
    auto pad = std::make_unique<VirtualPad>(layout);
    return pad->attach() ? std::move(pad) : nullptr;
}

template <typename Source> void collect(Source* source, QStringList* lines)
{
    QObject::connect(source, &Source::logged, [lines](const QString& line) { *lines << line; });
}

// One session as the window holds it: the roster, the store in a temporary data directory, the
// session with its worker, the update, all answering to scripted dialogs.
struct Session {
    QTemporaryDir root;
    ScriptedDialogs dialogs;
    MappingStore store{QUrl("http://127.0.0.1:9/gamecontrollerdb.php"), 30000};
    PadRoster roster{&store};
    MappingSession session{roster, store, dialogs};
    DatabaseUpdate update{session, store, dialogs};
    QStringList log; // every part's lines, in order
    QList<StoreResult> stored;

    explicit Session(bool usable = true)
    {
        collect(&roster, &log);
        collect(&store, &log);
        collect(&session, &log);
        collect(&update, &log);
        QObject::connect(&session, &MappingSession::stored, [this](const StoreResult& r) { stored << r; });
        writeFile(root.filePath("seed"), "# seed\n" + testGuid(1) + ",Seed Pad,a:b0,platform:Linux,\n");
        writeFile(root.filePath("in the way"), "a file");
        store.open(root.filePath(usable ? "data" : "in the way/data"), root.filePath("seed"));
        roster.rebuild();
        session.start();
    }
    QString dataFile(const char* name) const { return root.filePath(QString("data/") + name); }
    bool said(const QString& prefix, int from) const
    {
        for (const QString& line : log.mid(from))
            if (line.startsWith(prefix))
                return true;
        return false;
    }
};
} // namespace

class SessionTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qunsetenv("SDL_GAMECONTROLLERCONFIG");
        QCOMPARE(SDL_NumJoysticks(), 0);
    }

    // A new mapping and a single-control fix take one way to their line: the pad's identity (portable
    // GUID, its crc:), the name (typed, or the pad's own for a fix) and the captured bindings.
    void capturedLine_data()
    {
        QTest::addColumn<QByteArray>("before");   // the pad's bindings in SDL; empty: no mapping, a wizard
        QTest::addColumn<QByteArray>("captured"); // the bindings the worker hands over
        QTest::addColumn<QStringList>("names");   // typed in turn; "<cancel>" cancels the dialog
        QTest::addColumn<QByteArray>("expected"); // name and bindings of the stored line; empty: none

        using Names = QStringList;
        QTest::newRow("new mapping: the typed name")
            << QByteArray() << QByteArray("a:b0,b:b1,+leftx:+a0,") << Names{"My Pad"}
            << QByteArray("My Pad,platform:Linux,CRC,a:b0,b:b1,+leftx:+a0,");
        QTest::newRow("new mapping: a refused name is asked again as typed")
            << QByteArray() << QByteArray("a:b0,") << Names{"Pad, two", "Pad two"}
            << QByteArray("Pad two,platform:Linux,CRC,a:b0,");
        QTest::newRow("new mapping: cancelled name stores nothing")
            << QByteArray() << QByteArray("a:b0,") << Names{"<cancel>"} << QByteArray();
        QTest::newRow("fix: the row replaced, the name and other rows kept")
            << QByteArray("Fix Pad,a:b0,b:b5,x:b2,") << QByteArray("a:b0,b:b1,x:b2,") << Names()
            << QByteArray("Fix Pad,platform:Linux,CRC,a:b0,b:b1,x:b2,");
        QTest::newRow("fix: Skip removes the row's binding")
            << QByteArray("Fix Pad,a:b0,b:b5,x:b2,") << QByteArray("a:b0,x:b2,") << Names()
            << QByteArray("Fix Pad,platform:Linux,CRC,a:b0,x:b2,");
    }

    void capturedLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, captured);
        QFETCH(QStringList, names);
        QFETCH(QByteArray, expected);
        auto pad = attachPad("Session Line Pad");
        QVERIFY(pad);
        if (!before.isEmpty())
            QVERIFY(SDL_GameControllerAddMapping(pad->guidText() + "," + before) >= 0);
        Session s;
        for (const QString& name : names)
            s.dialogs.setNextName(name == "<cancel>" ? std::nullopt : std::optional<QString>(name));
        if (before.isEmpty())
            s.session.beginWizard(STANDARD_ROWS);
        else
            QVERIFY(s.session.startRecapture(1));
        QVERIFY(s.session.mode() != MappingSession::Mode::Idle);
        // The capture is over before anything is asked: hot-plug is followed again meanwhile.
        QList<MappingSession::Mode> modes;
        s.dialogs.whileShown = [&] { modes << s.session.mode(); };
        CapturedBindings bindings;
        parseBindingFields(captured.split(','), bindings.bindings, nullptr);
        emit s.session.worker()->mappingReady(bindings);

        QCOMPARE(s.session.mode(), MappingSession::Mode::Idle);
        QVERIFY(!modes.contains(MappingSession::Mode::Wizard));
        const QString localFile = s.dataFile("gamecontrollerdb.local.txt");
        if (expected.isEmpty()) {
            QVERIFY(s.stored.isEmpty());
            QVERIFY(!QFile::exists(localFile));
            return;
        }
        const QByteArray line = pad->portableGuidText() + "," + expected.replace("CRC", pad->crcField());
        QCOMPARE(s.stored.size(), 1);
        QCOMPARE(s.stored.first().line, line);
        QCOMPARE(readFile(localFile), line + "\n");
        // The name dialog offers the pad's name first; a refused name is said why, then offered again.
        QStringList kinds, offered;
        for (const ScriptedDialogs::Seen& seen : s.dialogs.seen) {
            kinds << seen.kind;
            if (seen.kind == "name")
                offered << seen.text;
        }
        QCOMPARE(kinds.join(' '), QString(names.size() > 1  ? "name tell name"
                                          : names.isEmpty() ? ""
                                                            : "name"));
        if (!names.isEmpty())
            QCOMPARE(offered.first(), QString("Session Line Pad"));
        if (names.size() > 1)
            QCOMPARE(offered.at(1), names.first());
        // The list is rebuilt with the new line, and the pad still held.
        QCOMPARE(s.roster.joystick(), pad->joystick());
        QVERIFY(s.roster.selectedIsMapped());
    }

    // What storing a line does: the file, SDL, the session's lines, and what is said.
    void store_data()
    {
        QTest::addColumn<bool>("usable");         // the data directory
        QTest::addColumn<QByteArray>("line");     // {G}: the test's GUID
        QTest::addColumn<QByteArray>("variable"); // SDL_GAMECONTROLLERCONFIG; empty: unset
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("registered");
        QTest::addColumn<QString>("said"); // a log line that must come, after the line itself; empty: none

        const QByteArray line = "{G},Stored Pad,platform:Linux,a:b0,b:b1,";
        QTest::newRow("saved and registered") << true << line << QByteArray() << true << true << QString();
        QTest::newRow("no data directory: said, registered all the same")
            << false << line << QByteArray() << false << true
            << "Error: can't save the mapping in gamecontrollerdb.local.txt: the data directory cannot be "
               "used";
        QTest::newRow("refused by SDL: said, not a session line")
            << true << QByteArray("{G},Stored Pad") << QByteArray() << true << false
            << "Error: SDL did not take the mapping: ";
        QTest::newRow("the variable holds another line for the pad: noted")
            << true << line << QByteArray("{G},Old Pad,a:b5,") << true << true
            << "Note: \"SDL_GAMECONTROLLERCONFIG\" holds another mapping for this gamepad";
        QTest::newRow("the variable holds this line: nothing noted")
            << true << line << line << true << true << QString();
    }

    void store()
    {
        QFETCH(bool, usable);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, variable);
        QFETCH(bool, saved);
        QFETCH(bool, registered);
        QFETCH(QString, said);
        static int n = 0x200;
        const QByteArray guid = testGuid(++n);
        line.replace("{G}", guid);
        if (!variable.isEmpty())
            qputenv("SDL_GAMECONTROLLERCONFIG", variable.replace("{G}", guid));
        Session s(usable);
        const int before = s.log.size();
        const StoreResult result = s.store.store(line, padIdentity(guid, QByteArray()));
        qunsetenv("SDL_GAMECONTROLLERCONFIG");

        QCOMPARE(result.line, line);
        QCOMPARE(result.saved, saved);
        QCOMPARE(result.unsaved.isEmpty(), saved);
        QCOMPARE(result.registered, registered);
        QCOMPARE(s.store.sessionLines(), registered ? QList<QByteArray>{line} : QList<QByteArray>());
        QCOMPARE(readFile(s.dataFile("gamecontrollerdb.local.txt")), saved ? line + "\n" : "<unreadable>");
        char* known = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString(guid.constData()));
        QCOMPARE(known != nullptr, registered);
        SDL_free(known);
        const QStringList lines = s.log.mid(before);
        QCOMPARE(lines.first(), "Mapping string: '" + QString::fromUtf8(line) + "'");
        QCOMPARE(lines.size(), said.isEmpty() ? 1 : 2);
        if (!said.isEmpty())
            QVERIFY2(lines.last().startsWith(said), qPrintable(lines.last()));
    }

    // A new community database: compared, stored, loaded on Yes with the session's own lines on top,
    // and never touched while a capture runs.
    void update_data()
    {
        QTest::addColumn<QString>("served"); // "same", "newer" or "broken"
        QTest::addColumn<bool>("capturing");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("identical") << "same" << false << true << "Mappings are already up-to-date" << false
                                   << false;
        QTest::newRow("newer, Yes: loaded, the session's line stays")
            << "newer" << false << true << "New mappings available" << true << true;
        QTest::newRow("newer, No: loaded at the next start")
            << "newer" << false << false << "New mappings available" << true << false;
        QTest::newRow("newer during a capture: kept for the next start")
            << "newer" << true << true << "New mappings available; they will be offered at the next start"
            << false << false;
        QTest::newRow("not a database")
            << "broken" << false << true << "Update check failed: " << false << false;
    }

    void update()
    {
        QFETCH(QString, served);
        QFETCH(bool, capturing);
        QFETCH(bool, yes);
        QFETCH(QString, said);
        QFETCH(bool, replaced);
        QFETCH(bool, loaded);
        static int n = 0x300;
        const QByteArray mine = testGuid(++n), added = testGuid(++n);
        Session s;
        const QString community = s.dataFile("gamecontrollerdb.txt");
        const QByteArray seed = readFile(community);
        // The session made a line for one pad, which only SDL keeps (as when it could not be saved); the
        // new database has another line for that pad, and a line for a new one.
        QVERIFY(s.store.store(mine + ",Session Line,a:b0,", padIdentity(mine, QByteArray())).registered);
        QVERIFY(QFile::remove(s.dataFile("gamecontrollerdb.local.txt")));
        const QByteArray newer = seed + mine + ",Database Line,a:b1,platform:Linux,\n" + added +
                                 ",Added Pad,a:b0,platform:Linux,\n";
        const QByteArray body = served == "same" ? seed : served == "newer" ? newer : "<html>oops</html>";
        if (capturing)
            s.session.beginWizard(STANDARD_ROWS);
        s.dialogs.setNextAnswer(yes);
        const int before = s.log.size();

        s.update.take(body, QString(), true);

        QVERIFY2(s.said(said, before), qPrintable(s.log.mid(before).join('\n')));
        QCOMPARE(readFile(community), replaced ? newer : seed);
        QCOMPARE(s.dialogs.seen.size(), replaced ? 1 : 0);
        if (replaced)
            QCOMPARE(s.dialogs.seen.first().text,
                     QString("New mappings available. Do you want to load them?"));
        QCOMPARE(s.log.mid(before).count("Searching gamepads..."), loaded ? 1 : 0);
        char* known = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString(added.constData()));
        QCOMPARE(known != nullptr, loaded);
        SDL_free(known);
        known = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString(mine.constData()));
        QVERIFY(QByteArray(known).contains(",Session Line,"));
        SDL_free(known);
    }

    // Set asks before it writes, and says whose line it replaces; the line is the one taken when the
    // command was given, and an empty one is never written.
    void setQuestion_data()
    {
        QTest::addColumn<bool>("root");
        QTest::addColumn<QByteArray>("saved"); // the file Set writes
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("replaces");   // the sentence the question carries; empty: none
        QTest::addColumn<QByteArray>("written"); // the name as the file holds it

        const QByteArray line = testGuid(0x400) + ",Second Pad,a:b0,";
        const QByteArray kName = ",Second Pad,";
        QTest::newRow("system file: another pad's line named")
            << true << "PATH=/bin\nSDL_GAMECONTROLLERCONFIG=" + testGuid(0x401) + ",First Pad,a:b0,\n"
            << line << "It replaces the mapping for \"First Pad\" that the variable holds now." << kName;
        QTest::newRow("user file: the quoted name as it reads")
            << false << "SDL_GAMECONTROLLERCONFIG=\"" + testGuid(0x402) + ",Pad \\\"Q\\\" $$5,a:b0,\"\n"
            << line << "It replaces the mapping for \"Pad \"Q\" $5\" that the variable holds now." << kName;
        QTest::newRow("a value without a name")
            << true << QByteArray("SDL_GAMECONTROLLERCONFIG=x\n") << line
            << "It replaces the value that the variable holds now." << kName;
        QTest::newRow("nothing saved: the question as ever")
            << true << QByteArray("PATH=/bin\n") << line << QString() << kName;
        // pam_env ends a value at "#", systemd expands "$": the system file gets a name both read alike.
        QTest::newRow("system file: the name simplified")
            << true << QByteArray("PATH=/bin\n") << testGuid(0x403) + ",Pad #2 $HOME \\'x\",a:b0,"
            << QString() << QByteArray(",Pad  2  HOME   x ,");
        QTest::newRow("user file: the exact name")
            << false << QByteArray() << testGuid(0x404) + ",Pad #2,a:b0," << QString()
            << QByteArray(",Pad #2,");
        QTest::newRow("no line: refused before asking")
            << true << QByteArray("PATH=/bin\n") << QByteArray() << QString() << kName;
    }

    void setQuestion()
    {
        QFETCH(bool, root);
        QFETCH(QByteArray, saved);
        QFETCH(QByteArray, line);
        QFETCH(QString, replaces);
        QFETCH(QByteArray, written);
        QTemporaryDir dir;
        const QString systemFile = dir.filePath("environment"), userFile = dir.filePath("user.conf");
        QVERIFY(writeFile(root ? systemFile : userFile, saved));
        ScriptedDialogs dialogs;
        EnvironmentCommands commands(systemFile, userFile, root, dialogs);
        QStringList log;
        connect(&commands, &EnvironmentCommands::logged, [&](const QString& text) { log << text; });
        dialogs.setNextAnswer(true);

        QCOMPARE(commands.set(line, padIdentity(line.left(32), QByteArray())), !line.isEmpty());

        const QString target = root ? systemFile : userFile;
        if (line.isEmpty()) {
            QVERIFY(dialogs.seen.isEmpty());
            QCOMPARE(readFile(target), saved);
            QVERIFY(log.last().startsWith("Error: "));
            return;
        }
        QCOMPARE(dialogs.seen.size(), 1);
        const QString question = dialogs.seen.first().text;
        QVERIFY2(replaces.isEmpty() ? !question.contains("It replaces")
                                    : question.endsWith(replaces + " Continue?"),
                 qPrintable(question));
        QVERIFY(readFile(target).contains("SDL_GAMECONTROLLERCONFIG="));
        QVERIFY2(readFile(target).contains(written), readFile(target).constData());
        QCOMPARE(log.contains(kNameSimplified), written.contains("  "));
    }

    // A line of the user's file that games would pass over is named at start.
    void skippedLineReportedAtStart()
    {
        Session s;
        QVERIFY(writeFile(s.dataFile("gamecontrollerdb.local.txt"), testGuid(2) + ",No Platform,a:b0,\n"));
        s.store.reportAtStart();
        QCOMPARE(s.log.last(),
                 QString("Line 1 of gamecontrollerdb.local.txt is skipped by SDL: it has no platform: field"));
    }

    // Set with its box left ticked names the user's mapping file for later logins: a game started then
    // finds every pad of it, and a fix saved afterwards with no second Set. Reset takes it away again,
    // and the rest of the per-user file is kept byte for byte.
    void mappingFileReachesGames()
    {
        if (!QFileInfo::exists(kEnvironmentGenerator))
            QSKIP("systemd's environment generator is not installed");
        QStringList probed;
        std::unique_ptr<VirtualPad> pads[2];
        QByteArray lines[2];
        for (int i = 0; i < 2; ++i) {
            VirtualPad::Layout layout;
            layout.name = i == 0 ? "File Pad A" : "File Pad B";
            layout.product = Uint16(0x5e01 + i);
            layout.gameController = false;
            pads[i] = std::make_unique<VirtualPad>(layout);
            QVERIFY(pads[i]->attach());
            probed << QString("1209:%1:15:6:1:%2").arg(layout.product, 0, 16).arg(layout.name);
            lines[i] = pads[i]->portableGuidText() + ",My Pad " + QByteArray::number(i) + ",platform:Linux," +
                       pads[i]->crcField() + (i == 0 ? ",a:b0,b:b1," : ",a:b1,b:b0,");
        }
        Session s;
        QVERIFY(s.store.store(lines[1], padIdentity(pads[1]->guidText(), QByteArray())).saved);
        const QString mappingFile = s.dataFile("gamecontrollerdb.local.txt");
        QTemporaryDir config;
        const QString userFile = userEnvironmentFile(config.path());
        const QByteArray mine = "PATH=/usr/bin\n# my own\nSDL_GAMECONTROLLERCONFIG=\"old\"\n";
        QVERIFY(QDir().mkpath(QFileInfo(userFile).path()) && writeFile(userFile, mine));
        EnvironmentCommands commands(config.filePath("environment"), userFile, false, s.dialogs, mappingFile);
        QStringList log;
        collect(&commands, &log);

        // Pad A's line came from elsewhere: Set puts it into the file the games are to read.
        s.dialogs.setNextAnswer(true);
        QVERIFY(commands.set(lines[0], padIdentity(pads[0]->guidText(), QByteArray())));
        QCOMPARE(s.dialogs.seen.last().option, QString(EnvironmentCommands::kAllMappingsOption));
        QCOMPARE(readFile(mappingFile), lines[1] + "\n" + lines[0] + "\n");
        QMap<QByteArray, QByteArray> login = userEnvironment(config.path());
        QCOMPARE(login.value("SDL_GAMECONTROLLERCONFIG_FILE"), QFile::encodeName(mappingFile));
        QCOMPARE(login.value("SDL_GAMECONTROLLERCONFIG"), QByteArray("old"));
        QList<QByteArray> seen = probeGameMappings(login, probed);
        QCOMPARE(seen.size(), 2);
        for (int i = 0; i < 2; ++i)
            QVERIFY2(seen.at(i).startsWith(pads[i]->guidText() + " ") &&
                         seen.at(i).contains(",My Pad " + QByteArray::number(i) + ","),
                     seen.at(i).constData());

        // Pad B's B fixed in the program: the next game started sees it.
        s.roster.rebuild(pads[1]->instanceId());
        QVERIFY(s.session.startRecapture(1));
        CapturedBindings fixed;
        parseBindingFields({"a:b1", "b:b7"}, fixed.bindings, nullptr);
        emit s.session.worker()->mappingReady(fixed);
        QCOMPARE(s.stored.size(), 1);
        seen = probeGameMappings(userEnvironment(config.path()), probed);
        QVERIFY2(seen.value(1).contains(",b:b7,") && seen.value(0).contains(",b:b1,"),
                 seen.join(" | ").constData());

        commands.reset();
        QCOMPARE(log.mid(log.size() - 2),
                 QStringList({"Resetting environment variable \"SDL_GAMECONTROLLERCONFIG\"",
                              "Resetting environment variable \"SDL_GAMECONTROLLERCONFIG_FILE\""}));
        QCOMPARE(readFile(userFile), QByteArray("PATH=/usr/bin\n# my own\n"));
        login = userEnvironment(config.path());
        QVERIFY(!login.contains("SDL_GAMECONTROLLERCONFIG") &&
                !login.contains("SDL_GAMECONTROLLERCONFIG_FILE"));
        QVERIFY(!commands.isSaved());
    }
};

int main(int argc, char** argv)
{
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    QCoreApplication application(argc, argv);
    SessionTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_session.moc"
