// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class MessageBoxService;

// The two About texts (one per program version) and the tip on tuning the DOS start-up files.
// Every text is fixed; an About text is its title line, one empty line and the contact line.
QString aboutVersion1Text();
QString aboutVersion2Text();
QString startupTipText();

// Each shows its text in a modal box and returns once the user has closed it.
void showAboutVersion1(MessageBoxService& messages);
void showAboutVersion2(MessageBoxService& messages);
void showStartupTip(MessageBoxService& messages);
