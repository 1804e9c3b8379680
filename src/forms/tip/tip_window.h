#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <memory>

namespace Ui {
class Ttip_window;
}

namespace brivane {

// The quick tip window: six centred lines on a white panel and an "Ok" button.
// It is shown without blocking the main window and stays above it; closing it
// only hides it, and the next tip shows it again.
class Ttip_window : public QDialog {
    Q_OBJECT

public:
    using Lines = std::array<QString, 6>;

    explicit Ttip_window(QWidget* parent = nullptr);
    ~Ttip_window() override;

    Ui::Ttip_window* controls() const { return ui.get(); }

    // Label1..Label6 from top to bottom; every line is set, an empty text
    // included, so nothing is left over from an earlier tip.
    void setLines(const Lines& lines);
    Lines lines() const;

    // Shows the window if hidden, brings it to the front with its text, and
    // gives the "Ok" button the focus.
    void showTip();

    void Button1Click();

    void setVisible(bool visible) override;

private:
    std::unique_ptr<Ui::Ttip_window> ui;
    bool placed_ = false;
};

} // namespace brivane
