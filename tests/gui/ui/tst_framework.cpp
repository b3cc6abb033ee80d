// The dialog framework on the Qt backend, where only Qt can show it: geometry in dialog units,
// z-order, combo and list-box widgets, the address control's fields, pickers and the message
// box seam. The keys, tab order and typed addresses are behaviour cases (tst_behaviour), run
// on the native backend too.
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QtTest>
#include <array>
#include <functional>
#include <memory>

#include "tests/support/gui_support.h"
#include "tests/support/ui_templates.h"
#include "ui/cdialog.h"
#include "ui/qt/widgets.h"
#include "ui/resources.h"

namespace {

using gui_test::RunModal;
using namespace ui_test;

}  // namespace

class FrameworkTest : public QObject {
    Q_OBJECT

private slots:
    void geometryFollowsDialogUnitsAndZOrder()
    {
        Probe dlg(kListDlg);
        RunModal(dlg, [&] {
            if (!QFontInfo(ui::qt::Widget(dlg.GetSafeHwnd())->font())
                     .family()
                     .startsWith(QStringLiteral("AR PL UMing")))
                QSKIP("AR PL UMing CN is not installed");
            QCOMPARE(dlg.BaseUnitX(), 6);
            QCOMPARE(dlg.BaseUnitY(), 12);
            QCOMPARE(ui::qt::Widget(dlg.GetSafeHwnd())->size(), QSize(665, 396));
            // 17, 23, 101, 183 dialog units.
            QCOMPARE(dlg.GetDlgItemRectInParent(kList), QRect(26, 35, 152, 275));
            // The group box around the list is drawn below it and takes no clicks.
            QWidget* client = ui::qt::Widget(dlg.GetSafeHwnd());
            QCOMPARE(client->childAt(QPoint(60, 100))->window(), ui::qt::Widget(dlg.GetSafeHwnd()));
            QWidget* hit = client->childAt(QPoint(60, 100));
            QVERIFY(hit == ui::qt::Widget(dlg.GetDlgItem(kList)) ||
                    ui::qt::Widget(dlg.GetDlgItem(kList))->isAncestorOf(hit));
            QWidget* disks =
                client->childAt(ui::qt::ToQRect(dlg.GetDlgItemRectInParent(kDisks)).center());
            QVERIFY(disks == ui::qt::Widget(dlg.GetDlgItem(kDisks)) ||
                    ui::qt::Widget(dlg.GetDlgItem(kDisks))->isAncestorOf(disks));
            // No default button in this template; QDialog must not have picked one.
            for (QPushButton* b : ui::qt::Widget(dlg.GetSafeHwnd())->findChildren<QPushButton*>())
                QVERIFY2(!b->isDefault(), qPrintable(b->text()));
        });
    }

    void comboBoxesStartEmptyAndKeepTypedText()
    {
        Probe dlg(kPage);
        QVERIFY(dlg.Create(nullptr));
        ui::CComboBox combo;
        combo.SubclassDlgItem(kMode, &dlg);
        QCOMPARE(combo.GetCount(), 2);
        QCOMPARE(combo.GetCurSel(), -1);
        QCOMPARE(combo.GetWindowText(), QString());
        // The closed combo is one line high; the template height is the dropped list's.
        QVERIFY(ui::qt::Widget(dlg.GetDlgItem(kMode))->height() < 30);

        combo.SetCurSel(1);
        QCOMPARE(combo.GetWindowText(), QStringLiteral("second"));
        combo.ResetContent();
        QCOMPARE(combo.GetCount(), 0);
        combo.SetWindowText("Y:");
        combo.AddString("Z:");
        QCOMPARE(combo.GetCurSel(), -1);
        QCOMPARE(combo.GetWindowText(), QStringLiteral("Y:"));
        combo.AddString("X:");
        combo.SetCurSel(1);
        QCOMPARE(combo.DeleteString(1), 1);
        QCOMPARE(combo.GetCurSel(), -1);
        QCOMPARE(combo.DeleteString(5), -1);
        QCOMPARE(combo.GetLBText(0), QStringLiteral("Z:"));
        dlg.DestroyWindow();
        QVERIFY(ui::qt::Widget(combo.GetSafeHwnd()) == nullptr);  // the wrapper does not dangle
    }

    void onlyUserActionsNotify()
    {
        Probe dlg(kListDlg);
        dlg.Listen(ui::Notify::SelChange, kList);
        ui::CListBox list;
        RunModal(dlg, [&] {
            list.SubclassDlgItem(kList, &dlg);
            list.AddString("one");
            list.AddString("two");
            list.SetCurSel(1);
            QCOMPARE(list.GetCurSel(), 1);
            list.DeleteString(1);
            QCOMPARE(list.GetCurSel(), -1);
            QVERIFY(dlg.log.empty());
            auto* lw = qobject_cast<QListWidget*>(ui::qt::Widget(list.GetSafeHwnd()));
            QTest::mouseClick(lw->viewport(), Qt::LeftButton, {},
                              lw->visualItemRect(lw->item(0)).center());
            QCOMPARE(list.GetCurSel(), 0);
            QCOMPARE(dlg.log.size(), std::size_t{1});
            QVERIFY(dlg.log[0] == std::make_pair(ui::Notify::SelChange, int{kList}));
        });
    }

    // What the control does with typing and pastes is the framework's (tests/unit/ui, the
    // behaviour cases); here, the widget: its fields follow the control's enabled state.
    void ipAddressControlFieldsFollowTheControl()
    {
        ui::IpAddressEdit edit;
        edit.resize(125, 18);
        edit.show();
        edit.setAddressText(QStringLiteral("1.2.x.256"));
        QCOMPARE(edit.field(2)->text(), QString());
        edit.setEnabled(false);
        for (int i = 0; i < 4; ++i) QVERIFY(!edit.field(i)->isEnabled());
        QCOMPARE(edit.addressText(), QStringLiteral("1.2.0.0"));
    }

    void pickersKeepTheWholeValue()
    {
        Probe page(kPage);
        QVERIFY(page.Create(nullptr));
        ui::CDateTimeCtrl date, time;
        date.SubclassDlgItem(kDate, &page);
        time.SubclassDlgItem(kTime, &page);
        const ui::DateTime summer{2024, 7, 14, 7, 8, 9};
        date.SetTime(summer);
        time.SetTime(summer);
        QVERIFY(date.GetTime() == summer);
        QVERIFY(time.GetTime() == summer);
        QVERIFY(qobject_cast<QDateEdit*>(ui::qt::Widget(date.GetSafeHwnd()))->calendarPopup());
        QCOMPARE(qobject_cast<QDateEdit*>(ui::qt::Widget(date.GetSafeHwnd()))->text(),
                 QStringLiteral("2024-07-14"));
        QCOMPARE(qobject_cast<QTimeEdit*>(ui::qt::Widget(time.GetSafeHwnd()))->text(),
                 QStringLiteral("07:08:09"));
        page.DestroyWindow();
    }

    void messageBoxSeamAndPlainTexts()
    {
        std::vector<ui::MessageBoxRequest> seen;
        auto previous = ui::SetMessageBoxHandler([&](const ui::MessageBoxRequest& r) {
            seen.push_back(r);
            return IDOK;
        });
        QCOMPARE(ui::AfxMessageBox("Time out:get system info!"), IDOK);
        ui::MessageBox(nullptr, "x", "Note", ui::Icon::Information);
        ui::SetMessageBoxHandler(previous);
        QCOMPARE(seen.size(), std::size_t{2});
        QVERIFY(seen[0].caption.IsEmpty());
        QVERIFY(seen[0].icon == ui::Icon::Exclamation);
        QCOMPARE(seen[1].caption, QStringLiteral("Note"));
        QCOMPARE(ui::ApplicationName(), QStringLiteral("tst_framework"));

        Probe dlg(kListDlg);
        RunModal(dlg, [&] {
            ui::CStatic value;
            value.SubclassDlgItem(kValue, &dlg);
            value.SetWindowText("<img src=x>");
            auto* label = qobject_cast<QLabel*>(ui::qt::Widget(value.GetSafeHwnd()));
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QCOMPARE(value.GetWindowText(), QStringLiteral("<img src=x>"));
        });
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    static const TestResources resources;
    ui::SetResourceProvider(&resources);
    ui::qt::SetupApplicationLook();
    const auto uiSystem = ui::qt::AttachSystem();
    FrameworkTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_framework.moc"
