#ifndef DIALOGS_H
#define DIALOGS_H
// The questions and messages the session puts to the user. The window answers them with real message
// boxes and the name dialog; tests answer them directly.

#include <QString>
#include <optional>

class Dialogs
{
public:
    enum class Icon { Information, Warning };

    virtual ~Dialogs();

    // A question answered with Yes or No, Yes the default. Returns true for Yes only; No, Escape and
    // closing the box all count as No. With a non-empty option and a ticked given, the box carries a
    // check box with that text, ticked at first as *ticked says; *ticked is left as the user left it.
    virtual bool ask(const QString& text, Icon icon = Icon::Information, const QString& option = QString(),
                     bool* ticked = nullptr) = 0;

    // A message the user acknowledges. With a non-empty option the box carries an unticked check box
    // with that text; returns whether the user ticked it (false without one).
    virtual bool tell(const QString& text, const QString& option = QString()) = 0;

    // The name dialog for a new mapping, offering suggested. Returns the text as the user left it, or
    // nothing when the dialog was cancelled.
    virtual std::optional<QString> name(const QString& suggested) = 0;
};

#endif
