#ifndef APPPICTURES_H
#define APPPICTURES_H
// The program's pictures as the desktop shows them: the application icon of the window and its message
// boxes, and the gamepad pictures at the screen's pixel density ("@2x" twins on high-density screens).

#include <QIcon>
#include <QPixmap>
#include <QString>

// Asks Qt to scale the window on high-density screens and to hand out high-density pixmaps. Must be
// called before the QApplication is constructed; has no effect afterwards.
void prepareHighDensityScreens();

// The application icon from the resource bundle, at each of its drawn sizes (16 to 256 pixels). A null
// icon when the bundle is not linked in.
QIcon applicationIcon();

// Loads the bundled picture `path` (e.g. ":/PadSetup-Back-Tp.png", or ":/PadSetup-Button-3" without
// the suffix) for a device pixel ratio: above 1 the "@2x" twin, marked with a ratio of 2 so that it
// shows at the picture's own size in device-independent pixels; otherwise, or when there is no twin,
// the picture itself. Returns a null pixmap when neither loads.
QPixmap loadPicture(const QString& path, qreal devicePixelRatio);

#endif
