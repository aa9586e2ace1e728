#include "gui/panel_canvas_qt.h"

namespace gui {

std::shared_ptr<panel::IPicture> QtPictureLoader::LoadFile(const std::string& path) {
    QImage image(QString::fromStdString(path));
    if (image.isNull()) return nullptr;
    return std::make_shared<QtPicture>(std::move(image));
}

std::shared_ptr<panel::IPicture> QtPictureLoader::LoadEncoded(const std::vector<std::uint8_t>& bytes) {
    QImage image = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()));
    if (image.isNull()) return nullptr;
    return std::make_shared<QtPicture>(std::move(image));
}

void QtPanelCanvas::DrawPicture(const panel::IPicture& picture, int x, int y) {
    painter_.drawImage(QPoint(x, y), static_cast<const QtPicture&>(picture).image());
}

void QtPanelCanvas::DrawStretched(const panel::IPicture& picture, const panel::Rect& target) {
    painter_.drawImage(QRect(target.left, target.top, target.Width(), target.Height()),
                       static_cast<const QtPicture&>(picture).image());
}

}  // namespace gui
