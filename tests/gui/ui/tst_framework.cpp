// The dialog framework on its own: device text decoding, template data, geometry in dialog
// units, z-order, combo and list-box behaviour, the dialog manager's keys and tab order, the IP
// address control and the message box seam.
#include <QApplication>
#include <QClipboard>
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

#include "platform/ui/cdialog.h"
#include "platform/ui/qt/widgets.h"
#include "platform/ui/resources.h"
#include "tests/support/gui_support.h"
#include "tests/support/ui_templates.h"

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
        dlg.Listen(ui::Notify::Clicked, kRefresh);
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
            // A disabled button ignores commands; an enabled one reports its click.
            ui::qt::Widget(dlg.GetDlgItem(kRefresh))->setEnabled(false);
            dlg.SendCommand(kRefresh);
            QCOMPARE(dlg.log.size(), std::size_t{1});
            ui::qt::Widget(dlg.GetDlgItem(kRefresh))->setEnabled(true);
            dlg.SendCommand(kRefresh);
            QCOMPARE(dlg.log.size(), std::size_t{2});
        });
    }

    void enterPressesTheDefaultButtonElseIssuesIdok()
    {
        // OK is the template's default button: Enter in an edit ends the dialog.
        {
            Probe dlg(kFormDlg);
            const int r = RunModal(dlg, [&] {
                QWidget* edit = ui::qt::Widget(dlg.GetDlgItem(kPassword));
                edit->setFocus();
                QTest::keyClick(edit, Qt::Key_Return);
            });
            QCOMPARE(r, IDOK);
            QCOMPARE(dlg.okCalls, 1);
        }
        // The Enter on a focused push button clicks that button, not the default one.
        {
            Probe dlg(kFormDlg);
            dlg.Listen(ui::Notify::Clicked, kMap);
            const int r = RunModal(dlg, [&] {
                QWidget* map = ui::qt::Widget(dlg.GetDlgItem(kMap));
                map->setFocus();
                QTest::keyClick(map, Qt::Key_Enter, Qt::KeypadModifier);
                QCOMPARE(dlg.log.size(), std::size_t{1});
                QVERIFY(dlg.IsModalRunning());
                QTest::keyClick(map, Qt::Key_Escape);
            });
            QCOMPARE(r, IDCANCEL);
            QCOMPARE(dlg.okCalls, 0);
        }
        // PreTranslateKey sees the key first and may consume it.
        {
            Probe dlg(kFormDlg);
            int seen = 0;
            dlg.preTranslate = [&](ui::Key key) { return key == ui::Key::Return && ++seen > 0; };
            RunModal(dlg, [&] {
                QWidget* name = ui::qt::Widget(dlg.GetDlgItem(kName));
                name->setFocus();
                QTest::keyClick(name, Qt::Key_Return);
                QCOMPARE(seen, 1);
                QVERIFY(dlg.IsModalRunning());
            });
        }
    }

    void tabFollowsTemplateOrderAndWraps()
    {
        Probe dlg(kFormDlg);
        RunModal(dlg, [&] {
            QWidget* win = ui::qt::Widget(dlg.GetSafeHwnd());
            // The first tab stop of the template (Cancel) has the focus at the start.
            QCOMPARE(win->focusWidget(), ui::qt::Widget(dlg.GetDlgItem(IDCANCEL)));
            const int order[] = {kName, kPassword, kVerify, kMap, IDOK, IDCANCEL};
            for (int id : order) {
                QTest::keyClick(win->focusWidget(), Qt::Key_Tab);
                QCOMPARE(win->focusWidget(), ui::qt::Widget(dlg.GetDlgItem(id)));
            }
            QTest::keyClick(win->focusWidget(), Qt::Key_Backtab);
            QCOMPARE(win->focusWidget(), ui::qt::Widget(dlg.GetDlgItem(IDOK)));
            dlg.NextDlgCtrl();
            QCOMPARE(win->focusWidget(), ui::qt::Widget(dlg.GetDlgItem(IDCANCEL)));
            // A disabled control is skipped.
            ui::qt::Widget(dlg.GetDlgItem(kName))->setEnabled(false);
            dlg.NextDlgCtrl();
            QCOMPARE(win->focusWidget(), ui::qt::Widget(dlg.GetDlgItem(kPassword)));
        });
    }

    void closeBoxAndSystemMenu()
    {
        Probe dlg(kBox);
        const int r = RunModal(dlg, [&] {
            dlg.SendSysCommand(0x1234);  // unknown: nothing happens
            QVERIFY(dlg.IsModalRunning());
            dlg.SendSysCommand(ui::SC_CLOSE + 3);  // the low four bits are the system's
        });
        QCOMPARE(r, IDCANCEL);
    }

    void ipAddressControl()
    {
        ui::IpAddressEdit edit;
        edit.resize(125, 18);
        edit.show();
        QVERIFY(edit.isBlank());
        QCOMPARE(edit.addressText(), QStringLiteral("0.0.0.0"));
        edit.setAddressText(QStringLiteral("255.255.255.255"));
        QCOMPARE(edit.addressText(), QStringLiteral("255.255.255.255"));
        edit.setAddressText(QStringLiteral("10.0.0.1"));
        QCOMPARE(edit.addressText(), QStringLiteral("10.0.0.1"));
        // What is not a number 0-255 leaves its field blank.
        edit.setAddressText(QStringLiteral("1.2.x.256"));
        QCOMPARE(edit.field(2)->text(), QString());
        QCOMPARE(edit.addressText(), QStringLiteral("1.2.0.0"));
        edit.setAddressText(QString());
        QVERIFY(edit.isBlank());

        // Typing goes where the focus is, as a keyboard's does.
        const auto type = [&edit](const QString& text) {
            for (QChar c : text) QTest::keyClick(edit.focusWidget(), c.toLatin1());
        };
        // Three digits or a dot move on to the next field; a value above 255 becomes 255.
        edit.field(0)->setFocus();
        type(QStringLiteral("192168"));
        QCOMPARE(edit.field(0)->text(), QStringLiteral("192"));
        QCOMPARE(edit.field(1)->text(), QStringLiteral("168"));
        type(QStringLiteral("7.999"));
        QCOMPARE(edit.field(2)->text(), QStringLiteral("7"));
        QCOMPARE(edit.field(3)->text(), QStringLiteral("255"));
        QCOMPARE(edit.addressText(), QStringLiteral("192.168.7.255"));
        QTest::keyClicks(edit.field(1), QStringLiteral("ab"));
        QCOMPARE(edit.field(1)->text(), QStringLiteral("168"));

        edit.setEnabled(false);
        QVERIFY(!edit.field(0)->isEnabled());
        QCOMPARE(edit.addressText(), QStringLiteral("192.168.7.255"));

        edit.setEnabled(true);
        // A pasted address fills all four fields, whichever has the focus.
        QGuiApplication::clipboard()->setText(QStringLiteral(" 10.1.2.3 "));
        edit.field(2)->setFocus();
        QTest::keyClick(edit.field(2), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit.addressText(), QStringLiteral("10.1.2.3"));
        QGuiApplication::clipboard()->setText(QStringLiteral("192.0.2.9"));
        QTest::keyClick(edit.focusWidget(), Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(edit.addressText(), QStringLiteral("192.0.2.9"));
        // Backspace empties a field, then goes back into the previous one.
        edit.field(3)->setFocus();
        edit.field(3)->selectAll();
        QTest::keyClick(edit.focusWidget(), Qt::Key_Backspace);
        QTest::keyClick(edit.focusWidget(), Qt::Key_Backspace);
        QCOMPARE(edit.focusWidget(), edit.field(2));
        QTest::keyClick(edit.focusWidget(), Qt::Key_Backspace);
        QCOMPARE(edit.addressText(), QStringLiteral("192.0.0.0"));
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
    ui::qt::InstallBackend();
    FrameworkTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_framework.moc"
