#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QInputDialog>

ModalAnswerer::ModalAnswerer(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start();
}

void ModalAnswerer::answerMessage(QMessageBox::StandardButton button, std::optional<bool> check)
{
    m_answers.push_back({false, button, false, QString(), true, check});
}

void ModalAnswerer::answerInput(const QString& text, bool accept)
{
    m_answers.push_back({true, QMessageBox::NoButton, false, text, accept, std::nullopt});
}

void ModalAnswerer::acceptInput()
{
    m_answers.push_back({true, QMessageBox::NoButton, true, QString(), true, std::nullopt});
}

bool ModalAnswerer::waitAllAnswered(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!m_answers.empty() && clock.elapsed() < timeoutMs)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return m_answers.empty();
}

void ModalAnswerer::poll()
{
    if (m_answers.empty())
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    const Answer answer = m_answers.front();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (answer.input)
            return;
        m_answers.pop_front();
        QCheckBox* check = box->checkBox();
        m_seen.append({"message", box->windowTitle(), box->text(), box->informativeText(), QString(),
                       check ? check->text() : QString()});
        if (check && answer.check)
            check->setChecked(*answer.check);
        if (answer.button == QMessageBox::NoButton) {
            box->reject();
            return;
        }
        QAbstractButton* button = box->button(answer.button);
        if (button)
            button->click();
        else
            box->reject();
        return;
    }
    if (auto* dialog = qobject_cast<QInputDialog*>(modal)) {
        if (!answer.input)
            return;
        m_answers.pop_front();
        m_seen.append(
            {"input", dialog->windowTitle(), dialog->labelText(), QString(), dialog->textValue(), QString()});
        if (!answer.keepText)
            dialog->setTextValue(answer.text);
        if (answer.accept)
            dialog->accept();
        else
            dialog->reject();
    }
}
