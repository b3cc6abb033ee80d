#include "ui/qt/control_factory.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTreeWidget>
#include <algorithm>

#include "ui/accessible_names.h"
#include "ui/qt/qt_backend.h"
#include "ui/qt/widgets.h"
#include "ui/resources.h"

namespace ui {

int MulDiv(int a, int b, int c)
{
    const long long p = static_cast<long long>(a) * b;
    return static_cast<int>(p >= 0 ? (p + c / 2) / c : (p - c / 2) / c);
}

QString FromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString StripMnemonic(const QString& text)
{
    return QString::fromStdString(WithoutMnemonic(text.toStdString()));
}

namespace {

// What every maker gets: the template entry, its text, the parent and font, and the
// rectangle it may adjust.
struct Blueprint {
    const ControlTemplate& ct;
    const QString& text;
    QWidget* parent;
    const QFont& font;
    QRect& geometry;
};

QWidget* MakePushButton(const Blueprint& s)
{
    auto* b = new QPushButton(s.text, s.parent);
    b->setAutoDefault(false);
    b->setProperty("templateDefault", (s.ct.style & style::DefPushButton) != 0);
    b->setDefault((s.ct.style & style::DefPushButton) != 0);
    return b;
}

QWidget* MakeCheckBox(const Blueprint& s)
{
    return new QCheckBox(s.text, s.parent);
}

QWidget* MakeGroupBox(const Blueprint& s)
{
    return new ClassicGroupBox(StripMnemonic(s.text), s.parent);
}

QWidget* MakeStatic(const Blueprint& s)
{
    auto* l = new QLabel(s.parent);
    l->setTextFormat(Qt::PlainText);
    l->setText((s.ct.style & style::NoPrefix) ? s.text : StripMnemonic(s.text));
    Qt::Alignment a = Qt::AlignLeft;
    if (s.ct.style & style::Right) a = Qt::AlignRight;
    if (s.ct.style & style::Center) a = Qt::AlignHCenter;
    a |= (s.ct.style & style::CenterImage) ? Qt::AlignVCenter : Qt::AlignTop;
    l->setAlignment(a);
    l->setWordWrap(!(s.ct.style & (style::NoWordWrap | style::CenterImage)));
    if (s.ct.style & style::Sunken) {
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setLineWidth(1);
        l->setIndent(1);
    }
    return l;
}

// Kind::Icon and Kind::Bitmap.
QWidget* MakeImage(const Blueprint& s)
{
    auto* l = new QLabel(s.parent);
    const QPixmap pm = s.ct.kind == Kind::Icon ? qt::ToQIcon(LoadIcon(s.ct.resource)).pixmap(32, 32)
                                               : qt::ToQPixmap(LoadBitmap(s.ct.resource));
    l->setPixmap(pm);
    // Image statics take the image's size, whatever the template says.
    if (!pm.isNull()) s.geometry.setSize(pm.deviceIndependentSize().toSize());
    return l;
}

QWidget* MakeEtchedHorz(const Blueprint& s)
{
    auto* f = new QFrame(s.parent);
    f->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    f->setLineWidth(1);
    s.geometry.setHeight(2);
    return f;
}

QWidget* MakeEtchedFrame(const Blueprint& s)
{
    auto* f = new QFrame(s.parent);
    f->setFrameStyle(QFrame::Box | QFrame::Sunken);
    f->setLineWidth(1);
    return f;
}

QWidget* MakeEdit(const Blueprint& s)
{
    auto* e = new QLineEdit(s.parent);
    e->setFrame((s.ct.style & style::Border) != 0);
    if (s.ct.style & style::Password) e->setEchoMode(QLineEdit::Password);
    if (s.ct.style & style::Right) e->setAlignment(Qt::AlignRight);
    // The original control holds 30000 characters unless limited.
    e->setMaxLength(30000);
    return e;
}

QWidget* MakeComboBox(const Blueprint& s)
{
    auto* c = new QComboBox(s.parent);
    const bool editable = !(s.ct.style & style::DropDownList);
    c->setEditable(editable);
    if (editable) {
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setCompleter(nullptr);
        // Typed text is no selection, as on the original platform, so what the field shows
        // and what GetCurSel reports agree. (Leaving the field with an entry's exact text
        // selects that entry again, as Qt does.)
        QObject::connect(c->lineEdit(), &QLineEdit::textEdited, c, [c] {
            if (c->currentIndex() < 0) return;
            QLineEdit* field = c->lineEdit();
            const QString text = field->text();
            const int cursor = field->cursorPosition();
            const QSignalBlocker block(c);
            c->setCurrentIndex(-1);
            field->setText(text);
            field->setCursorPosition(cursor);
        });
    }
    c->setFont(s.font);
    // The template height is the dropped list's; the closed box is one line high.
    const QFontMetrics fm(s.font);
    const int closed = std::max(c->sizeHint().height(), fm.height() + 6);
    const int listHeight = s.geometry.height() - closed;
    c->setMaxVisibleItems(std::max(1, listHeight / std::max(1, fm.height())));
    s.geometry.setHeight(closed);
    return c;
}

QWidget* MakeListBox(const Blueprint& s)
{
    auto* l = new ListBox(s.parent);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setFrameStyle((s.ct.style & style::Border) ? (QFrame::StyledPanel | QFrame::Sunken)
                                                  : QFrame::NoFrame);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    l->setVerticalScrollBarPolicy((s.ct.style & style::VScroll) ? Qt::ScrollBarAsNeeded
                                                                : Qt::ScrollBarAlwaysOff);
    l->setUniformItemSizes(true);
    l->setSortingEnabled((s.ct.style & style::Sort) != 0);
    return l;
}

QWidget* MakeListView(const Blueprint& s)
{
    auto* v = new QTreeWidget(s.parent);
    v->setColumnCount(0);
    v->setRootIsDecorated(false);
    v->setItemsExpandable(false);
    v->setUniformRowHeights(true);
    v->setAllColumnsShowFocus(false);
    v->setSelectionMode((s.ct.style & style::SingleSel) ? QAbstractItemView::SingleSelection
                                                        : QAbstractItemView::ExtendedSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectItems);
    v->header()->setStretchLastSection(false);
    v->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    v->header()->setSectionsMovable(false);
    v->header()->setSectionResizeMode(QHeaderView::Interactive);
    v->setFrameStyle((s.ct.style & style::Border) ? (QFrame::StyledPanel | QFrame::Sunken)
                                                  : QFrame::NoFrame);
    v->setProperty("extendedStyle", 0u);
    return v;
}

// Kind::DatePicker and Kind::TimePicker.
QWidget* MakePicker(const Blueprint& s)
{
    QDateTimeEdit* e = nullptr;
    if (s.ct.kind == Kind::DatePicker) {
        auto* d = new QDateEdit(QDate::currentDate(), s.parent);
        d->setCalendarPopup(!(s.ct.style & style::UpDown));
        // Year first, zero-padded: reads the same to every user and matches the digits the
        // adapter stores.
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        e = d;
    } else {
        auto* tm = new QTimeEdit(QTime::currentTime(), s.parent);
        tm->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        e = tm;
    }
    // A fixed locale: month names, digits and calendar layout do not follow the environment,
    // which the program does not read.
    e->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    // With no empty state: the PC's date and time when the dialog is created.
    const QDateTime now = QDateTime::currentDateTime();
    e->setProperty("pickerValue", now);
    if (s.ct.kind == Kind::DatePicker)
        e->setDate(now.date());
    else
        e->setTime(now.time());
    e->setKeyboardTracking(false);
    return e;
}

QWidget* MakeIpAddress(const Blueprint& s)
{
    return new IpAddressEdit(s.parent);
}

}  // namespace

QWidget* CreateControl(const ControlTemplate& ct, const QString& text, QWidget* parent,
                       const QFont& font, QRect& geometry)
{
    const Blueprint s{ct, text, parent, font, geometry};
    switch (ct.kind) {
        case Kind::PushButton:
            return MakePushButton(s);
        case Kind::CheckBox:
            return MakeCheckBox(s);
        case Kind::GroupBox:
            return MakeGroupBox(s);
        case Kind::Static:
            return MakeStatic(s);
        case Kind::Icon:
        case Kind::Bitmap:
            return MakeImage(s);
        case Kind::EtchedHorz:
            return MakeEtchedHorz(s);
        case Kind::EtchedFrame:
            return MakeEtchedFrame(s);
        case Kind::Edit:
            return MakeEdit(s);
        case Kind::ComboBox:
            return MakeComboBox(s);
        case Kind::ListBox:
            return MakeListBox(s);
        case Kind::ListView:
            return MakeListView(s);
        case Kind::DatePicker:
        case Kind::TimePicker:
            return MakePicker(s);
        case Kind::IpAddress:
            return MakeIpAddress(s);
    }
    // A kind outside the enumeration: a plain placeholder keeps the template's tab order.
    return new QWidget(parent);
}

}  // namespace ui
