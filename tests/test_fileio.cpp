// The one routine that replaces a file: what each policy does with what it finds at the path, the copy
// kept before the first replacement, and writes to a device that takes less than it is given. Every
// writer's faults (no space, read-only folder, a step failing, a kill) are in test_robustness.
#include "faildevice.h"
#include "injectedreplacefault.h"
#include "safereplace.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QByteArray kOld = "old content\n";
const QByteArray kNew = "new content, longer than the old\n";

QStringList listing(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

uint modeOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? uint(st.st_mode & 07777) : 0u;
}

} // namespace

class TestFileIo : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void replacesAsThePolicySays_data();
    void replacesAsThePolicySays();
    void keepsOneCopyBeforeTheFirstReplacement_data();
    void keepsOneCopyBeforeTheFirstReplacement();
    void shortWrites_data();
    void shortWrites();

private:
    QScopedPointer<QTemporaryDir> m_pDir;
};

void TestFileIo::init()
{
    m_pDir.reset(new QTemporaryDir);
    QVERIFY(m_pDir->isValid());
    QVERIFY(QDir(m_pDir->path()).mkdir("real"));
}

void TestFileIo::replacesAsThePolicySays_data()
{
    QTest::addColumn<QString>(
        "found"); // at the path: file (mode 0640), none, link (to one), dangling, folder, fifo
    QTest::addColumn<QString>("policy");  // what differs from the default policy
    QTest::addColumn<uint>("mode");       // of the new file; 0: the call fails
    QTest::addColumn<QString>("message"); // part of the failure's message
    QTest::newRow("file: mode kept") << "file"
                                     << "" << 0640u << "";
    QTest::newRow("file, mode not kept: createMode") << "file"
                                                     << "not kept, 0604" << 0604u << "";
    // The test's umask would make 0666 into 0644.
    QTest::newRow("none: created with createMode, whatever the umask") << "none"
                                                                       << "0666" << 0666u << "";
    QTest::newRow("none, mayCreate off: nothing created")
        << "none"
        << "no create" << 0u << QString::fromLocal8Bit(std::strerror(ENOENT));
    QTest::newRow("link followed: the file it leads to rewritten, the link kept") << "link"
                                                                                  << "" << 0640u << "";
    QTest::newRow("link refused") << "link"
                                  << "refuse link" << 0u << "symbolic link";
    QTest::newRow("link leading nowhere: nothing created through it") << "dangling"
                                                                      << "" << 0u << "symbolic link";
    QTest::newRow("folder in the file's place") << "folder"
                                                << "" << 0u << QString::fromLocal8Bit(std::strerror(EISDIR));
    QTest::newRow("FIFO in the file's place (must not hang)") << "fifo"
                                                              << "" << 0u << "not a regular file";
    QTest::newRow("owner can't be given back: fails") << "file"
                                                      << "EPERM" << 0u << "owner and group";
    QTest::newRow("owner can't be given back, ownerMayChange: replaced")
        << "file"
        << "EPERM, may change" << 0640u << "";
}

void TestFileIo::replacesAsThePolicySays()
{
    QFETCH(QString, found);
    QFETCH(QString, policy);
    QFETCH(uint, mode);
    QFETCH(QString, message);
    ReplacePolicy given;
    given.keepOwnerAndMode = !policy.startsWith("not kept");
    given.createMode = policy.endsWith("0604") ? 0604 : policy == "0666" ? 0666 : given.createMode;
    given.mayCreate = policy != "no create";
    given.links = policy == "refuse link" ? ReplacePolicy::RefuseLink : ReplacePolicy::FollowLink;
    given.ownerMayChange = policy.endsWith("may change");
    InjectedReplaceFault fault(ReplaceStep::Owner, policy.startsWith("EPERM") ? EPERM : 0);
    const QString path = m_pDir->filePath("file");
    const QString written = found == "link" ? m_pDir->filePath("real/file") : path;
    const QByteArray encoded = QFile::encodeName(path);
    if (found == "file" || found == "link") {
        QVERIFY(writeFile(written, kOld));
        QCOMPARE(::chmod(QFile::encodeName(written).constData(), 0640), 0);
    }
    // Relative, as the link's own folder must resolve it, not the working directory.
    if (found == "link" || found == "dangling")
        QCOMPARE(::symlink("real/file", encoded.constData()), 0);
    if (found == "folder" || found == "fifo")
        QCOMPARE(found == "folder" ? ::mkdir(encoded.constData(), 0700) : ::mkfifo(encoded.constData(), 0600),
                 0);
    const QStringList before = listing(m_pDir->path()), beforeReal = listing(m_pDir->filePath("real"));
    struct stat was, now;
    const bool existed = ::lstat(encoded.constData(), &was) == 0;

    const mode_t umask = ::umask(022);
    QString error = "stale", reason = "stale";
    const bool ok = replaceFile(path, kNew, given, &error, &reason);
    ::umask(umask);

    QCOMPARE(ok, mode != 0);
    QCOMPARE(::lstat(encoded.constData(), &now) == 0, ok || existed);
    if (ok) {
        QVERIFY(error.isEmpty() && reason.isEmpty());
        QCOMPARE(readFile(written), kNew);
        QCOMPARE(modeOf(written), mode);
        QCOMPARE(S_ISLNK(now.st_mode), found == "link");
        QCOMPARE(listing(m_pDir->path()), QStringList({"file", "real"}));
        QCOMPARE(listing(m_pDir->filePath("real")), found == "link" ? QStringList{"file"} : QStringList());
        return;
    }
    QVERIFY2(error.contains(message) && error.endsWith(reason) && !reason.isEmpty(), qPrintable(error));
    QVERIFY(!existed || (now.st_ino == was.st_ino && now.st_mode == was.st_mode));
    if (found == "file" || found == "link")
        QCOMPARE(readFile(path), kOld);
    QCOMPARE(listing(m_pDir->path()), before);
    QCOMPARE(listing(m_pDir->filePath("real")), beforeReal);
}

void TestFileIo::keepsOneCopyBeforeTheFirstReplacement_data()
{
    QTest::addColumn<bool>("exists");     // a file to replace
    QTest::addColumn<QByteArray>("copy"); // what lies at the copy's name already; null: nothing
    QTest::addColumn<int>("copyFails");   // errno of a failing copy; 0: none
    QTest::newRow("first replacement: the old file copied") << true << QByteArray() << 0;
    QTest::newRow("a copy there already is never overwritten") << true << QByteArray("earlier copy\n") << 0;
    QTest::newRow("new file: nothing to copy") << false << QByteArray() << 0;
    QTest::newRow("copy can't be made: nothing replaced") << true << QByteArray() << EIO;
}

void TestFileIo::keepsOneCopyBeforeTheFirstReplacement()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, copy);
    QFETCH(int, copyFails);
    const QString path = m_pDir->filePath("real/file");
    const QString copyPath = path + ".orig";
    if (exists) {
        QVERIFY(writeFile(path, kOld));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0604), 0);
    }
    if (!copy.isNull())
        QVERIFY(writeFile(copyPath, copy));
    InjectedReplaceFault fault(ReplaceStep::Backup, copyFails);
    ReplacePolicy policy;
    policy.backupSuffix = ".orig";

    QString error;
    const bool ok = replaceFile(path, kNew, policy, &error);
    QCOMPARE(ok, copyFails == 0);
    QCOMPARE(readFile(path), ok ? kNew : kOld);
    if (!ok) {
        QVERIFY2(error.contains("copy") && error.contains(QString::fromLocal8Bit(std::strerror(copyFails))),
                 qPrintable(error));
        QCOMPARE(listing(m_pDir->filePath("real")), QStringList{"file"});
        return;
    }
    const QByteArray expected = !copy.isNull() ? copy : exists ? kOld : QByteArray();
    QCOMPARE(listing(m_pDir->filePath("real")),
             expected.isNull() ? QStringList{"file"} : QStringList({"file", "file.orig"}));
    if (expected.isNull())
        return;
    QCOMPARE(readFile(copyPath), expected);
    if (copy.isNull())
        QCOMPARE(modeOf(copyPath), 0604u);
    // The next replacement leaves the copy as it is.
    QVERIFY(replaceFile(path, kNew + "and again\n", policy));
    QCOMPARE(readFile(copyPath), expected);
}

// What every writer does with a device that takes less than it is given, on any machine.
void TestFileIo::shortWrites_data()
{
    QTest::addColumn<int>("failAfter");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<bool>("written");
    QTest::newRow("full from the start") << 0 << 0 << false;
    QTest::newRow("full part way") << 1000 << 0 << false;
    QTest::newRow("full one byte before the end") << 4095 << 0 << false;
    QTest::newRow("full part way, a little at a time") << 1000 << 7 << false;
    QTest::newRow("a little at a time, room for all") << 4096 << 7 << true;
}

void TestFileIo::shortWrites()
{
    QFETCH(int, failAfter);
    QFETCH(int, chunk);
    QFETCH(bool, written);
    QByteArray bytes(4096, 'm');
    FailDevice device(failAfter, chunk);
    QVERIFY(device.open(QIODevice::WriteOnly));
    QString why;
    QCOMPARE(writeToDevice(&device, bytes, &why), written);
    QCOMPARE(why, written ? QString() : QString::fromLocal8Bit(std::strerror(ENOSPC)));
    QCOMPARE(device.data(), bytes.left(failAfter));
}

QTEST_GUILESS_MAIN(TestFileIo)
#include "test_fileio.moc"
