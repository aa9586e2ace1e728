// Reads the XML panel description into the element tree.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <pugixml.hpp>

#include "panel/panel_object.h"
#include "platform/trace.h"

namespace panel {

namespace {

// Nesting deeper than this is not a front panel; such nodes are skipped so that a hostile
// description cannot exhaust the stack.
constexpr int kMaxDepth = 32;

int ParseInt(const char* text) {
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text) return 0;
    if (value > INT_MAX / 4) return INT_MAX / 4;
    if (value < INT_MIN / 4) return INT_MIN / 4;
    return static_cast<int>(value);
}

int PortStatusKeyword(const char* text) {
    static const char* const kKeywords[] = {"PORTLINK100", "PORTLINK10", "PORTDISABLED", "PORTENABLE", "PORTEMPTY"};
    for (int i = 0; i < kPortStatusCount; ++i)
        if (std::strcmp(text, kKeywords[i]) == 0) return i;
    return -1;
}

int LampStatusKeyword(const char* text) {
    if (std::strcmp(text, "LAMPON") == 0) return kLampOn;
    if (std::strcmp(text, "LAMP1G") == 0) return kLamp1G;
    if (std::strcmp(text, "LAMPOFF") == 0) return kLampOff;
    return -1;
}

int LampTypeKeyword(const char* text) {
    if (std::strcmp(text, "LINK") == 0) return kLampLink;
    if (std::strcmp(text, "S100M") == 0) return kLampS100M;
    if (std::strcmp(text, "POWER") == 0) return kLampPower;
    if (std::strcmp(text, "CONSOLE") == 0) return kLampConsole;
    return kLampUnknown;
}

void ApplyAttributes(const pugi::xml_node& node, CPanelObject& element) {
    if (auto a = node.attribute("ID")) {
        if (std::strcmp(a.value(), "0") != 0) element.m_strID = a.value();
    }
    element.m_iLeft = ParseInt(node.attribute("LEFT").value());
    element.m_iTop = ParseInt(node.attribute("TOP").value());
    element.m_iWidth = ParseInt(node.attribute("WIDTH").value());
    element.m_iHeight = ParseInt(node.attribute("HEIGHT").value());
    if (auto a = node.attribute("BMP")) element.m_strBmp = a.value();
    auto* port = dynamic_cast<CPort*>(&element);
    auto* lamp = dynamic_cast<CLamp*>(&element);
    auto* led = dynamic_cast<CLed*>(&element);
    if (auto a = node.attribute("STATUS")) {
        int status = port ? PortStatusKeyword(a.value()) : lamp ? LampStatusKeyword(a.value()) : -1;
        if (status >= 0) element.m_iStatus = status;
    }
    if (lamp) lamp->m_iType = LampTypeKeyword(node.attribute("TYPE").value());
    if (auto a = node.attribute("NAME")) element.m_strName = a.value();
    if (port) {
        static const char* const kNames[] = {"BMPLINK100", "BMPLINK10", "BMPDISABLE", "BMPENABLE", "BMPEMPTY"};
        for (int i = 0; i < kPortStatusCount; ++i)
            if (auto a = node.attribute(kNames[i])) port->m_strPictures[i] = a.value();
    }
    if (led) {
        for (int i = 0; i < 10; ++i) {
            std::string name = "BMP" + std::to_string(i);
            if (auto a = node.attribute(name.c_str())) led->m_strPictures[i] = a.value();
        }
    }
}

std::unique_ptr<CPanelObject> CreateElement(const char* name) {
    if (std::strcmp(name, "PANEL") == 0) return std::make_unique<CPanel>();
    if (std::strcmp(name, "PORT") == 0) return std::make_unique<CPort>();
    if (std::strcmp(name, "LAMP") == 0) return std::make_unique<CLamp>();
    if (std::strcmp(name, "SLOT") == 0) return std::make_unique<CSlot>();
    if (std::strcmp(name, "LED") == 0) return std::make_unique<CLed>();
    if (std::strcmp(name, "POWER") == 0) return std::make_unique<CPowerObject>();
    if (std::strcmp(name, "CONSOLE") == 0 || std::strcmp(name, "MASTER") == 0 || std::strcmp(name, "RPS") == 0 ||
        std::strcmp(name, "FAN") == 0)
        return std::make_unique<CCom>();
    return nullptr;
}

struct Builder {
    CDevModule& root;
    ModuleList& modules;
    PictureSource source;

    void ProcessChildren(const pugi::xml_node& node, CPanelObject* parent, int depth) {
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            // The top-level lists are processed on their own; a nested one would be built twice.
            if (std::strcmp(child.name(), "DEVICEPANEL") == 0 || std::strcmp(child.name(), "DEVICEMODULE") == 0)
                continue;
            ProcessNode(child, parent, depth + 1);
        }
    }

    void ProcessNode(const pugi::xml_node& node, CPanelObject* parent, int depth) {
        if (depth > kMaxDepth) return;
        const char* name = node.name();
        if (std::strcmp(name, "DEVICEPANEL") == 0) {
            ApplyAttributes(node, root);
            root.m_source = source;
            ProcessChildren(node, &root, depth);
            return;
        }
        if (std::strcmp(name, "DEVICEMODULE") == 0) {
            ProcessChildren(node, parent, depth);
            return;
        }
        if (std::strcmp(name, "MODULE") == 0) {
            auto module = std::make_unique<CModule>();
            ApplyAttributes(node, *module);
            module->m_source = source;
            CModule* raw = module.get();
            modules.push_back(std::move(module));
            ProcessChildren(node, raw, depth);
            return;
        }
        if (!parent) return;
        std::unique_ptr<CPanelObject> element = CreateElement(name);
        if (!element) return;
        ApplyAttributes(node, *element);
        if (auto* com = dynamic_cast<CCom*>(element.get())) com->m_strKind = name;
        element->m_source = source;
        CPanelObject* raw = element.get();
        parent->m_children.push_back(std::move(element));
        if (auto* lamp = dynamic_cast<CLamp*>(raw)) {
            if (auto* owner = dynamic_cast<CLampOwner*>(parent)) owner->m_lamps.push_back(lamp);
        }
        ProcessChildren(node, raw, depth);
    }
};

void LoadPictures(CPanelObject& element) {
    element.LoadPicture();
    for (auto& child : element.m_children) LoadPictures(*child);
}

}  // namespace

bool LoadPanelFromText(const std::string& text, const std::string& directory, CDevModule& root,
                       ModuleList& modules, IPictureLoader* loader) {
    root.Clear();
    modules.clear();
    pugi::xml_document doc;
    pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size());
    if (!parsed) {
        platform::Trace("panel description: %s at offset %td", parsed.description(), parsed.offset);
        return false;
    }
    pugi::xpath_node_set panels = doc.select_nodes("//DEVICEPANEL");
    if (panels.empty()) {
        platform::Trace("panel description: no DEVICEPANEL");
        return false;
    }
    Builder builder{root, modules, PictureSource{loader, directory}};
    for (const auto& item : panels) builder.ProcessNode(item.node(), &root, 0);
    for (const auto& item : doc.select_nodes("//DEVICEMODULE")) builder.ProcessNode(item.node(), &root, 0);
    LoadPictures(root);
    for (auto& module : modules) LoadPictures(*module);
    return true;
}

bool LoadPanel(const std::string& path, CDevModule& root, ModuleList& modules, IPictureLoader* loader) {
    root.Clear();
    modules.clear();
    std::string text;
    {
        FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) {
            platform::Trace("panel description %s cannot be opened", path.c_str());
            return false;
        }
        char buffer[8192];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            text.append(buffer, n);
            if (text.size() > (16u << 20)) break;  // no front panel is that large
        }
        std::fclose(file);
    }
    std::string directory;
    auto slash = path.find_last_of('/');
    if (slash != std::string::npos) directory = path.substr(0, slash == 0 ? 1 : slash);
    return LoadPanelFromText(text, directory, root, modules, loader);
}

}  // namespace panel
