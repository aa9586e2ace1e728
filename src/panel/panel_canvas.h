#pragma once
// The drawing side of the panel, kept abstract so that the element tree, the poller and the
// painter stay free of any window system. The Qt front end implements these over QImage and
// QPainter; tests record the calls.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace panel {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// A loaded picture. Only its size is visible here; the canvas knows how to draw it.
class IPicture {
public:
    virtual ~IPicture() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

class IPanelCanvas {
public:
    virtual ~IPanelCanvas() = default;
    // Copies the whole picture unscaled with its top-left corner at (x, y).
    virtual void DrawPicture(const IPicture& picture, int x, int y) = 0;
    // Stretches the picture over `target`.
    virtual void DrawStretched(const IPicture& picture, const Rect& target) = 0;
};

class IPictureLoader {
public:
    virtual ~IPictureLoader() = default;
    // A picture file (PNG or BMP). Null when it cannot be read or decoded.
    virtual std::shared_ptr<IPicture> LoadFile(const std::string& path) = 0;
    // An encoded picture held in memory (the compiled-in resources). Null when undecodable.
    virtual std::shared_ptr<IPicture> LoadEncoded(const std::vector<std::uint8_t>& bytes) = 0;
};

enum class PanelCursor { Arrow, Port };

class CPort;

// What the elements need from the window they live in: the pointer shape and port clicks.
class IPanelWindow {
public:
    virtual ~IPanelWindow() = default;
    virtual void SetPanelCursor(PanelCursor cursor) = 0;
    // A click inside a port's inner rectangle.
    virtual void OnPortClicked(CPort& port) = 0;
};

}  // namespace panel
