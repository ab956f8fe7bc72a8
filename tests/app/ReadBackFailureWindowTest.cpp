// A backup that does not read back, started by the window's 資料備份 button:
// the error box says so in the window's own words, with the file and what is
// and is not done, and the window goes on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/ErrorReport.h"
#include "app/FrmDulvane.h"
#include "tests/app/ModalAnswer.h"
#include "tests/app/WindowDatabase.h"
#include "tests/support/TestSupport.h"
#include "workflow/WorkProgress.h"

using namespace batchdel;

namespace {

namespace fs = std::filesystem;

// The window's own progress, with a hook as the backup starts reading its
// files back.
class SpoiledAtCheck : public WorkProgress {
public:
    SpoiledAtCheck(std::unique_ptr<WorkProgress> shown, std::function<void()> spoil)
        : shown_(std::move(shown)), spoil_(std::move(spoil)) {}
    void Stage(WorkStage stage, int64_t steps) override {
        if (stage == WorkStage::CheckingBackup) spoil_();
        shown_->Stage(stage, steps);
    }
    void Advance(int64_t done) override { shown_->Advance(done); }
    bool CancelRequested() override { return shown_->CancelRequested(); }

private:
    std::unique_ptr<WorkProgress> shown_;
    std::function<void()> spoil_;
};

class SpoilingWindow : public TFormDulvane {
public:
    using TFormDulvane::TFormDulvane;
    std::function<void()> spoil;
    std::unique_ptr<WorkProgress> StartProgress(const std::string &caption) override {
        return std::make_unique<SpoiledAtCheck>(TFormDulvane::StartProgress(caption), spoil);
    }
};

// The one detail file of a backup in the folder's cds/.
std::string DetailFileIn(const std::string &cds) {
    for (const auto &entry : fs::directory_iterator(cds))
        if (entry.path().filename().string().starts_with("ORDER_SUB")) return entry.path().string();
    return {};
}

TEST(ReadBackFailureWindow, ATruncatedBackupFileIsReportedInTheWindowsWords) {
    TempDir dir;
    WriteConfigFiles(dir.path(), MakeTestDatabase(dir, 4));
    SpoilingWindow form(nullptr, FolderWindowSetup(dir.path()));
    std::string detail;
    uintmax_t size = 0;
    form.spoil = [&] {
        detail = DetailFileIn(dir.path() + "/cds");
        size = fs::file_size(detail);
        fs::resize_file(detail, size / 2);
    };
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    SeenDialog seen;
    ClickInNextModal(&seen);
    QTest::mouseClick(form.SpeedButton4, Qt::LeftButton);
    ASSERT_TRUE(seen.seen);
    ASSERT_FALSE(detail.empty());
    EXPECT_EQ(seen.text.toStdString(), "備份檔 " + detail + " 讀回時不完整：只有 " + std::to_string(size / 2) +
                                           " 位元組（寫入的是 " + std::to_string(size) +
                                           " 位元組）；本次備份未保留，未刪除任何訂單.");
    // Neither file of the pair is kept, and the window goes on.
    EXPECT_TRUE(fs::is_empty(dir.path() + "/cds"));
    EXPECT_TRUE(form.isVisible());
    form.close();
}

}  // namespace
