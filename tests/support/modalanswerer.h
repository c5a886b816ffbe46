#ifndef MODALANSWERER_H
#define MODALANSWERER_H
// Answers the modal boxes a test provokes: each expected box is queued with the answer to give, and
// a timer closes it as soon as it shows, recording its texts. GUI tests only.

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <optional>

class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Seen {
        QString kind; // "message" or "input"
        QString title;
        QString text;            // main text (message box) or label (input dialog)
        QString informativeText; // message boxes
        QString inputText;       // the input dialog's text as offered
        QString checkBoxText;    // a message box's check box, if it has one
    };

    explicit ModalAnswerer(QObject* parent = nullptr);

    // The next message box is answered by clicking this standard button (Ok, Yes, No, ...);
    // QMessageBox::NoButton closes it with its close control (Escape). Its check box, if it has one, is
    // ticked or unticked first as check says, or left as it is.
    void answerMessage(QMessageBox::StandardButton button = QMessageBox::Ok,
                       std::optional<bool> check = std::nullopt);
    // The next input dialog gets this text and is accepted (or rejected when accept is false).
    void answerInput(const QString& text, bool accept = true);
    // The next input dialog is accepted with the text it offers.
    void acceptInput();

    const QList<Seen>& seen() const { return m_seen; }
    int pending() const { return int(m_answers.size()); }
    // Processes events until every queued answer has been given, or timeoutMs passes.
    bool waitAllAnswered(int timeoutMs = 10000);

private slots:
    void poll();

private:
    struct Answer {
        bool input;
        QMessageBox::StandardButton button;
        bool keepText;
        QString text;
        bool accept;
        std::optional<bool> check;
    };
    std::deque<Answer> m_answers;
    QList<Seen> m_seen;
    QTimer m_timer;
};

#endif
