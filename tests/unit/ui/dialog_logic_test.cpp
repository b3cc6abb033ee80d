// The dialog framework's own logic with no windowing system (the fake backend): message map
// dispatch, data exchange, modal runs, the dialog manager's keys and tab order, the focus of
// a disabled button, the message-box seam. Every backend runs this same logic.
#include <gtest/gtest.h>

#include "tests/support/ui_templates.h"
#include "ui/accessible_names.h"
#include "ui/cdialog.h"
#include "ui/driver.h"
#include "ui/fake/fake_backend.h"

namespace {

using namespace ui_test;
using ui::Key;
using ui::Notify;
using ui::fake::FakeWindow;

class DialogLogic : public ::testing::Test {
protected:
    void SetUp() override { m_resources = ui::SetResourceProvider(&resources); }
    void TearDown() override
    {
        ui::SetResourceProvider(m_resources);
        EXPECT_TRUE(backend.Windows().empty()) << "a window outlived its dialog";
    }

    ui::fake::FakeSystem system;
    ui::fake::FakeBackend& backend = system.backend;
    TestResources resources;

private:
    const ui::ResourceProvider* m_resources = nullptr;
};

TEST_F(DialogLogic, MessageMapRoutesUserActionsAndTheDefaultCommands)
{
    Probe dlg(kFormDlg);
    dlg.Listen(Notify::Clicked, kVerify);
    dlg.Listen(Notify::SelChange, kVerify);
    backend.OnNextModal([&](FakeWindow& w) {
        w.UserClick(kVerify);
        dlg.SendCommand(kVerify);  // as a click: the same handler
        dlg.verify.EnableWindow(false);
        dlg.SendCommand(kVerify);  // a disabled button ignores commands
        w.UserClick(kVerify);
        EXPECT_EQ(2u, dlg.log.size());
        EXPECT_EQ(0, dlg.okCalls);
        w.UserClick(IDOK);  // no handler of its own: OnOK
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1, dlg.okCalls);
    ASSERT_EQ(2u, dlg.log.size());
    EXPECT_TRUE(dlg.log[0] == std::make_pair(Notify::Clicked, int{kVerify}));
}

TEST_F(DialogLogic, DataExchangeBindsByIdAndTheWrappersLetGoWithTheWindow)
{
    Probe page(kPage);
    ASSERT_TRUE(page.Create(nullptr));
    EXPECT_EQ(1, page.exchanges);
    EXPECT_EQ(0, page.saves);
    // The template's combo data, with no entry selected.
    EXPECT_EQ(2, page.mode.GetCount());
    EXPECT_EQ(-1, page.mode.GetCurSel());
    EXPECT_EQ(1, page.mode.SetCurSel(1));
    EXPECT_EQ(ui::CString("second"), page.mode.GetWindowText());
    const ui::DateTime summer{2024, 7, 14, 7, 8, 9};
    page.date.SetTime(summer);
    EXPECT_EQ(summer, page.date.GetTime());
    EXPECT_TRUE(page.UpdateData(true));
    EXPECT_EQ(1, page.saves);
    EXPECT_EQ(1, page.mode.GetCurSel()) << "saving leaves the controls as they are";

    page.DestroyWindow();
    EXPECT_EQ(0, page.mode.GetCount());
    EXPECT_TRUE(page.mode.GetWindowText().IsEmpty());
    EXPECT_FALSE(page.mode.IsWindowEnabled());
    // A new window: bound again, with fresh controls.
    ASSERT_TRUE(page.Create(nullptr));
    EXPECT_EQ(2, page.mode.GetCount());
    EXPECT_EQ(-1, page.mode.GetCurSel());
    page.DestroyWindow();
}

TEST_F(DialogLogic, ModalRunsEndWithTheirResult)
{
    {
        Probe dlg(kBox);
        backend.OnNextModal([&](FakeWindow&) { dlg.EndDialog(7); });
        EXPECT_EQ(7, dlg.DoModal());
    }
    {
        // Ended by its initialisation: no modal run at all.
        Probe dlg(kBox);
        dlg.onInit = [&] { dlg.EndDialog(IDOK); };
        const int runs = backend.modalRuns;
        EXPECT_EQ(IDOK, dlg.DoModal());
        EXPECT_EQ(runs, backend.modalRuns);
    }
    {
        // The close box and the system menu's Close (low four bits are the system's) cancel;
        // another system command changes nothing.
        Probe dlg(kBox);
        backend.OnNextModal([&](FakeWindow& w) {
            dlg.SendSysCommand(0x1234);
            EXPECT_TRUE(dlg.IsModalRunning());
            w.UserClose();
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        backend.OnNextModal([&](FakeWindow&) { dlg.SendSysCommand(ui::SC_CLOSE + 3); });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
    }
    {
        // A dialog run from a handler of another: each ends with its own result.
        Probe outer(kFormDlg);
        Probe inner(kBox);
        int innerResult = 0;
        outer.On(Notify::Clicked, kMap, [&] { innerResult = inner.DoModal(); });
        backend.OnNextModal([&](FakeWindow& w) {
            backend.OnNextModal([&](FakeWindow& box) { box.UserKey(Key::Return); });
            w.UserClick(kMap);
            EXPECT_TRUE(outer.IsModalRunning());
            w.UserKey(Key::Escape);
        });
        EXPECT_EQ(IDCANCEL, outer.DoModal());
        EXPECT_EQ(IDOK, innerResult);
        EXPECT_EQ(0, backend.leftOpen);
    }
    Probe unknown(999);
    EXPECT_EQ(-1, unknown.DoModal());
    const int runs = backend.modalRuns;
    {
        // A system started inside another (tests) is in use until it ends, then the outer one.
        ui::fake::FakeSystem inner;
        EXPECT_EQ(IDCANCEL, Probe(kBox).DoModal());
        EXPECT_EQ(1, inner.backend.modalRuns);
    }
    EXPECT_EQ(IDCANCEL, Probe(kBox).DoModal());
    EXPECT_EQ(runs + 1, backend.modalRuns);
}

TEST(DialogLogicAlone, NoDialogOpensWithoutAWindowingSystem)
{
    const TestResources resources;
    const ui::ResourceProvider* previous = ui::SetResourceProvider(&resources);
    EXPECT_EQ(-1, Probe(kBox).DoModal());
    ui::SetResourceProvider(previous);
}

TEST_F(DialogLogic, KeysFollowTheDialogManagersRules)
{
    {
        // Enter in an edit presses the default button (OK); on a push button, that button.
        Probe dlg(kFormDlg);
        dlg.Listen(Notify::Clicked, kMap);
        backend.OnNextModal([&](FakeWindow& w) {
            w.SetFocus(kMap, ui::FocusReason::Other);
            w.UserKey(Key::Return);
            EXPECT_EQ(1u, dlg.log.size());
            w.SetFocus(kName, ui::FocusReason::Other);
            w.UserKey(Key::Return);
        });
        EXPECT_EQ(IDOK, dlg.DoModal());
        EXPECT_EQ(1, dlg.okCalls);
    }
    {
        // No default button: Enter issues IDOK; PreTranslateKey may take any key first.
        Probe dlg(kListDlg);
        int seen = 0;
        dlg.preTranslate = [&](Key k) { return k == Key::Space && ++seen > 0; };
        backend.OnNextModal([&](FakeWindow& w) {
            EXPECT_TRUE(w.UserKey(Key::Space));
            EXPECT_FALSE(w.UserKey(Key::Up));
            w.UserKey(Key::Return, ui::keymod::Shift);  // not the dialog manager's Enter
            EXPECT_TRUE(dlg.IsModalRunning());
            w.UserKey(Key::Return);
        });
        EXPECT_EQ(IDOK, dlg.DoModal());
        EXPECT_EQ(1, seen);
    }
    {
        // Tab: template order from the first tab stop, skipping what is disabled, wrapping.
        Probe dlg(kFormDlg);
        backend.OnNextModal([&](FakeWindow& w) {
            EXPECT_EQ(IDCANCEL, w.Focus());
            dlg.verify.EnableWindow(false);
            for (int id : {int{kName}, int{kPassword}, int{kMap}, IDOK, IDCANCEL}) {
                w.UserKey(Key::Tab);
                EXPECT_EQ(id, w.Focus());
            }
            w.UserKey(Key::Tab, ui::keymod::Shift);
            EXPECT_EQ(IDOK, w.Focus());
            w.UserKey(Key::Escape);
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
    }
}

TEST_F(DialogLogic, ChildDialogsJoinTheTabOrderAndSeeKeysFirst)
{
    Probe frame(kFormDlg);
    Probe page(kPage);
    std::vector<const char*> order;
    frame.preTranslate = [&](Key) { return order.push_back("frame"), false; };
    page.preTranslate = [&](Key) { return order.push_back("page"), false; };
    backend.OnNextModal([&](FakeWindow& w) {
        ASSERT_TRUE(page.Create(&frame));
        FakeWindow* pw = backend.Newest();
        // Hidden, the page is left out; shown, its stops follow the frame's.
        w.SetFocus(IDOK, ui::FocusReason::Other);
        w.UserKey(Key::Tab);
        EXPECT_EQ(IDCANCEL, w.Focus());
        page.ShowWindow(true);
        w.SetFocus(IDOK, ui::FocusReason::Other);
        w.UserKey(Key::Tab);
        EXPECT_EQ(kMode, pw->Focus());
        order.clear();
        pw->UserKey(Key::Tab);
        EXPECT_EQ(kDate, pw->Focus());
        EXPECT_EQ((std::vector<const char*>{"page", "frame"}), order);
        frame.NextDlgCtrl();
        EXPECT_EQ(kTime, pw->Focus());
        pw->UserKey(Key::Tab);
        EXPECT_EQ(IDCANCEL, w.Focus());
        // Enter in the page is the frame's default button.
        pw->SetFocus(kMode, ui::FocusReason::Other);
        pw->UserKey(Key::Return);
        EXPECT_FALSE(frame.IsModalRunning());
        page.DestroyWindow();
    });
    EXPECT_EQ(IDOK, frame.DoModal());
}

TEST_F(DialogLogic, SystemMenuListsItsItemsAndRunsTheChoice)
{
    Probe dlg(kListDlg);  // with a minimise box
    std::vector<unsigned> commands;
    dlg.onSysCommand = [&](unsigned id) { commands.push_back(id); };
    dlg.onInit = [&] { dlg.AppendItem(0x10, "About..."); };
    backend.menuChoice = 0x10;
    backend.OnNextModal([&](FakeWindow& w) {
        w.UserKey(Key::Space, ui::keymod::Alt);
        ASSERT_EQ(4u, w.lastMenu.size());
        EXPECT_EQ(ui::SC_MINIMIZE, w.lastMenu[0].command);
        EXPECT_EQ(ui::SC_CLOSE, w.lastMenu[1].command);
        EXPECT_EQ(0u, w.lastMenu[2].command);  // separator
        EXPECT_EQ(ui::CString("About..."), w.lastMenu[3].text);
        backend.menuChoice = ui::SC_MINIMIZE;
        w.UserKey(Key::Space, ui::keymod::Alt);
        EXPECT_EQ(1, w.minimized);
        backend.menuChoice = 0;  // dismissed
        w.UserKey(Key::Space, ui::keymod::Alt);
        w.UserClose();
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ((std::vector<unsigned>{0x10, ui::SC_MINIMIZE}), commands);
}

// Disabled while it has the focus (Refresh during a refresh, OK during a verification), a
// push button hands it to no other control and gets it back when enabled again.
TEST_F(DialogLogic, ADisabledFocusedButtonGetsTheFocusBack)
{
    Probe dlg(kFormDlg);
    backend.OnNextModal([&](FakeWindow& w) {
        w.SetFocus(kVerify, ui::FocusReason::Other);
        dlg.verify.EnableWindow(false);
        EXPECT_EQ(ui::kSelf, w.Focus());
        dlg.verify.EnableWindow(true);
        EXPECT_EQ(kVerify, w.Focus());
        // The user moved it meanwhile: it stays where the user put it.
        dlg.verify.EnableWindow(false);
        w.SetFocus(kName, ui::FocusReason::Other);
        dlg.verify.EnableWindow(true);
        EXPECT_EQ(kName, w.Focus());
        // Only push buttons park the focus.
        dlg.name.EnableWindow(false);
        EXPECT_EQ(kName, w.Focus());
    });
    dlg.DoModal();
}

TEST_F(DialogLogic, MessageBoxesGoThroughTheSeamOrTheBackend)
{
    Probe dlg(kBox);
    backend.OnNextModal([&](FakeWindow&) {
        EXPECT_EQ(IDOK, ui::AfxMessageBox("Time out:get system info!"));
        ui::MessageBox(&dlg, "x", "Note", ui::Icon::Information);
    });
    dlg.DoModal();
    ASSERT_EQ(2u, backend.boxes.size());
    EXPECT_TRUE(backend.boxes[0].caption.IsEmpty());
    EXPECT_TRUE(backend.boxes[0].icon == ui::Icon::Exclamation);
    EXPECT_EQ(ui::CString("Note"), backend.boxes[1].caption);
    EXPECT_EQ(ui::CString("fake"), ui::ApplicationName());

    std::vector<ui::MessageBoxRequest> seen;
    const auto previous = ui::SetMessageBoxHandler([&](const ui::MessageBoxRequest& r) {
        seen.push_back(r);
        return IDCANCEL;
    });
    EXPECT_EQ(IDCANCEL, ui::AfxMessageBox("y"));
    ui::SetMessageBoxHandler(previous);
    EXPECT_EQ(1u, seen.size());
    EXPECT_EQ(2u, backend.boxes.size());
}

// Controls without a text of their own are named by the template's labels, whatever the order
// of the template, and follow a label's text; an empty list's placeholder reaches the backend.
TEST_F(DialogLogic, ControlsAreNamedByTheirLabelsAndFollowTheirText)
{
    using namespace ui::style;
    using ui::Kind;
    struct Labels final : ui::ResourceProvider {
        ui::DialogTemplate t{
            50,
            "Names",
            200,
            200,
            "宋体",
            9,
            ui::dstyle::Popup,
            {
                {200, Kind::Edit, "", Border | TabStop, 60, 10, 80, 12},
                {201, Kind::Static, "&User name: ", 0, 10, 11, 45, 10},  // after it, same row
                {202, Kind::ComboBox, "", TabStop, 60, 30, 80, 60},  // its list covers what follows
                {-1, Kind::Static, "Mode:", 0, 10, 30, 45, 10},
                {-1, Kind::Static, "Address", 0, 10, 46, 48, 10},  // above the address control
                {203, Kind::IpAddress, "", TabStop, 10, 58, 80, 12},
                {-1, Kind::Static, "Outside:", 0, 10, 70, 45, 8},  // outside the group below
                {-1, Kind::GroupBox, "&Disks", 0, 5, 80, 190, 100},
                {204, Kind::ListView, "", ReportView | TabStop, 10, 95, 180, 60},
                {205, Kind::PushButton, "&Go", TabStop, 150, 30, 40, 14},
            },
            {}};
        const ui::DialogTemplate* FindTemplate(int id) const override
        {
            return id == t.id ? &t : nullptr;
        }
        ui::CString LoadString(int) const override { return {}; }
        ui::IconHandle LoadIcon(int) const override { return {}; }
        ui::BitmapHandle LoadBitmap(int) const override { return {}; }
    } labels;
    struct Dialog final : ui::CDialog {
        Dialog() : ui::CDialog(50) {}
        void DoDataExchange(ui::CDataExchange* dx) override
        {
            ui::DDX_Control(dx, 201, label);
            ui::DDX_Control(dx, 204, disks);
        }
        ui::CStatic label;
        ui::CListCtrl disks;
    };
    const ui::ResourceProvider* previous = ui::SetResourceProvider(&labels);
    Dialog dlg;
    backend.OnNextModal([&](FakeWindow& w) {
        EXPECT_EQ(ui::CString("User name"), w.Control(200)->accessibleName);
        EXPECT_EQ(ui::CString("Mode"), w.Control(202)->accessibleName);
        EXPECT_EQ(ui::CString("Address"), w.Control(203)->accessibleName);
        EXPECT_EQ(ui::CString("Disks"), w.Control(204)->accessibleName);
        EXPECT_TRUE(w.Control(205)->accessibleName.IsEmpty());  // its own text names it
        dlg.label.SetWindowText("Login:");
        EXPECT_EQ(ui::CString("Login"), w.Control(200)->accessibleName);
        dlg.disks.SetEmptyText("No disk");
        EXPECT_EQ(ui::CString("No disk"), w.Control(204)->emptyText);
        EXPECT_EQ(0, dlg.disks.GetItemCount());
        w.UserClick(IDOK);
    });
    dlg.DoModal();
    ui::SetResourceProvider(previous);
    EXPECT_EQ(ui::CString("Address, part 1 of 4"), ui::AddressPartName("Address", 0));
    EXPECT_EQ(ui::CString("a & b"), ui::LabelName("a && b:", 0));
    EXPECT_EQ(ui::CString("a && b"), ui::LabelName("a && b", NoPrefix));
}

TEST(CString, LeftCountsCharactersNotBytes)
{
    const ui::CString text("Y\xC3\xBC:  \\\\host");
    EXPECT_EQ(ui::CString("Y\xC3\xBC"), text.Left(2));
    EXPECT_EQ(text, text.Left(100));
    EXPECT_TRUE(text.Left(0).IsEmpty());
}

}  // namespace
