#ifndef CAPTUREDBINDINGS_H
#define CAPTUREDBINDINGS_H
// What a finished capture hands over: the binding slots of every row, not yet any text. The receiver
// turns them into a mapping line with the pad's GUID and name.

#include "bindingtable.h"
#include "capturedinput.h"

#include <QMetaType>

struct CapturedBindings {
    // Indexed by binding-table row; a row the capture did not fill (skipped, or beyond the wizard's
    // rows) is INPUT_NONE.
    CapturedInput bindings[BINDING_ROWS] = {};
};

Q_DECLARE_METATYPE(CapturedBindings)

#endif
