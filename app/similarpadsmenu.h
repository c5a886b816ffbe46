#ifndef SIMILARPADSMENU_H
#define SIMILARPADSMENU_H
// The menu of the similar-pads button: the lines of the selected pad's relatives to try (their name,
// how their pad differs, where the line comes from), and keeping a line that SDL applies to the pad
// from none of the program's sources. A view: the choice goes out as a signal.

#include "padrelatives.h"

#include <QList>
#include <QObject>

class QMenu;
class QToolButton;

class SimilarPadsMenu : public QObject
{
    Q_OBJECT
public:
    // Gives button a menu of its own; button must outlive the menu object.
    explicit SimilarPadsMenu(QToolButton* button, QObject* parent = nullptr);

    // Lists relatives, after the keep command when keepSdlLine is true. The button is enabled when
    // enabled is true and the menu has an entry.
    void show(const QList<PadRelative>& relatives, bool keepSdlLine, bool enabled);

signals:
    // The user chose relatives[index] of the last show().
    void relativeChosen(int index);
    void keepSdlLineChosen();

private:
    QToolButton* m_pButton;
    QMenu* m_pMenu;
};

#endif
