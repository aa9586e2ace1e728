#pragma once
// Test doubles for the panel: pictures that know their name, a loader that finds them on disk
// or in a list, a canvas that records what is drawn, and a window that records cursor and clicks.
#include <sys/stat.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "panel/bitmap_store.h"
#include "panel/panel_canvas.h"
#include "panel/panel_object.h"

namespace paneltest {

struct FakePicture : panel::IPicture {
    explicit FakePicture(std::string n, int w = 8, int h = 4) : name(std::move(n)), w(w), h(h) {}
    int Width() const override { return w; }
    int Height() const override { return h; }
    std::string name;
    int w, h;
};

inline std::string BaseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class FakeLoader : public panel::IPictureLoader {
public:
    // onDisk: only existing files load; otherwise every name loads except those in `missing`.
    explicit FakeLoader(bool onDisk = false) : onDisk_(onDisk) {}
    std::shared_ptr<panel::IPicture> LoadFile(const std::string& path) override {
        ++fileLoads;
        requested.push_back(path);
        if (onDisk_) {
            struct stat st {};
            if (stat(path.c_str(), &st) != 0) {
                failed.push_back(path);
                return nullptr;
            }
        }
        if (missing.count(BaseName(path))) return nullptr;
        return std::make_shared<FakePicture>(BaseName(path));
    }
    std::shared_ptr<panel::IPicture> LoadEncoded(const std::vector<std::uint8_t>& bytes) override {
        for (int n : panel::kPanelResources) {
            const auto* known = panel::FindResourcePicture(n);
            if (known && *known == bytes) return std::make_shared<FakePicture>("res" + std::to_string(n));
        }
        return nullptr;
    }
    int fileLoads = 0;
    std::vector<std::string> requested;
    std::vector<std::string> failed;
    std::set<std::string> missing;

private:
    bool onDisk_;
};

struct Drawn {
    std::string name;
    int x, y;
    bool operator==(const Drawn&) const = default;
};

class RecordingCanvas : public panel::IPanelCanvas {
public:
    void DrawPicture(const panel::IPicture& picture, int x, int y) override {
        draws.push_back({static_cast<const FakePicture&>(picture).name, x, y});
    }
    void DrawStretched(const panel::IPicture& picture, const panel::Rect& target) override {
        draws.push_back({"stretch:" + static_cast<const FakePicture&>(picture).name, target.left, target.top});
    }
    // The pictures drawn at (x, y), in order.
    std::vector<std::string> At(int x, int y) const {
        std::vector<std::string> out;
        for (auto& d : draws)
            if (d.x == x && d.y == y) out.push_back(d.name);
        return out;
    }
    int Count(const std::string& name) const {
        int n = 0;
        for (auto& d : draws) n += d.name == name;
        return n;
    }
    std::vector<Drawn> draws;
};

class FakeWindow : public panel::IPanelWindow {
public:
    void SetPanelCursor(panel::PanelCursor c) override { cursors.push_back(c); }
    void OnPortClicked(panel::CPort& port) override { clicked.push_back(&port); }
    std::vector<panel::PanelCursor> cursors;
    std::vector<panel::CPort*> clicked;
};

// A description with `ports` copper ports and `twins` fibre twins, each port 20x16 with its LINK
// lamp (8x4) as first child; port i at x = 100 + 30 * i, y = 20, lamp at (x + 2, 10).
inline std::string SyntheticPanel(int ports, int twins, const std::string& extra = "") {
    std::string xml = "<DEVICEPANEL LEFT=\"0\" TOP=\"0\" WIDTH=\"900\" HEIGHT=\"80\" BMP=\"back.png\">\n" + extra;
    for (int i = 0; i < ports + twins; ++i) {
        const int x = 100 + 30 * i;
        xml += "<PORT ID=\"" + std::to_string(i + 1) + "\" LEFT=\"" + std::to_string(x) +
               "\" TOP=\"20\" WIDTH=\"20\" HEIGHT=\"16\" BMP=\"p.png\" BMPLINK100=\"lower.png\" BMPLINK10=\"top.png\" "
               "BMPDISABLE=\"dis.png\" BMPENABLE=\"en.png\" BMPEMPTY=\"empty.png\">"
               "<LAMP LEFT=\"" + std::to_string(x + 2) + "\" TOP=\"10\" WIDTH=\"8\" HEIGHT=\"4\" TYPE=\"LINK\"/></PORT>\n";
    }
    return xml + "</DEVICEPANEL>\n";
}

inline int StatusOf(const panel::CDevModule& root, int element) {
    const panel::CPort* port = panel::FindPort(root, element);
    return port ? port->m_iStatus : -99;
}

inline std::string PictureName(const panel::CPanelObject* element) {
    if (!element || !element->m_pPicture) return {};
    return static_cast<const FakePicture&>(*element->m_pPicture).name;
}

}  // namespace paneltest
