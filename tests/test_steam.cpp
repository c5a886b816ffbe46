// The Steam module: config.vdf read and edited byte for byte, installations found under a temporary
// home, the launch option through a real shell, a running Steam (a live stand-in process) stopping
// every write, and faults of the file system leaving the configuration as it was.

#include "steamconfig.h"
#include "steamlaunchoption.h"
#include "steammappings.h"
#include "testfiles.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#define BYTES(s) QByteArray(s, sizeof(s) - 1)

namespace
{
// The pad: SDL 2.26+ puts its name's CRC 0x322b into digits 5-8 of its GUID.
const QByteArray kGuid = "030000005e0400008e02000010010000";
const QByteArray kNew = kGuid + ",New \"Pad\" \\ 2,platform:Linux,crc:322b,a:b1,";
const PadIdentity kPad = {kGuid, 0x322b, 0x322b};

// A configuration as Steam writes it, split around the value of "SDL_GamepadBind".
const QByteArray kHead =
    "\"InstallConfigStore\"\n{\n\t\"Software\"\n\t{\n\t\t\"Valve\"\n\t\t{\n\t\t\t\"Steam\"\n"
    "\t\t\t{\n\t\t\t\t\"AutoUpdateWindowEnabled\"\t\t\"0\"\n\t\t\t\t\"CompatToolMapping\"\n"
    "\t\t\t\t{\n\t\t\t\t\t\"0\"\n\t\t\t\t\t{\n\t\t\t\t\t\t\"name\"\t\t\"proton_9\"\n"
    "\t\t\t\t\t\t\"config\"\t\t\"\"\n\t\t\t\t\t}\n\t\t\t\t}\n"
    "\t\t\t\t\"CachedLaunch\"\t\t\"gamemoderun \\\"%command%\\\" -x \\\\\"\n"
    "\t\t\t\t\"SDL_GamepadBind\"\t\t\"nested, not Steam's\"\n\t\t\t}\n\t\t}\n\t}\n"
    "\t\"Music\"\n\t{\n\t\t\"0\"\t\t\"C:\\\\Users\\\\Player\\\\Music\\\\\"\n\t}\n";
const QByteArray kTail = "\t\"Authentication\"\n\t{\n\t\t\"RememberedMachineID\"\n\t\t{\n"
                         "\t\t\t\"player\"\t\t\"YWJj{}\\\"==\"\n\t\t}\n\t}\n\t\"streaming\"\n\t{\n\t}\n}\n";

// Short names: <V>value</V> is the "SDL_GamepadBind" entry; <OLD> and <OLD2> are the pad's lines (CRC in
// the GUID; no CRC), <TWIN> has its GUID and another name's CRC, <A> and <B> are other pads' lines.
QByteArray expand(QByteArray text)
{
    text.replace("<V>", "\t\"SDL_GamepadBind\"\t\t\"").replace("</V>", "\"\n");
    text.replace("<HEAD>", kHead).replace("<TAIL>", kTail);
    text.replace("<OLD>", "03002b325e0400008e02000010010000,Old Pad,a:b0,platform:Linux,");
    text.replace("<OLD2>", kGuid + ",Older Pad,a:b2,platform:Linux,");
    text.replace("<TWIN>", kGuid + ",Twin,platform:Linux,crc:abcd,a:b2,");
    text.replace("<A>", "03000000de2800000112000001000000,Handheld,a:b0,platform:Linux,");
    text.replace("<B>", "03000000aaaa0000bbbb000000000000,Other \\\"B\\\",a:b3,platform:Linux,");
    return text.replace("<NEW>", kGuid + ",New \\\"Pad\\\" \\\\ 2,platform:Linux,crc:322b,a:b1,");
}

const QByteArray kRealistic = expand("<HEAD><V><A>\n<OLD>\\n<B>\n</V><TAIL>");
const QByteArray kWithNew = expand("<HEAD><V><A>\n<NEW>\\n<B>\n</V><TAIL>");
const QString kNative = ".local/share/Steam",
              kFlatpak = ".var/app/com.valvesoftware.Steam/.local/share/Steam";

QStringList listing(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A temporary home; add() puts an installation holding the realistic configuration into it.
struct Home {
    QTemporaryDir dir;
    QString config(const QString& installation = kNative) const
    {
        return dir.filePath(installation + "/config/config.vdf");
    }
    bool add(const QString& installation)
    {
        return QDir(dir.path()).mkpath(installation + "/config") &&
               writeFile(config(installation), kRealistic);
    }
};
} // namespace

class TestSteam : public QObject
{
    Q_OBJECT

private slots:
    void readsTheLinesOrSaysWhy_data();
    void readsTheLinesOrSaysWhy();
    void editChangesOnlyTheValue_data();
    void editChangesOnlyTheValue();
    void findsInstallations_data();
    void findsInstallations();
    void launchOptionGivesTheLineToTheGame_data();
    void launchOptionGivesTheLineToTheGame();
    void runningSteamStopsEveryWrite_data();
    void runningSteamStopsEveryWrite();
    void faultsChangeNothing_data();
    void faultsChangeNothing();
};

void TestSteam::editChangesOnlyTheValue_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<bool>("add"); // else remove
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("add: the old line replaced where it stands") << kRealistic << true << kWithNew;
    QTest::newRow("add: the pad's later lines out, a twin kept")
        << QByteArray("<V><OLD2>\n<TWIN>\n<A>\n<OLD>\\n<B>\\n<OLD></V>") << true
        << QByteArray("<V><NEW>\n<TWIN>\n<A>\n<B></V>");
    QTest::newRow("add: after a final break")
        << QByteArray("<V><A>\n</V>") << true << QByteArray("<V><A>\n<NEW>\n</V>");
    QTest::newRow("add: on a line of its own")
        << QByteArray("<V><A>\\n<TWIN></V>") << true << QByteArray("<V><A>\\n<TWIN>\n<NEW></V>");
    QTest::newRow("add: empty value") << QByteArray("<V></V>") << true << QByteArray("<V><NEW></V>");
    QTest::newRow("add: the missing key, Steam's layout")
        << QByteArray("<HEAD><TAIL>") << true
        << kHead + kTail.left(kTail.size() - 2) + expand("<V><NEW></V>}\n");
    QTest::newRow("add: the missing key, CRLF, indented brace, the key only nested")
        << QByteArray("InstallConfigStore\r\n{\r\n\t\"a\" { <V></V> }\r\n  }") << true
        << QByteArray("InstallConfigStore\r\n{\r\n\t\"a\" { <V></V> }\r\n<V><NEW>\"\r\n  }");
    QTest::newRow("add: the missing key, brace after an entry, a later root")
        << QByteArray("\"InstallConfigStore\" { \"a\" \"b\" }\nInstallConfigStore {<V></V>}") << true
        << QByteArray("\"InstallConfigStore\" { \"a\" \"b\" \n<V><NEW></V>}\nInstallConfigStore {<V></V>}");
    QTest::newRow("remove: only the pad's lines") << QByteArray("<V><OLD2>\n<A>\n<OLD>\\n<TWIN>\\n<B>\n</V>")
                                                  << false << QByteArray("<V><A>\n<TWIN>\\n<B>\n</V>");
    QTest::newRow("remove: the last line, with the CRLF before it")
        << QByteArray("<V><A>\r\n<OLD></V>") << false << QByteArray("<V><A></V>");
    QTest::newRow("remove: the only line") << QByteArray("<V><OLD></V>") << false << QByteArray("<V></V>");
}

void TestSteam::editChangesOnlyTheValue()
{
    QFETCH(QByteArray, before);
    QFETCH(bool, add);
    QFETCH(QByteArray, after);
    // A bare value entry stands in the realistic configuration's place.
    auto whole = [](const QByteArray& text) {
        return text.startsWith("<V>") ? expand("<HEAD>" + text + "<TAIL>") : expand(text);
    };
    const SteamConfig config(whole(before));
    QVERIFY2(config.isValid(), qPrintable(config.errorString()));
    const QByteArray edited = add ? config.withPadLine(kPad, kNew) : config.withoutPad(kPad);
    QCOMPARE(edited, whole(after));
    const QByteArrayList lines = SteamConfig(edited).gamepadBindLines();
    QCOMPARE(lines.count(kNew), add ? 1 : 0);
    for (const QByteArray& line : lines)
        QVERIFY2(line == kNew || !isPadLine(line, kPad), line.constData());
}

void TestSteam::readsTheLinesOrSaysWhy_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QString>("reason"); // part of the message of a refusal
    const QByteArray value = "a,1\n\\n  b,2 \r\n# c\\n\\\\n,3\\nd \\\"4\\\",\\t\\n\\x,\\\\y";
    QTest::newRow("breaks real and \\n, blanks, comments, CRLF, escapes, unknown escapes")
        << expand("<HEAD><V>" + value + "</V><TAIL>")
        << QByteArrayList{"a,1", "b,2", "\\n,3", "d \"4\",", "\\x,\\y"} << QString();
    QTest::newRow("a brace never closed") << QByteArray("\"InstallConfigStore\"\n{\n\t\"a\"\n\t{\n}\n")
                                          << QByteArrayList() << "line 2 has a brace that is never closed";
    QTest::newRow("a brace too many")
        << QByteArray("InstallConfigStore { }\n}") << QByteArrayList() << "line 2 has a closing brace";
    QTest::newRow("a quote never closed") << QByteArray("InstallConfigStore\n{\n\t\"a\"\t\t\"b\\\"\n}\n")
                                          << QByteArrayList() << "line 3 has a quote that is never closed";
    QTest::newRow("a key without a value")
        << QByteArray("InstallConfigStore { \"a\" }") << QByteArrayList() << "line 1 has a key without";
    QTest::newRow("no root") << QByteArray("\"UserLocalConfigStore\" { }") << QByteArrayList()
                             << "no \"InstallConfigStore\" block";
    QTest::newRow("SDL_GamepadBind a block")
        << QByteArray("InstallConfigStore {\nSDL_GamepadBind { } }") << QByteArrayList()
        << "line 2 has \"SDL_GamepadBind\" holding a block";
    QTest::newRow("a NUL byte") << BYTES("InstallConfigStore {\n\"a\" \"\0\" }") << QByteArrayList()
                                << "line 2 has a NUL";
    QTest::newRow("over 64 MiB") << kRealistic + QByteArray(64 << 20, ' ') << QByteArrayList()
                                 << "larger than 64 MiB";
}

void TestSteam::readsTheLinesOrSaysWhy()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArrayList, lines);
    QFETCH(QString, reason);
    const SteamConfig config(bytes);
    QCOMPARE(config.gamepadBindLines(), lines);
    QCOMPARE(config.isValid(), reason.isEmpty());
    QVERIFY2(config.errorString().contains(reason), qPrintable(config.errorString()));
    if (!reason.isEmpty()) {
        QString error;
        QVERIFY(config.withPadLine(kPad, kNew, &error).isEmpty() && config.withoutPad(kPad).isEmpty());
        QCOMPARE(error, config.errorString());
    }
}

void TestSteam::findsInstallations_data()
{
    // A folder that gets config/config.vdf; "link -> target"; "folder/" without one.
    QTest::addColumn<QStringList>("layout");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("none") << QStringList{".local/share/Steam/", ".steam/"} << QStringList{};
    QTest::newRow("native, ~/.steam links counted once")
        << QStringList{kNative, ".steam/", ".steam/steam -> ../.local/share/Steam", ".steam/root -> steam"}
        << QStringList{kNative};
    QTest::newRow("native under ~/.steam only")
        << QStringList{".steam/steam", ".steam/root -> steam"} << QStringList{".steam/steam"};
    QTest::newRow("Flatpak and Snap besides native")
        << QStringList{kNative, kFlatpak, "snap/steam/common/.local/share/Steam"}
        << QStringList{kNative, kFlatpak + " (Flatpak)", "snap/steam/common/.local/share/Steam (Snap)"};
}

void TestSteam::findsInstallations()
{
    QFETCH(QStringList, layout);
    QFETCH(QStringList, found);
    Home home;
    const QDir dir(home.dir.path());
    for (const QString& entry : layout) {
        const QStringList link = entry.split(" -> ");
        QVERIFY(link.size() == 2      ? QFile::link(link[1], dir.filePath(link[0]))
                : entry.endsWith('/') ? dir.mkpath(entry)
                                      : home.add(entry));
    }
    QStringList got;
    for (const SteamHeldLines& held : SteamMappings(home.dir.path()).heldLines()) {
        const QString name = steamInstallationName(held.installation);
        got << dir.relativeFilePath(held.installation.path) + name.mid(5);
        QCOMPARE(held.lines, SteamConfig(kRealistic).gamepadBindLines());
    }
    QCOMPARE(got, found);
}

void TestSteam::launchOptionGivesTheLineToTheGame_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("quotes") << QByteArray("Joe's \"Pad\" ''");
    QTest::newRow("shell words") << QByteArray("$HOME $(id) `id` ${X:-y} ; & | > *");
    QTest::newRow("backslashes and blanks") << QByteArray("a\\b \\\\ \\' \t  end\\");
    QTest::newRow("Steam's placeholder") << QByteArray("%command% 100%");
}

void TestSteam::launchOptionGivesTheLineToTheGame()
{
    QFETCH(QByteArray, name);
    const QByteArray line = kGuid + ',' + name + ",platform:Linux,a:b0,";
    QByteArray option = steamLaunchOption(line);
    // As Steam does: the game's command in the place of %command%, the whole run by /bin/sh.
    QCOMPARE(option.count("%command%"), 1);
    QProcess shell;
    shell.start("/bin/sh",
                {"-c", QString::fromUtf8(option.replace("%command%", "printenv SDL_GAMECONTROLLERCONFIG"))});
    QVERIFY(shell.waitForFinished());
    QCOMPARE(shell.readAllStandardOutput(), line + '\n');
    QVERIFY(steamLaunchOption(line + "\nb").isEmpty());
}

void TestSteam::runningSteamStopsEveryWrite_data()
{
    QTest::addColumn<QString>("pidFile"); // under home
    QTest::addColumn<QString>("process"); // what it names
    QTest::addColumn<bool>("running");
    const QString native = ".steam/steam.pid", flatpak = ".var/app/com.valvesoftware.Steam/.steam/steam.pid";
    QTest::newRow("native Steam runs") << native << "steam" << true;
    QTest::newRow("Flatpak Steam runs") << flatpak << "steam" << true;
    QTest::newRow("Flatpak Steam runs in its own PID namespace") << flatpak << "sandboxed" << true;
    QTest::newRow("a dead process") << native << "dead" << false;
    QTest::newRow("another program") << native << "sleep" << false;
    QTest::newRow("not a process id") << native << "garbage" << false;
    QTest::newRow("a FIFO, no file") << native << "fifo" << false;
}

void TestSteam::runningSteamStopsEveryWrite()
{
    QFETCH(QString, pidFile);
    QFETCH(QString, process);
    QFETCH(bool, running);
    Home home;
    QVERIFY(home.add(kNative) && home.add(kFlatpak));
    // The native configuration keeps its mode; the Flatpak one is a link to a file elsewhere.
    const QString linked = home.dir.filePath("config.vdf");
    QVERIFY(QFile::rename(home.config(kFlatpak), linked) && QFile::link(linked, home.config(kFlatpak)));
    QCOMPARE(::chmod(QFile::encodeName(home.config()).constData(), 0640), 0);
    // Steam's stand-in: a program whose command is "steam".
    const QString sleep = QStandardPaths::findExecutable("sleep"), steamCopy = home.dir.filePath("steam");
    QVERIFY(QFile::copy(sleep, steamCopy));
    QProcess child;
    QByteArray id = "12ab";
    if (process == "sandboxed") {
        // The file names it by its id inside the namespace, 1, which outside is another program's.
        child.start("unshare", {"--pid", "--fork", "--kill-child", steamCopy, "600"});
        if (!child.waitForStarted())
            QSKIP("unshare is not installed");
        const QString children = QStringLiteral("/proc/%1/task/%1/children").arg(child.processId());
        QTRY_VERIFY(child.state() != QProcess::Running ||
                    readFile("/proc/" + readFile(children).trimmed() + "/comm") == "steam\n");
        if (child.state() != QProcess::Running)
            QSKIP(qPrintable("no PID namespace here: " + child.readAllStandardError()));
        id = "1";
    } else if (process != "garbage" && process != "fifo") {
        child.start(process == "steam" ? steamCopy : process == "sleep" ? sleep : "true", {"600"});
        QVERIFY(child.waitForStarted());
        id = QByteArray::number(child.processId());
        QVERIFY(process != "dead" || child.waitForFinished());
    }
    QVERIFY(QDir(home.dir.path()).mkpath(QFileInfo(pidFile).path()));
    const QByteArray pidPath = QFile::encodeName(home.dir.filePath(pidFile));
    QVERIFY(process == "fifo" ? ::mkfifo(pidPath.constData(), 0644) == 0
                              : writeFile(home.dir.filePath(pidFile), id + '\n'));

    const SteamMappings steam(home.dir.path());
    QCOMPARE(steam.steamRunning(), running);
    SteamOutcome outcome = steam.addMapping(kPad, kNew);
    QVERIFY2(outcome.ok != running && outcome.steamRunning == running,
             qPrintable(outcome.messages.join('\n')));
    QCOMPARE(readFile(home.config(kNative)), running ? kRealistic : kWithNew);
    QCOMPARE(readFile(home.config(kFlatpak)), running ? kRealistic : kWithNew);
    if (running) {
        QVERIFY(outcome.messages.join('\n').contains("Close Steam (Steam menu, Exit), then try again"));
        QVERIFY(steam.removeMapping(kPad).steamRunning);
        QCOMPARE(listing(QFileInfo(home.config()).path()), QStringList{"config.vdf"});
        return;
    }
    // Written in place of the file: its mode kept, the link a link, the first version kept aside.
    outcome = steam.removeMapping(kPad);
    QVERIFY2(outcome.ok, qPrintable(outcome.messages.join('\n')));
    QCOMPARE(readFile(home.config(kFlatpak)), expand("<HEAD><V><A>\n<B>\n</V><TAIL>"));
    struct stat st;
    QVERIFY(::stat(QFile::encodeName(home.config()).constData(), &st) == 0 && (st.st_mode & 07777) == 0640);
    QVERIFY(QFileInfo(home.config(kFlatpak)).isSymLink());
    QCOMPARE(readFile(home.config() + ".stickwell-backup"), kRealistic);
    QCOMPARE(readFile(linked + ".stickwell-backup"), kRealistic);
}

void TestSteam::faultsChangeNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason"); // part of the message
    QTest::newRow("unreadable file") << "unreadable" << QString::fromLocal8Bit(std::strerror(EACCES));
    QTest::newRow("malformed file") << "malformed"
                                    << "line 2 has a brace that is never closed";
    QTest::newRow("read-only folder") << "read-only" << QString();
    QTest::newRow("full file system") << "full" << QString::fromLocal8Bit(std::strerror(ENOSPC));
    QTest::newRow("dangling link") << "dangling"
                                   << "No Steam installation";
    QTest::newRow("a FIFO in its place") << "fifo"
                                         << "not a regular file";
}

void TestSteam::faultsChangeNothing()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    Home home;
    QVERIFY(home.add(kNative));
    const QByteArray folder = QFile::encodeName(QFileInfo(home.config()).path());
    const QByteArray file = QFile::encodeName(home.config());
    const bool root = ::geteuid() == 0;
    QByteArray original = kRealistic;
    struct Mount {
        QByteArray at;
        ~Mount() { at.isEmpty() || ::umount2(at.constData(), MNT_DETACH); }
    } tmpfs;
    if (fault == "read-only" || fault == "full") {
        if (root) {
            if (::mount("tmpfs", folder.constData(), "tmpfs", 0, "size=64k") != 0)
                QSKIP("tmpfs cannot be mounted here");
            tmpfs.at = folder;
        } else if (fault == "full") {
            QSKIP("mounting a small tmpfs needs root");
        }
        // For the full one: 40 KiB, so that no second copy fits beside it.
        if (fault == "full")
            original = expand("<HEAD><V>" + QByteArray("<OLD>\n").repeated(600) + "</V><TAIL>");
        QVERIFY(writeFile(home.config(), original));
        if (fault == "read-only")
            QCOMPARE(root ? ::mount("tmpfs", folder.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr)
                          : ::chmod(folder.constData(), 0555),
                     0);
    } else if (fault == "unreadable") {
        // Root reads any file; as nobody (see below) it cannot.
        QCOMPARE(::chmod(file.constData(), 0) | ::chmod(QFile::encodeName(home.dir.path()).constData(), 0755),
                 0);
    } else if (fault == "malformed") {
        original = kHead.left(kHead.indexOf("\t\"Software"));
        QVERIFY(writeFile(home.config(), original));
    } else {
        QVERIFY(QFile::remove(home.config()));
        QVERIFY(fault == "fifo" ? ::mkfifo(file.constData(), 0644) == 0
                                : QFile::link(home.dir.filePath("moved/config.vdf"), home.config()));
    }
    const QStringList before = listing(folder);
    if (root && fault == "unreadable")
        ::setfsuid(65534);
    const SteamOutcome outcome = SteamMappings(home.dir.path()).addMapping(kPad, kNew);
    ::setfsuid(::geteuid());
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.messages.join('\n').contains(reason), qPrintable(outcome.messages.join('\n')));
    ::chmod(folder.constData(), 0755);
    ::chmod(file.constData(), 0644);
    QCOMPARE(listing(folder), before);
    if (fault != "fifo" && fault != "dangling")
        QCOMPARE(readFile(home.config()), original);
}

QTEST_GUILESS_MAIN(TestSteam)
#include "test_steam.moc"
