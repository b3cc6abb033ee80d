// The dialog framework's own small templates, so its tests (on Qt and on the fake backend) do
// not depend on the program's, and a dialog that records what reaches it.
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "ui/cdialog.h"
#include "ui/resources.h"

namespace ui_test {

// The framework's own small templates, so its tests do not depend on the program's.
enum : int {
    kListDlg = 1,  // a list box under a group box, a list view, a button, a static
    kFormDlg,      // edits and push buttons, OK the default button
    kPage,         // a child page: combo box and pickers
    kBox,          // a caption, a system menu and OK
    kWidgets,      // a popup with a combo box, an address control and a date picker
    kChoices,      // a popup with an edit, an editable combo box, both pickers and OK
    kList = 100,
    kDisks,
    kRefresh,
    kValue,
    kName,
    kPassword,
    kVerify,
    kMap,
    kMode,
    kDate,
    kTime,
    kAddress,
};

class TestResources final : public ui::ResourceProvider {
public:
    TestResources()
    {
        using namespace ui::style;
        using ui::Kind;
        namespace ds = ui::dstyle;
        constexpr std::uint32_t popup = ds::Popup | ds::Caption | ds::SysMenu | ds::ModalFrame;
        m_templates = {
            {kListDlg,
             "List",
             443,
             264,
             "宋体",
             9,
             popup | ds::MinimizeBox,
             {
                 {kList, Kind::ListBox, "", Notify | VScroll | Border | TabStop, 17, 23, 101, 183},
                 {-1, Kind::GroupBox, "Devices", 0, 10, 10, 115, 200},
                 {kDisks, Kind::ListView, "", ReportView | SingleSel | Border | TabStop, 140, 150,
                  280, 80},
                 {kRefresh, Kind::PushButton, "Refresh", TabStop, 140, 20, 50, 14},
                 {kValue, Kind::Static, "", Sunken, 140, 50, 100, 12},
             },
             {}},
            {kFormDlg,
             "Form",
             200,
             100,
             "宋体",
             9,
             popup,
             {
                 {IDCANCEL, Kind::PushButton, "Cancel", TabStop, 140, 80, 50, 14},
                 {-1, Kind::Static, "Name", 0, 10, 10, 40, 10},
                 {kName, Kind::Edit, "", Border | AutoHScroll | TabStop, 60, 10, 80, 12},
                 {kPassword, Kind::Edit, "", Border | Password | TabStop, 60, 30, 80, 12},
                 {kVerify, Kind::PushButton, "Verify", TabStop, 150, 10, 40, 14},
                 {kMap, Kind::PushButton, "Map", TabStop, 150, 30, 40, 14},
                 {IDOK, Kind::PushButton, "OK", DefPushButton | TabStop, 80, 80, 50, 14},
             },
             {}},
            {kPage,
             "",
             200,
             100,
             "宋体",
             9,
             ds::Child | ds::ControlParent | ds::ClientEdge,
             {
                 {kMode, Kind::ComboBox, "", VScroll | TabStop, 10, 10, 80, 47},
                 {kDate, Kind::DatePicker, "", ShortDate | TabStop, 10, 40, 100, 14},
                 {kTime, Kind::TimePicker, "", UpDown | TabStop, 10, 60, 100, 14},
             },
             {{kMode, {"first", "second"}}}},
            {kBox,
             "Box",
             100,
             50,
             "宋体",
             9,
             popup,
             {{IDOK, Kind::PushButton, "OK", DefPushButton | TabStop, 25, 30, 50, 14}},
             {}},
            {kWidgets,
             "Widgets",
             200,
             100,
             "宋体",
             9,
             popup,
             {
                 {kMode, Kind::ComboBox, "", DropDownList | VScroll | TabStop, 10, 10, 80, 47},
                 {kAddress, Kind::IpAddress, "", TabStop, 10, 30, 90, 12},
                 {kDate, Kind::DatePicker, "", ShortDate | TabStop, 10, 50, 100, 14},
                 {IDOK, Kind::PushButton, "OK", DefPushButton | TabStop, 140, 80, 50, 14},
             },
             {{kMode, {"first", "second"}}}},
            {kChoices,
             "Choices",
             200,
             100,
             "宋体",
             9,
             popup,
             {
                 {kName, Kind::Edit, "", Border | AutoHScroll | TabStop, 10, 10, 80, 12},
                 {kMode, Kind::ComboBox, "", VScroll | TabStop, 10, 30, 80, 47},
                 {kDate, Kind::DatePicker, "", ShortDate | RightAlignDrop | TabStop, 10, 50, 100,
                  14},
                 {kTime, Kind::TimePicker, "", UpDown | RightAlignDrop | TabStop, 10, 70, 100, 14},
                 {IDOK, Kind::PushButton, "OK", DefPushButton | TabStop, 140, 80, 50, 14},
             },
             {{kMode, {"Static IP", "DHCP", "(GMT+01:00) Brussels, Copenhagen "}}}},
        };
    }
    const ui::DialogTemplate* FindTemplate(int id) const override
    {
        for (const auto& t : m_templates)
            if (t.id == id) return &t;
        return nullptr;
    }
    ui::CString LoadString(int) const override { return {}; }
    ui::IconHandle LoadIcon(int) const override { return {}; }
    ui::BitmapHandle LoadBitmap(int) const override { return {}; }

private:
    std::vector<ui::DialogTemplate> m_templates;
};

// A dialog on any template, with a record of the notifications it receives.
class Probe : public ui::CDialog {
public:
    explicit Probe(int id) : ui::CDialog(id) {}
    void Listen(ui::Notify code, int id)
    {
        AddHandler(code, id, [this, code, id] { log.emplace_back(code, id); });
    }
    void On(ui::Notify code, int id, std::function<void()> handler)
    {
        AddHandler(code, id, std::move(handler));
    }
    void AppendItem(unsigned commandId, const ui::CString& text)
    {
        AppendSystemMenuItem(commandId, text);
    }
    std::vector<std::pair<ui::Notify, int>> log;
    int okCalls = 0;
    int exchanges = 0;  // DoDataExchange calls, and those that saved
    int saves = 0;
    std::function<bool(ui::Key)> preTranslate;
    std::function<void()> onInit;                // at the end of OnInitDialog
    std::function<void(unsigned)> onSysCommand;  // before the default handling
    // Bound by the data exchange on the form and page templates.
    ui::CEdit name;
    ui::CButton verify;
    ui::CComboBox mode;
    ui::CDateTimeCtrl date;

protected:
    bool OnInitDialog() override
    {
        ui::CDialog::OnInitDialog();
        if (onInit) onInit();
        return true;
    }
    void DoDataExchange(ui::CDataExchange* dx) override
    {
        ++exchanges;
        if (dx->saving()) ++saves;
        if (templateId() == kFormDlg) {
            ui::DDX_Control(dx, kName, name);
            ui::DDX_Control(dx, kVerify, verify);
        } else if (templateId() == kPage || templateId() == kWidgets || templateId() == kChoices) {
            if (templateId() == kChoices) ui::DDX_Control(dx, kName, name);
            ui::DDX_Control(dx, kMode, mode);
            ui::DDX_Control(dx, kDate, date);
        }
    }
    void OnSysCommand(unsigned id) override
    {
        if (onSysCommand) onSysCommand(id);
        ui::CDialog::OnSysCommand(id);
    }
    void OnOK() override
    {
        ++okCalls;
        ui::CDialog::OnOK();
    }
    bool PreTranslateKey(ui::Key key) override { return preTranslate ? preTranslate(key) : false; }
};

}  // namespace ui_test
