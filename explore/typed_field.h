// A field the user types a number into, with its refusal in red under it
// (the field framed in red) until it holds an accepted value: a refused text
// stays as typed, nothing is applied, and the message is on the window
// itself, not only in the status bar.
#pragma once

#include <QString>
#include <QWidget>
#include <optional>

#include "core/tools/field_check.h"

class QLabel;
class QLineEdit;

namespace corvane::explore {

class TypedField : public QWidget {
public:
    // Takes `edit` into a widget of its own with the message line under it;
    // put this widget in the layout in its place. The message line is named
    // after the edit with "Message" appended.
    TypedField(QLineEdit* edit, QWidget* parent);

    QLineEdit* edit() const { return edit_; }
    // The red line, for a window that shows it elsewhere than under the
    // field (across a row of fields, say): take it into that layout.
    QLabel* messageLine() const { return message_; }
    // The TypedField holding `edit`, or null.
    static TypedField* of(const QWidget* edit);

    // Shows a value the window holds, and forgets any refusal; but a field
    // holding a refused text keeps it while the value is still the one it
    // had when the text was typed.
    void showValue(double value, const QString& text);
    // Reads the typed text against `rule`: the value, with any refusal
    // gone; or nothing, with the refusal shown.
    std::optional<double> take(const tools::FieldRule& rule);
    void refuse(const QString& message);
    void clearRefusal();
    // The refusal shown; empty when none.
    QString refusal() const;

private:
    QLineEdit* edit_ = nullptr;
    QLabel* message_ = nullptr;
    std::optional<double> shown_;
};

}  // namespace corvane::explore
