// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/WindowControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace varnholt {

QList<QWidget*> WindowControls::panelControls() const {
    return {radioFreeResize,
            radioFreeResizePixels,
            textFieldFreeResizePixelsWidth,
            textFieldFreeResizePixelsHeight,
            radioFreeResizePercents,
            textFieldFreeResizePercentsWidth,
            textFieldFreeResizePercentsHeight,
            checkFreeResizeKeepAspect,
            checkWidthLargestDimension,
            radioFixedWidth,
            textFieldFixedWidth,
            radioFixedHeight,
            textFieldFixedHeight,
            radioFixedWidthAndHeight,
            textFieldFixedDimensionsWidth,
            textFieldFixedDimensionsHeight,
            checkDoNotEnlargeImages,
            checkChangeDPI,
            textFieldChangeDPI,
            comboFormat,
            sliderQuality,
            textFieldName,
            comboCase,
            textFieldOutputFolder,
            buttonBrowse,
            checkKeepSubFolders,
            checkKeepExifInfoAndCreationDate};
}

}  // namespace varnholt
