#ifndef MAINWINDOW_H
#define MAINWINDOW_H
// The one window: gamepad list, picture with highlights, command buttons, wizard buttons and log.
// Its slots stay thin: the work is done by the worker, mapping database and system modules.

#include <QMainWindow>
#include <QString>
#include <QUrl>
#include <SDL.h>

class QCloseEvent;
class QNetworkReply;
class QThread;
class FileDownloader;
class SDLPollEvent;

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
};

// 0 normal mode, 1 mapping mode; written only by MainWindow::setMappingMode.
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
    void newMappingAvailable(QString mapping);
    void addJoystick(int index);
    void removeJoystick(int index);
    void dbFileDownloaded();
    void mappingSubmitted(QNetworkReply* reply);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend struct MainWindowProbe; // tests reach the window's state through it

    void printBanner();
    // Rebuilds the list; keeps the entry of keepInstance selected when it is still present, otherwise
    // the remembered position; if that is gone too, no entry, or the first one when keepInstance was given.
    void refreshGamepadList(SDL_JoystickID keepInstance = -1);
    void closeGamepad();
    void createBindingOverlays();
    void hideBindingOverlays();
    void setMappingMode(int mode);
    void reapplyMappingMode();
    void stopWorker();
    void applyMappingChanges(SDL_JoystickID keepInstance = -1);
    bool listHoldsInstance(SDL_JoystickID instance) const;
    bool listIsStale() const;
    SDL_JoystickID selectedInstance() const;
    QByteArray selectedGuidText() const;
    QByteArray selectedMappingLine() const;
    QString userEnvironmentPath() const;
    bool envVarSaved() const;
    void showInformation(const QString& text);

    SDL_Joystick* m_pJoystick;
    SDL_GameController* m_pGameController;
    QThread* m_pThread;
    SDLPollEvent* m_pWorker;
    FileDownloader* m_pFileDownloader;
    Ui::MainWindow* ui;
    MainWindowSettings m_settings;
};

#endif
