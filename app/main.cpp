#include "mainwindow.h"

#include <QApplication>
#include <SDL.h>

int main(int argc, char* argv[])
{
    SDL_Init(SDL_INIT_GAMECONTROLLER);
    SDL_JoystickEventState(SDL_ENABLE);
    QApplication application(argc, argv);
    MainWindow window(MainWindowSettings::fromEnvironment());
    window.show();
    const int result = application.exec();
    return result;
}
