#include "platform/system_colour.h"

QColor menuTextColour() {
    return Qt::black;
}
