#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QElapsedTimer>

#include <functional>

#include "window/WidgetDialogs.h"

namespace varnholt::test {
namespace {

// Acts on the message box once it is shown; gives up (closing it) after a timeout so a
// test can fail but never hang.
void whenShown(const std::function<void(QMessageBox*)>& act) {
    auto* poll = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(poll, &QTimer::timeout, [poll, act, started] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(box);
        } else if (started->elapsed() > 5000) {
            poll->stop();
            poll->deleteLater();
            if (box != nullptr) box->done(0);
        }
    });
    poll->start(10);
}

QAbstractButton* buttonTitled(QMessageBox* box, const QString& title) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title) return button;
    }
    return nullptr;
}

Alert overwriteQuestion() {
    Alert alert;
    alert.text =
        QStringLiteral("The file /out/a_res (1).jpg already exists. Do you want to overwrite it?");
    alert.buttons = {QStringLiteral("Yes"), QStringLiteral("Yes to All"), QStringLiteral("No"),
                     QStringLiteral("No to All")};
    alert.dismissAnswer = 1003;
    return alert;
}

TEST(WidgetDialogsTest, DismissingAQuestionNeverAnswersYes) {
    struct Row {
        const char* name;
        Alert alert;
        std::function<void(QMessageBox*)> act;
        int expected;
    };
    const auto esc = [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); };
    const auto close = [](QMessageBox* box) { box->close(); };
    const auto press = [](const char* title) {
        return [title](QMessageBox* box) {
            QAbstractButton* button = buttonTitled(box, QString::fromLatin1(title));
            if (button != nullptr) button->click();
        };
    };
    const auto yesNo = yesNoQuestion(QStringLiteral("Are you sure?"));
    const Row rows[] = {
        {"yes/no Esc", yesNo, esc, 1001},
        {"yes/no close", yesNo, close, 1001},
        {"yes/no Yes", yesNo, press("Yes"), 1000},
        {"yes/no No", yesNo, press("No"), 1001},
        {"overwrite Esc", overwriteQuestion(), esc, 1003},
        {"overwrite close", overwriteQuestion(), close, 1003},
        {"overwrite Yes to All", overwriteQuestion(), press("Yes to All"), 1001},
        {"overwrite No", overwriteQuestion(), press("No"), 1002},
        {"message Esc", messageAlert(AlertStyle::Informational, QStringLiteral("Done.")), esc,
         1000},
    };
    WidgetDialogs dialogs(nullptr);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        whenShown(row.act);
        EXPECT_EQ(dialogs.runAlert(row.alert), row.expected);
    }
}

TEST(WidgetDialogsTest, ShowsTheSentenceTheButtonsInOrderAndTheDetails) {
    Alert alert =
        messageAlert(AlertStyle::Warning, QStringLiteral("Some images could not be resized."));
    alert.details = QStringLiteral("/in/a.jpg: cannot read image");
    QString text;
    QString details;
    QStringList titles;
    whenShown([&](QMessageBox* box) {
        text = box->text();
        details = box->detailedText();
        for (QAbstractButton* button : box->buttons()) titles.append(button->text());
        if (QAbstractButton* ok = buttonTitled(box, QStringLiteral("OK"))) ok->click();
    });
    WidgetDialogs dialogs(nullptr);
    EXPECT_EQ(dialogs.runAlert(alert), 1000);
    EXPECT_EQ(text, QStringLiteral("Some images could not be resized."));
    EXPECT_EQ(details, QStringLiteral("/in/a.jpg: cannot read image"));
    EXPECT_TRUE(titles.contains(QStringLiteral("OK")));
}

TEST(WidgetDialogsTest, NameFilterTakesBothLetterCases) {
    EXPECT_EQ(imageNameFilter({QStringLiteral("jpg"), QStringLiteral("tiff")}),
              QStringLiteral("Images (*.jpg *.JPG *.tiff *.TIFF)"));
}

}  // namespace
}  // namespace varnholt::test
