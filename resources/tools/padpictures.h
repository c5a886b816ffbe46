#ifndef PADPICTURES_H
#define PADPICTURES_H
// The gamepad pictures of the resource bundle, drawn from one description of the pad: the base picture
// and every highlight come from the same shapes, so a highlight placed at its binding-table position
// always lies on its control.

#include <QImage>
#include <QString>

struct PadPicture {
    const char* name;  // file name without ".png", e.g. "PadSetup-Button-3"
    int width, height; // size at scale 1; the "@2x" twin is exactly double
};

enum { PAD_PICTURES = 30 };

// The 30 base pictures, the base gamepad picture first.
extern const PadPicture padPictures[PAD_PICTURES];

// Draws the picture `name` (one of padPictures, without ".png") at `scale` (1 for the base file, 2 for
// its "@2x" twin): an ARGB32 image of scale times the picture's size, transparent around the pad or the
// highlight. Returns a null image for an unknown name or a scale below 1.
QImage drawPadPicture(const QString& name, int scale);

// Draws the base picture with the highlights of all 31 binding-table rows placed at their positions,
// on a plain window-coloured background, at `scale`. For looking at the pictures together only.
// Returns a null image for a scale below 1.
QImage drawPadPreview(int scale);

// The application icon: a gamepad glyph in the pictures' style, installed in the hicolor theme and
// compiled into the resource bundle at each of these sizes (pixels, smallest first).
enum { PAD_ICON_SIZES = 7 };
extern const int padIconSizes[PAD_ICON_SIZES];

// Draws the application icon as a `size` x `size` ARGB32 image, transparent around the pad. Below 48
// pixels the sticks, shoulders and guide button are left out and the cross and buttons grow, so the
// small icons still read as a gamepad. Returns a null image for a size below 16.
QImage drawPadIcon(int size);

// The icon's file name at `size`, as committed and bundled: "stickwell-<size>.png".
QString padIconFileName(int size);

#endif
