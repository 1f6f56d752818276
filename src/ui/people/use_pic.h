// TfrmUsePic ("设置头像"): the own head photo cut from a picture (zoom slider, crop frame moved by
// dragging and resized with Shift, preview of the framed part) or a system picture. Saving makes
// the photo and its thumbnail and uploads it through the people core.
#pragma once

#include "client/client_core.h"

#include <QImage>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QStackedWidget;
class QTableWidget;

namespace vantor::ui {

// The crop area: the picture at its shown size and the crop frame `Image_K` over it.
class CropArea : public QWidget {
    Q_OBJECT
  public:
    explicit CropArea(QWidget* parent = nullptr);
    void setPicture(const QImage& picture); // placed as it starts; zoom from the placement
    void setZoom(int zoom);
    int zoom() const { return zoom_; }
    bool hasPicture() const { return !picture_.isNull(); }
    QRect frame() const { return frame_; }
    void setFrame(const QRect& frame);
    QPoint pictureTopLeft() const { return topLeft_; }
    QSize shown() const;
    const QImage& picture() const { return picture_; }
    // The framed part as the preview shows it (plain stretching of the shown picture).
    QImage preview() const;
    // The photo: the picture drawn at its shown size (bilinear), cut inside the frame.
    QImage photo() const;

  Q_SIGNALS:
    void frameChanged();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    enum class Drag { None, Picture, Frame, FrameSize };
    QImage picture_;
    QPoint topLeft_;
    int zoom_ = 100;
    QRect frame_;
    Drag drag_ = Drag::None;
    QPoint dragStart_;
    QPoint grabbed_;
    QRect frameAtStart_;
};

class TfrmUsePic : public QWidget, private people::IPeopleListener {
    Q_OBJECT
  public:
    explicit TfrmUsePic(client::ClientCore& core, QWidget* parent = nullptr);
    ~TfrmUsePic() override;
    // Loads a picture file into the crop area; false (and nothing changes) when it does not load.
    bool loadPicture(const QString& path);
    // btn_Save.
    void save();
    CropArea* cropArea() const { return crop_; }
    // btn_SysFaceUp: the system picture chosen in the grid becomes the own head picture (sent as
    // the own status; the main window shows it with the server's echo). False when nothing was sent.
    bool useSystemFace();

  protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

  private:
    void pictureArrived(uint32_t userId) override;
    void showCurrent();
    void updatePreview();

    client::ClientCore& core_;
    QStackedWidget* tabs_;
    CropArea* crop_;
    QSlider* zoom_;
    QLabel* preview_;   // ImageCap
    QLabel* selected_;  // Image_Selected
    QLabel* uploading_; // "正在上传..."
    QLabel* done_;      // "照片上传成功！"
    QPushButton* save_;
    QTableWidget* faces_; // DrawGrid1
    QCheckBox* useSystem_;
    QPushButton* faceUpdate_;
    int chosenFace_ = -1; // the grid's selected system picture
};

} // namespace vantor::ui
