#include "tests/workflow/HeadlessOrderWindow.h"
#include "workflow/WindowTexts.h"

#include <gtest/gtest.h>

#include "workflow/BackupOrders.h"

using namespace batchdel;

HeadlessOrderWindow::HeadlessOrderWindow(const std::string &folder)
    : data(OrderDataSetup{folder + "/connections.ini", folder + "/drivers.ini"}), folder_(folder + "/") {}

std::vector<std::string> HeadlessOrderWindow::Notices() const {
    std::vector<std::string> notices;
    for (const std::string &event : events)
        if (event.starts_with("notice:")) notices.push_back(event.substr(7));
    return notices;
}

std::string HeadlessOrderWindow::BoxText(FilterBox box) const {
    auto found = boxes_.find(box);
    if (found != boxes_.end()) return found->second;
    // An untouched date box returns its mask with spaces for the digits.
    return box == FilterBox::DateFrom || box == FilterBox::DateTo ? "    /  /  " : "";
}

int HeadlessOrderWindow::AppMessageBox(const std::string &text, const std::string &caption, unsigned style) {
    events.push_back("question:" + text + "|" + caption + "|" + std::to_string(style));
    if (messageBoxAnswers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text;
        return mrNo;
    }
    const int answer = messageBoxAnswers.front();
    messageBoxAnswers.pop_front();
    return answer;
}

int HeadlessOrderWindow::RunMessageDialog(const std::string &text, DialogKind kind, unsigned buttons) {
    events.push_back("dialog:" + text + "|" + std::to_string(static_cast<int>(kind)) + "|" + std::to_string(buttons));
    if (dialogAnswers.empty()) {
        ADD_FAILURE() << "unexpected dialog: " << text;
        return mrNo;
    }
    const int answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    return answer;
}

void HeadlessOrderWindow::ShowNotice(const std::string &text) {
    events.push_back("notice:" + text);
    if (onNotice) onNotice(text);
}

namespace {

class RecordedProgress : public WorkProgress {
public:
    explicit RecordedProgress(HeadlessOrderWindow &window) : window_(window) {}
    void Stage(WorkStage stage, int64_t steps) override {
        window_.progressEvents.push_back("stage:" + WindowStageText(stage) + "|" + std::to_string(steps));
    }
    void Advance(int64_t done) override {
        window_.progressEvents.push_back("done:" + std::to_string(done));
        done_ = done;
        if (window_.afterAdvance) window_.afterAdvance(done);
    }
    bool CancelRequested() override { return window_.cancelAfter >= 0 && done_ >= window_.cancelAfter; }

private:
    HeadlessOrderWindow &window_;
    int64_t done_ = 0;
};

}  // namespace

std::unique_ptr<WorkProgress> HeadlessOrderWindow::StartProgress(const std::string &caption) {
    progressEvents.push_back("progress:" + caption);
    return std::make_unique<RecordedProgress>(*this);
}
