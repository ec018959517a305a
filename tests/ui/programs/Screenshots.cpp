// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Renders the panel (off, waiting, connected), the settings window (top and bottom) and its
// switch for control from a browser (on, with an address and its QR code) over the real
// controller and test doubles, and writes them as PNG files into the folder given, in the
// language of the environment (LANG) as the program chooses it. Run on a real X server
// (scripts/screenshots runs it under Xvfb) so that the desktop's fonts are used.
#include "../UiRig.h"
#include "platform/LoginStart.h"
#include "presentation/MessageLanguage.h"
#include "support/FixedBrowserControl.h"
#include "ui/ConsentPrompt.h"
#include "ui/MenuBarPanel.h"
#include "ui/SettingsWindow.h"
#include "ui/StatusSections.h"

#include <QDir>
#include <QScrollArea>
#include <QScrollBar>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

using kavora::test::UiRig;

// The whole widget, or only the area given in its coordinates.
bool save(QWidget& widget, const QDir& folder, const char* name,
          const QRect& area = QRect(QPoint(0, 0), QSize(-1, -1)))
{
    // An X server confirms a window's new size later: let it answer before drawing.
    for (int i = 0; i < 10; ++i) {
        QThread::msleep(20);
        QApplication::processEvents();
    }
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!widget.grab(area).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Start at login, switched on as a user would have it; nothing is written.
class ShownLoginStart final : public kavora::LoginStart {
public:
    bool isEnabled() const override { return true; }
    std::optional<std::string> setEnabled(bool) override { return std::nullopt; }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    kavora::useMessageCatalogues(KAVORA_CATALOGUE_DIR);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    UiRig rig(false);
    // The applications' names as the desktop gives them in that language.
    const bool japanese
        = std::string_view(std::getenv("LANG") ? std::getenv("LANG") : "").starts_with("ja");
    rig.workspace.scanned
        = { { "org.mozilla.firefox", "Firefox", "/apps/firefox" },
            { "org.gnome.Nautilus", japanese ? "ファイル" : "Files", "/apps/files" },
            { "org.gnome.TextEditor", japanese ? "テキストエディター" : "Text Editor",
              "/apps/text" } };
    for (const auto& app : rig.workspace.scanned)
        rig.adapter->addRegisteredApp(app.bundleIdentifier);
    rig.adapter->addFavoriteSite("https://www.debian.org/", "Debian", std::nullopt);
    rig.adapter->addFavoriteSite("news.example.com/today", "", std::string("com.google.Chrome"));

    bool ok = true;
    kavora::MenuBarPanel panel(*rig.adapter);
    panel.popUp(QRect(600, 0, 22, 22));
    ok &= save(panel, folder, "panel-off.png");
    rig.accessibility.trusted = true;
    rig.scheduler.advance(kavora::Seconds(1.5));
    rig.adapter->setAdvertising(true);
    ok &= save(panel, folder, "panel-waiting.png");
    panel.hide();

    // A controller the receiver does not know asks; allowed, it is trusted and joins.
    kavora::ConsentPrompt prompt(*rig.adapter);
    const kavora::PeerID pad { 7, "Kavora Pad", std::string(64, 'c'), "238196" };
    rig.framework.advertiser->invite(pad);
    rig.scheduler.runPending();
    ok &= save(prompt, folder, "consent-prompt.png");
    rig.adapter->answerConsentRequest(kavora::ConsentAnswer::Allow);
    rig.scheduler.runPending();
    rig.connect("Kavora Pad");
    panel.popUp(QRect(600, 0, 22, 22));
    ok &= save(panel, folder, "panel-connected.png");
    panel.hide();

    ShownLoginStart loginStart;
    // Switched on and served, with a made-up pairing code.
    kavora::test::FixedBrowserControl browserControl(
        true, "https://192.168.1.20:47390/#t=x7Kq2mVbN4pRt9LwZc3HsA");
    kavora::SettingsWindow window(*rig.adapter, &loginStart, &browserControl);
    window.showWindow();
    ok &= save(window, folder, "settings-top.png");
    // The connection section with the form's margin around it, as the window shows it.
    QWidget& connection = window.connection();
    ok &= save(*connection.parentWidget(), folder, "settings-browser.png",
               connection.geometry().adjusted(-12, -12, 12, 12));
    auto* scroll = window.findChild<QScrollArea*>();
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    ok &= save(window, folder, "settings-bottom.png");
    return ok ? 0 : 1;
}
