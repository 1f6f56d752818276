// The side panel's "离线文件" section: TFileListBox with one TFileListPanel (303 x 67) per offline
// file, newest on top — who sent it and when, the file and its size, "另存为..." and "拒绝接收", the
// 3-pixel bar while it downloads, "打开文件" and "打开文件夹" once taken, "已经拒绝" once refused. It
// draws transfer::OfflineFiles and hands the clicks back to it; nothing here waits.
#pragma once

#include "transfer/offline_files.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QVBoxLayout;

namespace vantor::ui {

class TFileListBox : public QWidget {
  public:
    static constexpr int kItemWidth = 303;
    static constexpr int kItemHeight = 67;

    // `files` outlives the box. `now` gives the day count the relative dates count from.
    TFileListBox(transfer::OfflineFiles& files, std::function<double()> now, QWidget* parent = nullptr);
    ~TFileListBox() override;

    // Rebuilds the items from the list (also called on every change of the list).
    void refresh();
    // The item of a file (null when none shows it).
    QWidget* panelOf(const std::string& transmitId) const;

    // The number of files not yet taken or refused, after every change.
    std::function<void(int)> onCount;
    // "另存为...": asks where to put the file (default: a non-modal save dialog, then the overwrite
    // question when the file exists); `save(path, overwrite)` starts the download.
    std::function<void(const QString& suggested, std::function<void(const QString&, bool)> save)> askPath;
    // "打开文件" / "打开文件夹" (default: the desktop's handler).
    std::function<void(const QString& path)> openPath;

  private:
    void saveAs(const std::string& id);
    void fill(QWidget* panel, const transfer::OfflineFileItem& item);

    transfer::OfflineFiles& files_;
    std::function<double()> now_;
    QVBoxLayout* column_ = nullptr;
    std::vector<std::pair<std::string, QWidget*>> panels_;
};

} // namespace vantor::ui
