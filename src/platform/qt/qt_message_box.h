// SPDX-License-Identifier: MIT
#pragma once

#include "core/ports/message_box.h"

// Message boxes as Qt widgets, over the active window.
class QtMessageBox final : public MessageBoxService {
public:
    void show(const QString& text, MessageStyle style) override;
};
