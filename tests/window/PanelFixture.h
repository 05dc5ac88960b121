#pragma once

#include <QImage>
#include <QString>

#include <memory>
#include <string>
#include <vector>

#include "WindowFixture.h"
#include "settings/DimensionLabels.h"

class QLineEdit;

namespace varnholt::test {

// Generated once per build tree (test programs run one test per process) and then reused:
// a 4000 x 3000 JPEG at 300 DPI whose grey rises from left to right, the same turned
// (3000 x 4000, rising from top to bottom), and a 640 x 480 PNG that states no resolution.
struct GeneratedImages {
    std::string landscape300;
    std::string portrait300;
    std::string pngWithoutResolution;
};
const GeneratedImages& generatedImages();

// Records the prompts of the folder dialog besides answering from the script.
class RecordingDialogs : public ScriptedDialogs {
public:
    std::optional<QUrl> chooseFolder(const QString& prompt) override;
    std::vector<QString> folderPrompts;
};

// A shown window (the preview needs a laid-out view) with recording dialogs.
class PanelTest : public WindowTest {
protected:
    void SetUp() override { makeShownWindow(false); }
    void makeShownWindow(bool heifAvailable);

    // Lists the paths and selects row; selection runs the display.
    void listAndSelect(const std::vector<std::string>& paths, int row);
    // Types text into field and presses Enter, as the user finishes an entry.
    void enter(QLineEdit* field, const QString& text);
    // Waits until no preview rendering is outstanding (at most a few seconds).
    bool waitForPreview();
    DimensionLabels labels() const;
    // The preview's pixels; a null image when it is empty.
    QImage preview() const;
    QSize previewViewPixels() const;

    RecordingDialogs* recording = nullptr;  // the window's dialogs
};

// A test name made of a table row's name.
template <typename Info>
std::string rowName(const Info& info) {
    std::string name = info.param.name;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

}  // namespace varnholt::test
