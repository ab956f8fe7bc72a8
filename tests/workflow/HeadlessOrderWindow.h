#pragma once
// The order window without widgets: the window's own data module, the
// filter boxes as plain texts, and the dialogs answered from a script with
// every question and notice recorded.
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "workflow/OrderDataModule.h"
#include "workflow/OrderWindow.h"

class HeadlessOrderWindow : public batchdel::OrderWindow {
public:
    // folder holds connections.ini and drivers.ini and stands for the
    // program's folder (the backups go to folder/cds).
    explicit HeadlessOrderWindow(const std::string &folder);

    void SetBox(batchdel::FilterBox box, std::string text) { boxes_[box] = std::move(text); }
    const std::string &StatusText() const { return status_; }

    // What happened, in order: "question:<text>|<caption>|<style>",
    // "dialog:<text>|<kind>|<buttons>", "notice:<text>".
    std::vector<std::string> events;
    std::vector<std::string> Notices() const;
    // Answers to AppMessageBox and RunMessageDialog, taken in order; an
    // unexpected question fails the test and is answered No.
    std::deque<int> messageBoxAnswers;
    std::deque<int> dialogAnswers;
    std::tm now{};
    // Runs after a notice is recorded (to change the database meanwhile).
    std::function<void(const std::string &text)> onNotice;

    // The progress a command shows: "progress:<caption>", "stage:<text>|<steps>"
    // and "done:<n>" are recorded; Cancel is pressed once cancelAfter steps
    // are done, and afterAdvance runs after each step.
    int64_t cancelAfter = -1;
    std::function<void(int64_t done)> afterAdvance;
    std::vector<std::string> progressEvents;

    std::string BoxText(batchdel::FilterBox box) const override;
    void SetStatusText(const std::string &text) override { status_ = text; }
    TClientDataSet &OrderList() override { return data.ClientDataSet1; }
    TClientDataSet &BackupSet() override { return data.ClientDataSet2; }
    TSQLQuery &Statement() override { return data.SQLQuery1; }
    TSQLConnection &Connection() override { return data.SQLConnection1; }
    std::string DataFolder() const override { return folder_; }
    std::tm LocalNow() const override { return now; }
    int AppMessageBox(const std::string &text, const std::string &caption, unsigned style) override;
    int RunMessageDialog(const std::string &text, batchdel::DialogKind kind, unsigned buttons) override;
    void ShowNotice(const std::string &text) override;
    std::unique_ptr<batchdel::WorkProgress> StartProgress(const std::string &caption) override;

    batchdel::OrderDataModule data;

private:
    std::string folder_;
    std::string status_ = "Record:";
    std::map<batchdel::FilterBox, std::string> boxes_;
};
