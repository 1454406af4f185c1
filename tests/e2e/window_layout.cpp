// SPDX-License-Identifier: MIT
// Prints where the main window's named controls lie, one line each: "name left top width height", in pixels of the
// window's client area on the current screen. The end-to-end scenarios click and look at the window through this
// table instead of repeating the layout.
#include "ui/main_window.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    MainWindow window(Qt::black);
    QTextStream out(stdout);
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        const QRect box = control->geometry();
        if (control->objectName().isEmpty() || control->parentWidget() != &window || !window.rect().intersects(box))
            continue;
        out << control->objectName() << ' ' << box.x() << ' ' << box.y() << ' ' << box.width() << ' ' << box.height()
            << '\n';
    }
    return 0;
}
