#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace kavora {

class ControllerAdapter;
struct TrustedDevice;

// One trusted controller: its name, when it last connected, and a button that removes it.
class TrustedDeviceRow final : public QWidget {
    Q_OBJECT

public:
    TrustedDeviceRow(const TrustedDevice& device, ControllerAdapter& adapter,
                     QWidget* parent = nullptr);

    const std::string& fingerprint() const { return fingerprint_; }
    QLabel* name() const { return name_; }
    QLabel* detail() const { return detail_; }
    QToolButton* removeButton() const { return remove_; }

private:
    std::string fingerprint_;
    QLabel* name_;
    QLabel* detail_;
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
