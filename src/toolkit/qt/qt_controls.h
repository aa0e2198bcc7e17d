#pragma once
// The Qt widgets that stand for the Windows controls Qt has no exact match for: the owner-drawn
// button with its face bitmap, the report-style list view with its click on empty space, and
// the IP-address control of four fields.
#include <QAbstractButton>
#include <QFrame>
#include <QPixmap>
#include <QTreeWidget>

#include <array>
#include <cstdint>
#include <string>

class QLineEdit;

namespace vidudi::toolkit {

// A button the program draws: its face bitmap when it has one, else the last picture the
// program drew on it, else nothing (the dialog's background shows through). The text stays
// the button's accessible name.
class FaceButton final : public QAbstractButton {
    Q_OBJECT
public:
    explicit FaceButton(QWidget* parent) : QAbstractButton(parent) {}
    void SetFace(const QPixmap& face);
    // A picture the program drew from a file; drawing the same file again changes nothing.
    void SetDrawn(const QPixmap& drawn, const std::string& source);
    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap face_;
    QPixmap drawn_;
    std::string drawnSource_;
};

// A report-style list view. A click anywhere in it, on a row or on empty space, is reported
// once the button is released; a click on empty space clears the selection and keeps the mark,
// as the Windows list view does.
class ReportList final : public QTreeWidget {
    Q_OBJECT
public:
    explicit ReportList(QWidget* parent);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// Four fields of at most three digits, each of them possibly blank. A field takes digits only
// and caps its value at 255; three digits or a dot move on to the next field, Backspace at the
// start of a field goes back to the one before.
class IpAddressEdit final : public QFrame {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent);

    // -1: blank.
    int Field(int field) const;
    void SetField(int field, int value);
    void FocusField(int field);
    // The field that had the focus last, -1 before any.
    int FocusedField() const { return focused_; }
    QLineEdit* FieldEdit(int field) const { return fields_[static_cast<std::size_t>(field)]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Edited(int field);
    void Layout();
    std::array<QLineEdit*, 4> fields_{};
    std::array<QWidget*, 3> dots_{};
    int focused_ = -1;
};

}  // namespace vidudi::toolkit
