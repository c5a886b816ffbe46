#include "apppictures.h"
#include "databasefiles.h"
#include "mainwindow.h"

#include <QApplication>
#include <SDL.h>
#include <stdio.h>

int main(int argc, char* argv[])
{
    // One log line at a time, also into a pipe or file: nothing waits in a buffer for a crash to lose.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    takeOverConfiguredMappings();
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    prepareHighDensityScreens();
    QApplication application(argc, argv);
    // Every window of the program, message boxes included, carries the icon; the desktop file name
    // lets the desktop match the window to its launcher.
    QApplication::setWindowIcon(applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brightmoor.Stickwell"));
    MainWindow window(MainWindowSettings::fromEnvironment());
    window.show();
    const int result = application.exec();
    return result;
}
