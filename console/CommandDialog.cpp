#include "console/CommandDialog.h"

#include "commands/Payload.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

#include <variant>

namespace orvek {

namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

ParameterDialog::ParameterDialog(const Command& command, QWidget* parent) : QDialog(parent), m_command(command)
{
    const CommandDialog& definition = *command.dialog;
    setObjectName(ToQString(definition.name));
    setWindowTitle(ToQString(definition.caption));
    setModal(true);

    auto* form = new QFormLayout;
    auto* digitsOnly = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
    for (const DialogField& field : definition.fields) {
        auto* label = new QLabel(ToQString(field.label));
        label->setFixedWidth(definition.labelWidth);
        label->setWordWrap(true);
        auto* edit = new QLineEdit(ToQString(field.defaultValue));
        edit->setObjectName(ToQString(field.name));
        edit->setFixedWidth(definition.editWidth);
        edit->setMaxLength(field.maxLength);
        edit->setValidator(digitsOnly);
        label->setBuddy(edit);
        form->addRow(label, edit);
        m_edits.emplace_back(field.name, edit);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &ParameterDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ParameterDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString ParameterDialog::fieldText(std::string_view fieldName) const
{
    for (const auto& [name, edit] : m_edits) {
        if (name == fieldName) return edit->text();
    }
    return {};
}

void ParameterDialog::accept()
{
    auto built = BuildMessage(m_command, [this](std::string_view name) { return fieldText(name).toStdString(); });
    if (const auto* error = std::get_if<FieldError>(&built)) {
        showRefusal(QString::fromStdString(error->ItalianMessage()));
        for (const auto& [name, edit] : m_edits) {
            if (name == error->fieldName) {
                edit->setFocus();
                edit->selectAll();
            }
        }
        return;
    }
    m_message = std::get<std::vector<std::uint8_t>>(std::move(built));
    QDialog::accept();
}

void ParameterDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void ParameterDialog::showRefusal(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
    box.exec();
}

}  // namespace orvek
