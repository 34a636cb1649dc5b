// A scripted desktop for tests, fuzzers and benchmarks: dialog answers come
// from queues, messages are recorded, and every drawing operation is kept in
// twips with fixed text metrics.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace corvane::fake {

struct DrawOp {
    enum class Kind { PSet, Line, Box, Print, Cls };
    Kind kind;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // Print: (x1, y1) is the text position
    std::string text;
    bool filled = false;
};

struct Control {
    enum class Kind { Label, TextField };
    Kind kind;
    std::string name;
    std::string caption;
    platform::ControlBox box;
    platform::Font font;
};

class FakeTextField : public platform::TextField {
public:
    std::string text() const override { return text_; }
    void setText(const std::string& text) override { text_ = text; }
    void setOnEnter(std::function<void()> handler) override { onEnter_ = std::move(handler); }
    const std::function<void()>& onEnter() const { return onEnter_; }

private:
    std::string text_;
    std::function<void()> onEnter_;
};

class FakePlatform;

class FakeWindow : public platform::Window {
public:
    // Frame and menu bar around the client area, in twips.
    static constexpr double kFrameWidth = 120;
    static constexpr double kFrameHeight = 510;  // borders and title bar
    static constexpr double kMenuHeight = 300;
    // Fixed text metrics: every character is this wide, every line this high.
    static constexpr double kCharWidth = 100;
    static constexpr double kLineHeight = 200;

    FakeWindow(FakePlatform& owner, std::string name);
    ~FakeWindow() override;

    float Top() const override { return top_; }
    float Left() const override { return left_; }
    float Width() const override { return width_; }
    float Height() const override { return height_; }
    void setTop(float twips) override { top_ = twips; }
    void setLeft(float twips) override { left_ = twips; }
    void setWidth(float twips) override { width_ = twips; }
    void setHeight(float twips) override { height_ = twips; }
    double ScaleWidth() const override;
    double ScaleHeight() const override;

    std::string title() const override { return title_; }
    void setTitle(const std::string& title) override { title_ = title; }
    void show() override { visible_ = true; }
    void hide() override { visible_ = false; }
    bool isVisible() const override { return visible_; }

    void setFont(const platform::Font& font) override { font_ = font; }
    void setMenu(platform::MenuBar menu) override { menu_ = std::move(menu); }
    void addLabel(const std::string& name, const std::string& caption,
                  const platform::ControlBox& box, const platform::Font& font) override;
    platform::TextField& addTextField(const std::string& name, const platform::ControlBox& box,
                                      const platform::Font& font) override;
    void setOnFrameClose(std::function<void()> handler) override {
        onFrameClose_ = std::move(handler);
    }
    void setOnEscape(std::function<void()> handler) override { onEscape_ = std::move(handler); }
    void setLabelFor(const std::string& labelName, const std::string& fieldName) override;
    void setDescription(const std::string& name, const std::string& description) override {
        surfaceName_ = name;
        description_ = description;
    }

    void PSet(double x, double y) override;
    void Line(double x1, double y1, double x2, double y2) override;
    void Box(double x1, double y1, double x2, double y2, bool filled) override;
    void Cls() override;
    double CurrentX() const override { return currentX_; }
    double CurrentY() const override { return currentY_; }
    void setCurrentX(double x) override { currentX_ = x; }
    void setCurrentY(double y) override { currentY_ = y; }
    void Print(const std::string& text) override;
    double TextWidth(const std::string& text) const override;
    double TextHeight(const std::string& text) const override;

    // --- for tests ---
    const std::string& name() const { return name_; }
    const platform::Font& font() const { return font_; }
    const platform::MenuBar& menu() const { return menu_; }
    const std::vector<Control>& controls() const { return controls_; }
    platform::TextField& field(const std::string& name);

    // Runs the handler of a menu item found by name: a sub-item, or a
    // top-level item without sub-items.
    void click(const std::string& itemName);
    // Opens a top-level menu: runs its open event.
    void open(const std::string& menuName);
    // The user closes the window through its frame.
    void closeByFrame();
    // The user presses Enter in a text field, or Escape in the window; false
    // when nothing handles the key there.
    bool pressEnter(const std::string& fieldName);
    bool pressEscape();
    // The caption of the label that names a field; empty when none does.
    std::string labelOf(const std::string& fieldName) const;
    // The drawing surface's name and description, as last set.
    const std::string& surfaceName() const { return surfaceName_; }
    const std::string& description() const { return description_; }

    // The next drawing operation (a point, line, box or text) throws
    // std::runtime_error(what), as a failing surface would.
    void failNextDrawing(std::string what) { failure_ = std::move(what); }

    // Every operation since creation, Cls included.
    const std::vector<DrawOp>& ops() const { return ops_; }
    // The operations since the last Cls.
    std::vector<DrawOp> picture() const;
    std::vector<DrawOp> picture(DrawOp::Kind kind) const;
    std::vector<std::string> printedTexts() const;  // since the last Cls
    bool blank() const { return picture().empty(); }
    // False once any coordinate handed to the surface was not finite.
    bool allFinite() const { return allFinite_; }
    // Keeping every operation can be switched off for long runs; counting goes on.
    void setRecording(bool on) { recording_ = on; }
    std::int64_t opCount() const { return opCount_; }
    std::int64_t pointCount() const { return pointCount_; }

private:
    void record(DrawOp op);
    void failIfAsked();
    void check(double v) {
        if (!(v == v) || v == 1.0 / 0.0 || v == -1.0 / 0.0) allFinite_ = false;
    }

    FakePlatform& owner_;
    std::string name_;
    float top_ = 0, left_ = 0, width_ = 9600, height_ = 7200;
    std::string title_;
    std::string failure_;
    bool visible_ = false;
    platform::Font font_;
    platform::MenuBar menu_;
    std::vector<Control> controls_;
    std::map<std::string, FakeTextField> fields_;
    std::function<void()> onFrameClose_;
    std::function<void()> onEscape_;
    std::map<std::string, std::string> labelOf_;  // field name -> label name
    std::string surfaceName_;
    std::string description_;
    double currentX_ = 0, currentY_ = 0;
    std::vector<DrawOp> ops_;
    std::size_t lastCls_ = 0;
    bool allFinite_ = true;
    bool recording_ = true;
    std::int64_t opCount_ = 0;
    std::int64_t pointCount_ = 0;
};

struct Dialog {
    enum class Kind { Message, Question, Input };
    Kind kind;
    std::string text;   // message text or prompt
    std::string title;  // input dialogs only
};

class FakePlatform : public platform::Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    std::unique_ptr<platform::Window> createWindow(const std::string& name) override;
    double screenWidth() const override { return screenWidth_; }
    double screenHeight() const override { return screenHeight_; }
    platform::Answer MsgBox(const std::string& text, platform::Buttons buttons) override;
    std::string InputBox(const std::string& prompt, const std::string& title) override;
    int printWindow(platform::Window& window) override;
    std::unique_ptr<platform::Progress> beginProgress(const std::string& caption,
                                                      std::int64_t total) override;
    void endProgram() override { ended_ = true; }
    std::optional<platform::ExportTarget> askExportTarget(platform::Window& owner,
                                                          const std::string& defaultName,
                                                          bool picture) override;
    platform::ExportOutcome exportPicture(platform::Window& window,
                                          const platform::ExportTarget& target) override;
    platform::ExportOutcome exportData(
        const std::string& path,
        const std::function<bool(platform::TextSink&)>& produce) override;

    // --- script ---
    void setScreen(double widthTwips, double heightTwips) {
        screenWidth_ = widthTwips;
        screenHeight_ = heightTwips;
    }
    // Answers for the next input dialogs, in order ("" is Cancel).
    void answerInput(std::string text) { inputs_.push_back(std::move(text)); }
    // Answers for the next Yes/No questions, in order.
    void answerQuestion(platform::Answer answer) { questions_.push_back(answer); }
    // When set, answers prompts and questions that have no queued answer.
    std::function<std::string(const std::string& prompt)> inputSource;
    std::function<platform::Answer(const std::string& text)> questionSource;
    // The error number the next prints report (0: printed).
    void setPrintResult(int error) { printResult_ = error; }
    // Progress: the first poll at or past this step reports Cancel.
    void cancelAtStep(std::optional<std::int64_t> step) { cancelAt_ = step; }

    // Answers for the next save dialogs, in order: a path (its extension
    // gives the format), or nothing for Cancel.
    void answerExport(std::optional<std::string> path) { exports_.push_back(std::move(path)); }
    // The next exports fail with "Cannot write <path>: <reason>" after
    // their data was produced; "" lets them succeed again.
    void failExports(std::string reason) { exportFailure_ = std::move(reason); }
    // When set, answers save dialogs that have no queued answer.
    std::function<std::optional<std::string>(const std::string& defaultName)> exportSource;

    // --- observations ---
    struct ExportRequest {
        std::string window;  // the asking window's name
        std::string defaultName;
        bool picture = false;
    };
    const std::vector<ExportRequest>& exportRequests() const { return exportRequests_; }
    // Files written by exports: data files with their text; pictures with
    // "picture of <window>" (and "pdf " before it for a PDF).
    const std::map<std::string, std::string>& files() const { return files_; }

    const std::vector<Dialog>& dialogs() const { return dialogs_; }
    std::vector<std::string> messages() const;  // texts of message boxes and questions
    void clearDialogs() { dialogs_.clear(); }
    const std::vector<std::string>& printedWindows() const { return printed_; }
    const std::vector<std::string>& progressCaptions() const { return progress_; }
    bool ended() const { return ended_; }
    // Prompts that came without an answer, and answers never asked for.
    std::vector<std::string> scriptErrors() const;

    // The live window created last under this name; throws if there is none.
    FakeWindow& window(const std::string& name);
    bool hasWindow(const std::string& name) const;
    int windowsCreated(const std::string& name) const;

private:
    friend class FakeWindow;
    void forget(FakeWindow* window);

    double screenWidth_ = 28800;   // 1920 pixels at 15 twips
    double screenHeight_ = 16200;  // 1080 pixels
    std::deque<std::string> inputs_;
    std::deque<platform::Answer> questions_;
    std::vector<Dialog> dialogs_;
    std::vector<std::string> unexpected_;
    std::deque<std::optional<std::string>> exports_;
    std::vector<ExportRequest> exportRequests_;
    std::map<std::string, std::string> files_;
    std::string exportFailure_;
    int printResult_ = platform::kPrintOk;
    std::vector<std::string> printed_;
    std::optional<std::int64_t> cancelAt_;
    std::vector<std::string> progress_;
    bool ended_ = false;
    std::map<std::string, FakeWindow*> live_;
    std::map<std::string, int> created_;
};

}  // namespace corvane::fake
