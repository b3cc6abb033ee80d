#include "ui/qt/widgets.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOption>

namespace ui {

// ---- ListBox ----------------------------------------------------------------------------

QItemSelectionModel::SelectionFlags ListBox::selectionCommand(const QModelIndex& index,
                                                              const QEvent* event) const
{
    const QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, event);
    if (selectionMode() == SingleSelection && (flags & QItemSelectionModel::Deselect) &&
        !(flags & QItemSelectionModel::Select))
        return QItemSelectionModel::NoUpdate;
    return flags;
}

int ListBox::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

bool ListBox::StartPress(QMouseEvent* event)
{
    // Other buttons neither select nor start a selection.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return false;
    }
    m_tracking = true;
    m_pressedOnRow = indexAt(event->position().toPoint()).isValid();
    m_rowAtPress = selectedRow();
    return true;
}

void ListBox::mousePressEvent(QMouseEvent* event)
{
    if (StartPress(event)) QListWidget::mousePressEvent(event);
}

// The second press of a double click is a press too: its release reports the selection.
void ListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (StartPress(event)) QListWidget::mouseDoubleClickEvent(event);
}

void ListBox::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() != Qt::NoButton && !(event->buttons() & Qt::LeftButton)) {
        event->accept();
        return;
    }
    QListWidget::mouseMoveEvent(event);
}

void ListBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const bool tracking = m_tracking;
    m_tracking = false;
    QListWidget::mouseReleaseEvent(event);
    const int row = selectedRow();
    if (tracking && row >= 0 && (m_pressedOnRow || row != m_rowAtPress)) emit selectionMade();
}

void ListBox::keyPressEvent(QKeyEvent* event)
{
    const int before = selectedRow();
    bool navigation = false;
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            navigation = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
            break;
        default:
            break;
    }
    // With nothing selected the caret is before the first row: Up or Down selects that row.
    if (navigation && before < 0 && count() > 0 &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        event->accept();
    } else {
        QListWidget::keyPressEvent(event);
    }
    const int after = selectedRow();
    if (after >= 0 && (navigation || after != before)) emit selectionMade();
}

// ---- IpAddressEdit ----------------------------------------------------------------------

// The fields outlive this part of the object (QWidget deletes its children later): a field
// that loses the focus on the way out must not call back into an address control already gone.
IpAddressEdit::~IpAddressEdit()
{
    for (QLineEdit* f : m_fields) {
        if (f == nullptr) continue;
        f->removeEventFilter(this);
        f->disconnect(this);
    }
}

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    // Keys and pastes go through the framework's rules; this only keeps other ways in (drops,
    // input methods) to digits.
    auto* validator =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this);
    for (int i = 0; i < 4; ++i) {
        auto* f = new QLineEdit(this);
        f->setFrame(false);
        f->setAlignment(Qt::AlignCenter);
        f->setMaxLength(3);
        f->setValidator(validator);
        f->setContextMenuPolicy(Qt::NoContextMenu);
        f->installEventFilter(this);
        f->setObjectName(QStringLiteral("field%1").arg(i));
        m_fields[static_cast<std::size_t>(i)] = f;
        // The control is one tab stop: the fields take focus by click or by typing on.
        if (i > 0) f->setFocusPolicy(Qt::ClickFocus);
    }
    setFocusProxy(m_fields[0]);
    for (std::size_t i = 0; i < 3; ++i) {
        auto* dot = new QLabel(QStringLiteral("."), this);
        dot->setAlignment(Qt::AlignCenter);
        dot->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_dots[i] = dot;
    }
}

std::array<std::string, 4> IpAddressEdit::fieldTexts() const
{
    std::array<std::string, 4> texts;
    for (std::size_t i = 0; i < 4; ++i) texts[i] = m_fields[i]->text().toStdString();
    return texts;
}

void IpAddressEdit::setAddressText(const QString& dotted)
{
    m_advancedInto = -1;
    const auto texts = AddressFieldsOf(dotted.toStdString());
    for (std::size_t i = 0; i < 4; ++i) m_fields[i]->setText(QString::fromStdString(texts[i]));
}

QString IpAddressEdit::addressText() const
{
    return QString::fromStdString(AddressTextOf(fieldTexts()));
}

bool IpAddressEdit::isBlank() const
{
    return AddressIsBlank(fieldTexts());
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) m_advancedInto = -1;
    if (event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);
    int index = -1;
    for (int i = 0; i < 4; ++i)
        if (watched == m_fields[static_cast<std::size_t>(i)]) index = i;
    if (index < 0) return QFrame::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
            return QFrame::eventFilter(watched, event);
        default:
            break;
    }
    // The fields as they are, for the framework's rules to change.
    QLineEdit* f = m_fields[static_cast<std::size_t>(index)];
    AddressInput in;
    in.fields = fieldTexts();
    in.focus = index;
    in.caret = f->cursorPosition();
    in.selStart = !f->hasSelectedText()             ? in.caret
                  : f->selectionStart() == in.caret ? f->selectionEnd()
                                                    : f->selectionStart();
    in.advancedInto = m_advancedInto;
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    AddressOutcome outcome = AddressOutcome::NotMine;
    if (key->matches(QKeySequence::Paste)) {
        const QClipboard* clipboard = QGuiApplication::clipboard();
        outcome = PasteIntoAddress(in, clipboard != nullptr ? clipboard->text().toStdString() : "");
    } else if (key->key() == Qt::Key_Backspace && mods == Qt::NoModifier) {
        outcome = KeyIntoAddress(in, AddressKey::Backspace);
    } else if (key->key() == Qt::Key_Left && mods == Qt::NoModifier) {
        outcome = KeyIntoAddress(in, AddressKey::Left);
    } else if (key->key() == Qt::Key_Right && mods == Qt::NoModifier) {
        outcome = KeyIntoAddress(in, AddressKey::Right);
    } else if (!key->text().isEmpty() && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        outcome = TypeIntoAddress(in, key->text().toUcs4().value(0));
    }
    m_advancedInto = in.advancedInto;
    if (outcome == AddressOutcome::NotMine) {
        m_advancedInto = -1;
        return QFrame::eventFilter(watched, event);
    }
    if (outcome == AddressOutcome::Taken) showInput(in);
    return true;
}

// Shows the fields, the focused one and its selection as the rules left them.
void IpAddressEdit::showInput(const AddressInput& in)
{
    for (std::size_t i = 0; i < 4; ++i) {
        const QString text = QString::fromStdString(in.fields[i]);
        if (m_fields[i]->text() != text) m_fields[i]->setText(text);
    }
    QLineEdit* g = m_fields[static_cast<std::size_t>(in.focus)];
    if (!g->hasFocus()) g->setFocus(Qt::OtherFocusReason);
    if (in.selStart == in.caret)
        g->setCursorPosition(in.caret);
    else
        g->setSelection(in.selStart, in.caret - in.selStart);
}

void IpAddressEdit::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutFields();
}

void IpAddressEdit::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        setBackgroundRole(isEnabled() ? QPalette::Base : QPalette::Window);
    if (event->type() == QEvent::FontChange) {
        for (QLineEdit* f : m_fields) f->setFont(font());
        for (QWidget* d : m_dots) d->setFont(font());
        layoutFields();
    }
}

void IpAddressEdit::layoutFields()
{
    const QRect r = contentsRect();
    const int dotWidth = qMax(3, fontMetrics().horizontalAdvance(QLatin1Char('.')) + 1);
    const int fieldWidth = qMax(1, (r.width() - 3 * dotWidth) / 4);
    int x = r.left();
    for (std::size_t i = 0; i < 4; ++i) {
        m_fields[i]->setGeometry(x, r.top(), fieldWidth, r.height());
        x += fieldWidth;
        if (i < 3) {
            m_dots[i]->setGeometry(x, r.top(), dotWidth, r.height());
            x += dotWidth;
        }
    }
}

// ---- ClassicGroupBox --------------------------------------------------------------------

ClassicGroupBox::ClassicGroupBox(const QString& title, QWidget* parent)
    : QWidget(parent), m_title(title)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void ClassicGroupBox::setTitle(const QString& title)
{
    m_title = title;
    update();
}

void ClassicGroupBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics fm(font());
    const int top = fm.height() / 2 - 1;
    const QRect frame = rect().adjusted(0, top, -1, -1);
    // Etched: a shadow line with a light line one pixel below and to the right.
    const QColor dark = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    p.setPen(light);
    p.drawRect(frame.adjusted(1, 1, 0, 0));
    p.setPen(dark);
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    if (m_title.isEmpty()) return;
    const int x = 7;  // the title sits on the top line, a little in from the corner
    const int w = fm.horizontalAdvance(m_title) + 4;
    const QRect titleRect(x, 0, qMin(w, width() - x - 2), fm.height());
    p.fillRect(titleRect, palette().color(QPalette::Window));
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(titleRect.adjusted(2, 0, 0, 0),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_title);
}

}  // namespace ui
