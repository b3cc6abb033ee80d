#include "platform/ui/qt/widgets.h"

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
#include <QStringList>
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

void ListBox::mousePressEvent(QMouseEvent* event)
{
    // Other buttons neither select nor start a selection.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    m_tracking = true;
    m_pressedOnRow = indexAt(event->position().toPoint()).isValid();
    m_rowAtPress = selectedRow();
    QListWidget::mousePressEvent(event);
}

void ListBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    // The second press of a double click is a press too: its release reports the selection.
    m_tracking = true;
    m_pressedOnRow = indexAt(event->position().toPoint()).isValid();
    m_rowAtPress = selectedRow();
    QListWidget::mouseDoubleClickEvent(event);
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
        connect(f, &QLineEdit::textEdited, this, [this, i] { onEdited(i); });
        connect(f, &QLineEdit::editingFinished, this, [this, i] { clampField(i); });
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

void IpAddressEdit::setAddressText(const QString& dotted)
{
    m_advancedInto = -1;
    const QStringList parts = dotted.trimmed().split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i) {
        QString value;
        if (i < parts.size()) {
            bool ok = false;
            const QString& p = parts[i];
            const int n = p.toInt(&ok);
            // Only plain 1-3 digit numbers in range fill a field; anything else leaves it blank.
            if (ok && !p.isEmpty() && p.size() <= 3 && n >= 0 && n <= 255 &&
                !p.contains(QLatin1Char('+')) && !p.contains(QLatin1Char('-')))
                value = QString::number(n);
        }
        m_fields[static_cast<std::size_t>(i)]->setText(value);
    }
}

QString IpAddressEdit::addressText() const
{
    QStringList parts;
    for (const QLineEdit* f : m_fields) {
        const int n = f->text().isEmpty() ? 0 : qBound(0, f->text().toInt(), 255);
        parts << QString::number(n);
    }
    return parts.join(QLatin1Char('.'));
}

bool IpAddressEdit::isBlank() const
{
    for (const QLineEdit* f : m_fields)
        if (!f->text().isEmpty()) return false;
    return true;
}

void IpAddressEdit::clampField(int index)
{
    QLineEdit* f = m_fields[static_cast<std::size_t>(index)];
    if (!f->text().isEmpty() && f->text().toInt() > 255) f->setText(QStringLiteral("255"));
}

void IpAddressEdit::onEdited(int index)
{
    QLineEdit* f = m_fields[static_cast<std::size_t>(index)];
    clampField(index);
    if (f->text().size() == 3 && f->cursorPosition() == 3 && index < 3) {
        QLineEdit* next = m_fields[static_cast<std::size_t>(index + 1)];
        next->setFocus(Qt::OtherFocusReason);
        next->selectAll();
        m_advancedInto = index + 1;
    }
}

// A dotted address pasted into any field fills all four.
bool IpAddressEdit::pasteAddress()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = clipboard != nullptr ? clipboard->text().trimmed() : QString();
    if (!text.contains(QLatin1Char('.'))) return false;
    setAddressText(text);
    QLineEdit* last = m_fields[3];
    last->setFocus(Qt::OtherFocusReason);
    last->setCursorPosition(static_cast<int>(last->text().size()));
    return true;
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
    const bool dot = key->key() == Qt::Key_Period || key->key() == Qt::Key_Space;
    // Three digits moved the caret on already; the dot the user types next closes the part
    // just finished, not the one the caret arrived in.
    const bool afterAdvance = index == m_advancedInto;
    switch (key->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
            break;
        default:
            m_advancedInto = -1;
            break;
    }
    if (dot && afterAdvance) return true;
    if (key->matches(QKeySequence::Paste) && pasteAddress()) return true;
    QLineEdit* f = m_fields[static_cast<std::size_t>(index)];
    const auto focusField = [this](int i, bool atEnd) {
        QLineEdit* g = m_fields[static_cast<std::size_t>(i)];
        g->setFocus(Qt::OtherFocusReason);
        g->setCursorPosition(atEnd ? static_cast<int>(g->text().size()) : 0);
    };
    switch (key->key()) {
        case Qt::Key_Period:
        case Qt::Key_Space:
            if (index < 3 && !f->text().isEmpty()) {
                clampField(index);
                focusField(index + 1, false);
                m_fields[static_cast<std::size_t>(index + 1)]->selectAll();
            }
            return true;
        case Qt::Key_Backspace:
            if (index > 0 && f->cursorPosition() == 0 && !f->hasSelectedText()) {
                focusField(index - 1, true);
                return true;
            }
            break;
        case Qt::Key_Left:
            if (index > 0 && f->cursorPosition() == 0) {
                focusField(index - 1, true);
                return true;
            }
            break;
        case Qt::Key_Right:
            if (index < 3 && f->cursorPosition() == f->text().size()) {
                focusField(index + 1, false);
                return true;
            }
            break;
        default:
            break;
    }
    return QFrame::eventFilter(watched, event);
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
