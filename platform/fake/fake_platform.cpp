#include "platform/fake/fake_platform.h"

#include <stdexcept>

namespace corvane::fake {

using platform::Answer;
using platform::Buttons;

FakeWindow::FakeWindow(FakePlatform& owner, std::string name)
    : owner_(owner), name_(std::move(name)) {}

FakeWindow::~FakeWindow() { owner_.forget(this); }

double FakeWindow::ScaleWidth() const { return width_ - kFrameWidth; }

double FakeWindow::ScaleHeight() const {
    return height_ - kFrameHeight - (menu_.empty() ? 0 : kMenuHeight);
}

void FakeWindow::addLabel(const std::string& name, const std::string& caption,
                          const platform::ControlBox& box, const platform::Font& font) {
    controls_.push_back({Control::Kind::Label, name, caption, box, font});
}

platform::TextField& FakeWindow::addTextField(const std::string& name,
                                              const platform::ControlBox& box,
                                              const platform::Font& font) {
    controls_.push_back({Control::Kind::TextField, name, "", box, font});
    return fields_[name];
}

platform::TextField& FakeWindow::field(const std::string& name) {
    auto it = fields_.find(name);
    if (it == fields_.end()) throw std::out_of_range("no text field " + name);
    return it->second;
}

void FakeWindow::setLabelFor(const std::string& labelName, const std::string& fieldName) {
    labelOf_[fieldName] = labelName;
}

std::string FakeWindow::labelOf(const std::string& fieldName) const {
    const auto it = labelOf_.find(fieldName);
    if (it == labelOf_.end()) return {};
    for (const Control& control : controls_) {
        if (control.kind == Control::Kind::Label && control.name == it->second) {
            return control.caption;
        }
    }
    return {};
}

bool FakeWindow::pressEnter(const std::string& fieldName) {
    auto it = fields_.find(fieldName);
    if (it == fields_.end()) throw std::out_of_range("no text field " + fieldName);
    if (!it->second.onEnter()) return false;
    // A copy: the handler may replace itself.
    const std::function<void()> handler = it->second.onEnter();
    handler();
    return true;
}

bool FakeWindow::pressEscape() {
    if (!onEscape_) return false;
    const std::function<void()> handler = onEscape_;
    handler();
    return true;
}

void FakeWindow::record(DrawOp op) {
    ++opCount_;
    const bool cls = op.kind == DrawOp::Kind::Cls;
    if (recording_ || cls) ops_.push_back(std::move(op));
    if (cls) lastCls_ = ops_.size();
}

void FakeWindow::failIfAsked() {
    if (failure_.empty()) return;
    const std::string what = std::move(failure_);
    failure_.clear();
    throw std::runtime_error(what);
}

void FakeWindow::PSet(double x, double y) {
    failIfAsked();
    check(x), check(y);
    ++opCount_;
    ++pointCount_;
    if (recording_) ops_.push_back({DrawOp::Kind::PSet, x, y, 0, 0, {}, false});
}

void FakeWindow::Line(double x1, double y1, double x2, double y2) {
    failIfAsked();
    check(x1), check(y1), check(x2), check(y2);
    record({DrawOp::Kind::Line, x1, y1, x2, y2, {}, false});
}

void FakeWindow::Box(double x1, double y1, double x2, double y2, bool filled) {
    failIfAsked();
    check(x1), check(y1), check(x2), check(y2);
    record({DrawOp::Kind::Box, x1, y1, x2, y2, {}, filled});
}

void FakeWindow::Cls() {
    record({DrawOp::Kind::Cls, 0, 0, 0, 0, {}, false});
    currentX_ = 0;
    currentY_ = 0;
}

void FakeWindow::Print(const std::string& text) {
    failIfAsked();
    check(currentX_), check(currentY_);
    record({DrawOp::Kind::Print, currentX_, currentY_, 0, 0, text, false});
    currentX_ = 0;
    currentY_ += kLineHeight;
}

double FakeWindow::TextWidth(const std::string& text) const {
    return kCharWidth * static_cast<double>(text.size());
}

double FakeWindow::TextHeight(const std::string&) const { return kLineHeight; }

std::vector<DrawOp> FakeWindow::picture() const {
    return {ops_.begin() + static_cast<std::ptrdiff_t>(lastCls_), ops_.end()};
}

std::vector<DrawOp> FakeWindow::picture(DrawOp::Kind kind) const {
    std::vector<DrawOp> out;
    for (std::size_t i = lastCls_; i < ops_.size(); ++i) {
        if (ops_[i].kind == kind) out.push_back(ops_[i]);
    }
    return out;
}

std::vector<std::string> FakeWindow::printedTexts() const {
    std::vector<std::string> out;
    for (const auto& op : picture(DrawOp::Kind::Print)) out.push_back(op.text);
    return out;
}

namespace {

const platform::MenuItem* findItem(const platform::MenuBar& items, const std::string& name) {
    for (const auto& item : items) {
        if (item.name == name) return &item;
        if (const auto* inner = findItem(item.items, name)) return inner;
    }
    return nullptr;
}

}  // namespace

void FakeWindow::click(const std::string& itemName) {
    const auto* item = findItem(menu_, itemName);
    if (!item) throw std::out_of_range(name_ + " has no menu item " + itemName);
    if (!item->items.empty()) throw std::logic_error(itemName + " is a menu: open it");
    if (item->onClick) item->onClick();
}

void FakeWindow::open(const std::string& menuName) {
    const auto* item = findItem(menu_, menuName);
    if (!item || item->items.empty()) throw std::out_of_range(name_ + " has no menu " + menuName);
    if (item->onClick) item->onClick();
}

void FakeWindow::closeByFrame() {
    visible_ = false;
    if (onFrameClose_) onFrameClose_();
}

FakePlatform::FakePlatform() = default;

FakePlatform::~FakePlatform() = default;

std::unique_ptr<platform::Window> FakePlatform::createWindow(const std::string& name) {
    auto window = std::make_unique<FakeWindow>(*this, name);
    live_[name] = window.get();
    ++created_[name];
    return window;
}

void FakePlatform::forget(FakeWindow* window) {
    auto it = live_.find(window->name());
    if (it != live_.end() && it->second == window) live_.erase(it);
}

FakeWindow& FakePlatform::window(const std::string& name) {
    auto it = live_.find(name);
    if (it == live_.end()) throw std::out_of_range("no window " + name);
    return *it->second;
}

bool FakePlatform::hasWindow(const std::string& name) const { return live_.count(name) != 0; }

int FakePlatform::windowsCreated(const std::string& name) const {
    auto it = created_.find(name);
    return it == created_.end() ? 0 : it->second;
}

Answer FakePlatform::MsgBox(const std::string& text, Buttons buttons) {
    if (buttons == Buttons::Ok) {
        dialogs_.push_back({Dialog::Kind::Message, text, {}});
        return Answer::Ok;
    }
    dialogs_.push_back({Dialog::Kind::Question, text, {}});
    if (!questions_.empty()) {
        const Answer answer = questions_.front();
        questions_.pop_front();
        return answer;
    }
    if (questionSource) return questionSource(text);
    unexpected_.push_back("unexpected question: " + text);
    return Answer::No;
}

std::string FakePlatform::InputBox(const std::string& prompt, const std::string& title) {
    dialogs_.push_back({Dialog::Kind::Input, prompt, title});
    if (!inputs_.empty()) {
        std::string answer = inputs_.front();
        inputs_.pop_front();
        return answer;
    }
    if (inputSource) return inputSource(prompt);
    unexpected_.push_back("unexpected prompt: " + prompt);
    return {};
}

int FakePlatform::printWindow(platform::Window& window) {
    auto* fake = dynamic_cast<FakeWindow*>(&window);
    printed_.push_back(fake ? fake->name() : window.title());
    return printResult_;
}

namespace {

class FakeProgress : public platform::Progress {
public:
    explicit FakeProgress(std::optional<std::int64_t> cancelAt) : cancelAt_(cancelAt) {}
    bool poll(std::int64_t done) override { return cancelAt_ && done >= *cancelAt_; }

private:
    std::optional<std::int64_t> cancelAt_;
};

}  // namespace

std::unique_ptr<platform::Progress> FakePlatform::beginProgress(const std::string& caption,
                                                                std::int64_t) {
    progress_.push_back(caption);
    return std::make_unique<FakeProgress>(cancelAt_);
}

std::vector<std::string> FakePlatform::messages() const {
    std::vector<std::string> out;
    for (const auto& d : dialogs_) {
        if (d.kind != Dialog::Kind::Input) out.push_back(d.text);
    }
    return out;
}

std::optional<platform::ExportTarget> FakePlatform::askExportTarget(platform::Window& owner,
                                                                    const std::string& defaultName,
                                                                    bool picture) {
    auto* fake = dynamic_cast<FakeWindow*>(&owner);
    exportRequests_.push_back({fake ? fake->name() : owner.title(), defaultName, picture});
    std::optional<std::string> path;
    if (!exports_.empty()) {
        path = exports_.front();
        exports_.pop_front();
    } else if (exportSource) {
        path = exportSource(defaultName);
    } else {
        unexpected_.push_back("unexpected save dialog for " + defaultName);
        return std::nullopt;
    }
    if (!path) return std::nullopt;
    const auto endsWith = [&](const char* tail) {
        const std::string t = tail;
        return path->size() >= t.size() && path->compare(path->size() - t.size(), t.size(), t) == 0;
    };
    platform::ExportFormat format = platform::ExportFormat::Csv;
    if (picture) format = endsWith(".pdf") ? platform::ExportFormat::Pdf : platform::ExportFormat::Png;
    return platform::ExportTarget{*path, format};
}

platform::ExportOutcome FakePlatform::exportPicture(platform::Window& window,
                                                    const platform::ExportTarget& target) {
    if (!exportFailure_.empty()) {
        return {platform::ExportOutcome::Status::Failed,
                "Cannot write " + target.path + ": " + exportFailure_};
    }
    auto* fake = dynamic_cast<FakeWindow*>(&window);
    files_[target.path] = std::string(target.format == platform::ExportFormat::Pdf ? "pdf " : "") +
                          "picture of " + (fake ? fake->name() : window.title());
    return {};
}

namespace {

class StringSink : public platform::TextSink {
public:
    void write(std::string_view text) override { text_.append(text); }
    std::string text_;
};

}  // namespace

platform::ExportOutcome FakePlatform::exportData(
    const std::string& path, const std::function<bool(platform::TextSink&)>& produce) {
    StringSink sink;
    if (!produce(sink)) return {platform::ExportOutcome::Status::Abandoned, {}};
    if (!exportFailure_.empty()) {
        return {platform::ExportOutcome::Status::Failed,
                "Cannot write " + path + ": " + exportFailure_};
    }
    files_[path] = std::move(sink.text_);
    return {};
}

std::vector<std::string> FakePlatform::scriptErrors() const {
    std::vector<std::string> errors = unexpected_;
    if (!exports_.empty()) errors.push_back("save dialog answers never asked for");
    for (const auto& input : inputs_) errors.push_back("answer never asked for: '" + input + "'");
    if (!questions_.empty()) errors.push_back("question answers never asked for");
    return errors;
}

}  // namespace corvane::fake
