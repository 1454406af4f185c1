#pragma once

#include <QColor>

// The colour the system draws menu text in: black in the standard schemes. The window uses it as
// its background.
QColor menuTextColour();
