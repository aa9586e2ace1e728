#include "panel/bitmap_store.h"

namespace panel {

bool CMyBitmapApp::LoadBitmapResource(IPictureLoader& loader, int resource) {
    const std::vector<std::uint8_t>* bytes = FindResourcePicture(resource);
    if (!bytes) return false;
    std::shared_ptr<IPicture> picture = loader.LoadEncoded(*bytes);
    if (!picture) return false;
    for (Entry& entry : m_pictures) {
        if (entry.resource == resource) {
            entry.picture = std::move(picture);
            return true;
        }
    }
    m_pictures.push_back({resource, std::move(picture)});
    return true;
}

const IPicture* CMyBitmapApp::Find(int resource) const {
    for (const Entry& entry : m_pictures)
        if (entry.resource == resource) return entry.picture.get();
    return nullptr;
}

void CMyBitmapApp::DrawBitmap(IPanelCanvas& canvas, int resource, int x, int y) const {
    if (const IPicture* picture = Find(resource)) canvas.DrawPicture(*picture, x, y);
}

}  // namespace panel
