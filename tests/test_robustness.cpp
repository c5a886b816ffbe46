// Robustness of the files the program keeps: a writer killed at random moments leaves the old or the
// new file, never a broken one; a full disk, a read-only or a dangling data directory lose nothing; bad
// files and bad downloads are refused with a reason and harm nothing. All files live in temporary
// directories; the downloads come from a loopback server.

#include "databasefiles.h"
#include "environmentfile.h"
#include "filedownloader.h"
#include "injectedreplacefault.h"
#include "localmappingfile.h"
#include "loopbackserver.h"
#include "sanitizedbuild.h"
#include "testfiles.h"
#include "updatecheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <SDL.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const QString kSnapshot = QStringLiteral(STICKWELL_SHARED_DATA "/gamecontrollerdb.txt");
const char kWriterChild[] = STICKWELL_WRITERCHILD;
const char kVariable[] = "SDL_GAMECONTROLLERCONFIG";
const int kTrialsPerWriter = 72;
const qint64 kMiB = 1024 * 1024;

QByteArray testGuid(int n)
{
    return QByteArrayLiteral("03000000bbbb0000") + QByteArray::number(n, 16).rightJustified(4, '0') +
           QByteArrayLiteral("000000000000");
}

QByteArray mappingLine(const QByteArray& guid, const QByteArray& name)
{
    return guid + ',' + name + ",a:b0,b:b1,x:b2,y:b3,+leftx:a0,-leftx:a1,lefttrigger:a2,platform:Linux,";
}

QStringList listing(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
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

// A database of about the snapshot's size when the snapshot is absent: 2300 lines, a third for Linux.
QByteArray generatedDatabase()
{
    QByteArray db = "# Game controller mappings, generated for the tests\n";
    const char* platforms[] = {"Linux", "Windows", "Mac OS X"};
    for (int i = 0; db.size() < 500 * 1024; ++i)
        db += testGuid(0x1000 + i) + ",Generated Pad " + QByteArray::number(i) +
              ",a:b0,b:b1,back:b6,dpdown:h0.4,dpleft:h0.8,dpright:h0.2,dpup:h0.1,guide:b8,leftshoulder:b4,"
              "leftstick:b9,lefttrigger:a2,leftx:a0,lefty:a1,rightshoulder:b5,rightstick:b10,righttrigger:a5,"
              "rightx:a3,righty:a4,start:b7,x:b2,y:b3,platform:" +
              platforms[i % 3] + ",\n";
    return db;
}

QByteArray communityDatabase()
{
    return QFileInfo::exists(kSnapshot) ? readFile(kSnapshot) : generatedDatabase();
}

// Where two byte strings first differ, for failure messages.
QString firstDifference(const QByteArray& got, const QByteArray& a, const QByteArray& b)
{
    auto at = [](const QByteArray& x, const QByteArray& y) {
        int i = 0;
        while (i < x.size() && i < y.size() && x.at(i) == y.at(i))
            ++i;
        return i;
    };
    return QStringLiteral(
               "%1 bytes; old has %2 and agrees up to byte %3, new has %4 and agrees up to byte %5")
        .arg(got.size())
        .arg(a.size())
        .arg(at(got, a))
        .arg(b.size())
        .arg(at(got, b));
}

// A file system mounted for one test and undone when it ends, however it ends.
class ScopedMount
{
public:
    ScopedMount(const QString& target, const QByteArray& options) : m_target(QFile::encodeName(target))
    {
        m_bMounted = ::mount("tmpfs", m_target.constData(), "tmpfs", 0, options.constData()) == 0;
        m_error = m_bMounted ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    }
    ~ScopedMount()
    {
        if (m_bMounted)
            ::umount2(m_target.constData(), MNT_DETACH);
    }
    bool mounted() const { return m_bMounted; }
    QString error() const { return m_error; }
    bool remountReadOnly()
    {
        return ::mount("tmpfs", m_target.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QByteArray m_target;
    bool m_bMounted = false;
    QString m_error;
};

// Fills the file system that holds dir until not one more block fits.
void fillUp(const QString& dir)
{
    QFile filler(QDir(dir).filePath(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray block(512, 'f');
    while (filler.write(block) == block.size()) {
    }
}

// The process's peak resident memory since the last resetPeakMemory(), in KiB; -1 where Linux does not
// tell.
bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

qint64 statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// --- the writer child ---

// One run of tests/support/writerchild, its standard output (the progress bytes) on a pipe and its
// standard error in a file.
class WriterChild
{
public:
    ~WriterChild()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_iOut >= 0)
            ::close(m_iOut);
    }

    // Starts the child and waits until it is about to write. Returns "" or what went wrong.
    QString start(const QList<QByteArray>& args, const QString& stderrPath)
    {
        QList<QByteArray> all{QByteArray(kWriterChild)};
        all += args;
        std::vector<char*> argv;
        for (QByteArray& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        m_stderrPath = stderrPath;
        // Everything the child needs is prepared before fork: other threads may hold locks.
        const int errFd =
            ::open(QFile::encodeName(stderrPath).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        int fds[2];
        if (errFd < 0 || ::pipe2(fds, O_CLOEXEC) != 0)
            return QStringLiteral("cannot set up the child: %1").arg(std::strerror(errno));
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(fds[1], 1);
            ::dup2(errFd, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        ::close(errFd);
        m_iOut = fds[0];
        if (m_pid < 0)
            return QStringLiteral("fork failed: %1").arg(std::strerror(errno));
        struct pollfd p = {m_iOut, POLLIN, 0};
        char c = 0;
        if (::poll(&p, 1, 10000) != 1 || ::read(m_iOut, &c, 1) != 1 || c != 'R')
            return QStringLiteral("the writer did not start: %1").arg(childError());
        m_clock.start();
        return QString();
    }

    // Kills the child with SIGKILL (when kill is true) or lets it end by itself; then collects it.
    // Returns "" when it ended as expected (killed, or exit 0), else what happened.
    QString finish(bool kill)
    {
        if (kill)
            ::kill(m_pid, SIGKILL);
        int status = 0;
        const pid_t pid = m_pid;
        m_pid = -1;
        if (::waitpid(pid, &status, 0) != pid)
            return QStringLiteral("waitpid failed: %1").arg(std::strerror(errno));
        m_iElapsedNs = m_clock.nsecsElapsed();
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_iOut, buffer, sizeof buffer);
            if (n <= 0)
                break;
            m_iCompleted += int(std::count(buffer, buffer + n, '.'));
        }
        const bool expected = kill ? WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL
                                   : WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!expected)
            return QStringLiteral("the writer ended by itself (status %1): %2").arg(status).arg(childError());
        return QString();
    }

    int completedWrites() const { return m_iCompleted; }
    qint64 elapsedNs() const { return m_iElapsedNs; }

private:
    QString childError() const { return QString::fromLocal8Bit(readFile(m_stderrPath)).trimmed(); }

    pid_t m_pid = -1;
    int m_iOut = -1;
    int m_iCompleted = 0;
    qint64 m_iElapsedNs = 0;
    QElapsedTimer m_clock;
    QString m_stderrPath;
};

void sleepNs(qint64 ns)
{
    struct timespec t = {time_t(ns / 1000000000), long(ns % 1000000000)};
    while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

QRegularExpression temporaryName(const QString& prefix)
{
    return QRegularExpression(QStringLiteral("^%1[A-Za-z0-9]{6}$").arg(QRegularExpression::escape(prefix)));
}

} // namespace

Q_DECLARE_METATYPE(UpdateCheckResult)

class TestRobustness : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void killedWriterLeavesOldOrNew_data();
    void killedWriterLeavesOldOrNew();

    void startUpUnderFaults_data();
    void startUpUnderFaults();
    void writersUnderFaults_data();
    void writersUnderFaults();

    void badDatabaseFile_data();
    void badDatabaseFile();
    void environmentFileBadInput_data();
    void environmentFileBadInput();
    void badDownload_data();
    void badDownload();
    void compressedDownload_data();
    void compressedDownload();

private:
    QString m_launchDirectory;
    quint32 m_uiSeed = 0;
    LoopbackServer m_server;
    bool m_bServerRunning = false;
    QString m_serverError;
};

void TestRobustness::initTestCase()
{
    m_launchDirectory = QDir::currentPath();
    QVERIFY2(QFileInfo(QString::fromLocal8Bit(kWriterChild)).isExecutable(), kWriterChild);
    QVERIFY2(SDL_Init(SDL_INIT_GAMECONTROLLER) == 0, SDL_GetError());
    // STICKWELL_ROBUSTNESS_SEED repeats a run's kill moments.
    bool given = false;
    m_uiSeed = qEnvironmentVariable("STICKWELL_ROBUSTNESS_SEED").toUInt(&given);
    if (!given)
        m_uiSeed = QRandomGenerator::global()->generate();
    qInfo("random seed %u (set STICKWELL_ROBUSTNESS_SEED to repeat)", m_uiSeed);
    m_bServerRunning = m_server.start();
    m_serverError = m_server.errorString();
    if (!QFileInfo::exists(kSnapshot))
        qInfo("no database snapshot in the shared data folder: using a generated 500 KB database");
}

void TestRobustness::init()
{
    // Each test starts with SDL's built-in mappings only.
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    QVERIFY2(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0, SDL_GetError());
}

void TestRobustness::cleanup()
{
    // enterDataDirectory moves the whole process.
    QDir::setCurrent(m_launchDirectory);
}

// --- crash safety ---

void TestRobustness::killedWriterLeavesOldOrNew_data()
{
    QTest::addColumn<QString>("writer");
    QTest::newRow("local file save (200 lines)") << "local";
    QTest::newRow("working copy replace (community database)") << "db";
    QTest::newRow("environment file rewrite (CRLF, NUL bytes)") << "env";
    QTest::newRow("per-user environment file rewrite (CRLF, NUL bytes)") << "user";
}

void TestRobustness::killedWriterLeavesOldOrNew()
{
    QFETCH(QString, writer);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString dir = root.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkdir(dir));

    // The two versions the writes alternate between, and what the child needs to make each.
    QByteArray versions[2];
    QList<QByteArray> argsTo[2]; // the child's arguments after the path, starting with the write to 0 / 1
    QString path;
    QRegularExpression leftover;
    if (writer == QLatin1String("local")) {
        path = QDir(dir).filePath(kLocalDatabaseFile);
        QByteArray others;
        for (int i = 0; i < 199; ++i)
            others += mappingLine(testGuid(i), "Earlier Pad " + QByteArray::number(i)) + '\n';
        const QByteArray guid = testGuid(0x999);
        const QByteArray mine[2] = {mappingLine(guid, "My Pad (first)"),
                                    mappingLine(guid, "My Pad (second)")};
        for (int v = 0; v < 2; ++v)
            versions[v] = others + mine[v] + '\n';
        for (int v = 0; v < 2; ++v)
            argsTo[v] = {guid, mine[v], mine[1 - v]};
        leftover = temporaryName(QString::fromLatin1(kLocalDatabaseFile) + '.');
    } else if (writer == QLatin1String("db")) {
        path = QDir(dir).filePath(kCommunityDatabaseFile);
        versions[0] = communityDatabase();
        versions[1] = versions[0];
        for (int i = 0; i < 40; ++i)
            versions[1] += mappingLine(testGuid(0x500 + i), "Added Pad " + QByteArray::number(i)) + '\n';
        const QString files[2] = {root.filePath(QStringLiteral("version0")),
                                  root.filePath(QStringLiteral("version1"))};
        for (int v = 0; v < 2; ++v)
            QVERIFY(writeFile(files[v], versions[v]));
        for (int v = 0; v < 2; ++v)
            argsTo[v] = {QFile::encodeName(files[v]), QFile::encodeName(files[1 - v])};
        leftover = temporaryName(QString::fromLatin1(kCommunityDatabaseFile) + '.');
    } else {
        const bool user = writer == QLatin1String("user");
        path = QDir(dir).filePath(user ? QString::fromLatin1(kUserEnvironmentFileName)
                                       : QStringLiteral("environment"));
        // A few KB of what an environment file may hold, CRLF endings and stray bytes included: the
        // kept lines must come through every rewrite unchanged.
        QByteArray kept = "# /etc/environment: system-wide environment variables\n"
                          "PATH=\"/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin\"\r\n"
                          "LANG=de_DE.UTF-8\r\n";
        kept += QByteArray("BINARY=\x01\x02\0\xff\xfe\n", 10);
        for (int i = 0; kept.size() < 4096; ++i)
            kept += "VARIABLE_" + QByteArray::number(i) + "=\"value number " + QByteArray::number(i) + "\"\n";
        const QByteArray values[2] = {mappingLine(testGuid(0x777), "Env Pad (first)"),
                                      mappingLine(testGuid(0x777), "Env Pad (second)")};
        for (int v = 0; v < 2; ++v)
            versions[v] = kept + kVariable + '=' + (user ? '"' + values[v] + '"' : values[v]) + '\n';
        for (int v = 0; v < 2; ++v)
            argsTo[v] = {kVariable, values[v], values[1 - v]};
        leftover = temporaryName(QFileInfo(path).fileName() + QStringLiteral("_new."));
    }
    QVERIFY(writeFile(path, versions[0]));
    int current = 0; // which version the file holds
    const QString stderrPath = root.filePath(QStringLiteral("child-stderr"));
    auto argsFor = [&](int from) {
        QList<QByteArray> args{writer.toLatin1(), QFile::encodeName(path)};
        return args + argsTo[1 - from];
    };

    // The typical duration of one write, measured in the child itself, without its start-up; an even
    // number of writes ends where it began.
    const int measuredWrites = 20;
    WriterChild probe;
    QString error = probe.start(argsFor(current) << QByteArray::number(measuredWrites), stderrPath);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2((error = probe.finish(false)).isEmpty(), qPrintable(error));
    QCOMPARE(probe.completedWrites(), measuredWrites);
    QCOMPARE(readFile(path), versions[current]);
    QCOMPARE(listing(dir), QStringList{QFileInfo(path).fileName()});
    const qint64 writeNs = qMax<qint64>(probe.elapsedNs() / measuredWrites, 20000);

    QRandomGenerator random(m_uiSeed ^ qHash(writer));
    int oldKept = 0, newKept = 0, strays = 0;
    QList<int> completedCounts;
    QElapsedTimer clock;
    clock.start();
    for (int trial = 0; trial < kTrialsPerWriter; ++trial) {
        // Anywhere within the first three writes: the kill lands in reading, writing, flushing,
        // renaming or between two writes.
        const qint64 delay = qint64(random.bounded(3.0 * double(writeNs)));
        const QStringList before = listing(dir);
        WriterChild child;
        error = child.start(argsFor(current), stderrPath);
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("trial %1: %2").arg(trial).arg(error)));
        // The moment of the kill is what is being varied here, not a wait for a condition.
        sleepNs(delay);
        error = child.finish(true);
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("trial %1: %2").arg(trial).arg(error)));

        // n writes completed: the file is the version after n writes, or the one after n + 1 when the
        // kill fell between the rename and the child's report.
        const int n = child.completedWrites();
        completedCounts << n;
        const int oldVersion = (current + n) % 2;
        const QByteArray got = readFile(path);
        if (got == versions[oldVersion]) {
            ++oldKept;
            current = oldVersion;
        } else if (got == versions[1 - oldVersion]) {
            ++newKept;
            current = 1 - oldVersion;
        } else {
            QFAIL(qPrintable(
                QStringLiteral("trial %1 (killed after %2 ns, %3 writes done): the file is neither "
                               "version: %4")
                    .arg(trial)
                    .arg(delay)
                    .arg(n)
                    .arg(firstDifference(got, versions[oldVersion], versions[1 - oldVersion]))));
        }

        // A killed writer may leave its one temporary file; nothing else appears, nothing disappears,
        // and no leftover stops the next writer (the next trial would fail to write).
        const QStringList after = listing(dir);
        QStringList added = after;
        for (const QString& name : before)
            QVERIFY2(added.removeOne(name),
                     qPrintable(QStringLiteral("trial %1: %2 vanished").arg(trial).arg(name)));
        QVERIFY2(added.size() <= 1, qPrintable(added.join(QLatin1String(", "))));
        for (const QString& name : added)
            QVERIFY2(leftover.match(name).hasMatch(),
                     qPrintable(QStringLiteral("unexpected file %1").arg(name)));
        strays += added.size();
    }
    const qint64 trialsMs = clock.elapsed();

    // With every leftover still in place, a clean run works and leaves no file of its own.
    const QStringList withLeftovers = listing(dir);
    WriterChild last;
    error = last.start(argsFor(current) << QByteArray("2"), stderrPath);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2((error = last.finish(false)).isEmpty(), qPrintable(error));
    QCOMPARE(readFile(path), versions[current]);
    QCOMPARE(listing(dir), withLeftovers);

    std::sort(completedCounts.begin(), completedCounts.end());
    qInfo("%s: %d kills in %lld ms, one write takes %.2f ms; the file held the version before the "
          "interrupted write %d times, after it %d times; %d temporary files left; writes completed before "
          "the kill: min %d, median %d, max %d",
          qPrintable(writer), kTrialsPerWriter, trialsMs, double(writeNs) / 1e6, oldKept, newKept, strays,
          completedCounts.first(), completedCounts.at(completedCounts.size() / 2), completedCounts.last());
}

// --- faults of the device and the data directory ---

void TestRobustness::startUpUnderFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("filesPresent"); // a working copy beside the local file before the start
    QTest::newRow("no space left, both files present") << "no space" << true;
    QTest::newRow("no space left, no working copy yet (seed does not fit)") << "no space" << false;
    QTest::newRow("read-only data directory, both files present") << "read-only" << true;
    QTest::newRow("read-only data directory, no working copy yet") << "read-only" << false;
    QTest::newRow("data directory a dangling link") << "dangling" << false;
}

void TestRobustness::startUpUnderFaults()
{
    QFETCH(QString, fault);
    QFETCH(bool, filesPresent);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString launch = root.filePath(QStringLiteral("launch"));
    const QString data = root.filePath(QStringLiteral("data"));
    QVERIFY(QDir().mkdir(launch));
    const QString seed = root.filePath(QStringLiteral("seed.txt"));
    const QByteArray seedBytes = communityDatabase();
    QVERIFY(writeFile(seed, seedBytes));

    const QByteArray communityGuid = testGuid(0x10), localGuid = testGuid(0x11), bothGuid = testGuid(0x12);
    const QByteArray community =
        mappingLine(communityGuid, "Community Pad") + '\n' + mappingLine(bothGuid, "Community Both") + '\n';
    const QByteArray local =
        mappingLine(localGuid, "Local Pad") + '\n' + mappingLine(bothGuid, "Local Both") + '\n';

    QScopedPointer<ScopedMount> mount;
    if (fault == QLatin1String("dangling")) {
        QVERIFY(QFile::link(root.filePath(QStringLiteral("moved-away")), data));
    } else {
        if (::geteuid() != 0)
            QSKIP("mounting a small tmpfs needs root");
        QVERIFY(QDir().mkdir(data));
        // Room for the seed on an empty file system, so that only the filling stops its copy.
        const QByteArray size = QByteArray::number((seedBytes.size() / 4096 + 16) * 4096);
        mount.reset(new ScopedMount(data, "size=" + size + ",mode=0755"));
        if (!mount->mounted())
            QSKIP(qPrintable("tmpfs cannot be mounted here: " + mount->error()));
        if (filesPresent)
            QVERIFY(writeFile(QDir(data).filePath(kCommunityDatabaseFile), community));
        QVERIFY(writeFile(QDir(data).filePath(kLocalDatabaseFile), local));
        if (fault == QLatin1String("no space"))
            fillUp(data);
        else
            QVERIFY(mount->remountReadOnly());
    }
    const QStringList before = fault == QLatin1String("dangling") ? QStringList() : listing(data);
    QVERIFY(QDir::setCurrent(launch));

    QElapsedTimer clock;
    clock.start();
    const bool entered = ::enterDataDirectory(data, seed);
    loadMappingFiles();
    QVERIFY(clock.elapsed() < 5000);

    if (fault == QLatin1String("dangling")) {
        // Not created through the link, not replaced, and nothing written into the launch directory.
        QVERIFY(!entered);
        QCOMPARE(QDir::currentPath(), QDir(launch).canonicalPath());
        QVERIFY(QFileInfo(data).isSymLink());
        QCOMPARE(QFileInfo(data).symLinkTarget(), root.filePath(QStringLiteral("moved-away")));
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("moved-away"))));
        QCOMPARE(listing(launch), QStringList());
        QCOMPARE(readFile(seed), seedBytes);
        return;
    }
    QCOMPARE(QDir::currentPath(), QDir(data).canonicalPath());
    QCOMPARE(readFile(kLocalDatabaseFile), local);
    QCOMPARE(sdlMappingName(localGuid), QByteArray("Local Pad"));
    if (filesPresent) {
        QCOMPARE(readFile(kCommunityDatabaseFile), community);
        QCOMPARE(sdlMappingName(communityGuid), QByteArray("Community Pad"));
        QCOMPARE(sdlMappingName(bothGuid), QByteArray("Local Both"));
        QCOMPARE(listing(data), before);
    } else {
        // The seed did not fit or could not be written: no working copy at all, never a cut one, and no
        // temporary file of the copy is left to fill the disk.
        QVERIFY2(!QFileInfo::exists(kCommunityDatabaseFile),
                 qPrintable(QStringLiteral("%1 bytes of %2")
                                .arg(QFileInfo(kCommunityDatabaseFile).size())
                                .arg(seedBytes.size())));
        QCOMPARE(listing(data), before);
        QCOMPARE(sdlMappingName(bothGuid), QByteArray("Local Both"));
    }
    QCOMPARE(readFile(seed), seedBytes);

    if (fault == QLatin1String("no space") && !filesPresent) {
        // Once there is room, the next start makes the working copy after all.
        QVERIFY(QFile::remove(QStringLiteral("filler")));
        QVERIFY(QDir::setCurrent(launch));
        ::enterDataDirectory(data, seed);
        QCOMPARE(readFile(kCommunityDatabaseFile), seedBytes);
    }
}

void TestRobustness::writersUnderFaults_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("step");       // the step of the replacement made to fail; -1: none
    QTest::addColumn<QString>("reason"); // part of the error message besides the file's path
    const QString readOnly = QString::fromLocal8Bit(std::strerror(::geteuid() == 0 ? EROFS : EACCES));
    const QString io = QString::fromLocal8Bit(std::strerror(EIO));
    const QList<std::pair<const char*, ReplaceStep>> steps = {{"create temporary", ReplaceStep::CreateTemp},
                                                              {"write", ReplaceStep::Write},
                                                              {"owner and group", ReplaceStep::Owner},
                                                              {"permissions", ReplaceStep::Mode},
                                                              {"flush to disk", ReplaceStep::Sync},
                                                              {"close", ReplaceStep::Close},
                                                              {"rename", ReplaceStep::Rename}};
    const QList<std::pair<const char*, const char*>> writers = {{"local", "local file"},
                                                                {"db", "working copy"},
                                                                {"env", "environment file"},
                                                                {"user", "per-user environment file"}};
    for (const auto& writer : writers) {
        // The environment files are read first, and refuse what is not a regular file there.
        const bool env = QByteArray(writer.first) != "local" && QByteArray(writer.first) != "db";
        auto row = [&](const QString& what, const char* fault, int step, const QString& reason) {
            QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(writer.second, what)))
                << writer.first << fault << step << reason;
        };
        row("no space part way", "no space", -1, QString::fromLocal8Bit(std::strerror(ENOSPC)));
        row("read-only folder", "read-only", -1, readOnly);
        row("folder a dangling link", "dangling", -1, QString::fromLocal8Bit(std::strerror(ENOENT)));
        row("a folder in the file's place", "folder", -1,
            env ? QStringLiteral("not a regular file") : QStringLiteral("directory"));
        row("file a mount point (rename fails)", "mount point", -1,
            QString::fromLocal8Bit(std::strerror(EBUSY)));
        for (const auto& step : steps)
            row(QStringLiteral("%1 fails").arg(step.first), "step", int(step.second), io);
    }
}

void TestRobustness::writersUnderFaults()
{
    QFETCH(QString, writer);
    QFETCH(QString, fault);
    QFETCH(int, step);
    QFETCH(QString, reason);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString dir = root.filePath(QStringLiteral("data"));
    const QString name = writer == QLatin1String("local") ? QString::fromLatin1(kLocalDatabaseFile)
                         : writer == QLatin1String("db")  ? QString::fromLatin1(kCommunityDatabaseFile)
                         : writer == QLatin1String("env") ? QStringLiteral("environment")
                                                          : QString::fromLatin1(kUserEnvironmentFileName);
    const QString path = QDir(dir).filePath(name);

    QByteArray old;
    if (writer == QLatin1String("local")) {
        for (int i = 0; i < 200; ++i)
            old += mappingLine(testGuid(i), "Earlier Pad " + QByteArray::number(i)) + '\n';
    } else if (writer == QLatin1String("db")) {
        old = communityDatabase();
    } else {
        old = writer == QLatin1String("env") ? "PATH=\"/usr/bin:/bin\"\n" : "# by hand\nEDITOR=vim\n";
        // 40 KiB of the user's own lines, so that a second copy does not fit on a small disk.
        while (old.size() < 40 * 1024)
            old += "KEPT_" + QByteArray::number(old.size()) + "=some value that takes room\n";
        old += QByteArray(kVariable) + (writer == QLatin1String("env") ? "=old\n" : "=\"old\"\n");
    }

    QScopedPointer<ScopedMount> mount;
    QScopedPointer<QTemporaryDir> elsewhere;
    const bool needsRoot = fault == QLatin1String("no space") || fault == QLatin1String("mount point") ||
                           (fault == QLatin1String("read-only") && ::geteuid() == 0);
    if (needsRoot && ::geteuid() != 0)
        QSKIP("mounting needs root");
    if (fault == QLatin1String("dangling")) {
        QVERIFY(QFile::link(root.filePath(QStringLiteral("moved-away")), dir));
    } else if (fault == QLatin1String("no space") || fault == QLatin1String("read-only")) {
        QVERIFY(QDir().mkdir(dir));
        if (::geteuid() == 0) {
            // Room for the old file and part of the new one.
            const qint64 size = (old.size() * 3 / 2 / 4096 + 1) * 4096;
            mount.reset(new ScopedMount(dir, "size=" + QByteArray::number(size) + ",mode=0755"));
            if (!mount->mounted())
                QSKIP(qPrintable("tmpfs cannot be mounted here: " + mount->error()));
        }
        QVERIFY(writeFile(path, old));
        if (fault == QLatin1String("read-only") && mount)
            QVERIFY(mount->remountReadOnly());
        else if (fault == QLatin1String("read-only"))
            QVERIFY(QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else if (fault == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
        QVERIFY(writeFile(QDir(path).filePath(QStringLiteral("inside")), old));
    } else {
        QVERIFY(QDir().mkdir(dir));
        QVERIFY(writeFile(path, old));
        if (fault == QLatin1String("mount point")) {
            // Renaming onto a mount point fails (EBUSY) once the temporary file is complete.
            elsewhere.reset(new QTemporaryDir);
            const QString source = elsewhere->filePath(QStringLiteral("source"));
            QVERIFY(writeFile(source, old));
            if (::mount(QFile::encodeName(source).constData(), QFile::encodeName(path).constData(), nullptr,
                        MS_BIND, nullptr) != 0)
                QSKIP(qPrintable(
                    QStringLiteral("bind mount not permitted here: %1").arg(std::strerror(errno))));
        }
    }
    const QStringList before = fault == QLatin1String("dangling") ? QStringList() : listing(dir);
    InjectedReplaceFault injected(ReplaceStep(qMax(step, 0)), step >= 0 ? EIO : 0);

    QString error;
    bool ok;
    QByteArray printed;
    if (writer == QLatin1String("local")) {
        ok = saveLocalMapping(path, testGuid(0x999), mappingLine(testGuid(0x999), "New Pad"), &error);
    } else if (writer == QLatin1String("db")) {
        QByteArray replacement = old;
        replacement.replace("platform:Linux", "platform:Linux,hint:!SDL_GAMECONTROLLER_USE_BUTTON_LABELS:=1");
        ok = replaceWorkingCopy(path, replacement, &error);
    } else if (writer == QLatin1String("user")) {
        ok = setUserEnvVar(kVariable, "new,a:b0", path, &error);
    } else {
        const QByteArray stdoutPath = QFile::encodeName(root.filePath(QStringLiteral("stdout")));
        // The editor's error line goes to standard output; keep it out of the test log.
        std::fflush(stdout);
        const int saved = ::dup(1);
        const int sink = ::open(stdoutPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(sink, 1);
        ok = setSystemEnvVar(kVariable, "new,a:b0", path, &error);
        std::fflush(stdout);
        ::dup2(saved, 1);
        ::close(saved);
        ::close(sink);
        printed = readFile(QFile::decodeName(stdoutPath));
    }
    if (fault == QLatin1String("mount point"))
        ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    if (fault == QLatin1String("read-only") && !mount)
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QVERIFY(!ok);
    QVERIFY2(error.contains(path) && error.contains(reason), qPrintable(error));
    if (writer == QLatin1String("env"))
        QCOMPARE(printed, "ERROR: Can't open file " + QFile::encodeName(path) + ". Run 'sudo stickwell'\n");
    if (fault == QLatin1String("dangling")) {
        QVERIFY(QFileInfo(dir).isSymLink());
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("moved-away"))));
        return;
    }
    QCOMPARE(
        readFile(fault == QLatin1String("folder") ? QDir(path).filePath(QStringLiteral("inside")) : path),
        old);
    QCOMPARE(listing(dir), before);
}

// --- bad input ---

void TestRobustness::badDatabaseFile_data()
{
    QTest::addColumn<QByteArray>("bytes");   // null: a directory
    QTest::addColumn<QString>("whyRefused"); // part of the update check's reason, as a download

    QRandomGenerator random(m_uiSeed);
    QByteArray garbage(256 * 1024, '\0');
    for (char& c : garbage)
        c = char(random.bounded(256));
    const QByteArray pad = mappingLine(testGuid(0x20), "Neighbour Pad") + '\n';

    QByteArray longLine(int(kMiB), 'x');
    for (int i = 0; i < longLine.size(); i += 97)
        longLine[i] = ':';
    QTest::newRow("binary garbage") << garbage << "binary";
    QTest::newRow("a line of 1 MiB") << "# head\n" + pad + longLine + '\n' + pad << "line 3 is not a mapping";
    QTest::newRow("a mapping line of 1 MiB")
        << pad + mappingLine(testGuid(0x21), QByteArray(int(kMiB), 'n')) + '\n'
        << "";

    // 100 000 short lines over 1000 pads, a third of them for this platform: a database appended to
    // itself many times over.
    QByteArray many;
    const char* platforms[] = {"Linux", "Windows", "Mac OS X"};
    for (int i = 0; i < 100000; ++i)
        many += testGuid(0x2000 + i % 1000) + ",Pad " + QByteArray::number(i) +
                ",a:b0,b:b1,platform:" + platforms[i % 3] + ",\n";
    QTest::newRow("100 000 lines") << many << QString("more than %1 mappings").arg(kMaxDatabaseMappings);
    QTest::newRow("a directory") << QByteArray() << "";
}

void TestRobustness::badDatabaseFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, whyRefused);
    const bool directory = bytes.isNull();
    QTemporaryDir data;
    QVERIFY(data.isValid());
    const QString seed = data.filePath(QStringLiteral("seed.txt"));
    QVERIFY(writeFile(seed, mappingLine(testGuid(0x30), "Seeded Pad") + '\n'));
    const QByteArray localGuid = testGuid(0x31), communityGuid = testGuid(0x32);
    const QByteArray goodLocal = mappingLine(localGuid, "Local Pad") + '\n';
    const QByteArray goodCommunity = mappingLine(communityGuid, "Community Pad") + '\n';
    auto place = [&](const char* file) {
        const QString path = data.filePath(file);
        return directory ? QDir().mkdir(path) && writeFile(path + "/inside", "kept\n")
                         : writeFile(path, bytes);
    };
    auto unchanged = [&](const char* file) {
        const QString path = data.filePath(file);
        return directory ? QFileInfo(path).isDir() && readFile(path + "/inside") == "kept\n"
                         : readFile(path) == bytes;
    };
    // Each step must end: how fast it is on this machine (sanitizers, load) is for the figures below,
    // not for a bound that fails on a slow machine.
    const qint64 kHangMs = 60000;
    QElapsedTimer clock;

    // As the working copy: the start copes, the user's own file still loads, the bad file stays.
    QVERIFY(place(kCommunityDatabaseFile));
    QVERIFY(writeFile(data.filePath(kLocalDatabaseFile), goodLocal));
    clock.start();
    ::enterDataDirectory(data.path(), seed);
    loadMappingFiles();
    const qint64 loadMs = clock.elapsed();
    QVERIFY2(loadMs < kHangMs, qPrintable(QString::number(loadMs)));
    QCOMPARE(sdlMappingName(localGuid), QByteArray("Local Pad"));
    QVERIFY(unchanged(kCommunityDatabaseFile));
    // The update check compares a real download with it (or finds no working copy in a directory).
    clock.start();
    UpdateCheckOutcome outcome =
        checkDownloadedDatabase(goodCommunity, QString(), kCommunityDatabaseFile, true);
    QVERIFY(clock.elapsed() < kHangMs);
    if (directory) {
        QCOMPARE(outcome.result, UpdateCheckResult::NoWorkingCopy);
        QVERIFY2(outcome.reason.contains(kCommunityDatabaseFile) && outcome.reason.contains("directory"),
                 qPrintable(outcome.reason));
        QString error;
        QVERIFY(!replaceWorkingCopy(kCommunityDatabaseFile, goodCommunity, &error));
        QVERIFY2(error.contains(kCommunityDatabaseFile), qPrintable(error));
    } else {
        QCOMPARE(outcome.result, UpdateCheckResult::Differs);
    }
    QVERIFY(unchanged(kCommunityDatabaseFile));

    // As the local file: the community file still loads, and a save keeps every other line.
    QDir::setCurrent(m_launchDirectory);
    init();
    QVERIFY(QFile::remove(data.filePath(kLocalDatabaseFile)));
    if (directory) {
        QVERIFY(QDir(data.filePath(kCommunityDatabaseFile)).removeRecursively());
    }
    QVERIFY(writeFile(data.filePath(kCommunityDatabaseFile), goodCommunity));
    QVERIFY(place(kLocalDatabaseFile));
    clock.start();
    ::enterDataDirectory(data.path(), seed);
    loadMappingFiles();
    QVERIFY(clock.elapsed() < kHangMs);
    QCOMPARE(sdlMappingName(communityGuid), QByteArray("Community Pad"));
    QVERIFY(unchanged(kLocalDatabaseFile));
    const QByteArray mine = mappingLine(testGuid(0x33), "My Pad");
    QString error;
    clock.start();
    const bool saved = saveLocalMapping(kLocalDatabaseFile, testGuid(0x33), mine, &error);
    const qint64 saveMs = clock.elapsed();
    QVERIFY2(saveMs < kHangMs, qPrintable(QString::number(saveMs)));
    if (directory) {
        QVERIFY(!saved);
        QVERIFY2(error.contains(kLocalDatabaseFile) && error.contains("directory"), qPrintable(error));
        QVERIFY(unchanged(kLocalDatabaseFile));
    } else {
        QVERIFY2(saved, qPrintable(error));
        // Every line is kept in order (a CR before a line feed is dropped, as for any CRLF file), the
        // new line comes last.
        QByteArray expected;
        QList<QByteArray> lines = bytes.split('\n');
        if (lines.last().isEmpty())
            lines.removeLast();
        for (QByteArray line : lines) {
            if (line.endsWith('\r'))
                line.chop(1);
            expected += line + '\n';
        }
        QCOMPARE(readFile(kLocalDatabaseFile), expected + mine + '\n');
    }

    // As a download: refused with its reason, or taken.
    if (!directory) {
        const QString copy = data.filePath(kCommunityDatabaseFile);
        clock.start();
        outcome = checkDownloadedDatabase(bytes, QString(), copy, true);
        const qint64 checkMs = clock.elapsed();
        QVERIFY2(checkMs < kHangMs, qPrintable(QString::number(checkMs)));
        if (whyRefused.isEmpty()) {
            QVERIFY2(outcome.result == UpdateCheckResult::Differs, qPrintable(outcome.reason));
        } else {
            QCOMPARE(outcome.result, UpdateCheckResult::Failed);
            QVERIFY2(outcome.reason.contains(whyRefused), qPrintable(outcome.reason));
            // A quoted line is cut short: the reason stays fit for the log.
            QVERIFY2(outcome.reason.size() < 200, qPrintable(outcome.reason.left(300)));
        }
        QCOMPARE(readFile(copy), goodCommunity);
        qInfo("load %lld ms, save %lld ms, update check %lld ms", loadMs, saveMs, checkMs);
    }
}

void TestRobustness::environmentFileBadInput_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QByteArray>("kept"); // what set and reset keep of it

    const QByteArray longLine = "LONG=" + QByteArray(int(kMiB), 'y') + '\n';
    const QByteArray crlf = "PATH=x\r\nLANG=C\r\n";
    QTest::newRow("1 MiB line kept, CRLF lines kept")
        << crlf + longLine + "SDL_GAMECONTROLLERCONFIG=old\r\n" + longLine << crlf + longLine + longLine;
    QTest::newRow("1 MiB assignment dropped, 1 MiB line mentioning the name kept")
        << crlf + "SDL_GAMECONTROLLERCONFIG=" + QByteArray(int(kMiB), 'z') + '\n' + longLine +
               "X=SDL_GAMECONTROLLERCONFIG=" + QByteArray(1000, 'z') + '\n'
        << crlf + longLine + "X=SDL_GAMECONTROLLERCONFIG=" + QByteArray(1000, 'z') + '\n';
    QTest::newRow("NUL bytes before the name: not an assignment, kept")
        << QByteArray("A=1\n\0\0SDL_GAMECONTROLLERCONFIG=old\nB=\0\n", 39)
        << QByteArray("A=1\n\0\0SDL_GAMECONTROLLERCONFIG=old\nB=\0\n", 39);
    QTest::newRow("NUL byte inside the name: another name, kept")
        << QByteArray("SDL_GAME\0CONTROLLERCONFIG=x\r\n", 29)
        << QByteArray("SDL_GAME\0CONTROLLERCONFIG=x\r\n", 29);
}

void TestRobustness::environmentFileBadInput()
{
    QFETCH(QByteArray, original);
    QFETCH(QByteArray, kept);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("environment"));
    QVERIFY(writeFile(path, original));

    QElapsedTimer clock;
    clock.start();
    QString error;
    QVERIFY2(setSystemEnvVar(kVariable, "new,a:b0", path, &error), qPrintable(error));
    QCOMPARE(readFile(path), kept + "SDL_GAMECONTROLLERCONFIG=new,a:b0\n");
    QVERIFY2(resetSystemEnvVar(kVariable, path, &error), qPrintable(error));
    QCOMPARE(readFile(path), kept);
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(listing(dir.path()), QStringList{"environment"});
}

void TestRobustness::badDownload_data()
{
    QTest::addColumn<QString>("body");     // "database", "garbage" or "comments": what fills it
    QTest::addColumn<qint64>("size");      // of the body, unpacked
    QTest::addColumn<QString>("transfer"); // "length", "chunked", "no length" or "gzip"
    QTest::addColumn<int>("cutAt");        // -1: the whole body is sent
    QTest::addColumn<QString>("why");      // part of the reason; "" when the download is taken
    const QString tooLarge = QStringLiteral("larger than the limit of 16 MiB");
    QTest::newRow("50 MiB database, length announced")
        << "database" << 50 * kMiB << "length" << -1 << tooLarge;
    QTest::newRow("50 MiB database, chunked") << "database" << 50 * kMiB << "chunked" << -1 << tooLarge;
    QTest::newRow("50 MiB garbage, ended by the connection")
        << "garbage" << 50 * kMiB << "no length" << -1 << tooLarge;
    QTest::newRow("gzip that unpacks to 50 MiB") << "comments" << 50 * kMiB << "gzip" << -1 << tooLarge;
    QTest::newRow("16 MiB exactly: taken") << "comments" << 16 * kMiB << "length" << -1 << "";
    QTest::newRow("gzip that unpacks to 16 MiB exactly: taken")
        << "comments" << 16 * kMiB << "gzip" << -1 << "";
    QTest::newRow("gzip stream cut short, length announced")
        << "database" << 600 * 1024LL << "gzip" << 2000 << "network error|cut short";
    QTest::newRow("gzip stream cut short, no length (ends with the connection)")
        << "database" << 600 * 1024LL << "gzip, no length" << 2000 << "compressed body was cut short";
    // Qt may see the closed connection first, or hand over an empty body that the length check catches.
    QTest::newRow("closed before the first byte of the body")
        << "database" << 600 * 1024LL << "length" << 0 << "network error|cut short";
}

void TestRobustness::badDownload()
{
    QFETCH(QString, body);
    QFETCH(qint64, size);
    QFETCH(QString, transfer);
    QFETCH(int, cutAt);
    QFETCH(QString, why);
    if (!m_bServerRunning)
        QSKIP(qPrintable(m_serverError));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // The body goes to a file in pieces, so that this process never holds it whole.
    const QString bodyPath = dir.filePath(QStringLiteral("body"));
    {
        QFile file(bodyPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray db = communityDatabase();
        QByteArray piece;
        if (body == QLatin1String("database")) {
            piece = db;
        } else if (body == QLatin1String("comments")) {
            // 4 KiB per mapping, so that every size here ends on a whole line.
            piece = mappingLine(testGuid(0x40), "Padded Pad") + '\n';
            piece += QByteArray(4095 - piece.size(), '#') + '\n';
        } else {
            piece = QByteArray(64 * 1024, '\0');
        }
        QRandomGenerator random(m_uiSeed);
        qint64 written = 0;
        while (written < size) {
            if (body == QLatin1String("garbage"))
                random.fillRange(reinterpret_cast<quint32*>(piece.data()), piece.size() / 4);
            const QByteArray part = piece.left(int(qMin<qint64>(piece.size(), size - written)));
            QCOMPARE(file.write(part), qint64(part.size()));
            written += part.size();
        }
    }
    QJsonObject route{{"body_file", bodyPath}};
    if (transfer == QLatin1String("chunked"))
        route.insert("chunked", true);
    if (transfer.startsWith(QLatin1String("gzip")))
        route.insert("gzip", true);
    if (transfer.endsWith(QLatin1String("no length")))
        route.insert("no_length", true);
    if (cutAt >= 0)
        route.insert("cut_at", cutAt);
    m_server.setRoutes({{"/db", route}});
    const QString copy = dir.filePath(kCommunityDatabaseFile);
    const QByteArray workingCopy = mappingLine(testGuid(0x41), "Installed Pad") + '\n';
    QVERIFY(writeFile(copy, workingCopy));

    const bool measured = resetPeakMemory();
    const qint64 rssBefore = statusKiB("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    QObject parent;
    FileDownloader* downloader = new FileDownloader(QUrl(m_server.url("/db")), &parent);
    QSignalSpy spy(downloader, SIGNAL(downloaded()));
    QVERIFY(spy.wait(30000));
    const qint64 ms = clock.elapsed();
    const qint64 growthKiB = statusKiB("VmHWM:") - rssBefore;
    const QByteArray data = downloader->receivedData();
    const QString error = downloader->errorString();
    const UpdateCheckOutcome outcome =
        checkDownloadedDatabase(data, error, copy, downloader->bodyEndProven());
    qInfo("%lld ms, peak memory +%lld KiB, \"%s\"", ms, measured ? growthKiB : -1LL, qPrintable(error));

    if (why.isEmpty()) {
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(qint64(data.size()), size);
        QVERIFY2(outcome.result == UpdateCheckResult::Differs, qPrintable(outcome.reason));
        return;
    }
    QVERIFY2(error.contains(QRegularExpression(why)), qPrintable(error));
    QVERIFY(data.isEmpty());
    QCOMPARE(outcome.result, UpdateCheckResult::Failed);
    QCOMPARE(outcome.reason, error);
    QCOMPARE(readFile(copy), workingCopy);
    if (size > kMaxDownloadBytes && measured && !kSanitizedBuild) {
        // Given up at the limit: the 50 MiB never sat in memory (the limit plus Qt's buffers did).
        QVERIFY2(growthKiB < 40 * 1024, qPrintable(QString::number(growthKiB)));
    }
}

void TestRobustness::compressedDownload_data()
{
    QTest::addColumn<QByteArray>("encoding"); // the Content-Encoding the server names
    QTest::addColumn<QByteArray>("sent");     // the body as sent
    QTest::addColumn<QString>("why");         // part of the reason; "" when the database comes through

    const QByteArray database = communityDatabase();
    // qCompress: a 4-byte length, then a zlib stream (2-byte header, deflate data, 4-byte checksum).
    const QByteArray zlib = qCompress(database).mid(4);
    QTest::newRow("deflate with its zlib header") << QByteArray("deflate") << zlib << "";
    QTest::newRow("deflate as a bare stream") << QByteArray("deflate") << zlib.mid(2, zlib.size() - 6) << "";
    QTest::newRow("deflate cut short") << QByteArray("deflate") << zlib.left(zlib.size() / 2) << "cut short";
    QTest::newRow("gzip that is not gzip") << QByteArray("gzip") << database << "damaged";
    QTest::newRow("an encoding nobody asked for") << QByteArray("br") << zlib << "cannot be unpacked: br";
}

void TestRobustness::compressedDownload()
{
    QFETCH(QByteArray, encoding);
    QFETCH(QByteArray, sent);
    QFETCH(QString, why);
    if (!m_bServerRunning)
        QSKIP(qPrintable(m_serverError));
    // Appended, not nested in braces: clang reads QJsonArray{QJsonArray{...}} as a copy of the inner array.
    QJsonArray headers;
    headers.append(QJsonArray{"Content-Encoding", QString::fromLatin1(encoding)});
    m_server.setRoutes(
        {{"/db", QJsonObject{{"body_b64", QString::fromLatin1(sent.toBase64())}, {"headers", headers}}}});
    QObject parent;
    FileDownloader* downloader = new FileDownloader(QUrl(m_server.url("/db")), &parent);
    QSignalSpy spy(downloader, SIGNAL(downloaded()));
    QVERIFY(spy.wait(10000));
    if (why.isEmpty()) {
        QVERIFY2(downloader->errorString().isEmpty(), qPrintable(downloader->errorString()));
        QCOMPARE(downloader->receivedData(), communityDatabase());
    } else {
        QVERIFY2(downloader->errorString().contains(why), qPrintable(downloader->errorString()));
        QVERIFY(downloader->receivedData().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestRobustness)
#include "test_robustness.moc"
