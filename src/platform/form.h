#pragma once
// The dialog form model: an ordered list of controls with their state and handlers, free of any
// window system. A dialog is one class that derives from Form (or owns one): it builds its
// controls in createControls(), reads the device in initDialog(), reacts in its handlers and
// closes its sessions in destroyWindow(). The Qt front end renders any Form as a modal dialog;
// tests drive the same Form without a display (HeadlessFormHost, the dialog driver).
//
// Everything here runs on the UI thread. Walk callbacks reach a form through ui().post.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "platform/row_store.h"

namespace platform {

class Form;
class GroupBox;

// Dialog results and the two standard button identifiers.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

enum class ControlKind { Label, Edit, Check, Radio, Combo, IpAddress, List, Button, Progress, Group, PortGrid };
const char* KindName(ControlKind kind);

// What changed on a control; the renderer refreshes only that aspect. Focus: the program gave
// the control the keyboard focus (Form::setFocus).
enum class Change { Text, Enabled, Visible, State, Items, Layout, Focus };

class Control {
public:
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    int id() const { return id_; }
    const std::string& name() const { return name_; }
    ControlKind kind() const { return kind_; }
    Form& form() const { return *form_; }
    GroupBox* group() const { return group_; }

    // The caption of labels, buttons, boxes and groups; the contents of edit boxes.
    const std::string& text() const { return text_; }
    virtual void setText(std::string text);

    // Enabled as the program asked, and not held back by the form's reads (needsRead).
    bool enabled() const;
    void setEnabled(bool on);
    // This control writes (or decides on) values read from the switch: it stays disabled while
    // any of the named reads (every read of the form when none is named) has not ended
    // complete, whatever setEnabled says.
    Control& needsRead(std::vector<std::string> reads = {});
    bool heldByReads() const;
    bool visible() const { return visible_; }
    void setVisible(bool on);
    // Enabled and visible, and so is the group that holds it: the user can reach it.
    bool usable() const;
    // The user can reach it and it is a field or button: not a caption, a frame, a progress bar
    // or a read-only box.
    bool takesFocus() const;

    // Layout: by default a control starts a new line, except right after a label, where it
    // joins the label's line. sameLine(true) keeps a control on the line before it.
    bool onSameLine() const { return sameLine_; }
    Control& sameLine(bool on = true) { sameLine_ = on; return *this; }
    // Preferred width in pixels, 0 = the renderer's choice.
    int width() const { return width_; }
    Control& setWidth(int px) { width_ = px; return *this; }
    Control& setName(std::string name) { name_ = std::move(name); return *this; }

protected:
    Control(Form& form, GroupBox* group, ControlKind kind, int id, std::string text);
    void notify(Change what);

    std::string text_;

private:
    friend class Form;
    Form* form_;
    GroupBox* group_;
    ControlKind kind_;
    int id_;
    std::string name_;
    bool enabled_ = true;
    bool visible_ = true;
    bool sameLine_ = false;
    int width_ = 0;
    bool needsRead_ = false;
    std::vector<std::string> reads_;  // needsRead's names; empty: all of the form's reads
};

class Label : public Control {
public:
    Label(Form& form, GroupBox* group, int id, std::string text);
};

class EditBox : public Control {
public:
    EditBox(Form& form, GroupBox* group, int id, std::string text);
    // 0 = no limit. Typing past the limit is cut, as a limited edit box does.
    int maxLength() const { return maxLength_; }
    EditBox& setMaxLength(int chars) { maxLength_ = chars; notify(Change::Layout); return *this; }
    bool digitsOnly() const { return digitsOnly_; }
    EditBox& setDigitsOnly(bool on = true) { digitsOnly_ = on; notify(Change::Layout); return *this; }
    bool readOnly() const { return readOnly_; }
    EditBox& setReadOnly(bool on = true) { readOnly_ = on; notify(Change::Layout); return *this; }
    bool password() const { return password_; }
    EditBox& setPassword(bool on = true) { password_ = on; notify(Change::Layout); return *this; }
    // Lines shown at once: above 1 the text wraps over that many lines and scrolls beyond them.
    int lines() const { return lines_; }
    EditBox& setLines(int lines) { lines_ = lines < 1 ? 1 : lines; notify(Change::Layout); return *this; }

    // Called after the user changed the text (not after setText).
    EditBox& onChange(std::function<void()> fn) { onChange_ = std::move(fn); return *this; }
    // User input: applies the digits filter and the length limit, stores, then runs onChange.
    void userSetText(std::string_view typed);

private:
    int maxLength_ = 0;
    bool digitsOnly_ = false;
    bool readOnly_ = false;
    bool password_ = false;
    int lines_ = 1;
    std::function<void()> onChange_;
};

class CheckBox : public Control {
public:
    CheckBox(Form& form, GroupBox* group, int id, std::string text);
    bool checked() const { return checked_; }
    void setChecked(bool on);
    // Called after the user toggled the box.
    CheckBox& onToggle(std::function<void()> fn) { onToggle_ = std::move(fn); return *this; }
    void userSetChecked(bool on);

private:
    bool checked_ = false;
    std::function<void()> onToggle_;
};

// Radio buttons with the same group number in one form exclude each other.
class RadioButton : public Control {
public:
    RadioButton(Form& form, GroupBox* group, int id, std::string text, int radioGroup);
    int radioGroup() const { return radioGroup_; }
    bool checked() const { return checked_; }
    void setChecked(bool on);  // checking one clears the others of its group
    RadioButton& onSelect(std::function<void()> fn) { onSelect_ = std::move(fn); return *this; }
    void userSelect();

private:
    int radioGroup_;
    bool checked_ = false;
    std::function<void()> onSelect_;
};

// A drop-down list. Non-editable: text() is the current item's text. Editable: text() is what
// the edit part holds (choosing an item copies it there).
class ComboBox : public Control {
public:
    ComboBox(Form& form, GroupBox* group, int id, std::vector<std::string> items, bool editable);
    const std::vector<std::string>& items() const { return items_; }
    void setItems(std::vector<std::string> items);  // selection becomes -1
    void addItem(std::string item);
    void clearItems() { setItems({}); }
    int count() const { return static_cast<int>(items_.size()); }
    int current() const { return current_; }
    void setCurrent(int index);  // -1 = none; out of range also clears
    // Index of the first item equal to text, -1 if none.
    int findItem(std::string_view text) const;
    bool editable() const { return editable_; }
    void setText(std::string text) override;

    ComboBox& onChange(std::function<void()> fn) { onChange_ = std::move(fn); return *this; }
    void userSelect(int index);
    void userSetText(std::string_view typed);  // editable combos only

private:
    std::vector<std::string> items_;
    int current_ = -1;
    bool editable_;
    std::function<void()> onChange_;
};

// The IPv4 address field: four octet fields, each blank or 0..255.
class IpAddressField : public Control {
public:
    IpAddressField(Form& form, GroupBox* group, int id);
    const std::optional<int>& octet(int i) const { return octets_.at(static_cast<size_t>(i)); }
    int filledCount() const;
    bool complete() const { return filledCount() == 4; }
    bool blank() const { return filledCount() == 0; }
    // "a.b.c.d"; blank fields read as 0.
    std::string address() const;
    // Accepts "a.b.c.d" (a field may be empty: "10..0.1"); anything unreadable clears the field.
    void setAddress(std::string_view text);
    void setOctets(std::optional<int> a, std::optional<int> b, std::optional<int> c, std::optional<int> d);
    void clear();
    void setText(std::string text) override { setAddress(text); }

    IpAddressField& onChange(std::function<void()> fn) { onChange_ = std::move(fn); return *this; }
    // User input in field i: digits only, at most 3, above 255 becomes 255, empty = blank.
    void userSetOctet(int i, std::string_view typed);
    void userSetAddress(std::string_view text);

private:
    void syncText();
    std::array<std::optional<int>, 4> octets_;
    std::function<void()> onChange_;
};

// A report-style list: column headings and rows of cell texts in the order they were added.
// The renderer may sort its view; row numbers here are always this order.
class ReportList : public Control {
public:
    enum class Align { Left, Center, Right };
    struct Column {
        std::string heading;
        int width = 100;
        Align align = Align::Left;
    };
    // Renderer hooks for row traffic (the generic observer sees Change::State for selection).
    class RowObserver {
    public:
        virtual ~RowObserver() = default;
        virtual void rowsAppended(ReportList& list, int first, int count) = 0;
        virtual void rowChanged(ReportList& list, int row) = 0;
        virtual void rowRemoved(ReportList& list, int row) = 0;
        virtual void rowsCleared(ReportList& list) = 0;
        virtual void columnsChanged(ReportList& list) = 0;
    };

    ReportList(Form& form, GroupBox* group, int id, std::string caption);

    const std::vector<Column>& columns() const { return columns_; }
    void setColumns(std::vector<Column> columns);
    void addColumn(std::string heading, int width = 100, Align align = Align::Left);
    int columnCount() const { return static_cast<int>(columns_.size()); }

    ~ReportList() override;

    int rowCount() const { return rows_.size(); }
    std::vector<std::string> row(int r) const { return rows_.cells(r); }
    // Cell text; empty for a column the row does not have.
    std::string cell(int r, int c) const { return std::string(rows_.cell(r, c)); }
    // The same without a copy, valid until the list next changes.
    std::string_view cellView(int r, int c) const { return rows_.cell(r, c); }
    // Appends a row (cells beyond the columns are kept but not shown); returns its number.
    int appendRow(std::vector<std::string> cells);
    void setCell(int r, int c, std::string text);
    void setRow(int r, std::vector<std::string> cells);
    void removeRow(int r);
    void clear();
    // Row number of the first row whose cell c equals text, -1 if none.
    int findRow(int c, std::string_view text) const;

    int selectedRow() const { return selected_; }
    void setSelectedRow(int r);  // -1 = none
    bool fullRowSelect() const { return fullRowSelect_; }
    ReportList& setFullRowSelect(bool on = true) { fullRowSelect_ = on; return *this; }
    bool gridLines() const { return gridLines_; }
    ReportList& setGridLines(bool on = true) { gridLines_ = on; return *this; }
    int visibleRows() const { return visibleRows_; }
    ReportList& setVisibleRows(int rows) { visibleRows_ = rows; return *this; }

    // Handlers get the model row number. Click: a row was clicked (also when already selected).
    ReportList& onRowClick(std::function<void(int)> fn) { onRowClick_ = std::move(fn); return *this; }
    ReportList& onRowDoubleClick(std::function<void(int)> fn) { onRowDoubleClick_ = std::move(fn); return *this; }
    ReportList& onSelectionChange(std::function<void(int)> fn) { onSelChange_ = std::move(fn); return *this; }
    // The button a double click on a row, or Enter on the selected row, stands for (0 = none).
    // The row is selected, then the button is clicked as the user would click it, so nothing
    // happens while the button is disabled or hidden (a walk still filling the list, editing
    // not allowed). Prefer this to a double-click handler that calls the button's handler.
    ReportList& setActivateButton(int buttonId) { activateButton_ = buttonId; return *this; }
    int activateButton() const { return activateButton_; }
    void userClickRow(int r);        // selects r (or nothing for -1), then the click handler
    // Selects r, then the double-click handler, then the activation button (r >= 0 only).
    void userDoubleClickRow(int r);
    // Enter on the list: the activation button when a row is selected and the list has one.
    // False when the list has no activation button (the key then goes to the dialog).
    bool userActivate();
    void userSelectRow(int r);       // selection only (keyboard)

    // Tab-separated text of the given rows, one line each, in the order given.
    std::string rowsAsText(const std::vector<int>& rows) const;

    void addRowObserver(RowObserver* o) { rowObservers_.push_back(o); }
    void removeRowObserver(RowObserver* o);

private:
    void clickActivateButton();

    std::vector<Column> columns_;
    // A list that held this much hands its freed memory back to the system when it empties.
    static constexpr std::size_t kReleaseBytes = 4u << 20;
    void releaseIfLarge(std::size_t held);

    RowStore rows_;
    int selected_ = -1;
    bool fullRowSelect_ = true;
    bool gridLines_ = false;
    int visibleRows_ = 0;
    int activateButton_ = 0;
    std::function<void(int)> onRowClick_, onRowDoubleClick_, onSelChange_;
    std::vector<RowObserver*> rowObservers_;
};

class PushButton : public Control {
public:
    PushButton(Form& form, GroupBox* group, int id, std::string text);
    PushButton& onClick(std::function<void()> fn) { onClick_ = std::move(fn); return *this; }
    bool hasHandler() const { return static_cast<bool>(onClick_); }
    // The button Enter presses.
    bool isDefault() const { return default_; }
    PushButton& setDefault(bool on = true) { default_ = on; notify(Change::Layout); return *this; }
    // A click by the user: nothing when the button cannot be reached. Without a handler,
    // kIdOk ends the form with kIdOk and kIdCancel with kIdCancel.
    void userClick();

private:
    std::function<void()> onClick_;
    bool default_ = false;
};

class ProgressBar : public Control {
public:
    ProgressBar(Form& form, GroupBox* group, int id);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    int position() const { return pos_; }
    void setRange(int lo, int hi);
    void setPosition(int pos);  // kept within the range

private:
    int min_ = 0, max_ = 100, pos_ = 0;
};

// A grid of per-port cells, ports numbered from 1, each port under a label with its number.
// Layers: one row of cells per layer (e.g. "Tag Ports:", "Untag Ports:", "Not Member:").
// Ports are wrapped into blocks of portsPerRow (0 = all in one block).
// Cell kinds: check boxes (independent), radio (the layers of one port exclude each other)
// and edit boxes (one text per port and layer).
class PortGrid : public Control {
public:
    enum class CellKind { Check, Radio, Edit };
    PortGrid(Form& form, GroupBox* group, int id, std::string caption, CellKind cells, int ports,
             std::vector<std::string> layerCaptions, int portsPerRow);

    CellKind cellKind() const { return cellKind_; }
    int portCount() const { return ports_; }
    int layerCount() const { return static_cast<int>(layers_.size()); }
    const std::string& layerCaption(int layer) const { return layers_.at(static_cast<size_t>(layer)); }
    int portsPerRow() const { return perRow_; }
    // Edit cells: the length limit and digits filter of every box.
    PortGrid& setCellMaxLength(int chars) { maxLength_ = chars; return *this; }
    int cellMaxLength() const { return maxLength_; }
    PortGrid& setCellDigitsOnly(bool on = true) { digitsOnly_ = on; return *this; }
    bool cellDigitsOnly() const { return digitsOnly_; }

    // Ports are 1..portCount(); layers 0..layerCount()-1.
    bool checked(int layer, int port) const { return cell(layer, port).checked; }
    void setChecked(int layer, int port, bool on);  // radio cells: checking clears the other layers
    // Radio cells: the checked layer of a port, -1 when none.
    int selectedLayer(int port) const;
    const std::string& cellText(int layer, int port) const { return cell(layer, port).text; }
    void setCellText(int layer, int port, std::string text);
    bool cellEnabled(int layer, int port) const { return cell(layer, port).enabled; }
    void setCellEnabled(int layer, int port, bool on);
    void setPortEnabled(int port, bool on);  // every layer of the port

    // Called after user input with (layer, port). Check and radio cells hold the new state.
    PortGrid& onCellChange(std::function<void(int, int)> fn) { onCell_ = std::move(fn); return *this; }
    // User input. Check: sets the state. Radio: checking a checked cell changes nothing and
    // calls no handler; otherwise the cell is checked and the other layers cleared. Nothing
    // happens on a disabled cell.
    void userSetChecked(int layer, int port, bool on);
    void userSetCellText(int layer, int port, std::string_view typed);

    // The renderer learns which cell changed (Change::State on the grid follows).
    int lastChangedLayer() const { return lastLayer_; }
    int lastChangedPort() const { return lastPort_; }

private:
    struct Cell {
        bool checked = false;
        bool enabled = true;
        std::string text;
    };
    Cell& cell(int layer, int port);
    const Cell& cell(int layer, int port) const;
    void cellChanged(int layer, int port);

    CellKind cellKind_;
    int ports_;
    std::vector<std::string> layers_;
    int perRow_;
    int maxLength_ = 0;
    bool digitsOnly_ = false;
    std::vector<Cell> cells_;  // layer-major
    std::function<void(int, int)> onCell_;
    int lastLayer_ = -1, lastPort_ = -1;
};

// Builds controls into a form or a group box, in order.
class Container {
public:
    Label& addLabel(int id, std::string text);
    EditBox& addEdit(int id, std::string text = {});
    CheckBox& addCheck(int id, std::string text);
    RadioButton& addRadio(int id, std::string text, int radioGroup);
    ComboBox& addCombo(int id, std::vector<std::string> items = {}, bool editable = false);
    IpAddressField& addIpAddress(int id);
    ReportList& addList(int id, std::string caption = {}, std::vector<ReportList::Column> columns = {});
    PushButton& addButton(int id, std::string text, std::function<void()> onClick = {});
    ProgressBar& addProgress(int id);
    GroupBox& addGroup(int id, std::string caption);
    PortGrid& addPortGrid(int id, std::string caption, PortGrid::CellKind cells, int ports,
                          std::vector<std::string> layerCaptions, int portsPerRow = 0);
    // Children of this container in order.
    const std::vector<Control*>& children() const { return children_; }

protected:
    Container(Form& form, GroupBox* group) : owner_(&form), group_(group) {}
    ~Container() = default;

private:
    template <class T, class... Args>
    T& make(Args&&... args);
    Form* owner_;
    GroupBox* group_;
    std::vector<Control*> children_;
};

class GroupBox : public Control, public Container {
public:
    GroupBox(Form& form, GroupBox* group, int id, std::string caption);
};

// Observer of a form, for the renderer: model → widget.
class FormObserver {
public:
    virtual ~FormObserver() = default;
    virtual void controlChanged(Control& control, Change what) = 0;
    virtual void formChanged(Form& form) = 0;  // caption, size, topmost
    virtual void formEnded(Form& form, int result) = 0;
};

// Runs forms modally. The Qt front end shows a real dialog; tests install HeadlessFormHost.
class FormHost {
public:
    virtual ~FormHost() = default;
    // Builds and initialises the form, runs it until it ends, destroys it; returns its result.
    virtual int runModal(Form& form) = 0;
};
FormHost& formHost();
void setFormHost(FormHost* host);

// Shows the wait cursor for its lifetime.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

class Form : public Container {
public:
    Form();
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // ---- Form-level attributes
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    int width() const { return width_; }
    int height() const { return height_; }
    void setSize(int w, int h);  // 0 = the renderer's choice
    bool topmost() const { return topmost_; }
    void setTopmost(bool on) { topmost_ = on; notifyForm(); }
    int iconId() const { return iconId_; }
    void setIconId(int id) { iconId_ = id; }

    // ---- Controls
    const std::vector<std::unique_ptr<Control>>& allControls() const { return controls_; }
    Control* find(int id) const;  // first control with the id
    // First control whose name equals key, else whose text equals key, else whose text
    // without '&' mnemonics equals key.
    Control* find(std::string_view key) const;
    // The control that follows the given one in its container (the field after a label).
    Control* next(const Control& c) const;
    template <class T>
    T& get(int id) const { return checked<T>(find(id), std::to_string(id)); }
    template <class T>
    T& get(std::string_view key) const { return checked<T>(find(key), std::string(key)); }
    // Enables or disables several controls by id.
    void enable(std::initializer_list<int> ids, bool on);

    // ---- Keyboard focus
    // Gives the control the focus, as after a refused input: an address field puts it in its
    // first blank field, selectAll selects the text of an edit box or editable drop-down.
    // False, and the focus stays where it was, when the control cannot take the focus.
    bool setFocus(Control& control, bool selectAll = false);
    // The control that has the focus, or null (none yet, or it can no longer take it).
    Control* focused() const;
    // True while the focused control's text is selected by setFocus and the user has not moved
    // the focus or typed since.
    bool focusSelectsAll() const { return focused() != nullptr && focusSelectsAll_; }
    // The user moved the focus (a click, Tab, typing); null when it left the form's controls.
    // The renderer reports it; it does not call back.
    void userFocus(Control* control);

    // ---- Lifecycle (driven by the host)
    // Builds the controls once (createControls).
    void build();
    // build(), then the initialisation step (initDialog). Once.
    void open();
    // Ends the modal run with a result. The host then destroys the form. While a write is under
    // way, the form ends once it is over.
    void end(int result);
    // The user closed the window (Esc, the close box): runs the kIdCancel button's handler
    // when there is one, otherwise ends with kIdCancel. Nothing while a write is under way.
    void requestClose();
    // The window-destruction step: stops the form's timers and runs destroyWindow. Once.
    void destroy();
    bool built() const { return built_; }
    bool opened() const { return opened_; }
    bool ended() const { return ended_; }
    bool destroyed() const { return destroyed_; }
    int result() const { return result_; }

    // Runs a child form modally through the installed host; returns its result.
    int runChild(Form& child) { return formHost().runModal(child); }

    // ---- Handlers for forms that are owned rather than derived from
    void setOnCreate(std::function<void(Form&)> fn) { onCreate_ = std::move(fn); }
    void setOnInit(std::function<void()> fn) { onInit_ = std::move(fn); }
    void setOnDestroy(std::function<void()> fn) { onDestroy_ = std::move(fn); }

    // ---- What the form read from the switch
    // Each read the form makes (a scalar get, a table walk) has a name. A read that failed,
    // stopped early or was never answered holds back the controls marked needsRead and shows
    // the status line (kIdReadStatus) until the same read ends complete.
    enum class ReadState { Running, Complete, Failed };
    void beginRead(const std::string& read);
    void readComplete(const std::string& read);
    // reason: why, in a few words for the user ("no answer", "authentication failed", ...).
    void readFailed(const std::string& read, const std::string& reason);
    // The state of one read; nullopt when it never began.
    std::optional<ReadState> readState(const std::string& read) const;
    // True when the read (or, with no name, every read begun so far) ended complete.
    bool readOk(const std::string& read) const;
    bool readsOk() const;
    // The names of the reads begun so far, in the order they first began.
    std::vector<std::string> readNames() const;
    // The read status line: "" while nothing failed.
    std::string readStatusText() const;
    // What the status line shows: that the form is writing, else readStatusText().
    std::string statusText() const;
    static constexpr int kIdReadStatus = 0x7F01;

    // ---- A write under way (one set, or several with pauses and undo steps)
    // The form writes from beginWrite to endWrite (a sequence of the dialog's; they do not nest:
    // the first endWrite ends it), and while any request of its write helper is in flight
    // (holdForRequest / releaseRequest, counted). Meanwhile the form cannot be left half-way
    // through: every push button is held disabled whatever setEnabled says (OK, Cancel, Close,
    // Apply, Refresh...; `holdIds` may name other controls to hold), Esc and the close box do
    // nothing, and an end() the form's own code asks for takes effect once the write is over.
    // The status line says that the form is writing. Ending the write gives every control back
    // the state the form asked for.
    void beginWrite(std::vector<int> holdIds = {});
    void endWrite();
    void holdForRequest();
    void releaseRequest();
    bool writing() const { return sequenceWriting_ || requestHolds_ > 0; }
    bool heldByWrite(const Control& control) const;
    static constexpr const char* kWritingText = "Writing to the switch\u2026";

    // ---- Timers and posted work, dropped once the form is destroyed
    // One-shot timer: setting an id again replaces the pending one.
    void setTimer(int id, int ms, std::function<void()> fn);
    void killTimer(int id);
    bool timerPending(int id) const;
    // Runs fn later on the UI thread unless the form has been destroyed by then.
    void post(std::function<void()> fn);

    // ---- Observers (the renderer)
    void addObserver(FormObserver* o) { observers_.push_back(o); }
    void removeObserver(FormObserver* o);

protected:
    // The steps of a dialog class.
    virtual void createControls();
    virtual void initDialog();
    virtual void destroyWindow();

private:
    friend class Control;
    friend class Container;
    friend class RadioButton;
    template <class T>
    static T& checked(Control* c, const std::string& key);
    [[noreturn]] static void missing(const std::string& key, const char* want, const Control* got);
    void notifyControl(Control& c, Change what);
    void notifyForm();

    std::string caption_;
    int width_ = 0, height_ = 0;
    bool topmost_ = true;
    int iconId_ = 447;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<FormObserver*> observers_;
    Control* focused_ = nullptr;
    bool focusSelectsAll_ = false;
    bool built_ = false, opened_ = false, ended_ = false, destroyed_ = false;
    int result_ = 0;
    std::function<void(Form&)> onCreate_;
    std::function<void()> onInit_, onDestroy_;

    void readsChanged();
    void statusChanged();
    void writeHoldChanged();
    void writeStateChanged(bool wasWriting);
    bool sequenceWriting_ = false;
    int requestHolds_ = 0;
    std::vector<int> writeHolds_;
    std::optional<int> endAfterWrite_;  // end() asked for while writing

    struct TimerState;
    std::shared_ptr<TimerState> timers_;  // shared with queued callbacks; cleared on destroy
    struct Read {
        ReadState state = ReadState::Running;
        std::string reason;
    };
    std::vector<std::pair<std::string, Read>> reads_;  // in the order they first began
};

template <class T>
T& Form::checked(Control* c, const std::string& key) {
    T* t = dynamic_cast<T*>(c);
    if (!t) missing(key, typeid(T).name(), c);
    return *t;
}

}  // namespace platform
