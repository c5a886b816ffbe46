// The yardstick for the window start-up figure: a bare Qt Widgets program that shows one label and
// nothing else. bench/startup.sh times it next to the program.

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLabel label("Stickwell");
    label.show();
    return app.exec();
}
