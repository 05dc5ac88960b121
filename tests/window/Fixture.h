#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/DimensionLabels.h"
#include "window/Dialogs.h"
#include "window/MainWindow.h"
#include "window/ViewController.h"

namespace varnholt::test {

inline constexpr int kYes = 1000;
inline constexpr int kNo = 1001;
using Paths = std::vector<std::string>;

// Answers from a script and records what was asked; an unscripted alert is dismissed (Esc).
class ScriptedDialogs : public Dialogs {
public:
    int runAlert(const Alert& alert) override;
    std::optional<QList<QUrl>> chooseImageFiles(const QStringList& extensions) override;
    std::optional<QUrl> chooseFolder(const QString& prompt) override;
    bool openUrl(const QUrl& url) override;

    std::deque<int> answers;
    std::vector<Alert> alerts;
    std::function<void(const Alert&)> whileAsking;  // runs while an alert is up
    std::deque<std::optional<QList<QUrl>>> imageChoices;
    std::vector<QStringList> imageDialogExtensions;
    std::deque<std::optional<QUrl>> folderChoices;
    std::vector<QString> folderPrompts;
    std::vector<QUrl> opened;
};

// A folder under /tmp, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    std::string file(const std::string& name) const;  // a small file
    std::string fifo(const std::string& name) const;
    std::string folder(const std::string& name) const;
    std::string path(const std::string& name = {}) const {
        return name.empty() ? path_ : path_ + "/" + name;
    }

private:
    std::string path_;
};

QList<QUrl> urls(const Paths& paths);
// The controller's named widgets, found by the prefixes of their names.
QList<QWidget*> outlets(const ViewController* vc);
inline std::string str(const QString& text) { return text.toStdString(); }
inline std::string joined(const QStringList& list) { return str(list.join(QLatin1Char('|'))); }

// Made once per build tree: 4000 x 3000 JPEG at 300 DPI, grey rising left to right; the same
// turned (3000 x 4000, rising downwards); a 640 x 480 PNG without resolution.
struct GeneratedImages {
    std::string landscape, portrait, png;
};
const GeneratedImages& generatedImages();

// A real window, wired, with scripted dialogs.
class WindowTest : public testing::Test {
protected:
    void SetUp() override { makeWindow(); }
    void makeWindow(bool heif = false, bool shown = false);
    void select(int row);
    void listAndSelect(const Paths& paths, int row);
    void enter(QLineEdit* field, const QString& text);  // types and presses Enter
    bool waitForPreview();                              // with a timeout
    DimensionLabels labels() const;
    QImage preview() const;  // null when empty
    QSize previewViewPixels() const;

    ScriptedDialogs* dialogs = nullptr;  // owned by the window
    std::unique_ptr<MainWindow> window;
    ViewController* vc = nullptr;
};

class PanelTest : public WindowTest {
protected:
    void SetUp() override { makeWindow(false, true); }
};

}  // namespace varnholt::test
