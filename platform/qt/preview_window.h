// The texture preview on Qt: a modeless, resizable window of its own with the
// raw-pixel bar, the picture (zoomed 1x to 8x, nearest neighbour), "Highlight
// selection", Export and a status line. It shows what the core hands it and
// reports what the user does; the core decides everything else.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <span>

#include "ui/editor.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSpinBox;

namespace tavrin::qt {

class PreviewCanvas;

class PreviewWindow : public QWidget {
  public:
    PreviewWindow(EditorState& state, WindowLayer& layer);

    void set_image(int width, int height, std::span<const std::uint32_t> pixels);
    void set_status(const QString& text);
    void set_bar(const PreviewBar& bar);

    int zoom() const { return zoom_; }
    void set_zoom(int zoom);
    const QImage& image() const { return image_; }
    PreviewCanvas* canvas() const { return canvas_; }
    QCheckBox* highlight() const { return highlight_; }
    QComboBox* background() const { return background_; }
    QComboBox* blend() const { return blend_; }
    // The background colour as if picked in the colour dialog.
    void set_background_color(const QColor& color);
    QString status() const;
    // Zoom keys and the keys that scroll raw pixels; false for any other key.
    bool handle_key(const QKeyEvent& event);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    friend class PreviewCanvas;
    void bar_edited();
    void background_chosen(int index);
    void backdrop_changed();

    EditorState& state_;
    WindowLayer& layer_;
    QImage image_;
    int zoom_ = 2;
    bool writing_bar_ = false;
    QWidget* bar_ = nullptr;
    QLineEdit* file_ = nullptr;
    QLineEdit* offset_ = nullptr;
    QSpinBox* width_ = nullptr;
    QSpinBox* height_ = nullptr;
    QComboBox* depth_ = nullptr;
    QCheckBox* highlight_ = nullptr;
    QComboBox* background_ = nullptr;
    QComboBox* blend_ = nullptr;
    QColor background_color_;
    int background_index_ = 0;  // the choice before "Color..." was picked
    QScrollArea* scroll_ = nullptr;
    PreviewCanvas* canvas_ = nullptr;
    QLabel* status_ = nullptr;
};

// The picture itself: pixels scaled by the zoom, hover and clicks in image
// pixels.
class PreviewCanvas : public QWidget {
  public:
    explicit PreviewCanvas(PreviewWindow& window);
    // The image pixel under a point of the canvas.
    QPoint image_point(const QPoint& at) const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    PreviewWindow& window_;
};

}  // namespace tavrin::qt
