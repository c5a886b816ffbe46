#ifndef WINDOWFIXTURE_H
#define WINDOWFIXTURE_H
// A real MainWindow whose files live in temporary directories and whose servers are on loopback.

#include "mainwindow.h"
#include "mappingsession.h"
#include "padroster.h"
#include "sdlpollevent.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <memory>

// The window's session layer, for tests.
struct MainWindowProbe {
    static PadRoster& roster(MainWindow& w) { return *w.m_pRoster; }
    static MappingSession& session(MainWindow& w) { return *w.m_pSession; }
    static SDL_Joystick* joystick(MainWindow& w) { return w.m_pRoster->joystick(); }
    static SDL_GameController* controller(MainWindow& w) { return w.m_pRoster->controller(); }
    static SDLPollEvent* worker(MainWindow& w) { return w.m_pSession->worker(); }
    static QThread* thread(MainWindow& w) { return w.m_pSession->thread(); }
};

struct WindowFixture {
    QTemporaryDir root;
    MainWindowSettings settings;
    std::unique_ptr<MainWindow> window;

    // Nothing listens on port 9 of loopback: the update check fails at once unless a test serves it.
    WindowFixture()
    {
        QDir(root.path()).mkpath("data");
        QDir(root.path()).mkpath("install");
        settings.dataDirectory = root.filePath("data");
        settings.seedPath = root.filePath("install/gamecontrollerdb.txt");
        settings.environmentFile = root.filePath("environment");
        settings.configHome = root.filePath("config");
        settings.steamHome = root.filePath("home");
        // The system-wide route, whoever runs the tests; the per-user route is chosen where tested.
        settings.runningAsRoot = true;
        settings.databaseUrl = QUrl("http://127.0.0.1:9/gamecontrollerdb.txt");
        settings.submissionUrl = QUrl("http://127.0.0.1:9/gamecontrollerdb.php");
    }
    ~WindowFixture() { window.reset(); }

    MainWindow& open()
    {
        window.reset(new MainWindow(settings));
        window->show();
        return *window;
    }
    void close() { window.reset(); }

    template <typename T> T* widget(const char* name) const { return window->findChild<T*>(name); }
    QPushButton* button(const char* name) const { return widget<QPushButton>(name); }
    QComboBox* list() const { return widget<QComboBox>("gamepadComboBox"); }
    QStringList logLines() const { return widget<QPlainTextEdit>("logTextEdit")->toPlainText().split('\n'); }
    QString status() const { return window->statusBar()->currentMessage(); }
    QStringList entries() const
    {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i)
            texts << list()->itemText(i);
        return texts;
    }
};

#endif
