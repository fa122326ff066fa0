#include "app/qtprompts.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

PromptAnswer QtPrompts::askYesNoCancel(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                    parent);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return PromptAnswer::Cancel;
    }
}

PromptAnswer QtPrompts::askYesNo(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? PromptAnswer::Yes : PromptAnswer::No;
}

void QtPrompts::message(QWidget *parent, const QString &text, const QString &title, MessageIcon icon)
{
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::Information:
        qicon = QMessageBox::Information;
        break;
    case MessageIcon::Warning:
        qicon = QMessageBox::Warning;
        break;
    case MessageIcon::Critical:
        qicon = QMessageBox::Critical;
        break;
    case MessageIcon::None:
        break;
    }
    QMessageBox box(qicon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

std::optional<QString> QtPrompts::openFile(QWidget *parent, const QString &title, const QString &filter,
                                           const QString &fileName)
{
    const QString chosen = QFileDialog::getOpenFileName(parent, title, fileName, filter, nullptr,
                                                        QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> QtPrompts::saveFile(QWidget *parent, const QString &title, const QString &filter,
                                           const QString &fileName)
{
    // The path is used exactly as typed. Save As itself asks before it replaces a file, so that
    // the question is the program's own and tests answer it like any other.
    QFileDialog dialog(parent, title, fileName, filter);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<Colour> QtPrompts::chooseColour(QWidget *parent, Colour initial, const QString &title)
{
    const QColor chosen = QColorDialog::getColor(toQColor(initial), parent, title);
    if (!chosen.isValid())
        return std::nullopt;
    return fromQColor(chosen);
}
