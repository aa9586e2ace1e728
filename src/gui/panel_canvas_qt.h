#pragma once
// The panel's drawing interfaces over Qt: pictures as QImage, a canvas over QPainter.
#include <QImage>
#include <QPainter>

#include "panel/panel_canvas.h"

namespace gui {

class QtPicture : public panel::IPicture {
public:
    explicit QtPicture(QImage image) : image_(std::move(image)) {}
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    const QImage& image() const { return image_; }

private:
    QImage image_;
};

class QtPictureLoader : public panel::IPictureLoader {
public:
    std::shared_ptr<panel::IPicture> LoadFile(const std::string& path) override;
    std::shared_ptr<panel::IPicture> LoadEncoded(const std::vector<std::uint8_t>& bytes) override;
};

class QtPanelCanvas : public panel::IPanelCanvas {
public:
    explicit QtPanelCanvas(QPainter& painter) : painter_(painter) {}
    void DrawPicture(const panel::IPicture& picture, int x, int y) override;
    void DrawStretched(const panel::IPicture& picture, const panel::Rect& target) override;

private:
    QPainter& painter_;
};

}  // namespace gui
