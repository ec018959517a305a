// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

#include <optional>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QToolButton;
class QVBoxLayout;

namespace kavora {

class ControllerAdapter;
struct TrustedDevice;

// One trusted controller: its name, when it last connected, a button that renames it (the name
// becomes a field until Return or leaving it; Escape keeps the old name) and one that removes it.
class TrustedDeviceRow final : public QWidget {
    Q_OBJECT

public:
    TrustedDeviceRow(const TrustedDevice& device, ControllerAdapter& adapter,
                     QWidget* parent = nullptr);

    const std::string& fingerprint() const { return fingerprint_; }
    QLabel* name() const { return name_; }
    QLabel* detail() const { return detail_; }
    QToolButton* renameButton() const { return rename_; }
    QLineEdit* nameField() const { return nameField_; }
    QToolButton* removeButton() const { return remove_; }

    // What a row being renamed holds, so that the row that replaces it (the list rebuilt while
    // the user types) takes the typing up where it was.
    struct Typing {
        QString text;
        int cursor = 0;
        bool focused = false;
    };
    std::optional<Typing> typing() const;
    void resumeTyping(const Typing& typing);
    // Leaves the list without storing what is being typed.
    void discard();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startRenaming();
    void finishRenaming(bool keep);

    std::string fingerprint_;
    std::string givenName_; // as stored; empty for a device that never said its name
    ControllerAdapter& adapter_;
    QLabel* name_;
    QLineEdit* nameField_;
    QLabel* detail_;
    QToolButton* rename_;
    QToolButton* remove_;
};

// The controllers that connect without a question, most recently active first, rebuilt from the
// adapter at every change; "信頼済みの端末はありません" while there are none.
class TrustedDevicesList final : public QWidget {
    Q_OBJECT

public:
    explicit TrustedDevicesList(ControllerAdapter& adapter, QWidget* parent = nullptr);

    const std::vector<TrustedDeviceRow*>& rows() const { return rows_; }

private:
    void showDevices();

    ControllerAdapter& adapter_;
    QVBoxLayout* column_;
    QLabel* empty_;
    std::vector<TrustedDeviceRow*> rows_;
};

} // namespace kavora
