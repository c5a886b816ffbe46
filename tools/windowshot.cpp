// Saves a picture of the real window with every highlight lit, for the README:
//   windowshot OUTPUT.png   (under an X server, e.g. xvfb-run -a)
// The window runs on temporary files and a loopback address that nothing answers.

#include "bindingtable.h"
#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <SDL.h>
#include <stdio.h>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    QApplication application(argc, argv);
    // Resolved now: the window makes its data directory the working directory.
    const QString output = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QTemporaryDir root;
    MainWindowSettings settings;
    settings.dataDirectory = root.filePath("data");
    settings.seedPath = root.filePath("seed.txt");
    settings.environmentFile = root.filePath("environment");
    settings.configHome = root.filePath("config");
    settings.databaseUrl = QUrl("http://127.0.0.1:9/gamecontrollerdb.txt");
    settings.submissionUrl = QUrl("http://127.0.0.1:9/gamecontrollerdb.php");
    QDir().mkpath(settings.dataDirectory);

    MainWindow window(settings);
    window.show();
    for (int row = 0; row < BINDING_ROWS; ++row)
        QMetaObject::invokeMethod(&window, "showGamepadImage", Q_ARG(int, row), Q_ARG(bool, true));
    int result = 1;
    QTimer::singleShot(500, [&] {
        result = window.grab().save(output) ? 0 : 1;
        application.quit();
    });
    application.exec();
    return result;
}
