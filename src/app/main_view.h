// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What the controller needs of the program's window: the window built from widgets is one, tests use a fake.
class MainView {
public:
    virtual ~MainView() = default;
    // The seconds in force, as the seconds field shows them.
    virtual void showSeconds(const QString& text) = 0;
    // The file name of the picture on the desktop.
    virtual void showPictureName(const QString& name) = 0;
    // Shows `folder` in the folder list without applying it, also while it cannot be opened (an unplugged stick),
    // so that Apply takes it and what the user sees is what is applied.
    virtual void showFolder(const QString& folder) = 0;
    // Opens `folder` in the folder list as the user would, which applies it. A folder that cannot be opened leaves
    // the window as it was: false with a message.
    virtual bool openFolder(const QString& folder, QString* error) = 0;
    // Shown, raised and active, with the focus on its first control.
    virtual void present() = 0;
    // Hidden; it keeps what its controls hold.
    virtual void conceal() = 0;
    virtual void minimize() = 0;
    virtual bool isPresented() const = 0;
};
