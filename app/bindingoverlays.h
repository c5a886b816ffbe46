#ifndef BINDINGOVERLAYS_H
#define BINDINGOVERLAYS_H
// The highlights over the gamepad picture: one hidden label per binding-table row, a child of the
// picture at the row's place, and which of them lies under a point of the picture.

#include "bindingtable.h"

class QLabel;
class QPoint;

class BindingOverlays
{
public:
    // Creates the highlight of every binding-table row over picture, hidden; picture owns them.
    explicit BindingOverlays(QLabel* picture);

    // Shows or hides the highlight of row; a row outside the table changes nothing.
    void show(int row, bool lit);
    void hideAll();
    // The row whose highlight lies under pos (picture coordinates), or -1. Where highlights overlap
    // (an arrow over its stick), the smallest is the one meant.
    int rowAt(const QPoint& pos) const;

private:
    QLabel* m_labels[BINDING_ROWS] = {};
};

#endif
