#pragma once

#include <QIcon>

// The program's icon: two overlapping sheets, the front one ticked.
QIcon TwinscanIcon();
