#include "panel/panel_object.h"

namespace panel {

std::shared_ptr<IPicture> PictureSource::Load(const std::string& name) const {
    if (!loader || name.empty()) return nullptr;
    if (name.front() == '/' || directory.empty()) return loader->LoadFile(name);
    return loader->LoadFile(directory + "/" + name);
}

bool CPanelObject::InnerContains(int x, int y) const {
    // Scale from the reference size to the client size; both come from the same rectangle,
    // so the factor is 1 unless a window has not been given yet (then no scaling).
    auto scale = [](int value, int client, int reference) {
        return reference > 0 ? static_cast<int>(static_cast<long long>(value) * client / reference) : value;
    };
    const int cw = m_rcClient.Width(), ch = m_rcClient.Height();
    const int left = scale(m_iLeft + 2, cw, m_iRefWidth);
    const int right = scale(m_iLeft + m_iWidth - 2, cw, m_iRefWidth);
    const int top = scale(m_iTop + 2, ch, m_iRefHeight);
    const int bottom = scale(m_iTop + m_iHeight - 2, ch, m_iRefHeight);
    return x > left && x < right && y > top && y < bottom;
}

void CPanelObject::OnMouseMove(int x, int y) {
    if (m_pWindow && InnerContains(x, y)) m_pWindow->SetPanelCursor(PanelCursor::Arrow);
}

void CPanelObject::LoadPicture() { m_pPicture = m_source.Load(m_strBmp); }

void CPanelObject::Draw(IPanelCanvas& canvas) {
    if (m_pPicture) canvas.DrawPicture(*m_pPicture, m_iLeft, m_iTop);
}

void CPanelObject::OnLButtonDown(int, int) {}

void CPanelObject::SetStatus(int status) {
    if (status == m_iStatus) return;
    m_iStatus = status;
    m_bChanged = true;
}

void CDevModule::OnMouseMove(int x, int y) {
    for (auto& child : m_children) child->OnMouseMove(x, y);
}

void CDevModule::OnLButtonDown(int x, int y) {
    for (auto& child : m_children) child->OnLButtonDown(x, y);
}

void CDevModule::Clear() {
    m_children.clear();
    m_strID.clear();
    m_strName.clear();
    m_iLeft = m_iTop = m_iWidth = m_iHeight = 0;
    m_iStatus = -1;
    m_bChanged = false;
    m_strBmp.clear();
    m_pPicture.reset();
}

void CLed::LoadPicture() {
    const std::string* name = &m_strBmp;
    if (m_iStatus >= 0 && m_iStatus < static_cast<int>(m_strPictures.size()) && !m_strPictures[m_iStatus].empty())
        name = &m_strPictures[m_iStatus];
    m_pPicture = m_source.Load(*name);
}

void CPort::OnMouseMove(int x, int y) {
    if (m_pWindow && InnerContains(x, y)) m_pWindow->SetPanelCursor(PanelCursor::Port);
}

void CPort::OnLButtonDown(int x, int y) {
    if (m_pWindow && InnerContains(x, y)) m_pWindow->OnPortClicked(*this);
}

int LampStatusForPort(int portStatus, int lampType) {
    const bool linkLamp = lampType == kLampLink || lampType == kLampS100M;
    if (portStatus == kPortLinkLower) return linkLamp ? kLampOn : kLampOff;
    if (portStatus == kPortLinkTop) return linkLamp ? kLamp1G : kLampOff;
    return kLampOff;
}

void CPort::SetStatus(int status) {
    if (status == m_iStatus) return;
    m_iStatus = status;
    m_bChanged = true;
    LoadPicture();
    for (CLamp* lamp : m_lamps) lamp->SetStatus(LampStatusForPort(status, lamp->m_iType));
}

int PortPictureIndex(int status, bool poeDisplay) {
    if (poeDisplay && status == kPortDisabled) return kPortEnabled;
    return status;
}

void CPort::LoadPicture() {
    const std::string* name = &m_strBmp;
    const int picture = PortPictureIndex(m_iStatus, m_bPoeDisplay);
    if (picture >= 0 && picture < kPortStatusCount && !m_strPictures[picture].empty())
        name = &m_strPictures[picture];
    m_pPicture = m_source.Load(*name);
}

void CPort::SetPoeDisplay(bool on) {
    if (on == m_bPoeDisplay) return;
    m_bPoeDisplay = on;
    // Only a status whose picture differs between the two displays needs a reload.
    if (PortPictureIndex(m_iStatus, true) == PortPictureIndex(m_iStatus, false)) return;
    m_bChanged = true;
    LoadPicture();
}

CPanelObject* FindElement(const CPanelObject& root, const std::string& className, int n) {
    if (n < 0) return nullptr;
    for (auto& child : root.m_children) {
        if (className == child->ClassName() && n-- == 0) return child.get();
    }
    return nullptr;
}

CPort* FindPort(const CPanelObject& root, int n) {
    return static_cast<CPort*>(FindElement(root, "CPort", n));
}

Rect GetRect(const CPanelObject& element) { return element.GetRect(); }

void SetStatus(CPanelObject* element, int status) {
    if (element) element->SetStatus(status);
}

void SetWindow(CPanelObject& root, IPanelWindow* window, const Rect& client) {
    root.m_pWindow = window;
    root.m_rcClient = client;
    root.m_iRefWidth = client.Width();
    root.m_iRefHeight = client.Height();
    for (auto& child : root.m_children) SetWindow(*child, window, client);
}

void RedrawChanged(CPanelObject& root, IPanelCanvas& canvas) {
    for (auto& child : root.m_children) {
        if (child->m_bChanged) {
            child->Draw(canvas);
            child->m_bChanged = false;
        }
        RedrawChanged(*child, canvas);
    }
}

namespace {
void ResetPortsOf(CPanelObject& parent) {
    int portNumber = 0;
    for (auto& child : parent.m_children) {
        if (std::string("CPort") != child->ClassName()) continue;
        ++portNumber;
        if (portNumber <= 48)
            child->SetStatus(kPortEnabled);
        else if (portNumber <= 52)
            child->SetStatus(kPortEmpty);
    }
}
}  // namespace

void ResetAllPorts(CPanelObject& root, ModuleList& modules) {
    ResetPortsOf(root);
    for (auto& module : modules) ResetPortsOf(*module);
}

}  // namespace panel
