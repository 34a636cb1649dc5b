// The cobweb's controls: sliders and fields for a, x0, k and n, Step, Play
// and Reset; a typed value is read against the model's ranges.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include "explore/cobweb_controls.h"
#include "explore/cobweb_window.h"
#include "explore/tool_menus.h"
#include "explore/typed_field.h"

namespace corvane::explore {

using namespace cobweb_controls;

QWidget* CobwebWindow::buildControls() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("controls"));
    auto* grid = new QGridLayout(panel);
    int row = 0;
    auto addRow = [&](const QString& label, QSlider* slider, QLineEdit* field,
                      const QString& accessible) {
        auto* l = new QLabel(label, panel);
        l->setBuddy(field);
        // Level with the field, whatever shows under the field.
        l->setMinimumHeight(field->sizeHint().height());
        slider->setMinimumHeight(field->sizeHint().height());
        slider->setAccessibleName(accessible + QStringLiteral(" slider"));
        field->setAccessibleName(accessible);
        grid->addWidget(l, row, 0, Qt::AlignTop);
        grid->addWidget(slider, row, 1, Qt::AlignTop);
        grid->addWidget(new TypedField(field, panel), row, 2, Qt::AlignTop);
        ++row;
    };
    auto slider = [panel](const char* name, int lo, int hi, int single, int page) {
        auto* s = new QSlider(Qt::Horizontal, panel);
        s->setObjectName(QString::fromLatin1(name));
        s->setRange(lo, hi);
        s->setSingleStep(single);
        s->setPageStep(page);
        return s;
    };
    // Typed values are taken on Enter or when the field is left; the arrow
    // keys step them (the event filter).
    auto typed = [this, panel](const char* name, const QString& tip) {
        auto* f = new QLineEdit(panel);
        f->setObjectName(QString::fromLatin1(name));
        f->setToolTip(tip);
        f->setMinimumWidth(150);
        f->setMaximumWidth(220);
        f->installEventFilter(this);
        connect(f, &QLineEdit::editingFinished, this, [this, f] { takeTyped(f); });
        return f;
    };
    auto intSpin = [panel](const char* name, int lo, int hi) {
        auto* s = new QSpinBox(panel);
        s->setObjectName(QString::fromLatin1(name));
        s->setLocale(QLocale::c());
        s->setRange(lo, hi);
        s->setKeyboardTracking(false);
        return s;
    };

    aSlider_ = slider("aSlider", 0, sliderOf(kMostA), sliderOf(kStepA), sliderOf(0.1));
    aField_ = typed("aField", QStringLiteral("a; the arrow keys step it by 0.001, with Shift by "
                                             "0.000001"));
    addRow(QStringLiteral("&a"), aSlider_, aField_, QStringLiteral("a"));
    x0Slider_ = slider("x0Slider", 0, sliderOf(1), sliderOf(0.001), sliderOf(0.1));
    x0Field_ = typed("x0Field", QStringLiteral("Start of the orbit"));
    addRow(QStringLiteral("x&0"), x0Slider_, x0Field_, QStringLiteral("x0"));
    kSlider_ = slider("kSlider", 1, cobweb::kMostFold, 1, 4);
    kField_ = typed("kField", QStringLiteral("The fold: the graph is f applied k times"));
    addRow(QStringLiteral("&k"), kSlider_, kField_, QStringLiteral("k, the fold of f"));
    nSlider_ = slider("nSlider", 0, static_cast<int>(cobweb::kMostSteps), 1, 100);
    nField_ = typed("nField", QStringLiteral("Steps of the orbit"));
    addRow(QStringLiteral("&n"), nSlider_, nField_, QStringLiteral("n, the steps"));
    grid->setColumnStretch(1, 1);

    // Shift with an arrow key moves a by a millionth.
    aSlider_->installEventFilter(this);

    connect(aSlider_, &QSlider::valueChanged, this, [this](int v) { userA(v * kSliderUnit); });
    connect(x0Slider_, &QSlider::valueChanged, this, [this](int v) { setX0(v * kSliderUnit); });
    connect(kSlider_, &QSlider::valueChanged, this, [this](int v) { setFold(v); });
    connect(nSlider_, &QSlider::valueChanged, this, [this](int v) { setSteps(v); });

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption, const QString& tip) {
        auto* b = new QPushButton(caption, panel);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
        buttons->addWidget(b);
        return b;
    };
    QPushButton* stepButton =
        button("step", QStringLiteral("&Step"), QStringLiteral("One step more"));
    playButton_ = button("play", QStringLiteral("&Play"),
                         QStringLiteral("Step on by itself; again to pause"));
    playButton_->setCheckable(true);
    QPushButton* resetButton =
        button("reset", QStringLiteral("&Reset"), QStringLiteral("Back to step 0"));
    connect(stepButton, &QPushButton::clicked, this, [this] { step(); });
    connect(playButton_, &QPushButton::clicked, this, [this](bool on) {
        if (on) {
            play();
        } else {
            pause();
        }
    });
    connect(resetButton, &QPushButton::clicked, this, [this] { reset(); });
    auto* speedLabel = new QLabel(QStringLiteral("Steps a s&econd"), panel);
    speedSpin_ = intSpin("speed", 1, kMostSpeed);
    speedSpin_->setValue(20);
    speedSpin_->setAccessibleName(QStringLiteral("Steps a second when playing"));
    speedLabel->setBuddy(speedSpin_);
    buttons->addSpacing(16);
    buttons->addWidget(speedLabel);
    buttons->addWidget(speedSpin_);
    buttons->addStretch();
    grid->addLayout(buttons, row, 0, 1, 3);
    return panel;
}

void CobwebWindow::showValues() {
    // The controls follow the values without telling anyone.
    const QSignalBlocker b1(aSlider_), b3(x0Slider_), b5(kSlider_), b7(nSlider_);
    aSlider_->setValue(sliderOf(a()));
    x0Slider_->setValue(sliderOf(x0()));
    kSlider_->setValue(fold());
    nSlider_->setValue(static_cast<int>(steps()));
    // A field keeps a refused text while its value stays.
    TypedField::of(aField_)->showValue(a(), text(a()));
    TypedField::of(x0Field_)->showValue(x0(), text(x0()));
    TypedField::of(kField_)->showValue(fold(), QString::number(fold()));
    TypedField::of(nField_)->showValue(double(steps()), QString::number(steps()));
}

void CobwebWindow::takeTyped(QLineEdit* field) {
    // Enter on a text as shown changes nothing (the text may round a).
    if (!field->isModified()) return;
    TypedField* typed = TypedField::of(field);
    if (field == aField_) {
        if (const auto a = typed->take(model_.fieldRule("a"))) userA(*a);
    } else if (field == x0Field_) {
        if (const auto x0 = typed->take(model_.fieldRule("x0"))) setX0(*x0);
    } else if (field == kField_) {
        if (const auto k = typed->take({"k", 1, double(cobweb::kMostFold), true})) {
            setFold(static_cast<int>(*k));
        }
    } else if (field == nField_) {
        if (const auto n = typed->take({"n", 0, double(cobweb::kMostSteps), true})) {
            setSteps(static_cast<std::int64_t>(*n));
        }
    }
    if (typed->refusal().isEmpty()) field->setModified(false);
}

void CobwebWindow::showRanges() {
    const QSignalBlocker b1(aSlider_), b2(x0Slider_);
    aSlider_->setRange(sliderOf(model_.aRange().from), sliderOf(model_.aRange().to));
    x0Slider_->setRange(sliderOf(model_.span().from), sliderOf(model_.span().to));
}

}  // namespace corvane::explore
