#pragma once

#include "commands/Catalogue.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

class QLineEdit;

namespace orvek {

// The parameter dialog of one command, built from its catalogue entry: one numeric edit per
// field, showing the field's default, and OK / Cancel. OK builds the command's message; a
// value that does not fit its field is refused with a message and the dialog stays open.
// (Named apart from the catalogue's CommandDialog, which is the data it is built from.)
class ParameterDialog : public QDialog {
    Q_OBJECT
public:
    // command must be of the Dialog kind and outlive the dialog.
    explicit ParameterDialog(const Command& command, QWidget* parent = nullptr);

    // The message (code, then payload) built when OK was accepted.
    const std::vector<std::uint8_t>& message() const { return m_message; }

    // The text of a field by its name; empty for a name the dialog does not have.
    QString fieldText(std::string_view fieldName) const;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Shows why a value was refused; routed here so that the dialog stays open.
    void showRefusal(const QString& text);

    const Command& m_command;
    std::vector<std::pair<std::string_view, QLineEdit*>> m_edits;
    std::vector<std::uint8_t> m_message;
};

}  // namespace orvek
