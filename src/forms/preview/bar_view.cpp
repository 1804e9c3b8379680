#include "forms/preview/bar_view.h"

#include <QAccessible>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QImageReader>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <array>

namespace brivane {

namespace {

QColor qColour(LookColour c) {
    return QColor(c.red, c.green, c.blue);
}

} // namespace

QFont BarView::fontFor(const LookFont& look) {
    QFont font(look.family);
    switch (look.kind) {
    case FontKind::Serif:
        font.setStyleHint(QFont::Serif);
        break;
    case FontKind::SansSerif:
        font.setStyleHint(QFont::SansSerif);
        break;
    case FontKind::Monospace:
        font.setStyleHint(QFont::Monospace);
        break;
    }
    font.setPixelSize(look.pixelSize);
    font.setBold(look.bold);
    font.setItalic(look.italic);
    return font;
}

namespace {

// A scroll bar counts in int: beyond about a thousand million pixels one of its
// steps stands for several pixels.
constexpr qint64 kScrollLimit = qint64(1) << 30;

qint64 unitFor(qint64 length) {
    return 1 + length / kScrollLimit;
}

} // namespace

BarView::BarView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    // Every paint covers the whole view: nothing to erase first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Bar"));
    font_ = fontFor(look_.font);
    connect(&images_, &ImageLoader::ready, viewport(), qOverload<>(&QWidget::update));
}

void BarView::setBar(const BarLook& look, const ButtonTable* table,
                     const QString& workingDirectory) {
    look_ = look;
    table_ = table;
    workingDirectory_ = workingDirectory;
    font_ = fontFor(look_.font);
    const QFontMetrics metrics(font_);
    ascent_ = metrics.ascent();
    lineHeight_ = metrics.height();
    // A picture may have been copied in or changed since: those are read again.
    images_.revalidate();
    focused_ = std::clamp(focused_, 1, std::max(1, look_.buttonCount));
    if (hovered_ > look_.buttonCount)
        hovered_ = 0;
    if (pressed_ > look_.buttonCount)
        pressed_ = 0;
    if (keyPressed_ > look_.buttonCount)
        keyPressed_ = 0;
    updateScrollBars();
    announceFocus();
    viewport()->update();
}

void BarView::setZoom(int zoom) {
    zoom = std::clamp(zoom, 1, kMaxZoom);
    if (zoom == zoom_)
        return;
    // Keep the bar pixel at the view's centre where it is.
    const QPoint centre = viewport()->rect().center();
    const qint64 barX = (offsetX() + centre.x()) / zoom_;
    const qint64 barY = (offsetY() + centre.y()) / zoom_;
    zoom_ = zoom;
    updateScrollBars();
    horizontalScrollBar()->setValue(int(std::max<qint64>(0, barX * zoom_ - centre.x()) / unitX()));
    verticalScrollBar()->setValue(int(std::max<qint64>(0, barY * zoom_ - centre.y()) / unitY()));
    viewport()->update();
    emit zoomChanged(zoom_);
}

void BarView::setFocusedButton(int k) {
    if (look_.buttonCount < 1)
        return;
    k = std::clamp(k, 1, look_.buttonCount);
    if (k == focused_)
        return;
    focused_ = k;
    scrollToButton(k);
    announceFocus();
    viewport()->update();
}

int BarView::buttonAt(QPoint viewportPoint) const {
    if (viewportPoint.x() < 0 || viewportPoint.y() < 0)
        return 0;
    const qint64 x = (offsetX() + viewportPoint.x()) / zoom_;
    const qint64 y = (offsetY() + viewportPoint.y()) / zoom_;
    int first = 0;
    int last = -1;
    look_.buttonsIn(x, y, 1, 1, first, last);
    return last >= first ? first + 1 : 0;
}

bool BarView::isDown(int k) const {
    if (k < 1)
        return false;
    if (k == keyPressed_)
        return true;
    if (look_.downOnHover)
        return k == hovered_;
    return k == pressed_ && k == hovered_;
}

QString BarView::buttonName(int k) const {
    const QString label = table_ ? table_->entry(ButtonField::Label, k) : QString();
    return label.isEmpty() ? QStringLiteral("Button %1").arg(k) : label;
}

std::optional<QSize> BarView::localImageSize(const QString& path) {
    // Asking the file system first is far cheaper than a reader that tries
    // every format on a file that is not there.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!reader.canRead())
        return std::nullopt;
    if (size.isValid())
        return size;
    // Some formats only know their size once read.
    const QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image.size();
}

BarView::ShownImage BarView::imageFor(const QString& entry, QSize textSize) const {
    ShownImage shown;
    if (entry.isEmpty())
        return shown;
    shown.size = QSize(kImagePlaceholderSize, kImagePlaceholderSize);
    const ImageSource source = imageSourceOf(entry, workingDirectory_);
    // A web address is never fetched: it is drawn as the placeholder.
    if (source.kind != ImageSource::Local)
        return shown;
    // The face as the picture sees it, up and one pixel down and right.
    auto visible = [look = look_, textSize](QSize size) {
        const QPoint at = look.place(size, textSize).image.topLeft();
        const QRect face = look.faceRect();
        return face.translated(-at).united(face.translated(-at - BarLook::downShift()));
    };
    const std::optional<ImageLoader::Picture> picture = images_.picture(source.path, visible);
    if (!picture || !picture->readable)
        return shown;
    shown.size = picture->size;
    shown.placeholder = false;
    shown.part = picture->part;
    shown.pixels = picture->pixels;
    return shown;
}

QSize BarView::labelSize(const QString& label) const {
    return label.isEmpty() ? QSize()
                           : QSize(QFontMetrics(font_).horizontalAdvance(label), lineHeight_);
}

ContentPlacement BarView::placementOf(int k) const {
    const QString label = table_ ? table_->entry(ButtonField::Label, k) : QString();
    const QString entry = table_ ? table_->entry(ButtonField::Image, k) : QString();
    const QSize textSize = labelSize(label);
    return look_.place(imageFor(entry, textSize).size, textSize);
}

void BarView::paintButton(QPainter& painter, int k, const QRect& visible) const {
    const bool down = isDown(k);
    painter.fillRect(visible, qColour(look_.face));

    // Only the rings that cross the visible part are drawn: a ring's top row,
    // left column, bottom row or right column must lie inside it.
    const int w = look_.buttonWidth;
    const int h = look_.buttonHeight;
    std::array<std::pair<int, int>, 4> spans = {{
        {visible.top() + 1, visible.bottom() + 1},
        {visible.left() + 1, visible.right() + 1},
        {h - visible.bottom(), h - visible.top()},
        {w - visible.right(), w - visible.left()},
    }};
    for (auto& [from, to] : spans) {
        from = std::max(from, 1);
        to = std::min(to, look_.rings);
    }
    std::sort(spans.begin(), spans.end());
    int drawnUpTo = 0;
    for (const auto& [from, to] : spans) {
        for (int ring = std::max(from, drawnUpTo + 1); ring <= to; ++ring) {
            const RingColours colours = look_.ring(ring, down);
            const int a = ring - 1; // the ring's top row and left column
            const int r = w - ring; // its right column
            const int b = h - ring; // its bottom row
            // The top/left sides win the corners where they meet the others,
            // so they are drawn last, over the full length.
            const QColor dark = qColour(colours.bottomRight);
            const QColor light = qColour(colours.topLeft);
            painter.fillRect(QRect(QPoint(a, b), QPoint(r, b)), dark);
            painter.fillRect(QRect(QPoint(r, a), QPoint(r, b)), dark);
            painter.fillRect(QRect(QPoint(a, a), QPoint(r, a)), light);
            painter.fillRect(QRect(QPoint(a, a), QPoint(a, b)), light);
        }
        drawnUpTo = std::max(drawnUpTo, to);
    }

    const QRect face = look_.faceRect();
    const QRect clip = face.intersected(visible);
    if (clip.isEmpty())
        return;
    painter.save();
    painter.setClipRect(clip);
    const QString label = table_ ? table_->entry(ButtonField::Label, k) : QString();
    const QString entry = table_ ? table_->entry(ButtonField::Image, k) : QString();
    const QSize textSize = labelSize(label);
    const ShownImage image = imageFor(entry, textSize);
    const ContentPlacement placement = look_.place(image.size, textSize);
    const QPoint shift = down ? BarLook::downShift() : QPoint();
    const QColor textColour = qColour(down ? look_.clickColour : look_.fontColour);
    if (!entry.isEmpty()) {
        const QRect target = placement.image.translated(shift);
        if (image.placeholder) {
            // The placeholder: a one-pixel frame in the text's colour.
            painter.setPen(QPen(textColour, 0));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(target.adjusted(0, 0, -1, -1));
        } else if (!image.pixels.isNull()) {
            painter.drawImage(target.topLeft() + image.part.topLeft(), image.pixels);
        }
    }
    if (!placement.text.isEmpty()) {
        painter.setFont(font_);
        painter.setPen(textColour);
        painter.drawText(placement.text.left() + shift.x(),
                         placement.text.top() + shift.y() + ascent_, label);
    }
    painter.restore();

    // The focus mark exists only while the bar has the keyboard focus.
    if (k == focused_ && hasFocus() && face.width() > 2 && face.height() > 2) {
        painter.setPen(QPen(textColour, 0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(face.adjusted(1, 1, -2, -2));
    }
}

QImage BarView::render(qint64 left, qint64 top, int width, int height) const {
    QImage image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Dark));
    int first = 0;
    int last = -1;
    look_.buttonsIn(left, top, width, height, first, last);
    if (last < first)
        return image;
    QPainter painter(&image);
    const QRect area(0, 0, width, height);
    for (int i = first; i <= last; ++i) {
        const int x = int(look_.buttonLeft(i) - left);
        const int y = int(look_.buttonTop(i) - top);
        const QRect visible =
            QRect(0, 0, look_.buttonWidth, look_.buttonHeight).intersected(area.translated(-x, -y));
        painter.save();
        painter.translate(x, y);
        painter.setClipRect(visible);
        paintButton(painter, i + 1, visible);
        painter.restore();
    }
    return image;
}

qint64 BarView::unitX() const {
    return unitFor(look_.barWidth() * zoom_);
}

qint64 BarView::unitY() const {
    return unitFor(look_.barHeight() * zoom_);
}

qint64 BarView::offsetX() const {
    return qint64(horizontalScrollBar()->value()) * unitX();
}

qint64 BarView::offsetY() const {
    return qint64(verticalScrollBar()->value()) * unitY();
}

void BarView::updateScrollBars() {
    const QSize view = viewport()->size();
    const qint64 width = look_.barWidth() * zoom_;
    const qint64 height = look_.barHeight() * zoom_;
    const qint64 ux = unitX();
    const qint64 uy = unitY();
    horizontalScrollBar()->setRange(0, int(std::max<qint64>(0, width - view.width()) / ux));
    horizontalScrollBar()->setPageStep(int(std::max<qint64>(1, view.width() / ux)));
    horizontalScrollBar()->setSingleStep(int(std::max<qint64>(1, 20 / ux)));
    verticalScrollBar()->setRange(0, int(std::max<qint64>(0, height - view.height()) / uy));
    verticalScrollBar()->setPageStep(int(std::max<qint64>(1, view.height() / uy)));
    verticalScrollBar()->setSingleStep(int(std::max<qint64>(1, 20 / uy)));
}

void BarView::scrollToButton(int k) {
    if (k < 1 || k > look_.buttonCount)
        return;
    const QSize view = viewport()->size();
    auto follow = [](QScrollBar* bar, qint64 unit, qint64 from, qint64 length, qint64 offset,
                     int viewLength) {
        if (from < offset)
            bar->setValue(int(from / unit));
        else if (from + length > offset + viewLength)
            bar->setValue(int((from + length - viewLength + unit - 1) / unit));
    };
    follow(horizontalScrollBar(), unitX(), look_.buttonLeft(k - 1) * zoom_,
           qint64(look_.buttonWidth) * zoom_, offsetX(), view.width());
    follow(verticalScrollBar(), unitY(), look_.buttonTop(k - 1) * zoom_,
           qint64(look_.buttonHeight) * zoom_, offsetY(), view.height());
}

void BarView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    const QColor background = palette().color(QPalette::Dark);
    // The part of the zoomed bar in view, then the bar pixels under it.
    const qint64 left = offsetX() + area.left();
    const qint64 top = offsetY() + area.top();
    const qint64 right = std::min(left + area.width(), look_.barWidth() * zoom_);
    const qint64 bottom = std::min(top + area.height(), look_.barHeight() * zoom_);
    if (right <= left || bottom <= top) {
        painter.fillRect(area, background);
        return;
    }
    const qint64 barLeft = left / zoom_;
    const qint64 barTop = top / zoom_;
    const int width = int((right + zoom_ - 1) / zoom_ - barLeft);
    const int height = int((bottom + zoom_ - 1) / zoom_ - barTop);
    const QImage image = render(barLeft, barTop, width, height);
    const QRect target(int(barLeft * zoom_ - offsetX()), int(barTop * zoom_ - offsetY()),
                       width * zoom_, height * zoom_);
    // Outside the bar: the background.
    const QRegion outside = QRegion(area).subtracted(QRegion(target));
    for (const QRect& r : outside)
        painter.fillRect(r, background);
    // Without smoothing every bar pixel stays a sharp square.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, image);
}

void BarView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void BarView::scrollContentsBy(int, int) {
    viewport()->update();
}

bool BarView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int k = buttonAt(help->pos());
        if (k > 0 && table_) {
            const QString link = table_->entry(ButtonField::Link, k);
            const QString frame = table_->entry(ButtonField::Frame, k);
            QToolTip::showText(help->globalPos(),
                               QStringLiteral("Button %1\nLink: %2\nTarget frame: %3")
                                   .arg(k)
                                   .arg(link.isEmpty() ? QStringLiteral("(none)") : link,
                                        frame.isEmpty() ? QStringLiteral("(none)") : frame),
                               viewport());
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    if (event->type() == QEvent::Leave)
        setHovered(0);
    return QAbstractScrollArea::viewportEvent(event);
}

void BarView::setHovered(int k) {
    if (k == hovered_)
        return;
    hovered_ = k;
    viewport()->update();
}

void BarView::mouseMoveEvent(QMouseEvent* event) {
    setHovered(buttonAt(event->position().toPoint()));
}

void BarView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    hovered_ = buttonAt(event->position().toPoint());
    pressed_ = hovered_;
    viewport()->update();
}

// A click selects the button in the editor instead of following its link.
void BarView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    const int k = buttonAt(event->position().toPoint());
    const bool clicked = k > 0 && k == pressed_;
    pressed_ = 0;
    hovered_ = k;
    viewport()->update();
    if (clicked) {
        setFocusedButton(k);
        emit buttonChosen(k);
    }
}

void BarView::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        const int steps = event->angleDelta().y();
        if (steps > 0)
            setZoom(zoom_ + 1);
        else if (steps < 0)
            setZoom(zoom_ - 1);
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void BarView::moveFocus(int step) {
    setFocusedButton(focused_ + step);
}

void BarView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        moveFocus(-1);
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
        moveFocus(+1);
        return;
    case Qt::Key_Space:
        if (!event->isAutoRepeat() && look_.buttonCount > 0) {
            keyPressed_ = focused_;
            viewport()->update();
            emit buttonChosen(focused_);
        }
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void BarView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        keyPressed_ = 0;
        viewport()->update();
        return;
    }
    QAbstractScrollArea::keyReleaseEvent(event);
}

void BarView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    announceFocus();
    viewport()->update();
}

void BarView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    keyPressed_ = 0;
    viewport()->update();
}

// A screen reader reads the bar's name when it gets the focus and again when
// the name changes: the name is always the focused button's.
void BarView::announceFocus() {
    setAccessibleName(buttonName(focused_));
    setAccessibleDescription(
        QStringLiteral("Button %1 of %2").arg(focused_).arg(look_.buttonCount));
    if (hasFocus()) {
        QAccessibleEvent named(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
    }
}

} // namespace brivane
