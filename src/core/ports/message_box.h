// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

enum class MessageStyle { Plain, Information };

// A modal message box with one OK button, titled with the program's name.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual void show(const QString& text, MessageStyle style) = 0;
};
