// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace varnholt {

struct WindowControls;

// Creates the controls of the window inside the view and lays them out: the image list on
// the left, the preview with its dimensions on the right, the settings tabs below, the batch
// row at the bottom. Each control gets its outlet's object name, the name a reader speaks
// and, where it shows a title, a mnemonic no other control of its tab shares; the focus
// chain runs from top left to bottom right. The commands of the menus and keys are created
// here too, with their shortcuts.
class WindowLayout {
public:
    static void build(QWidget* view, WindowControls& controls);

private:
    WindowLayout(QWidget* view, WindowControls& controls);
    void buildLayout();
    QWidget* buildImageListPane();
    QWidget* buildPreviewPane();
    QWidget* buildSizeTab();
    QWidget* buildOutputTab();
    void createActions();

    QWidget* view_;
    WindowControls& c_;
};

}  // namespace varnholt
