// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "presentation/ConnectionStatus.h"

#include <QWidget>

namespace kavora {

// The filled dot before a status text, coloured by the connection state. Decorative: the text
// beside it says the same to a screen reader.
class StatusDotWidget final : public QWidget {
    Q_OBJECT

public:
    StatusDotWidget(int diameter, QWidget* parent = nullptr);

    void setDot(StatusDot dot);
    StatusDot dot() const { return dot_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int diameter_;
    StatusDot dot_ = StatusDot::Grey;
};

} // namespace kavora
