#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "window/Dialogs.h"
#include "window/MainWindow.h"
#include "window/ViewController.h"

namespace varnholt::test {

inline constexpr int kYes = 1000;
inline constexpr int kNo = 1001;

// Answers alerts and dialogs from a script and records what was asked. An alert without a
// scripted answer is dismissed, as by Esc.
class ScriptedDialogs : public Dialogs {
public:
    int runAlert(const Alert& alert) override;
    std::optional<QList<QUrl>> chooseImageFiles(const QStringList& extensions) override;
    std::optional<QUrl> chooseFolder(const QString& prompt) override;
    bool openUrl(const QUrl& url) override;

    std::deque<int> answers;
    std::vector<Alert> alerts;
    // Runs while an alert is up, as the desktop's events would.
    std::function<void(const Alert&)> whileAsking;
    std::deque<std::optional<QList<QUrl>>> imageChoices;
    std::vector<QStringList> imageDialogExtensions;
    std::deque<std::optional<QUrl>> folderChoices;
    std::vector<QUrl> opened;
};

// A folder under /tmp, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Creates a small file and returns its path.
    std::string file(const std::string& name) const;
    std::string fifo(const std::string& name) const;
    std::string folder(const std::string& name) const;
    std::string path(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

QList<QUrl> urls(const std::vector<std::string>& paths);

// A real window, wired, with scripted dialogs.
class WindowTest : public testing::Test {
protected:
    void SetUp() override { makeWindow(false); }
    void makeWindow(bool heifAvailable);
    void select(int row);
    void setTitle(const QString& title);
    QString title() const;

    ScriptedDialogs* dialogs = nullptr;  // owned by the window
    std::unique_ptr<MainWindow> window;
    ViewController* vc = nullptr;
};

}  // namespace varnholt::test
