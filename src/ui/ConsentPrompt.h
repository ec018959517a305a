// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kavora {

class ControllerAdapter;

// The question about a controller that is not trusted yet: its name and the verification code
// to compare with the one the controller shows, with "許可" (allow, which trusts it) and "拒否"
// (decline). It opens by itself for each request, above other windows but without taking the
// keyboard focus, so that a request cannot catch a key meant for another window; it closes by
// itself when the request ends another way (the controller left, the time ran out, the device
// was allowed from a shell). Closing it declines. One for the life of the program.
class ConsentPrompt final : public QDialog {
    Q_OBJECT

public:
    explicit ConsentPrompt(ControllerAdapter& adapter, QWidget* parent = nullptr);

    QPushButton* allowButton() const { return allow_; }
    QPushButton* declineButton() const { return decline_; }
    QLabel* headline() const { return headline_; }
    QLabel* code() const { return code_; }

    void reject() override;

private:
    void followRequest();

    ControllerAdapter& adapter_;
    QLabel* headline_;
    QLabel* code_;
    QPushButton* allow_;
    QPushButton* decline_;
};

} // namespace kavora
