// Widgets the Qt backend needs and Qt lacks: the IP address control, the list box of the
// dialog manager, and a classic etched group box.
#pragma once

#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QString>
#include <array>
#include <string>

#include "ui/address_input.h"

namespace ui {

// Four 0-255 fields separated by dots, in one sunken frame. What typing and pasting do to the
// fields is the framework's (address_input.h); this widget shows the fields and reports keys.
class IpAddressEdit : public QFrame {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);
    ~IpAddressEdit() override;
    void setAddressText(const QString& dotted);
    QString addressText() const;  // blank fields read as 0
    bool isBlank() const;
    QLineEdit* field(int i) const { return m_fields[static_cast<std::size_t>(i)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layoutFields();
    std::array<std::string, 4> fieldTexts() const;
    void showInput(const AddressInput& in);
    std::array<QLineEdit*, 4> m_fields{};
    int m_advancedInto = -1;  // the field three digits moved to, until anything else happens
    std::array<QWidget*, 3> m_dots{};
};

// A single-selection list box as the dialog manager has it: only the left button selects, the
// user cannot clear the selection (Ctrl+click, Ctrl+Space), and selectionMade() reports each
// selection once it settles: when the button comes up (on the row already selected too, however
// many rows a drag passed), and after every navigation key, even one that stays on its row.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;

signals:
    void selectionMade();

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int selectedRow() const;
    bool StartPress(QMouseEvent* event);  // false: not the left button, the event taken
    bool m_tracking = false;              // the left button went down on the list
    bool m_pressedOnRow = false;
    int m_rowAtPress = -1;
};

// The group box of the classic dialog manager: an etched rectangle starting half a text line
// down, its title on the line near the left edge. It paints only; it takes no input.
class ClassicGroupBox : public QWidget {
    Q_OBJECT
public:
    ClassicGroupBox(const QString& title, QWidget* parent);
    void setTitle(const QString& title);
    QString title() const { return m_title; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
};

}  // namespace ui
