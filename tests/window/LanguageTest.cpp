// SPDX-License-Identifier: GPL-3.0-or-later
#include <clocale>
#include <cstring>

#include "Fixture.h"
#include "settings/Translation.h"

namespace varnholt::test {
namespace {

class TranslatedWindowTest : public WindowTest, public testing::WithParamInterface<const char*> {
protected:
    // LANGUAGE chooses the language, which a messages locale of C would ignore; setting the
    // locale also drops the texts gettext keeps from before. The window is made in it.
    void SetUp() override {
        qputenv("LANGUAGE", GetParam());
        std::setlocale(LC_MESSAGES, "C.UTF-8");
        setUpTranslations();
    }
    void TearDown() override {
        qunsetenv("LANGUAGE");
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
};

// At its smallest (inside 960 x 540, i.e. 1920 x 1080 at 200 %, beside a dock and below a panel
// and a title bar) the window has every control inside, the preview given way, and every text
// from the catalogue, none cut off: the pseudo-language marks each text with ⟦ ⟧ and makes it
// about 40 % longer; German is the longest real one. Also run at QT_SCALE_FACTOR=2.
TEST_P(TranslatedWindowTest, EveryTextIsTranslatedAndNoneIsCutOff) {
    const bool pseudo = std::strcmp(GetParam(), "pseudo") == 0;
    if (!pseudo && std::strcmp(_("Remove A&ll"), "Remove A&ll") == 0)
        GTEST_SKIP() << "the window's texts are not translated into " << GetParam() << " yet";
    makeWindow();
    const QSize smallest = window->minimumSizeHint().expandedTo(window->minimumSize());
    EXPECT_TRUE(QRect(0, 0, 960 - 64, 540 - 48 - 40).contains(QRect(QPoint(), smallest)));
    const int roomyPreview = vc->imageViewPreview->height();
    window->resize(smallest);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->size() == smallest; }));
    QString where;
    const auto translated = [&](const QString& text) {
        if (pseudo && !text.isEmpty() && !text.contains(u'\u27e6'))
            ADD_FAILURE() << str(where) << " is not from the catalogue: " << str(text);
    };
    const auto fits = [&](const QString& text, const QFontMetrics& font, int given) {
        translated(text);
        static const QRegularExpression mnemonic(u"&(.)"_s);
        EXPECT_LE(font.horizontalAdvance(QString(text).replace(mnemonic, u"\\1"_s)), given)
            << str(where) << " is cut off";
    };
    for (const int tab : {0, 1}) {
        vc->tabView->setCurrentIndex(tab);
        QApplication::processEvents();
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (!widget->isVisible()) continue;
            where = QString::fromLatin1(widget->metaObject()->className()) + u' ' +
                    widget->objectName();
            const QRect area(widget->mapTo(window.get(), QPoint()), widget->size());
            EXPECT_TRUE(window->rect().contains(area)) << str(where) << " is outside";
            const bool givesWay = widget == vc->imageViewPreview;
            EXPECT_GE(widget->height(), givesWay ? 0 : widget->minimumSizeHint().height())
                << str(where);
            translated(widget->accessibleName());
            translated(widget->accessibleDescription());  // the empty list's hint among them
            if (const auto* group = qobject_cast<QGroupBox*>(widget))
                fits(group->title(), group->fontMetrics(), group->width());
            const auto* label = qobject_cast<QLabel*>(widget);
            const auto* button = qobject_cast<QAbstractButton*>(widget);
            const QString text = label ? label->text() : button ? button->text() : QString();
            if (!text.contains(QRegularExpression(u"\\p{L}"_s))) continue;  // "×", numbers
            translated(text);
            where += u' ' + text;
            if (label && label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << str(where);
            } else {
                EXPECT_LE(widget->sizeHint().width(), widget->width()) << str(where);
            }
        }
    }
    const QTabBar* tabs = vc->tabView->tabBar();
    for (int i = 0; i < tabs->count(); ++i) {
        where = u"tab "_s + tabs->tabText(i);
        fits(tabs->tabText(i), tabs->fontMetrics(), tabs->tabRect(i).width());
        EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(i))) << str(where);
    }
    const QMenuBar* bar = window->menuBar();
    for (QAction* menu : bar->actions()) {
        where = u"menu "_s + menu->text();
        fits(menu->text(), bar->fontMetrics(), bar->actionGeometry(menu).width());
        EXPECT_TRUE(bar->rect().contains(bar->actionGeometry(menu))) << str(where);
        for (const QAction* action : menu->menu()->actions()) translated(action->text());
    }
    where = u"popups"_s;
    for (int i = 0; i < vc->comboCase->count(); ++i) translated(vc->comboCase->itemText(i));
    translated(vc->comboFormat->itemText(vc->comboFormat->findData(u"Original"_s)));
    EXPECT_LT(vc->imageViewPreview->height(), roomyPreview);
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslatedWindowTest,
                         testing::Values("pseudo", "de", "fr", "es", "it", "pt_BR", "pl", "nl",
                                         "ru", "ja", "zh_CN"));

}  // namespace
}  // namespace varnholt::test
