#include "explore/custom_map_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "core/numeric/number_text.h"
#include "core/tools/field_check.h"
#include "explore/job_runner.h"
#include "explore/tool_menus.h"
#include "explore/typed_field.h"

namespace corvane::explore {

namespace {

// Item data of the drop-down: the example's index, or -1 for a recent formula.
constexpr int kRecent = -1;

}  // namespace

QString derivativeWording(const custom::CustomMap& map) {
    if (map.code().isNative()) return QStringLiteral("machine code, exact derivative");
    return QStringLiteral("evaluated step by step (%1), exact derivative")
        .arg(QString::fromStdString(map.code().nativeRefusal()));
}

CustomMapDialog::CustomMapDialog(RecentFormulas& recent, const Map* current, QWidget* parent)
    : QDialog(parent), recent_(recent) {
    setObjectName(QStringLiteral("CustomMapDialog"));
    setWindowTitle(QStringLiteral("Custom map"));
    formula_ = new QComboBox(this);
    formula_->setObjectName(QStringLiteral("formula"));
    formula_->setEditable(true);
    formula_->setInsertPolicy(QComboBox::NoInsert);
    formula_->setMinimumContentsLength(40);
    formula_->setToolTip(
        QStringLiteral("A formula in x and a: + - * / ^, parentheses, pi, e, sin, cos, tan, asin, "
                       "acos, atan, sinh, cosh, tanh, exp, log, log10, sqrt, abs, floor, ceil, "
                       "min, max, comparisons and c ? u : v"));
    for (const QString& f : recent.list()) formula_->addItem(f, kRecent);
    const auto examples = custom::examples();
    for (std::size_t i = 0; i < examples.size(); ++i) {
        // Named in the list; choosing one puts its formula alone in the field.
        formula_->addItem(QStringLiteral("%1:  %2").arg(QLatin1String(examples[i].name),
                                                        QLatin1String(examples[i].formula)),
                          int(i));
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("f(x) ="), formula_);
    auto field = [&](const char* name, const char* label) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaximumWidth(160);
        form->addRow(QString::fromLatin1(label), new TypedField(edit, this));
        return edit;
    };
    aMin_ = field("aMin", "a_min");
    aMax_ = field("aMax", "a_max");
    xMin_ = field("xMin", "x_min");
    xMax_ = field("xMax", "x_max");
    x0_ = field("x0", "x0");
    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("error"));
    error_->setStyleSheet(QStringLiteral("color: #b00000"));
    error_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { tryAccept(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(error_);
    layout->addWidget(buttons);

    connect(formula_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        const int example = formula_->itemData(index).toInt();
        if (example >= 0) useExample(example);
    });
    if (current && current->isFormula()) {
        formula_->setEditText(QString::fromStdString(current->caption()));
        aMin_->setText(text(current->startParameters().from));
        aMax_->setText(text(current->startParameters().to));
        xMin_->setText(text(current->xRange().from));
        xMax_->setText(text(current->xRange().to));
        x0_->setText(text(current->startX0()));
    } else {
        useExample(0);
        if (!recent.list().isEmpty()) formula_->setEditText(recent.list().front());
    }
}

void CustomMapDialog::useExample(int index) {
    const auto examples = custom::examples();
    if (index < 0 || std::size_t(index) >= examples.size()) return;
    const custom::Example& e = examples[std::size_t(index)];
    formula_->setEditText(QString::fromLatin1(e.formula));
    aMin_->setText(text(e.aMin));
    aMax_->setText(text(e.aMax));
    xMin_->setText(text(e.xMin));
    xMax_->setText(text(e.xMax));
    x0_->setText(text(e.x0));
    error_->clear();
    for (QLineEdit* f : {aMin_, aMax_, xMin_, xMax_, x0_}) TypedField::of(f)->clearRefusal();
}

QLineEdit* CustomMapDialog::field(const char* name) const {
    return findChild<QLineEdit*>(QString::fromLatin1(name));
}

QString CustomMapDialog::fieldRefusal(const char* name) const {
    const TypedField* typed = TypedField::of(field(name));
    return typed ? typed->refusal() : QString();
}

QString CustomMapDialog::errorText() const { return error_->text(); }

std::optional<custom::CustomMap::Compiled> CustomMapDialog::compile(const QString& formula) {
    using Compiled = custom::CustomMap::Compiled;
    JobRunner<Compiled> runner(1);
    runner.start([text = formula.toStdString()](JobRunner<Compiled>::Control& job) {
        job.publish(std::make_shared<const Compiled>(custom::CustomMap::compile(text)), true);
    });
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (runner.poll().finished) loop.quit();
    });
    bool closed = false;
    connect(this, &QDialog::finished, &loop, [&] {
        closed = true;
        loop.quit();
    });
    poll.start(5);
    compiling_ = true;
    QPushButton* ok = findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    error_->setText(QStringLiteral("Compiling\u2026"));
    if (!runner.poll().finished) loop.exec();
    ok->setEnabled(true);
    compiling_ = false;
    error_->clear();
    runner.waitIdle();
    const auto done = runner.poll();
    if (closed || !done.result) return std::nullopt;
    return *done.result;
}

bool CustomMapDialog::tryAccept() {
    if (compiling_) return false;
    const QString formula = formula_->currentText();
    const std::optional<custom::CustomMap::Compiled> compiledOrClosed = compile(formula);
    if (!compiledOrClosed) return false;
    const custom::CustomMap::Compiled& compiled = *compiledOrClosed;
    if (!compiled.map) {
        error_->setText(QString::fromStdString(compiled.error));
        formula_->setFocus();
        if (compiled.column > 0) {
            // The column counts from the first character that is not blank.
            const int lead = int(formula.indexOf(formula.trimmed()));
            formula_->lineEdit()->setCursorPosition(lead + compiled.column - 1);
        }
        return false;
    }
    error_->clear();
    Interval a, x;
    double x0 = 0;
    // The ranges as far as the tool windows reach; x0 within the x-range.
    struct Number {
        QLineEdit* field;
        tools::FieldRule rule;
        double* target;
    };
    const Number numbers[] = {{aMin_, {"a_min", -tools::kFarthestA, tools::kFarthestA}, &a.from},
                              {aMax_, {"a_max", -tools::kFarthestA, tools::kFarthestA}, &a.to},
                              {xMin_, {"x_min", -tools::kFarthestX, tools::kFarthestX}, &x.from},
                              {xMax_, {"x_max", -tools::kFarthestX, tools::kFarthestX}, &x.to}};
    QLineEdit* firstRefused = nullptr;
    for (const Number& n : numbers) {
        const std::optional<double> value = TypedField::of(n.field)->take(n.rule);
        if (value) {
            *n.target = *value;
        } else if (!firstRefused) {
            firstRefused = n.field;
        }
    }
    if (!firstRefused && !(a.from < a.to)) {
        TypedField::of(aMax_)->refuse(QStringLiteral("a_min must be less than a_max."));
        firstRefused = aMax_;
    }
    const bool xRange = TypedField::of(xMin_)->refusal().isEmpty() &&
                        TypedField::of(xMax_)->refusal().isEmpty() && x.from < x.to;
    if (!firstRefused && !xRange) {
        TypedField::of(xMax_)->refuse(QStringLiteral("x_min must be less than x_max."));
        firstRefused = xMax_;
    }
    if (xRange) {
        const std::optional<double> start = TypedField::of(x0_)->take({"x0", x.from, x.to});
        if (start) {
            x0 = *start;
        } else if (!firstRefused) {
            firstRefused = x0_;
        }
    }
    if (firstRefused) {
        firstRefused->setFocus();
        return false;
    }
    recent_.add(QString::fromStdString(compiled.map->formula()));
    choice_ = Map::formula(compiled.map, a, x, x0);
    accept();
    return true;
}

std::optional<Map> askCustomMap(QWidget* parent, RecentFormulas& recent, const Map* current) {
    CustomMapDialog dialog(recent, current, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

}  // namespace corvane::explore
