// SPDX-License-Identifier: MIT
#pragma once

#include <QLabel>

// A picture that acts as a button: it shows an icon at its natural size and reports a left click.
class PictureButton final : public QLabel {
    Q_OBJECT
public:
    PictureButton(const QString& iconPath, const QString& toolTip, QWidget* parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
