// SPDX-License-Identifier: GPL-3.0-or-later
#include <atomic>
#include <future>

#include "Fixture.h"
#include "window/PreviewRenderer.h"

namespace varnholt::test {
namespace {

// The newer request finishes first; the older one, already running, must never be shown.
TEST(PreviewRendererTest, AnOvertakenRenderingIsNeverShown) {
    std::promise<void> release1, release2;  // outlive the renderer, which waits for its jobs
    std::atomic<int> started = 0;
    const auto job = [&started](int width, std::shared_future<void> go) {
        return [&started, width, go] {
            ++started;
            go.wait_for(std::chrono::seconds(10));
            return QImage(width, 1, QImage::Format_RGBA8888);
        };
    };
    PreviewRenderer renderer;
    QSignalSpy shown(&renderer, &PreviewRenderer::rendered);
    renderer.start(job(1, release1.get_future().share()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return started == 1; }, 10000));  // can no longer be skipped
    renderer.start(job(2, release2.get_future().share()));
    release2.set_value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() == 1; }, 10000));
    release1.set_value();
    ASSERT_TRUE(renderer.waitForJobs(10000));
    QCoreApplication::processEvents();  // delivers a queued stale completion, if any
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.at(0).at(0).value<QImage>().width(), 2);
    EXPECT_FALSE(renderer.isBusy());
}

// A draft is shown first and the rendering after it; the renderer is busy until the rendering
// is shown. A null draft is not shown.
TEST(PreviewRendererTest, ADraftStandsInUntilTheRenderingEnds) {
    struct Row {
        int draftWidth;
        std::vector<int> shownWidths;
        std::vector<bool> busyWhenShown;
    };
    for (const Row& row : {Row{1, {1, 2}, {true, false}}, Row{0, {2}, {false}}}) {
        PreviewRenderer renderer;
        std::vector<int> widths;
        std::vector<bool> busy;
        QObject::connect(&renderer, &PreviewRenderer::rendered, [&](const QImage& image) {
            widths.push_back(image.width());
            busy.push_back(renderer.isBusy());
        });
        renderer.start([] { return QImage(2, 1, QImage::Format_RGBA8888); },
                       [&row] { return QImage(row.draftWidth, 1, QImage::Format_RGBA8888); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !renderer.isBusy(); }, 10000));
        EXPECT_EQ(widths, row.shownWidths);
        EXPECT_EQ(busy, row.busyWhenShown);
    }
}

// The labels and the preview size are the settings' own rules; this proves that they, the
// preview and its description reach the window, that a file which cannot be read shows as no
// selection, and that removing the row empties them.
TEST_F(WindowTest, TheSelectionShowsItsLabelsPreviewAndDescription) {
    vc->textFieldFixedWidth->setText(QStringLiteral("1000"));
    vc->radioFixedWidth->click();
    const std::string gone = files.path("gone.jpg");
    std::filesystem::copy_file(generatedImages().png, gone);
    vc->openData(urls({gone, files.write("text.jpg"), generatedImages().landscape}));
    std::filesystem::remove(gone);
    const std::string none = labels();
    for (const int row : {0, 1, 2}) {
        select(row);
        ASSERT_TRUE(waitForPreview());
        EXPECT_FALSE(vc->progressIndicatorPreview->isVisible());
        EXPECT_EQ(preview().isNull(), row < 2);
        EXPECT_EQ(labels(), row < 2 ? none
                                    : "Width: 4000|Height: 3000|DPI: 300|DPI: 72|Width: 1000|"
                                      "Height: 750");
    }
    const QSize view =
        vc->imageViewPreview->contentsRect().size() * vc->imageViewPreview->devicePixelRatioF();
    const QSize bound = QSize(1000, 750).scaled(view.boundedTo({1000, 750}), Qt::KeepAspectRatio);
    EXPECT_NEAR(preview().width(), bound.width(), 1);
    EXPECT_NEAR(preview().height(), bound.height(), 1);
    EXPECT_EQ(str(vc->imageViewPreview->accessibleDescription()),
              "landscape.jpg at 1000 by 750 pixels");
    vc->actionRemoveSelected->trigger();
    EXPECT_EQ(labels(), none);
    EXPECT_TRUE(preview().isNull());
}

// One row per synchronising field, typed without Enter; the rules are the settings' own.
TEST_F(WindowTest, TheOtherFieldFollows) {
    enum Field { PixelW, PixelH, PercentW, PercentH, Lock };
    const struct {
        bool image, unlocked, largest;
        Field edited;
        const char *typed, *other;  // the other field of the pair then shows other
    } rows[] = {
        {true, false, true, PixelW, "1000", "750"},
        {true, false, false, PixelH, "1000", "750"},
        {false, false, false, PercentW, "50.7", "50"},
        {false, true, false, PercentH, "25.9", "100"},
        {false, true, false, Lock, "50.5", "50.5"},  // locking copies the percent width
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edited);
        makeWindow();
        QLineEdit* const fields[] = {
            vc->textFieldFreeResizePixelsWidth, vc->textFieldFreeResizePixelsHeight,
            vc->textFieldFreeResizePercentsWidth, vc->textFieldFreeResizePercentsHeight,
            vc->textFieldFreeResizePercentsWidth};
        vc->openData(urls({generatedImages().portrait}));
        if (row.image) select(0);
        if (row.unlocked) vc->checkFreeResizeKeepAspect->click();
        if (row.largest) vc->checkWidthLargestDimension->click();
        fields[row.edited]->selectAll();
        QTest::keyClicks(fields[row.edited], QString::fromLatin1(row.typed));  // no Enter
        if (row.edited == Lock) vc->checkFreeResizeKeepAspect->click();
        QLineEdit* other = fields[row.edited == Lock ? PercentH : row.edited ^ 1];
        EXPECT_TRUE(QTest::qWaitFor([&] { return str(other->text()) == row.other; }, 5000));
        EXPECT_EQ(str(fields[row.edited]->text()), row.typed);
    }
}

// A mode chosen by the mouse or by the program, or clicked when already chosen, runs the panel's
// rules: the set stays exclusive, the other set keeps its choice, the enabling rule and the
// labels follow; so do the labels when its field is typed into, without Enter.
TEST_F(WindowTest, ChoosingAModeOrTypingRunsThePanelRules) {
    for (const char way : {'m', 'p', 'a', 't'}) {  // mouse, program, again, typed
        SCOPED_TRACE(way);
        makeWindow();
        vc->textFieldFixedHeight->setText(way == 'a' ? u"150"_s : way == 't' ? u"30"_s : u"300"_s);
        vc->radioFreeResizePercents->click();
        EXPECT_FALSE(vc->checkDoNotEnlargeImages->isEnabled());
        vc->openData(urls({generatedImages().landscape}));
        select(0);
        if (way != 'm') vc->radioFixedHeight->setChecked(true);
        if (way == 'a') vc->textFieldFixedHeight->setText(u"300"_s);  // not typed: runs nothing
        if (way == 'm' || way == 'a') QTest::mouseClick(vc->radioFixedHeight, Qt::LeftButton);
        if (way == 't') QTest::keyClick(vc->textFieldFixedHeight, Qt::Key_0);  // 300, no Enter
        EXPECT_TRUE(vc->radioFixedHeight->isChecked() && vc->radioFreeResizePercents->isChecked());
        EXPECT_FALSE(vc->radioFreeResize->isChecked() || vc->radioFixedWidth->isChecked());
        EXPECT_TRUE(vc->checkDoNotEnlargeImages->isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([&] { return labels().ends_with("Width: 400|Height: 300"); }));
    }
}

}  // namespace
}  // namespace varnholt::test
