#ifndef MAINWINDOW_H
#define MAINWINDOW_H
// The one window: gamepad list, picture with highlights, command buttons, wizard buttons and log.
// Its slots stay thin: the work is done by the worker, mapping database and system modules.

#include <QMainWindow>
#include <QString>
#include <QUrl>
#include <SDL.h>

#include "mappingparser.h"
#include "sdlpollevent.h"

class QCloseEvent;
class QNetworkAccessManager;
class QNetworkReply;
class QThread;
class FileDownloader;
struct PadIdentity;

namespace Ui
{
class MainWindow;
}

// Where the window keeps and finds its files and which servers it talks to. The defaults are the real
// places; tests and benchmarks point them at temporary directories and loopback servers.
struct MainWindowSettings {
    MainWindowSettings(); // the real places; needs the QApplication
    // The real places, each overridable for test runs and benchmarks of the installed program:
    // STICKWELL_DATABASE_URL, STICKWELL_SUBMISSION_URL, STICKWELL_ENVIRONMENT_FILE (the data
    // directory follows XDG_DATA_HOME already).
    static MainWindowSettings fromEnvironment();
    QString dataDirectory;   // becomes the working directory
    QString seedPath;        // community database shipped beside the program
    QString environmentFile; // the system environment file
    QString configHome;      // the user's configuration home, which holds the per-user environment file
    bool runningAsRoot;      // only then is the system environment file the set command's target
    QUrl databaseUrl;        // community database download
    QUrl submissionUrl;      // mapping-collection service
    int networkTimeoutMs;    // a request with no data moving for this long is given up
};

// An SDLPollEvent::Mode: NormalMode or MappingMode; written only by MainWindow::setMappingMode.
extern int mappingMode;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    explicit MainWindow(const MainWindowSettings& settings, QWidget* parent = nullptr);
    ~MainWindow() override;

    // One user-visible line: "[LOG] text" on standard output and a paragraph in the log panel.
    void logMessage(const char* text);

private slots:
    void on_gamepadComboBox_currentIndexChanged(int index);
    void on_copyIdButton_clicked();
    void on_copyBindingsButton_clicked();
    void on_newBindings_clicked();
    void on_cancelButton_clicked();
    void on_skipButton_clicked();
    void on_previousButton_clicked();
    void on_setEnvVarButton_clicked();
    void on_resetEnvVarButton_clicked();

public slots:
    void showGamepadImage(int index, bool show);
    void newMappingAvailable(const CapturedBindings& bindings);
    void addJoystick(int index);
    void removeJoystick(int index);
    void dbFileDownloaded();
    void mappingSubmitted(QNetworkReply* reply);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A click on a control of the picture captures that control again.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend struct MainWindowProbe; // tests reach the window's state through it

    void printBanner();
    // Rebuilds the list; keeps the entry of keepInstance selected when it is still present, otherwise
    // the remembered position; if that is gone too, no entry, or the first one when keepInstance was given.
    void refreshGamepadList(SDL_JoystickID keepInstance = -1);
    void closeGamepad();
    void createBindingOverlays();
    void hideBindingOverlays();
    void setMappingMode(SDLPollEvent::Mode mode);
    void reapplyMappingMode();
    // The buttons and list of a mode, without touching the worker.
    void showMappingMode(SDLPollEvent::Mode mode);
    // One control of the selected pad's mapping captured again; the rest of the line stays.
    void startRecapture(int row);
    void storeRecapturedMapping(const QByteArray& captured);
    // Logs, saves, submits and registers a finished mapping line, then rebuilds the list.
    void storeMapping(const QByteArray& mappingText, const PadIdentity& pad);
    // The binding-table row whose highlight lies under pos (picture coordinates), or -1.
    int bindingRowAt(const QPoint& pos) const;
    // Leaves the wizard whose pad has gone: normal mode, a true list, and a message.
    void abandonWizard();
    // Rebuilds the list keeping the selected pad (wherever its row is now), then restarts the worker on it.
    void applyMappingChanges();
    bool listHoldsInstance(SDL_JoystickID instance) const;
    bool listIsStale() const;
    SDL_JoystickID selectedInstance() const;
    // The selected pad as its lines name it (portable GUID, CRCs).
    PadIdentity selectedPad() const;
    // SDL's mapping line for the selected controller in the portable form: what the copy and
    // environment commands hand out.
    QByteArray selectedMappingLine() const;
    QString userEnvironmentPath() const;
    bool envVarSaved() const;
    void showInformation(const QString& text);
    void reportDataDirectoryError(const QString& why);
    // Says in the log and a box why a new mapping was not saved, and offers it on the clipboard.
    void reportUnsavedMapping(const QByteArray& mappingText, const QString& why);

    SDL_Joystick* m_pJoystick;
    SDL_GameController* m_pGameController;
    QThread* m_pThread;
    SDLPollEvent* m_pWorker;
    FileDownloader* m_pFileDownloader;
    QNetworkAccessManager* m_pNetwork; // the update check's download and the submissions
    Ui::MainWindow* ui;
    MainWindowSettings m_settings;
    ParsedMapping m_recapture;           // the mapping a single-control capture changes
    bool m_bRecapture = false;           // the running capture asks for one control only
    QList<QByteArray> m_sessionMappings; // registered with SDL since the start, oldest first
    bool m_bDataDirectory = false; // the data directory is the working directory: the files can be written
    int m_iWizardRows = STANDARD_ROWS; // the rows the wizard steps through: BINDING_ROWS with the extras
    QString m_sGamepadStatus;          // the status line of normal mode, as the list last set it
};

#endif
