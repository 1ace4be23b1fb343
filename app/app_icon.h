// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Twinscan developers
#pragma once

#include <QIcon>

// The program's icon: two overlapping sheets, the front one ticked.
QIcon TwinscanIcon();
