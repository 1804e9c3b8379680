#pragma once

#include "forms/preview/image_loader.h"
#include "model/applet_settings.h"
#include "model/bar_look.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QImage>

#include <optional>

namespace brivane {

// The bar as the page will show it, drawn 1:1 (or enlarged by whole steps) in a
// scroll area. A bar can be 32767 buttons of 32767 pixels: only the buttons in
// view are painted, into an image no larger than the view, and the scroll
// positions are kept in 64 bits. Everything it draws comes from the BarLook.
class BarView : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kMaxZoom = 8;

    explicit BarView(QWidget* parent = nullptr);

    // What to draw: the look, and the per-button texts it is drawn with (read
    // at paint time, never copied). The table must outlive the view.
    void setBar(const BarLook& look, const ButtonTable* table, const QString& workingDirectory);
    const BarLook& look() const { return look_; }

    // 1 to kMaxZoom; each bar pixel becomes zoom x zoom screen pixels.
    int zoom() const { return zoom_; }
    void setZoom(int zoom);

    // The button (1-based) that has the keyboard focus mark and that Space presses.
    int focusedButton() const { return focused_; }
    void setFocusedButton(int k);

    // The button under a point of the viewport, 0 for none.
    int buttonAt(QPoint viewportPoint) const;
    // Whether button k is drawn in its down state now.
    bool isDown(int k) const;
    // What a screen reader says for button k: its label, or "Button k".
    QString buttonName(int k) const;

    // The font the labels are drawn in, and where button k's image and label go
    // (up state, relative to the button's corner).
    QFont labelFont() const { return font_; }
    ContentPlacement placementOf(int k) const;
    // The font a look's labels are drawn in.
    static QFont fontFor(const LookFont& look);
    // The size of a local image file, none when it cannot be read.
    static std::optional<QSize> localImageSize(const QString& path);

    // True while pictures in view are still being read; each shows its
    // placeholder until it is ready, and the view is painted again then.
    bool loadingImages() const { return images_.busy(); }
    const ImageLoader& imageLoader() const { return images_; }

    // The bar's pixels in the rectangle at (left, top) of width x height, 1:1.
    QImage render(qint64 left, qint64 top, int width, int height) const;

signals:
    // A click on a button, or Space on the focused one.
    void buttonChosen(int k);
    void zoomChanged(int zoom);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // What an image entry shows now beside a label of textSize: the picture's
    // size, its part that can show on the face and those pixels; or, while it
    // is read and when it cannot be, the placeholder's size.
    struct ShownImage {
        QSize size;
        bool placeholder = true;
        QRect part;
        QImage pixels;
    };
    ShownImage imageFor(const QString& entry, QSize textSize) const;
    QSize labelSize(const QString& label) const;
    void paintButton(QPainter& painter, int k, const QRect& visible) const;
    void updateScrollBars();
    // The view's top-left corner in zoomed bar pixels.
    qint64 offsetX() const;
    qint64 offsetY() const;
    qint64 unitX() const;
    qint64 unitY() const;
    void setHovered(int k);
    void moveFocus(int step);
    void announceFocus();
    void scrollToButton(int k);

    BarLook look_;
    const ButtonTable* table_ = nullptr;
    QString workingDirectory_;
    QFont font_;
    int ascent_ = 0;
    int lineHeight_ = 0;
    int zoom_ = 1;
    int hovered_ = 0;    // the button under the pointer
    int pressed_ = 0;    // the button the mouse button went down on
    int keyPressed_ = 0; // the button Space holds down
    int focused_ = 1;
    // The pictures of the buttons in view, read as they come into view.
    mutable ImageLoader images_;
};

} // namespace brivane
