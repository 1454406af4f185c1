// SPDX-License-Identifier: MIT
#include "ui/picture_button.h"

#include <QIcon>
#include <QImageReader>
#include <QMouseEvent>

namespace {

// The first image of the icon file decides the button's size, as for a classic image control.
QPixmap firstImage(const QString& iconPath) {
    QImageReader reader(iconPath);
    return QPixmap::fromImage(reader.read());
}

} // namespace

PictureButton::PictureButton(const QString& iconPath, const QString& toolTip, QWidget* parent) : QLabel(parent) {
    setPixmap(firstImage(iconPath));
    setToolTip(toolTip);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
}

void PictureButton::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

// The second press of a double click is no new click: the first one already ran the command.
void PictureButton::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit clicked();
}
