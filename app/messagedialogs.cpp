#include "messagedialogs.h"

#include <QCheckBox>
#include <QInputDialog>
#include <QMessageBox>

namespace
{
const char* const kProductLabel = "Stickwell v1.2";
} // namespace

bool MessageDialogs::ask(const QString& text, Icon icon, const QString& option, bool* ticked)
{
    QMessageBox box;
    box.setText(QString::fromUtf8(kProductLabel));
    box.setInformativeText(text);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setIcon(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::Information);
    QCheckBox* check = option.isEmpty() || !ticked ? nullptr : new QCheckBox(option);
    if (check) {
        check->setChecked(*ticked);
        box.setCheckBox(check);
    }
    const bool yes = box.exec() == QMessageBox::Yes;
    if (check)
        *ticked = check->isChecked();
    return yes;
}

bool MessageDialogs::tell(const QString& text, const QString& option)
{
    QMessageBox box;
    box.setText(QString::fromUtf8(kProductLabel));
    box.setInformativeText(text);
    box.setIcon(QMessageBox::Information);
    QCheckBox* check = option.isEmpty() ? nullptr : new QCheckBox(option);
    if (check)
        box.setCheckBox(check);
    box.exec();
    return check && check->isChecked();
}

std::optional<QString> MessageDialogs::name(const QString& suggested)
{
    bool ok = false;
    const QString typed =
        QInputDialog::getText(m_pWindow, QString::fromUtf8(kProductLabel),
                              QStringLiteral("Enter gamepad name:"), QLineEdit::Normal, suggested, &ok);
    if (!ok)
        return std::nullopt;
    return typed;
}
