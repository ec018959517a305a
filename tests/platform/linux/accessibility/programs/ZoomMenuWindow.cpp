// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// A window with zoom items in its menus, for the accessibility tests: "View" holds "Zoom In"
// (with a shortcut) and "Zoom Out" (with its shortcut written into the text after a tab, an old
// Qt idiom that ends up in the accessible name); "表示" holds a submenu "ズーム" with "拡大" and
// "縮小", the nesting Japanese Qt applications use. A first menu named after the argument tells
// instances apart. Prints "READY" once shown and "TRIGGERED <title>" whenever an item fires.

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QString>

#include <cstdio>

namespace {

void report(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void addItem(QMenu* menu, const QString& title, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(title);
    action->setShortcut(shortcut);
    QObject::connect(action, &QAction::triggered, [title] {
        report(QStringLiteral("TRIGGERED ") + QString(title).remove(u'&').section(u'\t', 0, 0));
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QString label = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Window");

    QMainWindow window;
    window.setWindowTitle(label);
    QMenu* own = window.menuBar()->addMenu(label);
    addItem(own, QStringLiteral("Zoom in")); // another case: must not match "Zoom In"
    QMenu* view = window.menuBar()->addMenu(QStringLiteral("&View"));
    addItem(view, QStringLiteral("Zoom &In"), QKeySequence(QStringLiteral("Ctrl++")));
    addItem(view, QStringLiteral("Zoom &Out\tCtrl+-"));
    QMenu* japanese = window.menuBar()->addMenu(QStringLiteral("表示"));
    QMenu* zoom = japanese->addMenu(QStringLiteral("ズーム"));
    addItem(zoom, QStringLiteral("拡大"));
    addItem(zoom, QStringLiteral("縮小"));

    window.resize(480, 320);
    window.show();
    report(QStringLiteral("READY"));
    return application.exec();
}
