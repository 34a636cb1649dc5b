#include "explore/typed_field.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace corvane::explore {

namespace {

// A wrapped line of text as tall as its lines at its width: a dock or a
// form gives it no more than its minimum height.
class MessageLine : public QLabel {
public:
    explicit MessageLine(QWidget* parent) : QLabel(parent) {
        setStyleSheet(QStringLiteral("color: #b00000"));
        setWordWrap(true);
        setTextFormat(Qt::PlainText);
    }
    void fitHeight() {
        const int w = width() > 20 ? width() : 200;
        setMinimumHeight(text().isEmpty() ? 0 : heightForWidth(w));
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        fitHeight();
    }
};

}  // namespace

TypedField::TypedField(QLineEdit* edit, QWidget* parent) : QWidget(parent), edit_(edit) {
    edit_->setParent(this);
    message_ = new MessageLine(this);
    message_->setObjectName(edit_->objectName() + QStringLiteral("Message"));
    message_->hide();
    setFocusProxy(edit_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(edit_);
    layout->addWidget(message_);
}

TypedField* TypedField::of(const QWidget* edit) {
    return edit ? dynamic_cast<TypedField*>(edit->parentWidget()) : nullptr;
}

void TypedField::showValue(double value, const QString& text) {
    if (!refusal().isEmpty() && shown_ == value) return;
    shown_ = value;
    edit_->setText(text);
    clearRefusal();
}

std::optional<double> TypedField::take(const tools::FieldRule& rule) {
    const tools::FieldCheck check = checkField(edit_->text().toStdString(), rule);
    if (!check.accepted()) {
        refuse(QString::fromStdString(check.refusal));
        return std::nullopt;
    }
    clearRefusal();
    return check.value;
}

void TypedField::refuse(const QString& message) {
    message_->setText(message);
    message_->show();
    static_cast<MessageLine*>(message_)->fitHeight();
    edit_->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid #c00000; }"));
    edit_->setAccessibleDescription(message);
}

void TypedField::clearRefusal() {
    if (message_->isHidden() && message_->text().isEmpty()) return;
    message_->clear();
    message_->hide();
    static_cast<MessageLine*>(message_)->fitHeight();
    edit_->setStyleSheet(QString());
    edit_->setAccessibleDescription(QString());
}

QString TypedField::refusal() const { return message_->text(); }

}  // namespace corvane::explore
