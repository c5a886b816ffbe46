// The environment file editor: the line rule, the kept attributes, and what the two files' readers make
// of them. The faults every writer shares (no space, read-only folder, a step failing) are in
// test_robustness. All files live in temporary directories.
#include "environmentfile.h"
#include "gameprobe.h"
#include "injectedreplacefault.h"
#include "testfiles.h"
#include "userenvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// A byte string that may hold NUL bytes.
#define BYTES(s) QByteArray(s, sizeof(s) - 1)

namespace
{

const char kName[] = "SDL_GAMECONTROLLERCONFIG";
const char kChildSwitch[] = "--edit-as-child";
const uid_t kNobody = 65534;

QByteArray errorLine(const QString& path)
{
    return "ERROR: Can't open file " + QFile::encodeName(path) + ". Run 'sudo stickwell'\n";
}

bool existsNoFollow(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QStringList listing(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

// Collects what is written to file descriptor 1 while it lives.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        std::fflush(stdout);
        m_file.open();
        m_iSaved = ::dup(1);
        ::dup2(m_file.handle(), 1);
    }
    ~StdoutCapture() { finish(); }
    QByteArray finish()
    {
        if (m_iSaved >= 0) {
            std::fflush(stdout);
            ::dup2(m_iSaved, 1);
            ::close(m_iSaved);
            m_iSaved = -1;
            m_file.seek(0);
            m_text = m_file.readAll();
        }
        return m_text;
    }

private:
    QTemporaryFile m_file;
    int m_iSaved = -1;
    QByteArray m_text;
};

} // namespace

class TestEnvironmentFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void setVariable_data();
    void setVariable();
    void resetVariable_data();
    void resetVariable();
    void keepsModeOwnerAndGroup_data();
    void keepsModeOwnerAndGroup();
    void getEnvVarReadsOnlyTheProcessEnvironment();
    void rejectsArgumentsThatWouldCorruptTheFile_data();
    void rejectsArgumentsThatWouldCorruptTheFile();

    void missingFileIsNeverCreated_data();
    void missingFileIsNeverCreated();
    void refusesWhatIsNotARegularFile_data();
    void refusesWhatIsNotARegularFile();
    void leavesWhatLiesAtTheOldTemporaryName_data();
    void leavesWhatLiesAtTheOldTemporaryName();
    void unprivilegedUserChangesNothing_data();
    void unprivilegedUserChangesNothing();

    void linkedSystemFileKeepsTheLink();
    void userFileReadsBackThroughSystemd_data();
    void userFileReadsBackThroughSystemd();
    void userFileFaultsChangeNothing_data();
    void userFileFaultsChangeNothing();
    void resetForSessions_data();
    void resetForSessions();

    void systemFileValueReadsTheSameEverywhere_data();
    void systemFileValueReadsTheSameEverywhere();
    void userFileEditedAsSystemdReadsIt_data();
    void userFileEditedAsSystemdReadsIt();
    void mappingFileVariable_data();
    void mappingFileVariable();
    void mappingFileReport_data();
    void mappingFileReport();
    void gamesSeeEveryPadOfTheMappingFile();

private:
    // Runs the edit on a fresh file and checks it failed without changing anything but stdout.
    void expectCleanFailure(bool set, const QString& path, const QByteArray& original,
                            const QString& expectedInMessage);

    QScopedPointer<QTemporaryDir> m_pDir;
    QString m_path;
};

void TestEnvironmentFile::init()
{
    m_pDir.reset(new QTemporaryDir);
    QVERIFY(m_pDir->isValid());
    m_path = m_pDir->filePath("environment");
}

void TestEnvironmentFile::expectCleanFailure(bool set, const QString& path, const QByteArray& original,
                                             const QString& expectedInMessage)
{
    const QString dir = QFileInfo(path).absolutePath();
    const QStringList before = listing(dir);
    QString message;
    StdoutCapture out;
    const bool ok =
        set ? setSystemEnvVar(kName, "new,a:b0", path, &message) : resetSystemEnvVar(kName, path, &message);
    const QByteArray printed = out.finish();
    QVERIFY(!ok);
    QCOMPARE(printed, errorLine(path));
    QVERIFY2(message.contains(expectedInMessage, Qt::CaseInsensitive), qPrintable(message));
    QCOMPARE(readFile(path), original);
    QCOMPARE(listing(dir), before);
}

void TestEnvironmentFile::setVariable_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray longLine = "LONG=" + QByteArray(300000, 'x') + "\n";
    QTest::newRow("PATH kept, old value replaced at the end")
        << QByteArray("PATH=\"/usr/local/bin:/usr/bin\"\nSDL_GAMECONTROLLERCONFIG=old\n") << QByteArray("new")
        << QByteArray("PATH=\"/usr/local/bin:/usr/bin\"\nSDL_GAMECONTROLLERCONFIG=new\n");
    QTest::newRow("several old lines dropped wherever they stand")
        << QByteArray("SDL_GAMECONTROLLERCONFIG=a\nPATH=x\nSDL_GAMECONTROLLERCONFIG=b\nLANG=C\n"
                      "SDL_GAMECONTROLLERCONFIG=c\n")
        << QByteArray("new") << QByteArray("PATH=x\nLANG=C\nSDL_GAMECONTROLLERCONFIG=new\n");
    QTest::newRow("comment mentioning the name kept")
        << QByteArray("# SDL_GAMECONTROLLERCONFIG is set by hand\nPATH=x\n") << QByteArray("v")
        << QByteArray("# SDL_GAMECONTROLLERCONFIG is set by hand\nPATH=x\nSDL_GAMECONTROLLERCONFIG=v\n");
    QTest::newRow("other variables holding the name kept")
        << QByteArray(
               "SDL_GAMECONTROLLERCONFIG_FILE=/x.txt\nOLD_SDL_GAMECONTROLLERCONFIG=1\nHINT=see "
               "SDL_GAMECONTROLLERCONFIG=\nexportSDL_GAMECONTROLLERCONFIG=1\nSDL_GAMECONTROLLERCONFIG =1\n")
        << QByteArray("v")
        << QByteArray(
               "SDL_GAMECONTROLLERCONFIG_FILE=/x.txt\nOLD_SDL_GAMECONTROLLERCONFIG=1\nHINT=see "
               "SDL_GAMECONTROLLERCONFIG=\nexportSDL_GAMECONTROLLERCONFIG=1\nSDL_GAMECONTROLLERCONFIG =1\n"
               "SDL_GAMECONTROLLERCONFIG=v\n");
    QTest::newRow("assignments after blanks or export replaced")
        << QByteArray(" \tSDL_GAMECONTROLLERCONFIG=a\nexport SDL_GAMECONTROLLERCONFIG=b\n"
                      "  export\t SDL_GAMECONTROLLERCONFIG=\nPATH=x\n")
        << QByteArray("v") << QByteArray("PATH=x\nSDL_GAMECONTROLLERCONFIG=v\n");
    QTest::newRow("lower-case spelling kept")
        << QByteArray("sdl_gamecontrollerconfig=old\nSdl_GameControllerConfig=old\n") << QByteArray("v")
        << QByteArray(
               "sdl_gamecontrollerconfig=old\nSdl_GameControllerConfig=old\nSDL_GAMECONTROLLERCONFIG=v\n");
    QTest::newRow("empty file gets exactly one line")
        << QByteArray() << QByteArray("v") << QByteArray("SDL_GAMECONTROLLERCONFIG=v\n");
    QTest::newRow("spaces, commas and quotes written as they are")
        << QByteArray("PATH=x\n")
        << QByteArray("030000005e0400008e02000010010000,X-Box \"360\" pad,a:b0,b:b1, 'x' y,platform:Linux,")
        << QByteArray("PATH=x\nSDL_GAMECONTROLLERCONFIG=030000005e0400008e02000010010000,X-Box \"360\" pad,"
                      "a:b0,b:b1, 'x' y,platform:Linux,\n");
    QTest::newRow("empty value") << QByteArray("PATH=x\n") << QByteArray("")
                                 << QByteArray("PATH=x\nSDL_GAMECONTROLLERCONFIG=\n");
    QTest::newRow("kept last line without newline gets one")
        << QByteArray("PATH=x\nLANG=C") << QByteArray("v")
        << QByteArray("PATH=x\nLANG=C\nSDL_GAMECONTROLLERCONFIG=v\n");
    QTest::newRow("dropped last line without newline")
        << QByteArray("PATH=x\nSDL_GAMECONTROLLERCONFIG=old") << QByteArray("v")
        << QByteArray("PATH=x\nSDL_GAMECONTROLLERCONFIG=v\n");
    QTest::newRow("CRLF lines kept as they are")
        << QByteArray("PATH=x\r\nSDL_GAMECONTROLLERCONFIG=old\r\nLANG=C\r\n") << QByteArray("v")
        << QByteArray("PATH=x\r\nLANG=C\r\nSDL_GAMECONTROLLERCONFIG=v\n");
    QTest::newRow("CR at the very end without newline")
        << QByteArray("PATH=x\r") << QByteArray("v") << QByteArray("PATH=x\r\nSDL_GAMECONTROLLERCONFIG=v\n");
    QTest::newRow("bytes that are not text kept byte for byte")
        << BYTES("LANG=\xff\xfe\x80\n\0NUL=1\n\n\n  \t\n") << QByteArray("v\xc3\xa9")
        << BYTES("LANG=\xff\xfe\x80\n\0NUL=1\n\n\n  \t\nSDL_GAMECONTROLLERCONFIG=v\xc3\xa9\n");
    QTest::newRow("a line far longer than any buffer")
        << QByteArray(longLine + "SDL_GAMECONTROLLERCONFIG=old\n" + longLine) << QByteArray("v")
        << QByteArray(longLine + longLine + "SDL_GAMECONTROLLERCONFIG=v\n");
}

void TestEnvironmentFile::setVariable()
{
    QFETCH(QByteArray, original);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);
    QVERIFY(writeFile(m_path, original));

    QString message = "stale";
    StdoutCapture out;
    const bool ok = setSystemEnvVar(kName, value.constData(), m_path, &message);
    QCOMPARE(out.finish(), QByteArray());
    QVERIFY2(ok, qPrintable(message));
    QVERIFY(message.isEmpty());
    QCOMPARE(readFile(m_path), expected);
    QCOMPARE(listing(m_pDir->path()), QStringList{"environment"});

    // Setting again replaces the line instead of piling up a second one.
    QVERIFY(setSystemEnvVar(kName, value.constData(), m_path));
    QCOMPARE(readFile(m_path), expected);
}

void TestEnvironmentFile::resetVariable_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("old line dropped, others kept")
        << QByteArray("PATH=x\nSDL_GAMECONTROLLERCONFIG=old\nLANG=C\n") << QByteArray("PATH=x\nLANG=C\n");
    QTest::newRow("only the assignments dropped")
        << QByteArray("# SDL_GAMECONTROLLERCONFIG\nSDL_GAMECONTROLLERCONFIG=a\nX=SDL_GAMECONTROLLERCONFIG\n"
                      "SDL_GAMECONTROLLERCONFIG_FILE=/x.txt\n")
        << QByteArray("# "
                      "SDL_GAMECONTROLLERCONFIG\nX=SDL_GAMECONTROLLERCONFIG\nSDL_GAMECONTROLLERCONFIG_FILE=/"
                      "x.txt\n");
    QTest::newRow("no line for the variable: same content")
        << QByteArray("PATH=x\r\nsdl_gamecontrollerconfig=1\nLANG=C")
        << QByteArray("PATH=x\r\nsdl_gamecontrollerconfig=1\nLANG=C");
    QTest::newRow("empty file stays empty") << QByteArray() << QByteArray();
    QTest::newRow("kept last line without newline stays so")
        << QByteArray("SDL_GAMECONTROLLERCONFIG=a\nPATH=x") << QByteArray("PATH=x");
}

void TestEnvironmentFile::resetVariable()
{
    QFETCH(QByteArray, original);
    QFETCH(QByteArray, expected);
    QVERIFY(writeFile(m_path, original));

    QString message;
    StdoutCapture out;
    const bool ok = resetSystemEnvVar(kName, m_path, &message);
    QCOMPARE(out.finish(), QByteArray());
    QVERIFY2(ok, qPrintable(message));
    QCOMPARE(readFile(m_path), expected);
    QCOMPARE(listing(m_pDir->path()), QStringList{"environment"});
}

void TestEnvironmentFile::keepsModeOwnerAndGroup_data()
{
    QTest::addColumn<uint>("mode");
    QTest::addColumn<uint>("uid");
    QTest::addColumn<uint>("gid");
    QTest::newRow("other owner and group, 0640") << 0640u << 1234u << 5678u;
    QTest::newRow("root owner, other group, 0604") << 0604u << 0u << 4321u;
    QTest::newRow("read-only for everyone, 0444") << 0444u << 2222u << 0u;
    QTest::newRow("unusual bits, 01755") << 01755u << 3333u << 3333u;
}

void TestEnvironmentFile::keepsModeOwnerAndGroup()
{
    if (::geteuid() != 0)
        QSKIP("giving the file another owner needs root");
    QFETCH(uint, mode);
    QFETCH(uint, uid);
    QFETCH(uint, gid);
    QVERIFY(writeFile(m_path, "PATH=x\nSDL_GAMECONTROLLERCONFIG=old\n"));
    const QByteArray path = QFile::encodeName(m_path);
    QCOMPARE(::chown(path.constData(), uid, gid), 0);
    QCOMPARE(::chmod(path.constData(), mode), 0);

    QString message;
    QVERIFY2(setSystemEnvVar(kName, "new", m_path, &message), qPrintable(message));
    struct stat st;
    QCOMPARE(::lstat(path.constData(), &st), 0);
    QVERIFY(S_ISREG(st.st_mode));
    QCOMPARE(uint(st.st_mode & 07777), mode);
    QCOMPARE(uint(st.st_uid), uid);
    QCOMPARE(uint(st.st_gid), gid);
    QCOMPARE(readFile(m_path), QByteArray("PATH=x\nSDL_GAMECONTROLLERCONFIG=new\n"));

    QVERIFY2(resetSystemEnvVar(kName, m_path, &message), qPrintable(message));
    QCOMPARE(::lstat(path.constData(), &st), 0);
    QCOMPARE(uint(st.st_mode & 07777), mode);
    QCOMPARE(uint(st.st_uid), uid);
    QCOMPARE(uint(st.st_gid), gid);
}

void TestEnvironmentFile::getEnvVarReadsOnlyTheProcessEnvironment()
{
    const char var[] = "STICKWELL_TEST_ENV_VALUE";
    qputenv(var, "03000000,Pad \"x\",a:b0, \xc3\xa9");
    QCOMPARE(getEnvVar(var), QString::fromUtf8("03000000,Pad \"x\",a:b0, \xc3\xa9"));
    qunsetenv(var);
    QVERIFY(!getEnvVar(var).isNull());
    QCOMPARE(getEnvVar(var), QString(""));
    QCOMPARE(getEnvVar(nullptr), QString(""));

    // Writing the file does not reach the running process.
    QVERIFY(writeFile(m_path, ""));
    QVERIFY(setSystemEnvVar(var, "set", m_path));
    QCOMPARE(getEnvVar(var), QString(""));
    QCOMPARE(QByteArray(kSystemEnvironmentFile), QByteArray("/etc/environment"));
}

void TestEnvironmentFile::rejectsArgumentsThatWouldCorruptTheFile_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("nullName");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("nullValue");
    QTest::newRow("set, empty name (matches every line)")
        << true << QByteArray("") << false << QByteArray("v") << false;
    QTest::newRow("reset, empty name (matches every line)")
        << false << QByteArray("") << false << QByteArray() << true;
    QTest::newRow("set, null name") << true << QByteArray() << true << QByteArray("v") << false;
    QTest::newRow("reset, null name") << false << QByteArray() << true << QByteArray() << true;
    QTest::newRow("set, null value") << true << QByteArray(kName) << false << QByteArray() << true;
    QTest::newRow("value with a newline (a second line)")
        << true << QByteArray(kName) << false << QByteArray("a:b0\nPATH=/evil") << false;
    QTest::newRow("name with a newline")
        << false << QByteArray("PATH\nLANG") << false << QByteArray() << true;
}

void TestEnvironmentFile::rejectsArgumentsThatWouldCorruptTheFile()
{
    QFETCH(bool, set);
    QFETCH(QByteArray, name);
    QFETCH(bool, nullName);
    QFETCH(QByteArray, value);
    QFETCH(bool, nullValue);
    const QByteArray original = "PATH=x\nSDL_GAMECONTROLLERCONFIG=old\n";
    QVERIFY(writeFile(m_path, original));

    const char* n = nullName ? nullptr : name.constData();
    const char* v = nullValue ? nullptr : value.constData();
    QString message;
    StdoutCapture out;
    const bool ok = set ? setSystemEnvVar(n, v, m_path, &message) : resetSystemEnvVar(n, m_path, &message);
    QCOMPARE(out.finish(), QByteArray());
    QVERIFY(!ok);
    QVERIFY(!message.isEmpty());
    QCOMPARE(readFile(m_path), original);
    QCOMPARE(listing(m_pDir->path()), QStringList{"environment"});
}

void TestEnvironmentFile::missingFileIsNeverCreated_data()
{
    QTest::addColumn<bool>("set");
    QTest::newRow("set") << true;
    QTest::newRow("reset") << false;
}

void TestEnvironmentFile::missingFileIsNeverCreated()
{
    QFETCH(bool, set);
    QString message;
    StdoutCapture out;
    const bool ok =
        set ? setSystemEnvVar(kName, "v", m_path, &message) : resetSystemEnvVar(kName, m_path, &message);
    QCOMPARE(out.finish(), errorLine(m_path));
    QVERIFY(!ok);
    QVERIFY2(message.contains("open") && message.contains(QString::fromLocal8Bit(std::strerror(ENOENT))),
             qPrintable(message));
    QCOMPARE(listing(m_pDir->path()), QStringList());
}

void TestEnvironmentFile::refusesWhatIsNotARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("FIFO (must not hang)") << "fifo";
}

void TestEnvironmentFile::refusesWhatIsNotARegularFile()
{
    QFETCH(QString, kind);
    const QByteArray path = QFile::encodeName(m_path);
    QCOMPARE(kind == "fifo" ? ::mkfifo(path.constData(), 0600) : ::mkdir(path.constData(), 0700), 0);

    QString message;
    StdoutCapture out;
    const bool ok = setSystemEnvVar(kName, "v", m_path, &message);
    QCOMPARE(out.finish(), errorLine(m_path));
    QVERIFY(!ok);
    QVERIFY2(message.contains("not a regular file"), qPrintable(message));
    struct stat st;
    QCOMPARE(::lstat(path.constData(), &st), 0);
    QVERIFY(kind == "fifo" ? S_ISFIFO(st.st_mode) : S_ISDIR(st.st_mode));
    QCOMPARE(listing(m_pDir->path()), QStringList{"environment"});
}

void TestEnvironmentFile::leavesWhatLiesAtTheOldTemporaryName_data()
{
    QTest::addColumn<QString>("planted");
    QTest::newRow("leftover regular file") << "file";
    QTest::newRow("symbolic link to another file") << "link";
    QTest::newRow("dangling symbolic link") << "dangling";
    QTest::newRow("symbolic link to the original") << "self";
    QTest::newRow("directory") << "directory";
}

void TestEnvironmentFile::leavesWhatLiesAtTheOldTemporaryName()
{
    QFETCH(QString, planted);
    const QByteArray original = "PATH=x\nSDL_GAMECONTROLLERCONFIG=old\n";
    QVERIFY(writeFile(m_path, original));
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    const QString target = elsewhere.filePath("precious");
    const QByteArray targetContent = "someone else's data\n";
    if (planted != "dangling")
        QVERIFY(writeFile(target, targetContent));
    const QString temp = m_path + "_new";
    const QByteArray tempPath = QFile::encodeName(temp);
    if (planted == "file")
        QVERIFY(writeFile(temp, "half-written leftover"));
    else if (planted == "directory")
        QCOMPARE(::mkdir(tempPath.constData(), 0700), 0);
    else
        QCOMPARE(::symlink(QFile::encodeName(planted == "self" ? m_path : target).constData(),
                           tempPath.constData()),
                 0);

    // The editor's temporary files get fresh names: what lies at the old fixed name "_new" (a leftover of
    // a killed run, or something planted) neither blocks the edit nor is followed, overwritten or removed.
    for (bool set : {true, false}) {
        QString message;
        StdoutCapture out;
        const bool ok =
            set ? setSystemEnvVar(kName, "v", m_path, &message) : resetSystemEnvVar(kName, m_path, &message);
        QCOMPARE(out.finish(), QByteArray());
        QVERIFY2(ok, qPrintable(message));
        QCOMPARE(readFile(m_path),
                 set ? QByteArray("PATH=x\nSDL_GAMECONTROLLERCONFIG=v\n") : QByteArray("PATH=x\n"));
        QVERIFY(!QFileInfo(m_path).isSymLink());

        struct stat st;
        QCOMPARE(::lstat(tempPath.constData(), &st), 0);
        if (planted == "file") {
            QCOMPARE(readFile(temp), QByteArray("half-written leftover"));
        } else if (planted == "directory") {
            QVERIFY(S_ISDIR(st.st_mode));
        } else {
            QVERIFY(S_ISLNK(st.st_mode));
            QCOMPARE(QFile::symLinkTarget(temp),
                     QFileInfo(planted == "self" ? m_path : target).absoluteFilePath());
        }
        if (planted == "dangling")
            QVERIFY(!existsNoFollow(target));
        else
            QCOMPARE(readFile(target), targetContent);
        QCOMPARE(listing(m_pDir->path()), (QStringList{"environment", "environment_new"}));
    }
}

void TestEnvironmentFile::unprivilegedUserChangesNothing_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<bool>("readable");
    QTest::newRow("set, readable file") << true << true;
    QTest::newRow("reset, readable file") << false << true;
    QTest::newRow("set, unreadable file") << true << false;
}

void TestEnvironmentFile::unprivilegedUserChangesNothing()
{
    QFETCH(bool, set);
    QFETCH(bool, readable);
    const QByteArray original = "PATH=x\nSDL_GAMECONTROLLERCONFIG=old\n";
    QVERIFY(writeFile(m_path, original));
    const QByteArray path = QFile::encodeName(m_path);
    const QByteArray dir = QFile::encodeName(m_pDir->path());
    QCOMPARE(::chmod(path.constData(), readable ? 0644 : 0600), 0);
    const QString expected = readable ? "create the temporary file" : "open";

    if (::geteuid() != 0) {
        // Not root: a directory without write permission is enough.
        QCOMPARE(::chmod(dir.constData(), 0555), 0);
        if (!readable)
            QCOMPARE(::chmod(path.constData(), 0), 0);
        expectCleanFailure(set, m_path, readable ? original : QByteArray("<unreadable>"), expected);
        ::chmod(dir.constData(), 0755);
        ::chmod(path.constData(), 0644);
        QCOMPARE(readFile(m_path), original);
        return;
    }

    // Root writes anywhere: run the edit in a copy of this program as nobody, in a directory that
    // nobody may enter and read but not write.
    const QStringList paths{"/usr/bin", "/usr/sbin", "/bin", "/sbin"};
    QString program = QStandardPaths::findExecutable("setpriv", paths);
    QStringList prefix{"--reuid=" + QString::number(kNobody), "--regid=" + QString::number(kNobody),
                       "--clear-groups", "--"};
    if (program.isEmpty()) {
        program = QStandardPaths::findExecutable("runuser", paths);
        prefix = QStringList{"-u", "nobody", "--"};
    }
    if (program.isEmpty())
        QSKIP("neither setpriv nor runuser is available to drop root rights");
    QTemporaryDir binDir;
    QVERIFY(binDir.isValid());
    const QString copy = binDir.filePath("editor");
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy));
    QCOMPARE(::chmod(QFile::encodeName(copy).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(binDir.path()).constData(), 0755), 0);
    QCOMPARE(::chmod(dir.constData(), 0755), 0);

    auto runChild = [&](const QStringList& args, QByteArray* out, QByteArray* err) {
        QProcess child;
        child.setWorkingDirectory("/");
        child.start(program, prefix + QStringList{copy} + args);
        if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit)
            return -1;
        *out = child.readAllStandardOutput();
        *err = child.readAllStandardError();
        return child.exitCode();
    };
    QByteArray out, err;
    if (runChild({kChildSwitch, "probe", m_path}, &out, &err) != 42)
        QSKIP(qPrintable("can't run this program as an unprivileged user here: " +
                         QString::fromLocal8Bit(err)));

    const int code = runChild({kChildSwitch, set ? "set" : "reset", m_path}, &out, &err);
    QCOMPARE(code, 1);
    QCOMPARE(out, errorLine(m_path));
    QVERIFY2(QString::fromLocal8Bit(err).contains(expected, Qt::CaseInsensitive), err.constData());
    QCOMPARE(readFile(m_path), original);
    QCOMPARE(listing(m_pDir->path()), QStringList{"environment"});
}

void TestEnvironmentFile::linkedSystemFileKeepsTheLink()
{
    QVERIFY(QDir(m_pDir->path()).mkdir("real"));
    const QString target = m_pDir->filePath("real/environment");
    QVERIFY(writeFile(target, "PATH=x\nSDL_GAMECONTROLLERCONFIG=old\n"));
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    // Relative, as the link's own folder must resolve it, not the working directory.
    QCOMPARE(::symlink("real/environment", QFile::encodeName(m_path).constData()), 0);

    QString message;
    QVERIFY2(setSystemEnvVar(kName, "new", m_path, &message), qPrintable(message));
    QCOMPARE(readFile(target), QByteArray("PATH=x\nSDL_GAMECONTROLLERCONFIG=new\n"));
    QVERIFY2(resetSystemEnvVar(kName, m_path, &message), qPrintable(message));
    QCOMPARE(readFile(target), QByteArray("PATH=x\n"));
    // The link is the same link; the target's temporary files went beside it and are gone.
    char text[64] = {};
    QCOMPARE(::readlink(QFile::encodeName(m_path).constData(), text, sizeof text - 1), ssize_t(16));
    QCOMPARE(QByteArray(text), QByteArray("real/environment"));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
    QCOMPARE(uint(st.st_mode & 07777), 0640u);
    QCOMPARE(listing(m_pDir->filePath("real")), QStringList{"environment"});
    QCOMPARE(listing(m_pDir->path()), (QStringList{"environment", "real"}));
}

void TestEnvironmentFile::userFileReadsBackThroughSystemd_data()
{
    QTest::addColumn<QByteArray>("value");
    const QByteArray guid = "03000000de2800000112000011010000,";
    const QByteArray bindings = ",a:b0,b:b1,leftx:a0,platform:Linux,";
    QTest::newRow("plain name") << guid + "Plain Pad" + bindings;
    QTest::newRow("variables: $HOME ${HOME} ${HOME:-x} $")
        << guid + "Pad $HOME ${HOME} ${HOME:-x} ${X:+y} $1 $$ $" + bindings;
    QTest::newRow("backslashes, one at the end") << guid + "C:\\Pads\\ \\n \\$HOME \\\\" + bindings + "\\";
    QTest::newRow("quotes and backticks") << guid + "\"Quoted\" 'single' `uname` \"" + bindings;
    QTest::newRow("blanks at both ends, # and ;")
        << "  " + guid + "#not a comment ;nor this=" + bindings + "  ";
    QTest::newRow("UTF-8") << guid + "Pädchen ✓ 🎮" + bindings;
}

// The file is created with its folder; what the user keeps in it is userFileEditedAsSystemdReadsIt's.
void TestEnvironmentFile::userFileReadsBackThroughSystemd()
{
    QFETCH(QByteArray, value);
    const QString home = m_pDir->filePath("config");
    const QString dir = home + "/environment.d";
    const QString path = userEnvironmentFile(home);
    QCOMPARE(path, dir + "/99-stickwell.conf");

    QString message;
    StdoutCapture out;
    QVERIFY2(setUserEnvVar(kName, value.constData(), path, &message), qPrintable(message));
    QCOMPARE(out.finish(), QByteArray());
    QVERIFY(userFileAssignsEnvVar(path, kName));
    const QByteArray written = readFile(path);
    QVERIFY2(written.startsWith("# ") && written.contains("Stickwell") &&
                 written.contains("Delete this file"),
             written.constData());
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(dir).constData(), &st), 0);
    QCOMPARE(uint(st.st_mode & 07777), 0755u);
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(uint(st.st_mode & 07777), 0644u);
    if (!QFileInfo::exists(kEnvironmentGenerator))
        QSKIP("systemd's environment generator is not installed: the value is not read back");
    QCOMPARE(userEnvironmentValue(home, kName), value);

    QVERIFY2(resetUserEnvVar(kName, path, &message), qPrintable(message));
    QVERIFY(!userFileAssignsEnvVar(path, kName));
    QCOMPARE(listing(dir), QStringList{"99-stickwell.conf"});
}

void TestEnvironmentFile::userFileFaultsChangeNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("expected"); // part of the message
    QTest::addColumn<bool>("resetFails");
    QTest::newRow("symbolic link to another file") << "link"
                                                   << "symbolic link" << true;
    QTest::newRow("dangling symbolic link") << "dangling"
                                            << "symbolic link" << true;
    QTest::newRow("FIFO in the file's place (must not hang)") << "fifo"
                                                              << "not a regular file" << true;
    QTest::newRow("configuration home is a file") << "home file"
                                                  << "Can't create the folder" << false;
    QTest::newRow("control character in the value") << "tab"
                                                    << "control character" << false;
    QTest::newRow("value not UTF-8") << "latin1"
                                     << "UTF-8" << false;
}

void TestEnvironmentFile::userFileFaultsChangeNothing()
{
    QFETCH(QString, fault);
    QFETCH(QString, expected);
    QFETCH(bool, resetFails);
    const QString home = m_pDir->filePath("config");
    const QString dir = home + "/environment.d";
    const QString path = userEnvironmentFile(home);
    const QByteArray encoded = QFile::encodeName(path);
    const QString elsewhere = m_pDir->filePath("precious");
    QByteArray value = "0300,Pad,a:b0,";
    QByteArray original = "# by hand\nEDITOR=vim\nSDL_GAMECONTROLLERCONFIG=\"old\"\n";
    QVERIFY(writeFile(elsewhere, "someone else's data\n"));
    if (fault == "home file") {
        QVERIFY(writeFile(home, original));
    } else {
        QVERIFY(QDir().mkpath(dir));
        if (fault == "link" || fault == "dangling")
            QCOMPARE(::symlink(QFile::encodeName(fault == "link" ? elsewhere : home + "/nowhere").constData(),
                               encoded.constData()),
                     0);
        else if (fault == "directory")
            QCOMPARE(::mkdir(encoded.constData(), 0755), 0);
        else if (fault == "fifo")
            QCOMPARE(::mkfifo(encoded.constData(), 0644), 0);
        else
            QVERIFY(writeFile(path, original));
        if (fault == "tab" || fault == "latin1")
            value = fault == "tab" ? "0300,Tab\tPad,a:b0,"
                                   : "0300,P\xe4"
                                     "d,a:b0,";
    }
    const QStringList before = listing(QFileInfo(path).absolutePath());
    struct stat was;
    const bool existed = ::lstat(encoded.constData(), &was) == 0;

    for (bool set : {true, false}) {
        QString message;
        StdoutCapture out;
        const bool ok = set ? setUserEnvVar(kName, value.constData(), path, &message)
                            : resetUserEnvVar(kName, path, &message);
        QCOMPARE(out.finish(), QByteArray()); // no advice to run as root
        QCOMPARE(ok, !set && !resetFails);
        QCOMPARE(readFile(elsewhere), QByteArray("someone else's data\n"));
        if (ok)
            continue;
        QVERIFY2(message.contains(expected, Qt::CaseInsensitive), qPrintable(message));
        struct stat now;
        QCOMPARE(::lstat(encoded.constData(), &now) == 0, existed);
        if (existed) {
            QCOMPARE(now.st_mode, was.st_mode);
            QCOMPARE(now.st_ino, was.st_ino);
        }
        if (S_ISREG(was.st_mode))
            QCOMPARE(readFile(path), original);
        QCOMPARE(listing(QFileInfo(path).absolutePath()), before);
    }
}

void TestEnvironmentFile::resetForSessions_data()
{
    QTest::addColumn<bool>("root");
    QTest::addColumn<bool>("systemHolds");
    QTest::addColumn<bool>("userHolds");
    QTest::addColumn<bool>("failing");    // every rename fails
    QTest::addColumn<QString>("outcome"); // "" done, "root" failed where root helps, "user" failed
    QTest::newRow("root: both files cleared") << true << true << true << false << "";
    QTest::newRow("root: system file rewritten even without the line")
        << true << false << false << false << "";
    QTest::newRow("user: own file cleared, system file untouched") << false << false << true << false << "";
    QTest::newRow("user: system file holds it, can't be written") << false << true << false << true << "root";
    QTest::newRow("user: own file can't be written") << false << true << true << true << "user";
}

void TestEnvironmentFile::resetForSessions()
{
    QFETCH(bool, root);
    QFETCH(bool, systemHolds);
    QFETCH(bool, userHolds);
    QFETCH(bool, failing);
    QFETCH(QString, outcome);
    const QString userPath = userEnvironmentFile(m_pDir->filePath("config"));
    QVERIFY(QDir().mkpath(QFileInfo(userPath).absolutePath()));
    const QByteArray system = systemHolds ? "PATH=x\nSDL_GAMECONTROLLERCONFIG=s\n" : "PATH=x\n";
    const QByteArray user = userHolds ? "A=1\nSDL_GAMECONTROLLERCONFIG=\"u\"\n" : "A=1\n";
    QVERIFY(writeFile(m_path, system));
    QVERIFY(writeFile(userPath, user));
    struct stat before;
    QCOMPARE(::stat(QFile::encodeName(m_path).constData(), &before), 0);
    InjectedReplaceFault fault(ReplaceStep::Rename, failing ? EACCES : 0);

    StdoutCapture out;
    const EnvResetOutcome result = resetEnvVarForSessions(kName, m_path, userPath, root);
    out.finish();
    QCOMPARE(result.error.isEmpty(), outcome.isEmpty());
    if (!outcome.isEmpty()) {
        QCOMPARE(result.needsRoot, outcome == "root");
        QCOMPARE(readFile(m_path), system);
        QCOMPARE(readFile(userPath), user);
        return;
    }
    QCOMPARE(readFile(m_path), QByteArray("PATH=x\n"));
    QCOMPARE(readFile(userPath), QByteArray("A=1\n"));
    struct stat after;
    QCOMPARE(::stat(QFile::encodeName(m_path).constData(), &after), 0);
    QCOMPARE(after.st_ino == before.st_ino, !root && !systemHolds);
}

void TestEnvironmentFile::systemFileValueReadsTheSameEverywhere_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("written"); // the name as the system file holds it
    QTest::newRow("plain name kept") << QByteArray("Pad (v2), 100% ok: yes")
                                     << QByteArray("Pad (v2), 100% ok: yes");
    QTest::newRow("# (pam_env cuts the line there)") << QByteArray("Pad #2") << QByteArray("Pad  2");
    QTest::newRow("$ (systemd expands it)") << QByteArray("Pad $HOME ${X}") << QByteArray("Pad  HOME  {X}");
    QTest::newRow("backslashes (systemd drops them)") << QByteArray("C:\\Pads\\") << QByteArray("C: Pads ");
    QTest::newRow("quotation marks") << QByteArray("\"Quoted\" 'single'") << QByteArray(" Quoted   single ");
}

void TestEnvironmentFile::systemFileValueReadsTheSameEverywhere()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, written);
    const QByteArray guid = "03000000de2800000112000011010000,";
    const QByteArray bindings = ",a:b0,b:b1,leftx:a0,platform:Linux,";
    bool simplified = name == written; // the opposite of what is expected
    const QByteArray value = systemEnvironmentValue(guid + name + bindings, &simplified);
    QCOMPARE(value, guid + written + bindings);
    QCOMPARE(simplified, name != written);
    QVERIFY(writeFile(m_path, "PATH=x\n"));
    QVERIFY(setSystemEnvVar(kName, value.constData(), m_path));
    QCOMPARE(readFile(m_path), "PATH=x\nSDL_GAMECONTROLLERCONFIG=" + value + "\n");

    if (!QFileInfo::exists(kEnvironmentGenerator))
        QSKIP("systemd's environment generator is not installed: the value is not read back");
    // systemd reads the system file as one of its environment.d files (where it is linked in there).
    const QString home = m_pDir->filePath("config");
    QVERIFY(QDir().mkpath(home + "/environment.d"));
    QVERIFY(QFile::copy(m_path, home + "/environment.d/50-system.conf"));
    QCOMPARE(userEnvironmentValue(home, kName), value);
}

void TestEnvironmentFile::userFileEditedAsSystemdReadsIt_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<bool>("assigns");       // what systemd takes as an assignment of the variable
    QTest::addColumn<QByteArray>("reset");   // the file after a reset
    QTest::addColumn<QString>("setRefusal"); // part of the message of a refused set; "": set works

    const QByteArray editor = "EDITOR=vim\n";
    QTest::newRow("blanks around =") << "SDL_GAMECONTROLLERCONFIG = \"old\"\n" + editor << true << editor
                                     << "";
    QTest::newRow("tabs around =, CRLF") << QByteArray("\tSDL_GAMECONTROLLERCONFIG\t=\told\r\nEDITOR=vim\r\n")
                                         << true << QByteArray("EDITOR=vim\r\n") << "";
    QTest::newRow("value continued over a backslash")
        << "SDL_GAMECONTROLLERCONFIG=a,\\\nb,\n" + editor << true << editor << "";
    QTest::newRow("quoted value over two lines")
        << "SDL_GAMECONTROLLERCONFIG=\"a,\nb,\"\n" + editor << true << editor << "";
    QTest::newRow("last line, no line break")
        << editor + "SDL_GAMECONTROLLERCONFIG=old" << true << editor << "";
    const QByteArray others = "export SDL_GAMECONTROLLERCONFIG=x\n# SDL_GAMECONTROLLERCONFIG=x\n"
                              ";SDL_GAMECONTROLLERCONFIG=x\nSDL_GAMECONTROLLERCONFIG_FILE=/x.txt\n"
                              "FOO=bar,\\\nSDL_GAMECONTROLLERCONFIG=x\n"
                              "SDL_GAMECONTROLLERCONFIG=\nSDL_GAMECONTROLLERCONFIG=\"\"\n";
    QTest::newRow("not assignments: export, comments, other names, continued lines, empty values")
        << others << false << others << "";
    QTest::newRow("after a comment that ends in a backslash")
        << "# note \\\nSDL_GAMECONTROLLERCONFIG=x\n" + editor << true << "# note \\\n\n" + editor << "";
    QTest::newRow("last line ends in a backslash")
        << QByteArray("EDITOR=vim\\\n") << false << QByteArray("EDITOR=vim\\\n") << "";
    QTest::newRow("last line ends in a backslash, no line break")
        << QByteArray("EDITOR=vim\\") << false << QByteArray("EDITOR=vim\\") << "";
    QTest::newRow("last comment ends in a backslash")
        << QByteArray("# note \\\n") << false << QByteArray("# note \\\n") << "";
    QTest::newRow("quoted value never closed: set refused")
        << QByteArray("EDITOR=\"vim\n") << false << QByteArray("EDITOR=\"vim\n") << "quoted value";
}

void TestEnvironmentFile::userFileEditedAsSystemdReadsIt()
{
    QFETCH(QByteArray, original);
    QFETCH(bool, assigns);
    QFETCH(QByteArray, reset);
    QFETCH(QString, setRefusal);
    if (!QFileInfo::exists(kEnvironmentGenerator))
        QSKIP("systemd's environment generator is not installed: nothing to compare with");
    const QString home = m_pDir->filePath("config");
    const QString path = userEnvironmentFile(home);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(writeFile(path, original));
    QMap<QByteArray, QByteArray> expected = userEnvironment(home);
    // systemd 252 reads a line after a comment that ends in a backslash as part of the comment, 257 as a
    // line of its own: the program takes it for the assignment that one of them makes of it.
    if (QByteArray(QTest::currentDataTag()) != "after a comment that ends in a backslash")
        QCOMPARE(expected.contains(kName), assigns);
    QCOMPARE(userFileAssignsEnvVar(path, kName), assigns);
    expected.remove(kName);

    QString message;
    QVERIFY2(resetUserEnvVar(kName, path, &message), qPrintable(message));
    QCOMPARE(readFile(path), reset);
    QCOMPARE(userEnvironment(home), expected);

    QVERIFY(writeFile(path, original));
    const QByteArray value = "0300,Pad \"x\" $HOME,a:b0,";
    QCOMPARE(setUserEnvVar(kName, value.constData(), path, &message), setRefusal.isEmpty());
    if (!setRefusal.isEmpty()) {
        QVERIFY2(message.contains(setRefusal), qPrintable(message));
        QCOMPARE(readFile(path), original);
        return;
    }
    expected.insert(kName, value);
    QCOMPARE(userEnvironment(home), expected);
    QVERIFY(readFile(path).startsWith(reset));
}

void TestEnvironmentFile::mappingFileVariable_data()
{
    QTest::addColumn<QString>("mappingFile");
    QTest::addColumn<QString>("refusal"); // part of the message; "": set
    QTest::newRow("data home") << "/home/me/.local/share/gamecontrollerdb.local.txt"
                               << "";
    QTest::newRow("blanks (one at the end), UTF-8, a backtick") << "/home/Jörg Doe/`my` pads.txt "
                                                                << "";
    for (const char* c : {"\"", "'", "$", "\\", "#"})
        QTest::newRow(c) << QString("/home/me/a%1b.txt").arg(c) << QString("\"%1\"").arg(c);
    QTest::newRow("line break") << "/home/me/a\nb.txt"
                                << "line break";
    QTest::newRow("tab") << "/home/me/a\tb.txt"
                         << "control character";
    QTest::newRow("relative") << "pads.txt"
                              << "not absolute";
}

void TestEnvironmentFile::mappingFileVariable()
{
    QFETCH(QString, mappingFile);
    QFETCH(QString, refusal);
    const QString home = m_pDir->filePath("config");
    const QString path = userEnvironmentFile(home);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QByteArray mine = "# mine\nEDITOR=vim\n";
    const QByteArray original = mine + "SDL_GAMECONTROLLERCONFIG=\"0300,Old Pad,a:b0,\"\n";
    QVERIFY(writeFile(path, original));
    const QString systemFile = m_path;
    QVERIFY(writeFile(systemFile, "PATH=x\n"));

    QString message;
    QCOMPARE(setUserMappingFile(mappingFile, path, &message), refusal.isEmpty());
    if (!refusal.isEmpty()) {
        QVERIFY2(message.contains(refusal), qPrintable(message));
        QCOMPARE(readFile(path), original);
        return;
    }
    QVERIFY(readFile(path).startsWith(original));
    const SavedMappingVariables saved = savedMappingVariables(systemFile, path);
    QVERIFY(!saved.lineSystemWide && saved.lineForUser && saved.fileForUser && saved.any());
    if (QFileInfo::exists(kEnvironmentGenerator)) {
        const QMap<QByteArray, QByteArray> environment = userEnvironment(home);
        QCOMPARE(environment.value(kMappingFileVariable), mappingFile.toUtf8());
        QCOMPARE(environment.value(kName), QByteArray("0300,Old Pad,a:b0,"));
    }

    StdoutCapture out;
    const EnvResetOutcome outcome = resetMappingVariables(systemFile, path, false);
    QCOMPARE(out.finish(), QByteArray());
    QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
    QCOMPARE(readFile(path), mine);
    QCOMPARE(readFile(systemFile), QByteArray("PATH=x\n"));
    QVERIFY(!savedMappingVariables(systemFile, path).any());
    if (QFileInfo::exists(kEnvironmentGenerator)) {
        const QMap<QByteArray, QByteArray> environment = userEnvironment(home);
        QVERIFY(!environment.contains(kMappingFileVariable) && !environment.contains(kName));
        QCOMPARE(environment.value("EDITOR"), QByteArray("vim"));
    }
}

void TestEnvironmentFile::mappingFileReport_data()
{
    QTest::addColumn<QString>("value");   // "<file>": a readable file, "<folder>": a folder
    QTest::addColumn<QString>("warning"); // part of the second line; "": only one line
    QTest::newRow("not set") << ""
                             << "";
    QTest::newRow("a readable file") << "<file>"
                                     << "";
    QTest::newRow("missing file") << "/nonexistent/pads.txt"
                                  << "does not exist";
    QTest::newRow("a folder") << "<folder>"
                              << "not a file";
    QTest::newRow("relative path") << "pads.txt"
                                   << "not an absolute path";
}

void TestEnvironmentFile::mappingFileReport()
{
    QFETCH(QString, value);
    QFETCH(QString, warning);
    if (value == "<file>")
        QVERIFY(writeFile(value = m_path, "# none yet\n"));
    if (value == "<folder>")
        value = m_pDir->path();
    const QStringList report = ::mappingFileReport(value);
    const QString head = "Environment variable \"SDL_GAMECONTROLLERCONFIG_FILE\" ";
    QCOMPARE(report.value(0), head + (value.isEmpty() ? "is not defined" : "is set to: \"" + value + "\""));
    QCOMPARE(report.size(), warning.isEmpty() ? 1 : 2);
    QVERIFY(
        warning.isEmpty() ||
        (report.at(1).startsWith("Warning: \"SDL_GAMECONTROLLERCONFIG_FILE\" gives games no mappings: ") &&
         report.at(1).contains(warning)));
}

// Two different pads whose lines are in the user's mapping file, as a game sees them after the next
// login: a program on SDL2 alone, started with the environment systemd's generator gives.
void TestEnvironmentFile::gamesSeeEveryPadOfTheMappingFile()
{
    if (!QFileInfo::exists(kEnvironmentGenerator))
        QSKIP("systemd's environment generator is not installed");
    const QStringList pads{"1209:5711:11:6:1:Stickwell Probe Pad A", "1209:5712:8:4:0:Stickwell Probe Pad B"};
    // Without the file variable SDL knows neither pad.
    const QList<QByteArray> unknown = probeGameMappings({}, pads);
    QCOMPARE(unknown.size(), 2);
    QByteArray lines;
    QList<QByteArray> names{"My Pad A", "My Pad B"}, bindings{"a:b0,b:b1,x:b2,", "a:b1,b:b0,leftx:a0,"};
    for (int i = 0; i < 2; ++i) {
        QVERIFY2(unknown.at(i).endsWith(" none"), unknown.at(i).constData());
        // As the program saves them: the name checksum left out of the GUID, for this platform.
        QByteArray guid = unknown.at(i).left(32);
        guid.replace(4, 4, "0000");
        lines += guid + ',' + names.at(i) + ',' + bindings.at(i) + "platform:Linux,\n";
    }
    const QString mappingFile = m_pDir->filePath("data home/gamecontrollerdb.local.txt");
    QVERIFY(QDir().mkpath(QFileInfo(mappingFile).absolutePath()));
    QVERIFY(writeFile(mappingFile, "# my pads\n" + lines));
    const QString home = m_pDir->filePath("config");
    QString message;
    QVERIFY2(setUserMappingFile(mappingFile, userEnvironmentFile(home), &message), qPrintable(message));

    const QList<QByteArray> seen = probeGameMappings(userEnvironment(home), pads);
    QCOMPARE(seen.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QList<QByteArray> fields = seen.at(i).split(',');
        QVERIFY2(fields.value(1) == names.at(i) && seen.at(i).contains(',' + bindings.at(i)),
                 seen.at(i).constData());
    }
}

// Besides the tests, the program edits one file when asked to by the unprivileged-user test:
// <program> --edit-as-child set|reset|probe <path>. Exit 0 on success, 1 on failure, 42 for probe.
int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], kChildSwitch) == 0) {
        if (std::strcmp(argv[2], "probe") == 0)
            return ::geteuid() == kNobody ? 42 : 2;
        QString message;
        const QString path = QFile::decodeName(argv[3]);
        const bool ok = std::strcmp(argv[2], "set") == 0 ? setSystemEnvVar(kName, "new,a:b0", path, &message)
                                                         : resetSystemEnvVar(kName, path, &message);
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return ok ? 0 : 1;
    }
    QCoreApplication app(argc, argv);
    TestEnvironmentFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_environmentfile.moc"
