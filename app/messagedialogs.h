#ifndef MESSAGEDIALOGS_H
#define MESSAGEDIALOGS_H
// The session's questions as the user sees them: modal message boxes headed by the product label, and
// the name dialog over the window.

#include "dialogs.h"

class QWidget;

class MessageDialogs : public Dialogs
{
public:
    // The name dialog opens over window; message boxes have no parent.
    explicit MessageDialogs(QWidget* window) : m_pWindow(window) {}

    bool ask(const QString& text, Icon icon = Icon::Information, const QString& option = QString(),
             bool* ticked = nullptr) override;
    bool tell(const QString& text, const QString& option = QString()) override;
    std::optional<QString> name(const QString& suggested) override;

private:
    QWidget* m_pWindow;
};

#endif
