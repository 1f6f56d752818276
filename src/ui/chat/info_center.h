// TfrmInfoCenter ("消息中心"): the side panel that slides in beside the main window with its two
// sections, "离线文件" (the offline files left for us, a TFileListBox) and "消息提醒" (the
// reminders). A tool window that never takes the focus; it fades in when shown and out when
// closed.
#pragma once

#include "transfer/offline_files.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;

namespace vantor::ui {

class TFileListBox;

class TfrmInfoCenter : public QWidget {
  public:
    static constexpr int kWidth = 305;
    static constexpr int kTitleHeight = 32;
    static constexpr int kSectionTitleHeight = 30;
    static constexpr int kShownFiles = 4; // more scroll

    // `files` outlives the panel; `now` gives the day count the files' dates count from.
    TfrmInfoCenter(transfer::OfflineFiles& files, std::function<double()> now, QWidget* parent = nullptr);

    // AddOfflineFile's showing: placed at the top of `screen`, left of a main window whose frame is
    // `mainFrame` (screen width − panel width − main window width − 10, top 2), faded in.
    void showBeside(const QRect& mainFrame, const QRect& screen);
    // File_Hide / File_Show: the offline-file section collapsed to its title or open again.
    void setFilesOpen(bool open);
    bool filesOpen() const { return filesOpen_; }
    // M_Close: fades out, then closes.
    void fadeOut();

    TFileListBox* fileList() const { return fileList_; }
    // The panel's opacity steps (0…190 of 255), for tests.
    int opacityStep() const { return opacity_; }

  private:
    void relayout();
    void fadeStep();

    transfer::OfflineFiles& files_;
    TFileListBox* fileList_;
    QScrollArea* fileArea_;
    QLabel* fileTitle_;
    QPushButton* fileToggle_;
    QLabel* subTitle_;
    QTimer* fade_;
    int opacity_ = 0;
    bool fadingOut_ = false;
    bool filesOpen_ = true;
};

} // namespace vantor::ui
