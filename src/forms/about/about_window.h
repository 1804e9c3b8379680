#pragma once

#include "platform/platform.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class TAboutWindow;
}

namespace brivane {

// The maker's addresses. The link labels show the site and the mail address.
namespace weblinks {
inline const QString kSite = QStringLiteral("https://www.orlinde.example/");
inline const QString kHomePage = kSite + QStringLiteral("index.html");
inline const QString kDownloadPage = kSite + QStringLiteral("download.html");
inline const QString kMailAddress = QStringLiteral("info@orlinde.example");
inline const QString kMailLink = QStringLiteral("mailto:") + kMailAddress;
} // namespace weblinks

// Opens an address with the desktop's handler for it.
void openAddress(Platform& platform, const QString& address);

// The About window: program name, version and two links. It has no buttons; it
// closes through its title bar or through one of the links.
class TAboutWindow : public QDialog {
    Q_OBJECT

public:
    explicit TAboutWindow(Platform& platform, QWidget* parent = nullptr);
    ~TAboutWindow() override;

    Ui::TAboutWindow* controls() const { return ui.get(); }

    void Label1Click(); // the web site
    void Label2Click(); // a mail to the maker

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    std::unique_ptr<Ui::TAboutWindow> ui;
    Platform& platform_;
    bool placed_ = false;
};

} // namespace brivane
