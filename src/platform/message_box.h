#pragma once

#include <QString>

class QWidget;

enum class MessageStyle { Plain, Information };

// A modal message box with one OK button, titled with the program's name.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual void show(const QString& text, MessageStyle style) = 0;
};

class QtMessageBox final : public MessageBoxService {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void show(const QString& text, MessageStyle style) override;

private:
    QWidget* parent_;
};
