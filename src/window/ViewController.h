#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/ImageTools.h"
#include "settings/DimensionLabels.h"
#include "settings/PanelRules.h"
#include "settings/PreviewSize.h"
#include "settings/ResizeSettings.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

namespace varnholt {

class BatchRunner;
struct BatchResult;
class Dialogs;
class ImageListModel;
class ImageTableView;
class PreviewRenderer;

// The controller of the single window: it owns the controls, the image list and the image
// of the preview. Its slots read controls and call the core; the list, the commands, the
// busy state, the panel and the display each live in their own source file.
class ViewController : public QWidget {
    Q_OBJECT

public:
    // heifAvailable decides the HEIF and AVIF entries of the type lists and the format popup.
    ViewController(Dialogs& dialogs, HeifCodecs heifAvailable, QWidget* parent = nullptr);
    ~ViewController() override;

    // Wiring once the view sits in its window: close guard, table, format popup, defaults.
    void viewDidLoad();

    // The window title ends in "*" (no operation appends it).
    bool hasUnsavedChanges() const;
    // Whether the window may close now; asks when there are unsaved changes.
    bool windowShouldClose();

    // Every option of the panel as the controls show it now.
    ResizeSettings readSettings() const;
    void resetToDefaults();
    void refreshImageList();
    void updateDimensionDisplay();
    void showSelectedImage();
    // The preview step: renders currentImage at the size the output labels show, or empties
    // the preview when they show no positive whole numbers.
    void renderPreview();
    // The renderer of the preview; exposed for tests and benchmarks.
    PreviewRenderer* previewRenderer() const { return previewRenderer_; }
    // The selected row of the image table; -1 without a selection.
    int selectedRow() const;

    // A batch runs: the panel and the list commands are disabled until it ends.
    bool isBusy() const { return busy_; }
    void enterBusyState();
    void leaveBusyState();

    // The window's commands, for its menus.
    QList<QAction*> fileMenuActions() const;
    QList<QAction*> helpMenuActions() const;

    // Fields.
    std::vector<std::string> listImagePaths;
    std::optional<DisplayedImage> currentImage;
    const std::vector<std::string> acceptedExtensions;

    // Outlets: owned by the widget tree, each with the object name of its field.
    QTabWidget* tabView = nullptr;
    ImageTableView* tableViewImage = nullptr;
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
    QCheckBox* checkKeepExifInfoAndCreationDate = nullptr;
    QProgressBar* progressIndicator = nullptr;
    QPushButton* buttonResizeImages = nullptr;

public slots:
    void OnFileNew();
    void OnAppQuit();
    void OnVideoTutorial();
    void OnAddImages();
    void OnRemoveSelected();
    void OnRemoveAll();
    void OnResizeImages();
    // The "openWith" delivery: files opened with the application from the desktop.
    void openData(const QList<QUrl>& urls);

    // The settings panel's actions.
    void OnFreeResizeSelected();
    void OnFreeResizeKeepAspectChecked();
    void OnFreeResizePixelsSelected();
    void OnFreeResizePercentsSelected();
    void OnFreeResizePixelsWidthChanged();
    void OnFreeResizePixelsHeightChanged();
    void OnFreeResizePercentsWidthChanged();
    void OnFreeResizePercentsHeightChanged();
    void OnWidthLargestDimensionChecked();
    void OnFixedWidthSelected();
    void OnFixedHeightSelected();
    void OnFixedWidthAndHeightSelected();
    void OnDoNotEnlargeImagesSelected();
    void OnChangeDPISelected();
    void OnFormatSelected();
    void OnQualityChanged();
    void OnBrowse();

signals:
    // Quit was confirmed: the application is to end.
    void terminateRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    QWidget* buildSizeTab();
    QWidget* buildOutputTab();
    QWidget* buildPreviewPane();
    QWidget* buildImageListPane();
    void createActions();
    void connectCommands();
    void fillFormatPopup();
    // The window the view is placed in; nullptr while it has none.
    QWidget* hostWindow() const;
    void acceptDrop(int row, const QList<QUrl>& urls);
    void insertDropped(int row, std::vector<std::string> paths);
    // Folders among the paths stand for the images inside them. A walk runs off the main
    // thread; `then` gets the paths on the main thread, unless the window closed first.
    void withFoldersExpanded(std::vector<std::string> paths,
                             std::function<void(std::vector<std::string>)> then);
    void reportProgress(qsizetype done, qsizetype count);
    void finishBatch(const BatchResult& result);

    // The controls a batch disables: the list's buttons, the panel, the command.
    QList<QWidget*> busyControls() const;
    // The settings panel's controls in reading order, the order of the focus chain.
    QList<QWidget*> panelControls() const;

    void connectSettingsPanel();
    void connectPreview();
    ModeRadios modeRadios() const;
    void selectModeRadio(ModeRadio chosen);
    AspectLock aspectLock() const;
    // The preview's description for readers: which image, at what output size.
    void describePreview();
    // Watches the selected file, so that its labels follow changes on disk.
    void watchSelectedFile();
    enum class PreviewStart { Afresh, ForNewViewSize };
    void startPreview(PreviewStart how);
    // What the preview shows or is rendering: this picture at this size.
    struct PreviewRequest {
        Image picture;
        PreviewPixels pixels;
        bool operator==(const PreviewRequest& other) const {
            return &picture.data() == &other.picture.data() && pixels == other.pixels;
        }
    };

    Dialogs& dialogs_;
    const HeifCodecs heifAvailable_;
    bool busy_ = false;
    std::unique_ptr<BatchRunner> batch_;
    ImageListModel* imageListModel_ = nullptr;
    QWidget* guardedWindow_ = nullptr;
    // The picture behind currentImage, which the preview scales.
    std::optional<Image> currentPicture_;
    PreviewRenderer* previewRenderer_ = nullptr;
    QFileSystemWatcher* selectedFileWatcher_ = nullptr;
    // The selected entry's path, which a list change keeps selected while it is listed.
    std::optional<std::string> selectedPath_;
    // Set while a list change selects that entry again: its image stays as it is.
    bool reselecting_ = false;
    std::optional<PreviewRequest> previewRequested_;
    // Set when the window goes: a folder walk still running stops and delivers nothing.
    std::shared_ptr<std::atomic<bool>> folderWalksAbandoned_ =
        std::make_shared<std::atomic<bool>>(false);

    QAction* actionAddImages_ = nullptr;
    QAction* actionNew_ = nullptr;
    QAction* actionResizeImages_ = nullptr;
    QAction* actionQuit_ = nullptr;
    QAction* actionVideoTutorial_ = nullptr;
    QAction* actionRemoveSelected_ = nullptr;
};

}  // namespace varnholt
