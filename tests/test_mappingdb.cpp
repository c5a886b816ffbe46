// The mapping database module: data directory and seed, loading into SDL, the local file's rewrite,
// names and the final mapping, and, against a loopback HTTP(S) server, the submission and the update
// check. The write faults of both files are in test_robustness.

#include "databasefiles.h"
#include "filedownloader.h"
#include "gamepadname.h"
#include "localmappingfile.h"
#include "loopbackserver.h"
#include "mappingline.h"
#include "mappingsubmitter.h"
#include "padidentity.h"
#include "portablemapping.h"
#include "skippedlines.h"
#include "testfiles.h"
#include "updatecheck.h"
#include "virtualpad.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <SDL.h>

namespace
{
const QString kSnapshot = QStringLiteral(STICKWELL_SHARED_DATA "/gamecontrollerdb.txt");

// A GUID text of 32 hex digits that no real device uses, one per n.
QByteArray testGuid(int n)
{
    return QByteArrayLiteral("03000000aaaa0000") + QByteArray::number(n, 16).rightJustified(4, '0') +
           QByteArrayLiteral("000000000000");
}

QByteArray mappingLine(const QByteArray& guid, const QByteArray& name, const QByteArray& a = "b0")
{
    return guid + ',' + name + ",a:" + a + ",b:b1,+leftx:a0,platform:Linux,";
}

// The name field of the mapping SDL holds for guid; empty when SDL knows none.
QByteArray sdlMappingName(const QByteArray& guid)
{
    char* mapping = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString(guid.constData()));
    if (!mapping)
        return QByteArray();
    const QByteArray name = QByteArray(mapping).split(',').value(1);
    SDL_free(mapping);
    return name;
}

int run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QJsonObject route(int status, const QByteArray& body, const QJsonObject& extra = QJsonObject())
{
    QJsonObject r = extra;
    r.insert(QStringLiteral("status"), status);
    r.insert(QStringLiteral("body_b64"), QString::fromLatin1(body.toBase64()));
    return r;
}

QJsonObject redirect(int status, const QString& location)
{
    return route(status, QByteArray(), {{QStringLiteral("location"), location}});
}

const QByteArray kHtml404 = "<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>"
                            "<body><h1>Not Found</h1></body></html>\n";
const QByteArray kHtml500 = "<html><body><h1>500 Internal Server Error</h1></body></html>\n";
const QByteArray kLoginPage = "<!doctype html>\n<html><body><form action=\"/login\">Sign in to continue"
                              "</form></body></html>\n";
// The seed earlier versions installed, which users' data directories may still hold: a header line only.
const QByteArray kSeedHeader = "# Community mapping database: filled by the first update check\n";
} // namespace

Q_DECLARE_METATYPE(UpdateCheckResult)

class TestMappingDb : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void enterDataDirectory_data();
    void enterDataDirectory();
    void loadingAndPrecedence();
    void windowsLineEndsNeverReachSdl_data();
    void windowsLineEndsNeverReachSdl();
    void seedFile();
    void loadSnapshot();

    void sdlTextOfVirtualPad();
    void kernelDeviceName();

    void saveLocalMapping_data();
    void saveLocalMapping();
    void saveLocalMappingRefusals();
    void skippedLinesReport();

    void acceptGamepadName_data();
    void acceptGamepadName();
    void suggestedGamepadName_data();
    void suggestedGamepadName();

    void submission_data();
    void submission();

    void looksLikeMappingDatabase_data();
    void looksLikeMappingDatabase();
    void updateCheck_data();
    void updateCheck();
    void updateCheckDeadline();
    void updateCheckOverHttps_data();
    void updateCheckOverHttps();

private:
    struct Download {
        QByteArray data;
        QString error;
        bool endProven = false;
        bool finished = false;
    };
    static Download download(const QString& url, int deadlineMs = kDownloadDeadlineMs);

    QString m_launchDirectory;
    LoopbackServer m_server;
    bool m_serverRunning = false;
    QString m_serverError;
};

void TestMappingDb::initTestCase()
{
    m_launchDirectory = QDir::currentPath();
    QVERIFY2(SDL_Init(SDL_INIT_GAMECONTROLLER) == 0, SDL_GetError());
    m_serverRunning = m_server.start();
    m_serverError = m_server.errorString();
}

void TestMappingDb::cleanupTestCase()
{
    QDir::setCurrent(m_launchDirectory);
    SDL_Quit();
}

void TestMappingDb::cleanup()
{
    // enterDataDirectory moves the whole process; every test starts where the program was launched.
    QDir::setCurrent(m_launchDirectory);
    m_server.setRoutes(QJsonObject());
    m_server.takeRequests();
}

TestMappingDb::Download TestMappingDb::download(const QString& url, int deadlineMs)
{
    QObject parent;
    FileDownloader* downloader =
        new FileDownloader(QUrl(url), &parent, nullptr, kMaxDownloadBytes, deadlineMs);
    QSignalSpy spy(downloader, SIGNAL(downloaded()));
    Download result;
    result.finished = spy.wait(10000);
    result.data = downloader->receivedData();
    result.error = downloader->errorString();
    result.endProven = downloader->bodyEndProven();
    return result;
}

// --- data directory, seed and loading ---

void TestMappingDb::enterDataDirectory_data()
{
    QTest::addColumn<QString>("dataDir"); // relative to a fresh temporary root; "" for none
    QTest::addColumn<bool>("seedPresent");
    QTest::addColumn<bool>("seedReadOnly");
    QTest::addColumn<QByteArray>("existingCopy"); // null: no working copy yet
    QTest::addColumn<bool>("entered");            // false: the launch directory stays current

    QTest::newRow("first start: seed copied") << "data" << true << false << QByteArray() << true;
    QTest::newRow("data directory created") << "data/new" << true << false << QByteArray() << true;
    QTest::newRow("existing copy never replaced")
        << "data" << true << false << QByteArray("updated\n") << true;
    QTest::newRow("existing empty copy never replaced") << "data" << true << false << QByteArray("") << true;
    QTest::newRow("missing parents created too")
        << "data/missing/new" << true << false << QByteArray() << true;
    QTest::newRow("a file in the way: nothing written")
        << "data/file/new" << true << false << QByteArray() << false;
    QTest::newRow("no seed: nothing created") << "data" << false << false << QByteArray() << true;
    QTest::newRow("read-only seed gives a writable copy") << "data" << true << true << QByteArray() << true;
    QTest::newRow("no data directory: launch directory kept") << "" << true << false << QByteArray() << false;
}

void TestMappingDb::enterDataDirectory()
{
    QFETCH(QString, dataDir);
    QFETCH(bool, seedPresent);
    QFETCH(bool, seedReadOnly);
    QFETCH(QByteArray, existingCopy);
    QFETCH(bool, entered);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir(root.path()).mkpath(QStringLiteral("launch"));
    QDir(root.path()).mkpath(QStringLiteral("program"));
    QDir(root.path()).mkpath(QStringLiteral("data"));
    const QString launch = root.filePath(QStringLiteral("launch"));
    const QString seed = root.filePath(QStringLiteral("program/gamecontrollerdb.txt"));
    const QByteArray seedBytes = kSeedHeader + mappingLine(testGuid(1), "Seeded Pad") + '\n';
    if (seedPresent) {
        QVERIFY(writeFile(seed, seedBytes));
        if (seedReadOnly)
            QVERIFY(QFile::setPermissions(seed, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                    QFileDevice::ReadOther));
    }
    const QString data = dataDir.isEmpty() ? QString() : root.filePath(dataDir);
    if (!existingCopy.isNull())
        QVERIFY(writeFile(QDir(data).filePath(kCommunityDatabaseFile), existingCopy));
    QVERIFY(writeFile(root.filePath(QStringLiteral("data/file")), "in the way"));
    QVERIFY(QDir::setCurrent(launch));

    QString error;
    QCOMPARE(::enterDataDirectory(data, seed, &error), entered);
    QCOMPARE(error.isEmpty(), entered);

    const QString expectedDir = entered ? data : launch;
    QCOMPARE(QDir::current().canonicalPath(), QDir(expectedDir).canonicalPath());
    // The working copy is addressed by its bare name from now on.
    const QString copy = QString::fromLatin1(kCommunityDatabaseFile);
    if (!entered) {
        QVERIFY(!QFileInfo::exists(data));
        QCOMPARE(QDir(launch).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        return;
    }
    if (dataDir != QLatin1String("data")) // created here: private to the user
        QCOMPARE(QFileInfo(data).permissions() & 0x0077, QFileDevice::Permissions());
    if (!existingCopy.isNull())
        QCOMPARE(readFile(copy), existingCopy);
    else if (seedPresent)
        QCOMPARE(readFile(copy), seedBytes);
    else
        QVERIFY(!QFileInfo::exists(copy));
    if (seedReadOnly)
        QVERIFY(QFile::permissions(copy) & QFileDevice::WriteOwner);
    QVERIFY(!QFileInfo::exists(QString::fromLatin1(kLocalDatabaseFile)));
}

void TestMappingDb::loadingAndPrecedence()
{
    QTemporaryDir data;
    QVERIFY(data.isValid());
    const QByteArray both = testGuid(0x10), communityOnly = testGuid(0x11), added = testGuid(0x12),
                     localOnly = testGuid(0x13);
    const QString seed = data.filePath(QStringLiteral("seed.txt"));
    QVERIFY(writeFile(seed, mappingLine(both, "Community Both") + '\n' +
                                mappingLine(communityOnly, "Community") + '\n'));

    // First start: seed copied, no local file yet.
    ::enterDataDirectory(data.path(), seed);
    loadMappingFiles();
    QCOMPARE(sdlMappingName(both), QByteArray("Community Both"));
    QCOMPARE(sdlMappingName(communityOnly), QByteArray("Community"));

    // The user's own file wins for the GUID both files map.
    QVERIFY(writeFile(kLocalDatabaseFile,
                      mappingLine(both, "Local Both", "b3") + '\n' + mappingLine(localOnly, "Local") + '\n'));
    loadMappingFiles();
    QCOMPARE(sdlMappingName(both), QByteArray("Local Both"));
    QCOMPARE(sdlMappingName(localOnly), QByteArray("Local"));

    // After an update: new community entries arrive, the local one still wins.
    QVERIFY(replaceWorkingCopy(kCommunityDatabaseFile, mappingLine(both, "Community Both v2") + '\n' +
                                                           mappingLine(communityOnly, "Community v2") + '\n' +
                                                           mappingLine(added, "Community Added") + '\n'));
    loadMappingFiles();
    QCOMPARE(sdlMappingName(both), QByteArray("Local Both"));
    QCOMPARE(sdlMappingName(communityOnly), QByteArray("Community v2"));
    QCOMPARE(sdlMappingName(added), QByteArray("Community Added"));
    char* mapping = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString(both.constData()));
    QVERIFY(QByteArray(mapping).contains("a:b3"));
    SDL_free(mapping);

    // A later start keeps the updated copy.
    ::enterDataDirectory(data.path(), seed);
    QVERIFY(readFile(kCommunityDatabaseFile).contains("Community Added"));
}

void TestMappingDb::windowsLineEndsNeverReachSdl_data()
{
    QTest::addColumn<QString>("source");
    for (const char* source :
         {"community file", "local file", "SDL_GAMECONTROLLERCONFIG_FILE", "SDL_GAMECONTROLLERCONFIG"})
        QTest::newRow(source) << QString::fromLatin1(source);
}

// Lines written with Windows line ends reach SDL without the "\r", so the line SDL hands back (what Copy
// Mapping String gives, what a single-control fix rewrites) holds none either.
void TestMappingDb::windowsLineEndsNeverReachSdl()
{
    QFETCH(QString, source);
    QTemporaryDir data;
    QVERIFY(data.isValid());
    QVERIFY(::enterDataDirectory(data.path(), QString()));
    const QByteArray first = testGuid(0x14), last = testGuid(0x15);
    const QByteArray text = mappingLine(first, source.toUtf8()) + "\r\n" + mappingLine(last, "Last") + "\r\n";
    const QString file = data.filePath(QStringLiteral("configured.txt"));
    struct Unset {
        ~Unset()
        {
            qunsetenv(SDL_HINT_GAMECONTROLLERCONFIG);
            qunsetenv(SDL_HINT_GAMECONTROLLERCONFIG_FILE);
        }
    } unset;
    if (source == QLatin1String("community file"))
        QVERIFY(writeFile(kCommunityDatabaseFile, text));
    else if (source == QLatin1String("local file"))
        QVERIFY(writeFile(kLocalDatabaseFile, text));
    else if (source == QLatin1String("SDL_GAMECONTROLLERCONFIG_FILE"))
        QVERIFY(writeFile(file, text) &&
                qputenv(SDL_HINT_GAMECONTROLLERCONFIG_FILE, QFile::encodeName(file)));
    else
        QVERIFY(qputenv(SDL_HINT_GAMECONTROLLERCONFIG, text));
    loadMappingFiles();

    for (const QByteArray& guid : {first, last}) {
        char* mapping = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString(guid.constData()));
        const QByteArray held(mapping ? mapping : "");
        SDL_free(mapping);
        QVERIFY2(held.startsWith(guid) && !held.contains('\r'), held.constData());
    }
}

void TestMappingDb::seedFile()
{
    // The seed the build puts beside the program is a mapping database: a first start without network
    // knows its mappings, and the update check replaces the copy as before.
    const QString seed = QStringLiteral(STICKWELL_SEED_FILE);
    const QByteArray bytes = readFile(seed);
    QString why;
    QVERIFY2(::looksLikeMappingDatabase(bytes, &why), qPrintable(why));
    const int added = SDL_GameControllerAddMappingsFromRW(SDL_RWFromFile(qPrintable(seed), "rb"), 1);
    QVERIFY2(added > 100, qPrintable(QString::number(added)));

    QTemporaryDir data;
    QVERIFY(data.isValid());
    const QString copy = data.filePath(kCommunityDatabaseFile);
    QVERIFY(QFile::copy(seed, copy));
    QCOMPARE(checkDownloadedDatabase(bytes, QString(), copy, true).result, UpdateCheckResult::UpToDate);
    const QByteArray newer = bytes + mappingLine(testGuid(0x20), "Pad") + '\n';
    QCOMPARE(checkDownloadedDatabase(newer, QString(), copy, false).result, UpdateCheckResult::Differs);
}

void TestMappingDb::loadSnapshot()
{
    if (!QFileInfo::exists(kSnapshot))
        QSKIP("no database snapshot in the shared data folder");
    const QByteArray snapshot = readFile(kSnapshot);
    QVERIFY(::looksLikeMappingDatabase(snapshot));

    QTemporaryDir data;
    QVERIFY(data.isValid());
    ::enterDataDirectory(data.path(), kSnapshot);
    QCOMPARE(readFile(kCommunityDatabaseFile), snapshot);
    loadMappingFiles();

    // Every Linux line of the snapshot is known to SDL under its GUID afterwards ("xinput" names
    // Windows' XInput devices, not a GUID).
    int linuxLines = 0;
    QStringList missing;
    for (const QByteArray& line : snapshot.split('\n')) {
        if (line.startsWith('#') || line.startsWith("xinput,") || !line.contains("platform:Linux"))
            continue;
        ++linuxLines;
        const QList<QByteArray> fields = line.split(',');
        if (sdlMappingName(fields.at(0)) != fields.at(1))
            missing << QString::fromUtf8(fields.at(0) + ',' + fields.at(1));
    }
    QVERIFY(linuxLines > 100);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.mid(0, 5).join(QLatin1String("; "))));
}

// --- the pad's identity ---

void TestMappingDb::sdlTextOfVirtualPad()
{
    VirtualPad::Layout layout;
    layout.name = "Portable Line Pad";
    VirtualPad pad(layout);
    QVERIFY(pad.attach());
    // No device node: the CRC is SDL's, its CRC-16 of the name.
    const PadIdentity identity = joystickIdentity(pad.joystick());
    QCOMPARE(identity.crc, ::nameCrc(layout.name));

    SDL_GameController* controller = SDL_GameControllerOpen(pad.deviceIndex());
    QVERIFY(controller);
    char* text = SDL_GameControllerMapping(controller);
    const QByteArray sdlText(text);
    SDL_free(text);
    SDL_GameControllerClose(controller);
    // SDL's "<GUID>,<name>,<bindings>,crc:…,platform:Linux" turns into the portable line.
    QByteArray bindings = sdlText.mid(sdlText.indexOf(",a:"));
    bindings.replace("," + pad.crcField() + ",platform:Linux", ",");
    MappingLine line;
    QVERIFY(MappingLine::parse(sdlText, &line));
    line.crc = identity.crc;
    QCOMPARE(line.text(),
             pad.portableGuidText() + ",Portable Line Pad,platform:Linux," + pad.crcField() + bindings);
}

void TestMappingDb::kernelDeviceName()
{
    QTemporaryDir sysfs;
    QVERIFY(QDir(sysfs.path()).mkpath("class/input/event7/device"));
    QVERIFY(writeFile(sysfs.filePath("class/input/event7/device/name"), "Raw Kernel  Pad\n"));
    QCOMPARE(::kernelDeviceName("/dev/input/event7", sysfs.path()), QByteArray("Raw Kernel  Pad"));
    QCOMPARE(::kernelDeviceName("/dev/input/event9", sysfs.path()), QByteArray());
    // The kernel's name gives the line's CRC; without one (a virtual pad), SDL's GUID does.
    const QByteArray sdlGuid = "03002b32aaaa00000000bbbb00000000";
    QCOMPARE(padIdentity(sdlGuid, "Raw Kernel  Pad").crc, ::nameCrc("Raw Kernel  Pad"));
    QCOMPARE(padIdentity(sdlGuid, "Raw Kernel  Pad").sdlCrc, quint16(0x322b));
    QCOMPARE(padIdentity(sdlGuid, QByteArray()).crc, quint16(0x322b));
}

// --- the local file ---

void TestMappingDb::saveLocalMapping_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file yet
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QList<int>>("skipped"); // numbers of the lines reported as unreadable

    const QByteArray a = mappingLine(testGuid(0x31), "Pad A"), b = mappingLine(testGuid(0x32), "Pad B");
    const QByteArray old = mappingLine(testGuid(0x30), "Old Name");
    const QByteArray mine = mappingLine(testGuid(0x30), "New Name");

    const QByteArray twin = mappingLine(testGuid(0x33), "Twin of " + testGuid(0x30));
    const QList<int> none;

    QTest::newRow("no file yet") << QByteArray() << mine + '\n' << none;
    QTest::newRow("empty file") << QByteArray("") << mine + '\n' << none;
    QTest::newRow("other pads kept in order, new line last") << a + '\n' + b + '\n'
                                                             << a + '\n' + b + '\n' + mine + '\n'
                                                             << none;
    QTest::newRow("earlier line of this pad replaced") << a + '\n' + old + '\n' + b + '\n'
                                                       << a + '\n' + b + '\n' + mine + '\n'
                                                       << none;
    QTest::newRow("comments and lines that mention the GUID kept")
        << "# mine was " + testGuid(0x30) + " once\n" + old + '\n' + a + '\n' + old + '\n' + twin + '\n'
        << "# mine was " + testGuid(0x30) + " once\n" + a + '\n' + twin + '\n' + mine + '\n'
        << none;
    QTest::newRow("missing final newline") << a + '\n' + b << a + '\n' + b + '\n' + mine + '\n' << none;
    QTest::newRow("missing final newline, last line this pad's") << a + '\n' + old << a + '\n' + mine + '\n'
                                                                 << none;
    QTest::newRow("empty lines kept") << a + "\n\n" + b + "\n\n"
                                      << a + "\n\n" + b + "\n\n" + mine + '\n'
                                      << none;
    QTest::newRow("CRLF lines") << a + "\r\n" + b + "\r\n" << a + '\n' + b + '\n' + mine + '\n' << none;
    QTest::newRow("other bytes kept exactly")
        << QByteArray("# caf\xc3\xa9 \xff\xfe not UTF-8\n") + a + '\n'
        << QByteArray("# caf\xc3\xa9 \xff\xfe not UTF-8\n") + a + '\n' + mine + '\n'
        << none;

    // The pad's CRCs are 322b (kernel name) and 1111 (SDL's GUID), see saveLocalMapping().
    const QByteArray guid = testGuid(0x30);
    const QByteArray crcInGuid = guid.left(4) + "2b32" + guid.mid(8) + ",Older Form,a:b0,platform:Linux,";
    QTest::newRow("older line with the CRC inside the GUID replaced") << a + '\n' + crcInGuid + '\n'
                                                                      << a + '\n' + mine + '\n'
                                                                      << none;
    QTest::newRow("lines with either CRC of the pad replaced")
        << old + "crc:1111,\n" + a + '\n' + old + "crc:322B,\n"
        << a + '\n' + mine + '\n'
        << none;
    QTest::newRow("same ids, other name: its line kept") << old + "crc:abcd,\n"
                                                         << old + "crc:abcd,\n" + mine + '\n'
                                                         << none;
    const QByteArray bad = "0300aaaa,Short GUID,a:b0,\n" + old + "crc:12,\n" + old + "crc:1111,crc:322b,\n" +
                           old + "crc:wxyz,\n";
    QTest::newRow("unreadable lines kept and reported") << bad + a + '\n'
                                                        << bad + a + '\n' + mine + '\n'
                                                        << QList<int>({1, 2, 3, 4});
    QTest::newRow("XInput line kept") << QByteArray("xinput,XInput,a:b0,\n") + a + '\n'
                                      << QByteArray("xinput,XInput,a:b0,\n") + a + '\n' + mine + '\n'
                                      << none;
}

void TestMappingDb::saveLocalMapping()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);

    QTemporaryDir data;
    QVERIFY(data.isValid());
    const QString path = data.filePath(kLocalDatabaseFile);
    if (!before.isNull())
        QVERIFY(writeFile(path, before));
    QFETCH(QList<int>, skipped);
    PadIdentity pad;
    pad.guid = testGuid(0x30);
    pad.crc = 0x322b;
    pad.sdlCrc = 0x1111;
    QString error = QStringLiteral("stale");
    QStringList reported;
    QVERIFY(::saveLocalMapping(path, pad, mappingLine(testGuid(0x30), "New Name"), &error, &reported));
    QVERIFY(error.isEmpty());
    QCOMPARE(readFile(path), after);
    QCOMPARE(reported.size(), skipped.size());
    for (int i = 0; i < skipped.size(); ++i)
        QVERIFY2(
            reported.at(i).startsWith(
                QStringLiteral("Line %1 of %2 kept as it is: ").arg(skipped.at(i)).arg(kLocalDatabaseFile)),
            qPrintable(reported.at(i)));
    // Nothing but the file itself is left in the directory.
    QCOMPARE(QDir(data.path()).entryList(QDir::Files | QDir::Hidden), QStringList{kLocalDatabaseFile});
}

void TestMappingDb::saveLocalMappingRefusals()
{
    QTemporaryDir data;
    QVERIFY(data.isValid());
    const QString path = data.filePath(kLocalDatabaseFile);
    const QByteArray before = mappingLine(testGuid(0x31), "Pad A") + '\n';
    QVERIFY(writeFile(path, before));

    // An empty GUID is held by every line: it must not wipe the file.
    QString error;
    QVERIFY(!::saveLocalMapping(path, QByteArray(), mappingLine(testGuid(0x30), "X"), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(path), before);
    // A line break would split the line.
    QVERIFY(!::saveLocalMapping(path, testGuid(0x30), testGuid(0x30) + ",X\nY,a:b0,", &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(path), before);
}

// The lines of the user's file that games never see, named for the log by their numbers as an editor
// shows them; what SDL passes over by design (blank lines, comments) is not named.
void TestMappingDb::skippedLinesReport()
{
    QTemporaryDir data;
    QVERIFY(data.isValid());
    const QString path = data.filePath(kLocalDatabaseFile);
    QCOMPARE(::skippedLinesReport(path), QStringList());
    const QByteArray good = mappingLine(testGuid(0x34), "Good Pad");
    QVERIFY(writeFile(path, "# mine\r\n" + good + "\r\n\r\n" + testGuid(0x35) + ",No Platform,a:b0,\r\n" +
                                good + "\n" + testGuid(0x36) + ",Windows Pad,a:b0,platform:Windows,\n" +
                                "0300,Short GUID,a:b0,platform:Linux,"));
    QCOMPARE(::skippedLinesReport(path),
             QStringList(
                 {"Line 4 of gamecontrollerdb.local.txt is skipped by SDL: it has no platform: field",
                  "Line 6 of gamecontrollerdb.local.txt is skipped by SDL: it is for \"Windows\", not Linux",
                  "Line 7 of gamecontrollerdb.local.txt is skipped by SDL: its GUID \"0300\" is not 32 hex "
                  "digits"}));
}

// --- names and the final mapping ---

void TestMappingDb::acceptGamepadName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("name");

    const QString emoji = QString::fromUtf8("\xf0\x9f\x8e\xae"); // one character, two QChars
    QTest::newRow("empty") << QString() << true << "Unknown Gamepad";
    QTest::newRow("blanks only") << "   " << true << "Unknown Gamepad";
    QTest::newRow("as typed") << "My Pad" << true << "My Pad";
    QTest::newRow("leading and trailing blanks kept") << "  My  Pad " << true << "  My  Pad ";
    QTest::newRow("non-ASCII") << QString::fromUtf8("Manette \xc3\x9c \xe6\x89\x8b\xe6\x9f\x84") << true
                               << QString::fromUtf8("Manette \xc3\x9c \xe6\x89\x8b\xe6\x9f\x84");
    QTest::newRow("128 kept") << QString(128, 'n') << true << QString(128, 'n');
    QTest::newRow("129 cut") << QString(129, 'n') << true << QString(128, 'n');
    QTest::newRow("200 cut") << QString(200, 'n') << true << QString(128, 'n');
    QTest::newRow("pair ending at 128 kept")
        << QString(126, 'n') + emoji + "tail" << true << QString(126, 'n') + emoji;
    QTest::newRow("pair across 128 not split") << QString(127, 'n') + emoji << true << QString(127, 'n');
    QTest::newRow("comma refused") << "Pad, the second" << false << QString();
    QTest::newRow("comma past 128 refused") << QString(150, 'n') + "," << false << QString();
    QTest::newRow("line feed refused") << "Pad\nTwo" << false << QString();
    QTest::newRow("carriage return refused") << "Pad\r" << false << QString();
    QTest::newRow("tab refused") << "Pad\tTwo" << false << QString();
    QTest::newRow("DEL refused") << "Pad\x7f" << false << QString();
    QTest::newRow("C1 next-line refused") << QString("Pad") + QChar(0x85) << false << QString();
    QTest::newRow("line separator refused") << QString("Pad") + QChar(0x2028) << false << QString();
}

void TestMappingDb::acceptGamepadName()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QString, name);

    QString result = QStringLiteral("untouched");
    QString error;
    QCOMPARE(::acceptGamepadName(typed, &result, &error), accepted);
    if (accepted) {
        QCOMPARE(result, name);
        QVERIFY(error.isEmpty());
    } else {
        QCOMPARE(result, QStringLiteral("untouched"));
        QVERIFY(!error.isEmpty());
    }
}

void TestMappingDb::suggestedGamepadName_data()
{
    QTest::addColumn<QByteArray>("sdlName"); // null: SDL gave no name
    QTest::addColumn<QString>("suggestion");
    QTest::newRow("no name") << QByteArray() << QString();
    QTest::newRow("white space folded") << QByteArray(" \tUSB   Game\nPad  ") << "USB Game Pad";
    QTest::newRow("UTF-8") << QByteArray("Manette \xc3\x9c") << QString::fromUtf8("Manette \xc3\x9c");
    QTest::newRow("commas become blanks") << QByteArray("Pad, Inc.,Pro") << "Pad Inc. Pro";
    QTest::newRow("control characters become blanks")
        << QByteArray("Pad\x7f\xc2\x85X\xe2\x80\xa8Y") << "Pad X Y";
}

void TestMappingDb::suggestedGamepadName()
{
    QFETCH(QByteArray, sdlName);
    QFETCH(QString, suggestion);
    QCOMPARE(::suggestedGamepadName(sdlName.isNull() ? nullptr : sdlName.constData()), suggestion);
    // Return on the suggestion must save it as it stands.
    QString name;
    QVERIFY(::acceptGamepadName(suggestion, &name, nullptr));
    if (!suggestion.isEmpty())
        QCOMPARE(name, suggestion);
}

// --- the submission ---

void TestMappingDb::submission_data()
{
    QTest::addColumn<QByteArray>("mapping");
    const QByteArray guid = testGuid(0x50);
    QTest::newRow("half-axis bindings")
        << guid + ",Pad,a:b0,+leftx:b5,-leftx:b4,lefttrigger:+a2,platform:Linux,";
    QTest::newRow("form-reserved characters") << guid + ",Pad & Co = 100% #1? a+b; c/d,a:b0,platform:Linux,";
    QTest::newRow("non-ASCII name")
        << guid + ",Manette \xc3\x9c \xe6\x89\x8b\xe6\x9f\x84 \xf0\x9f\x8e\xae,a:b0,platform:Linux,";
    QTest::newRow("unreserved and odd characters") << guid + ",~_.-*'()!$@[]{}|\\^`\",a:b0,platform:Linux,";
}

void TestMappingDb::submission()
{
    QFETCH(QByteArray, mapping);
    if (!m_serverRunning)
        QSKIP(qPrintable(m_serverError));
    const QByteArray guid = testGuid(0x50);

    const QByteArray body = submissionBody(guid, mapping);
    QVERIFY(body.startsWith("guid=" + guid + "&mapping="));
    QVERIFY(!body.contains('+'));
    QCOMPARE(body.count('&'), 1);

    QNetworkAccessManager manager;
    QNetworkReply* reply =
        submitMapping(&manager, QUrl(m_server.url("/gamecontrollerdb.php")), guid, mapping);
    QSignalSpy finished(reply, SIGNAL(finished()));
    QVERIFY(finished.wait(10000));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    reply->deleteLater();

    const QJsonObject request = m_server.nextRequest();
    QCOMPARE(request.value("method").toString(), QStringLiteral("POST"));
    QCOMPARE(request.value("path").toString(), QStringLiteral("/gamecontrollerdb.php"));
    QCOMPARE(request.value("content_type").toString(), QStringLiteral("application/x-www-form-urlencoded"));
    QCOMPARE(request.value("body").toString().toLatin1(), body);
    // Python's form decoder gives back the exact GUID and mapping, in this order.
    const QJsonArray items = request.value("items").toArray();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.at(0).toArray().at(0).toString(), QStringLiteral("guid"));
    QCOMPARE(items.at(0).toArray().at(1).toString().toUtf8(), guid);
    QCOMPARE(items.at(1).toArray().at(0).toString(), QStringLiteral("mapping"));
    QCOMPARE(items.at(1).toArray().at(1).toString().toUtf8(), mapping);

    const QUrl defaultUrl(QString::fromLatin1(kDefaultSubmissionUrl));
    QCOMPARE(defaultUrl.scheme(), QStringLiteral("http"));
    QCOMPARE(defaultUrl.path(), QStringLiteral("/gamecontrollerdb.php"));
}

// --- the update check ---

void TestMappingDb::looksLikeMappingDatabase_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("database");
    const QByteArray line = mappingLine(testGuid(0x60), "Pad");
    QTest::newRow("mappings and comments") << "# head\n\n" + line + '\n' << true;
    QTest::newRow("CRLF, no final newline") << "# head\r\n" + line + "\r\n" + line << true;
    QTest::newRow("xinput GUID") << QByteArray("xinput,XInput Controller,a:b0,platform:Windows,\n") << true;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("comments only") << kSeedHeader << false;
    QTest::newRow("HTML") << kHtml404 << false;
    QTest::newRow("HTML after mappings") << line + "\n<html><body>oops</body></html>\n" << false;
    QTest::newRow("JSON") << QByteArray("{\"message\": \"Not Found\"}\n") << false;
    QTest::newRow("plain text error") << QByteArray("404: Not Found") << false;
    QTest::newRow("GUID too short") << QByteArray("0300,Pad,a:b0,platform:Linux,\n") << false;
    QTest::newRow("field without colon") << testGuid(0x60) + ",Pad,a:b0,junk,\n" << false;
    QTest::newRow("NUL byte") << line + QByteArray("\n\0\n", 3) << false;
    QTest::newRow("not UTF-8") << line + "\n\xff\xfe\xfd\n" << false;
    QTest::newRow("UTF-8 cut off at the end") << line + "\n# caf\xc3" << false;
}

void TestMappingDb::looksLikeMappingDatabase()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, database);
    QString why = QStringLiteral("stale");
    QCOMPARE(::looksLikeMappingDatabase(bytes, &why), database);
    QCOMPARE(why.isEmpty(), database);
}

void TestMappingDb::updateCheck_data()
{
    QTest::addColumn<QJsonObject>("routes");
    QTest::addColumn<QString>("path");           // "refused": a port where nothing listens
    QTest::addColumn<QByteArray>("workingCopy"); // null: none
    QTest::addColumn<UpdateCheckResult>("result");
    QTest::addColumn<QByteArray>("served"); // what replaces the working copy when the result is Differs
    QTest::addColumn<QString>("why");       // part of the reason given

    const QByteArray v1 = "# mappings v1\n" + mappingLine(testGuid(0x70), "Pad One") + '\n';
    const QByteArray v2 = v1 + mappingLine(testGuid(0x71), "Pad Two") + '\n';
    QByteArray big; // several kilobytes, so cuts fall inside the body
    for (int i = 0; i < 200; ++i)
        big += mappingLine(testGuid(0x100 + i), "Pad " + QByteArray::number(i)) + '\n';
    using R = UpdateCheckResult;
    const QString base = m_server.url(QString());

    QTest::newRow("identical bytes") << QJsonObject{{"/db", route(200, v1)}} << "/db" << v1 << R::UpToDate
                                     << QByteArray() << QString();
    QTest::newRow("different bytes") << QJsonObject{{"/db", route(200, v2)}} << "/db" << v1 << R::Differs
                                     << v2 << QString();
    QTest::newRow("header-only seed differs")
        << QJsonObject{{"/db", route(200, big)}} << "/db" << kSeedHeader << R::Differs << big << QString();
    QTest::newRow("no working copy") << QJsonObject{{"/db", route(200, v2)}} << "/db" << QByteArray()
                                     << R::NoWorkingCopy << QByteArray() << QString("does not exist");
    QTest::newRow("gzip-encoded body") << QJsonObject{{"/db", route(200, big, {{"gzip", true}})}} << "/db"
                                       << v1 << R::Differs << big << QString();
    QTest::newRow("chunked body") << QJsonObject{{"/db", route(200, big, {{"chunked", true}})}} << "/db" << v1
                                  << R::Differs << big << QString();
    // Without a length or chunks, the body's end is wherever the connection ended: a body that keeps
    // the working copy's pads is taken, one that ends inside a line or loses many of them is not.
    QByteArray bigHead, fewerPads;
    for (int i = 0; i < 200; ++i) {
        const QByteArray line = mappingLine(testGuid(0x100 + i), "Pad " + QByteArray::number(i)) + '\n';
        if (i < 20)
            bigHead += line;
        if (i % 40 != 7)
            fewerPads += line;
    }
    // A cut after a comma leaves a line that still reads as a mapping.
    const int cutAfterLine = big.indexOf(testGuid(0x100 + 100));
    const int cutInLine = big.indexOf(",b:b1,", cutAfterLine) + 1;
    QTest::newRow("no length, ends with the connection")
        << QJsonObject{{"/db", route(200, big, {{"no_length", true}})}} << "/db" << bigHead << R::Differs
        << big << QString();
    QTest::newRow("no length, a few of the copy's pads gone")
        << QJsonObject{{"/db", route(200, fewerPads, {{"no_length", true}})}} << "/db" << big << R::Differs
        << fewerPads << QString();
    QTest::newRow("no length, ends inside a line")
        << QJsonObject{{"/db", route(200, big, {{"no_length", true}, {"cut_at", cutInLine}})}} << "/db"
        << bigHead << R::Failed << QByteArray() << QString("inside a line");
    QTest::newRow("no length, ends after a line, half the copy's pads gone")
        << QJsonObject{{"/db", route(200, big, {{"no_length", true}, {"cut_at", cutAfterLine}})}} << "/db"
        << big << R::Failed << QByteArray() << QString("lacks 100 of the 200 mappings");
    QTest::newRow("chunked, half the copy's pads gone")
        << QJsonObject{{"/db", route(200, bigHead, {{"chunked", true}})}} << "/db" << big << R::Differs
        << bigHead << QString();
    QTest::newRow("redirect followed (absolute)")
        << QJsonObject{{"/old", redirect(301, base + "/db")}, {"/db", route(200, v2)}} << "/old" << v1
        << R::Differs << v2 << QString();
    QTest::newRow("redirects followed (relative, two steps)")
        << QJsonObject{{"/a", redirect(302, "/b")}, {"/b", redirect(307, "/db")}, {"/db", route(200, v2)}}
        << "/a" << v1 << R::Differs << v2 << QString();
    QTest::newRow("empty body") << QJsonObject{{"/db", route(200, QByteArray())}} << "/db" << v1 << R::Failed
                                << QByteArray() << QString("empty");
    QTest::newRow("404 with HTML") << QJsonObject{{"/db", route(404, kHtml404)}} << "/db" << v1 << R::Failed
                                   << QByteArray() << QString("404");
    QTest::newRow("500 with HTML") << QJsonObject{{"/db", route(500, kHtml500)}} << "/db" << v1 << R::Failed
                                   << QByteArray() << QString("500");
    QTest::newRow("500 with a database body")
        << QJsonObject{{"/db", route(500, v2)}} << "/db" << v1 << R::Failed << QByteArray() << QString("500");
    QTest::newRow("204 no content") << QJsonObject{{"/db", route(204, QByteArray())}} << "/db" << v1
                                    << R::Failed << QByteArray() << QString("204");
    QTest::newRow("HTML page with 200") << QJsonObject{{"/db", route(200, kLoginPage)}} << "/db" << v1
                                        << R::Failed << QByteArray() << QString("HTML");
    QTest::newRow("binary body with 200")
        << QJsonObject{{"/db", route(200, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16))}} << "/db" << v1
        << R::Failed << QByteArray() << QString("binary");
    QTest::newRow("closed part way (Content-Length)")
        << QJsonObject{{"/db", route(200, big, {{"cut_at", big.size() / 2}})}} << "/db" << v1 << R::Failed
        << QByteArray() << QString("network error");
    QTest::newRow("closed part way (chunked)")
        << QJsonObject{{"/db", route(200, big, {{"chunked", true}, {"cut_at", big.size() / 2}})}} << "/db"
        << v1 << R::Failed << QByteArray() << QString("network error");
    QTest::newRow("redirect to a 404") << QJsonObject{{"/old", redirect(302, "/gone")}} << "/old" << v1
                                       << R::Failed << QByteArray() << QString("404");
    QTest::newRow("redirect loop") << QJsonObject{{"/a", redirect(302, "/b")}, {"/b", redirect(302, "/a")}}
                                   << "/a" << v1 << R::Failed << QByteArray() << QString("redirect");
    QTest::newRow("redirect without a Location") << QJsonObject{{"/db", route(302, QByteArray())}} << "/db"
                                                 << v1 << R::Failed << QByteArray() << QString("302");
    QTest::newRow("connection refused")
        << QJsonObject() << "refused" << v1 << R::Failed << QByteArray() << QString("network error");
    if (QFileInfo::exists(kSnapshot)) {
        QTest::newRow("database snapshot over a header-only seed")
            << QJsonObject{{"/db", QJsonObject{{"body_file", kSnapshot}}}} << "/db" << kSeedHeader
            << R::Differs << readFile(kSnapshot) << QString();
    }
}

void TestMappingDb::updateCheck()
{
    QFETCH(QJsonObject, routes);
    QFETCH(QString, path);
    QFETCH(QByteArray, workingCopy);
    QFETCH(UpdateCheckResult, result);
    QFETCH(QByteArray, served);
    QFETCH(QString, why);
    if (!m_serverRunning)
        QSKIP(qPrintable(m_serverError));

    QTemporaryDir data;
    QVERIFY(data.isValid());
    const QString copy = data.filePath(kCommunityDatabaseFile);
    if (!workingCopy.isNull())
        QVERIFY(writeFile(copy, workingCopy));
    m_server.setRoutes(routes);

    QString url;
    if (path == QLatin1String("refused")) {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        url = QStringLiteral("http://127.0.0.1:%1/db").arg(probe.serverPort());
        probe.close();
    } else {
        url = m_server.url(path);
    }

    const Download got = download(url);
    QVERIFY(got.finished);
    const UpdateCheckOutcome outcome = checkDownloadedDatabase(got.data, got.error, copy, got.endProven);
    QVERIFY2(outcome.result == result, qPrintable(outcome.reason));
    if (result == UpdateCheckResult::Failed)
        QVERIFY2(outcome.reason.contains(why), qPrintable(outcome.reason));
    else
        QVERIFY2(got.error.isEmpty(), qPrintable(got.error));
    if (!got.error.isEmpty())
        QVERIFY(got.data.isEmpty());

    // What the window does with the outcome: replace only when the bytes differ.
    if (outcome.result == UpdateCheckResult::Differs) {
        QString error;
        QVERIFY2(replaceWorkingCopy(copy, got.data, &error), qPrintable(error));
        QCOMPARE(readFile(copy), served);
    } else if (workingCopy.isNull()) {
        QVERIFY(!QFileInfo::exists(copy));
    } else {
        QCOMPARE(readFile(copy), workingCopy);
    }
    QCOMPARE(QDir(data.path()).entryList(QDir::Files | QDir::Hidden).size(), workingCopy.isNull() ? 0 : 1);
}

// A body that trickles in never falls silent long enough for the transfer timeout: the deadline ends it.
void TestMappingDb::updateCheckDeadline()
{
    if (!m_serverRunning)
        QSKIP(qPrintable(m_serverError));
    const QByteArray database = mappingLine(testGuid(0x90), "Slow Pad") + '\n';
    m_server.setRoutes({{"/db", route(200, database, {{"trickle_ms", 100}})}});
    const Download got = download(m_server.url("/db"), 1500);
    QVERIFY(got.finished);
    QCOMPARE(got.error, QStringLiteral("no complete answer within 1500 ms"));
    QVERIFY(got.data.isEmpty());
}

void TestMappingDb::updateCheckOverHttps_data()
{
    QTest::addColumn<bool>("toPlainHttp");
    QTest::newRow("HTTPS to HTTPS followed") << false;
    QTest::newRow("HTTPS to plain HTTP refused") << true;
}

void TestMappingDb::updateCheckOverHttps()
{
    QFETCH(bool, toPlainHttp);
    if (!m_serverRunning)
        QSKIP(qPrintable(m_serverError));
    if (!QSslSocket::supportsSsl())
        QSKIP("Qt has no TLS support here");
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty())
        QSKIP("openssl is not installed: no certificate for a loopback HTTPS server");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString cert = dir.filePath(QStringLiteral("cert.pem")),
                  key = dir.filePath(QStringLiteral("key.pem"));
    QCOMPARE(run(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                           "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"}),
             0);
    // Trust the loopback certificate for this process only.
    QSslConfiguration saved = QSslConfiguration::defaultConfiguration();
    QSslConfiguration trusting = saved;
    trusting.setCaCertificates(saved.caCertificates() + QSslCertificate::fromPath(cert));
    QSslConfiguration::setDefaultConfiguration(trusting);
    struct Restore {
        QSslConfiguration configuration;
        ~Restore() { QSslConfiguration::setDefaultConfiguration(configuration); }
    } restore{saved};

    LoopbackServer https;
    QVERIFY2(https.start(cert, key), qPrintable(https.errorString()));
    const QByteArray database = mappingLine(testGuid(0x80), "Secure Pad") + '\n';
    const QString target = toPlainHttp ? m_server.url("/db") : https.url("/db");
    https.setRoutes({{"/old", redirect(301, target)}, {"/db", route(200, database)}});
    m_server.setRoutes({{"/db", route(200, database)}});

    QTemporaryDir data;
    const QString copy = data.filePath(kCommunityDatabaseFile);
    QVERIFY(writeFile(copy, kSeedHeader));
    const Download got = download(https.url("/old"));
    QVERIFY(got.finished);
    const UpdateCheckOutcome outcome = checkDownloadedDatabase(got.data, got.error, copy, got.endProven);
    if (toPlainHttp) {

        QCOMPARE(outcome.result, UpdateCheckResult::Failed);
        QVERIFY2(outcome.reason.contains(QLatin1String("redirect")), qPrintable(outcome.reason));
        QVERIFY(got.data.isEmpty());
        // The plain-HTTP address was never asked.
        QVERIFY(m_server.takeRequests().isEmpty());
    } else {
        QVERIFY2(outcome.result == UpdateCheckResult::Differs, qPrintable(outcome.reason));
        QCOMPARE(got.data, database);
    }
    QCOMPARE(readFile(copy), kSeedHeader);
}

QTEST_GUILESS_MAIN(TestMappingDb)
#include "test_mappingdb.moc"
