#pragma once

#include <QLabel>

// A picture that acts as a button: it shows an icon at its natural size and reports a left click.
class ImageButton final : public QLabel {
    Q_OBJECT
public:
    ImageButton(const QString& iconPath, const QString& toolTip, QWidget* parent);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
