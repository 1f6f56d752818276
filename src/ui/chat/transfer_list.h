// The conversation window's side panel of file transfers: one TsTFilePanel per transfer (file
// name, amounts, progress bar, speed, remaining time, state, and the buttons its state allows).
// It only draws what the transfer panels' model hands it and reports the buttons pressed.
#pragma once

#include "client/transfer_panels.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QVBoxLayout;

namespace vantor::ui {

class TransferList : public QWidget {
    Q_OBJECT
  public:
    // Each panel's height; the window grows its transfer area by this much per panel.
    static constexpr int kPanelHeight = 84;

    explicit TransferList(QWidget* parent = nullptr);

    // Replaces the panels shown.
    void setItems(const std::vector<client::TransferItem>& items);
    int count() const { return int(items_.size()); }
    const std::vector<client::TransferItem>& items() const { return items_; }
    // The panel of a transfer (null when none shows it).
    QWidget* panelOf(const std::string& transmitId) const;

    // A button pressed: the transfer and the command.
    std::function<void(const std::string& transmitId, const std::string& command)> onCommand;

  private:
    QVBoxLayout* column_ = nullptr;
    std::vector<client::TransferItem> items_;
    std::vector<QWidget*> panels_;
};

} // namespace vantor::ui
