#ifndef SCRIPTEDDIALOGS_H
#define SCRIPTEDDIALOGS_H
// Answers the session's questions from a script and records each one: the message boxes and the name
// dialog of a session tested without a window. An unscripted question is answered No, a name dialog
// cancelled, a check box left as it is.

#include "dialogs.h"

#include <QList>
#include <QString>
#include <deque>
#include <functional>

class ScriptedDialogs : public Dialogs
{
public:
    struct Seen {
        QString kind; // "ask", "tell" or "name"
        QString text; // the question or message; the suggested name
        QString option;
    };

    void setNextAnswer(bool yes) { m_answers.push_back(yes); }
    void setNextName(const std::optional<QString>& name) { m_names.push_back(name); }
    void setNextTick(bool ticked) { m_ticks.push_back(ticked); }
    // Runs while the next dialogs show, as events would reach the program while a modal box is open.
    std::function<void()> whileShown;

    QList<Seen> seen;

    bool ask(const QString& text, Icon, const QString& option, bool* ticked) override
    {
        const bool yes = answer("ask", text, option, m_answers, false);
        if (ticked && !option.isEmpty() && !m_ticks.empty()) {
            *ticked = m_ticks.front();
            m_ticks.pop_front();
        }
        return yes;
    }
    bool tell(const QString& text, const QString& option) override
    {
        std::deque<bool> none;
        return answer("tell", text, option, option.isEmpty() ? none : m_ticks, false);
    }
    std::optional<QString> name(const QString& suggested) override
    {
        return answer("name", suggested, QString(), m_names, std::optional<QString>());
    }

private:
    template <typename T>
    T answer(const char* kind, const QString& text, const QString& option, std::deque<T>& queue, T otherwise)
    {
        seen.append({QString::fromLatin1(kind), text, option});
        if (whileShown)
            whileShown();
        if (queue.empty())
            return otherwise;
        const T next = queue.front();
        queue.pop_front();
        return next;
    }

    std::deque<bool> m_answers;
    std::deque<std::optional<QString>> m_names;
    std::deque<bool> m_ticks;
};

#endif
