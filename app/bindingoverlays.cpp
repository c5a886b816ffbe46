#include "bindingoverlays.h"

#include "apppictures.h"

#include <QLabel>

BindingOverlays::BindingOverlays(QLabel* picture)
{
    for (int row = 0; row < BINDING_ROWS; ++row) {
        auto* overlay = new QLabel(picture);
        m_labels[row] = overlay;
        overlay->setPixmap(loadPicture(bindingTable[row].image, overlay->devicePixelRatioF()));
        overlay->move(bindingTable[row].x, bindingTable[row].y);
        // Sized now, not when first shown: a click on the picture finds a control by its place.
        overlay->resize(overlay->sizeHint());
        overlay->setVisible(false);
    }
}

void BindingOverlays::show(int row, bool lit)
{
    if (row >= 0 && row < BINDING_ROWS)
        m_labels[row]->setVisible(lit);
}

void BindingOverlays::hideAll()
{
    for (QLabel* overlay : m_labels)
        overlay->setVisible(false);
}

int BindingOverlays::rowAt(const QPoint& pos) const
{
    int found = -1;
    int foundArea = 0;
    for (int row = 0; row < BINDING_ROWS; ++row) {
        const QRect place = m_labels[row]->geometry();
        const int area = place.width() * place.height();
        if (place.contains(pos) && (found < 0 || area < foundArea)) {
            found = row;
            foundArea = area;
        }
    }
    return found;
}
