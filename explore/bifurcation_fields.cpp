// The explorer's View fields: a_min … K and the λ strip's range, read
// against the ranges the map takes; a refusal shows under its field.
#include <QDockWidget>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <cmath>

#include "core/numeric/number_text.h"
#include "core/tools/explorer_model.h"
#include "core/tools/field_check.h"
#include "explore/bifurcation_view.h"
#include "explore/bifurcation_window.h"
#include "explore/tool_menus.h"
#include "explore/typed_field.h"

namespace corvane::explore {

void BifurcationWindow::buildFields() {
    auto* dock = new QDockWidget(QStringLiteral("View"), this);
    dock->setObjectName(QStringLiteral("fieldsDock"));
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* panel = new QWidget(dock);
    // Two fields a row where they pair up, so that the panel and the density
    // pane under it fit a laptop's screen.
    auto* form = new QGridLayout;
    form->setColumnStretch(1, 1);
    form->setColumnStretch(3, 1);
    form->setVerticalSpacing(2);
    int at = 0;
    QVBoxLayout* messages = nullptr;
    auto field = [&](const char* name, const char* label, const char* tip) {
        auto* edit = new QLineEdit(panel);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setToolTip(QString::fromLatin1(tip));
        edit->setMaximumWidth(160);
        connect(edit, &QLineEdit::returnPressed, this, [this] { applyFields(); });
        auto* caption = new QLabel(QString::fromUtf8(label), panel);
        caption->setBuddy(edit);
        const int row = at / 2, column = (at % 2) * 2;
        form->addWidget(caption, 2 * row, column);
        auto* typed = new TypedField(edit, panel);
        form->addWidget(typed, 2 * row, column + 1);
        // Refusals across the panel under their row, where a line holds them.
        if (column == 0) {
            messages = new QVBoxLayout;
            messages->setSpacing(0);
            form->addLayout(messages, 2 * row + 1, 0, 1, 4);
        }
        messages->addWidget(typed->messageLine());
        ++at;
        return edit;
    };
    fields_.aMin = field("aMin", "a_min", "Left edge of the diagram");
    fields_.aMax = field("aMax", "a_max", "Right edge of the diagram");
    fields_.xMin = field("xMin", "x_min", "Bottom edge of the diagram");
    fields_.xMax = field("xMax", "x_max", "Top edge of the diagram");
    fields_.x0 = field("x0", "x0", "Start of every orbit");
    ++at;  // x0 alone in its row
    fields_.transient = field("transient", "T", "Steps discarded before counting");
    fields_.kept = field("kept", "K", "Steps counted");
    fields_.lambdaMin = field("lambdaMin", "\u03bb min", "Bottom of the strip; empty: automatic");
    fields_.lambdaMax = field("lambdaMax", "\u03bb max", "Top of the strip; empty: automatic");
    auto* apply = new QPushButton(QStringLiteral("Apply"), panel);
    apply->setObjectName(QStringLiteral("apply"));
    connect(apply, &QPushButton::clicked, this, [this] { applyFields(); });
    auto* layout = new QVBoxLayout(panel);
    layout->addLayout(form);
    layout->addWidget(apply);
    layout->addStretch();
    dock->setWidget(panel);
    addDockWidget(Qt::RightDockWidgetArea, dock);
}

void BifurcationWindow::showFields(const View& v) {
    const auto show = [](QLineEdit* field, double value, const QString& shown) {
        TypedField::of(field)->showValue(value, shown);
    };
    show(fields_.aMin, v.aMin, text(v.aMin));
    show(fields_.aMax, v.aMax, text(v.aMax));
    show(fields_.xMin, v.xMin, text(v.xMin));
    show(fields_.xMax, v.xMax, text(v.xMax));
    show(fields_.x0, v.x0, text(v.x0));
    show(fields_.transient, double(v.transient), QString::number(v.transient));
    show(fields_.kept, double(v.kept), QString::number(v.kept));
}

std::optional<std::pair<double, double>> BifurcationWindow::lambdaRange() const {
    return view_->userLyapunovRange();
}

void BifurcationWindow::setLambdaRange(std::optional<std::pair<double, double>> range) {
    fields_.lambdaMin->setText(range ? text(range->first) : QString());
    fields_.lambdaMax->setText(range ? text(range->second) : QString());
    TypedField::of(fields_.lambdaMin)->clearRefusal();
    TypedField::of(fields_.lambdaMax)->clearRefusal();
    view_->setLyapunovRange(range);
}

QString BifurcationWindow::fieldRefusal(const char* name) const {
    const auto* field = findChild<QLineEdit*>(QString::fromLatin1(name));
    const TypedField* typed = TypedField::of(field);
    return typed ? typed->refusal() : QString();
}

bool BifurcationWindow::applyFields() {
    View v = view();
    // The ranges the map takes (a formula's own from its dialog).
    const Interval as = model_.aLimits(), xs = model_.xLimits();
    struct Number {
        QLineEdit* field;
        tools::FieldRule rule;
        double* target;
    };
    const Number numbers[] = {{fields_.aMin, {"a_min", as.from, as.to}, &v.aMin},
                              {fields_.aMax, {"a_max", as.from, as.to}, &v.aMax},
                              {fields_.xMin, {"x_min", xs.from, xs.to}, &v.xMin},
                              {fields_.xMax, {"x_max", xs.from, xs.to}, &v.xMax},
                              {fields_.x0, {"x0", xs.from, xs.to}, &v.x0}};
    // Every field is read, so that each refusal shows at once.
    bool taken = true;
    for (const Number& n : numbers) {
        const std::optional<double> value = TypedField::of(n.field)->take(n.rule);
        if (value) {
            *n.target = *value;
        } else {
            taken = false;
        }
    }
    struct Count {
        QLineEdit* field;
        const tools::FieldRule& rule;
        std::int64_t* target;
    };
    const Count counts[] = {{fields_.transient, tools::transientRule(), &v.transient},
                            {fields_.kept, tools::keptRule(), &v.kept}};
    for (const Count& c : counts) {
        const std::optional<double> value = TypedField::of(c.field)->take(c.rule);
        if (value) {
            *c.target = std::int64_t(*value);
        } else {
            taken = false;
        }
    }
    if (!taken) {
        say(QString());
        return false;
    }
    // The pairs: shown at the upper end of the one refused.
    const QString why = QString::fromStdString(tools::refusal(v));
    if (!why.isEmpty()) {
        const bool aRangeHolds = v.aMin < v.aMax && !tools::tooNarrow(v.aMin, v.aMax);
        TypedField::of(aRangeHolds ? fields_.xMax : fields_.aMax)->refuse(why);
        return false;
    }
    // The strip's range: both empty for automatic, or both numbers.
    const QString lo = fields_.lambdaMin->text().trimmed();
    const QString hi = fields_.lambdaMax->text().trimmed();
    std::optional<std::pair<double, double>> range;
    if (!lo.isEmpty() || !hi.isEmpty()) {
        const auto l = toDouble(lo.toStdString());
        const auto h = toDouble(hi.toStdString());
        if (!l || !h) {
            TypedField::of(l ? fields_.lambdaMax : fields_.lambdaMin)
                ->refuse(QStringLiteral("\u03bb min and \u03bb max must both be numbers, or both "
                                        "empty for an automatic range."));
            return false;
        }
        if (!(*l < *h)) {
            TypedField::of(fields_.lambdaMax)
                ->refuse(QStringLiteral("\u03bb min must be less than \u03bb max."));
            return false;
        }
        range = std::pair(*l, *h);
    }
    TypedField::of(fields_.lambdaMin)->clearRefusal();
    TypedField::of(fields_.lambdaMax)->clearRefusal();
    if (v == view()) {
        view_->setLyapunovRange(range);
        say(QString());
        return true;
    }
    if (!showView(v)) return false;
    view_->setLyapunovRange(range);
    return true;
}

}  // namespace corvane::explore
