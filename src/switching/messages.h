#pragma once

#include <QString>

class MessageBoxService;

// The two About texts (one per program version) and the tip on tuning the DOS start-up files.
// Every text is fixed; an About text is its title line, one empty line and the contact line.
QString aboutTextV1();
QString aboutTextV2();
QString startupFilesTip();

// Each shows its text in a modal box and returns once the user has closed it.
void showAboutV1(MessageBoxService& messages);
void showAboutV2(MessageBoxService& messages);
void showStartupFilesTip(MessageBoxService& messages);
