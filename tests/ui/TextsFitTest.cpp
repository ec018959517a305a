// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// The panel, the 400-pixel settings window and the consent prompt, filled as a user has them, in
// Japanese, English and the pseudo-locale en@pseudo (each text about 40 % longer, in brackets).
// No text is cut off, and in the pseudo-locale every text shown, named or in a tooltip is the
// catalogue's (bracketed) unless it is data.

#include "UiRig.h"
#include "controller/SystemButtonPresets.h"
#include "support/FixedBrowserControl.h"
#include "support/TextLanguage.h"
#include "ui/ConsentPrompt.h"
#include "ui/MenuBarPanel.h"
#include "ui/SettingsWindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScrollArea>

#include <gtest/gtest.h>

namespace kavora {
namespace {

// A name as long as a controller may send (63 bytes).
const PeerID kTablet { 8, "Tablet in the living room by the window on the second floor, 12",
                       std::string(64, 'e'), "000000" };
const PeerID kPad { 7, "Pad", std::string(64, 'c'), "238196" };

QStringList problemsIn(QWidget& window, const QStringList& data, bool pseudo)
{
    QStringList problems;
    const auto check = [&](const QString& text, int needed = 0, int room = 0) {
        if (pseudo && !text.isEmpty() && !(text.startsWith('[') && text.endsWith(']'))
            && !data.contains(text))
            problems << QStringLiteral("not from the catalogue: ") + text;
        if (needed > room)
            problems << QStringLiteral("cut off (%1 of %2 px): %3").arg(room).arg(needed).arg(text);
    };
    check(window.windowTitle());
    check(window.accessibleName());
    for (auto* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window))
            continue;
        const int width = widget->contentsRect().width();
        const auto advance
            = [&](const QString& text) { return widget->fontMetrics().horizontalAdvance(text); };
        auto* label = qobject_cast<QLabel*>(widget);
        if (label && label->textFormat() == Qt::PlainText
            && !label->inherits("kavora::ElidedLabel")) {
            if (label->wordWrap())
                check(label->text(), label->heightForWidth(label->width()), label->height());
            else
                check(label->text(), advance(label->text()), width);
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            check(button->text(), button->sizeHint().width(), button->width());
        if (auto* box = qobject_cast<QGroupBox*>(widget))
            check(box->title(), advance(box->title()), box->width());
        // QLineEdit writes inside its frame with a margin of 2 pixels on either side.
        const int frame = widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2;
        if (auto* field = qobject_cast<QLineEdit*>(widget))
            check(field->placeholderText(), advance(field->placeholderText()), width - 2 * frame);
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                check(combo->itemText(i), combo->sizeHint().width(), combo->width());
        }
        check(widget->accessibleName());
        check(widget->toolTip());
    }
    return problems;
}

TEST(TextsFit, NoTextIsCutOffOrShownPastTheCatalogue)
{
    // A point above Qt's default: high-density screens and larger desktop fonts draw text wider.
    test::widgetApplication();
    const QFont former = QApplication::font();
    QFont larger = former;
    larger.setPointSizeF(QFontInfo(former).pointSizeF() + 1);
    QApplication::setFont(larger);
    for (const char* locale : { "ja_JP.UTF-8", "en_US.UTF-8", "en@pseudo" }) {
        SCOPED_TRACE(locale);
        test::readTextsAs(locale);
        QLocale::setDefault(
            QLocale(QString::fromLatin1(locale))); // dates as the session writes them
        test::UiRig rig(false);
        rig.workspace.scanned = { { "org.example.Files", "Files", "/apps/files" } };
        rig.adapter->addRegisteredApp("org.example.Files");
        rig.adapter->addFavoriteSite("https://www.debian.org/", "Debian", std::nullopt);
        rig.adapter->setAdvertising(true);
        rig.framework.advertiser->invite(kTablet);
        rig.controller->answerConsentRequest(ConsentAnswer::Allow);
        rig.framework.advertiser->invite(kPad);
        rig.scheduler.runPending();
        const QString address
            = QStringLiteral("https://192.168.1.20:47390/#t=x7Kq2mVbN4pRt9LwZc3HsA");
        test::FixedBrowserControl browser(true, address.toStdString());
        QStringList data { QStringLiteral("Kavora"),
                           QStringLiteral("Brivane Works inc."),
                           QStringLiteral(KAVORA_VERSION " (Linux)"),
                           QStringLiteral("1.0"),
                           QStringLiteral("Files"),
                           QStringLiteral("Debian"),
                           QString::fromStdString(kTablet.displayName),
                           QStringLiteral("https://www.debian.org/"),
                           QStringLiteral("Chrome"),
                           QStringLiteral("Safari"),
                           QStringLiteral("238 196"),
                           address };
        for (const auto& preset : systemButtonPresets())
            data << QString::fromStdString(preset.label);

        SettingsWindow window(*rig.adapter, nullptr, &browser);
        window.showWindow();
        MenuBarPanel panel(*rig.adapter);
        panel.popUp(QRect(600, 0, 22, 22));
        ConsentPrompt prompt(*rig.adapter);
        QApplication::processEvents(); // the layouts' pending requests
        const bool pseudo = std::string_view(locale) == "en@pseudo";
        for (QWidget* view : std::initializer_list<QWidget*> { &window, &panel, &prompt })
            EXPECT_EQ(problemsIn(*view, data, pseudo).join('\n').toStdString(), "");
        auto* scroll = window.findChild<QScrollArea*>();
        EXPECT_LE(scroll->widget()->width(), scroll->viewport()->width()) << "cut on the right";
        EXPECT_EQ(panel.width(), MenuBarPanel::kWidth);
    }
    QApplication::setFont(former);
    test::readTextsAs("ja_JP.UTF-8");
}

} // namespace
} // namespace kavora
