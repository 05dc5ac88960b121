// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QWidget;

namespace varnholt {

class ImageTableView;

// The controls of the window, each under the name of its outlet (and with it as object
// name), and the commands of its menus and keys. WindowLayout creates them; the widget tree
// owns them.
struct WindowControls {
    QTabWidget* tabView = nullptr;
    ImageTableView* tableViewImage = nullptr;
    QLabel* labelImageCount = nullptr;  // how many images are listed
    QPushButton* buttonAddImages = nullptr;
    QPushButton* buttonRemoveSelected = nullptr;
    QPushButton* buttonRemoveAll = nullptr;
    QLabel* labelOriginalDimensionsWidth = nullptr;
    QLabel* labelOriginalDimensionsHeight = nullptr;
    QLabel* labelOutputDimensionsWidth = nullptr;
    QLabel* labelOutputDimensionsHeight = nullptr;
    QLabel* labelOriginalDPI = nullptr;
    QLabel* labelOutputDPI = nullptr;
    QLabel* imageViewPreview = nullptr;
    QProgressBar* progressIndicatorPreview = nullptr;
    QRadioButton* radioFreeResize = nullptr;
    QCheckBox* checkFreeResizeKeepAspect = nullptr;
    QRadioButton* radioFreeResizePixels = nullptr;
    QLineEdit* textFieldFreeResizePixelsWidth = nullptr;
    QLineEdit* textFieldFreeResizePixelsHeight = nullptr;
    QRadioButton* radioFreeResizePercents = nullptr;
    QLineEdit* textFieldFreeResizePercentsWidth = nullptr;
    QLineEdit* textFieldFreeResizePercentsHeight = nullptr;
    QCheckBox* checkWidthLargestDimension = nullptr;
    QRadioButton* radioFixedWidth = nullptr;
    QLineEdit* textFieldFixedWidth = nullptr;
    QRadioButton* radioFixedHeight = nullptr;
    QLineEdit* textFieldFixedHeight = nullptr;
    QRadioButton* radioFixedWidthAndHeight = nullptr;
    QLineEdit* textFieldFixedDimensionsWidth = nullptr;
    QLineEdit* textFieldFixedDimensionsHeight = nullptr;
    QCheckBox* checkDoNotEnlargeImages = nullptr;
    QCheckBox* checkChangeDPI = nullptr;
    QLineEdit* textFieldChangeDPI = nullptr;
    QLineEdit* textFieldName = nullptr;
    QComboBox* comboFormat = nullptr;
    QSlider* sliderQuality = nullptr;
    QLabel* labelQuality = nullptr;
    QLineEdit* textFieldOutputFolder = nullptr;
    QComboBox* comboCase = nullptr;
    QPushButton* buttonBrowse = nullptr;
    QCheckBox* checkKeepSubFolders = nullptr;
    QCheckBox* checkKeepExifInfoAndCreationDate = nullptr;
    QProgressBar* progressIndicator = nullptr;
    QPushButton* buttonStop = nullptr;
    QPushButton* buttonResizeImages = nullptr;

    QAction* actionAddImages = nullptr;
    QAction* actionAddFolder = nullptr;
    QAction* actionNew = nullptr;
    QAction* actionResizeImages = nullptr;
    QAction* actionStop = nullptr;
    QAction* actionQuit = nullptr;
    QAction* actionVideoTutorial = nullptr;
    QAction* actionRemoveSelected = nullptr;

    // The settings panel's controls in reading order, the order of the focus chain.
    QList<QWidget*> panelControls() const;
};

}  // namespace varnholt
