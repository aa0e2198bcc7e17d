#include "toolkit/qt/qt_controls.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>

namespace vidudi::toolkit {

void FaceButton::SetFace(const QPixmap& face) {
    face_ = face;
    update();
}

void FaceButton::SetDrawn(const QPixmap& drawn, const std::string& source) {
    if (source == drawnSource_) return;
    drawn_ = drawn;
    drawnSource_ = source;
    update();
}

void FaceButton::paintEvent(QPaintEvent*) {
    // Unstretched from the top left corner, as the bitmaps are copied onto the Windows button.
    QPainter painter(this);
    if (!face_.isNull()) {
        painter.drawPixmap(0, 0, face_);
    } else if (!drawn_.isNull()) {
        painter.drawPixmap(0, 0, drawn_);
    }
}

ReportList::ReportList(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
}

void ReportList::mousePressEvent(QMouseEvent* event) {
    QTreeWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && !itemAt(event->position().toPoint())) clearSelection();
}

void ReportList::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) emit Clicked();
}

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Base));
    setPalette(colours);
    auto* digits = new QRegularExpressionValidator(QRegularExpression("[0-9]{0,3}"), this);
    for (int field = 0; field < 4; ++field) {
        auto* edit = new QLineEdit(this);
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignCenter);
        edit->setMaxLength(3);
        edit->setValidator(digits);
        edit->installEventFilter(this);
        edit->setAccessibleName(QString("field %1").arg(field + 1));
        connect(edit, &QLineEdit::textEdited, this, [this, field] { Edited(field); });
        fields_[static_cast<std::size_t>(field)] = edit;
        if (field < 3) {
            auto* dot = new QLabel(".", this);
            dot->setAlignment(Qt::AlignCenter);
            dots_[static_cast<std::size_t>(field)] = dot;
        }
    }
    setFocusProxy(fields_[0]);
}

int IpAddressEdit::Field(int field) const {
    const QString text = FieldEdit(field)->text();
    return text.isEmpty() ? -1 : std::min(255, text.toInt());
}

void IpAddressEdit::SetField(int field, int value) {
    FieldEdit(field)->setText(value < 0 ? QString() : QString::number(std::min(255, value)));
}

void IpAddressEdit::FocusField(int field) {
    if (field < 0 || field > 3) field = 0;
    focused_ = field;
    FieldEdit(field)->setFocus();
    FieldEdit(field)->selectAll();
}

void IpAddressEdit::Edited(int field) {
    QLineEdit* edit = FieldEdit(field);
    if (edit->text().toInt() > 255) edit->setText("255");
    if (edit->text().size() == 3 && field < 3) FocusField(field + 1);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    int field = 0;
    while (field < 4 && FieldEdit(field) != watched) ++field;
    if (field == 4) return false;
    if (event->type() == QEvent::FocusIn) focused_ = field;
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* edit = FieldEdit(field);
    const bool atStart = edit->cursorPosition() == 0 && !edit->hasSelectedText();
    const bool atEnd = edit->cursorPosition() == edit->text().size() && !edit->hasSelectedText();
    if (key->text() == "." || key->text() == " ") {
        if (!edit->text().isEmpty() && field < 3) FocusField(field + 1);
        return true;
    }
    if ((key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Left) && atStart && field > 0) {
        FieldEdit(field - 1)->setFocus();
        FieldEdit(field - 1)->end(false);
        return true;
    }
    if (key->key() == Qt::Key_Right && atEnd && field < 3) {
        FieldEdit(field + 1)->setFocus();
        FieldEdit(field + 1)->home(false);
        return true;
    }
    return false;
}

void IpAddressEdit::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Layout();
}

void IpAddressEdit::Layout() {
    const QRect inside = contentsRect();
    const int dot = 6;
    const int width = std::max(1, (inside.width() - 3 * dot) / 4);
    int x = inside.left();
    for (int field = 0; field < 4; ++field) {
        FieldEdit(field)->setGeometry(x, inside.top(), width, inside.height());
        x += width;
        if (field < 3) {
            dots_[static_cast<std::size_t>(field)]->setGeometry(x, inside.top(), dot, inside.height());
            x += dot;
        }
    }
}

}  // namespace vidudi::toolkit
