// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <QtTest>
#include <QtWidgets>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "TempFolder.h"
#include "window/Dialogs.h"
#include "window/ImageTableView.h"
#include "window/MainWindow.h"
#include "window/ViewController.h"

namespace varnholt::test {

using namespace Qt::Literals::StringLiterals;

inline constexpr int kYes = 1000;
inline constexpr int kNo = 1001;
using Paths = std::vector<std::string>;
inline std::string str(const QString& text) { return text.toStdString(); }
inline std::string joined(const QStringList& list) { return str(list.join(QLatin1Char('|'))); }
QList<QUrl> urls(const Paths& paths);
QList<QWidget*> outlets(const ViewController* vc);  // the named widgets, by name prefix

// Answers from a script and records what was asked; an unscripted question is dismissed (Esc)
// and an unscripted file or folder choice cancelled.
struct ScriptedDialogs : Dialogs {
    int runAlert(const Alert& alert) override;
    std::optional<QList<QUrl>> chooseImageFiles(const QStringList& extensions) override;
    std::optional<QUrl> chooseFolder(const QString&) override;
    bool openUrl(const QUrl& url) override { return opened.push_back(url), true; }

    std::deque<int> answers;
    std::vector<Alert> alerts;
    std::function<void(const Alert&)> whileAsking;  // runs while a question is up
    std::deque<std::optional<QList<QUrl>>> imageChoices;
    QStringList extensionsOffered;
    std::deque<std::optional<QUrl>> folderChoices;
    std::vector<QUrl> opened;
};

// 4000 x 3000 JPEG at 300 DPI, the same turned, a 640 x 480 PNG.
struct GeneratedImages {
    std::string landscape, portrait, png;
};
const GeneratedImages& generatedImages();

// A real window, wired, with scripted dialogs.
class WindowTest : public testing::Test {
protected:
    void SetUp() override { makeWindow(); }
    void makeWindow(bool heif = false);  // shown and active
    void select(int row);                // as a click on it
    Paths listed() const;                // the list's paths
    bool waitForPreview();               // with a timeout
    std::string labels() const;          // the six dimension labels, joined with "|"
    QImage preview() const { return vc->imageViewPreview->pixmap().toImage(); }

    TempFolder files;                    // what a test lists, adds or drops
    ScriptedDialogs* dialogs = nullptr;  // owned by the window
    std::unique_ptr<MainWindow> window;
    ViewController* vc = nullptr;
};

}  // namespace varnholt::test
