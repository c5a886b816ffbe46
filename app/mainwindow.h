#ifndef MAINWINDOW_H
#define MAINWINDOW_H
// The one window: gamepad list, picture with highlights, command buttons, wizard buttons and log. It
// shows what the session layer (session/) decides and passes the user's clicks on to it.

#include "mappingsession.h"
#include "messagedialogs.h"

#include <QMainWindow>
#include <QString>
#include <QUrl>
#include <memory>

class QCloseEvent;
class BindingOverlays;
class DatabaseUpdate;
class EnvironmentCommands;
class MappingStore;
class PadRoster;
class SimilarPadsMenu;
class SteamCommands;
struct StoreResult;

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
    QString steamHome;       // the home directory whose Steam installations the Steam commands edit
};

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
    void on_keepButton_clicked();
    void on_discardButton_clicked();
    void on_setEnvVarButton_clicked();
    void on_resetEnvVarButton_clicked();

public slots:
    // Lights or darkens the highlight of binding-table row index.
    void showGamepadImage(int index, bool show);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A click on a control of the picture captures that control again.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend struct MainWindowProbe; // tests reach the session through it

    void logLine(const QString& line);
    void printBanner();
    void showInformation(const QString& text);
    void reportDataDirectoryError(const QString& why);
    // The list as the roster holds it, and the commands that need a pad.
    void showRoster();
    // Enables the commands by the mode and the held pad: those that hand out a line need the pad's own.
    void showCommands();
    // The Steam menu: its commands, enabled for a pad with a line (and a Steam installation).
    void createSteamMenu();
    // The buttons, list and status line of a mode.
    void showMode(MappingSession::Mode mode);
    // Offers a mapping that could not be saved on the clipboard.
    void reportStored(const StoreResult& result);

    Ui::MainWindow* ui;
    MainWindowSettings m_settings;
    MessageDialogs m_dialogs;
    MappingStore* m_pStore = nullptr;
    PadRoster* m_pRoster = nullptr;
    EnvironmentCommands* m_pCommands = nullptr;
    MappingSession* m_pSession = nullptr;
    DatabaseUpdate* m_pUpdate = nullptr;
    SteamCommands* m_pSteam = nullptr;
    SimilarPadsMenu* m_pSimilar = nullptr;
    std::unique_ptr<BindingOverlays> m_pOverlays; // the highlights, children of the picture
};

#endif
