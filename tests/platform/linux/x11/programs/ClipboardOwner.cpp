// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

// Owns the clipboard for the clipboard tests, the way another application does: offers each
// MIME type given on the command line (pairs of type and text) and serves them until killed.
// Prints "OWNED" once the clipboard is its own.

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    auto* data = new QMimeData;
    for (int i = 1; i + 1 < argc; i += 2)
        data->setData(QString::fromUtf8(argv[i]), QByteArray(argv[i + 1]));
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    std::printf("OWNED\n");
    std::fflush(stdout);
    return application.exec();
}
